#include "framework/fichierlistmodel.h"

#include "framework/playlist.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

bool ItemBefore(const QString &keyA, const QString &pathA, const QString &keyB, const QString &pathB)
{
    const int c = CompareSortKeys(keyA, keyB);
    return c != 0 ? c < 0 : pathA < pathB;
}

QString CountsHint(int selected, int total)
{
    if (selected >= 2)
        return QStringLiteral("%1 files selected among %2").arg(selected).arg(total);
    return (selected == 1 ? QStringLiteral("One file selected among ") : QStringLiteral("No file selected among "))
           + QString::number(total);
}

} // namespace

TFichierListModel::TFichierListModel(QObject *parent)
    : QAbstractListModel(parent), m_opener(std::make_unique<TThreadOpen>(static_cast<TOpenReceiver &>(*this)))
{
    m_hint = CountsHint(0, 0);
}

TFichierListModel::~TFichierListModel()
{
    m_opener.reset();
}

// --- the model ---

int TFichierListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant TFichierListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const TItem &item = m_items[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return item.record->fileName();
    case Qt::ToolTipRole:
    case FullPathRole:
        return item.record->fullPath();
    case SelectedRole:
        return item.selected;
    case ActiveRole:
        return item.record == m_active;
    default:
        return {};
    }
}

bool TFichierListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != SelectedRole || !index.isValid() || index.row() >= count())
        return false;
    setSelected(index.row(), value.toBool());
    return true;
}

Qt::ItemFlags TFichierListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return m_acceptFiles ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (m_enabled)
        f |= Qt::ItemIsEnabled;
    return f;
}

QHash<int, QByteArray> TFichierListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(FullPathRole, "fullPath");
    names.insert(SelectedRole, "selected");
    names.insert(ActiveRole, "active");
    return names;
}

QStringList TFichierListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData *TFichierListModel::mimeData(const QModelIndexList &indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid() && index.row() < count())
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<QUrl> urls;
    for (int row : rows)
        urls.append(QUrl::fromLocalFile(m_items[size_t(row)].record->fullPath()));
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

bool TFichierListModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int, const QModelIndex &) const
{
    return m_acceptFiles && (action == Qt::CopyAction || action == Qt::LinkAction) && CanPaste(data);
}

bool TFichierListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                     const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    OpenDropped(LocalPaths(data));
    return true;
}

Qt::DropActions TFichierListModel::supportedDropActions() const
{
    // Never a move: the source would delete the user's files.
    return Qt::CopyAction | Qt::LinkAction;
}

Qt::DropActions TFichierListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

// --- settings ---

void TFichierListModel::setRecordFactory(TRecordFactory factory)
{
    m_opener->setFactory(std::move(factory));
}

void TFichierListModel::setBeforeLister(std::function<bool(const TAbstractListFichier *)> beforeLister)
{
    m_beforeLister = std::move(beforeLister);
}

void TFichierListModel::setOpenExtensions(const QStringList &extensions)
{
    m_filter = TExtensionFilter(extensions);
}

void TFichierListModel::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!m_items.empty())
        emit dataChanged(index(0), index(count() - 1));
    emit enabledChanged(enabled);
}

// --- state ---

TAbstractListFichier *TFichierListModel::record(int index) const
{
    return index >= 0 && index < count() ? m_items[size_t(index)].record : nullptr;
}

bool TFichierListModel::isSelected(int index) const
{
    return index >= 0 && index < count() && m_items[size_t(index)].selected;
}

int TFichierListModel::activeIndex() const
{
    return m_active ? IndexOf(m_active) : -1;
}

QStringList TFichierListModel::GetPaths() const
{
    QStringList paths;
    paths.reserve(count());
    for (const TItem &item : m_items)
        paths.append(item.record->fullPath());
    return paths;
}

int TFichierListModel::lowerBound(const QString &key, const QString &fullPath) const
{
    const auto it = std::lower_bound(m_items.begin(), m_items.end(), 0, [&](const TItem &item, int) {
        return ItemBefore(item.key, item.record->fullPath(), key, fullPath);
    });
    return int(it - m_items.begin());
}

int TFichierListModel::FindByPath(const QString &fullPath) const
{
    const auto key = m_keys.constFind(fullPath);
    if (key == m_keys.cend())
        return -1;
    const int i = lowerBound(*key, fullPath);
    return i < count() && m_items[size_t(i)].record->fullPath() == fullPath ? i : -1;
}

int TFichierListModel::IndexOf(const TAbstractListFichier *record) const
{
    if (!record)
        return -1;
    const int i = FindByPath(record->fullPath());
    return i >= 0 && m_items[size_t(i)].record == record ? i : -1;
}

// --- items ---

