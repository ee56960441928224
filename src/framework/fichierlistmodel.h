#pragma once

// TFichierListModel: the file list. It holds the records of the files the
// user works on, in the order of its sort index, with their selection and the
// active (focused) file; the window's list box is a view on it, and the command
// engine reaches it through the engine's file list interface (adapter in
// src/commands). Main thread only, except what its opener does on its own
// thread.
//
// Order: ascending by each record's key for the sort index (ignoring case),
// then by full path, so the order is total and a record is found by binary
// search. Listing inserts at the place of the key; re-listing a listed record
// moves its one item to the place of its current key.
//
// Ownership: the record cache (fichiercache.h) owns every record the list has
// met, for the life of the list; removing an item keeps its record. Records
// are built on the opener's thread by the record factory, never here: a
// record reaches the list either from the opener or handed over whole
// (AddFichier, ReplaceFichier).
//
// Selection and activity: any set of items may be selected; the active item,
// if any, is always selected and stays the active one whatever is inserted,
// removed or re-sorted around it. OnActiveChange reports the active record
// whenever it differs from the one last reported (null when the list lost its
// active file). OnCountsChange follows every change of the items or the
// selection, with hint() updated first.
//
// Opening: every request first ends the running one (what it found stays
// listed); OnOpenStart, OnOpenFolderFound, OnOpenFileFound and OnOpenEnd
// follow in order on this thread. Paths of a request are made absolute here.

#include "framework/fichiercache.h"
#include "framework/fichieropener.h"
#include "framework/listfichier.h"

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QMimeData;

class TFichierListModel : public QAbstractListModel, private TOpenReceiver
{
    Q_OBJECT

public:
    enum TRole {
        FullPathRole = Qt::UserRole + 1, // QString
        SelectedRole,                    // bool; settable
        ActiveRole,                      // bool
    };

    explicit TFichierListModel(QObject *parent = nullptr);
    ~TFichierListModel() override;

    // --- the model ---
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the file name; ToolTipRole and FullPathRole: the full path.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;
    // Dragging out gives the full paths as a list of file URLs; dropping such
    // a list opens it (OpenDropped) when acceptFiles().
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    // --- settings ---
    // The record factory of the opener (plain file records by default).
    void setRecordFactory(TRecordFactory factory);
    // May refuse a record before it is listed; it stays cached.
    void setBeforeLister(std::function<bool(const TAbstractListFichier *)> beforeLister);
    // Which files the opener takes, by extension (".avi"); empty takes all.
    QStringList openExtensions() const { return m_filter.extensions(); }
    void setOpenExtensions(const QStringList &extensions);
    // Files the opener lists become selected.
    bool selectionnerOuverts() const { return m_selectionnerOuverts; }
    void setSelectionnerOuverts(bool on) { m_selectionnerOuverts = on; }
    const QString &preferredFolder() const { return m_preferredFolder; }
    void setPreferredFolder(const QString &folder) { m_preferredFolder = folder; }
    const QString &preferredPlayList() const { return m_preferredPlayList; }
    void setPreferredPlayList(const QString &file) { m_preferredPlayList = file; }
    // Files dropped from the desktop are accepted (true by default).
    bool acceptFiles() const { return m_acceptFiles; }
    void setAcceptFiles(bool on) { m_acceptFiles = on; }
    // Cleared while a command run takes its items; views follow enabledChanged.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // --- state ---
    int count() const { return int(m_items.size()); }
    int selectedCount() const { return m_selectedCount; }
    TAbstractListFichier *record(int index) const;
    bool isSelected(int index) const;
    // -1 for none.
    int activeIndex() const;
    TAbstractListFichier *activeRecord() const { return m_active; }
    const TSortIndex &sortIndex() const { return m_sortIndex; }
    // "One file selected among 3", "2 files selected among 3", "No file selected among 0".
    const QString &hint() const { return m_hint; }
    const TFichierList &cache() const { return m_cache; }
    // The full paths, in list order.
    QStringList GetPaths() const;
    // The index of the item whose record has exactly this full path, or -1.
    int FindByPath(const QString &fullPath) const;
    int IndexOf(const TAbstractListFichier *record) const;

    // --- items ---
    // Lists (or re-lists) a record of the cache; its index, or -1 when the
    // record is not cached or BeforeLister refused it. A record is selected
    // when select is set or it was selected; a first item becomes active.
    int AddRecord(TAbstractListFichier *record, bool select);
    // The record of a path, listing it (unselected) from the cache when it is
    // not listed yet; null when the list never met the path.
    TAbstractListFichier *OpenPath(const QString &fullPath);
    void setSelected(int index, bool selected);
    // Selects the record's item.
    void selectRecord(const TAbstractListFichier *record);
    // -1 clears the active item; a valid index becomes active and selected;
    // any other index is ignored.
    void SetActive(int index);
    // The file becomes active as soon as it is listed: now if the list met it,
    // else when the running opener lists it. The item made active meanwhile
    // only because it came first is unselected again.
    void SetActivePath(const QString &fullPath);
    // true selects every item; false unselects all but the active item.
    void SelectAll(bool select);
    // Removes the selected items; the item before the first removed becomes
    // active (item 0 when that was the first item).
    void RemoveSelected();
    // Removes the record's item (the record stays cached).
    void RemoveRecord(const TAbstractListFichier *record);
    void Clear();
    // Stops the opener and empties the list.
    void ViderListe();
    // Re-sorts every item; selection and active item are kept.
    void SetSortIndex(const TSortIndex &index);
    // The same from the identifier the setting "SortIndexId" stores.
    void SetSortIndexId(const QString &storedId);
    QString sortIndexId() const;
    // Reports counts and the active record again (after a record changed).
    void RefreshCounts();
    void RefreshActive();

