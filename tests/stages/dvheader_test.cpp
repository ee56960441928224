// The DV header stage: time shifts, the running datecode, the display flag,
// the heads restored from the frame data a sample carries (across systems,
// whatever the frames in flight), samples it leaves alone, and re-encoding
// pipelines.

#include "inlaylines.h"

#include "avi/avisampleindex.h"
#include "dv/datecode.h"
#include "dv/difframe.h"
#include "dv/dvcodes.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvencoderelement.h"
#include "pipelines/framerateconverter.h"
#include "pipelines/pipeline.h"
#include "pipelines/queueelement.h"
#include "stages/dv_dvheader.h"
#include "stages/dv_scenedetect.h"
#include "stages/dv_superposer.h"
#include "support/aviframes.h"
#include "support/handelements.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace {

int Sequences(bool pal)
{
    return pal ? dif::Sequences625 : dif::Sequences525;
}

TDatecodeFields Fields(int y, int mo, int d, int h, int mi, int s)
{
    return {y, quint8(mo), quint8(d), quint8(h), quint8(mi), quint8(s)};
}

TTimecodeFields Timecode(int number)
{
    return {quint8(number / 90000), quint8(number / 1500 % 60), quint8(number / 25 % 60), quint8(number % 25)};
}

QByteArray MakeFrame(bool pal, std::optional<TDatecodeFields> datecode, int number = 0, int apt = 0)
{
    QByteArray frame = MakeBlankDifFrame(pal);
    quint8 *bytes = reinterpret_cast<quint8 *>(frame.data());
    SetApt(bytes, Sequences(pal), apt);
    TCamcorderPacks p;
    p.datecode = datecode;
    p.timecode = Timecode(number);
    StampCamcorderPacks(bytes, Sequences(pal), p);
    return frame;
}

const quint8 *Bytes(const QByteArray &a)
{
    return reinterpret_cast<const quint8 *>(a.constData());
}

// Every pack slot (subcode and VAUX) of sequence seq whose ID is packId.
std::vector<const quint8 *> PacksOf(const QByteArray &frame, int seq, quint8 packId)
{
    std::vector<const quint8 *> packs;
    const quint8 *f = Bytes(frame);
    for (int block = 1; block <= 2; ++block)
        for (int sync = 0; sync < dif::SyncBlocksPerSubcode; ++sync)
            if (f[dif::SubcodePackOffset(seq, block, sync)] == packId)
                packs.push_back(f + dif::SubcodePackOffset(seq, block, sync));
    for (int block = 3; block <= 5; ++block)
        for (int pack = 0; pack < dif::PacksPerVaux; ++pack)
            if (f[dif::VauxPackOffset(seq, block, pack)] == packId)
                packs.push_back(f + dif::VauxPackOffset(seq, block, pack));
    return packs;
}

// The datecode of a frame, checked pack by pack: every date and time pack of
// every sequence must carry it. everySequence: each sequence must also have
// date and time packs (a frame that had none gets them only in the subcode
// slots left empty, which a camcorder leaves in some sequences only).
std::optional<TDatecodeFields> DatecodeOfFrame(const QByteArray &frame, bool everySequence = true)
{
    const int sequences = DifSequenceCount(frame.size());
    TDatecodeFields result;
    if (!ReadDatecode(Bytes(frame), sequences, result)) {
        ADD_FAILURE() << "no datecode";
        return std::nullopt;
    }
    for (int s = 0; s < sequences; ++s) {
        TDatecodeFields dc;
        const bool found = ReadDatecode(Bytes(frame) + dif::SequenceOffset(s), 1, dc);
        if (everySequence && !found)
            ADD_FAILURE() << "sequence " << s << " has no datecode";
        if (found && !(dc == result))
            ADD_FAILURE() << "sequence " << s << " has another datecode";
        for (quint8 id : {dvpack::RecDate, dvpack::RecTime}) {
            const std::vector<const quint8 *> packs = PacksOf(frame, s, id);
            EXPECT_TRUE(!everySequence || !packs.empty());
            for (const quint8 *p : packs)
                EXPECT_EQ(std::memcmp(p, packs.front(), dif::PackSize), 0) << "sequence " << s;
        }
    }
    return result;
}

