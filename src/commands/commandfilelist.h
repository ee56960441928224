#pragma once

// What the command engine needs of a file list: the window's file list and
// the command-line tool's list of given files implement it. Every call is made
// on the thread that owns the engine. The list owns its records; the engine
// borrows them for the length of a run.

#include <QString>

#include <memory>

class TAbstractListFichier;

class TCommandFileList
{
public:
    virtual ~TCommandFileList() = default;

    virtual int currentIndex() const = 0; // -1 when there is no current item
    virtual int count() const = 0;
    virtual int selectedCount() const = 0;
    virtual QString itemText(int index) const = 0;
    virtual TAbstractListFichier *record(int index) const = 0;
    virtual bool isSelected(int index) const = 0;
    virtual void setSelected(int index, bool selected) = 0;
    // Marks the item of a listed record selected.
    virtual void selectRecord(TAbstractListFichier *record) = 0;

    // Enables or disables the control while a run takes its items.
    virtual void setEnabled(bool enabled) = 0;
    // Re-announces the active file when the record at the current index changed.
    virtual void refreshActiveItem() = 0;
    virtual void refreshCounts() = 0;

    // Adds a record in the list's order. When its path is already listed,
    // the listed record is replaced in place (and destroyed).
    virtual void addFichier(std::unique_ptr<TAbstractListFichier> record, bool selected) = 0;
    // Removes and destroys a listed record.
    virtual void removeFichier(TAbstractListFichier *record) = 0;
    // Puts a new record at the position of a listed one, which is destroyed.
    virtual void replaceFichier(TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record) = 0;
};
