// tarvex-sample: writes a DV AVI recording made entirely by this program, for
// trying the tools, for tests and for benchmarks. The pictures are encoded with
// libavcodec's DV encoder; every frame then gets the packs a consumer camcorder
// writes (timecode, recording date and time, aspect, audio format), and the
// datecode jumps once in the middle so that the recording has two scenes.

#include "avi/avilayout.h"
#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/datecode.h"
#include "dv/difframe.h"
#include "dv/dvcodes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QStringList>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct TOptions
{
    int frames = 250;
    int type = 1;
    bool ntsc = false;
    bool wide = false;
    QDateTime start{QDate(2007, 12, 31), QTime(23, 59, 50)};
    int jumpAt = -1; // frame where the second scene starts; -1 = the middle
    int undated = 0; // first frames without a recording date and time
    QString output;
};

const char *kUsage =
    "Usage: tarvex-sample [OPTIONS] OUTPUT\n"
    "\n"
    "Writes a DV AVI file with synthetic pictures, silent sound and camcorder\n"
    "datecodes: two scenes, the second one recorded a day later.\n"
    "\n"
    "  --frames N        number of frames (default 250)\n"
    "  --type 1|2        DV AVI type 1 (interleaved) or type 2 (video + PCM audio); default 1\n"
    "  --ntsc            525/60 (720x480, 29.97 fps) instead of 625/50 (720x576, 25 fps)\n"
    "  --wide            16:9 instead of 4:3\n"
    "  --start DATETIME  datecode of the first frame, yyyy-mm-ddThh:mm:ss (default 2007-12-31T23:59:50)\n"
    "  --jump-at N       first frame of the second scene (default: the middle)\n"
    "  --undated N       the first N frames carry no recording date and time\n";

int usage(const char *message)
{
    std::fprintf(stderr, "tarvex-sample: %s\n%s", message, kUsage);
    return 2;
}

bool parse(const QStringList &args, TOptions &o, QString &error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](int &out) {
            bool ok = false;
            if (i + 1 < args.size())
                out = args[++i].toInt(&ok);
            return ok;
        };
        if (a == QLatin1String("--frames")) {
            if (!value(o.frames) || o.frames < 1)
                return error = QStringLiteral("--frames takes a positive number"), false;
        } else if (a == QLatin1String("--type")) {
            if (!value(o.type) || (o.type != 1 && o.type != 2))
                return error = QStringLiteral("--type takes 1 or 2"), false;
        } else if (a == QLatin1String("--jump-at")) {
            if (!value(o.jumpAt) || o.jumpAt < 0)
                return error = QStringLiteral("--jump-at takes a frame number"), false;
        } else if (a == QLatin1String("--undated")) {
            if (!value(o.undated) || o.undated < 0)
                return error = QStringLiteral("--undated takes a number of frames"), false;
        } else if (a == QLatin1String("--ntsc")) {
            o.ntsc = true;
        } else if (a == QLatin1String("--wide")) {
            o.wide = true;
        } else if (a == QLatin1String("--start")) {
            if (i + 1 >= args.size())
                return error = QStringLiteral("--start takes a date and time"), false;
            o.start = QDateTime::fromString(args[++i], Qt::ISODate);
            if (!o.start.isValid() || o.start.date().year() < 1925 || o.start.date().year() > 2024)
                return error = QStringLiteral("--start takes yyyy-mm-ddThh:mm:ss between 1925 and 2024"), false;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return error = QStringLiteral("unknown option %1").arg(a), false;
        } else if (o.output.isEmpty()) {
            o.output = a;
        } else {
            return error = QStringLiteral("only one OUTPUT"), false;
        }
    }
    if (o.output.isEmpty())
        return error = QStringLiteral("missing OUTPUT"), false;
    if (o.jumpAt < 0)
        o.jumpAt = o.frames / 2;
    return true;
}

