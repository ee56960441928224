#pragma once

// The main window as the program makes it, with the settings of a temporary
// folder (nothing stored there unless a test stores it; the close saves
// nothing and asks nobody).

#include "commands/udmaction.h"
#include "pipelines/builders/convertirdvunit.h"
#include "pipelines/playback/viewgraph.h"
#include "support/samplerecording.h"
#include "ui/main.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

// Runs the event loop until done() or ms have passed; done()'s last answer.
inline bool PumpUntil(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class TMainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        makeForm({});
    }
    void TearDown() override
    {
        if (form)
            form->close();
        form.reset();
    }

    void makeForm(const QStringList &arguments)
    {
        if (form)
            form->close();
        form.reset();
        TUIFormSetup setup;
        setup.places = TPreferencesPlaces::At(QStringLiteral("Tarvex"), dir.filePath(QStringLiteral("program/tarvex")),
                                              dir.filePath(QStringLiteral("config")));
        setup.machine.screenSize = [] { return QSize(1920, 1080); };
        setup.machine.siblingProgram = [] { return QString(); };
        setup.arguments = arguments;
        setup.askSaveMode = [](const TSavePrefsQuestion &) { return std::optional<TSavePreferences>(TSavePreferences::spNone); };
        form = std::make_unique<TUIForm>(actions, playback, std::move(setup));
    }

    // Shows the window and waits for its start-up (settings, files, switches).
    void showForm()
    {
        form->show();
        ASSERT_TRUE(PumpUntil([this] { return form->startedUp() && !form->fileList().isOpening() && !form->ce().isRunning(); }));
    }

    // Lists recordings made by tarvex-sample and waits until they are listed.
    void listSamples(const QStringList &names, const QStringList &options = {QStringLiteral("--frames"), QStringLiteral("10")})
    {
        QStringList paths;
        for (const QString &name : names) {
            const QString path = MakeSampleRecording(dir, name, options);
            ASSERT_FALSE(path.isEmpty()) << name.toStdString();
            paths << path;
        }
        form->fileList().OpenPaths(paths);
        ASSERT_TRUE(PumpUntil([this, n = names.size()] { return !form->fileList().isOpening() && form->fileList().count() == n; }));
    }

    template <typename A = TCustomAbstractAction>
    A *act(const char *name)
    {
        auto *a = dynamic_cast<A *>(form->action(QString::fromLatin1(name)));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }

    QTemporaryDir dir;
    Tviewdm playback;
    TCdm cdm;
    TdmAction actions{cdm};
    std::unique_ptr<TUIForm> form;
};
