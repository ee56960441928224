#include "framework/fichiercache.h"

TAbstractListFichier *TFichierList::find(const QString &fullPath) const
{
    const auto it = m_entries.find(fullPath);
    return it == m_entries.end() ? nullptr : it->second.record.get();
}

bool TFichierList::owns(const TAbstractListFichier *record) const
{
    return record && find(record->fullPath()) == record;
}

bool TFichierList::holds(const QString &fullPath, const TFileStamp &stamp) const
{
    std::lock_guard guard(m_lock);
    const auto it = m_entries.find(fullPath);
    return it != m_entries.end() && it->second.stamp == stamp;
}

qsizetype TFichierList::size() const
{
    return qsizetype(m_entries.size());
}

TAbstractListFichier *TFichierList::insert(std::unique_ptr<TAbstractListFichier> record, const TFileStamp &stamp)
{
    const QString path = record->fullPath();
    std::lock_guard guard(m_lock);
    TEntry &entry = m_entries[path];
    TAbstractListFichier *old = entry.record.get();
    if (old)
        m_retired.push_back(std::move(entry.record));
    entry = {std::move(record), stamp};
    return old;
}

void TFichierList::replace(std::unique_ptr<TAbstractListFichier> record, const TFileStamp &stamp)
{
    std::unique_ptr<TAbstractListFichier> old;
    {
        const QString path = record->fullPath();
        std::lock_guard guard(m_lock);
        TEntry &entry = m_entries[path];
        old = std::move(entry.record);
        entry = {std::move(record), stamp};
    }
}

void TFichierList::drop(const TAbstractListFichier *record)
{
    if (!owns(record))
        return;
    std::unique_ptr<TAbstractListFichier> old;
    {
        std::lock_guard guard(m_lock);
        auto it = m_entries.find(record->fullPath());
        old = std::move(it->second.record);
        m_entries.erase(it);
    }
}
