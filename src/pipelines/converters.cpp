#include "pipelines/converters.h"

#include "pipelines/audioconverterelement.h"
#include "pipelines/audiodecoderelement.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/rawvideo.h"
#include "pipelines/videodecoderelement.h"

std::vector<std::unique_ptr<TElement>> DefaultConverters(const TMediaType &type)
{
    std::vector<std::unique_ptr<TElement>> list;
    if (type.majorType == media::Interleaved) {
        list.push_back(std::make_unique<TDvSplitterElement>());
    } else if (type.majorType == media::Video && IsDvInfoCodec(type.subtype)) {
        list.push_back(std::make_unique<TDvVideoDecoderElement>());
    } else if (IsRawVideo(type)) {
        list.push_back(std::make_unique<TColorConverterElement>(media::Rgb24));
        list.push_back(std::make_unique<TColorConverterElement>(media::I420, 720, 576));
        list.push_back(std::make_unique<TColorConverterElement>(media::Y41B, 720, 480));
        list.push_back(std::make_unique<TColorConverterElement>(media::Rgb24, 720, 576));
        list.push_back(std::make_unique<TColorConverterElement>(media::Rgb24, 720, 480));
    } else if (type.majorType == media::Video) {
        list.push_back(std::make_unique<TVideoDecoderElement>());
    } else if (type.majorType == media::Audio && !IsPcm16(type)) {
        list.push_back(std::make_unique<TAudioDecoderElement>());
    } else if (type.majorType == media::Audio) {
        for (const int rate : {0, 48000}) {
            auto converter = std::make_unique<TAudioConverterElement>();
            converter->SetMaxChannels(2);
            if (rate)
                converter->SetAudioRate(rate);
            list.push_back(std::move(converter));
        }
    }
    return list;
}