// The frame through the stage, its sample carrying frameData.
QByteArray Pass(Tdv_DVheader &stage, QByteArray frame, std::shared_ptr<const TDvFrameData> frameData = {})
{
    TMediaSample sample;
    sample.data = std::move(frame);
    sample.frameData = std::move(frameData);
    stage.receive(0, sample);
    return sample.data;
}

std::string Text(const TDatecodeFields &f)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second)
        .toStdString();
}

// ---------------------------------------------------------------- time shift

struct TShiftCase
{
    TDatecodeFields from;
    double shiftSeconds;
    TDatecodeFields to;
};

class DvHeaderShift : public ::testing::TestWithParam<TShiftCase>
{
};

TEST_P(DvHeaderShift, MovesTheDatecodeOfEverySequence)
{
    const TShiftCase &c = GetParam();
    for (bool pal : {true, false}) {
        Tdv_DVheader stage;
        stage.restoreHeads = false;
        stage.setTimeShift(c.shiftSeconds * OneSecond);
        const std::optional<TDatecodeFields> written = DatecodeOfFrame(Pass(stage, MakeFrame(pal, c.from)));
        ASSERT_TRUE(written) << (pal ? "PAL" : "NTSC");
        EXPECT_EQ(Text(*written), Text(c.to)) << (pal ? "PAL" : "NTSC");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, DvHeaderShift,
    ::testing::Values(
        TShiftCase{Fields(2006, 7, 14, 23, 30, 0), 3600, Fields(2006, 7, 15, 0, 30, 0)},     // midnight
        TShiftCase{Fields(2000, 1, 1, 1, 0, 0), -7200, Fields(1999, 12, 31, 23, 0, 0)},      // back over a year end
        TShiftCase{Fields(2009, 12, 31, 23, 59, 30), 30, Fields(2010, 1, 1, 0, 0, 0)},       // forward over a year end
        TShiftCase{Fields(2007, 1, 31, 23, 59, 59), 1, Fields(2007, 2, 1, 0, 0, 0)},         // month end
        TShiftCase{Fields(2008, 2, 28, 23, 0, 0), 3600, Fields(2008, 2, 29, 0, 0, 0)},       // leap day
        TShiftCase{Fields(2008, 3, 1, 0, 10, 0), -1200, Fields(2008, 2, 29, 23, 50, 0)},     // back into a leap day
        TShiftCase{Fields(2005, 6, 10, 8, 0, 0), 86400.0 * 400 + 5, Fields(2006, 7, 15, 8, 0, 5)}));

TEST(DvHeader, ShiftLeavesFramesWithoutAValidDatecodeAlone)
{
    Tdv_DVheader stage;
    stage.restoreHeads = false;
    stage.setTimeShift(3600 * OneSecond);
    for (const QByteArray &frame : {MakeFrame(true, std::nullopt), MakeFrame(true, Fields(2006, 13, 40, 25, 0, 0)),
                                    MakeFrame(false, Fields(2006, 2, 30, 10, 0, 0))})
        EXPECT_EQ(Pass(stage, frame), frame);
}

// ----------------------------------------------------------- running datecode

TEST(DvHeader, OverwriteRunsOneFrameDurationPerFrame)
{
    const TDateTime start = EncodeDateTime(2008, 5, 1, 12, 0, 0);
    for (bool pal : {true, false}) {
        Tdv_DVheader stage;
        stage.restoreHeads = false;
        stage.overwrite = true;
        stage.setRunningDatecode(start);
        const int frames = 3000; // 2 minutes of PAL, 100 seconds of NTSC
        for (int n = 0; n < frames; ++n) {
            // Frames with and without a datecode of their own all receive the running one.
            const QByteArray in = MakeFrame(pal, n % 3 ? std::optional(Fields(1999, 1, 1, 0, 0, 0)) : std::nullopt, n);
            const std::optional<TDatecodeFields> written = DatecodeOfFrame(Pass(stage, in), n % 3 != 0);
            ASSERT_TRUE(written);
            // PAL: one second per 25 frames; NTSC: one per 30000/1001 frames,
            // the time taken to the nearest millisecond.
            const qint64 millisecond = pal ? qint64(n) * 40 : (qint64(n) * 1001 + 15) / 30;
            const qint64 second = millisecond / 1000;
            const TDatecodeFields expected = FieldsFromDatecode(start + double(second) * OneSecond);
            ASSERT_EQ(Text(*written), Text(expected)) << (pal ? "PAL" : "NTSC") << " frame " << n;
        }
        const double elapsed = pal ? frames / 25.0 : frames * 1001.0 / 30000.0;
        EXPECT_NEAR((stage.runningDatecode() - start) * 86400.0, elapsed, 1e-4);
    }
}

TEST(DvHeader, RunningDatecodeKeepsItsValueUntilSetAgain)
{
    Tdv_DVheader stage;
    stage.restoreHeads = false;
    stage.overwrite = true;
    const TDateTime start = EncodeDateTime(2008, 5, 1, 23, 59, 59);
    stage.setRunningDatecode(start);
    for (int n = 0; n < 25; ++n)
        Pass(stage, MakeFrame(true, std::nullopt));
    // Settings reset for the next command: the value stays.
    stage.resetSettings();
    EXPECT_FALSE(stage.overwrite);
    EXPECT_NEAR((stage.runningDatecode() - start) * 86400.0, 1.0, 1e-6);
    const QByteArray untouched = MakeFrame(true, std::nullopt);
    EXPECT_EQ(Pass(stage, untouched), untouched);
    stage.overwrite = true;
    const std::optional<TDatecodeFields> written = DatecodeOfFrame(Pass(stage, untouched), false);
    ASSERT_TRUE(written);
    EXPECT_EQ(Text(*written), "2008-05-02 00:00:00");
}

// -------------------------------------------------------------------- aspect

struct TAspectCase
{
    int apt;
    bool wide;
    int display; // DISP written into every source control pack
};

class DvHeaderAspect : public ::testing::TestWithParam<TAspectCase>
{
};

TEST_P(DvHeaderAspect, SetsTheDisplayModeOfEveryControlPack)
{
    const TAspectCase &c = GetParam();
    for (bool pal : {true, false}) {
        Tdv_DVheader stage;
        stage.restoreHeads = false;
        stage.setAspect = true;
        stage.aspect16x9 = c.wide;
        const QByteArray in = MakeFrame(pal, Fields(2006, 7, 14, 10, 0, 0), 0, c.apt);
        const QByteArray out = Pass(stage, in);
        int packs = 0;
        for (int s = 0; s < Sequences(pal); ++s) {
            for (const quint8 *p : PacksOf(out, s, dvpack::VauxSourceControl)) {
                EXPECT_EQ(p[2] & 0x07, c.display) << "sequence " << s;
                ++packs;
            }
        }
        EXPECT_GE(packs, Sequences(pal));
        bool wide = !c.wide;
        ASSERT_TRUE(ReadWideScreen(Bytes(out), Sequences(pal), wide));
        EXPECT_EQ(wide, c.wide);
        // Nothing but the display mode bits changed.
        int changed = 0;
        for (qsizetype i = 0; i < in.size(); ++i)
            changed += in[i] != out[i];
        EXPECT_LE(changed, packs);
    }
}

INSTANTIATE_TEST_SUITE_P(Apt, DvHeaderAspect,
                         ::testing::Values(TAspectCase{0, true, 7}, TAspectCase{1, true, 2}, TAspectCase{0, false, 0},
                                           TAspectCase{1, false, 0}));

// ------------------------------------------------------------- restored heads

struct TRestoreRig
{
    Tdv_sceneDetect detect;
    Tdv_DVheader header;

    TRestoreRig()
    {
        detect.startStreaming();
        header.startStreaming();
    }
    // The frame data the source frame's sample leaves the scene-detect stage with.
    std::shared_ptr<const TDvFrameData> source(const QByteArray &frame)
    {
        TMediaSample sample;
        sample.data = frame;
        detect.receive(0, sample);
        return sample.frameData;
    }
};

// Checks that out carries the head blocks of source (sequence 0's for
// sequences the source lacks) with out's own block IDs and system flag.
void ExpectRestored(const QByteArray &out, const QByteArray &target, const QByteArray &source)
{
    const int sequences = DifSequenceCount(out.size());
    const int sourceSequences = DifSequenceCount(source.size());
    for (int k = 0; k < sequences; ++k) {
        const int from = k < sourceSequences ? k : 0;
        for (int b = 0; b < 6; ++b) {
            const int at = dif::SequenceOffset(k) + b * dif::BlockSize;
            const int src = dif::SequenceOffset(from) + b * dif::BlockSize;
            EXPECT_EQ(out.mid(at, 3), target.mid(at, 3)) << "block ID, sequence " << k << " block " << b;
            const int skip = b == 0 ? 4 : 3; // header byte 3 carries the system flag
            EXPECT_EQ(out.mid(at + skip, dif::BlockSize - skip), source.mid(src + skip, dif::BlockSize - skip))
                << "sequence " << k << " block " << b;
        }
        EXPECT_EQ(quint8(out[dif::SequenceOffset(k) + 3]), sequences == 10 ? 0x3F : 0xBF) << "sequence " << k;
    }
    // Everything after the head blocks is the target's.
    for (int k = 0; k < sequences; ++k) {
        const int at = dif::SequenceOffset(k) + dif::HeadBlocksSize;
        ASSERT_EQ(out.mid(at, dif::SequenceSize - dif::HeadBlocksSize),
                  target.mid(at, dif::SequenceSize - dif::HeadBlocksSize));
    }
}

TEST(DvHeader, RestoresTheSourceHeadsAcrossSystems)
{
    const struct {
        bool sourcePal;
        bool targetPal;
    } cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "source " << (c.sourcePal ? "PAL" : "NTSC") << ", target "
                                          << (c.targetPal ? "PAL" : "NTSC"));
        TRestoreRig rig;
        const QByteArray source = MakeFrame(c.sourcePal, Fields(2004, 8, 9, 17, 45, 12), 4321, 1);
        // What an encoder writes: no packs of the camcorder.
        const QByteArray target = MakeBlankDifFrame(c.targetPal);
        const QByteArray out = Pass(rig.header, target, rig.source(source));
        ExpectRestored(out, target, source);

        const int sequences = Sequences(c.targetPal);
        const std::optional<TDatecodeFields> datecode = DatecodeOfFrame(out);
        ASSERT_TRUE(datecode);
        EXPECT_EQ(Text(*datecode), "2004-08-09 17:45:12");
        TTimecodeFields tc;
        ASSERT_TRUE(ReadTimecode(Bytes(out), sequences, tc));
        EXPECT_EQ(tc, Timecode(4321));
        bool is525 = c.targetPal;
        ASSERT_TRUE(ReadSystem(Bytes(out), is525));
        EXPECT_EQ(is525, !c.targetPal);
    }
}

