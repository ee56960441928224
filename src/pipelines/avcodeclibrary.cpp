#include "pipelines/avcodeclibrary.h"

extern "C" {
#include <libavcodec/version_major.h>
}

#include <dlfcn.h>

namespace av {

namespace {

#define TARVEX_STR2(x) #x
#define TARVEX_STR(x) TARVEX_STR2(x)

TCodecLibrary Missing()
{
    TCodecLibrary t{};
    t.findDecoder = [](AVCodecID) -> const AVCodec * { return nullptr; };
    t.findEncoder = [](AVCodecID) -> const AVCodec * { return nullptr; };
    t.allocContext = [](const AVCodec *) -> AVCodecContext * { return nullptr; };
    t.freeContext = [](AVCodecContext **) {};
    t.open = [](AVCodecContext *, const AVCodec *, AVDictionary **) { return AVERROR(ENOSYS); };
    t.flushBuffers = [](AVCodecContext *) {};
    t.sendPacket = [](AVCodecContext *, const AVPacket *) { return AVERROR(ENOSYS); };
    t.receiveFrame = [](AVCodecContext *, AVFrame *) { return AVERROR(ENOSYS); };
    t.sendFrame = [](AVCodecContext *, const AVFrame *) { return AVERROR(ENOSYS); };
    t.receivePacket = [](AVCodecContext *, AVPacket *) { return AVERROR(ENOSYS); };
    t.defaultGetEncodeBuffer = [](AVCodecContext *, AVPacket *, int) { return AVERROR(ENOSYS); };
    t.packetAlloc = []() -> AVPacket * { return nullptr; };
    t.packetFree = [](AVPacket **) {};
    t.packetUnref = [](AVPacket *) {};
    t.parserInit = [](int) -> AVCodecParserContext * { return nullptr; };
    t.parserParse = [](AVCodecParserContext *, AVCodecContext *, uint8_t **, int *, const uint8_t *, int, int64_t, int64_t,
                       int64_t) { return AVERROR(ENOSYS); };
    t.parserClose = [](AVCodecParserContext *) {};
    t.loaded = false;
    return t;
}

template <typename F>
bool Resolve(void *library, const char *name, F &function)
{
    void *symbol = dlsym(library, name);
    if (symbol)
        function = reinterpret_cast<F>(symbol);
    return symbol != nullptr;
}

TCodecLibrary Load()
{
    TCodecLibrary t = Missing();
    void *library = dlopen("libavcodec.so." TARVEX_STR(LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return t;
    TCodecLibrary found = t;
    const bool all = Resolve(library, "avcodec_find_decoder", found.findDecoder)
                     && Resolve(library, "avcodec_find_encoder", found.findEncoder)
                     && Resolve(library, "avcodec_alloc_context3", found.allocContext)
                     && Resolve(library, "avcodec_free_context", found.freeContext)
                     && Resolve(library, "avcodec_open2", found.open)
                     && Resolve(library, "avcodec_flush_buffers", found.flushBuffers)
                     && Resolve(library, "avcodec_send_packet", found.sendPacket)
                     && Resolve(library, "avcodec_receive_frame", found.receiveFrame)
                     && Resolve(library, "avcodec_send_frame", found.sendFrame)
                     && Resolve(library, "avcodec_receive_packet", found.receivePacket)
                     && Resolve(library, "avcodec_default_get_encode_buffer", found.defaultGetEncodeBuffer)
                     && Resolve(library, "av_packet_alloc", found.packetAlloc)
                     && Resolve(library, "av_packet_free", found.packetFree)
                     && Resolve(library, "av_packet_unref", found.packetUnref)
                     && Resolve(library, "av_parser_init", found.parserInit)
                     && Resolve(library, "av_parser_parse2", found.parserParse)
                     && Resolve(library, "av_parser_close", found.parserClose);
    if (!all) {
        // A library without one of these is not the one the program was built for.
        dlclose(library);
        return t;
    }
    found.loaded = true;
    return found;
}

} // namespace

const TCodecLibrary &Codec()
{
    static const TCodecLibrary library = Load();
    return library;
}

} // namespace av
