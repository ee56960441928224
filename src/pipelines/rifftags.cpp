#include "pipelines/rifftags.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/version_major.h>
}

#include <dlfcn.h>

namespace {

constexpr quint16 TagPcm = 1;
constexpr quint16 TagFloat = 3;
constexpr quint16 TagExtensible = 0xFFFE;
// Where the sub-format's tag sits in the extension of an extensible format:
// after the valid bits (2 bytes) and the channel mask (4 bytes).
constexpr int SubFormatOffset = 6;

struct TRiffTags
{
    const AVCodecTag *(*videoTags)() = nullptr;
    const AVCodecTag *(*audioTags)() = nullptr;
    AVCodecID (*codecId)(const AVCodecTag *const *tags, unsigned int tag) = nullptr;
};

const TRiffTags &RiffTags()
{
    static const TRiffTags tags = [] {
        TRiffTags t;
        const QByteArray name = "libavformat.so." + QByteArray::number(LIBAVFORMAT_VERSION_MAJOR);
        if (void *library = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL)) {
            t.videoTags = reinterpret_cast<decltype(t.videoTags)>(dlsym(library, "avformat_get_riff_video_tags"));
            t.audioTags = reinterpret_cast<decltype(t.audioTags)>(dlsym(library, "avformat_get_riff_audio_tags"));
            t.codecId = reinterpret_cast<decltype(t.codecId)>(dlsym(library, "av_codec_get_id"));
        }
        return t;
    }();
    return tags;
}

AVCodecID Lookup(const AVCodecTag *(*table)(), unsigned int tag)
{
    const TRiffTags &riff = RiffTags();
    if (!table || !riff.codecId)
        return AV_CODEC_ID_NONE;
    const AVCodecTag *const tables[] = {table(), nullptr};
    return riff.codecId(tables, tag);
}

} // namespace

AVCodecID VideoCodecFromFourcc(TFourcc code)
{
    return Lookup(RiffTags().videoTags, code);
}

AVCodecID AudioCodecFromWave(const TWaveFormatEx &wave, const QByteArray &extra)
{
    quint16 tag = wave.formatTag;
    if (tag == TagExtensible && wave.cbSize >= 22 && extra.size() >= SubFormatOffset + 2)
        tag = le::u16(reinterpret_cast<const quint8 *>(extra.constData()) + SubFormatOffset);
    if (tag == TagPcm) {
        switch (wave.bitsPerSample) {
        case 8: return AV_CODEC_ID_PCM_U8;
        case 16: return AV_CODEC_ID_PCM_S16LE;
        case 24: return AV_CODEC_ID_PCM_S24LE;
        case 32: return AV_CODEC_ID_PCM_S32LE;
        default: return AV_CODEC_ID_NONE;
        }
    }
    if (tag == TagFloat)
        return wave.bitsPerSample == 64 ? AV_CODEC_ID_PCM_F64LE
                                        : wave.bitsPerSample == 32 ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_NONE;
    return Lookup(RiffTags().audioTags, tag);
}
