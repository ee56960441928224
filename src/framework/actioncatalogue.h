#pragma once

// The main window's actions as the user meets them, as data: for every action
// of the menus, the toolbar and the keyboard its caption, hint, shortcuts,
// script name, command-line switch, the part of the window that owns it and
// the catalogue command it starts; then the menus, context menus and toolbar
// groups that show them. The window turns this into menus; the actions
// themselves are made by catalogueactions.h.
//
// The settings (settingscatalogue.h) are the other half: an action that is
// also a setting takes its key, type and default from there, and its key is
// the script name given here. Shortcuts are Qt's portable key texts; a key
// shared by two actions is listed for both (the window decides which one the
// key reaches; each stays reachable from its menu).
//
// The table is fixed at compile time and read from any thread.

#include <QStringView>

#include <array>
#include <span>
#include <vector>

namespace actioncatalogue {

// The part of the window whose action list holds the action.
enum class TOwner {
    Main,     // the main window's own list
    AppliMan, // the application manager: pages, help, scripts, quit, window bounds
    FileList, // the file-list manager: opening, emptying and saving the list
};

struct TActionEntry
{
    QStringView name{};           // with its kind prefix: "caListeGauche"
    QStringView caption{};        // a check action's caption while unchecked
    QStringView checkedCaption{}; // a check action's caption while checked; empty: caption
    QStringView hint{};
    std::array<QStringView, 2> shortcuts{}; // primary first; empty: none
    QStringView scriptName{};     // empty: the name without its prefix
    QStringView switchName{};     // empty: none
    TOwner owner = TOwner::Main;
    QStringView command{};        // the catalogue command the action starts; empty: none
    bool stored = true;         // loaded and saved with the preferences (IncludePrefs)
    // The primary shortcut while the window is in its Ctrl-shortcut mode
    // (editors take the plain keys); empty: the same in both modes.
    QStringView ctrlModeShortcut{};
    bool enabledAtStart = true;
};

enum class TItemKind {
    Action,    // the action named
    Separator,
    SubMenu,   // caption and the actions of its items
    Command,   // an item of its own: caption, hint, shortcut, command
};

struct TMenuItem
{
    TItemKind kind = TItemKind::Action;
    QStringView action{};
    QStringView caption{};
    std::vector<QStringView> items{};
    QStringView hint{};
    QStringView shortcut{};
    QStringView command{};
};

struct TMenu
{
    QStringView name{};    // the object name of a context menu; empty for the main menu's
    QStringView caption{}; // the main menu's title; empty for a context menu
    std::vector<TMenuItem> items{};
};

// When a toolbar group is shown.
enum class TToolbarShown {
    Always,
    NotInView1,         // hidden while the view setting is 1 (the empty-list panel)
    WhileEditingScenes, // shown only while the scene editor is open
};

struct TToolbarGroup
{
    QStringView name{};
    TToolbarShown shown = TToolbarShown::Always;
    std::vector<QStringView> actions{}; // left to right
};

// Every action, in list order: the main list's, then the scene editor's
// (also on the main list), the file-list manager's and the application manager's.
std::span<const TActionEntry> Actions();
// The entry of a name (exact), or null.
const TActionEntry *Find(QStringView name);
// The script name of an entry: its own, or its name without the prefix.
QStringView ScriptName(const TActionEntry &entry);

// The main menu, left to right.
std::span<const TMenu> MainMenu();
// mainPopup (the file list's) and pmWindow (the video's).
std::span<const TMenu> ContextMenus();
// The toolbar, left to right, with a separator between groups.
std::span<const TToolbarGroup> Toolbar();

} // namespace actioncatalogue