int TFichierListModel::insertItem(TAbstractListFichier *record, bool selected)
{
    const QString key = record->GetSortKey(m_sortIndex);
    const int at = lowerBound(key, record->fullPath());
    beginInsertRows(QModelIndex(), at, at);
    m_items.insert(m_items.begin() + at, TItem{record, key, selected});
    m_keys.insert(record->fullPath(), key);
    if (selected)
        ++m_selectedCount;
    endInsertRows();
    return at;
}

void TFichierListModel::removeItem(int index)
{
    beginRemoveRows(QModelIndex(), index, index);
    const TItem &item = m_items[size_t(index)];
    if (item.selected)
        --m_selectedCount;
    m_keys.remove(item.record->fullPath());
    m_items.erase(m_items.begin() + index);
    endRemoveRows();
}

void TFichierListModel::changeSelected(int index, bool selected)
{
    TItem &item = m_items[size_t(index)];
    if (item.selected == selected)
        return;
    item.selected = selected;
    m_selectedCount += selected ? 1 : -1;
    emit dataChanged(this->index(index), this->index(index), {SelectedRole});
}

void TFichierListModel::setActiveRecord(TAbstractListFichier *record)
{
    if (record == m_active)
        return;
    const int before = activeIndex();
    m_active = record;
    if (before >= 0)
        emit dataChanged(index(before), index(before), {ActiveRole});
    if (const int now = activeIndex(); now >= 0) {
        changeSelected(now, true);
        emit dataChanged(index(now), index(now), {ActiveRole});
    }
}

int TFichierListModel::AddRecord(TAbstractListFichier *record, bool select)
{
    if (!m_cache.owns(record) || (m_beforeLister && !m_beforeLister(record)))
        return -1;
    const bool wasEmpty = m_items.empty();
    int at = IndexOf(record);
    if (at >= 0) {
        const TItem &item = m_items[size_t(at)];
        const bool selected = select || item.selected;
        if (item.key != record->GetSortKey(m_sortIndex)) {
            removeItem(at);
            at = insertItem(record, selected);
        } else {
            changeSelected(at, selected);
        }
    } else {
        at = insertItem(record, select || record == m_active);
    }
    if (wasEmpty && !m_active)
        setActiveRecord(m_items.front().record);
    refresh();
    return IndexOf(record);
}

TAbstractListFichier *TFichierListModel::OpenPath(const QString &fullPath)
{
    TAbstractListFichier *record = m_cache.find(fullPath);
    if (record && IndexOf(record) < 0)
        AddRecord(record, false);
    return record;
}

void TFichierListModel::setSelected(int index, bool selected)
{
    if (index < 0 || index >= count())
        return;
    // The active item stays selected.
    changeSelected(index, selected || m_items[size_t(index)].record == m_active);
    RefreshCounts();
}

void TFichierListModel::selectRecord(const TAbstractListFichier *record)
{
    setSelected(IndexOf(record), true);
}

void TFichierListModel::SetActive(int index)
{
    if (index < -1 || index >= count())
        return;
    m_pendingActive.clear();
    setActiveRecord(index < 0 ? nullptr : m_items[size_t(index)].record);
    refresh();
}

void TFichierListModel::activatePending(TAbstractListFichier *record)
{
    m_pendingActive.clear();
    TAbstractListFichier *before = m_active;
    setActiveRecord(record);
    if (before && before != record)
        changeSelected(IndexOf(before), false);
    refresh();
}

void TFichierListModel::SetActivePath(const QString &fullPath)
{
    TAbstractListFichier *record = OpenPath(fullPath);
    if (record && IndexOf(record) >= 0)
        activatePending(record);
    else if (!record && isOpening())
        m_pendingActive = fullPath;
}

void TFichierListModel::SelectAll(bool select)
{
    if (m_items.empty()) {
        refresh();
        return;
    }
    m_selectedCount = 0;
    for (TItem &item : m_items) {
        item.selected = select || item.record == m_active;
        m_selectedCount += item.selected ? 1 : 0;
    }
    emit dataChanged(index(0), index(count() - 1), {SelectedRole});
    refresh();
}

void TFichierListModel::RemoveSelected()
{
    int lowest = -1;
    for (int i = count() - 1; i >= 0;) {
        if (!m_items[size_t(i)].selected) {
            --i;
            continue;
        }
        const int last = i;
        while (i >= 0 && m_items[size_t(i)].selected)
            --i;
        const int first = i + 1;
        beginRemoveRows(QModelIndex(), first, last);
        for (int k = first; k <= last; ++k)
            m_keys.remove(m_items[size_t(k)].record->fullPath());
        m_selectedCount -= last - first + 1;
        m_items.erase(m_items.begin() + first, m_items.begin() + last + 1);
        endRemoveRows();
        lowest = first;
    }
    if (m_active && IndexOf(m_active) < 0)
        m_active = nullptr;
    TAbstractListFichier *next = nullptr;
    if (lowest <= 0)
        next = m_items.empty() ? nullptr : m_items.front().record;
    else
        next = m_items[size_t(lowest - 1)].record;
    setActiveRecord(next);
    refresh();
}

