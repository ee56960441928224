#pragma once

// The codecs that AVI files name: libavcodec's codec for a video stream's
// four-character code and for an audio stream's wave format tag (the RIFF
// codec tables of libavformat, which is loaded the first time one is asked
// for, so that starting the programs stays quick).

#include "avi/avilayout.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <QByteArray>

// AV_CODEC_ID_NONE for a code the table does not know.
AVCodecID VideoCodecFromFourcc(TFourcc code);
// The tag of wave, PCM and float by their sample size, the sub-format of an
// extensible format (whose extension is in extra, the bytes after the
// 18-byte header).
AVCodecID AudioCodecFromWave(const TWaveFormatEx &wave, const QByteArray &extra);
