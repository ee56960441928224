#pragma once

// Owning handles for the libav objects the codec classes keep, and the text of
// a libav error code.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "pipelines/avcodeclibrary.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace av {

struct CodecContextDeleter
{
    void operator()(AVCodecContext *c) const { av::Codec().freeContext(&c); }
};
struct FrameDeleter
{
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter
{
    void operator()(AVPacket *p) const { av::Codec().packetFree(&p); }
};
struct BufferDeleter
{
    void operator()(AVBufferRef *b) const { av_buffer_unref(&b); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using BufferPtr = std::unique_ptr<AVBufferRef, BufferDeleter>;

// "Invalid data found when processing input" and the like.
QString ErrorText(int averror);

// Gives a codec context a padded copy of bytes as its extradata (nothing for
// no bytes); false when out of memory.
bool SetExtradata(AVCodecContext *context, const QByteArray &bytes);

} // namespace av
