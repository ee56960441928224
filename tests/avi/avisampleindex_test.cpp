#include "avi/avisampleindex.h"
#include "avi/aviwriter.h"
#include "avitestfiles.h"
#include "support/riffbuilder.h"
#include "support/riffreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace avitest;
using namespace riff;

namespace {

using TExpected = std::vector<std::vector<TAviSample>>;

// ---------------------------------------------------------------------------
// Hand-made files: two streams (vids, auds) with odd and even sample sizes,
// a JUNK and a stray ix00 chunk inside movi, and a choice of indexes.

enum class TIdx1 { None, Relative, Absolute, Garbage, OutsideFile, Stale, WrongSize, Duplicate };

struct TMiniLayout
{
    TIdx1 idx1 = TIdx1::Relative;
    bool recLists = false;   // each video/audio pair inside LIST 'rec '
    bool chunkIndx = false;  // each strl holds an indx indexing the chunks directly
    bool damageIndx = false; // ... with one entry pointing at the wrong place
    bool unpadded = false;   // odd-sized chunks without their pad byte
    bool zeroSizes = false;  // RIFF and movi sizes left 0, as by a writer that never finished
};

struct TMiniFile
{
    QByteArray bytes;
    TExpected expected; // with the keyframe flags the indexes carry
};

constexpr int kMiniPairs = 6;

quint32 MiniSize(int stream, int i)
{
    static const quint32 video[kMiniPairs] = {101, 200, 57, 300, 0, 81};
    static const quint32 audio[kMiniPairs] = {33, 40, 40, 41, 16, 8};
    return stream == 0 ? video[i] : audio[i];
}

// The hdrl list; indxData: the data of each stream's indx chunk, or empty.
QByteArray MiniHeaderList(const QList<QByteArray> &indxData)
{
    TAviMainHeader avih;
    avih.streams = 2;
    QList<QByteArray> header = {Chunk("avih", RecordBytes(avih))};
    for (int s = 0; s < 2; ++s) {
        TAviStreamHeader strh;
        strh.fccType = s == 0 ? fcc::vids : fcc::auds;
        strh.fccHandler = s == 0 ? MakeFourcc("MJPG") : 0;
        QList<QByteArray> strl = {Chunk("strh", RecordBytes(strh)),
                                  Chunk("strf", s == 0 ? RecordBytes(TBitmapInfoHeader{}) : RecordBytes(TWaveFormatEx{}))};
        if (!indxData.isEmpty())
            strl.append(Chunk("indx", indxData[s]));
        header.append(List("strl", strl));
    }
    return List("hdrl", header);
}

TMiniFile MakeMini(const TMiniLayout &layout)
{
    // The indexes do not change the size of the header list, so the samples
    // are placed behind one with blank indexes.
    const QByteArray blankIndx(TAviIndexHeader::kSize + 8 * kMiniPairs, '\0');
    const QList<QByteArray> blankIndexes =
        layout.chunkIndx ? QList<QByteArray>{blankIndx, blankIndx} : QList<QByteArray>{};
    const qint64 moviList = 12 + MiniHeaderList(blankIndexes).size();
    const qint64 moviFourcc = moviList + 8;

    TMiniFile out;
    out.expected.resize(2);
    struct TPlaced
    {
        int stream;
        qint64 chunk;
        qint64 recList;
    };
    std::vector<TPlaced> placed;
    QByteArray moviData = Chunk("JUNK", QByteArray(10, '\0'));
    const auto here = [&] { return moviFourcc + 4 + moviData.size(); };
    for (int i = 0; i < kMiniPairs; ++i) {
        const qint64 rec = layout.recLists ? here() : -1;
        const qint64 first = layout.recLists ? rec + 12 : here();
        QByteArray pair;
        for (int s = 0; s < 2; ++s) {
            const quint32 size = MiniSize(s, i);
            const qint64 chunk = first + pair.size();
            const QByteArray bytes = Chunk(s == 0 ? "00dc" : "01wb", Payload(s, quint32(i), size));
            pair += layout.unpadded ? WithoutPad(bytes) : bytes;
            placed.push_back({s, chunk, rec});
            // Video keyframes every other frame, as the indexes will say.
            out.expected[size_t(s)].push_back({chunk + 8, size, s == 1 || i % 2 == 0});
        }
        moviData += layout.recLists ? List("rec ", {pair}) : pair;
        if (i == 2)
            moviData += Chunk("ix00", QByteArray(32, '\x55'));
    }
    QByteArray movi = List("movi", {moviData});
    if (layout.zeroSizes)
        movi = WithDeclaredSize(movi, 0);
    QList<QByteArray> afterHeader = {movi};

    if (layout.idx1 != TIdx1::None) {
        QByteArray idx;
        auto entry = [&](TFourcc id, quint32 flags, qint64 offset, quint32 size) {
            idx += Le32(id) + Le32(flags) + Le32(quint32(offset)) + Le32(size);
        };
        const qint64 base = layout.idx1 == TIdx1::Absolute ? 0 : moviFourcc;
        qint64 lastRec = -1;
        for (size_t k = 0; k < placed.size(); ++k) {
            const TPlaced &p = placed[k];
            const TAviSample &s = out.expected[size_t(p.stream)][k / 2];
            if (p.recList >= 0 && p.recList != lastRec) {
                entry(MakeFourcc("rec "), 0x1, p.recList - base, 0);
                lastRec = p.recList;
            }
            quint32 size = s.size;
            qint64 offset = p.chunk - base;
            if (layout.idx1 == TIdx1::OutsideFile && k == 5)
                offset = 0x7FFFFF00;
            if (layout.idx1 == TIdx1::WrongSize && k == 6)
                size += 2;
            if (layout.idx1 == TIdx1::Stale && k >= placed.size() - 2)
                break;
            entry(p.stream == 0 ? MakeFourcc("00dc") : MakeFourcc("01wb"), s.keyframe ? 0x10 : 0, offset, size);
            if (layout.idx1 == TIdx1::Duplicate && k == 4)
                entry(MakeFourcc("00dc"), 0x10, offset, size);
        }
        if (layout.idx1 == TIdx1::Garbage)
            for (qsizetype i = 0; i < idx.size(); ++i)
                idx[i] = char((i * 37 + 11) & 0xFF);
        afterHeader.append(Chunk("idx1", idx));
    }

    QList<QByteArray> indexes;
    for (qsizetype s = 0; s < blankIndexes.size(); ++s) {
        TAviIndexHeader head;
        head.longsPerEntry = 2;
        head.indexType = AVI_INDEX_OF_CHUNKS;
        head.entriesInUse = kMiniPairs;
        head.chunkId = s == 0 ? MakeFourcc("00dc") : MakeFourcc("01wb");
        head.baseOffset = quint64(moviFourcc);
        QByteArray data = RecordBytes(head);
        for (int i = 0; i < kMiniPairs; ++i) {
            // The damaged index points entry 3 of stream 1 at sample 1.
            const bool damaged = layout.damageIndx && s == 1 && i == 3;
            const TAviSample &sample = out.expected[size_t(s)][size_t(i)];
            const qint64 offset = out.expected[size_t(s)][size_t(damaged ? 1 : i)].offset;
            data += Le32(quint32(offset - moviFourcc));
            data += Le32(sample.size | (sample.keyframe ? 0 : 0x80000000u));
        }
        indexes.append(data);
    }
    out.bytes = Riff("AVI ", QList<QByteArray>{MiniHeaderList(indexes)} + afterHeader);
    if (layout.zeroSizes)
        out.bytes = WithDeclaredSize(out.bytes, 0);
    return out;
}

void ExpectIndexed(const TAviSampleIndex &index, const TExpected &expected, bool keyframes)
{
    ASSERT_EQ(index.streams().size(), expected.size());
    for (size_t s = 0; s < expected.size(); ++s) {
        const auto &got = index.streams()[s].samples;
        ASSERT_EQ(got.size(), expected[s].size()) << "stream " << s;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].offset, expected[s][i].offset) << "stream " << s << " sample " << i;
            EXPECT_EQ(got[i].size, expected[s][i].size) << "stream " << s << " sample " << i;
            EXPECT_EQ(got[i].keyframe, keyframes ? expected[s][i].keyframe : true) << "stream " << s << " sample " << i;
        }
    }
}

