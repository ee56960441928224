#include "pipelines/avhandles.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cstring>

namespace av {

QString ErrorText(int averror)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return QString::fromUtf8(text);
}

bool SetExtradata(AVCodecContext *context, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    context->extradata = static_cast<uint8_t *>(av_mallocz(size_t(bytes.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!context->extradata)
        return false;
    std::memcpy(context->extradata, bytes.constData(), size_t(bytes.size()));
    context->extradata_size = int(bytes.size());
    return true;
}

} // namespace av