void TFichierListModel::RemoveRecord(const TAbstractListFichier *record)
{
    const int at = IndexOf(record);
    if (at < 0)
        return;
    const bool wasActive = record == m_active;
    removeItem(at);
    if (wasActive) {
        m_active = nullptr;
        setActiveRecord(m_items.empty() ? nullptr : m_items[size_t(std::max(0, at - 1))].record);
    }
    refresh();
}

void TFichierListModel::Clear()
{
    beginResetModel();
    m_items.clear();
    m_keys.clear();
    m_selectedCount = 0;
    m_active = nullptr;
    endResetModel();
    m_pendingActive.clear();
    refresh();
}

void TFichierListModel::ViderListe()
{
    StopOpening();
    Clear();
}

void TFichierListModel::SetSortIndex(const TSortIndex &index)
{
    m_sortIndex = index;
    if (m_items.empty())
        return;
    beginResetModel();
    for (TItem &item : m_items)
        item.key = item.record->GetSortKey(m_sortIndex);
    std::sort(m_items.begin(), m_items.end(), [](const TItem &a, const TItem &b) {
        return ItemBefore(a.key, a.record->fullPath(), b.key, b.record->fullPath());
    });
    for (const TItem &item : m_items)
        m_keys.insert(item.record->fullPath(), item.key);
    endResetModel();
    refresh();
}

void TFichierListModel::SetSortIndexId(const QString &storedId)
{
    SetSortIndex(sortindex::FromStoredId(storedId));
}

QString TFichierListModel::sortIndexId() const
{
    return sortindex::StoredId(m_sortIndex);
}

void TFichierListModel::RefreshCounts()
{
    const int selected = m_selectedCount;
    const int total = count();
    if (selected != m_hintSelected || total != m_hintTotal) {
        m_hintSelected = selected;
        m_hintTotal = total;
        m_hint = CountsHint(selected, total);
    }
    emit OnCountsChange(selected, total);
}

void TFichierListModel::RefreshActive()
{
    if (m_active == m_reported && !m_reportDue)
        return;
    m_reported = m_active;
    m_reportDue = false;
    emit OnActiveChange(m_active);
}

void TFichierListModel::refresh()
{
    RefreshCounts();
    RefreshActive();
}

// --- records handed over by the command engine ---

void TFichierListModel::forget(const TAbstractListFichier *record)
{
    if (m_active == record)
        m_active = nullptr;
    if (m_reported == record) {
        m_reported = nullptr;
        m_reportDue = true;
    }
}

TAbstractListFichier *TFichierListModel::AddFichier(std::unique_ptr<TAbstractListFichier> record, bool select)
{
    if (!record)
        return nullptr;
    const QString path = record->fullPath();
    if (TAbstractListFichier *old = m_cache.find(path)) {
        const bool wasListed = IndexOf(old) >= 0;
        ReplaceFichier(old, std::move(record));
        TAbstractListFichier *fresh = m_cache.find(path);
        if (!wasListed)
            AddRecord(fresh, select);
        else if (select)
            selectRecord(fresh);
        return IndexOf(fresh) >= 0 ? fresh : nullptr;
    }
    TAbstractListFichier *fresh = record.get();
    m_cache.insert(std::move(record), FileStampOf(path));
    return AddRecord(fresh, select) >= 0 ? fresh : nullptr;
}

void TFichierListModel::RemoveFichier(const TAbstractListFichier *record)
{
    if (!m_cache.owns(record))
        return;
    RemoveRecord(record);
    forget(record);
    m_cache.drop(record);
}

void TFichierListModel::ReplaceFichier(const TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record)
{
    if (!record)
        return;
    if (!m_cache.owns(old)) {
        AddFichier(std::move(record), false);
        return;
    }
    const QString path = record->fullPath();
    bool listed = false, selected = false, active = false;
    // The old record, and a record cached under the new path (a file renamed
    // over a listed one), leave the items.
    const auto leave = [&](const TAbstractListFichier *gone) {
        if (const int at = IndexOf(gone); at >= 0) {
            listed = true;
            selected = selected || m_items[size_t(at)].selected;
            removeItem(at);
        }
        active = active || gone == m_active;
        forget(gone);
    };
    leave(old);
    if (const TAbstractListFichier *other = m_cache.find(path); other && other != old)
        leave(other);
    if (old->fullPath() != path)
        m_cache.drop(old);
    const TFileStamp stamp = FileStampOf(path);
    m_cache.replace(std::move(record), stamp);
    TAbstractListFichier *fresh = m_cache.find(path);
    if (listed)
        insertItem(fresh, selected || active);
    if (active)
        setActiveRecord(fresh);
    refresh();
}