struct TMiniCase
{
    const char *name;
    TMiniLayout layout;
    TIndexSource source;
    const char *warning; // text the warning contains; nullptr: no warning
};

class SampleIndexMini : public ::testing::TestWithParam<TMiniCase>
{
};

TEST_P(SampleIndexMini, FindsEverySample)
{
    const TMiniCase &c = GetParam();
    const TMiniFile file = MakeMini(c.layout);
    const TMemorySource source(file.bytes);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(source));
    EXPECT_EQ(index.source(), c.source);
    if (c.warning)
        EXPECT_TRUE(index.warning().contains(QLatin1String(c.warning))) << index.warning().toStdString();
    else
        EXPECT_TRUE(index.warning().isEmpty()) << index.warning().toStdString();
    EXPECT_FALSE(index.truncated());
    ExpectIndexed(index, file.expected, c.source != TIndexSource::Scan);
    EXPECT_EQ(index.videoStream(), 0);
    EXPECT_EQ(index.streams()[0].type, fcc::vids);
    EXPECT_EQ(index.streams()[0].handler, MakeFourcc("MJPG"));
    EXPECT_EQ(index.streams()[0].format.size(), TBitmapInfoHeader::kSize);
    EXPECT_EQ(index.streams()[1].type, fcc::auds);
    for (size_t s = 0; s < 2; ++s)
        for (size_t i = 0; i < file.expected[s].size(); ++i)
            EXPECT_EQ(ReadBack(source, file.expected[s][i].offset, file.expected[s][i].size),
                      Payload(int(s), quint32(i), MiniSize(int(s), int(i))));
}

