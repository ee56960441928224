#include "dv/difframe.h"
#include "dv/dvcodes.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

quint8 *Bytes(QByteArray &frame)
{
    return reinterpret_cast<quint8 *>(frame.data());
}

int Sequences(const QByteArray &frame)
{
    return DifSequenceCount(frame.size());
}

// Marks the bytes of every pack slot (subcode, VAUX, AAUX) of a frame.
std::vector<bool> PackSlotMask(int sequences)
{
    std::vector<bool> mask(size_t(sequences) * dif::SequenceSize, false);
    auto mark = [&](int offset) {
        for (int i = 0; i < dif::PackSize; ++i)
            mask[size_t(offset + i)] = true;
    };
    for (int seq = 0; seq < sequences; ++seq) {
        for (int block = 1; block <= 2; ++block)
            for (int k = 0; k < 6; ++k)
                mark(dif::SubcodePackOffset(seq, block, k));
        for (int block = 3; block <= 5; ++block)
            for (int p = 0; p < 15; ++p)
                mark(dif::VauxPackOffset(seq, block, p));
        for (int m = 0; m < 9; ++m)
            mark(dif::AudioBlockOffset(seq, m) + 3);
    }
    return mask;
}

// Index of the first byte outside the pack slots that differs, or -1.
qsizetype FirstChangeOutsidePacks(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return 0;
    const std::vector<bool> mask = PackSlotMask(Sequences(a));
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!mask[size_t(i)] && a[i] != b[i])
            return i;
    return -1;
}

TEST(DifFrameTest, BlankFrameHasEveryBlockIdAndNoPacks)
{
    for (const bool pal : {true, false}) {
        QByteArray frame = MakeBlankDifFrame(pal);
        const int sequences = pal ? 12 : 10;
        ASSERT_EQ(Sequences(frame), sequences);
        const quint8 *f = Bytes(frame);

        for (int seq = 0; seq < sequences; ++seq) {
            int audio = 0, video = 0;
            for (int b = 0; b < dif::BlocksPerSequence; ++b) {
                const quint8 *id = f + dif::SequenceOffset(seq) + b * dif::BlockSize;
                int section = 4, number = 0;
                if (b == 0) {
                    section = 0;
                } else if (b <= 2) {
                    section = 1, number = b - 1;
                } else if (b <= 5) {
                    section = 2, number = b - 3;
                } else if ((b - 6) % 16 == 0) {
                    section = 3, number = audio++;
                } else {
                    number = video++;
                }
                ASSERT_EQ(id[0] >> 5, section) << seq << " " << b;
                ASSERT_EQ(id[1] >> 4, seq) << seq << " " << b;
                ASSERT_EQ(id[2], number) << seq << " " << b;
            }
            EXPECT_EQ(audio, 9);
            EXPECT_EQ(video, 135);
            EXPECT_EQ(f[dif::SequenceOffset(seq) + 3], pal ? 0xBF : 0x3F);
            EXPECT_EQ(f[dif::SequenceOffset(seq) + 4] & 0x07, 0) << "APT 0";
        }

        bool is525 = pal;
        ASSERT_TRUE(ReadSystem(f, is525));
        EXPECT_EQ(is525, !pal);
        quint8 pack[5];
        quint8 block[80];
        for (int id = 0; id < 0xFF; ++id) {
            ASSERT_FALSE(FindPack(f, sequences, quint8(id), pack)) << id;
            ASSERT_FALSE(FindAudioBlock(f, sequences, quint8(id), block)) << id;
        }
        TDatecodeFields dc;
        EXPECT_FALSE(ReadDatecode(f, sequences, dc));
    }
}

TEST(DifFrameTest, PackMakersRoundTripThroughTheReaders)
{
    QByteArray frame = MakeBlankDifFrame(true);
    quint8 *f = Bytes(frame);
    const TDatecodeFields dc{2024, 2, 29, 7, 8, 9};
    PutVauxPack(f, 0, 5, 11, MakeRecDatePack(dc));
    PutVauxPack(f, 0, 5, 12, MakeRecTimePack(dc));
    PutSubcodePack(f, 0, 1, 0, MakeTimecodePack({1, 2, 3, 24}, true));
    PutVauxPack(f, 0, 5, 10, MakeVauxControlPack(7));
    PutAauxPack(f, 0, 3, MakeAauxSourcePack(32000, 12, 4, true));

    TDatecodeFields readDc;
    ASSERT_TRUE(ReadDatecode(f, 12, readDc));
    EXPECT_EQ(readDc, dc);
    TTimecodeFields tc;
    ASSERT_TRUE(ReadTimecode(f, 12, tc));
    EXPECT_EQ(tc, (TTimecodeFields{1, 2, 3, 24}));
    bool wide = false;
    ASSERT_TRUE(ReadWideScreen(f, 12, wide));
    EXPECT_TRUE(wide);
    qint32 rate = 0, bits = 0, channels = 0;
    ASSERT_TRUE(ReadAudioFormat(f, 12, rate, bits, channels));
    EXPECT_EQ(rate, 32000);
    EXPECT_EQ(bits, 12);
    EXPECT_EQ(channels, 4);
}

