#pragma once

// Audio decoder: any sound that libavcodec decodes (see TAudioDecoder) in,
// 16-bit PCM out at the stream's rate and channel count. 16-bit PCM itself
// is left to the elements that take it as it is. A decoder that does not
// open is reported to the pipeline when streaming starts.

#include "pipelines/audiodecoder.h"
#include "pipelines/element.h"

#include <memory>

class TAudioDecoderElement final : public TElement
{
public:
    TAudioDecoderElement();

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void inputConnected(int input) override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;

private:
    void deliverPcm();

    std::unique_ptr<TAudioDecoder> m_decoder;
    qint64 m_done = 0; // samples delivered, for the media times
    bool m_timeSet = false;
};

// True for 16-bit PCM, the sound that needs no decoding.
bool IsPcm16(const TMediaType &type);