TMiniLayout Layout(TIdx1 idx1, bool rec = false, bool chunkIndx = false, bool damageIndx = false, bool unpadded = false,
               bool zeroSizes = false)
{
    return {idx1, rec, chunkIndx, damageIndx, unpadded, zeroSizes};
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SampleIndexMini,
    ::testing::Values(
        TMiniCase{"Idx1Relative", Layout(TIdx1::Relative), TIndexSource::Idx1, nullptr},
        TMiniCase{"Idx1Absolute", Layout(TIdx1::Absolute), TIndexSource::Idx1, nullptr},
        TMiniCase{"Idx1WithRecLists", Layout(TIdx1::Relative, true), TIndexSource::Idx1, nullptr},
        TMiniCase{"ChunkIndx", Layout(TIdx1::None, false, true), TIndexSource::OpenDml, nullptr},
        TMiniCase{"ChunkIndxInRecLists", Layout(TIdx1::Absolute, true, true), TIndexSource::OpenDml, nullptr},
        TMiniCase{"DamagedIndxFallsBackToIdx1", Layout(TIdx1::Relative, false, true, true), TIndexSource::Idx1, nullptr},
        TMiniCase{"NoIndex", Layout(TIdx1::None), TIndexSource::Scan, "no index"},
        TMiniCase{"NoIndexRecLists", Layout(TIdx1::None, true), TIndexSource::Scan, "no index"},
        TMiniCase{"UnfinishedSizes", Layout(TIdx1::None, false, false, false, false, true), TIndexSource::Scan, "no index"},
        TMiniCase{"GarbageIdx1", Layout(TIdx1::Garbage), TIndexSource::Scan, "damaged"},
        TMiniCase{"Idx1OutsideFile", Layout(TIdx1::OutsideFile), TIndexSource::Scan, "damaged"},
        TMiniCase{"StaleIdx1", Layout(TIdx1::Stale), TIndexSource::Scan, "damaged"},
        TMiniCase{"Idx1WrongSize", Layout(TIdx1::WrongSize, true), TIndexSource::Scan, "damaged"},
        TMiniCase{"Idx1DuplicateEntry", Layout(TIdx1::Duplicate), TIndexSource::Scan, "damaged"},
        TMiniCase{"DamagedIndxAndIdx1", Layout(TIdx1::Garbage, false, true, true), TIndexSource::Scan, "damaged"},
        TMiniCase{"UnpaddedChunks", Layout(TIdx1::None, false, false, false, true), TIndexSource::Scan, "Damaged data"}),
    [](const ::testing::TestParamInfo<TMiniCase> &info) { return std::string(info.param.name); });