TEST(DvHeader, RestoresTheHeadsThatTheSampleCarries)
{
    // However far the scene-detect stage runs ahead (decoders, queues and
    // encoders hold frames back), each frame gets its own source frame's
    // heads: here the scene-detect stage has seen frame n + 45 when frame n
    // reaches the header stage.
    TRestoreRig rig;
    const int frames = 60, lead = 45;
    std::vector<QByteArray> sources;
    std::vector<std::shared_ptr<const TDvFrameData>> carried;
    for (int n = 0; n < frames; ++n)
        sources.push_back(MakeFrame(true, FieldsFromDatecode(EncodeDateTime(2010, 5, 1, 10, 0, 0) + n * 7 * OneSecond), n));
    for (int n = 0; n < frames + lead; ++n) {
        if (n < frames)
            carried.push_back(rig.source(sources[size_t(n)]));
        const int done = n - lead;
        if (done < 0)
            continue;
        const QByteArray target = MakeBlankDifFrame(true);
        const QByteArray out = Pass(rig.header, target, carried[size_t(done)]);
        ExpectRestored(out, target, sources[size_t(done)]);
        TTimecodeFields tc;
        ASSERT_TRUE(ReadTimecode(Bytes(out), 12, tc));
        ASSERT_EQ(tc, Timecode(done)) << "frame " << done;
    }
}

