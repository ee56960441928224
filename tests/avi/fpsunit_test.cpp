#include "avi/fpsunit.h"

#include "support/riffbuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sys/stat.h>

using namespace riff;

namespace {

class FpsUnit : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("clip.avi"))
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    QTemporaryDir m_dir;
};

QByteArray Patched(QByteArray bytes, qint64 at, const QByteArray &with)
{
    bytes.replace(at, with.size(), with);
    return bytes;
}

TVideoHeaderPositions Locate(const QByteArray &bytes)
{
    return LocateVideoHeader(TMemorySource(bytes));
}

TEST_F(FpsUnit, LocatesType2VideoFields)
{
    const QByteArray file = DvAviFile({});
    const qint64 strh = ChunkDataOffset(file, "strh");
    const qint64 strf = ChunkDataOffset(file, "strf");
    int calls = 0;
    const TVideoHeaderPositions p = LocateVideoHeader(TMemorySource(file), [&] { ++calls; });
    EXPECT_EQ(p.handler, strh + 4);
    EXPECT_EQ(p.scale, strh + 20);
    EXPECT_EQ(p.compression, strf + 16);
    EXPECT_GT(calls, 1);
    EXPECT_EQ(LocateVideoHeader(write(file)), p);
}

TEST_F(FpsUnit, Type2WriteCodecChangesOnlyHandlerAndCompression)
{
    TDvAviSpec layout;
    layout.handler = MakeFourcc("CDVC");
    layout.compression = MakeFourcc("CDVC");
    const QByteArray before = DvAviFile(layout);
    const QString path = write(before);

    ASSERT_TRUE(WriteCodec(path, fcc::dvsd));
    QByteArray expected = Patched(before, ChunkDataOffset(before, "strh") + 4, "dvsd");
    expected = Patched(expected, ChunkDataOffset(before, "strf") + 16, "dvsd");
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(ReadCodec(path), fcc::dvsd);
}

TEST_F(FpsUnit, Type1WriteCodecChangesOnlyHandler)
{
    TDvAviSpec layout;
    layout.type = 1;
    const QByteArray before = DvAviFile(layout);
    const QString path = write(before);
    EXPECT_EQ(LocateVideoHeader(path).compression, -1);

    ASSERT_TRUE(WriteCodec(path, MakeFourcc("dsvd")));
    EXPECT_EQ(ReadFileBytes(path), Patched(before, ChunkDataOffset(before, "strh") + 4, "dsvd"));
}

TEST_F(FpsUnit, PersonalizedCodeIsPaddedWithSpaces)
{
    const QByteArray before = DvAviFile({});
    const QString path = write(before);
    ASSERT_TRUE(WriteCodec(path, CodeFromText(PadCodecText(QStringLiteral("ab")))));
    EXPECT_EQ(ReadCodec(path), MakeFourcc("ab  "));
    EXPECT_EQ(ReadFileBytes(path).mid(ChunkDataOffset(before, "strf") + 16, 4), "ab  ");
}

TEST(FpsUnitText, PadAndCode)
{
    EXPECT_EQ(PadCodecText(QStringLiteral("ab")), QStringLiteral("ab  "));
    EXPECT_EQ(PadCodecText(QString()), QStringLiteral("    "));
    EXPECT_EQ(PadCodecText(QStringLiteral("dvsdx")), QStringLiteral("dvsd"));
    EXPECT_EQ(CodeFromText(QStringLiteral("dvsd")), fcc::dvsd);
    EXPECT_EQ(CodeFromText(QStringLiteral("ab")), quint32('a') | (quint32('b') << 8));
    EXPECT_EQ(CodeFromText(QStringLiteral("CDVCxyz")), MakeFourcc("CDVC"));
    EXPECT_EQ(CodeFromText(QString()), 0u);
}

TEST_F(FpsUnit, WriteFrameRateSetsScaleAndRate)
{
    struct TCase
    {
        double fps;
        quint32 scale;
    };
    for (const TCase c : {TCase{29.97, 33367}, TCase{25, 40000}}) {
        const QByteArray before = DvAviFile({});
        const QString path = write(before);
        const qint64 scale = ChunkDataOffset(before, "strh") + 20;
        ASSERT_TRUE(WriteFrameRate(path, c.fps));
        const QByteArray after = ReadFileBytes(path);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(U32At(after, scale), c.scale);
        EXPECT_EQ(U32At(after, scale + 4), 1000000u);
        EXPECT_EQ(Patched(after, scale, before.mid(scale, 8)), before) << "bytes outside Scale and Rate changed";
    }
}