TEST(SampleIndex, ScanSkipsDamagedChunkAndResynchronises)
{
    const TMiniFile file = MakeMini(Layout(TIdx1::None));
    QByteArray bytes = file.bytes;
    // Wreck the header of video sample 3: the scan must find samples 4 and later.
    const qint64 head = file.expected[0][3].offset - 8;
    for (int i = 0; i < 8; ++i)
        bytes[head + i] = char(0xEE);
    TExpected expected = file.expected;
    expected[0].erase(expected[0].begin() + 3);

    TAviSampleIndex index;
    ASSERT_TRUE(index.build(TMemorySource(bytes)));
    EXPECT_EQ(index.source(), TIndexSource::Scan);
    EXPECT_TRUE(index.warning().contains("Damaged data")) << index.warning().toStdString();
    ExpectIndexed(index, expected, false);
}

TEST(SampleIndex, RejectsWhatIsNotAnAvi)
{
    QByteArray wave("RIFF\x24\0\0\0WAVEfmt ", 16);
    wave.append(QByteArray(24, '\0'));
    QByteArray listFirst("LIST\x04\0\0\0hdrl", 12);
    listFirst.append(MakeMini(Layout(TIdx1::Relative)).bytes);
    QByteArray avixFirst = MakeMini(Layout(TIdx1::Relative)).bytes;
    avixFirst.replace(8, 4, "AVIX");
    QByteArray noise(5000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 7) % 251);

    for (const QByteArray &bytes : {QByteArray(), QByteArray("RIFF\0\0\0\0AVI", 11), wave, listFirst, avixFirst, noise}) {
        TAviSampleIndex index;
        EXPECT_FALSE(index.build(TMemorySource(bytes)));
        EXPECT_TRUE(index.streams().empty());
        EXPECT_EQ(index.videoStream(), -1);
    }
}

// ---------------------------------------------------------------------------
// Files made by the writer: OpenDML across AVIX parts, damaged, truncated.

struct TWritten
{
    QByteArray bytes;
    TExpected expected;
};

// A DV type 2 file with small RIFF parts; stream 1 holds odd-sized audio chunks.
TWritten WriteOpenDml(int frames, bool openDml = true, qint64 partLimit = 0)
{
    if (partLimit == 0)
        partLimit = openDml ? 400000 : TAviWriterConfig::kDefaultPartLimit;
    QTemporaryDir dir;
    const QString path = dir.filePath("w.avi");
    TAviWriterConfig cfg = TAviWriterConfig::dvType2(TAviDvSystem::Pal, MakeDvInfo(TAviDvSystem::Pal), DvWaveFormat());
    cfg.openDml = openDml;
    cfg.partLimit = partLimit;
    TAviWriter writer;
    EXPECT_TRUE(writer.open(path, cfg));
    for (int i = 0; i < frames; ++i) {
        const QByteArray frame = MakeDvFrame(TAviDvSystem::Pal, quint32(i));
        EXPECT_TRUE(writer.writeSample(0, frame.constData(), quint32(frame.size()), i % 4 == 0));
        const QByteArray audio = Payload(1, quint32(i), 7681);
        EXPECT_TRUE(writer.writeSample(1, audio.constData(), quint32(audio.size())));
    }
    EXPECT_TRUE(writer.close());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    TWritten out;
    out.bytes = f.readAll();

    TAviSampleIndex index;
    EXPECT_TRUE(index.build(TMemorySource(out.bytes)));
    for (const TAviIndexedStream &s : index.streams())
        out.expected.push_back(s.samples);
    return out;
}

