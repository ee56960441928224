// The sound of DV files whose AVI header disagrees with their frames, of
// four-channel recordings and of recordings whose format changes, through
// the record and the commands of tarvex-cli; and the sound of other video
// recompressed into DV. Every output is checked against ffmpeg's decoding of
// the source: sample for sample where nothing is converted, by level and
// length where the sound is resampled or mixed.

#include "clirun.h"

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"
#include "support/aviframes.h"
#include "support/ffprobe.h"
#include "support/riffbuilder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

namespace {

// A run of frames with one sound format: 16-bit stereo, or 12-bit at
// 32 kHz in one or two pairs.
struct TSoundPart
{
    int frames;
    qint32 rate;
    int bits;
    bool twoPairs = false;
};

quint32 Word(const TDvPack &pack)
{
    return le::u32(pack.data() + 1);
}

// Writes a DV type 1 file whose frames carry a tone on each channel (440,
// 660, 880 and 1100 Hz) in the formats of parts, one after another. Its
// DVINFO is taken from the first frame, then edited.
bool WriteDvSound(const QString &path, bool pal, const std::vector<TSoundPart> &parts,
                  const std::function<void(TDvInfo &)> &editInfo)
{
    TAviWriter writer;
    const int count = pal ? dif::Sequences625 : dif::Sequences525;
    double seconds = 0;
    quint32 index = 0;
    for (const TSoundPart &part : parts) {
        for (int f = 0; f < part.frames; ++f, ++index) {
            QByteArray frame = MakeBlankDifFrame(pal);
            auto *bytes = reinterpret_cast<quint8 *>(frame.data());
            TCamcorderPacks packs;
            packs.datecode = TDatecodeFields{2007, 12, 31, 10, 0, 0};
            packs.audioRate = part.rate;
            packs.audioBits = part.bits;
            StampCamcorderPacks(bytes, count, packs);
            TDvAudioEncoding encoding;
            encoding.rate = part.rate;
            encoding.bits = part.bits;
            encoding.samples = DvAudioSamplesPerFrame(pal, part.rate, index);
            encoding.locked = !pal && part.rate == 48000;
            std::vector<qint16> pairs[2];
            for (int p = 0; p < 2; ++p)
                for (int n = 0; n < encoding.samples; ++n)
                    for (int c = 0; c < 2; ++c) {
                        const double t = seconds + double(n) / part.rate;
                        pairs[p].push_back(qint16(std::lround(8000 * std::sin(2 * M_PI * 220 * (2 + 2 * p + c) * t))));
                    }
            seconds += double(encoding.samples) / part.rate;
            if (!EncodeDvAudio(std::span<quint8>(bytes, size_t(frame.size())), encoding, pairs[0],
                               part.twoPairs ? std::span<const qint16>(pairs[1]) : std::span<const qint16>()))
                return false;
            if (index == 0) {
                TDvInfo info = DvInfoFromFrame(bytes, count);
                editInfo(info);
                if (!writer.open(path, TAviWriterConfig::dvType1(pal ? TAviDvSystem::Pal : TAviDvSystem::Ntsc, info)))
                    return false;
            }
            if (!writer.writeSample(0, frame.constData(), quint32(frame.size())))
                return false;
        }
    }
    return writer.close();
}

// The sound of one audio stream of a file as ffmpeg decodes it, 16-bit
// interleaved; options go before the output (-ar, -ac).
QByteArray FfmpegSound(const QString &file, int stream, const QStringList &options = {})
{
    const TRun r = run("ffmpeg", QStringList{"-v", "error", "-i", file, "-map", QStringLiteral("0:a:%1").arg(stream)}
                                     << options << QStringList{"-f", "s16le", "-"});
    return r.exitCode == 0 ? r.out : QByteArray();
}

QJsonObject Info(const QString &file)
{
    return QJsonDocument::fromJson(cli({"info", "--json", file}).out).array().at(0).toObject();
}

struct TWave
{
    int rate = 0;
    int channels = 0;
    QByteArray samples;
};

TWave ReadWave(const QString &path)
{
    QFile file(path);
    TWave w;
    if (!file.open(QIODevice::ReadOnly))
        return w;
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (bytes.size() < 44 || data < 0)
        return w;
    w.channels = le::u16(reinterpret_cast<const quint8 *>(bytes.constData()) + 22);
    w.rate = int(le::u32(reinterpret_cast<const quint8 *>(bytes.constData()) + 24));
    w.samples = bytes.mid(data + 8);
    return w;
}

// Root mean square of one channel of interleaved 16-bit sound, from sample
// frame `from` to `to` (-1: the end).
double Level(const QByteArray &pcm, int channels, int channel, qint64 from = 0, qint64 to = -1)
{
    const auto *v = reinterpret_cast<const qint16 *>(pcm.constData());
    const qint64 frames = pcm.size() / 2 / channels;
    if (to < 0 || to > frames)
        to = frames;
    double sum = 0;
    for (qint64 i = from; i < to; ++i)
        sum += double(v[i * channels + channel]) * v[i * channels + channel];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

class Sound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!haveTool("ffmpeg"))
            GTEST_SKIP() << "ffmpeg is needed to read the sources";
    }
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

