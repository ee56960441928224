#pragma once

// Tdv_deinter: an in-place stage that deinterlaces every picture of a 24-bit
// RGB stream (DeinterlacePicture). It takes the picture's size and row order
// from the input's bitmap header when streaming starts, sizes its masks
// then, and rewrites each sample's picture in its own buffer; the sample
// keeps its times and flags. It keeps nothing from one picture to the next.
//
// Threads: Transform() runs on the streaming thread; startStreaming() on the
// thread that starts the pipeline.

#include "pipelines/stagebase.h"

#include <vector>

class Tdv_deinter final : public TBCTransInPlaceFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel dv_deinter";
    static constexpr const char16_t *ClassId = u"{4D5B0165-D80F-4620-BC2D-F9C84F518C84}";

    Tdv_deinter();

    // The picture size read when streaming started (0 before, or when the
    // input's format gives none).
    int pictureWidth() const { return m_width; }
    int pictureHeight() const { return m_height; }

    void startStreaming() override;

protected:
    // Video of subtype RGB24, whatever its format block.
    TResult CheckInputType(const TMediaType &type) override;
    // A sample too short for the picture fails; with no picture size known
    // the sample passes untouched.
    TResult Transform(TMediaSample &sample) override;

private:
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    std::vector<quint8> m_combMask;
    std::vector<quint8> m_keptMask;
};
