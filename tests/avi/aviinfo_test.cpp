#include "avi/aviinfo.h"

#include "support/riffbuilder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace riff;

namespace {

TFriendlyAviParam Read(const QByteArray &bytes)
{
    return TFriendlyAviParam(TMemorySource(bytes));
}

// Offset of the content of the first movi list (just past its list type).
qint64 MoviContent(const QByteArray &file)
{
    return file.indexOf("movi") + 4;
}

TEST(AviInfo, ReadsType2File)
{
    const TDvAviSpec layout;
    const QByteArray file = DvAviFile(layout);
    const TFriendlyAviParam avi = Read(file);

    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.codec(), fcc::dvsd);
    EXPECT_EQ(avi.videoStreamIndex(), 0);
    EXPECT_EQ(avi.audioStreamIndex(), 1);
    ASSERT_EQ(avi.streams().size(), 2u);
    ASSERT_EQ(avi.videoStream(), &avi.streams()[0]);
    EXPECT_FALSE(avi.hasOpenDmlHeader());
    EXPECT_EQ(avi.dataPosition(), MoviContent(file));
    EXPECT_EQ(avi.legacyIndexPosition(), ChunkDataOffset(file, "idx1"));
    EXPECT_EQ(avi.indexKind(), TIndexKind::LegacyIndex);

    EXPECT_EQ(RecordBytes(avi.mainHeader()), RecordBytes(DvMainHeader(layout)));
    const TAvistream &video = avi.streams()[0];
    EXPECT_EQ(RecordBytes(video.header()), RecordBytes(DvVideoStreamHeader(layout)));
    ASSERT_EQ(video.formatSize, TBitmapInfoHeader::kSize + TDvInfo::kSize);
    const QByteArray format(reinterpret_cast<const char *>(video.formatBytes.data()), video.formatSize);
    EXPECT_EQ(format, RecordBytes(DvBitmapInfo(layout)) + RecordBytes(DvInfo(layout)));
    EXPECT_FALSE(video.hasIndx());

    const TAvistream &audio = avi.streams()[1];
    EXPECT_EQ(RecordBytes(audio.header()), RecordBytes(DvAudioStreamHeader()));
    EXPECT_EQ(audio.formatSize, TWaveFormatEx::kSize);
}

TEST(AviInfo, ReadsType1FileWithSuperIndexAndOdml)
{
    TDvAviSpec layout;
    layout.type = 1;
    layout.frames = 5;
    layout.indxType = AVI_INDEX_OF_INDEXES;
    layout.withOdml = true;
    const QByteArray file = DvAviFile(layout);
    const TFriendlyAviParam avi = Read(file);

    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.videoStreamIndex(), 0);
    EXPECT_EQ(avi.audioStreamIndex(), -1);
    ASSERT_NE(avi.videoStream(), nullptr);
    EXPECT_EQ(avi.videoStream()->type(), fcc::iavs);
    EXPECT_EQ(avi.videoStream()->formatSize, TDvInfo::kSize);
    EXPECT_EQ(avi.videoStream()->indexEntriesPosition, ChunkDataOffset(file, "indx") + TAviIndexHeader::kSize);
    const QByteArray head(reinterpret_cast<const char *>(avi.videoStream()->indexHeadBytes.data()),
                          TAvistream::kIndexHeadSize);
    EXPECT_EQ(head, SuperIndexData(AVI_INDEX_OF_INDEXES, "00dc"));
    EXPECT_TRUE(avi.hasOpenDmlHeader());
    EXPECT_EQ(avi.dmlTotalFrames(), 5u);
    EXPECT_EQ(avi.indexKind(), TIndexKind::IndexOfIndexes);
}

struct TIndexKindCase
{
    int type;
    std::optional<quint8> indxType;
    bool withIdx1;
    TIndexKind kind;
};

class AviInfoIndexKind : public testing::TestWithParam<TIndexKindCase> {};

