#pragma once

// libavcodec, loaded the first time a picture or a sound is decoded or encoded.
// Linking it would load the dozens of codec libraries it depends on at every
// start of the programs, which costs more than a whole stream copy of a short
// file; commands that never touch a picture do not pay for it.

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace av {

struct TCodecLibrary
{
    const AVCodec *(*findDecoder)(AVCodecID id);
    const AVCodec *(*findEncoder)(AVCodecID id);
    AVCodecContext *(*allocContext)(const AVCodec *codec);
    void (*freeContext)(AVCodecContext **context);
    int (*open)(AVCodecContext *context, const AVCodec *codec, AVDictionary **options);
    void (*flushBuffers)(AVCodecContext *context);
    int (*sendPacket)(AVCodecContext *context, const AVPacket *packet);
    int (*receiveFrame)(AVCodecContext *context, AVFrame *frame);
    int (*sendFrame)(AVCodecContext *context, const AVFrame *frame);
    int (*receivePacket)(AVCodecContext *context, AVPacket *packet);
    int (*defaultGetEncodeBuffer)(AVCodecContext *context, AVPacket *packet, int flags);
    AVPacket *(*packetAlloc)();
    void (*packetFree)(AVPacket **packet);
    void (*packetUnref)(AVPacket *packet);
    AVCodecParserContext *(*parserInit)(int codecId);
    int (*parserParse)(AVCodecParserContext *parser, AVCodecContext *context, uint8_t **out, int *outSize,
                       const uint8_t *in, int inSize, int64_t pts, int64_t dts, int64_t pos);
    void (*parserClose)(AVCodecParserContext *parser);
    // False when the library could not be loaded: the functions then fail
    // (no codec, no context, no packet, no parser, AVERROR(ENOSYS)).
    bool loaded;
};

// The library's functions, loaded once for the whole process (thread-safe).
const TCodecLibrary &Codec();

} // namespace av
