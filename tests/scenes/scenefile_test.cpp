#include "scenetestsupport.h"

#include "avi/bytesource.h"
#include "scenes/scenefile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

TSceneClass Scene(quint32 start, quint32 end, const char *caption = "", const char *subtitle = "", quint32 thumbnail = 0)
{
    TSceneClass s(start, end);
    s.Caption = QString::fromUtf8(caption);
    s.SubTitle = QString::fromUtf8(subtitle);
    s.ThumbnailOffset = thumbnail;
    return s;
}

TBytes Header(const QString &videoPath)
{
    TBytes b;
    b.raw({0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00});
    b.raw({0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00}).ascii("SourceTape");
    b.wide(videoPath);
    b.raw({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00});
    return b;
}

struct ReadBack
{
    bool ok = false;
    std::vector<TSceneItem> items;
};

ReadBack Read(const QByteArray &bytes)
{
    ReadBack r;
    r.ok = ReadScnFile(TMemorySource(bytes), r.items);
    return r;
}

class SceneFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString video() const { return dir.filePath(QStringLiteral("clip.avi")); }
    QString scn() const { return dir.filePath(QStringLiteral("clip.scn")); }

    QByteArray write(const std::vector<TSceneClass> &scenes)
    {
        TwriteScene writer(video());
        for (const TSceneClass &s : scenes)
            EXPECT_TRUE(writer.AddScene(s));
        EXPECT_TRUE(writer.close());
        return ReadAll(scn());
    }
};

} // namespace

TEST_F(SceneFile, LayoutOfHeaderFirstAndLaterRecords)
{
    const QByteArray file = write({Scene(0, 250, "A"), Scene(250, 400), Scene(400, 500, "Beach", "Sun", 7)});
    const QString path = video();

    TBytes expected = Header(path);
    const qsizetype countOffset = expected.size();
    EXPECT_EQ(countOffset, 36 + 2 * path.size());
    expected.u16(3);

    const qsizetype firstStart = expected.size();
    expected.raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).ascii("Clip").raw({0x50, 0x80, 0x00, 0x00});
    expected.raw({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}).ascii("Scene").raw({0x00});
    expected.u32(0).u32(250).raw({0x00, 0x00, 0x00, 0x00, 0x01, 0x80}).wide(path);
    expected.u32(0).u32(0).u32(250).wide(QStringLiteral("A\r\n"));

    const qsizetype secondStart = expected.size();
    expected.raw({0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0xFF, 0xFE, 0xFF, 0x00});
    expected.u32(250).u32(150).raw({0x00, 0x00, 0x00, 0x00, 0x07, 0x00}).u32(250).u32(150).u32(250);
    const qsizetype thirdStart = expected.size();
    EXPECT_EQ(thirdStart - secondStart, 38); // no text, no thumbnail

    expected.raw({0x03, 0x80, 0xF0, 0x80, 0x40, 0x00, 0x05, 0x80, 0xFF, 0xFE, 0xFF, 0x00});
    expected.u32(400).u32(100).raw({0x00, 0x00, 0x00, 0x00, 0x07, 0x00}).u32(400).u32(100).u32(400);
    expected.u32(7).wide(QStringLiteral("Beach\r\nSun"));
    EXPECT_EQ(expected.size() - thirdStart, 42 + 4 + 2 * 10);

    // Field by field first, for a readable failure, then as a whole.
    const QByteArray want = expected.data();
    ASSERT_EQ(file.size(), want.size());
    EXPECT_EQ(file.left(countOffset), want.left(countOffset)) << "header";
    EXPECT_EQ(file.mid(countOffset, 2), want.mid(countOffset, 2)) << "count";
    EXPECT_EQ(file.mid(firstStart, secondStart - firstStart), want.mid(firstStart, secondStart - firstStart)) << "first";
    EXPECT_EQ(file.mid(secondStart, thirdStart - secondStart), want.mid(secondStart, thirdStart - secondStart)) << "second";
    EXPECT_EQ(file.mid(thirdStart), want.mid(thirdStart)) << "third";
}