TEST(DvHeader, LeavesHeadsAloneWithoutFrameDataOrWhenNotRestoring)
{
    TRestoreRig rig;
    const std::shared_ptr<const TDvFrameData> data = rig.source(MakeFrame(true, Fields(2001, 2, 3, 4, 5, 6), 5));
    ASSERT_TRUE(data);
    const QByteArray target = MakeFrame(true, Fields(2020, 1, 1, 0, 0, 0), 99);
    EXPECT_EQ(Pass(rig.header, target), target) << "a sample without frame data";
    rig.header.restoreHeads = false;
    EXPECT_EQ(Pass(rig.header, target, data), target) << "restoring off";
    // Frame data that kept no heads leaves them alone too.
    rig.header.restoreHeads = true;
    EXPECT_EQ(Pass(rig.header, target, std::make_shared<TDvFrameData>()), target);
}

// ---------------------------------------------------------- untouched samples

TEST(DvHeader, PassesSamplesItCannotParseUntouched)
{
    TRestoreRig rig;
    const std::shared_ptr<const TDvFrameData> data = rig.source(MakeFrame(true, Fields(2001, 2, 3, 4, 5, 6)));
    rig.header.setTimeShift(3600 * OneSecond);
    rig.header.setAspect = true;
    rig.header.aspect16x9 = true;
    rig.header.overwrite = true;
    rig.header.setRunningDatecode(EncodeDateTime(2008, 5, 1, 12, 0, 0));
    QByteArray odd(100000, '\0');
    for (qsizetype i = 0; i < odd.size(); ++i)
        odd[i] = char(i * 37);
    for (const QByteArray &in : {odd, QByteArray(), QByteArray(144001, '\x55'), QByteArray(119999, '\xFF')})
        EXPECT_EQ(Pass(rig.header, in, data), in) << in.size();
    EXPECT_EQ(rig.header.runningDatecode(), EncodeDateTime(2008, 5, 1, 12, 0, 0));
}

