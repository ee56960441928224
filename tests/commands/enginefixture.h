#pragma once

// A file list, an answerer and an event log for driving the command engine.

#include "commands/commandengine.h"
#include "commands/commandfilelist.h"
#include "framework/listfichier.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

inline bool OnMainThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Files in the order given; the list keeps that order.
class TFakeFileList final : public TCommandFileList
{
public:
    struct TItem
    {
        std::unique_ptr<TAbstractListFichier> record;
        bool selected = false;
    };
    std::vector<TItem> items;
    int current = -1;
    bool enabled = true;
    std::vector<bool> enabledLog;

    void add(const QString &path, bool selected)
    {
        items.push_back({std::make_unique<TSRFichier>(path), selected});
    }
    int indexOf(const QString &path) const
    {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].record->fullPath() == path)
                return int(i);
        return -1;
    }
    QStringList paths() const
    {
        QStringList out;
        for (const TItem &item : items)
            out << item.record->fullPath();
        return out;
    }

    int currentIndex() const override { return current; }
    int count() const override { return int(items.size()); }
    int selectedCount() const override
    {
        int n = 0;
        for (const TItem &item : items)
            n += item.selected ? 1 : 0;
        return n;
    }
    QString itemText(int index) const override { return items.at(size_t(index)).record->fileName(); }
    TAbstractListFichier *record(int index) const override { return items.at(size_t(index)).record.get(); }
    bool isSelected(int index) const override { return items.at(size_t(index)).selected; }
    void setSelected(int index, bool selected) override { items.at(size_t(index)).selected = selected; }
    void selectRecord(TAbstractListFichier *record) override
    {
        for (TItem &item : items)
            if (item.record.get() == record)
                item.selected = true;
    }
    void setEnabled(bool on) override
    {
        enabled = on;
        enabledLog.push_back(on);
    }
    void refreshActiveItem() override { ++activeRefreshes; }
    void refreshCounts() override { ++countRefreshes; }
    void addFichier(std::unique_ptr<TAbstractListFichier> record, bool selected) override
    {
        const int existing = indexOf(record->fullPath());
        if (existing >= 0)
            items[size_t(existing)].record = std::move(record);
        else
            items.push_back({std::move(record), selected});
    }
    void removeFichier(TAbstractListFichier *record) override
    {
        for (auto it = items.begin(); it != items.end(); ++it)
            if (it->record.get() == record) {
                items.erase(it);
                return;
            }
    }
    void replaceFichier(TAbstractListFichier *old, std::unique_ptr<TAbstractListFichier> record) override
    {
        for (TItem &item : items)
            if (item.record.get() == old)
                item.record = std::move(record);
    }

    int activeRefreshes = 0;
    int countRefreshes = 0;
};

// Gives scripted answers, then Yes.
class TScriptedAnswerer final : public TCommandAnswerer
{
public:
    std::deque<TModalResult> answers;
    QStringList questions;
    std::vector<bool> several;

    TModalResult ConfirmCommand(const QString &question, bool manyFiles) override
    {
        EXPECT_TRUE(OnMainThread()) << "questions are asked on the owner's thread";
        questions << question;
        several.push_back(manyFiles);
        if (answers.empty())
            return mrYes;
        const TModalResult a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Every event the owner receives, as text, checked to arrive on the owner's thread.
inline QStringList *ConnectEventLog(TCommandEngine &engine, QStringList &log)
{
    const auto on = [&log](const QString &text) {
        EXPECT_TRUE(OnMainThread()) << "events reach the owner's thread";
        log << text;
    };
    const auto name = [](TAbstractListFichier *f) { return f ? f->fileName() : QStringLiteral("-"); };
    QObject::connect(&engine, &TCommandEngine::OnStartCommand, [on] { on(QStringLiteral("start")); });
    QObject::connect(&engine, &TCommandEngine::OnEndCommand, [on] { on(QStringLiteral("end")); });
    QObject::connect(&engine, &TCommandEngine::OnStartFichier, [on, name](TAbstractListFichier *f, const QStringList &, int p) {
        on(QStringLiteral("file %1 %2").arg(name(f)).arg(p));
    });
    QObject::connect(&engine, &TCommandEngine::OnEndFichier, [on, name](TAbstractListFichier *f, const QStringList &, int p) {
        on(QStringLiteral("done %1 %2").arg(name(f)).arg(p));
    });
    QObject::connect(&engine, &TCommandEngine::OnMessageCommand, [on](const QString &m) { on(QStringLiteral("msg ") + m); });
    QObject::connect(&engine, &TCommandEngine::OnErrorCommand, [on](const QString &m, TErrorType t) {
        on(QStringLiteral("error%1 %2").arg(int(t)).arg(m));
    });
    return &log;
}

// A folder of small files and an engine working on a list of them.
class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        engine.setSourceFichierListbox(&list);
        engine.setDestFichierListbox(&list);
        engine.setAnswerer(&answerer);
        ConnectEventLog(engine, log);
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    void touch(const QString &name, const QByteArray &content = "x") const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    // Files that exist, all selected.
    void listFiles(const QStringList &names)
    {
        for (const QString &n : names) {
            touch(n);
            list.add(path(n), true);
        }
    }
    bool runToEnd(tAbstractCmd &cmd, const QStringList &params = {})
    {
        if (!engine.ExecuteCommand(&cmd, params))
            return false;
        EXPECT_TRUE(engine.waitForIdle(20000));
        return true;
    }

    QTemporaryDir dir;
    TFakeFileList list;
    TScriptedAnswerer answerer;
    QStringList log;
    TCommandEngine engine;
};