TEST_F(SceneFile, FirstRecordAlwaysStartsAtZeroAndKeepsItsThumbnailOffset)
{
    const QByteArray file = write({Scene(10, 250, "", "B", 5)});
    TBytes expected = Header(video());
    expected.u16(1);
    expected.raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).ascii("Clip").raw({0x50, 0x80, 0x40, 0x00});
    expected.raw({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}).ascii("Scene").raw({0x00});
    expected.u32(0).u32(250).raw({0x00, 0x00, 0x00, 0x00, 0x01, 0x80}).wide(video());
    expected.u32(0).u32(0).u32(250).u32(5).wide(QStringLiteral("\r\nB"));
    EXPECT_EQ(file, expected.data());
}

TEST_F(SceneFile, RoundTripKeepsFramesTextsAndNumbers)
{
    const std::vector<TSceneClass> scenes = {Scene(0, 250), Scene(250, 251, "A"), Scene(251, 900, "", "B", 3),
                                             Scene(900, 4000000000u, "Été à la plage", "日本 😀", 1)};
    const ReadBack r = Read(write(scenes));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.items.size(), scenes.size());
    for (size_t i = 0; i < scenes.size(); ++i) {
        const TSceneClass &got = *r.items[i].scene;
        SCOPED_TRACE(i);
        EXPECT_EQ(got.StartFrame, scenes[i].StartFrame);
        EXPECT_EQ(got.EndFrame, scenes[i].EndFrame);
        EXPECT_EQ(got.Number, int(i) + 1);
        EXPECT_EQ(got.Caption, scenes[i].Caption);
        EXPECT_EQ(got.SubTitle, scenes[i].SubTitle);
        EXPECT_EQ(got.ThumbnailOffset, scenes[i].ThumbnailOffset);
        EXPECT_EQ(r.items[i].text, got.ListText());
    }
    EXPECT_EQ(r.items[0].text, QStringLiteral("Scene 1: "));
}

TEST_F(SceneFile, CaptionWithALineBreakPushesItsSecondLineIntoTheSubtitle)
{
    const ReadBack r = Read(write({Scene(0, 10, "one\ntwo", "lost")}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.items[0].scene->Caption, QStringLiteral("one"));
    EXPECT_EQ(r.items[0].scene->SubTitle, QStringLiteral("two"));
}

TEST_F(SceneFile, CompleteAfterEveryAddScene)
{
    TwriteScene writer(video());
    const qsizetype countOffset = 36 + 2 * video().size();
    for (quint32 n = 1; n <= 4; ++n) {
        ASSERT_TRUE(writer.AddScene(Scene((n - 1) * 100, n * 100, n == 2 ? "x" : "")));
        const QByteArray now = ReadAll(scn());
        ASSERT_GT(now.size(), countOffset + 1);
        EXPECT_EQ(quint8(now[countOffset]) | (quint8(now[countOffset + 1]) << 8), int(n));
        const ReadBack r = Read(now);
        EXPECT_TRUE(r.ok) << n;
        EXPECT_EQ(r.items.size(), size_t(n));
        EXPECT_EQ(r.items.back().scene->EndFrame, n * 100);
    }
}

TEST_F(SceneFile, ReplacesAnExistingFile)
{
    ASSERT_TRUE(WriteAll(scn(), QByteArray(5000, 'x')));
    const QByteArray file = write({Scene(0, 1)});
    EXPECT_EQ(file.size(), Header(video()).size() + 2 + 52 + 4 + 2 * video().size());
    EXPECT_TRUE(Read(file).ok);
}

TEST_F(SceneFile, CountOfZeroReadsOneSceneHeaderOnlyIsAnError)
{
    QByteArray file = write({Scene(0, 250, "A")});
    const qsizetype countOffset = 36 + 2 * video().size();
    file[countOffset] = 0;
    const ReadBack zero = Read(file);
    EXPECT_TRUE(zero.ok);
    ASSERT_EQ(zero.items.size(), 1u);
    EXPECT_EQ(zero.items[0].scene->EndFrame, 250u);

    TwriteScene({video()}).close();
    const QByteArray headerOnly = ReadAll(scn());
    EXPECT_EQ(headerOnly, Header(video()).data());
    const ReadBack r = Read(headerOnly);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.items.empty());
}