TEST(DvHeader, SurvivesGarbageFrames)
{
    TRestoreRig rig;
    QRandomGenerator random(5);
    rig.header.setTimeShift(-3 * OneSecond);
    rig.header.setAspect = true;
    rig.header.aspect16x9 = true;
    for (int n = 0; n < 20; ++n) {
        QByteArray frame(n % 2 ? dif::FrameSize625 : dif::FrameSize525, Qt::Uninitialized);
        for (qsizetype i = 0; i < frame.size(); ++i)
            frame[i] = char(random.bounded(256));
        EXPECT_EQ(Pass(rig.header, frame, rig.source(frame)).size(), frame.size());
    }
}

TEST(DvHeader, AcceptsDvTypesOnly)
{
    Tdv_DVheader stage;
    EXPECT_TRUE(stage.modifiesData());
    EXPECT_EQ(stage.name(), "Orin Brontel cf_DVHeader");
    TMediaType type;
    type.majorType = media::Interleaved;
    EXPECT_EQ(stage.checkInputType(0, type), TResult::Ok);
    type.majorType = media::Video;
    type.subtype = media::Dvsd;
    EXPECT_EQ(stage.checkInputType(0, type), TResult::Ok);
    type.subtype = media::Rgb24;
    EXPECT_EQ(stage.checkInputType(0, type), TResult::TypeNotAccepted);
    type.majorType = media::Audio;
    type.subtype = media::Pcm;
    EXPECT_EQ(stage.checkInputType(0, type), TResult::TypeNotAccepted);
}

TEST(DvHeader, ResetSettingsReturnsToTheInitialValues)
{
    Tdv_DVheader stage;
    stage.restoreHeads = false;
    stage.setAspect = true;
    stage.overwrite = true;
    stage.setTimeShift(1.5);
    stage.resetSettings();
    EXPECT_TRUE(stage.restoreHeads);
    EXPECT_FALSE(stage.setAspect);
    EXPECT_FALSE(stage.overwrite);
    EXPECT_EQ(stage.timeShift(), 0);
}

} // namespace

// ------------------------------------------------------- re-encoding pipeline

