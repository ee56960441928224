#pragma once

// Uncompressed pictures in samples: planar YUV (I420 for yuv420p, Y41B for
// yuv411p) with tightly packed planes, or 24-bit BGR with bottom-up rows as
// a device-independent bitmap stores them (RGB24, rows padded to 4 bytes).

#include "pipelines/mediatype.h"
#include "pipelines/picture.h"

// The libav pixel format of a raw video subtype; AV_PIX_FMT_NONE for others.
AVPixelFormat RawPixelFormat(TFourcc subtype);
// The subtype of a libav pixel format; 0 when it has none.
TFourcc RawSubtype(AVPixelFormat format);
bool IsRawVideo(const TMediaType &type);

// A raw video type of that subtype and size, with the exact frame time when known.
TMediaType RawVideoType(TFourcc subtype, int width, int height, qint64 avgTimePerFrame,
                        const TFrameDuration &frameDuration = {});
// Bytes of one picture.
qint64 RawPictureBytes(TFourcc subtype, int width, int height);

// Copies a YUV picture into sample bytes and back. The picture's format must
// be the subtype's; false on a size or format mismatch.
bool PackPicture(const TPicture &picture, QByteArray &bytes);
bool UnpackPicture(const QByteArray &bytes, TFourcc subtype, int width, int height, TPicture &picture);
