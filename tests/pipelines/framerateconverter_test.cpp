// The frame rate converter over an hour of pictures, by their times alone:
// tiny pictures pushed by hand, every output checked against exact fractions.

#include "pipelines/framerateconverter.h"
#include "pipelines/pipeline.h"
#include "pipelines/rawvideo.h"
#include "support/handelements.h"

#include <gtest/gtest.h>

namespace {

__extension__ typedef __int128 Wide;

// Checks each picture as it arrives: output k starts at k output frame
// times and shows the source picture that covers that time.
class TTimingSink final : public TElement
{
public:
    TTimingSink(TFrameDuration in, TFrameDuration out) : TElement(QStringLiteral("Timing sink")), m_in(in), m_out(out)
    {
        addInput(QStringLiteral("In"));
    }
    TResult checkInputType(int, const TMediaType &) override { return TResult::Ok; }
    void receive(int, TMediaSample &sample) override
    {
        const qint64 k = count++;
        const qint64 start = qint64(Wide(k) * m_out.num * 10000000 / m_out.den);
        const qint64 shown = qint64(Wide(k) * m_out.num * m_in.den / (Wide(m_out.den) * m_in.num));
        if (sample.timeStart != start || sample.mediaStart != shown)
            ++wrong;
        lastStop = sample.timeStop;
    }
    qint64 count = 0;
    qint64 wrong = 0;
    qint64 lastStop = -1;

private:
    TFrameDuration m_in, m_out;
};

struct TRateCase
{
    const char *name;
    qint64 avgTimePerFrame;    // what the format block says
    TFrameDuration exact;      // what the stream header says; 0 / 0 when it says nothing
    TFrameDuration expectedIn; // the frame time the converter must take
    TFrameDuration out;
    qint64 sourceFrames;
    qint64 outputFrames;
};

TEST(FrameRateConverter, ConversionsDoNotDriftOverAnHour)
{
    const TFrameDuration pal{1, 25}, ntsc{1001, 30000};
    const TRateCase cases[] = {
        // 2.000 s at 15 fps are 50 PAL frames, an hour 90000.
        {"15 fps, 2 s", 666667, {1, 15}, {1, 15}, pal, 30, 50},
        {"15 fps, 1 h", 666667, {1, 15}, {1, 15}, pal, 54000, 90000},
        {"15 fps from the rounded frame time", 666667, {}, {1, 15}, pal, 54000, 90000},
        {"PAL to NTSC", 400000, pal, pal, ntsc, 90000, 107893},     // 107892.1 NTSC frames
        {"NTSC to PAL", 333667, {}, ntsc, pal, 107892, 90000},      // 89999.9 PAL frames
        {"23.976 fps to NTSC", 417083, {1001, 24000}, {1001, 24000}, ntsc, 86314, 107893},
        {"odd stream rate", 1014493, {7, 69}, {7, 69}, pal, 35485, 89999}, // 3599.93 s
    };
    for (const TRateCase &c : cases) {
        SCOPED_TRACE(c.name);
        TMediaType type = RawVideoType(media::Rgb24, 2, 2, c.avgTimePerFrame, c.exact);
        EXPECT_EQ(type.exactFrameDuration(), c.expectedIn);
        TPipeline pipeline;
        THandSource source(type);
        TFrameRateConverter converter;
        converter.SetFrameDuration(c.out.num, c.out.den);
        TTimingSink sink(c.expectedIn, c.out);
        ASSERT_TRUE(JoinByHand(pipeline, {&source, &converter, &sink}));
        EXPECT_EQ(converter.output(0)->mediaType().frameDuration, c.out);
        converter.startStreaming();

        TMediaSample picture;
        picture.data = QByteArray(16, '\0');
        for (qint64 i = 0; i < c.sourceFrames; ++i) {
            picture.mediaStart = i;
            picture.mediaStop = i + 1;
            picture.timeStart = i * c.avgTimePerFrame; // rounded, as a splitter gives them
            picture.timeStop = (i + 1) * c.avgTimePerFrame;
            source.push(picture);
        }
        EXPECT_EQ(sink.count, c.outputFrames);
        EXPECT_EQ(sink.wrong, 0);
        EXPECT_EQ(sink.lastStop, qint64(Wide(c.outputFrames) * c.out.num * 10000000 / c.out.den));
        pipeline.removeAll();
    }
}

} // namespace
