#pragma once

// DV video decoder: DV frames (vids/dvsd) in, full-size pictures out
// (720x576 I420 for PAL, 720x480 Y41B for NTSC). A frame that does not
// decode is replaced by the last good picture, so the picture count stays
// the frame count. A decoder that does not open is reported to the pipeline.

#include "pipelines/dvvideodecoder.h"
#include "pipelines/element.h"

#include <memory>

class TDvVideoDecoderElement final : public TElement
{
public:
    TDvVideoDecoderElement();

    // The display resolution; only full size (1000) is offered.
    void SetResolution(int resolution) { m_resolution = resolution; }
    int resolution() const { return m_resolution; }

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void startStreaming() override;

private:
    // Opened by the first frame: building a pipeline does not load the codec.
    std::unique_ptr<TDvVideoDecoder> m_decoder;
    QByteArray m_lastGood; // the last frame that decoded
    int m_resolution = 1000;
};
