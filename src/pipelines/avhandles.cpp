#include "pipelines/avhandles.h"

extern "C" {
#include <libavutil/error.h>
}

namespace av {

QString ErrorText(int averror)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace av
