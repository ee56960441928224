#include "avi/aviwriter.h"
#include "avi/avisampleindex.h"
#include "avitestfiles.h"
#include "support/ffprobe.h"
#include "support/riffbuilder.h"
#include "support/riffreader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace avitest;
using namespace riff;

namespace {

// Bytes of PCM audio (48 kHz, 16-bit stereo) that go with one frame.
quint32 AudioBytesPerFrame(TAviDvSystem system)
{
    return system == TAviDvSystem::Pal ? 1920 * 4 : 1602 * 4;
}

TAviWriterConfig DvConfig(bool type1, TAviDvSystem system)
{
    return type1 ? TAviWriterConfig::dvType1(system, MakeDvInfo(system))
                 : TAviWriterConfig::dvType2(system, MakeDvInfo(system), DvWaveFormat());
}

// Writes frames (and their audio for type 2) to writer; false at the first refusal.
bool WriteFrames(TAviWriter &writer, bool type1, TAviDvSystem system, int first, int count)
{
    for (int i = first; i < first + count; ++i) {
        const QByteArray frame = MakeDvFrame(system, quint32(i));
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size())))
            return false;
        if (!type1) {
            const QByteArray audio = Payload(1, quint32(i), AudioBytesPerFrame(system));
            if (!writer.writeSample(1, audio.constData(), quint32(audio.size())))
                return false;
        }
    }
    return true;
}

// Checks that index holds exactly frames 0..frames-1 (and their audio) as written.
void ExpectSamples(const TByteSource &file, const TAviSampleIndex &index, bool type1, TAviDvSystem system, int frames,
                   int audioFrames = -1)
{
    if (audioFrames < 0)
        audioFrames = frames;
    ASSERT_EQ(index.streams().size(), type1 ? 1u : 2u);
    const auto &video = index.streams()[0].samples;
    ASSERT_EQ(video.size(), size_t(frames));
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(ReadBack(file, video[size_t(i)].offset, video[size_t(i)].size), MakeDvFrame(system, quint32(i)))
            << "frame " << i;
        EXPECT_TRUE(video[size_t(i)].keyframe);
    }
    if (type1)
        return;
    const auto &audio = index.streams()[1].samples;
    ASSERT_EQ(audio.size(), size_t(audioFrames));
    for (int i = 0; i < audioFrames; ++i)
        EXPECT_EQ(ReadBack(file, audio[size_t(i)].offset, audio[size_t(i)].size),
                  Payload(1, quint32(i), AudioBytesPerFrame(system)))
            << "audio " << i;
}

int RiffParts(const TByteSource &file)
{
    int parts = 0;
    for (const TFoundChunk &c : Children(file, 0, file.size()))
        parts += c.id == fcc::RIFF ? 1 : 0;
    return parts;
}

void ExpectProbe(const QString &path, bool type1, int frames)
{
    QString errors;
    const std::vector<TProbedStream> streams = Probe(path, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, "video");
    EXPECT_EQ(streams[0].codec, "dvvideo");
    EXPECT_EQ(streams[0].packets, frames);
    EXPECT_EQ(streams[1].type, "audio");
    EXPECT_EQ(streams[1].codec, "pcm_s16le");
    // A type 1 file's audio comes out of the DV frames, one packet each.
    if (type1)
        EXPECT_EQ(streams[1].packets, frames);
    else
        EXPECT_GE(streams[1].packets, frames);
}

struct TLayoutCase
{
    const char *name;
    bool type1;
    TAviDvSystem system;
    bool openDml;
    qint64 partLimit;
    int frames;
    int parts;
};

class AviWriterLayout : public ::testing::TestWithParam<TLayoutCase>
{
};