TEST_P(AviInfoIndexKind, FollowsTheVideoStreamIndex)
{
    const TIndexKindCase &c = GetParam();
    TDvAviSpec layout;
    layout.type = c.type;
    layout.indxType = c.indxType;
    layout.withIdx1 = c.withIdx1;
    const TFriendlyAviParam avi = Read(DvAviFile(layout));
    ASSERT_TRUE(avi.valid());
    EXPECT_EQ(avi.indexKind(), c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AviInfoIndexKind,
    testing::Values(TIndexKindCase{1, AVI_INDEX_OF_INDEXES, true, TIndexKind::IndexOfIndexes},
                    TIndexKindCase{2, AVI_INDEX_OF_CHUNKS, true, TIndexKind::IndexOfChunks},
                    TIndexKindCase{2, std::nullopt, true, TIndexKind::LegacyIndex},
                    TIndexKindCase{1, std::nullopt, false, TIndexKind::NoIndex},
                    TIndexKindCase{2, quint8(0x80), false, TIndexKind::OtherIndex}));

TEST(AviInfo, SkipsPadBytesOfOddChunks)
{
    const TDvAviSpec layout;
    const QByteArray odd = Chunk("JUNK", "abc"); // size 3, one pad byte
    const QByteArray file = Riff("AVI ", {odd,
                                          List("hdrl", {odd, Chunk("avih", RecordBytes(DvMainHeader(layout))),
                                                        List("strl", {odd, Chunk("strh", RecordBytes(DvVideoStreamHeader(layout)))})}),
                                          odd, List("movi", {Chunk("00dc", "x")})});
    const TFriendlyAviParam avi = Read(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.codec(), fcc::dvsd);
    EXPECT_EQ(avi.mainHeader().microSecPerFrame, 40000u);
    EXPECT_EQ(avi.dataPosition(), MoviContent(file));

    // Without the pad bytes the next headers are misread and the part fails.
    const QByteArray unpadded = Riff("AVI ", {WithoutPad(odd), DvHeaderList(layout)});
    EXPECT_FALSE(Read(unpadded).valid());
}

TEST(AviInfo, KeepsFirst56BytesOfALongStreamHeader)
{
    TDvAviSpec layout;
    const QByteArray strh = RecordBytes(DvVideoStreamHeader(layout)) + QByteArray(8, '\x7f');
    const QByteArray file = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", strh),
                                                                       Chunk("strf", RecordBytes(DvBitmapInfo(layout)))})}),
                                          List("movi", {})});
    const TFriendlyAviParam avi = Read(file);
    ASSERT_TRUE(avi.valid());
    ASSERT_NE(avi.videoStream(), nullptr);
    EXPECT_EQ(RecordBytes(avi.videoStream()->header()), RecordBytes(DvVideoStreamHeader(layout)));
    EXPECT_EQ(avi.videoStream()->formatSize, TBitmapInfoHeader::kSize);
    EXPECT_EQ(TBitmapInfoHeader::read(avi.videoStream()->formatBytes.data()).compression, fcc::dvsd);
}

TEST(AviInfo, FirstOfTwoVideoStreamsIsTheVideoStream)
{
    TDvAviSpec second;
    second.handler = MakeFourcc("CDVC");
    const QByteArray file = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader()))}),
                                                        List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader({})))}),
                                                        List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader(second)))})})});
    const TFriendlyAviParam avi = Read(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.streams().size(), 3u);
    EXPECT_EQ(avi.audioStreamIndex(), 0);
    EXPECT_EQ(avi.videoStreamIndex(), 1);
    EXPECT_EQ(avi.codec(), fcc::dvsd);
}

TEST(AviInfo, ValidFileWithoutVideoHasPlaceholderCodec)
{
    const QByteArray file = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader()))})})});
    const TFriendlyAviParam avi = Read(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.videoStream(), nullptr);
    EXPECT_EQ(FourccText(avi.codec()), "none");
    EXPECT_EQ(avi.indexKind(), TIndexKind::NoIndex);
}

// A 3 GB OpenDML file: one 'AVI ' part and two 'AVIX' parts of about 1 GB each,
// whose samples are never read.
TEST(AviInfo, OpenDmlFileOfThreeGigabytes)
{
    constexpr qint64 kPart = qint64(1) << 30;
    TDvAviSpec layout;
    layout.type = 1;
    layout.indxType = AVI_INDEX_OF_INDEXES;
    layout.withOdml = true;
    const QByteArray header = DvHeaderList(layout);

    const qint64 moviList = 12 + header.size();        // offset of the first LIST movi
    const QByteArray partHead = Le32(quint32(kPart - 8)) ; // the RIFF size of each part
    QByteArray first = "RIFF" + partHead + "AVI " + header + "LIST" + Le32(quint32(kPart - moviList - 8)) + "movi";
    const QByteArray next = "RIFF" + partHead + "AVIX" + "LIST" + Le32(quint32(kPart - 20)) + "movi";

    TSparseSource file(3 * kPart);
    file.place(0, first);
    file.place(kPart, next);
    file.place(2 * kPart, next);
    const TFriendlyAviParam avi(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.dataPosition(), moviList + 12);
    EXPECT_TRUE(avi.hasOpenDmlHeader());
    EXPECT_EQ(avi.indexKind(), TIndexKind::IndexOfIndexes);
    EXPECT_EQ(avi.listType(), fcc::movi); // the walk went on to the last part

    // The same file cut short inside its last part is still valid.
    TSparseSource cut(3 * kPart - 12345);
    cut.place(0, first);
    cut.place(kPart, next);
    cut.place(2 * kPart, next);
    EXPECT_TRUE(TFriendlyAviParam(cut).valid());
}

