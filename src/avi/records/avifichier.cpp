#include "avi/records/avifichier.h"

#include "avi/aviinfo.h"
#include "avi/records/buildlist.h"
#include "avi/durationtext.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

QString ReplaceExtension(const QString &path, const QString &extension)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + extension);
}

bool IsPrintable(TFourcc code)
{
    for (int i = 0; i < 4; ++i)
        if (quint8(code >> (8 * i)) < 0x20)
            return false;
    return true;
}

// The frame rate that a frame time (100 ns) gives, to the hundredth.
double RateOfFrameTime(qint64 frameTime)
{
    return frameTime > 0 ? double(std::llround(1e9 / double(frameTime))) / 100.0 : 0;
}

// The facts of what the header walk and the probe found.
void TakeProbe(TVideoFileFacts &f, const TFriendlyAviParam &header, const TProbeResult &r)
{
    if (r.videoFound) {
        const TBitmapInfoHeader &bmp = r.videoFormat.bitmap;
        if (IsPrintable(bmp.compression))
            f.codec = bmp.compression;
        else if (header.valid())
            f.codec = header.codec();
        f.hasVideo = true;
        f.width = bmp.width;
        f.height = qAbs(bmp.height);
        f.frameTime = r.videoFormat.avgTimePerFrame;
        if (f.frameTime > 0) {
            f.frameRate = RateOfFrameTime(f.frameTime);
            f.frameCount = qint32(std::llround(double(r.videoDuration) / double(f.frameTime)));
        }
        f.duration = r.videoDuration;
        f.bitRate = r.videoFormat.bitRate;
    }
    if (r.audioFound) {
        const TWaveFormatEx &w = r.audioFormat;
        f.hasAudio = true;
        f.audioFormatTag = w.formatTag;
        f.channels = w.channels;
        f.sampleRate = qint32(w.samplesPerSec);
        f.sampleBits = w.bitsPerSample;
        f.audioBytesPerSecond = w.avgBytesPerSec;
        f.audioDuration = r.audioDuration;
    }
    if (!r.dvAccepted)
        return;
    f.dvInfoValid = true;
    if (r.interleavedFound) {
        f.interleaved = true;
        f.dvType = r.streamCount >= 2 ? TDvType::Type2 : TDvType::Type1;
        f.dvSourceWord = r.dvInfo.vauxSrc;
        // Bit 21 of the VAUX source pack: 50 fields.
        const bool pal = (f.dvSourceWord & (1u << 21)) != 0;
        f.standard = pal ? TVideoStandard::Pal : TVideoStandard::Ntsc;
        f.frameRate = pal ? 25.0 : 30000.0 / 1001.0;
    } else {
        f.dvType = TDvType::Type2;
        const bool ntsc = f.height > 0 && f.height % 60 == 0;
        f.standard = ntsc ? TVideoStandard::Ntsc : TVideoStandard::Pal;
    }
    f.aspect = r.first16x9 ? TDisplayAspect::Ratio16x9 : TDisplayAspect::Ratio4x3;
    if (r.firstDatecodePresent)
        f.firstDatecode = r.firstDatecode;
    if (r.firstTimecodePresent)
        f.firstTimecode = r.firstTimecode;
}

QString ChannelText(qint32 channels)
{
    switch (channels) {
    case 0: return QStringLiteral("no channel");
    case 1: return QStringLiteral(" mono");
    case 2: return QStringLiteral(" stereo");
    default: return QStringLiteral(" stereo (%1)").arg(channels);
    }
}

} // namespace

qint32 TVideoFileFacts::displayHeight() const
{
    switch (aspect) {
    case TDisplayAspect::Ratio16x9: return width * 9 / 16;
    case TDisplayAspect::Ratio4x3: return width * 3 / 4;
    case TDisplayAspect::Unknown: break;
    }
    return height;
}

TVideoFileFacts ReadVideoFileFacts(const QString &fullPath)
{
    TVideoFileFacts f;
    f.hasSceneFile = QFileInfo::exists(ReplaceExtension(fullPath, QStringLiteral(".scn")));
    f.hasSubtitleFile = QFileInfo::exists(ReplaceExtension(fullPath, QStringLiteral(".srt")));
    // An error opening the file goes to the caller.
    const TFriendlyAviParam header(fullPath);
    f.aviValid = header.valid();
    // The probe takes DV under any codec code capture programs give it
    // (interleaved, or a video stream whose frames are DV), so nothing is
    // retried with the code forced to dvsd: the file is never written to.
    TProbeResult r;
    f.probed = ProbeFile(fullPath, r);
    TakeProbe(f, header, r);
    return f;
}