// --- opening ---

void TFichierListModel::startOpening(TOpenMode mode, const QStringList &paths)
{
    TOpenRequest request;
    request.mode = mode;
    request.filter = m_filter;
    for (const QString &path : paths)
        if (!path.isEmpty())
            request.paths.append(QFileInfo(path).absoluteFilePath());
    m_opener->Start(std::move(request));
}

void TFichierListModel::OpenPaths(const QStringList &paths)
{
    startOpening(TOpenMode::omPaths, paths);
}

void TFichierListModel::OpenFolder(const QString &folder)
{
    startOpening(TOpenMode::omFolder, {folder});
}

void TFichierListModel::OpenPlayList(const QString &playList)
{
    startOpening(TOpenMode::omPlayList, {playList});
}

void TFichierListModel::OpenPreferredFolder()
{
    OpenFolder(m_preferredFolder);
}

bool TFichierListModel::OpenPreferredPlayList()
{
    if (m_preferredPlayList.isEmpty() || !QFileInfo(m_preferredPlayList).isFile())
        return false;
    OpenPlayList(m_preferredPlayList);
    return true;
}

void TFichierListModel::OpenAllDisks()
{
    startOpening(TOpenMode::omAllDisks, {});
}

void TFichierListModel::PasteFiles(const QStringList &paths)
{
    startOpening(TOpenMode::omPaste, paths);
}

bool TFichierListModel::PasteFiles()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QStringList paths = LocalPaths(QGuiApplication::clipboard()->mimeData());
    if (paths.isEmpty())
        return false;
    PasteFiles(paths);
    return true;
}

void TFichierListModel::OpenDropped(const QStringList &paths)
{
    startOpening(TOpenMode::omDrop, paths);
}

void TFichierListModel::StopOpening()
{
    m_opener->Stop();
}

QStringList TFichierListModel::LocalPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

bool TFichierListModel::openHolds(const QString &fullPath, const TFileStamp &stamp) const
{
    return m_cache.holds(fullPath, stamp);
}

void TFichierListModel::openStarted()
{
    emit OnOpenStart();
}

void TFichierListModel::openFolderFound(const QString &folder)
{
    emit OnOpenFolderFound(folder);
}

void TFichierListModel::openFileFound(const QString &fullPath, const TFileStamp &stamp,
                                      std::unique_ptr<TAbstractListFichier> record)
{
    if (record && !m_cache.holds(fullPath, stamp)) {
        // A new record, or one for a file that changed since it was cached:
        // the older record is retired and the new one takes its item.
        TAbstractListFichier *fresh = record.get();
        if (TAbstractListFichier *old = m_cache.insert(std::move(record), stamp)) {
            if (const int at = IndexOf(old); at >= 0) {
                const bool selected = m_items[size_t(at)].selected;
                removeItem(at);
                insertItem(fresh, selected);
            }
            if (m_active == old)
                setActiveRecord(fresh);
        }
    }
    TAbstractListFichier *listed = m_cache.find(fullPath);
    if (!listed)
        return; // dropped by a command meanwhile
    if (AddRecord(listed, m_selectionnerOuverts) < 0)
        return;
    if (fullPath == m_pendingActive)
        activatePending(listed);
    emit OnOpenFileFound(listed->folder(), listed);
}

void TFichierListModel::openFileFailed(const QString &fullPath, const QString &reason)
{
    emit OnOpenFileError(fullPath, reason);
}

void TFichierListModel::openEnded(int count)
{
    m_pendingActive.clear();
    emit OnOpenEnd(count);
}

// --- play lists ---

bool TFichierListModel::SavePlayList(const QString &fileName, const QString &titre, const QString &slogan,
                                     QString *errorString)
{
    TPlayListHeader header{titre, slogan, m_sortIndex, QDateTime::currentDateTime()};
    return WritePlayList(PlayListSaveName(fileName), GetPaths(), header, errorString);
}

bool TFichierListModel::SavePreferredPlayList(const QString &titre, const QString &slogan, QString *errorString)
{
    if (m_preferredPlayList.isEmpty()) {
        if (errorString)
            *errorString = QStringLiteral("No preferred play list is set");
        return false;
    }
    TPlayListHeader header{titre, slogan, m_sortIndex, QDateTime::currentDateTime()};
    return WritePlayList(m_preferredPlayList, GetPaths(), header, errorString);
}
