#pragma once

// Frame rate converter: raw pictures in, the same pictures out at another
// frame rate, repeated or dropped by time so that the output lasts as long
// as the input (PAL 25 fps to NTSC 29.97 fps repeats one picture in five;
// the other way drops one in six). Times are exact fractions of a second
// (the input's frame time as its stream gives it), so that no rounding
// builds up over a long file. Each picture keeps the media times and the
// frame data of the source frame it shows (a repeated picture carries its
// frame's datecode and packs again); the stream times are the output's own.

#include "pipelines/element.h"

class TFrameRateConverter final : public TElement
{
public:
    TFrameRateConverter();
    // The output frame duration as a fraction of a second (numerator /
    // denominator, e.g. 1001 / 30000); 0 / 0 passes every picture once.
    void SetFrameDuration(qint64 numerator, qint64 denominator);

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void startStreaming() override;
    void flushed() override;

private:
    TFrameDuration m_out;
    TFrameDuration m_in;
    qint64 m_received = 0; // source pictures seen in this run
    qint64 m_sent = 0;     // output pictures delivered in this run
    qint64 m_base = 0;     // stream time of the run's first picture
};