TEST_P(AviWriterLayout, FfprobeAndIndexReadWhatWasWritten)
{
    const TLayoutCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("out.avi");

    TAviWriterConfig cfg = DvConfig(c.type1, c.system);
    cfg.openDml = c.openDml;
    cfg.partLimit = c.partLimit;
    TAviWriter writer;
    QString error;
    ASSERT_TRUE(writer.open(path, cfg, &error)) << error.toStdString();
    ASSERT_TRUE(WriteFrames(writer, c.type1, c.system, 0, c.frames)) << writer.errorString().toStdString();
    EXPECT_EQ(writer.partCount(), c.parts);
    ASSERT_TRUE(writer.close()) << writer.errorString().toStdString();

    ExpectProbe(path, c.type1, c.frames);

    TFileSource file(path);
    EXPECT_EQ(RiffParts(file), c.parts);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), c.openDml ? TIndexSource::OpenDml : TIndexSource::Idx1);
    EXPECT_TRUE(index.warning().isEmpty()) << index.warning().toStdString();
    ExpectSamples(file, index, c.type1, c.system, c.frames);
}

TEST_P(AviWriterLayout, HeadersDescribeTheStreams)
{
    const TLayoutCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("out.avi");
    const TAviWriterConfig cfg = [&] {
        TAviWriterConfig k = DvConfig(c.type1, c.system);
        k.openDml = c.openDml;
        k.partLimit = c.partLimit;
        return k;
    }();
    int firstPartFrames = 0;
    {
        TAviWriter writer;
        ASSERT_TRUE(writer.open(path, cfg));
        for (int i = 0; i < c.frames; ++i) {
            const QByteArray frame = MakeDvFrame(c.system, quint32(i));
            ASSERT_TRUE(writer.writeSample(0, frame.constData(), quint32(frame.size())));
            if (writer.partCount() == 1)
                firstPartFrames = i + 1;
            const QByteArray audio = Payload(1, quint32(i), AudioBytesPerFrame(c.system));
            if (!c.type1) {
                ASSERT_TRUE(writer.writeSample(1, audio.constData(), quint32(audio.size())));
            }
        }
        if (c.parts > 1) {
            EXPECT_LT(firstPartFrames, c.frames);
        }
        ASSERT_TRUE(writer.close());
    }

    const bool pal = c.system == TAviDvSystem::Pal;
    const quint32 frameSize = pal ? 144000 : 120000;
    TFileSource file(path);
    const auto avihChunk = Find(file, {"AVI ", "hdrl", "avih"});
    ASSERT_TRUE(avihChunk);
    quint8 raw[256];
    ASSERT_TRUE(file.readExact(avihChunk->data, raw, TAviMainHeader::kSize));
    const TAviMainHeader avih = TAviMainHeader::read(raw);
    EXPECT_EQ(avih.microSecPerFrame, pal ? 40000u : 33367u);
    EXPECT_EQ(avih.flags, AVIF_HASINDEX | AVIF_ISINTERLEAVED | AVIF_TRUSTCKTYPE);
    EXPECT_EQ(avih.totalFrames, quint32(c.openDml ? firstPartFrames : c.frames));
    EXPECT_EQ(avih.streams, c.type1 ? 1u : 2u);
    EXPECT_EQ(avih.width, 720u);
    EXPECT_EQ(avih.height, pal ? 576u : 480u);
    EXPECT_GE(avih.suggestedBufferSize, frameSize);

    // strl lists in order
    const auto hdrl = Find(file, {"AVI ", "hdrl"});
    ASSERT_TRUE(hdrl);
    std::vector<TFoundChunk> strls;
    for (const TFoundChunk &k : Children(file, hdrl->data + 4, hdrl->data + hdrl->size))
        if (k.id == fcc::LIST && k.type == fcc::strl)
            strls.push_back(k);
    ASSERT_EQ(strls.size(), cfg.streams.size());
    for (size_t s = 0; s < strls.size(); ++s) {
        const auto parts = Children(file, strls[s].data + 4, strls[s].data + strls[s].size);
        ASSERT_GE(parts.size(), 2u);
        ASSERT_EQ(parts[0].id, fcc::strh);
        ASSERT_TRUE(file.readExact(parts[0].data, raw, TAviStreamHeader::kSize));
        const TAviStreamHeader strh = TAviStreamHeader::read(raw);
        EXPECT_EQ(strh.fccType, s == 0 ? (c.type1 ? fcc::iavs : fcc::vids) : fcc::auds);
        if (s == 0) {
            EXPECT_EQ(strh.fccHandler, fcc::dvsd);
            EXPECT_EQ(strh.scale, pal ? 1u : 1001u);
            EXPECT_EQ(strh.rate, pal ? 25u : 30000u);
            EXPECT_EQ(strh.length, quint32(c.frames));
            EXPECT_EQ(strh.suggestedBufferSize, frameSize);
        } else {
            EXPECT_EQ(strh.scale, 4u);
            EXPECT_EQ(strh.rate, 192000u);
            EXPECT_EQ(strh.sampleSize, 4u);
            EXPECT_EQ(strh.length, quint32(c.frames) * AudioBytesPerFrame(c.system) / 4);
        }
        ASSERT_EQ(parts[1].id, fcc::strf);
        EXPECT_EQ(ReadBack(file, parts[1].data, parts[1].size), cfg.streams[s].format);
        EXPECT_EQ(parts.size() > 2 && parts[2].id == fcc::indx, c.openDml);
    }
    if (!c.type1) {
        const TBitmapInfoHeader bih = TBitmapInfoHeader::read(
            reinterpret_cast<const quint8 *>(cfg.streams[0].format.constData()));
        EXPECT_EQ(bih.compression, fcc::dvsd);
        EXPECT_EQ(bih.bitCount, 24);
        EXPECT_EQ(bih.sizeImage, frameSize);
        EXPECT_EQ(cfg.streams[0].format.size(), TBitmapInfoHeader::kSize + TDvInfo::kSize);
    }

    const auto dmlh = Find(file, {"AVI ", "hdrl", "odml", "dmlh"});
    EXPECT_EQ(bool(dmlh), c.openDml);
    if (dmlh) {
        EXPECT_EQ(dmlh->size, quint32(kDmlhSize));
        ASSERT_TRUE(file.readExact(dmlh->data, raw, 4));
        EXPECT_EQ(le::u32(raw), quint32(c.frames));
    }
    // idx1 offsets count from the 'movi' fourcc of the first part.
    const auto idx1 = Find(file, {"AVI ", "idx1"});
    ASSERT_TRUE(idx1);
    ASSERT_TRUE(file.readExact(idx1->data, raw, 16));
    EXPECT_EQ(le::u32(raw), MakeFourcc("00dc"));
    EXPECT_EQ(le::u32(raw + 4), 0x10u);
    EXPECT_EQ(le::u32(raw + 12), frameSize);
    EXPECT_EQ(le::u32(raw + 8), 4u); // the first sample chunk follows the fourcc
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AviWriterLayout,
    ::testing::Values(TLayoutCase{"Type1Pal", true, TAviDvSystem::Pal, true, TAviWriterConfig::kDefaultPartLimit, 8, 1},
                      TLayoutCase{"Type2NtscAvi10", false, TAviDvSystem::Ntsc, false, TAviWriterConfig::kDefaultPartLimit, 8, 1},
                      TLayoutCase{"Type2PalParts", false, TAviDvSystem::Pal, true, 1000000, 20, 4},
                      TLayoutCase{"Type1NtscParts", true, TAviDvSystem::Ntsc, true, 500000, 12, 3}),
    [](const ::testing::TestParamInfo<TLayoutCase> &info) { return std::string(info.param.name); });

