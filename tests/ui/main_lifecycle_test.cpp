// The window's start-up and close: the command line, the settings saved
// after the commands were stopped, and the program itself run as a user runs it.

#include "main_fixture.h"

#include "framework/storedsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

TEST_F(TMainWindowTest, CloseWhileACommandRunsAbortsAndWaitsBeforeSaving)
{
    showForm();
    listSamples({QStringLiteral("long.avi")}, {QStringLiteral("--frames"), QStringLiteral("1500")});
    form->gp().SetMode(TSavePreferences::spRegistre);
    bool savedWhileRunning = true;
    bool abortedBeforeSave = false;
    int saves = 0;
    QObject::connect(&form->gp(), &TBrontelPreferences::savePrefs, form.get(), [&] {
        ++saves;
        savedWhileRunning = form->ce().isRunning();
        abortedBeforeSave = form->ce().AbortedAll();
    });
    act<TNopeAction>("ccCreerSrt")->Execute();
    ASSERT_TRUE(form->ce().isRunning());
    EXPECT_TRUE(form->close());
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(savedWhileRunning);
    EXPECT_TRUE(abortedBeforeSave);
    EXPECT_FALSE(form->ce().isRunning());
    form.reset();
    // What was saved is there for the next run.
    TBrontelPreferences store(TPreferencesPlaces::At(QStringLiteral("Tarvex"), dir.filePath(QStringLiteral("program/tarvex")),
                                                     dir.filePath(QStringLiteral("config"))));
    store.LoadAtStart();
    ASSERT_TRUE(store.OpenKey(settings::MainWindowKey.toString()));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Volume"), -1), 5000);
}

TEST_F(TMainWindowTest, SwitchesSetActionsAfterTheSettingsAreLoaded)
{
    const QString path = MakeSampleRecording(dir, QStringLiteral("one.avi"), {QStringLiteral("--frames"), QStringLiteral("5")});
    ASSERT_FALSE(path.isEmpty());
    makeForm({path, QStringLiteral("/Volume=7000"), QStringLiteral("-ww")});
    showForm();
    EXPECT_EQ(act<TIntegerAction>("iaVolume")->value(), 7000);
    EXPECT_EQ(form->playedVolume(), 7000);
    EXPECT_FALSE(act<TCheckAction>("caListeGauche")->value());
    ASSERT_EQ(form->fileList().count(), 1);
    EXPECT_EQ(form->fileList().record(0)->fullPath(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(form->vue(), 0);
}

// The program with its own configuration folder, holding a store so that the
// first quit does not ask where to save.
struct TProgramRun
{
    int exitCode = -1;
    QByteArray err;
};

TProgramRun RunTarvex(const QStringList &args, const QString &config, bool display)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (display)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex"), args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError()};
}

TEST(TarvexProgram, CreatesSubtitlesFromTheCommandLineAndQuits)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/Orin Brontel")));
    QFile store(config + QStringLiteral("/Orin Brontel/Tarvex.conf"));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.close();
    const QString video = MakeSampleRecording(dir, QStringLiteral("trip.avi"), {QStringLiteral("--frames"), QStringLiteral("60")});
    ASSERT_FALSE(video.isEmpty());
    const QString srt = dir.filePath(QStringLiteral("trip.srt"));

    const TProgramRun run = RunTarvex({video, QStringLiteral("/sr"), QStringLiteral("/quit")}, config, true);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(QFileInfo::exists(srt));
    QFile subtitles(srt);
    ASSERT_TRUE(subtitles.open(QIODevice::ReadOnly));
    EXPECT_TRUE(subtitles.readAll().contains(" --> "));
    // The run kept its settings and list.
    QFile kept(config + QStringLiteral("/Orin Brontel/Tarvex.conf"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().contains("trip.avi"));
}

TEST(TarvexProgram, WithoutADisplaySaysSoAndFails)
{
    QTemporaryDir dir;
    const TProgramRun run = RunTarvex({}, dir.path(), false);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no display")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("tarvex-cli")) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
}

} // namespace