// Encodes the pictures: a cycle of moving colour bars for each of the two scenes.
class TPictureEncoder
{
public:
    bool open(bool ntsc, bool wide, QString &error)
    {
        const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
        if (!codec)
            return error = QStringLiteral("libavcodec has no DV encoder"), false;
        m_ctx.reset(avcodec_alloc_context3(codec));
        m_ctx->width = 720;
        m_ctx->height = ntsc ? 480 : 576;
        m_ctx->pix_fmt = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
        m_ctx->time_base = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
        m_ctx->sample_aspect_ratio = wide ? (ntsc ? AVRational{32, 27} : AVRational{64, 45})
                                          : (ntsc ? AVRational{8, 9} : AVRational{16, 15});
        if (avcodec_open2(m_ctx.get(), codec, nullptr) < 0)
            return error = QStringLiteral("cannot open the DV encoder"), false;
        m_frame.reset(av_frame_alloc());
        m_frame->format = m_ctx->pix_fmt;
        m_frame->width = m_ctx->width;
        m_frame->height = m_ctx->height;
        if (av_frame_get_buffer(m_frame.get(), 0) < 0)
            return error = QStringLiteral("out of memory"), false;
        m_packet.reset(av_packet_alloc());
        return true;
    }

    // One encoded DV frame for position `step` of scene `scene`.
    bool encode(int scene, int step, std::vector<quint8> &out)
    {
        paint(scene, step);
        m_frame->pts = step;
        if (avcodec_send_frame(m_ctx.get(), m_frame.get()) < 0)
            return false;
        if (avcodec_receive_packet(m_ctx.get(), m_packet.get()) < 0)
            return false;
        out.assign(m_packet->data, m_packet->data + m_packet->size);
        av_packet_unref(m_packet.get());
        return true;
    }

private:
    void paint(int scene, int step)
    {
        // Eight vertical bars (Y, U, V) sliding to the right; the second scene has other colours.
        static const quint8 bars[2][8][3] = {
            {{235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34}, {106, 202, 222}, {81, 90, 240}, {41, 240, 110}, {16, 128, 128}},
            {{60, 200, 90}, {120, 60, 200}, {180, 100, 60}, {90, 160, 160}, {200, 90, 140}, {40, 140, 60}, {150, 200, 200}, {100, 100, 100}},
        };
        AVFrame *f = m_frame.get();
        av_frame_make_writable(f);
        const int width = f->width, height = f->height;
        const int shift = step * 8;
        for (int plane = 0; plane < 3; ++plane) {
            const int pw = plane == 0 ? width : (m_ctx->pix_fmt == AV_PIX_FMT_YUV411P ? width / 4 : width / 2);
            const int ph = plane == 0 || m_ctx->pix_fmt == AV_PIX_FMT_YUV411P ? height : height / 2;
            for (int y = 0; y < ph; ++y) {
                quint8 *line = f->data[plane] + y * f->linesize[plane];
                for (int x = 0; x < pw; ++x) {
                    const int fx = x * width / pw;
                    const int bar = ((fx + shift) * 8 / width) % 8;
                    line[x] = bars[scene][bar][plane];
                }
            }
        }
    }

    struct CtxFree { void operator()(AVCodecContext *c) const { avcodec_free_context(&c); } };
    struct FrameFree { void operator()(AVFrame *f) const { av_frame_free(&f); } };
    struct PacketFree { void operator()(AVPacket *p) const { av_packet_free(&p); } };
    std::unique_ptr<AVCodecContext, CtxFree> m_ctx;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
};

