// tarvex-cli frames: one row per video sample of a DV AVI file.

#include "app/clitool.h"

#include "avi/avilayout.h"
#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
#include "avi/dvstream.h"
#include "dv/datecode.h"
#include "dv/dvcodes.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {
namespace {

TFourcc videoCompression(const TAviIndexedStream &stream)
{
    if (stream.format.size() >= TBitmapInfoHeader::kSize)
        return TBitmapInfoHeader::read(reinterpret_cast<const quint8 *>(stream.format.constData())).compression;
    return 0;
}

// Appends one row for a whole DV frame of `count` DIF sequences.
void appendFrameColumns(std::string &out, const quint8 *frame, int count)
{
    char text[96];
    int n;

    TDatecodeFields date{};
    TDateTime value = 0;
    if (ReadDatecode(frame, count, date) && DatecodeFromFields(date, value))
        n = std::snprintf(text, sizeof text, "\t%04d-%02d-%02d %02d:%02d:%02d", int(date.year), date.month, date.day,
                          date.hour, date.minute, date.second);
    else
        n = std::snprintf(text, sizeof text, "\t-");
    out.append(text, size_t(n));

    TTimecodeFields tc{};
    if (ReadTimecode(frame, count, tc))
        n = std::snprintf(text, sizeof text, "\t%02d:%02d:%02d:%02d", tc.hours, tc.minutes, tc.seconds, tc.frames);
    else
        n = std::snprintf(text, sizeof text, "\t-");
    out.append(text, size_t(n));

    bool wide = false;
    ReadWideScreen(frame, count, wide);
    out.append(wide ? "\t16:9" : "\t4:3");

    bool ntsc = false;
    if (ReadSystem(frame, ntsc))
        out.append(ntsc ? "\tNTSC" : "\tPAL");
    else
        out.append("\t-");

    qint32 rate = 0, bits = 0, channels = 0;
    if (ReadAudioFormat(frame, count, rate, bits, channels))
        n = std::snprintf(text, sizeof text, "\t%d/%d/%d\n", rate, bits, channels);
    else
        n = std::snprintf(text, sizeof text, "\t-\n");
    out.append(text, size_t(n));
}

void flush(std::string &out)
{
    writeOutput(out.data(), out.size());
    out.clear();
}

} // namespace

int runFrames(const QStringList &args)
{
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-')))
        return usageError(args.isEmpty() ? QStringLiteral("frames: missing FILE")
                                         : QStringLiteral("frames: expects exactly one FILE"),
                          "frames");
    const QString path = args.first();

    TFileSource source;
    if (!source.open(path)) {
        reportFileError(path, source.errorString());
        return FileError;
    }
    TAviSampleIndex index;
    if (!index.build(source)) {
        reportFileError(path, QStringLiteral("not an AVI file"));
        return FileError;
    }
    const int video = index.videoStream();
    if (video < 0) {
        reportFileError(path, QStringLiteral("the file has no video stream"));
        return FileError;
    }
    const TAviIndexedStream &stream = index.streams()[size_t(video)];
    if (!IsDvStream(stream, source)) {
        const TFourcc code = stream.type == fcc::vids && videoCompression(stream) ? videoCompression(stream) : stream.handler;
        reportFileError(path, QStringLiteral("the video stream is not DV (codec '%1')").arg(FourccText(code)));
        return FileError;
    }
    if (!index.warning().isEmpty())
        std::fprintf(stderr, "tarvex-cli: %s: %s\n", qPrintable(path), qPrintable(index.warning()));

    std::string out;
    out.reserve(1 << 17);
    out.append("frame\tdatecode\ttimecode\taspect\tsystem\taudio\n");

    std::vector<quint8> frame(dif::MaxFrameSize);
    quint32 number = 0;
    for (const TAviSample &sample : stream.samples) {
        char text[16];
        out.append(text, size_t(std::snprintf(text, sizeof text, "%u", number++)));
        const int count = DifSequenceCount(sample.size);
        if (count > 0 && source.readExact(sample.offset, frame.data(), sample.size))
            appendFrameColumns(out, frame.data(), count);
        else
            out.append("\t-\t-\t-\t-\t-\n");
        if (out.size() > (1 << 16))
            flush(out);
    }
    flush(out);
    return finishOutput(Ok);
}

} // namespace cli
