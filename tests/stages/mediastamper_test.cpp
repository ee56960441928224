// The media stamper stage: it records the media times of the last sample and
// lets every sample through unchanged.

#include "stages/dv_mediastamper.h"

#include <gtest/gtest.h>

namespace {

TMediaSample Sample(QByteArray data, qint64 start, qint64 stop)
{
    TMediaSample sample;
    sample.data = std::move(data);
    sample.mediaStart = start;
    sample.mediaStop = stop;
    return sample;
}

TEST(MediaStamper, RecordsTheMediaTimesOfTheLastSample)
{
    TDV_MediaStamper stamper;
    EXPECT_EQ(stamper.mediaStart(), 0);
    EXPECT_EQ(stamper.mediaStop(), 0);
    for (qint64 n = 0; n <= 41; ++n) {
        TMediaSample sample = Sample(QByteArray(144000, char(n)), n, n + 1);
        stamper.receive(0, sample);
    }
    EXPECT_EQ(stamper.mediaStart(), 41);
    EXPECT_EQ(stamper.mediaStop(), 42);
    EXPECT_EQ(stamper.frameIndex(), 41u);

    // A sample without media times leaves them.
    TMediaSample untimed = Sample(QByteArray(10, 'a'), -1, -1);
    stamper.receive(0, untimed);
    EXPECT_EQ(stamper.mediaStart(), 41);
    EXPECT_EQ(stamper.mediaStop(), 42);

    // Frame numbers past 32 bits give their low 32 bits.
    TMediaSample far = Sample(QByteArray(), (qint64(1) << 32) + 7, (qint64(1) << 32) + 8);
    stamper.receive(0, far);
    EXPECT_EQ(stamper.frameIndex(), 7u);
}

TEST(MediaStamper, PassesEverySampleUnchanged)
{
    TDV_MediaStamper stamper;
    EXPECT_FALSE(stamper.modifiesData());
    EXPECT_EQ(stamper.name(), "Orin Brontel DV_Mediastamper");
    const QByteArray payloads[] = {QByteArray(144000, '\x11'), QByteArray(100000, '\x22'), QByteArray(4, '\0'),
                                   QByteArray()};
    for (const QByteArray &payload : payloads) {
        TMediaSample sample = Sample(payload, 3, 4);
        sample.timeStart = 1200000;
        stamper.receive(0, sample);
        EXPECT_EQ(sample.data, payload);
        EXPECT_EQ(sample.mediaStart, 3);
        EXPECT_EQ(sample.timeStart, 1200000);
    }
}

TEST(MediaStamper, AcceptsEveryType)
{
    TDV_MediaStamper stamper;
    for (TFourcc major : {media::Video, media::Audio, media::Interleaved, media::Stream, TFourcc(0)}) {
        TMediaType type;
        type.majorType = major;
        EXPECT_EQ(stamper.checkInputType(0, type), TResult::Ok);
    }
}

TEST(MediaStamper, NamesTheFrameOfAPictureStillInFlight)
{
    // A decoder on another thread: the stamper has seen frame 20 while the
    // picture of frame 14 reaches the stage behind the decoder.
    TDV_MediaStamper stamper;
    for (qint64 n = 0; n <= 20; ++n) {
        TMediaSample sample = Sample(QByteArray(8, 'x'), n, n + 1);
        stamper.receive(0, sample);
    }
    EXPECT_EQ(stamper.frameIndexOf(Sample(QByteArray(), 14, 15)), 14u);
    EXPECT_EQ(stamper.frameIndexOf(Sample(QByteArray(), -1, -1)), 20u);
}

} // namespace