TEST(SampleIndex, OpenDmlAcrossAvixParts)
{
    const TWritten file = WriteOpenDml(12);
    const TMemorySource source(file.bytes);
    int parts = 0;
    for (const TFoundChunk &c : Children(source, 0, source.size()))
        parts += c.id == fcc::RIFF && (c.type == fcc::AVIX || c.type == fcc::AVI_) ? 1 : 0;
    EXPECT_GE(parts, 4);

    TAviSampleIndex index;
    ASSERT_TRUE(index.build(source));
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    EXPECT_TRUE(index.warning().isEmpty());
    ASSERT_EQ(index.streams().size(), 2u);
    ASSERT_EQ(index.streams()[0].samples.size(), 12u);
    ASSERT_EQ(index.streams()[1].samples.size(), 12u);
    for (quint32 i = 0; i < 12; ++i) {
        const TAviSample &v = index.streams()[0].samples[i];
        EXPECT_EQ(ReadBack(source, v.offset, v.size), MakeDvFrame(TAviDvSystem::Pal, i));
        EXPECT_EQ(v.keyframe, i % 4 == 0);
        const TAviSample &a = index.streams()[1].samples[i];
        EXPECT_EQ(ReadBack(source, a.offset, a.size), Payload(1, i, 7681));
    }
    EXPECT_EQ(index.streams()[0].type, fcc::vids);
    EXPECT_EQ(index.streams()[0].header.rate, 25u);
    EXPECT_EQ(index.streams()[1].type, fcc::auds);

    // The scan of the same file finds the same places.
    QByteArray noIndex = file.bytes;
    const auto indx = Find(source, {"AVI ", "hdrl", "strl", "indx"});
    ASSERT_TRUE(indx);
    noIndex.replace(indx->data - 8, 4, "JUNK");
    const auto idx1 = Find(source, {"AVI ", "idx1"});
    ASSERT_TRUE(idx1);
    noIndex.replace(idx1->data - 8, 4, "JUNK");
    TAviSampleIndex scanned;
    ASSERT_TRUE(scanned.build(TMemorySource(noIndex)));
    EXPECT_EQ(scanned.source(), TIndexSource::Scan);
    ExpectIndexed(scanned, file.expected, false);
}

enum class TDamage { IxEntryOutside, IxIdWrong, SuperEntryOutside, SuperCountTooLarge, IxEntryMisplaced };

struct TDamageCase
{
    const char *name;
    TDamage damage;
    bool multiPart;
};

class SampleIndexDamagedOpenDml : public ::testing::TestWithParam<TDamageCase>
{
};

