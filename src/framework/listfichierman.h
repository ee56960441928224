#pragma once

// TListFichierMan: the file-list manager, the actions that open, paste,
// empty, remove, abort and save the file list, and the settings that keep the
// list between runs. Each action does one operation of the list model it
// drives; the window gives the dialogs the open and save actions ask with,
// and the way to show a file in the file manager.
//
// Keeping the list between runs: saving stores every listed path
// ("FileNames") and the active file ("ActiveFile"). At load, when
// "OpenlastFiles" is on, the stored paths are opened again and the stored
// active file becomes active as soon as it is listed; when it is off, the
// stored paths are forgotten.
//
// Main thread only.

#include "framework/qvactionlist.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TFichierListModel;

// How the manager asks the user; an empty function asks nothing (the action
// then does nothing), an answer of nullopt is a cancel.
struct TListFichierDialogs
{
    // Files to open, starting in a folder.
    std::function<std::optional<QStringList>(const QString &startFolder)> openFiles;
    // A folder, starting at one; the title says what for.
    std::function<std::optional<QString>(const QString &title, const QString &start)> chooseFolder;
    // A play list to open; the title says what for.
    std::function<std::optional<QString>(const QString &title)> openPlayList;
    // The file to save the play list as.
    std::function<std::optional<QString>()> savePlayList;
    // Shows a file selected in the file manager.
    std::function<void(const QString &fullPath)> showInFileManager;
};

class TListFichierMan final : public TQvActionComponent
{
    Q_OBJECT

public:
    explicit TListFichierMan(QObject *parent = nullptr);

    // The list the actions drive; none: the actions do nothing.
    TFichierListModel *fichierListBox() const { return m_list; }
    void setFichierListBox(TFichierListModel *list) { m_list = list; }
    void setDialogs(TListFichierDialogs dialogs) { m_dialogs = std::move(dialogs); }

    // The title and slogan lines of the play lists written.
    const QString &titre() const { return m_titre; }
    void setTitre(const QString &titre) { m_titre = titre; }
    const QString &slogan() const { return m_slogan; }
    void setSlogan(const QString &slogan) { m_slogan = slogan; }
    // The first folder of the open dialog (with a trailing separator).
    const QString &initialDir() const { return m_initialDir; }
    void setInitialDir(const QString &folder);

    // Why the last play-list save failed; empty when it did not.
    const QString &errorString() const { return m_error; }

protected:
    void CreateActions() override;
    void LinkActions() override;

private:
    template <typename A>
    A *action(const char *name) const;
    void linkOpening();
    void linkSaving();
    void linkKeeping();

    TFichierListModel *m_list = nullptr;
    TListFichierDialogs m_dialogs;
    QString m_titre;
    QString m_slogan;
    QString m_initialDir;
    QString m_error;
};
