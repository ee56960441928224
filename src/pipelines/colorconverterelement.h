#pragma once

// Colour space converter: raw pictures in (I420, Y41B or bottom-up RGB24),
// raw pictures of the target subtype and size out, scaled when the sizes
// differ. A width or height of 0 keeps the input's.

#include "pipelines/element.h"
#include "pipelines/picture.h"
#include "pipelines/picturememory.h"
#include "pipelines/pictureconverter.h"

#include <memory>

class TColorConverterElement final : public TElement
{
public:
    explicit TColorConverterElement(TFourcc targetSubtype = 0, int width = 0, int height = 0);

    // A memory shared with the converter on the other side of a picture
    // stage: a converter from YUV to RGB of the same size remembers each
    // picture; one from RGB back to that YUV takes the rows the stage did not
    // change from the original picture.
    void setMemory(std::shared_ptr<TPictureMemory> memory) { m_memory = std::move(memory); }

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void startStreaming() override;

private:
    bool mergeFromMemory(const TMediaSample &sample, const TBgr24Layout &layout, TMediaSample &result);

    TFourcc m_subtype;
    int m_width;
    int m_height;
    TPictureConverter m_converter;
    std::shared_ptr<TPictureMemory> m_memory;
};
