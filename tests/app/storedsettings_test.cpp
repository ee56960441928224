// tarvex-cli and the settings the window stored: read from the same store,
// overridden by --set, ignored with --defaults, and never written.

#include "framework/preferences.h"
#include "framework/storedsettings.h"
#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class StoredSettings : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QString config() const { return path("config"); }

    // The window's store with the given settings, as the window saves it.
    void store(const std::vector<std::pair<const char *, settings::TValue>> &values)
    {
        ASSERT_TRUE(QDir().mkpath(config()));
        const TPreferencesPlaces places =
            TPreferencesPlaces::At(QStringLiteral("Tarvex"), path("program/tarvex"), config());
        TBrontelPreferences gp(places);
        gp.SetMode(TSavePreferences::spRegistre);
        ASSERT_TRUE(gp.OpenKey(settings::MainWindowKey.toString()));
        for (const auto &[key, value] : values)
            ASSERT_TRUE(settings::WriteStored(gp, settings::Get(QString::fromLatin1(key)), value)) << key;
        ASSERT_TRUE(gp.CloseKey());
    }
    QByteArray storeBytes() const
    {
        QFile file(config() + "/Orin Brontel/Tarvex.conf");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    TRun cliWithStore(const QStringList &args) const
    {
        return run(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), args, 120000, config());
    }
    // The text of the first subtitle of the video's subtitle file.
    QByteArray firstSubtitle(const QString &video) const
    {
        QFile file(QString(video).replace(".avi", ".srt"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QList<QByteArray> lines = file.readAll().split('\n');
        return lines.size() > 2 ? lines[2].trimmed() : QByteArray();
    }
};

TEST_F(StoredSettings, CommandsStartFromTheWindowsStore)
{
    store({{"FormatDatecode1", QStringLiteral("yyyy")}, {"Volume", qint32(7000)}, {"IncrustX", qint32(100)}});
    const QByteArray before = storeBytes();
    ASSERT_FALSE(before.isEmpty());

    const TRun listed = cliWithStore({"settings"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.constData();
    EXPECT_TRUE(listed.err.contains("Tarvex.conf"));
    EXPECT_TRUE(listed.out.contains("\nFormatDatecode1\ttext\tddddd\tyyyy\tyes\n"));
    EXPECT_TRUE(listed.out.contains("\nVolume\tinteger\t5000\t7000\tno\n"));
    EXPECT_TRUE(listed.out.contains("\nFormatDatecode2\ttext\ttt\t-\tyes\n"));

    const QString video = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "30", video}).exitCode, 0);
    const struct
    {
        QStringList options;
        QByteArray line; // the first subtitle's first line
    } cases[] = {
        {{}, "2007"},                                    // the stored format
        {{"--set", "FormatDatecode1=mm"}, "12"},         // this run's
        {{"--defaults"}, ""},                            // the default ddddd: the locale's short date
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const TRun r = cliWithStore(QStringList{"CreerSrt", "--yes"} + c.options + QStringList{video});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QByteArray line = firstSubtitle(video);
        if (c.line.isEmpty())
            EXPECT_TRUE(line.contains("31") && line.contains("2007") && line.size() > 4) << line.constData();
        else
            EXPECT_EQ(line, c.line);
    }
    EXPECT_EQ(storeBytes(), before) << "the store is only read";
}

TEST_F(StoredSettings, ADamagedStoreFallsBackToTheDefaults)
{
    ASSERT_TRUE(QDir().mkpath(config() + "/Orin Brontel"));
    QFile file(config() + "/Orin Brontel/Tarvex.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[UIForm]\nFormatDatecode1=yyyy\nIntervalle=lots\nWhenIncrust=\xff\xfe\x01\n[garbage\n\x00\x01\x02");
    file.close();
    const TRun listed = cliWithStore({"settings"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.constData();
    EXPECT_TRUE(listed.out.contains("\nFormatDatecode1\ttext\tddddd\tyyyy\tyes\n")) << listed.out.constData();
    const QString video = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "30", video}).exitCode, 0);
    const TRun r = cliWithStore({"CreerSrt", "--yes", video});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(firstSubtitle(video), QByteArray("2007"));
}

} // namespace

namespace {

// Folders and play lists on the command line give the files they name.
TEST(CommandLineFiles, FoldersAndPlayListsGiveTheirVideoFiles)
{
    QTemporaryDir dir;
    const auto path = [&dir](const QString &name) { return dir.filePath(name); };
    ASSERT_TRUE(QDir().mkpath(path("archive/1999/summer")));
    ASSERT_TRUE(QDir().mkpath(path("empty")));
    for (const char *name : {"archive/tape1.avi", "archive/1999/summer/tape2.avi", "loose.avi"})
        ASSERT_EQ(sample({"--frames", "10", path(QString::fromLatin1(name))}).exitCode, 0);
    QFile notes(path("archive/notes.doc"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    QFile list(path("tapes.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("# my tapes\r\n\r\n" + path("loose.avi").toUtf8() + "\r\n" + path("gone.avi").toUtf8() + "\r\n");
    list.close();

    TRun r = cli({"CreerScnByDate", path("archive"), path("tapes.list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    for (const char *name : {"archive/tape1.scn", "archive/1999/summer/tape2.scn", "loose.scn"})
        EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(name)))) << name;

    r = cli({"CreerScnByDate", path("empty")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no .avi file in the folder")) << r.err.constData();
}

} // namespace