TEST(DifFrameTest, StampedPacksReadBack)
{
    struct Case { bool pal; TCamcorderPacks packs; };
    const std::vector<Case> cases = {
        {true, {TDatecodeFields{2007, 12, 31, 23, 59, 59}, {0, 54, 32, 10}, false, 48000, 16, 2}},
        {false, {TDatecodeFields{1999, 1, 2, 3, 4, 5}, {12, 0, 1, 29}, true, 32000, 12, 4}},
        {true, {std::nullopt, {23, 59, 59, 24}, true, 44100, 16, 1}},
        {false, {std::nullopt, {0, 0, 0, 0}, false, 48000, 16, 2}},
    };
    for (const Case &c : cases) {
        QByteArray frame = MakeBlankDifFrame(c.pal);
        const QByteArray blank = frame;
        quint8 *f = Bytes(frame);
        const int sequences = Sequences(frame);
        StampCamcorderPacks(f, sequences, c.packs);

        TDatecodeFields dc;
        ASSERT_EQ(ReadDatecode(f, sequences, dc), c.packs.datecode.has_value());
        if (c.packs.datecode) {
            EXPECT_EQ(dc, *c.packs.datecode);
        }
        TTimecodeFields tc;
        ASSERT_TRUE(ReadTimecode(f, sequences, tc));
        EXPECT_EQ(tc, c.packs.timecode);
        bool wide = !c.packs.wide16x9;
        ASSERT_TRUE(ReadWideScreen(f, sequences, wide));
        EXPECT_EQ(wide, c.packs.wide16x9);
        qint32 rate = 0, bits = 0, channels = 0;
        ASSERT_TRUE(ReadAudioFormat(f, sequences, rate, bits, channels));
        EXPECT_EQ(rate, c.packs.audioRate);
        EXPECT_EQ(bits, c.packs.audioBits);
        EXPECT_EQ(channels, c.packs.audioChannels);

        // Where camcorders put them.
        EXPECT_EQ(f[dif::FixedDatePackOffset], c.packs.datecode ? dvpack::RecDate : dvpack::Empty);
        EXPECT_EQ(f[dif::FixedTimePackOffset], c.packs.datecode ? dvpack::RecTime : dvpack::Empty);
        for (int seq = 0; seq < sequences; ++seq) {
            EXPECT_EQ(f[dif::AudioBlockOffset(seq, seq % 2 ? 0 : 3) + 3], dvpack::AauxSource) << seq;
            EXPECT_EQ(f[dif::AudioBlockOffset(seq, seq % 2 ? 1 : 4) + 3], dvpack::AauxSourceControl) << seq;
            EXPECT_EQ(f[dif::SubcodePackOffset(seq, 1, 0)], dvpack::Timecode) << seq;
            const bool secondHalf = seq >= sequences / 2;
            EXPECT_EQ(f[dif::SubcodePackOffset(seq, 2, 1)],
                      secondHalf && c.packs.datecode ? dvpack::RecDate : (secondHalf ? dvpack::Empty : dvpack::Timecode))
                << seq;
        }
        EXPECT_EQ(FirstChangeOutsidePacks(frame, blank), -1);
    }
}

TEST(DifFrameTest, StampedDatecodeCanBeRewritten)
{
    QByteArray frame = MakeBlankDifFrame(true);
    quint8 *f = Bytes(frame);
    StampCamcorderPacks(f, 12, {TDatecodeFields{2007, 12, 31, 23, 59, 59}, {}, false, 48000, 16, 2});
    WriteDatecode(f, 12, {2010, 6, 15, 8, 30, 0});
    TDatecodeFields dc;
    ASSERT_TRUE(ReadDatecode(f, 12, dc));
    EXPECT_EQ(dc, (TDatecodeFields{2010, 6, 15, 8, 30, 0}));
    TTimecodeFields tc{9, 9, 9, 9};
    ASSERT_TRUE(ReadTimecode(f, 12, tc));
    EXPECT_EQ(tc, TTimecodeFields{}) << "the timecode packs stay";
}