TVideoFileTexts VideoFileTexts(const TVideoFileFacts &f, const QString &datecodeFormat)
{
    static const QString na = QStringLiteral("N/A");
    TVideoFileTexts t;
    t.codec = f.codec ? FourccText(*f.codec) : QString();

    if (f.hasVideo) {
        t.video = QStringLiteral("%1 x %2").arg(f.width).arg(f.height);
        t.duration = FrameDurationText(f.duration, f.frameTime);
    } else {
        t.video = na;
    }

    if (f.hasAudio) {
        t.channel = ChannelText(f.channels);
        t.audio = QString::number(f.sampleRate) + QStringLiteral("Hz ");
        if (f.dvInfoValid && f.sampleRate == 32000 && f.sampleBits == 16)
            t.audio += QStringLiteral("12(16) bits "); // DV 32 kHz sound is 12-bit, delivered as 16-bit
        else if (f.sampleBits > 0)
            t.audio += QString::number(f.sampleBits) + QStringLiteral(" bits ");
        t.audio += t.channel;
        t.audioFormat = AudioFormatName(f.audioFormatTag) + QLatin1Char(' ') + QString::number(f.audioBytesPerSecond)
                        + QStringLiteral(" bytes/s");
        // In frames of the rate the video format gives.
        const double rate = RateOfFrameTime(f.frameTime);
        t.audioDuration = rate != 0 ? FrameDurationText(f.audioDuration, std::llround(1e7 / rate)) : MillisecondText(f.audioDuration);
    } else {
        t.audio = na;
    }

    if (f.dvInfoValid) {
        t.video += f.standard == TVideoStandard::Ntsc ? QStringLiteral(" (NTSC") : QStringLiteral(" (Pal");
        t.aspect = f.is16x9() ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)");
        t.datecode = f.firstDatecode ? FormatDateTime(datecodeFormat, *f.firstDatecode) : QString();
        if (t.datecode.isEmpty())
            t.datecode = na;
        t.timecode = f.firstTimecode ? TimecodeNameText(*f.firstTimecode) : na;
        t.datecodeSort = f.firstDatecode ? DatecodeSortText(*f.firstDatecode) : na;
    } else {
        // Without DV the probe gave no datecode: "-" as before it ran, nothing
        // for a file that is no usable AVI file.
        const bool usable = f.aviValid && f.probed;
        t.datecode = t.timecode = usable ? QStringLiteral("-") : QString();
        t.datecodeSort = usable && (f.hasVideo || f.hasAudio) ? QString(QChar(0xFE)) : QString(QChar(0xFF));
    }
    return t;
}

TaviFichier::TaviFichier(const QString &fullPath, const QString &datecodeFormat)
    : TSRFichier(fullPath), m_facts(ReadVideoFileFacts(fullPath)), m_texts(VideoFileTexts(m_facts, datecodeFormat))
{
}

QString TaviFichier::displayShiftText() const
{
    const qint64 seconds = std::llround(std::fabs(m_displayShift) * 86400.0);
    const qint64 days = seconds / 86400;
    QString text = QString::asprintf("%c%02lld:%02lld:%02lld", m_displayShift < 0 ? '-' : '+',
                                     static_cast<long long>((seconds / 3600) % 24), static_cast<long long>((seconds / 60) % 60),
                                     static_cast<long long>(seconds % 60));
    if (days > 0)
        text.insert(1, QStringLiteral("%1d ").arg(days));
    return text;
}

QString TaviFichier::GetSortKey(const TSortIndex &index) const
{
    const auto tail = [this] { return (fileName() + fullPath()).toLower(); };
    if (index.id == QLatin1String("datecode"))
        return m_texts.datecodeSort + tail();
    if (index.id == QLatin1String("timecode"))
        return m_texts.timecode + tail();
    if (index.id == QLatin1String("duration"))
        return QString::asprintf("%.12lld", static_cast<long long>(m_facts.duration)) + tail();
    return TSRFichier::GetSortKey(index);
}
