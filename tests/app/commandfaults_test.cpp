// Faults of the commands met on real systems: the interval of the scenes of
// fixed duration, where outputs go without a documents folder or with an
// output folder that is gone, and writes that fail with the system's reason.

#include "clirun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

class CommandFaults : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(CommandFaults, IntervalComesFromTheSettingAndMustBeAWholeNumberOfSeconds)
{
    const QString tape = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "100", "--type", "2", tape}).exitCode, 0);
    struct TCase
    {
        QStringList options;
        int exitCode;
        int scenes; // -1: no scene file expected
    };
    const TCase cases[] = {
        {{}, 0, 1},                         // Intervalle 20 s: one scene of the 4 s
        {{"--set", "Intervalle=1"}, 0, 4},  // 25, 25, 25, 25
        {{"--set", "Intervalle=1", "--param=3"}, 0, 2}, // the parameter wins: 75, 25
        {{"--set", "Intervalle=0"}, 2, -1},
        {{"--set", "Intervalle=2.5"}, 2, -1},
        {{"--set", "Intervalle=abc"}, 2, -1},
        {{"--param=-3"}, 2, -1},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QFile::remove(path("tape.scn"));
        const TRun r = cli(QStringList{"CreerScnByIntervalle", "--yes"} + c.options + QStringList{tape});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.constData();
        if (c.scenes < 0) {
            EXPECT_FALSE(QFile::exists(path("tape.scn")));
        } else {
            EXPECT_EQ(cli({"scenes", tape}).rows().size(), 1 + c.scenes);
        }
    }
}

// Outputs with SameFolder off: the output folder, else the documents folder,
// else the home folder; an output folder that is gone is said once, before any file.
TEST_F(CommandFaults, OutputFolderFallsBackToHomeAndAMissingOneIsReportedOnce)
{
    const QString tape = path("tape.avi"), other = path("other.avi");
    ASSERT_EQ(sample({"--frames", "10", "--type", "2", tape}).exitCode, 0);
    ASSERT_TRUE(QFile::copy(tape, other));
    const QString home = path("home");
    ASSERT_TRUE(QDir().mkpath(home + "/.config"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    const auto convert = [&](const QStringList &settings) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"),
                QStringList{"ConvertirDV1", "--yes", "--set", "SameFolder=false"} + settings + QStringList{tape, other});
        p.waitForFinished(120000);
        return TRun{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    };

    TRun r = convert({});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(QFileInfo::exists(home + "/tape_type1.avi")) << "no documents folder: the home folder";
    ASSERT_TRUE(QDir().mkpath(home + "/Documents"));
    r = convert({});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(QFileInfo::exists(home + "/Documents/tape_type1.avi"));

    r = convert({"--set", "DossierSave=" + path("gone")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count("The output folder " + path("gone").toUtf8() + " does not exist"), 1) << r.err.constData();
    EXPECT_FALSE(r.err.contains("Converting")) << "no file is started";
    EXPECT_FALSE(r.err.contains("none of the files"));
}

// Writes that fail give the system's reason: an output whose name is taken by
// a folder, a file size limit (as a full disk stops a write), a full device.
TEST_F(CommandFaults, FailedWritesReportTheSystemsReason)
{
    const QString tape = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "60", "--type", "2", tape}).exitCode, 0);
    struct TCase
    {
        QStringList args;
        const char *folder;    // made where the output goes; null: none
        int fileSizeLimitKb;   // 0: none
        const char *reason;
    };
    const TCase cases[] = {
        {{"CreerSrt"}, "tape.srt", 0, "cannot create"},
        {{"CreerScnByDate"}, "tape.scn", 0, "cannot create"},
        {{"CreerScnByIntervalle", "--param=1"}, "tape.scn", 0, "cannot create"},
        {{"ExtraireAudio"}, "tape.wav", 0, "Is a directory"},
        {{"ConvertirDV1"}, "tape_type1.avi", 0, "Is a directory"},
        {{"ExtraireAudio"}, nullptr, 64, "File too large"},
        {{"ConvertirDV1"}, nullptr, 64, "File too large"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString() + (c.folder ? " into a folder" : " past a size limit"));
        for (const char *name : {"tape.srt", "tape.scn", "tape.wav", "tape_type1.avi"})
            QFile::remove(path(name));
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(path(c.folder)));
        }
        const QStringList args = c.args + QStringList{"--yes", tape};
        // The limit as a shell sets it, with the signal it raises ignored so that the write fails instead.
        const TRun r = c.fileSizeLimitKb
                           ? run("sh", QStringList{"-c", QStringLiteral("ulimit -f %1; trap '' XFSZ; exec \"$0\" \"$@\"")
                                                             .arg(c.fileSizeLimitKb),
                                                   QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli")} + args)
                           : cli(args);
        EXPECT_EQ(r.exitCode, 1) << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.constData();
        if (c.folder) {
            EXPECT_TRUE(r.err.contains("Is a directory")) << r.err.constData();
            QDir(path(c.folder)).removeRecursively();
        }
        EXPECT_FALSE(r.err.contains("Unknown error")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("File exists")) << r.err.constData();
    }

    if (QFileInfo::exists("/dev/full")) {
        const TRun r = run("sh", {"-c", QStringLiteral("exec \"$0\" frames \"$1\" > /dev/full"),
                                  QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), tape});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("No space left on device")) << r.err.constData();
    }
}

TEST_F(CommandFaults, DateFichierSaysItSetsOnlyTheModificationTime)
{
    const TRun r = cli({"DateFichier", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Only the modification time is set")) << r.out.constData();
}

} // namespace