TEST(AviWriter, OptionsInfoAlignmentAndNoIdx1)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("opts.avi");
    TAviWriterConfig cfg = DvConfig(false, TAviDvSystem::Pal);
    cfg.info = {{MakeFourcc("ISFT"), "Tarvex"}, {MakeFourcc("ICMT"), "odd"}};
    cfg.alignment = 2048;
    cfg.writeIdx1 = false;
    TAviWriter writer;
    ASSERT_TRUE(writer.open(path, cfg));
    ASSERT_TRUE(WriteFrames(writer, false, TAviDvSystem::Pal, 0, 5));
    ASSERT_TRUE(writer.close());

    TFileSource file(path);
    const auto isft = Find(file, {"AVI ", "INFO", "ISFT"});
    ASSERT_TRUE(isft);
    EXPECT_EQ(ReadBack(file, isft->data, isft->size), QByteArray("Tarvex", 7));
    const auto icmt = Find(file, {"AVI ", "INFO", "ICMT"});
    ASSERT_TRUE(icmt);
    EXPECT_EQ(ReadBack(file, icmt->data, icmt->size), QByteArray("odd", 4));
    EXPECT_FALSE(Find(file, {"AVI ", "idx1"}));

    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    ASSERT_FALSE(index.streams()[0].samples.empty());
    EXPECT_EQ((index.streams()[0].samples[0].offset - 8) % 2048, 0);
    ExpectSamples(file, index, false, TAviDvSystem::Pal, 5);
    ExpectProbe(path, false, 5);
}