namespace {

TEST(DvHeaderPipeline, ReEncodedFramesKeepTheirOwnSourceFramesPacks)
{
    QTemporaryDir dir;
    const QString in = MakeSampleRecording(dir, "pal.avi", {"--frames", "40", "--type", "2"});
    ASSERT_FALSE(in.isEmpty());
    const QString out = dir.filePath("reencoded.avi");

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    Tdv_sceneDetect detect;
    TDvVideoDecoderElement decoder;
    TQueueElement queue;
    TDvVideoEncoderElement encoder;
    Tdv_DVheader header;
    TAviMux mux;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &detect, &decoder, &queue, &encoder,
                                                         &header, &mux, &writer})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    encoder.SetFormat(TDvVideoEncoderElement::FormatPal);
    writer.SetFileName(out);
    ASSERT_EQ(source.Load(in), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), detect.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(detect.output(0), decoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(decoder.output(0), queue.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(queue.output(0), encoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(encoder.output(0), header.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(header.output(0), mux.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(1), mux.input(1)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(mux.output(0), writer.input(0)), TResult::Ok);

    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(60000));
    pipeline.stop();
    EXPECT_TRUE(mux.errorString().isEmpty()) << mux.errorString().toStdString();

    const std::vector<QByteArray> sources = AviVideoFrames(in);
    const std::vector<QByteArray> written = AviVideoFrames(out);
    ASSERT_EQ(sources.size(), 40u);
    ASSERT_EQ(written.size(), sources.size());
    std::set<qint64> datecodes;
    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << i);
        ASSERT_EQ(written[i].size(), dif::FrameSize625);
        TDatecodeFields sourceDc, writtenDc;
        TTimecodeFields sourceTc, writtenTc;
        ASSERT_TRUE(ReadDatecode(Bytes(sources[i]), 12, sourceDc));
        ASSERT_TRUE(ReadDatecode(Bytes(written[i]), 12, writtenDc));
        EXPECT_EQ(Text(writtenDc), Text(sourceDc));
        ASSERT_TRUE(ReadTimecode(Bytes(sources[i]), 12, sourceTc));
        ASSERT_TRUE(ReadTimecode(Bytes(written[i]), 12, writtenTc));
        EXPECT_EQ(writtenTc, sourceTc);
        // The whole head blocks are the source frame's, block IDs aside.
        for (int k = 0; k < 12; ++k)
            for (int b = 0; b < 6; ++b) {
                const int at = dif::SequenceOffset(k) + b * dif::BlockSize + 3;
                ASSERT_EQ(written[i].mid(at, dif::BlockSize - 3), sources[i].mid(at, dif::BlockSize - 3))
                    << "sequence " << k << " block " << b;
            }
        TDateTime value = 0;
        if (DatecodeFromFields(sourceDc, value))
            datecodes.insert(std::llround(value * 86400.0));
    }
    // The recording's datecodes and timecodes differ from frame to frame
    // often enough that a frame carrying a neighbour's packs would show.
    EXPECT_GE(datecodes.size(), 2u);
}

// Holds the first sample that reaches it until the scene-detect stage
// upstream is `lead` frames past that sample's own frame: the chain between
// them then holds that many frames at once.
class THoldBack final : public TBCTransInPlaceFilter
{
public:
    THoldBack(const Tdv_sceneDetect &detect, int lead)
        : TBCTransInPlaceFilter(QStringLiteral("Hold back"), false), m_detect(detect), m_lead(lead) {}
    // How far the scene-detect stage had gone past the held frame when it went on.
    std::atomic<int> reached{-1};

protected:
    TResult CheckInputType(const TMediaType &) override { return TResult::Ok; }
    TResult Transform(TMediaSample &sample) override
    {
        if (reached >= 0 || !sample.frameData)
            return TResult::Ok;
        const int own = int(sample.frameData->info.frameIndex);
        const auto ahead = [&] { return int(m_detect.currentFrame().frameIndex) - 1 - own; };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ahead() < m_lead && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        reached = ahead();
        return TResult::Ok;
    }

private:
    const Tdv_sceneDetect &m_detect;
    const int m_lead;
};