// ----------------------------------------------------------- DV sound

struct TDvCase
{
    const char *name;
    bool pal;
    std::vector<TSoundPart> parts;
    std::function<void(TDvInfo &)> editInfo; // what the capture tool wrote
    const char *audioText;
    int pairs;
};

// The record, the extracted sound, the type 2 streams and a change of
// standard all follow the frames' own packs, whatever DVINFO says.
TEST_F(Sound, DvSoundFollowsTheFramesNotTheHeader)
{
    const auto aaux = [](qint32 rate, int bits, bool pal) { return Word(MakeAauxSourcePack(rate, bits, 2, pal)); };
    const TDvCase cases[] = {
        {"dvinfo32k", true, {{25, 48000, 16}}, [&](TDvInfo &i) { i.aauxSrc = i.aauxSrc1 = aaux(32000, 12, true); },
         "48000Hz 16 bits  stereo", 1},
        {"dvinfozero", false, {{30, 32000, 12, true}}, [](TDvInfo &i) { i = TDvInfo{}; }, "32000Hz 12(16) bits  stereo", 2},
        {"paldvinfozero", true, {{25, 48000, 16}}, [](TDvInfo &i) { i = TDvInfo{}; }, "48000Hz 16 bits  stereo", 1},
        {"pal4ch", true, {{25, 32000, 12, true}},
         [&](TDvInfo &i) {
             i.aauxSrc = aaux(32000, 12, true);
             i.aauxSrc1 = i.aauxSrc | 0x0F00; // audio mode 0xF: no second pair
         },
         "32000Hz 12(16) bits  stereo", 2},
        {"ntsc4ch", false, {{30, 32000, 12, true}},
         [&](TDvInfo &i) { i.aauxSrc = i.aauxSrc1 = aaux(48000, 16, false); }, "32000Hz 12(16) bits  stereo", 2},
    };
    for (const TDvCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const QString src = path(name + ".avi");
        ASSERT_TRUE(WriteDvSound(src, c.pal, c.parts, c.editInfo));
        const QJsonObject info = Info(src);
        EXPECT_EQ(info["audio_text"].toString(), QString::fromLatin1(c.audioText));
        // The standard, too, is the frames' own.
        EXPECT_EQ(info["standard"].toInt(), c.pal ? 0 : 1);
        EXPECT_DOUBLE_EQ(info["frame_rate"].toDouble(), c.pal ? 25.0 : 30000.0 / 1001.0);
        const int rate = c.parts[0].rate;
        qint64 samples = 0;
        for (int f = 0; f < c.parts[0].frames; ++f)
            samples += DvAudioSamplesPerFrame(c.pal, rate, quint32(f));
        QByteArray source[2];
        for (int p = 0; p < c.pairs; ++p) {
            source[p] = FfmpegSound(src, p);
            ASSERT_EQ(source[p].size(), samples * 4) << "pair " << p;
        }

        TRun r = cli({"ExtraireAudio", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const TWave wave = ReadWave(path(name + ".wav"));
        EXPECT_EQ(wave.rate, rate);
        EXPECT_EQ(wave.channels, 2);
        EXPECT_TRUE(wave.samples == source[0]) << "the WAV holds the first pair as ffmpeg decodes it";

        r = cli({"ConvertirDV2", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QString type2 = path(name + "_type2.avi");
        const std::vector<TProbedStream> streams = Probe(type2);
        ASSERT_EQ(int(streams.size()), 1 + c.pairs) << "DV video and a PCM stream for each pair";
        for (int p = 0; p < c.pairs; ++p)
            EXPECT_TRUE(AviStreamBytes(type2, 1 + p) == source[p]) << "pair " << p << " sample for sample";

        if (c.pairs < 2)
            continue;
        // Re-encoded in the other standard, both pairs stay: 12-bit four-channel frames.
        const char *command = c.pal ? "ConvertirNTSC" : "ConvertirPal";
        r = cli({command, "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QString other = path(name + (c.pal ? "_ntsc.avi" : "_pal.avi"));
        for (const QByteArray &frame : AviVideoFrames(other)) {
            TDvAudioInfo info;
            ASSERT_TRUE(ReadDvAudioInfo(std::span<const quint8>(reinterpret_cast<const quint8 *>(frame.constData()),
                                                                size_t(frame.size())),
                                        info));
            for (const TDvAudioPair &pair : info.pairs)
                ASSERT_TRUE(pair.present && pair.rate == 32000 && pair.bits == 12);
        }
        for (int p = 0; p < 2; ++p) {
            const QByteArray out = FfmpegSound(other, p);
            ASSERT_GE(out.size(), source[p].size() - 1068 * 4) << "pair " << p << " lasts as long as the picture";
            const qsizetype common = std::min(out.size(), source[p].size());
            EXPECT_TRUE(out.left(common) == source[p].left(common)) << "pair " << p << " sample for sample";
        }
    }
}

// A tape with a 48 kHz recording followed by a 32 kHz one: the sound keeps
// the first format, the later frames are resampled to it, none is lost.
TEST_F(Sound, ChangeOfFormatMidwayKeepsAllTheSound)
{
    const QString src = path("change.avi");
    ASSERT_TRUE(WriteDvSound(src, true, {{20, 48000, 16}, {20, 32000, 12}}, [](TDvInfo &) {}));
    EXPECT_EQ(Info(src)["audio_text"].toString(), "48000Hz 16 bits  stereo");
    const TRun r = cli({"ExtraireAudio", "--yes", src});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const TWave wave = ReadWave(path("change.wav"));
    EXPECT_EQ(wave.rate, 48000);
    ASSERT_EQ(wave.samples.size(), 40 * 1920 * 4) << "forty frames of sound at 48 kHz";

    const QByteArray source = FfmpegSound(src, 0, {"-ar", "48000"});
    const qint64 change = 20 * 1920;
    EXPECT_TRUE(wave.samples.left(change * 4) == source.left(change * 4)) << "the first recording sample for sample";
    for (int channel = 0; channel < 2; ++channel) {
        // Past the resampler's first few samples, the tone keeps its level.
        const double expected = Level(source, 2, channel, change + 100, change + 19 * 1920);
        EXPECT_GT(expected, 5000);
        EXPECT_NEAR(Level(wave.samples, 2, channel, change + 100, change + 19 * 1920), expected, expected * 0.02) << channel;
    }
}

// ----------------------------------------------------------- recompression

struct TRecompressCase
{
    const char *name;
    QStringList sound; // ffmpeg's options for the source's sound
    int frequency;     // "DV Frequency": 0 32 kHz, 1 44.1 kHz, 2 48 kHz
    int channels;      // of the source
};

QString MakeMotionJpeg(const QString &file, const QStringList &sound)
{
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25"};
    if (!sound.isEmpty())
        args << QStringList{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100"} << sound;
    args << QStringList{"-t", "2", "-c:v", "mjpeg", file};
    return run("ffmpeg", args).exitCode == 0 ? file : QString();
}

// Sound of any kind reaches the DV file as 16-bit stereo at the DV rate,
// as long as the picture and at the level ffmpeg decodes.
TEST_F(Sound, RecompressionKeepsAnySound)
{
    const TRecompressCase cases[] = {
        {"mp3", {"-c:a", "libmp3lame", "-ac", "2"}, 2, 2},
        {"ima", {"-c:a", "adpcm_ima_wav", "-ac", "1"}, 0, 1},
        {"u8", {"-c:a", "pcm_u8", "-ac", "2"}, 1, 2},
        {"s24", {"-c:a", "pcm_s24le", "-ac", "2"}, 2, 2},
        {"quad", {"-c:a", "pcm_s16le", "-ac", "4"}, 2, 4},
    };
    const int rates[] = {32000, 44100, 48000};
    for (const TRecompressCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString src = MakeMotionJpeg(path(QString::fromLatin1(c.name) + ".avi"), c.sound);
        ASSERT_FALSE(src.isEmpty());
        const TRun r = cli({"RecompresserDV2", "--yes", "--set", QStringLiteral("FrequenceDV=%1").arg(c.frequency), src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QString out = path(QString::fromLatin1(c.name) + "_dvtype2.avi");
        const int rate = rates[c.frequency];
        const QString packs = QStringLiteral("%1/16/2").arg(rate);
        for (const TFrameRow &row : FrameRows(out))
            ASSERT_EQ(row.audio, packs);
        EXPECT_EQ(Info(out)["audio_text"].toString(),
                  QStringLiteral("%1Hz %2 bits  stereo").arg(rate).arg(rate == 32000 ? "12(16)" : "16"));
        const QByteArray pcm = AviStreamBytes(out, 1);
        EXPECT_EQ(pcm.size(), qint64(rate) * 2 * 4) << "two seconds of stereo";
        // ffmpeg's decoding at the same rate; a mono source in both channels.
        const QByteArray source = FfmpegSound(src, 0, {"-ar", QString::number(rate), "-ac", c.channels == 1 ? "1" : "2"});
        for (int channel = 0; channel < 2; ++channel) {
            const double expected = Level(source, c.channels == 1 ? 1 : 2, c.channels == 1 ? 0 : channel, rate / 10, rate);
            EXPECT_GT(expected, 500);
            EXPECT_NEAR(Level(pcm, 2, channel, rate / 10, rate), expected, expected * 0.03) << channel;
        }
    }
}

// Without sound, and with a sound no decoder takes, the DV frames say what
// their PCM stream holds: silence at the DV rate. The sound left out is
// reported for its file.
TEST_F(Sound, RecompressionWithoutUsableSoundIsSilentAndSaysSo)
{
    const QString none = MakeMotionJpeg(path("none.avi"), {});
    const QString odd = MakeMotionJpeg(path("odd.avi"), {"-c:a", "pcm_s16le", "-ac", "2"});
    ASSERT_FALSE(none.isEmpty() || odd.isEmpty());
    {
        // An audio format tag that no decoder knows.
        QFile file(odd);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 strf = riff::ChunkDataOffset(file.readAll(), "strf", 1);
        ASSERT_GT(strf, 0);
        ASSERT_TRUE(file.seek(strf));
        file.write(riff::Le16(0x7A7A));
    }
    for (const QString &src : {none, odd}) {
        SCOPED_TRACE(src.toStdString());
        const TRun r = cli({"RecompresserDV2", "--yes", src});
        const bool undecodable = src == odd;
        EXPECT_EQ(r.exitCode, undecodable ? 1 : 0) << r.err.constData();
        EXPECT_EQ(r.err.contains("cannot be decoded"), undecodable) << r.err.constData();
        const QString out = QString(src).replace(".avi", "_dvtype2.avi");
        const std::vector<TFrameRow> rows = FrameRows(out);
        ASSERT_EQ(rows.size(), 50u);
        for (const TFrameRow &row : rows)
            ASSERT_EQ(row.audio, "48000/16/2");
        EXPECT_EQ(AviStreamBytes(out, 1), QByteArray(50 * 1920 * 4, '\0'));
    }
}

} // namespace

// Compressed sound comes out of ExtraireAudio decoded: a PCM WAV of the
// source's rate and channels, at the level ffmpeg decodes.
TEST_F(Sound, ExtractedCompressedSoundIsPcm)
{
    const TRecompressCase cases[] = {
        {"mp3", {"-c:a", "libmp3lame", "-ac", "2"}, 0, 2},
        {"ima", {"-c:a", "adpcm_ima_wav", "-ac", "1"}, 0, 1},
        {"quad", {"-c:a", "pcm_s24le", "-ac", "4"}, 0, 4},
    };
    for (const TRecompressCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString src = MakeMotionJpeg(path(QString::fromLatin1(c.name) + ".avi"), c.sound);
        ASSERT_FALSE(src.isEmpty());
        const TRun r = cli({"ExtraireAudio", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const TWave wave = ReadWave(path(QString::fromLatin1(c.name) + ".wav"));
        EXPECT_EQ(wave.rate, 44100);
        EXPECT_EQ(wave.channels, c.channels);
        const QByteArray source = FfmpegSound(src, 0, {});
        // The decoders of both sides may differ by a frame of priming at the ends.
        EXPECT_NEAR(double(wave.samples.size()), double(source.size()), 2 * 1152 * 2 * c.channels);
        double loudest = 0;
        for (int channel = 0; channel < c.channels; ++channel) {
            const double expected = Level(source, c.channels, channel, 4410, 44100);
            loudest = std::max(loudest, expected);
            EXPECT_NEAR(Level(wave.samples, c.channels, channel, 4410, 44100), expected, 5 + expected * 0.03) << channel;
        }
        EXPECT_GT(loudest, 500);
    }
}

// The sound is extracted at its own rate, whatever its number of digits.
TEST_F(Sound, ExtractedSoundKeepsItsRate)
{
    for (const int rate : {8000, 192000}) {
        SCOPED_TRACE(rate);
        const QString name = QStringLiteral("rate%1").arg(rate);
        const QString src = path(name + ".avi");
        const TRun made = run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-f", "lavfi",
                                         "-i", QStringLiteral("sine=frequency=440:sample_rate=%1").arg(rate), "-t", "1", "-c:v",
                                         "mjpeg", "-c:a", "pcm_s16le", "-ac", "2", "-f", "avi", src});
        ASSERT_EQ(made.exitCode, 0) << made.err.constData();
        EXPECT_EQ(Info(src)["audio_text"].toString(), QStringLiteral("%1Hz 16 bits  stereo").arg(rate));
        const TRun r = cli({"ExtraireAudio", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const TWave wave = ReadWave(path(name + ".wav"));
        EXPECT_EQ(wave.rate, rate);
        EXPECT_TRUE(wave.samples == FfmpegSound(src, 0)) << "sample for sample";
    }
}