TEST_F(FpsUnit, WriteFrameRateRefusesRatesWithoutScale)
{
    const QByteArray before = DvAviFile({});
    const QString path = write(before);
    for (double fps : {0.0, -25.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-9, 1e7})
        EXPECT_FALSE(WriteFrameRate(path, fps)) << fps;
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(FpsUnit, NonAviFilesAreLeftUntouched)
{
    const QList<QByteArray> files = {
        Riff("WAVE", {Chunk("fmt ", RecordBytes(DvWaveFormat())), Chunk("data", QByteArray(64, '\0'))}),
        QByteArray(5000, '\x1f'),
        QByteArray(),
        DvHeaderList({}), // starts with a LIST
    };
    for (const QByteArray &bytes : files) {
        const QString path = write(bytes);
        EXPECT_EQ(LocateVideoHeader(path), TVideoHeaderPositions{});
        EXPECT_FALSE(WriteCodec(path, fcc::dvsd));
        EXPECT_FALSE(WriteFrameRate(path, 25));
        EXPECT_FALSE(ReadCodec(path).has_value());
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
}

TEST_F(FpsUnit, MissingFileIsNotCreated)
{
    const QString path = m_dir.filePath("missing.avi");
    EXPECT_FALSE(WriteCodec(path, fcc::dvsd));
    EXPECT_FALSE(WriteFrameRate(path, 25));
    EXPECT_FALSE(ReadCodec(path).has_value());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(FpsUnit, ReadOnlyFileIsWrittenAndKeepsItsMode)
{
    const QByteArray before = DvAviFile({});
    const QString path = write(before);
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(::chmod(native.constData(), 0444), 0);

    EXPECT_TRUE(WriteCodec(path, MakeFourcc("CDVC")));
    EXPECT_TRUE(WriteFrameRate(path, 25));
    struct stat st {};
    ASSERT_EQ(::stat(native.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ReadCodec(path), MakeFourcc("CDVC"));
}

TEST(FpsUnitLocate, LastVideoStreamWins)
{
    TDvAviSpec type1;
    type1.type = 1;
    const QByteArray vidsList = List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader({}))),
                                              Chunk("strf", RecordBytes(DvBitmapInfo({})))});
    const QByteArray iavsList = List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader(type1))),
                                              Chunk("strf", RecordBytes(DvInfo(type1)))});
    const QByteArray audsList = List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader())),
                                              Chunk("strf", RecordBytes(DvWaveFormat()))});

    const QByteArray twoVids = Riff("AVI ", {List("hdrl", {vidsList, audsList, vidsList})});
    TVideoHeaderPositions p = Locate(twoVids);
    EXPECT_EQ(p.handler, ChunkDataOffset(twoVids, "strh", 2) + 4);
    EXPECT_EQ(p.scale, ChunkDataOffset(twoVids, "strh", 2) + 20);
    EXPECT_EQ(p.compression, ChunkDataOffset(twoVids, "strf", 2) + 16);

    // The positions all belong to one stream: an iavs stream after a vids
    // stream has no compression position.
    const QByteArray vidsThenIavs = Riff("AVI ", {List("hdrl", {vidsList, iavsList})});
    p = Locate(vidsThenIavs);
    EXPECT_EQ(p.handler, ChunkDataOffset(vidsThenIavs, "strh", 1) + 4);
    EXPECT_EQ(p.compression, -1);
}

TEST(FpsUnitLocate, OddChunkInHeaderListIsFollowedByItsPadByte)
{
    const TDvAviSpec layout;
    const QByteArray file = Riff("AVI ", {List("hdrl", {Chunk("avih", RecordBytes(DvMainHeader(layout))), Chunk("JUNK", "abc"),
                                                        List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader(layout)))})})});
    EXPECT_EQ(Locate(file).handler, ChunkDataOffset(file, "strh") + 4);
}

TEST(FpsUnitLocate, SamplesInMoviAreNotEntered)
{
    // A movi holding what looks like a video stream header.
    const QByteArray header = RecordBytes(DvVideoStreamHeader({}));
    const QByteArray file = Riff("AVI ", {DvHeaderList({}), List("movi", {List("rec ", {Chunk("strh", header)}), Chunk("strh", header)})});
    EXPECT_EQ(Locate(file).handler, ChunkDataOffset(file, "strh", 0) + 4);
}

TEST(FpsUnitLocate, FieldsOutsideAShortOrCutChunkAreNotFound)
{
    const QByteArray file = DvAviFile({});
    const qint64 strh = ChunkDataOffset(file, "strh");
    TVideoHeaderPositions p = Locate(file.left(strh + 10));
    EXPECT_EQ(p.handler, strh + 4);
    EXPECT_EQ(p.scale, -1);

    // A stream header that declares 12 bytes: Scale is not part of it.
    const QByteArray shortStrh = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader({})).left(12)),
                                                                            Chunk("strf", RecordBytes(DvBitmapInfo({})).left(16))})})});
    p = Locate(shortStrh);
    EXPECT_EQ(p.handler, ChunkDataOffset(shortStrh, "strh") + 4);
    EXPECT_EQ(p.scale, -1);
    EXPECT_EQ(p.compression, -1);
}

TEST(FpsUnitLocate, DeepNestingEndsTheWalk)
{
    const QByteArray strl = List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader({})))});
    const QByteArray deep = Riff("AVI ", {NestedLists("nest", 200000, strl)});
    EXPECT_EQ(Locate(deep), TVideoHeaderPositions{});
    const QByteArray shallow = Riff("AVI ", {NestedLists("nest", 3, strl)});
    EXPECT_EQ(Locate(shallow).handler, ChunkDataOffset(shallow, "strh") + 4);
}

TEST_F(FpsUnit, CutFileIsNotGrown)
{
    const QByteArray file = DvAviFile({});
    const QByteArray cut = file.left(ChunkDataOffset(file, "strh") + 10);
    const QString path = write(cut);
    EXPECT_FALSE(WriteFrameRate(path, 25));
    EXPECT_TRUE(WriteCodec(path, MakeFourcc("CDVC")));
    EXPECT_EQ(ReadFileBytes(path).size(), cut.size());
}

} // namespace