// The chain of a conversion to NTSC with the inlay, through queues far
// deeper than the frames the chain used to keep track of: every picture
// still shows its own frame's datecode and timecode, and every frame written
// (a repeated picture included) carries its own source frame's packs.
TEST(DvHeaderPipeline, DeepQueuesKeepEachFramesOwnDatecodeAndTimecode)
{
    QTemporaryDir dir;
    const QString in = MakeSampleRecording(dir, "pal.avi", {"--frames", "80", "--type", "2", "--jump-at", "37"});
    ASSERT_FALSE(in.isEmpty());
    const std::vector<QByteArray> sources = AviVideoFrames(in);
    ASSERT_EQ(sources.size(), 80u);

    constexpr int kDepth = 48, kLead = 40;
    TDatecodeTextSettingsStore store;
    store.setFormat1(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    store.setTemplates(QStringLiteral("%D1"), QStringLiteral("%T"));
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    Tdv_sceneDetect detect(&store);
    TQueueElement decoderQueue(kDepth), pictureQueue(kDepth), scaleQueue(kDepth), encoderQueue(kDepth), muxQueue(kDepth);
    TDvVideoDecoderElement decoder;
    TColorConverterElement toRgb(media::Rgb24), toYuv(media::I420), scale(media::Y41B, 720, 480);
    const auto memory = std::make_shared<TPictureMemory>();
    toRgb.setMemory(memory);
    toYuv.setMemory(memory);
    Tdv_Superposer inlay(&store);
    inlay.SetKeepPicture(false);
    TInlayLineRecorder lines(inlay);
    TFrameRateConverter frameRate;
    frameRate.SetFrameDuration(1001, 30000);
    TDvVideoEncoderElement encoder;
    encoder.SetFormat(TDvVideoEncoderElement::FormatNtsc);
    THoldBack hold(detect, kLead);
    Tdv_DVheader header;
    THandRenderer sink;
    ASSERT_EQ(source.Load(in), TResult::Ok);
    ASSERT_EQ(pipeline.add(&source), TResult::Ok);
    ASSERT_EQ(pipeline.add(&splitter), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    TElement *previous = &splitter;
    for (TElement *e : std::initializer_list<TElement *>{&detect, &decoderQueue, &decoder, &pictureQueue, &toRgb, &inlay,
                                                         &lines, &toYuv, &scaleQueue, &scale, &frameRate, &encoderQueue,
                                                         &encoder, &muxQueue, &hold, &header, &sink}) {
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
        ASSERT_EQ(pipeline.connect(previous->output(0), e->input(0)), TResult::Ok) << e->name().toStdString();
        previous = e;
    }

    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(120000));
    pipeline.stop();
    EXPECT_GE(hold.reached, kLead) << "the chain held fewer frames than meant";

    // Source frame i lasts [i / 25, (i + 1) / 25) s; NTSC frame k starts at k * 1001 / 30000 s.
    const auto shown = [](int k) { return int(qint64(k) * 1001 * 25 / 30000); };
    const auto text = [&](const QByteArray &frame) {
        const int sequences = DifSequenceCount(frame.size());
        TDatecodeFields dc;
        TTimecodeFields tc;
        const bool dated = ReadDatecode(Bytes(frame), sequences, dc);
        const bool timed = ReadTimecode(Bytes(frame), sequences, tc);
        return (dated ? Text(dc) : std::string("no datecode")) + " "
               + (timed ? QString::asprintf("%d:%02d:%02d:%02d", tc.hours, tc.minutes, tc.seconds, tc.frames).toStdString()
                        : std::string("no timecode"));
    };
    ASSERT_EQ(sink.samples.size(), 96u); // 80 frames of 1/25 s in frames of 1001/30000 s
    std::set<std::string> seen;
    for (size_t k = 0; k < sink.samples.size(); ++k) {
        ASSERT_EQ(sink.samples[k].data.size(), dif::FrameSize525);
        const QByteArray &own = sources[size_t(shown(int(k)))];
        EXPECT_EQ(text(sink.samples[k].data), text(own)) << "frame " << k;
        seen.insert(text(own));
    }
    EXPECT_EQ(seen.size(), sources.size()) << "every frame's datecode and timecode text is its own";

    ASSERT_EQ(lines.lines.size(), sources.size());
    for (const TInlayLineRecorder::TLines &picture : lines.lines) {
        const qint64 frame = picture.mediaStart;
        ASSERT_TRUE(frame >= 0 && frame < qint64(sources.size()));
        TDatecodeFields dc;
        TTimecodeFields tc;
        const QByteArray &own = sources[size_t(frame)];
        ASSERT_TRUE(ReadDatecode(Bytes(own), 12, dc));
        ASSERT_TRUE(ReadTimecode(Bytes(own), 12, tc));
        EXPECT_EQ(picture.line1, QString::fromStdString(Text(dc))) << "picture " << frame;
        EXPECT_EQ(picture.line2, QString::asprintf("%d:%02d:%02d:%02d", tc.hours, tc.minutes, tc.seconds, tc.frames))
            << "picture " << frame;
    }
}

} // namespace