// Checks against FFmpeg's own DV reader and decoder, when they are installed.
class FfmpegCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        m_ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
        if (m_ffmpeg.isEmpty() || m_ffprobe.isEmpty())
            GTEST_SKIP() << "ffmpeg/ffprobe not installed";
        ASSERT_TRUE(m_dir.isValid());
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static bool Run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess process;
        process.start(program, args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            ADD_FAILURE() << program.toStdString() << " " << args.join(u' ').toStdString() << "\n"
                          << process.readAllStandardError().toStdString();
            return false;
        }
        if (out)
            *out = process.readAllStandardOutput();
        return true;
    }

    static bool WriteFile(const QString &fileName, const QByteArray &bytes)
    {
        QFile file(fileName);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // The pictures of a raw DV file as 8-bit grey.
    QByteArray DecodeGrey(const QString &dvFile) const
    {
        QByteArray grey;
        Run(m_ffmpeg, {"-v", "error", "-f", "dv", "-i", dvFile, "-f", "rawvideo", "-pix_fmt", "gray", "-"}, &grey);
        return grey;
    }

    QString m_ffmpeg;
    QString m_ffprobe;
    QTemporaryDir m_dir;
};

TEST_F(FfmpegCheck, ReadsTheStampedPacksOfBlankFrames)
{
    QByteArray frames;
    for (int i = 0; i < 3; ++i) {
        QByteArray frame = MakeBlankDifFrame(true);
        StampCamcorderPacks(Bytes(frame), 12,
                            {TDatecodeFields{2007, 12, 31, 23, 59, 59}, {0, 54, 32, quint8(10 + i)}, true, 48000, 16, 2});
        frames += frame;
    }
    const QString file = path(QStringLiteral("stamped.dv"));
    ASSERT_TRUE(WriteFile(file, frames));

    QByteArray probe;
    ASSERT_TRUE(Run(m_ffprobe, {"-v", "error", "-f", "dv", "-show_entries",
                                "format_tags=timecode:stream=codec_name,width,height,display_aspect_ratio,sample_rate,channels",
                                "-of", "flat", file},
                    &probe));
    const QString text = QString::fromUtf8(probe);
    EXPECT_TRUE(text.contains(QStringLiteral("codec_name=\"dvvideo\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("width=720"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("height=576"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("display_aspect_ratio=\"16:9\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("sample_rate=\"48000\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("channels=2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("timecode=\"00:54:32:10\""))) << text.toStdString();

    // The blank picture decodes to mid grey.
    const QByteArray grey = DecodeGrey(file);
    ASSERT_EQ(grey.size(), 3 * 720 * 576);
    for (qsizetype i = 0; i < grey.size(); i += 997)
        ASSERT_NEAR(quint8(grey[i]), 128, 2) << i;
}

TEST_F(FfmpegCheck, StampingAnEncodedFrameLeavesThePictureAlone)
{
    const QString encoded = path(QStringLiteral("encoded.dv"));
    ASSERT_TRUE(Run(m_ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25", "-frames:v", "1",
                               "-pix_fmt", "yuv420p", "-c:v", "dvvideo", "-f", "rawvideo", encoded}));
    QFile in(encoded);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray original = in.readAll();
    ASSERT_EQ(original.size(), dif::FrameSize625);

    QByteArray frame = original;
    const TCamcorderPacks packs{TDatecodeFields{2004, 5, 6, 7, 8, 9}, {1, 2, 3, 4}, true, 32000, 12, 4};
    StampCamcorderPacks(Bytes(frame), 12, packs);
    EXPECT_EQ(FirstChangeOutsidePacks(frame, original), -1);

    TDatecodeFields dc;
    ASSERT_TRUE(ReadDatecode(Bytes(frame), 12, dc));
    EXPECT_EQ(dc, *packs.datecode);
    TTimecodeFields tc;
    ASSERT_TRUE(ReadTimecode(Bytes(frame), 12, tc));
    EXPECT_EQ(tc, packs.timecode);
    bool wide = false;
    ASSERT_TRUE(ReadWideScreen(Bytes(frame), 12, wide));
    EXPECT_TRUE(wide);

    const QString stamped = path(QStringLiteral("stamped.dv"));
    ASSERT_TRUE(WriteFile(stamped, frame));
    const QByteArray before = DecodeGrey(encoded);
    ASSERT_EQ(before.size(), 720 * 576);
    EXPECT_EQ(DecodeGrey(stamped), before);
}

} // namespace
