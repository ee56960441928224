// The rename, file-date, codec and frame-rate commands, run through the
// command engine on sample recordings, and through tarvex-cli.

#include "enginefixture.h"

#include "avi/records/avifichier.h"
#include "avi/fpsunit.h"
#include "commands/renamecommands.h"
#include "commands/udmaction.h"
#include "pipelines/builders/convertirdvunit.h"
#include "support/samplerecording.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>

#include <cstring>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RenameCommandsTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        engine.setFichierClass([](const QString &p) -> std::unique_ptr<TAbstractListFichier> {
            return std::make_unique<TAfficherFichier>(p);
        });
    }
    // A recording of 2005-06-07 10:00:00, listed and selected.
    QString addRecording(const QString &name, const QStringList &extra = {})
    {
        const QString p = MakeSampleRecording(dir, name, QStringList{"--frames", "6", "--start", "2005-06-07T10:00:00"} + extra);
        EXPECT_FALSE(p.isEmpty());
        list.items.push_back({std::make_unique<TAfficherFichier>(p), true});
        return p;
    }
    const TaviFichier &video(int i) const { return dynamic_cast<const TaviFichier &>(*list.record(i)); }

    TCdm cdm;
    TdmAction actions{cdm};
};

TEST(ShortenName, TailsCutAndCondition)
{
    struct Case
    {
        const char *path;
        const char *base;
        bool enabled;
    };
    const Case cases[] = {
        {"/v/Holidays_dvtype2_2005.06.07_pal.avi", "/v/Holidays", true},
        {"/v/Holidays_type2.avi", "/v/Holidays", true},
        {"/v/My_Holidays.avi", "/v/My_Holidays", false},
        {"/v/Trip_12h.avi", "/v/Trip", true},
        {"/v/Trip_2005.avi", "/v/Trip", false},
        {"/v/Trip_(-1h30mn).avi", "/v/Trip", true},
        {"/v/Trip_ PAL .avi", "/v/Trip", true},
        {"/v/Trip.avi", "/v/Trip", false},
        // Folders are never examined nor cut.
        {"/v/my_2005/clip.avi", "/v/my_2005/clip", false},
        {"/v/_pal.avi", "/v/_pal", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ShortenedBase(QString::fromUtf8(c.path)), QString::fromUtf8(c.base)) << c.path;
        EXPECT_EQ(ShortenNameEnabled(QString::fromUtf8(c.path)), c.enabled) << c.path;
    }
}