    // --- records handed over by the command engine ---
    // Caches and lists a record; a record cached before for its path is
    // destroyed, its item taken over. The record now listed, or null.
    TAbstractListFichier *AddFichier(std::unique_ptr<TAbstractListFichier> record, bool select);
    // Removes and destroys a cached record.
    void RemoveFichier(const TAbstractListFichier *record);
    // Puts a new record in the place of a cached one, which is destroyed; the
    // new item keeps the old one's selection and activity.
    void ReplaceFichier(const TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record);

    // --- opening ---
    void OpenPaths(const QStringList &paths);
    void OpenFolder(const QString &folder);
    void OpenPlayList(const QString &playList);
    void OpenPreferredFolder();
    // False, opening nothing, when the preferred play list does not exist.
    bool OpenPreferredPlayList();
    void OpenAllDisks();
    // Pasted paths: files, and folders with their sub-folders.
    void PasteFiles(const QStringList &paths);
    // The local files of the clipboard; false when it holds none.
    bool PasteFiles();
    // Dropped paths: as pasted ones, except that ".txt" files are play lists.
    void OpenDropped(const QStringList &paths);
    void StopOpening();
    bool isOpening() const { return m_opener->isRunning(); }
    // Delivers what the opener found so far (the event loop does it too).
    void DeliverFound() { m_opener->deliver(); }

    // The local file paths of dropped or pasted data (a list of URLs).
    static QStringList LocalPaths(const QMimeData *data);
    static bool CanPaste(const QMimeData *data) { return !LocalPaths(data).isEmpty(); }

    // --- play lists ---
    // Writes the listed paths to fileName with its extension replaced by
    // ".txt"; false with the reason in *errorString.
    bool SavePlayList(const QString &fileName, const QString &titre, const QString &slogan, QString *errorString = nullptr);
    // Writes preferredPlayList() itself, the file OpenPreferredPlayList reads.
    bool SavePreferredPlayList(const QString &titre, const QString &slogan, QString *errorString = nullptr);

signals:
    void OnCountsChange(int selected, int total);
    void OnActiveChange(TAbstractListFichier *record);
    void OnOpenStart();
    void OnOpenFolderFound(const QString &folder);
    void OnOpenFileFound(const QString &folder, TAbstractListFichier *record);
    // A found file whose record could not be made, and why.
    void OnOpenFileError(const QString &fullPath, const QString &reason);
    void OnOpenEnd(int count);
    void enabledChanged(bool enabled);

private:
    struct TItem
    {
        TAbstractListFichier *record;
        QString key;
        bool selected;
    };

    // TOpenReceiver
    bool openHolds(const QString &fullPath, const TFileStamp &stamp) const override;
    void openStarted() override;
    void openFolderFound(const QString &folder) override;
    void openFileFound(const QString &fullPath, const TFileStamp &stamp,
                       std::unique_ptr<TAbstractListFichier> record) override;
    void openFileFailed(const QString &fullPath, const QString &reason) override;
    void openEnded(int count) override;

    void startOpening(TOpenMode mode, const QStringList &paths);
    // Where an item of this key and path goes (or is).
    int lowerBound(const QString &key, const QString &fullPath) const;
    int insertItem(TAbstractListFichier *record, bool selected);
    void removeItem(int index);
    void setActiveRecord(TAbstractListFichier *record);
    void changeSelected(int index, bool selected);
    void activatePending(TAbstractListFichier *record);
    void forget(const TAbstractListFichier *record);
    void refresh();

    std::vector<TItem> m_items;
    QHash<QString, QString> m_keys; // full path of each listed record -> its key in m_items
    int m_selectedCount = 0;
    TAbstractListFichier *m_active = nullptr;
    TAbstractListFichier *m_reported = nullptr;
    bool m_reportDue = false; // the reported record is gone: report even the same address again
    QString m_hint;
    int m_hintSelected = -1;
    int m_hintTotal = -1;
    TSortIndex m_sortIndex = sortindex::Alpha();
    QString m_pendingActive;

    TFichierList m_cache;
    std::function<bool(const TAbstractListFichier *)> m_beforeLister;
    TExtensionFilter m_filter;
    bool m_selectionnerOuverts = false;
    bool m_acceptFiles = true;
    bool m_enabled = true;
    QString m_preferredFolder;
    QString m_preferredPlayList;

    std::unique_ptr<TThreadOpen> m_opener; // last: stopped before anything else goes
};
