#pragma once

// DV video encoder: pictures of the encoder's size in (I420 720x576 for PAL,
// Y41B 720x480 for NTSC), DV frames out (vids/dvsd, 144000 or 120000
// bytes). The format is set before the input is connected.

#include "pipelines/dvvideoencoder.h"
#include "pipelines/element.h"
#include "pipelines/picture.h"

#include <memory>

class TDvVideoEncoderElement final : public TElement
{
public:
    // Format codes of the encoder's settings.
    static constexpr int FormatNtsc = 2000;
    static constexpr int FormatPal = 2001;

    TDvVideoEncoderElement();

    // Video format (FormatPal or FormatNtsc) and the aspect of the frames written.
    void SetFormat(int videoFormat, bool wide16x9 = false);
    TDvEncoderFormat format() const { return m_format; }

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void startStreaming() override;

private:
    TDvEncoderFormat m_format;
    std::unique_ptr<TDvVideoEncoder> m_encoder;
    TPicture m_picture;
    QByteArray m_lastPicture; // the last picture encoded, and its frame
    QByteArray m_lastFrame;
};