// A damaged OpenDML index is not used: a single-part file falls back to its
// idx1, a file with AVIX parts (whose idx1 covers only the first) is scanned.
TEST_P(SampleIndexDamagedOpenDml, FallsBack)
{
    const TDamageCase &c = GetParam();
    const TWritten file = c.multiPart ? WriteOpenDml(10) : WriteOpenDml(4, true, TAviWriterConfig::kDefaultPartLimit);
    QByteArray bytes = file.bytes;
    auto *raw = reinterpret_cast<quint8 *>(bytes.data());
    const TMemorySource intact(file.bytes);
    const auto strl = Find(intact, {"AVI ", "hdrl", "strl"});
    ASSERT_TRUE(strl);
    const auto indx = Children(intact, strl->data + 4, strl->data + strl->size)[2];
    ASSERT_EQ(indx.id, fcc::indx);
    const qint64 lastEntry = indx.data + 24 + 16 * (le::u32(raw + indx.data + 4) - 1);
    const qint64 ix = qint64(le::u64(raw + lastEntry)); // the video stream's last ix00
    switch (c.damage) {
    case TDamage::IxEntryOutside:
        le::put32(raw + ix + 32, 0x7FFFFFF0);
        break;
    case TDamage::IxIdWrong:
        std::memcpy(raw + ix, "JUNK", 4);
        break;
    case TDamage::SuperEntryOutside:
        le::put64(raw + lastEntry, quint64(bytes.size()) + 100);
        break;
    case TDamage::SuperCountTooLarge:
        le::put32(raw + indx.data + 4, 100000);
        break;
    case TDamage::IxEntryMisplaced:
        le::put32(raw + ix + 32, le::u32(raw + ix + 32) + 16);
        break;
    }
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(TMemorySource(bytes)));
    EXPECT_EQ(index.source(), c.multiPart ? TIndexSource::Scan : TIndexSource::Idx1);
    if (c.multiPart) {
        EXPECT_TRUE(index.warning().contains("damaged")) << index.warning().toStdString();
    }
    ExpectIndexed(index, file.expected, !c.multiPart);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, SampleIndexDamagedOpenDml,
    ::testing::Values(TDamageCase{"IxEntryOutside", TDamage::IxEntryOutside, true},
                      TDamageCase{"IxIdWrong", TDamage::IxIdWrong, true},
                      TDamageCase{"SuperEntryOutside", TDamage::SuperEntryOutside, true},
                      TDamageCase{"SuperCountTooLarge", TDamage::SuperCountTooLarge, true},
                      TDamageCase{"IxEntryMisplaced", TDamage::IxEntryMisplaced, true},
                      TDamageCase{"SinglePartIxEntryMisplaced", TDamage::IxEntryMisplaced, false},
                      TDamageCase{"SinglePartSuperCountTooLarge", TDamage::SuperCountTooLarge, false}),
    [](const ::testing::TestParamInfo<TDamageCase> &info) { return std::string(info.param.name); });

struct TCutCase
{
    const char *name;
    bool openDml;
    int frame;      // cut in or after this video frame
    qint64 into;    // bytes of its data kept; -1: cut right after the whole chunk
    bool unfinished = false; // RIFF and movi sizes 0, as left by a writer that never finished
};

class SampleIndexTruncated : public ::testing::TestWithParam<TCutCase>
{
};

TEST_P(SampleIndexTruncated, KeepsWhatIsInsideTheFile)
{
    const TCutCase &c = GetParam();
    const TWritten file = WriteOpenDml(10, c.openDml);
    const TAviSample &cutFrame = file.expected[0][size_t(c.frame)];
    const qint64 cut = c.into < 0 ? cutFrame.offset + cutFrame.size : cutFrame.offset + c.into;
    QByteArray bytes = file.bytes.left(cut);
    if (c.unfinished) {
        const auto movi = Find(TMemorySource(file.bytes), {"AVI ", "movi"});
        ASSERT_TRUE(movi);
        le::put32(reinterpret_cast<quint8 *>(bytes.data()) + 4, 0);
        le::put32(reinterpret_cast<quint8 *>(bytes.data()) + movi->data - 4, 0);
    }

    TExpected expected(2);
    for (size_t s = 0; s < 2; ++s)
        for (const TAviSample &sample : file.expected[s])
            if (sample.offset < cut)
                expected[s].push_back({sample.offset, quint32(std::min<qint64>(sample.size, cut - sample.offset)), true});

    TAviSampleIndex index;
    ASSERT_TRUE(index.build(TMemorySource(bytes)));
    EXPECT_EQ(index.source(), TIndexSource::Scan);
    EXPECT_TRUE(index.truncated());
    EXPECT_TRUE(index.warning().contains(c.into < 0 ? "ends early." : "last sample is incomplete"))
        << index.warning().toStdString();
    ExpectIndexed(index, expected, false);
    EXPECT_EQ(index.streams()[0].samples.size(), size_t(c.frame + 1));
}