TEST(FreeNames, NumberedBeforeTheExtensionNeverOnAPreviousAttempt)
{
    QTemporaryDir dir;
    const auto touch = [&](const QString &n) {
        QFile f(dir.filePath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(FreeNumberedPath(dir.filePath("a.avi")), dir.filePath("a.avi"));
    touch("a.avi");
    EXPECT_EQ(FreeNumberedPath(dir.filePath("a.avi")), dir.filePath("a_1.avi"));
    touch("a_1.avi");
    EXPECT_EQ(FreeNumberedPath(dir.filePath("a.avi")), dir.filePath("a_2.avi"));
    touch("noext");
    EXPECT_EQ(FreeNumberedPath(dir.filePath("noext")), dir.filePath("noext_1"));
    touch("s.avi");
    EXPECT_EQ(FreeShortenedPath(dir.filePath("s")), dir.filePath("s_1.avi"));
    for (const char *bad : {"", ".", ".."})
        EXPECT_FALSE(IsUsableFileName(dir.path() + "/" + QString::fromUtf8(bad))) << bad;
}

TEST(Parameters, CodecAndFrameRateAsTheDialogsGiveThem)
{
    EXPECT_EQ(CodecParameter("dvsd"), QString("dvsd"));
    EXPECT_EQ(CodecParameter("ab"), QString("ab  "));
    for (const char *bad : {"", "abcde", "a\tb"})
        EXPECT_FALSE(CodecParameter(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(FrameRateParameter("25"), 25.0);
    EXPECT_EQ(FrameRateParameter("29.97"), 29.97);
    for (const char *bad : {"", "abc", "0", "-25", "nan", "inf", "1e9"})
        EXPECT_FALSE(FrameRateParameter(QString::fromUtf8(bad))) << bad;
}

TEST_F(RenameCommandsTest, AddDatecodeNumbersTakenNamesAndNeverOverwrites)
{
    actions.renameSettings.formatAjouterDatecode = "yyyy.mm.dd";
    const QString clip = addRecording("clip.avi");
    touch("clip_2005.06.07.avi", "keep");
    touch("clip.scn", "scenes");
    touch("clip.srt", "subtitles");
    ASSERT_TRUE(runToEnd(actions.AjouterDatecode));
    EXPECT_FALSE(QFileInfo::exists(clip));
    EXPECT_EQ(ReadAll(path("clip_2005.06.07.avi")), "keep");
    EXPECT_TRUE(QFileInfo::exists(path("clip_2005.06.07_1.avi")));
    EXPECT_EQ(ReadAll(path("clip_2005.06.07_1.scn")), "scenes");
    EXPECT_EQ(ReadAll(path("clip_2005.06.07_1.srt")), "subtitles");
    EXPECT_EQ(list.paths(), QStringList{path("clip_2005.06.07_1.avi")});
    ASSERT_EQ(answerer.questions.size(), 1);
    EXPECT_EQ(answerer.questions[0], "Do you want to rename clip.avi to " + path("clip_2005.06.07_1.avi") + " ?");
}

TEST_F(RenameCommandsTest, NamesFromTemplatesAndSettings)
{
    struct Case
    {
        const char *command;
        const char *setting;
        const char *expected; // %T: the record's timecode text
    };
    const Case cases[] = {
        {"AjouterDatecode", "before", "2005.06.07_v.avi"},
        {"AjouterTimecode", "before", "%T_v.avi"},
        {"AjouterTimecode", "", "v_%T.avi"},
        {"Renommer", "", "Clip 20050607.avi"},
    };
    for (const Case &c : cases) {
        list.items.clear();
        const QString p = addRecording(QStringLiteral("v.avi"));
        TRenameSettings &s = actions.renameSettings;
        s = DefaultRenameSettings();
        s.formatRenommer = "yyyymmdd";
        s.formatAjouterDatecode = "yyyy.mm.dd";
        s.templateRenommer = "Clip %D%E";
        s.datecodeAvant = s.timecodeAvant = QByteArray(c.setting) == "before";
        const QString expected = QString::fromUtf8(c.expected).replace("%T", video(0).texts().timecode);
        ASSERT_TRUE(runToEnd(*actions.find(c.command))) << c.command;
        EXPECT_TRUE(QFileInfo::exists(path(expected))) << c.command << " " << expected.toStdString();
        EXPECT_EQ(list.paths(), QStringList{path(expected)});
        QFile::remove(path(expected));
        QFile::remove(p);
    }
}

TEST_F(RenameCommandsTest, NamesThatAreNoFileNameAreRefused)
{
    const QString clip = addRecording("clip.avi");
    for (const char *nameTemplate : {"", ".", ".."}) {
        actions.renameSettings.templateRenommer = QString::fromUtf8(nameTemplate);
        ASSERT_TRUE(runToEnd(actions.Renommer));
        EXPECT_TRUE(QFileInfo::exists(clip)) << nameTemplate;
        EXPECT_EQ(list.paths(), QStringList{clip});
    }
}

TEST_F(RenameCommandsTest, ShortenNameRenamesCompanionsAndKeepsTakenNames)
{
    const QString p = addRecording("Holidays_dvtype2_2005.06.07_pal.avi");
    touch("Holidays.avi", "keep");
    touch("Holidays_dvtype2_2005.06.07_pal.scn", "scenes");
    ASSERT_TRUE(runToEnd(actions.PurgerNom));
    EXPECT_EQ(ReadAll(path("Holidays.avi")), "keep");
    EXPECT_TRUE(QFileInfo::exists(path("Holidays_1.avi")));
    EXPECT_EQ(ReadAll(path("Holidays_1.scn")), "scenes");
    EXPECT_FALSE(QFileInfo::exists(p));
}

TEST_F(RenameCommandsTest, ConditionsNeedADatecodeOrATimecode)
{
    addRecording("clip.avi");
    touch("plain.avi", "not a video");
    list.add(path("plain.avi"), true);
    // The same file as the engine lists it: a video record of a file that is no video.
    list.items.push_back({std::make_unique<TAfficherFichier>(path("plain.avi")), true});
    for (tAbstractCmd *cmd : {static_cast<tAbstractCmd *>(&actions.AjouterDatecode), static_cast<tAbstractCmd *>(&actions.Renommer),
                              static_cast<tAbstractCmd *>(&actions.DateFichier), static_cast<tAbstractCmd *>(&actions.AjouterTimecode)}) {
        bool visible = false, enabled = false;
        cmd->DoFileCondition(list.record(0), visible, enabled);
        EXPECT_TRUE(enabled) << cmd->name.toStdString();
        for (int i : {1, 2}) {
            cmd->DoFileCondition(list.record(i), visible, enabled);
            EXPECT_FALSE(enabled || visible) << cmd->name.toStdString() << " on record " << i;
        }
    }
}

TEST_F(RenameCommandsTest, FileDatesSetFromTheDatecode)
{
    const QString clip = addRecording("clip.avi");
    ASSERT_TRUE(runToEnd(actions.DateFichier));
    EXPECT_EQ(QFileInfo(clip).lastModified(), QDateTime(QDate(2005, 6, 7), QTime(10, 0, 0)));
    ASSERT_EQ(answerer.questions.size(), 1);
    EXPECT_TRUE(answerer.questions[0].startsWith("Do you really want to modify the dates of the file 'clip.avi'\r\n\r\nOld creation date: "));
    EXPECT_TRUE(answerer.questions[0].endsWith("\r\nNew date : " + FormatDateTime("ddddd tt", *video(0).facts().firstDatecode)));
    EXPECT_EQ(video(0).lastWriteTime(), QDateTime(QDate(2005, 6, 7), QTime(10, 0, 0))) << "the record is rebuilt";
}

TEST_F(RenameCommandsTest, LongFileNameQuestionLeavesTheNameOut)
{
    addRecording(QString(200, 'x') + ".avi");
    answerer.answers = {mrNo};
    ASSERT_TRUE(runToEnd(actions.DateFichier));
    ASSERT_EQ(answerer.questions.size(), 1);
    EXPECT_TRUE(answerer.questions[0].startsWith("Do you really want to modify the dates of this file?\r\n\r\nOld creation date: "));
}

TEST_F(RenameCommandsTest, CodecWrittenInPlaceAlsoOnAReadOnlyFile)
{
    const QString type2 = addRecording("t2.avi", {"--type", "2"});
    const QString type1 = addRecording("t1.avi", {"--type", "1"});
    QFile::setPermissions(type2, QFile::permissions(type2) & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther));
    const qint64 size = QFileInfo(type2).size();
    ASSERT_TRUE(runToEnd(actions.ModifierCodec, {"ab"}));
    EXPECT_EQ(ReadCodec(type2), CodeFromText("ab  "));
    EXPECT_EQ(ReadCodec(type1), CodeFromText("ab  "));
    EXPECT_EQ(QFileInfo(type2).size(), size);
    EXPECT_FALSE(QFile::permissions(type2) & QFile::WriteOwner) << "read-only again";
    EXPECT_TRUE(answerer.questions.value(0).startsWith("Do you want to change the codec \"dvsd\" from t2.avi to \"ab  \" ?"));

    QFile::setPermissions(type2, QFile::permissions(type2) | QFile::WriteOwner);
    ASSERT_TRUE(runToEnd(actions.ModifierCodec, {"CDVC"}));
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_tag_string", "-of", "csv=p=0", type2});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "CDVC");
}

TEST_F(RenameCommandsTest, FrameRateWrittenToScaleAndRate)
{
    const QString p = addRecording("t2.avi", {"--type", "2"});
    const qint64 size = QFileInfo(p).size();
    ASSERT_TRUE(runToEnd(actions.FrequenceVideo, {"29.97"}));
    const TVideoHeaderPositions at = LocateVideoHeader(p);
    const QByteArray bytes = ReadAll(p);
    ASSERT_GT(at.scale, 0);
    quint32 scaleRate[2] = {};
    std::memcpy(scaleRate, bytes.constData() + at.scale, 8);
    EXPECT_EQ(scaleRate[0], 33367u);
    EXPECT_EQ(scaleRate[1], 1000000u);
    EXPECT_EQ(QFileInfo(p).size(), size);
    EXPECT_NEAR(video(0).facts().frameRate, 29.97, 0.01) << "the record is rebuilt";
    EXPECT_EQ(answerer.questions.value(0), "Do you want to change the frequency 25 from  t2.avi to 29.97 ?");
}

TEST_F(RenameCommandsTest, RefusedParametersRunNothing)
{
    const QString p = addRecording("t2.avi", {"--type", "2"});
    const QByteArray before = ReadAll(p);
    for (const char *bad : {"", "abcde"})
        EXPECT_FALSE(engine.ExecuteCommand(&actions.ModifierCodec, {QString::fromUtf8(bad)})) << bad;
    for (const char *bad : {"", "x", "0", "-25"})
        EXPECT_FALSE(engine.ExecuteCommand(&actions.FrequenceVideo, {QString::fromUtf8(bad)})) << bad;
    EXPECT_EQ(ReadAll(p), before);
}

TEST_F(RenameCommandsTest, FrameRateNotOfferedForTypeOne)
{
    addRecording("t1.avi", {"--type", "1"});
    bool visible = true, enabled = true;
    actions.FrequenceVideo.DoFileCondition(list.record(0), visible, enabled);
    EXPECT_FALSE(enabled);
}

TEST(RenameCli, SettingsAndParametersFromTheCommandLine)
{
    QTemporaryDir dir;
    const QString p = MakeSampleRecording(dir, "clip.avi", {"--frames", "4", "--start", "2005-06-07T10:00:00"});
    ASSERT_FALSE(p.isEmpty());
    const auto cli = [](const QStringList &args) {
        QProcess process;
        process.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), args);
        process.waitForFinished(60000);
        return process.exitCode();
    };
    EXPECT_EQ(cli({"ModifierCodec", "--yes", "--param=toolong", p}), 2);
    EXPECT_EQ(cli({"FrequenceVideo", "--yes", "--param=0", p}), 2);
    EXPECT_EQ(cli({"ModifierCodec", "--yes", "--param=dsvd", p}), 0);
    EXPECT_EQ(ReadCodec(p), CodeFromText("dsvd"));
    EXPECT_EQ(cli({"AjouterDatecode", "--yes", "--set", "FormatAjouterDatecode=yyyy.mm.dd", "--set", "DatecodeAvant=true", p}), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("2005.06.07_clip.avi")));
    EXPECT_EQ(cli({"AjouterDatecode", "--yes", "--set", "DatecodeAvant=maybe", dir.filePath("2005.06.07_clip.avi")}), 2);
}

} // namespace
