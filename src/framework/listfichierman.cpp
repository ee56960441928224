#include "framework/listfichierman.h"

#include "framework/catalogueactions.h"
#include "framework/fichierlistmodel.h"
#include "framework/listfichier.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

TListFichierMan::TListFichierMan(QObject *parent) : TQvActionComponent(parent)
{
    Initialise();
}

void TListFichierMan::setInitialDir(const QString &folder)
{
    m_initialDir = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

template <typename A>
A *TListFichierMan::action(const char *name) const
{
    A *found = find<A>(QString::fromLatin1(name));
    if (!found) {
        // The action catalogue names every action the manager wires.
        std::fprintf(stderr, "file-list manager: no action %s\n", name);
        std::abort();
    }
    return found;
}

void TListFichierMan::CreateActions()
{
    CreateCatalogueActions(*this, actioncatalogue::TOwner::FileList);
    for (TCustomAbstractAction *a : customActions())
        a->setCategory(QStringLiteral("internal"));
}

void TListFichierMan::LinkActions()
{
    linkOpening();
    linkSaving();
    linkKeeping();
}

void TListFichierMan::linkOpening()
{
    auto *openFiles = action<TWStringsAction>("saOpenFiles");
    openFiles->setInternalPrepare([this](QStringList &files) {
        if (!m_dialogs.openFiles)
            return false;
        const std::optional<QStringList> chosen = m_dialogs.openFiles(m_initialDir);
        if (!chosen)
            return false;
        files = *chosen;
        return true;
    });
    openFiles->setInternalApply([this](const QStringList &files) {
        if (m_list && !files.isEmpty())
            m_list->OpenPaths(files);
    });

    auto *openFolder = action<TWidestringAction>("waOpenFolder");
    openFolder->setInternalPrepare([this, openFolder](QString &folder) {
        if (!m_dialogs.chooseFolder)
            return false;
        const std::optional<QString> chosen = m_dialogs.chooseFolder(QStringLiteral("Select a folder"), openFolder->value());
        if (!chosen)
            return false;
        folder = *chosen;
        return true;
    });
    openFolder->setInternalApply([this](const QString &folder) {
        if (m_list && !folder.isEmpty())
            m_list->OpenFolder(folder);
    });

    auto *openPlayList = action<TWidestringAction>("waOpenPlayList");
    openPlayList->setInternalPrepare([this](QString &file) {
        if (!m_dialogs.openPlayList)
            return false;
        const std::optional<QString> chosen = m_dialogs.openPlayList(QStringLiteral("Select the playlist to open"));
        if (!chosen)
            return false;
        file = *chosen;
        return true;
    });
    openPlayList->setInternalApply([this](const QString &file) {
        if (m_list && !file.isEmpty())
            m_list->OpenPlayList(file);
    });

    const auto onList = [this](const char *name, std::function<void(TFichierListModel &)> operation) {
        action<TNopeAction>(name)->setInternalApply([this, operation] {
            if (m_list)
                operation(*m_list);
        });
    };
    onList("naOpenPreferredFolder", [](TFichierListModel &l) { l.OpenPreferredFolder(); });
    onList("naOpenPreferredPlayList", [](TFichierListModel &l) { l.OpenPreferredPlayList(); });
    onList("naPasteFiles", [](TFichierListModel &l) { l.PasteFiles(); });
    onList("naOpenAll", [](TFichierListModel &l) { l.OpenAllDisks(); });
    onList("naVider", [](TFichierListModel &l) { l.ViderListe(); });
    onList("naClearSelected", [](TFichierListModel &l) { l.RemoveSelected(); });
    onList("naAbort", [](TFichierListModel &l) { l.StopOpening(); });
    onList("naParentFolder", [this](TFichierListModel &l) {
        if (l.activeRecord() && m_dialogs.showInFileManager)
            m_dialogs.showInFileManager(l.activeRecord()->fullPath());
    });

    auto *preferredFolder = action<TWidestringAction>("waPreferredFolderName");
    preferredFolder->setInternalPrepare([this](QString &folder) {
        if (!m_dialogs.chooseFolder)
            return false;
        const std::optional<QString> chosen =
            m_dialogs.chooseFolder(QStringLiteral("Select a folder"), m_list ? m_list->preferredFolder() : QString());
        if (!chosen)
            return false;
        folder = *chosen;
        return true;
    });
    preferredFolder->setInternalApply([this](const QString &folder) {
        if (m_list)
            m_list->setPreferredFolder(folder);
    });

    auto *preferredPlayList = action<TWidestringAction>("waPreferredPlayListName");
    preferredPlayList->setInternalPrepare([this](QString &file) {
        if (!m_dialogs.openPlayList)
            return false;
        const std::optional<QString> chosen = m_dialogs.openPlayList(QStringLiteral("Choose the preferred playlist"));
        if (!chosen)
            return false;
        file = *chosen;
        return true;
    });
    preferredPlayList->setInternalApply([this](const QString &file) {
        if (m_list)
            m_list->setPreferredPlayList(file);
    });
}

void TListFichierMan::linkSaving()
{
    auto *saveAs = action<TWidestringAction>("waSavePlayList");
    saveAs->setInternalPrepare([this](QString &file) {
        if (!m_dialogs.savePlayList)
            return false;
        const std::optional<QString> chosen = m_dialogs.savePlayList();
        if (!chosen)
            return false;
        file = *chosen;
        return true;
    });
    saveAs->setInternalApply([this](const QString &file) {
        m_error.clear();
        if (m_list && !file.isEmpty())
            m_list->SavePlayList(file, m_titre, m_slogan, &m_error);
    });
    action<TNopeAction>("naSavePreferredPlayList")->setInternalApply([this] {
        m_error.clear();
        if (m_list)
            m_list->SavePreferredPlayList(m_titre, m_slogan, &m_error);
    });
}

void TListFichierMan::linkKeeping()
{
    auto *fileNames = action<TWStringsAction>("saFileNames");
    auto *reopen = action<TBooleanAction>("baOpenlastFiles");
    auto *activeFile = action<TWidestringAction>("waActiveFile");

    fileNames->setInternalBeforeSave([this](QStringList &paths) {
        paths = m_list ? m_list->GetPaths() : QStringList();
        return true;
    });
    fileNames->setInternalApply([this](const QStringList &paths) {
        if (m_list && !paths.isEmpty())
            m_list->OpenPaths(paths);
    });
    // The stored list is opened again, or forgotten.
    reopen->setInternalApply([fileNames](bool on) {
        if (on)
            fileNames->Apply();
        else
            fileNames->Assign({});
    });
    reopen->setInternalBeforeSave([fileNames](bool &on) {
        if (!on)
            fileNames->Assign({});
        return true;
    });
    activeFile->setInternalBeforeSave([this](QString &path) {
        path = m_list && m_list->activeRecord() ? m_list->activeRecord()->fullPath() : QString();
        return true;
    });
    activeFile->setInternalApply([this, reopen](const QString &path) {
        if (m_list && reopen->value() && !path.isEmpty() && QFileInfo::exists(path))
            m_list->SetActivePath(path);
    });
}