TEST(AviWriter, GenericStreamWithOwnHeaders)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mjpg.avi");
    TAviStreamConfig video;
    video.header.fccType = fcc::vids;
    video.header.fccHandler = MakeFourcc("MJPG");
    video.header.scale = 1;
    video.header.rate = 10;
    TBitmapInfoHeader bih;
    bih.width = 64;
    bih.height = 48;
    bih.compression = MakeFourcc("MJPG");
    bih.sizeImage = 64 * 48 * 3;
    video.format = RecordBytes(bih);
    video.name = "camera";
    TAviWriterConfig cfg;
    cfg.streams = {video};
    TAviWriter writer;
    ASSERT_TRUE(writer.open(path, cfg));
    for (quint32 i = 0; i < 6; ++i) {
        const QByteArray data = Payload(0, i, 1001 + i); // odd and even sizes
        ASSERT_TRUE(writer.writeSample(0, data.constData(), quint32(data.size()), i % 3 == 0));
    }
    ASSERT_TRUE(writer.close());

    const std::vector<TProbedStream> probed = Probe(path);
    ASSERT_EQ(probed.size(), 1u);
    EXPECT_EQ(probed[0].codec, "mjpeg");
    EXPECT_EQ(probed[0].packets, 6);

    TFileSource file(path);
    TAviMainHeader avih = TAviMainHeader::read(
        reinterpret_cast<const quint8 *>(ReadBack(file, Find(file, {"AVI ", "hdrl", "avih"})->data, 56).constData()));
    EXPECT_EQ(avih.width, 64u);
    EXPECT_EQ(avih.height, 48u);
    EXPECT_EQ(avih.microSecPerFrame, 100000u);
    const auto strn = Find(file, {"AVI ", "hdrl", "strl", "strn"});
    ASSERT_TRUE(strn);
    EXPECT_EQ(ReadBack(file, strn->data, strn->size), QByteArray("camera", 7));

    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    const auto &samples = index.streams()[0].samples;
    ASSERT_EQ(samples.size(), 6u);
    for (quint32 i = 0; i < 6; ++i) {
        EXPECT_EQ(ReadBack(file, samples[i].offset, samples[i].size), Payload(0, i, 1001 + i));
        EXPECT_EQ(samples[i].keyframe, i % 3 == 0);
        EXPECT_EQ(samples[i].offset % 2, 0) << "odd-sized chunks are padded to an even offset";
    }
}

struct TLimitCase
{
    const char *name;
    bool openDml;
    qint64 partLimit;
    int superIndexEntries;
    int framesThatFit;
};

class AviWriterLimit : public ::testing::TestWithParam<TLimitCase>
{
};

