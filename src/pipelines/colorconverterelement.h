#pragma once

// Colour space converter: raw pictures in (I420, Y41B or bottom-up RGB24),
// raw pictures of the target subtype and size out, scaled when the sizes
// differ. A width or height of 0 keeps the input's.

#include "pipelines/element.h"
#include "pipelines/picture.h"
#include "pipelines/pictureconverter.h"

class TColorConverterElement final : public TElement
{
public:
    explicit TColorConverterElement(TFourcc targetSubtype = 0, int width = 0, int height = 0);

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;

private:
    TFourcc m_subtype;
    int m_width;
    int m_height;
    TPictureConverter m_converter;
};