TEST(AviInfo, SmallAvixPartsAfterTheFirstAreWalked)
{
    TDvAviSpec layout;
    layout.extraParts = {AvixPart(2), AvixPart(3)};
    const QByteArray file = DvAviFile(layout);
    const TFriendlyAviParam avi = Read(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.dataPosition(), MoviContent(file));
    EXPECT_EQ(avi.chunkId(), MakeFourcc("LIST")); // last chunk read: the last part's movi
}

TEST(AviInfo, FileCutInsideMoviIsValid)
{
    const QByteArray file = DvAviFile({});
    const qint64 cutAt = MoviContent(file) + 30;
    const TFriendlyAviParam avi = Read(file.left(cutAt));
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.codec(), fcc::dvsd);
    EXPECT_EQ(avi.dataPosition(), MoviContent(file));
    EXPECT_EQ(avi.legacyIndexPosition(), 0);
    EXPECT_EQ(avi.indexKind(), TIndexKind::NoIndex);
}

TEST(AviInfo, FileCutInsideHeaderListIsNotValid)
{
    const QByteArray file = DvAviFile({});
    for (const char *inside : {"avih", "strh", "strf"}) {
        const QByteArray cut = file.left(ChunkDataOffset(file, inside) + 10);
        EXPECT_FALSE(Read(cut).valid()) << inside;
    }
}

TEST(AviInfo, NotAviFiles)
{
    const QByteArray hdrl = DvHeaderList({});
    const QList<QByteArray> files = {
        QByteArray(),
        QByteArray("RIFF"),
        Riff("WAVE", {Chunk("fmt ", RecordBytes(DvWaveFormat())), Chunk("data", QByteArray(16, '\0'))}),
        hdrl + Riff("AVI ", {hdrl}),                   // starts with a LIST
        QByteArray(12000, '\x1f'),                     // raw DV-like bytes
        WithDeclaredSize(Chunk("RIFF", "AV"), 2),      // no room for the form type
        Riff("AVI ", {WithDeclaredSize(hdrl, quint32(hdrl.size()))}), // hdrl longer than the part
    };
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_FALSE(Read(files[i]).valid()) << "case " << i;
}

TEST(AviInfo, ChunkLongerThanItsListFailsTheWalk)
{
    const TDvAviSpec layout;
    const QByteArray strh = WithDeclaredSize(Chunk("strh", RecordBytes(DvVideoStreamHeader(layout))), 1000);
    const QByteArray file = Riff("AVI ", {List("hdrl", {List("strl", {strh})}), List("movi", {})});
    EXPECT_FALSE(Read(file).valid());
}

TEST(AviInfo, LaterPartFailureKeepsEarlierValidity)
{
    const QByteArray file = DvAviFile({}) + WithDeclaredSize(Riff("AVIX", {Chunk("JUNK", "abcd")}), 2);
    EXPECT_TRUE(Read(file).valid());
}

TEST(AviInfo, IndexHeadOfFewEntriesIsKept)
{
    // One entry in use and no spare room: 40 bytes.
    const QByteArray indx = SuperIndexData(AVI_INDEX_OF_CHUNKS, "00dc").left(40);
    const QByteArray file = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", RecordBytes(DvVideoStreamHeader({}))),
                                                                       Chunk("indx", indx)})})});
    const TFriendlyAviParam avi = Read(file);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.indexKind(), TIndexKind::IndexOfChunks);
    EXPECT_EQ(avi.videoStream()->indexHeader().entriesInUse, 1u);
    EXPECT_EQ(avi.videoStream()->indexHeadBytes[40], 0); // past the chunk: zero

    // Shorter than its 24-byte head: broken.
    const QByteArray shortIndx = Riff("AVI ", {List("hdrl", {List("strl", {Chunk("indx", indx.left(20))})})});
    EXPECT_FALSE(Read(shortIndx).valid());
}

TEST(AviInfo, KeepsAtMostOneHundredStreams)
{
    QList<QByteArray> lists;
    for (int i = 0; i < 150; ++i)
        lists.append(List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader()))}));
    const TFriendlyAviParam avi = Read(Riff("AVI ", {List("hdrl", lists)}));
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.streams().size(), size_t(TAviParam::kMaxStreams));
}

TEST(AviInfo, ReadsFromFileAndReportsOpenFailure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("clip.avi");
    ASSERT_TRUE(WriteFileBytes(path, DvAviFile({})));
    const TFriendlyAviParam avi(path);
    EXPECT_TRUE(avi.valid());
    EXPECT_EQ(avi.codec(), fcc::dvsd);

    const QString missing = dir.filePath("missing.avi");
    try {
        TFriendlyAviParam failed(missing);
        FAIL() << "no exception";
    } catch (const TFileOpenError &e) {
        EXPECT_EQ(e.path(), missing);
        EXPECT_FALSE(e.reason().isEmpty());
    }
    EXPECT_THROW(TFriendlyAviParam{dir.path()}, TFileOpenError); // a folder
}

} // namespace