// A sample that does not fit is refused and the file stays a valid AVI with
// the samples written before it.
TEST_P(AviWriterLimit, RefusedSampleLeavesValidFile)
{
    const TLimitCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("full.avi");
    TAviWriterConfig cfg = DvConfig(true, TAviDvSystem::Pal);
    cfg.openDml = c.openDml;
    cfg.partLimit = c.partLimit;
    cfg.superIndexEntries = c.superIndexEntries;
    TAviWriter writer;
    ASSERT_TRUE(writer.open(path, cfg));
    int written = 0;
    while (written < 100 && WriteFrames(writer, true, TAviDvSystem::Pal, written, 1))
        ++written;
    EXPECT_EQ(written, c.framesThatFit);
    EXPECT_FALSE(writer.errorString().isEmpty());
    EXPECT_TRUE(writer.close()) << writer.errorString().toStdString();

    ExpectProbe(path, true, c.framesThatFit);
    TFileSource file(path);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), c.openDml ? TIndexSource::OpenDml : TIndexSource::Idx1);
    ExpectSamples(file, index, true, TAviDvSystem::Pal, c.framesThatFit);
}

INSTANTIATE_TEST_SUITE_P(Limits, AviWriterLimit,
                         ::testing::Values(TLimitCase{"Avi10FileFull", false, 450000, 256, 3},
                                           TLimitCase{"SuperIndexFull", true, 450000, 2, 6}),
                         [](const ::testing::TestParamInfo<TLimitCase> &info) { return std::string(info.param.name); });

// The file size limit makes writes fail part-way, as a full disk would.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(AviWriter, FailedWriteStillFinalisesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cut.avi");
    quint64 kept = 0, keptAudio = 0;
    int accepted = 0;
    {
        const FileSizeLimit limit(3000000);
        TAviWriter writer;
        ASSERT_TRUE(writer.open(path, DvConfig(false, TAviDvSystem::Pal)));
        while (accepted < 100 && WriteFrames(writer, false, TAviDvSystem::Pal, accepted, 1))
            ++accepted;
        EXPECT_LT(accepted, 100);
        EXPECT_FALSE(writer.errorString().isEmpty());
        EXPECT_FALSE(writer.close());
        kept = writer.sampleCount(0);
        keptAudio = writer.sampleCount(1);
    }
    // What was written before the failure is kept; the sound still in the
    // write buffer is not, so it may end one frame before the pictures.
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, quint64(accepted));
    EXPECT_TRUE(keptAudio == kept || keptAudio + 1 == kept) << keptAudio << " sound samples for " << kept << " frames";
    QString errors;
    const std::vector<TProbedStream> streams = Probe(path, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].packets, qint64(kept));

    TFileSource file(path);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_FALSE(index.truncated());
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    ExpectSamples(file, index, false, TAviDvSystem::Pal, int(kept), int(keptAudio));
}

TEST(AviWriter, DestructionFinalisesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dropped.avi");
    {
        TAviWriterConfig cfg = DvConfig(false, TAviDvSystem::Ntsc);
        cfg.partLimit = 600000;
        TAviWriter writer;
        ASSERT_TRUE(writer.open(path, cfg));
        ASSERT_TRUE(WriteFrames(writer, false, TAviDvSystem::Ntsc, 0, 9));
        EXPECT_GT(writer.partCount(), 1);
    }
    ExpectProbe(path, false, 9);
    TFileSource file(path);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    ExpectSamples(file, index, false, TAviDvSystem::Ntsc, 9);
}

TEST(AviWriter, RefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    TAviWriter writer;
    const char byte = 0;
    EXPECT_FALSE(writer.writeSample(0, &byte, 1));
    EXPECT_FALSE(writer.close());

    QString error;
    EXPECT_FALSE(writer.open(dir.filePath("none.avi"), TAviWriterConfig{}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(writer.open(dir.filePath("missing/folder/x.avi"), DvConfig(true, TAviDvSystem::Pal), &error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(writer.open(dir.filePath("ok.avi"), DvConfig(true, TAviDvSystem::Pal)));
    EXPECT_FALSE(writer.writeSample(1, &byte, 1));
    EXPECT_FALSE(writer.writeSample(-1, &byte, 1));
    EXPECT_FALSE(writer.writeSample(0, nullptr, 4));
    EXPECT_FALSE(writer.writeSample(0, &byte, 0x80000000u));
    EXPECT_TRUE(writer.writeSample(0, &byte, 1));
    EXPECT_TRUE(writer.close());
}

} // namespace
