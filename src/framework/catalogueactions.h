#pragma once

// The window's actions made from the catalogues: a setting of
// settingscatalogue.h becomes a value action of its type, stored under its
// key, with its default, loaded with or without applying it as the catalogue
// says; every other action of actioncatalogue.h becomes a command, a check
// action or a value action by its name's kind prefix. Captions, hints,
// shortcuts, script names and switches come from actioncatalogue.h, the help
// line of a setting becomes the action's comment.
//
// Defaults that depend on the machine are computed when the value is loaded
// (the action's internal default handler): the documents and video folders,
// the window bounds centred on the screen, the path the sibling capture
// program recorded for itself. The window's own handlers (what applying a
// value does) are set on the actions afterwards, found by name.
//
// Main thread only.

#include "framework/actioncatalogue.h"
#include "framework/qvactionlist.h"
#include "framework/settingscatalogue.h"

#include <QList>
#include <QSize>
#include <QString>

#include <functional>

// What the machine gives the defaults; an empty function takes the real one.
struct TMachineDefaults
{
    std::function<QSize()> screenSize;       // the primary screen (1920 x 1080 without one)
    std::function<QString()> siblingProgram; // "ExeName" of the sibling capture program's store
};

// The default bounds of the window: 962 x 751 centred on a screen of that size.
TRectValue CentredWindow(QSize screen);
// The program path a sibling program recorded for itself as "ExeName" at the
// root of its store (settingsFile); empty when there is none.
QString SiblingProgramPath(const QString &settingsFile);

// Makes the actions of owner in list: its settings in settings-catalogue
// order, then its other actions in action-catalogue order. For the main
// list, the Ctrl-shortcut mode (caCTRLShortcuts) also switches the shortcuts
// of the actions that have one for that mode.
QList<TCustomAbstractAction *> CreateCatalogueActions(TCustomQvActionList &list, actioncatalogue::TOwner owner,
                                                      const TMachineDefaults &machine = {});

// The owner of a setting's action: its catalogue entry's, else the main list.
actioncatalogue::TOwner SettingOwner(const settings::TSetting &setting);