TEST_F(SceneFile, EveryCutKeepsTheEarlierScenesAndFails)
{
    const QByteArray file = write({Scene(0, 100, "A", "B", 2), Scene(100, 200), Scene(200, 300, "C", "", 9)});
    const ReadBack whole = Read(file);
    ASSERT_TRUE(whole.ok);
    ASSERT_EQ(whole.items.size(), 3u);

    // The length of each prefix that holds n complete records.
    const qsizetype header = 36 + 2 * video().size() + 2;
    const qsizetype first = 56 + 2 * video().size() + 4 + 4 + 2 * 4; // thumbnail, "A\r\nB"
    const qsizetype second = 38;
    const qsizetype ends[] = {header + first, header + first + second, file.size()};
    ASSERT_EQ(ends[2], header + first + second + 42 + 4 + 2 * 3);

    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        const ReadBack r = Read(file.left(cut));
        SCOPED_TRACE(cut);
        EXPECT_FALSE(r.ok);
        size_t complete = 0;
        for (qsizetype e : ends)
            if (cut >= e)
                ++complete;
        EXPECT_EQ(r.items.size(), complete);
    }
}

TEST(SceneFileReader, GarbageIsUnreadableAndNeverCrashes)
{
    const QString path = QStringLiteral("/v/clip.avi");
    auto withPath = [&](const TBytes &afterPath) { return Header(path).bytes(afterPath.data()).data(); };
    const struct { const char *what; QByteArray bytes; } cases[] = {
        {"empty", {}},
        {"23 bytes", QByteArray(23, '\0')},
        {"zeros, too short for a first record", QByteArray(80, '\0')},
        {"all FF", QByteArray(4096, char(0xFF))},
        {"path field of 16-bit length 1024", TBytes().bytes(QByteArray(24, 0)).raw({0xFF}).u16(1024).bytes(QByteArray(2000, 'a')).data()},
        {"path field of 16-bit length FFFF", TBytes().bytes(QByteArray(24, 0)).raw({0xFF}).u16(0xFFFF).bytes(QByteArray(64, 'a')).data()},
        {"wide path longer than the file", TBytes().bytes(QByteArray(24, 0)).raw({0xFF, 0xFE, 0xFF, 0xFF}).u16(0xFFFF).u32(0x7FFFFFFF).data()},
        {"byte path longer than the file", TBytes().bytes(QByteArray(24, 0)).raw({200}).ascii("short").data()},
        {"count 65535, one record", withPath(TBytes().u16(0xFFFF).bytes(QByteArray(200, 0)))},
        {"text flag set, text missing",
         withPath(TBytes().u16(1).raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).ascii("Clip").raw({0x50, 0x80, 0, 0, 0xFF, 0xFF, 1, 0, 5, 0}).ascii("Scene").raw({0}).u32(0).u32(9).raw({0, 0, 0, 0, 1, 0x80}).wide(path).u32(0).u32(0).u32(9))},
    };
    for (const auto &c : cases) {
        std::vector<TSceneItem> items;
        EXPECT_FALSE(ReadScnFile(TMemorySource(c.bytes), items)) << c.what;
    }

    // Every single byte of a valid file flipped: whatever comes out, no crash
    // and no more scenes than the count allows.
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    {
        TwriteScene w(video);
        w.AddScene(Scene(0, 5, "T", "S", 1));
        w.AddScene(Scene(5, 9, "U"));
    }
    const QByteArray good = ReadAll(SceneFilePath(video));
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0xA5);
        std::vector<TSceneItem> items;
        ReadScnFile(TMemorySource(bad), items);
        EXPECT_LE(items.size(), 65535u);
    }
}

