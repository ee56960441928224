#pragma once

// The file list model seen as the command engine's file list: the window's
// engine takes its files from the list and hands produced and reloaded
// records back to it through this adapter.

#include "commands/commandfilelist.h"
#include "framework/fichierlistmodel.h"

class TModelFileList final : public TCommandFileList
{
public:
    explicit TModelFileList(TFichierListModel &list) : m_list(list) {}

    int currentIndex() const override { return m_list.activeIndex(); }
    int count() const override { return m_list.count(); }
    int selectedCount() const override { return m_list.selectedCount(); }
    QString itemText(int index) const override;
    TAbstractListFichier *record(int index) const override { return m_list.record(index); }
    bool isSelected(int index) const override { return m_list.isSelected(index); }
    void setSelected(int index, bool selected) override { m_list.setSelected(index, selected); }
    void selectRecord(TAbstractListFichier *record) override { m_list.selectRecord(record); }

    void setEnabled(bool enabled) override { m_list.setEnabled(enabled); }
    void refreshActiveItem() override { m_list.RefreshActive(); }
    void refreshCounts() override { m_list.RefreshCounts(); }

    void addFichier(std::unique_ptr<TAbstractListFichier> record, bool selected) override
    {
        m_list.AddFichier(std::move(record), selected);
    }
    void removeFichier(TAbstractListFichier *record) override { m_list.RemoveFichier(record); }
    void replaceFichier(TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record) override
    {
        m_list.ReplaceFichier(old, std::move(record));
    }

private:
    TFichierListModel &m_list;
};
