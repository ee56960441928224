#pragma once

// TUIForm: the main window. It shows the file list with its counts label
// and the information panel in the side column, the video view beside them
// (or the welcome panel while the list is empty), and owns the three action
// lists through which every command and setting runs: `al` (the window's
// own, made from the action and settings catalogues), `am` (the application
// manager: pages, help, quit, window bounds) and `ficman` (the file-list
// manager). Its preferences store `gp` loads every stored action when the
// window is first shown and saves them after the close; its command engine
// `ce` runs the batch commands of the catalogue module over the selection,
// the same engine and catalogue that tarvex-cli drives.
//
// Start-up, once the window is first shown: the settings are loaded and
// applied (the file list kept from the last run starts opening), the files
// named on the command line are listed selected once that list is complete,
// then the command line's switches run in order (a "/quit" closes the window
// after the work they started).
//
// Close: all commands are aborted, the playback pipeline is stopped, the
// window waits until the engine is idle, then the settings are saved.
//
// Views ("Vue"): 0 normal, 1 the welcome panel of an empty list, 2 the video
// only, 3 reduced (information panel over the video, 296 pixels wide).
//
// A key given to two actions reaches only one: the main list keeps it first,
// then the file-list manager, then the application manager; the other action
// is reached from its menu.
//
// Main thread only.

#include "commands/commandengine.h"
#include "framework/catalogueactions.h"
#include "framework/fichierlistmodel.h"
#include "framework/listfichierman.h"
#include "framework/preferences.h"
#include "framework/qvactionlist.h"
#include "framework/qvswitch.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QLabel;
class QListView;
class QMenu;
class QToolBar;
class TaviFichier;
class TBaseFrame;
class TdmAction;
class TLinkEdit;
class TRiffForm;
class Tviewdm;
class TVueFrame;
struct TVueTexts;

// What the program hands the window.
struct TUIFormSetup
{
    TPreferencesPlaces places;     // where the settings are kept
    TMachineDefaults machine;      // the machine's defaults (real ones when empty)
    QStringList arguments;         // the program's arguments: files and switches
    TAskSaveMode askSaveMode;      // where to save when nothing is stored yet; empty: a dialog
};

namespace uiform {
// The version the title and the stored settings show.
inline constexpr char kAppVersion[] = "8.1.0";
// The side column's width, and the minimum client sizes of the four views.
inline constexpr int kSideWidth = 296;
QSize MinimumSize(int vue);
// The label under the list: "3 files on 12 - sorted by datecode".
QString CountsText(int selected, int total, const TSortIndex &index);
// The view a list state gives: 1 for an empty list, else 2 (video only),
// 3 (reduced) or 0.
int ViewFor(int count, bool videoOnly, bool reduced);
// The information box of "Total duration of videos" (100 ns units).
QString TotalDurationText(qint64 selected, qint64 total);
// The help text of the welcome panel (rich link text markup).
QString WelcomeText();
// The status bar's colours: a command message, an opener message, ready.
QColor CommandColor();
QColor OpenerColor();
} // namespace uiform

class TUIForm : public QMainWindow
{
    Q_OBJECT

public:
    TUIForm(TdmAction &actions, Tviewdm &playback, TUIFormSetup setup, QWidget *parent = nullptr);
    ~TUIForm() override;

    // Algorithm of the actions' visibility and enabled state.
    void RefreshActions();
    // The list's active item becomes the shown file.
    void ShowActiveFile();

    // --- parts and state, for the program and its tests ---
    TQvActionList &al() { return m_al; }
    TQvActionList &am() { return m_am; }
    TListFichierMan &ficman() { return m_ficman; }
    TBrontelPreferences &gp() { return m_gp; }
    TCommandEngine &ce() { return m_ce; }
    TQvSwitch &switches() { return m_switch; }
    TFichierListModel &fileList() { return m_list; }
    TBaseFrame &baseFrame() { return *m_base; }
    TVueFrame &vueFrame() { return *m_vue; }
    // An action of any of the three lists by name, or null.
    TCustomAbstractAction *action(const QString &name) const;
    QMenu *mainMenu(const QString &caption) const;
    QMenu *contextMenu(const QString &name) const;
    QToolBar *toolbarGroup(const QString &name) const;
    int vue() const { return m_vue_; }
    QString countsText() const;
    QString statusText() const;
    QColor statusColor() const;
    // The volume last given to the playback pipeline.
    int playedVolume() const { return m_playedVolume; }
    bool startedUp() const { return m_startedUp; }
    bool videoAtLeft() const;
    QWidget *welcomePanel() const { return m_videPanel; }
    QListView *listView() const { return m_listView; }
    // Runs Algorithm 7 now (also done on every resize).
    void Relayout();

signals:
    // The settings are loaded, the command-line files listed and the switches run.
    void startUpDone();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TAnswerer;
    class TListSync;

    void buildParts();
    void buildActions();
    void buildMenus();
    void buildToolbar();
    void linkEngine();
    void linkList();
    void linkDisplay();
    void linkPlayback();
    void linkFileActions();
    void linkCommands();
    void linkSettings();
    void startUp();
    void waitWhileOpening();
    void pumpUntil(const std::function<bool()> &done);
    void applyView(int vue);
    void applyWindowSize(int size);
    void countsChanged(int selected, int total);
    void showStatus();
    void resolveShortcuts();
    void runCommand(const QString &actionName, const QStringList &params);
    void showTexts(const TVueTexts &texts);
    void errorBox(const QString &text, int kind);
    void setFullScreen(bool on);

    TdmAction &m_dm;
    Tviewdm &m_playback;
    TUIFormSetup m_setup;

    TBrontelPreferences m_gp;
    TQvActionList m_al;
    TQvActionList m_am;
    TListFichierMan m_ficman;
    TQvSwitch m_switch;
    TFichierListModel m_list;
    std::unique_ptr<TCommandFileList> m_engineList;
    std::unique_ptr<TAnswerer> m_answerer;
    TCommandEngine m_ce;

    QWidget *m_client = nullptr;
    QWidget *m_side = nullptr;
    TBaseFrame *m_base = nullptr;
    QListView *m_listView = nullptr;
    std::unique_ptr<TListSync> m_sync;
    QLabel *m_labSelect = nullptr;
    TVueFrame *m_vue = nullptr;
    QWidget *m_videPanel = nullptr;
    TLinkEdit *m_welcome = nullptr;
    QLabel *m_status = nullptr;
    TRiffForm *m_riff = nullptr;
    QList<QMenu *> m_menus;
    QList<QMenu *> m_contextMenus;
    QList<QToolBar *> m_toolbars;

    TaviFichier *m_active = nullptr;
    QString m_commandMessage;
    QString m_openerMessage;
    int m_vue_ = 1;
    bool m_showScenes = false;
    bool m_showList = true;
    bool m_showFile = true;
    bool m_soundOff = false;
    bool m_fullScreen = false;
    int m_playedVolume = -1;
    bool m_started = false;
    bool m_startedUp = false;
    bool m_closing = false;
    bool m_saved = false;
    QStringList m_pendingParams;
};