TEST(SceneFileReader, WideFieldsWithA16BitLengthAreRead)
{
    // A length byte of 255 announces a 16-bit length of code units.
    const QString caption = QString(300, QLatin1Char('c'));
    const QString path = QStringLiteral("/v/clip.avi");
    TBytes b = Header(path);
    b.u16(1).raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).ascii("Clip").raw({0x50, 0x80, 0x00, 0x00});
    b.raw({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}).ascii("Scene").raw({0x00});
    b.u32(0).u32(77).raw({0, 0, 0, 0, 1, 0x80}).wide(path).u32(0).u32(0).u32(77);
    b.raw({0xFF, 0xFE, 0xFF, 0xFF}).u16(quint16(caption.size() + 3));
    for (QChar c : caption + QStringLiteral("\r\nS"))
        b.u16(c.unicode());
    std::vector<TSceneItem> items;
    ASSERT_TRUE(ReadScnFile(TMemorySource(b.data()), items));
    EXPECT_EQ(items[0].scene->Caption, caption);
    EXPECT_EQ(items[0].scene->SubTitle, QStringLiteral("S"));
    EXPECT_EQ(items[0].scene->EndFrame, 77u);
}

TEST(SceneFileReader, ByteStringFieldsInTheSystemEncoding)
{
    // The path as a byte string, the text as a byte string with a 16-bit length.
    TBytes b;
    b.bytes(QByteArray(24, 0)).raw({4}).ascii("/v/x");
    b.raw({0, 0, 0, 0, 0, 0, 0x0C, 0}).u16(1).raw({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}).ascii("Clip").raw({0x50, 0x80, 0x00, 0x00});
    b.raw({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}).ascii("Scene").raw({0x00}).u32(0).u32(12);
    b.raw({0, 0, 0, 0, 1, 0x80}).raw({0xFF}).u16(0).u32(0).u32(0).u32(12);
    b.raw({0xFF}).u16(9).ascii("Cap\rSub\nx");
    std::vector<TSceneItem> items;
    ASSERT_TRUE(ReadScnFile(TMemorySource(b.data()), items));
    EXPECT_EQ(items[0].scene->Caption, QStringLiteral("Cap"));
    EXPECT_EQ(items[0].scene->SubTitle, QStringLiteral("Sub"));
}

TEST_F(SceneFile, LongPathAndTextAreCutToWhatTheFieldHolds)
{
    // 253 letters then a surrogate pair: the cut must not split the pair.
    const QString caption = QString(253, QLatin1Char('a')) + QStringLiteral("😀") + QStringLiteral("tail");
    const ReadBack r = Read(write({Scene(0, 10, caption.toUtf8().constData()), Scene(10, 20, "next")}));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_EQ(r.items[0].scene->Caption, QString(253, QLatin1Char('a')));
    EXPECT_EQ(r.items[1].scene->Caption, QStringLiteral("next"));

    QTemporaryDir deep;
    QString longVideo = deep.path();
    while (longVideo.size() < 300)
        longVideo += QStringLiteral("/abcdefghij");
    ASSERT_TRUE(QDir().mkpath(longVideo));
    longVideo += QStringLiteral("/clip.avi");
    {
        TwriteScene w(longVideo);
        ASSERT_TRUE(w.ok()) << w.errorString().toStdString();
        w.AddScene(Scene(0, 33));
    }
    std::vector<TSceneItem> items;
    ASSERT_TRUE(ReadScnFile(SceneFilePath(longVideo), items));
    EXPECT_EQ(items[0].scene->EndFrame, 33u);
}

TEST(SceneFileWriter, UnwritableDestinationIsAFailure)
{
    TwriteScene writer(QStringLiteral("/dev/null/clip.avi"));
    EXPECT_FALSE(writer.ok());
    EXPECT_FALSE(writer.errorString().isEmpty());
    EXPECT_EQ(writer.fileName(), QStringLiteral("/dev/null/clip.scn"));
    EXPECT_FALSE(writer.AddScene(Scene(0, 10)));
    EXPECT_FALSE(writer.close());
}

TEST(SceneFileReader, MissingFileIsUnreadable)
{
    std::vector<TSceneItem> items;
    EXPECT_FALSE(ReadScnFile(QStringLiteral("/nonexistent/none.scn"), items));
    EXPECT_TRUE(items.empty());
}

TEST_F(SceneFile, SceneEndingBeforeItsStartIsStoredEmpty)
{
    const ReadBack r = Read(write({Scene(0, 100), Scene(100, 99)}));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_EQ(r.items[1].scene->StartFrame, 100u);
    EXPECT_EQ(r.items[1].scene->EndFrame, 100u);
}