TDatecodeFields fieldsOf(const QDateTime &t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return TDatecodeFields{qint32(d.year()), quint8(d.month()), quint8(d.day()),
                           quint8(c.hour()), quint8(c.minute()), quint8(c.second())};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    TOptions o;
    QString error;
    if (!parse(args, o, error))
        return usage(qPrintable(error));

    const int fpsNum = o.ntsc ? 30000 : 25, fpsDen = o.ntsc ? 1001 : 1;
    const int nominalFps = o.ntsc ? 30 : 25;
    const int cycle = nominalFps; // distinct pictures per scene

    TPictureEncoder encoder;
    if (!encoder.open(o.ntsc, o.wide, error)) {
        std::fprintf(stderr, "tarvex-sample: %s\n", qPrintable(error));
        return 1;
    }
    std::vector<std::vector<quint8>> pictures(size_t(2 * cycle));
    for (int scene = 0; scene < 2; ++scene)
        for (int step = 0; step < cycle; ++step)
            if (!encoder.encode(scene, step, pictures[size_t(scene * cycle + step)])) {
                std::fprintf(stderr, "tarvex-sample: the DV encoder failed\n");
                return 1;
            }

    // Written under a temporary name and renamed at the end, so that an
    // interrupted run never leaves a half-written recording under OUTPUT.
    const QString partial = o.output + QStringLiteral(".part");
    TAviWriter writer;
    auto fail = [&](const QString &why) {
        std::fprintf(stderr, "tarvex-sample: %s: %s\n", qPrintable(o.output), qPrintable(why));
        writer.close();
        QFile::remove(partial);
        return 1;
    };
    const QDateTime secondScene = o.start.addDays(1).addSecs(3 * 3600 + 17 * 60);
    std::vector<quint8> frame;
    std::vector<quint8> pcm;
    qint64 audioSamplesDone = 0;
    for (int i = 0; i < o.frames; ++i) {
        const bool second = i >= o.jumpAt;
        const int local = second ? i - o.jumpAt : i;
        frame = pictures[size_t((second ? cycle : 0) + local % cycle)];
        const int count = DifSequenceCount(qint64(frame.size()));

        // The camcorder clock runs in whole seconds from the start of each scene.
        const QDateTime when = (second ? secondScene : o.start).addSecs(local / nominalFps);
        TCamcorderPacks packs;
        if (i >= o.undated)
            packs.datecode = fieldsOf(when);
        const int tcFrames = i; // tape timecode runs on across the scenes
        packs.timecode = TTimecodeFields{quint8(tcFrames / nominalFps / 3600 % 24), quint8(tcFrames / nominalFps / 60 % 60),
                                         quint8(tcFrames / nominalFps % 60), quint8(tcFrames % nominalFps)};
        packs.wide16x9 = o.wide;
        packs.audioRate = 48000;
        packs.audioBits = 16;
        packs.audioChannels = 2;
        StampCamcorderPacks(frame.data(), count, packs);
        SilenceAudioBlocks(frame.data(), count);

        if (i == 0) {
            const TAviDvSystem system = o.ntsc ? TAviDvSystem::Ntsc : TAviDvSystem::Pal;
            const TDvInfo dvInfo = DvInfoFromFrame(frame.data(), count);
            TWaveFormatEx pcmFormat;
            pcmFormat.channels = 2;
            pcmFormat.samplesPerSec = 48000;
            pcmFormat.bitsPerSample = 16;
            pcmFormat.blockAlign = 4;
            pcmFormat.avgBytesPerSec = 48000 * 4;
            const TAviWriterConfig config = o.type == 1 ? TAviWriterConfig::dvType1(system, dvInfo)
                                                        : TAviWriterConfig::dvType2(system, dvInfo, pcmFormat);
            if (!writer.open(partial, config, &error))
                return fail(error);
        }

        if (!writer.writeSample(0, frame.data(), quint32(frame.size())))
            return fail(writer.errorString());
        if (o.type == 2) {
            const qint64 total = qint64(i + 1) * 48000 * fpsDen / fpsNum;
            pcm.assign(size_t(total - audioSamplesDone) * 4, 0);
            audioSamplesDone = total;
            if (!writer.writeSample(1, pcm.data(), quint32(pcm.size())))
                return fail(writer.errorString());
        }
    }
    if (!writer.close())
        return fail(writer.errorString());
    QFile::remove(o.output);
    if (!QFile::rename(partial, o.output))
        return fail(QStringLiteral("cannot rename %1").arg(partial));
    return 0;
}