INSTANTIATE_TEST_SUITE_P(Cuts, SampleIndexTruncated,
                         ::testing::Values(TCutCase{"OpenDmlInLastPart", true, 9, 70001},
                                           TCutCase{"OpenDmlInFirstPart", true, 1, 5},
                                           TCutCase{"OpenDmlAfterWholeChunk", true, 8, -1},
                                           TCutCase{"Avi10InSample", false, 6, 143999},
                                           TCutCase{"UnfinishedAvi10InSample", false, 6, 1000, true}),
                         [](const ::testing::TestParamInfo<TCutCase> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// An OpenDML file over 4 GiB, mostly holes.

bool SparseFilesWork(const QString &folder)
{
    const QByteArray probe = QFile::encodeName(folder + "/sparse-probe");
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const char byte = 1;
    const bool written = ::pwrite(fd, &byte, 1, 256 << 20) == 1;
    struct stat st {};
    const bool sparse = written && ::fstat(fd, &st) == 0 && qint64(st.st_blocks) * 512 < (qint64(4) << 20);
    ::close(fd);
    ::unlink(probe.constData());
    return sparse;
}

TEST(SampleIndex, OpenDmlFileOver4GiB)
{
    QTemporaryDir dir;
    if (!SparseFilesWork(dir.path()))
        GTEST_SKIP() << "the temporary folder's file system has no sparse files";
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(dir.path()).constData(), &fs) != 0 || qint64(fs.f_bavail) * qint64(fs.f_frsize) < (qint64(64) << 20))
        GTEST_SKIP() << "too little free space";

    const QString path = dir.filePath("big.avi");
    const TAviDvSystem pal = TAviDvSystem::Pal;
    const qint64 fourGiB = qint64(1) << 32;
    const quint32 frameSize = DvFrameSize(pal);
    std::vector<quint32> real; // frames written with their data
    quint32 frames = 0;
    {
        TAviWriter writer;
        ASSERT_TRUE(writer.open(path, TAviWriterConfig::dvType1(pal, MakeDvInfo(pal))));
        auto realFrame = [&] {
            const QByteArray frame = MakeDvFrame(pal, frames);
            ASSERT_TRUE(writer.writeSample(0, frame.constData(), frameSize));
            real.push_back(frames++);
        };
        for (int i = 0; i < 3; ++i)
            realFrame();
        // Holes up to just short of 4 GiB of frames, then real ones across the line.
        const quint32 holes = quint32(fourGiB / (frameSize + 8)) - 3;
        for (quint32 i = 0; i < holes; ++i, ++frames)
            ASSERT_TRUE(writer.writeHole(0, frameSize)) << writer.errorString().toStdString();
        for (int i = 0; i < 4; ++i)
            realFrame();
        for (int i = 0; i < 2000; ++i, ++frames)
            ASSERT_TRUE(writer.writeHole(0, frameSize));
        for (int i = 0; i < 2; ++i)
            realFrame();
        EXPECT_GE(writer.partCount(), 5);
        ASSERT_TRUE(writer.close()) << writer.errorString().toStdString();
    }

    TFileSource file(path);
    ASSERT_TRUE(file.isOpen());
    EXPECT_GT(file.size(), fourGiB + (qint64(200) << 20));
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    ASSERT_EQ(index.streams().size(), 1u);
    const auto &samples = index.streams()[0].samples;
    ASSERT_EQ(samples.size(), size_t(frames));
    int beyond = 0;
    for (quint32 n : real) {
        const TAviSample &s = samples[n];
        EXPECT_EQ(s.size, frameSize);
        EXPECT_EQ(ReadBack(file, s.offset, s.size), MakeDvFrame(pal, n)) << "frame " << n;
        beyond += s.offset > fourGiB ? 1 : 0;
    }
    EXPECT_GE(beyond, 4);
    EXPECT_GT(samples.back().offset, fourGiB);
    for (size_t i = 1; i < samples.size(); ++i)
        ASSERT_GE(samples[i].offset, samples[i - 1].offset + frameSize + 8) << i;
}

} // namespace
