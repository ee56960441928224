#pragma once

// Decoder for video streams other than DV (Motion JPEG, MPEG-4, uncompressed
// RGB ...), chosen by libavcodec from the stream's codec code; pictures come
// out as bottom-up RGB24 of the stream's size, in presentation order, each
// with the media and stream times of its own place in the stream and the
// frame data of the sample it was decoded from. A decoder that does not open
// is reported to the pipeline when streaming starts.

#include "pipelines/element.h"
#include "pipelines/pictureconverter.h"
#include "pipelines/videodecoder.h"

#include <deque>
#include <memory>

class TVideoDecoderElement final : public TElement
{
public:
    TVideoDecoderElement();

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void inputConnected(int input) override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;

private:
    void deliverPictures();
    // The frame data of the sample the decoder's current picture came from.
    std::shared_ptr<const TDvFrameData> takeFrameData(qint64 tag);

    std::unique_ptr<TVideoDecoder> m_decoder;
    TPictureConverter m_converter;
    // The frame data of the samples sent that have given no picture yet, by
    // the tag each was sent with; oldest first.
    std::deque<std::pair<qint64, std::shared_ptr<const TDvFrameData>>> m_frameData;
    qint64 m_nextTag = 0;
};
