#include "avi/avifichier.h"

#include "avi/aviinfo.h"
#include "avi/buildlist.h"
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

} // namespace

TaviFichier::TaviFichier(const QString &fullPath, const QString &datecodeFormat) : TSRFichier(fullPath)
{
    // 1. before the probe
    datecodeText = timecodeText = QStringLiteral("-");
    datecodeSortText = QString(QChar(0xFE));

    // 2. companions
    hasSceneFile = QFileInfo::exists(ReplaceExtension(fullPath, QStringLiteral(".scn")));
    hasSubtitleFile = QFileInfo::exists(ReplaceExtension(fullPath, QStringLiteral(".srt")));

    // 3. header walk (an error opening the file goes to the caller)
    const TFriendlyAviParam header(fullPath);
    if (header.valid()) {
        codec = header.codecCode();
    } else {
        timecodeText.clear();
        datecodeText.clear();
        datecodeSortText = QString(QChar(0xFF));
        codec.clear();
    }

    // 4. probe. The probe takes DV under any codec code capture programs
    // give it (interleaved, or a video stream whose frames are DV), so
    // nothing is retried with the code forced to dvsd: the file is never
    // written to here.
    TProbeResult r;
    if (!ProbeFile(fullPath, r)) {
        timecodeText.clear();
        datecodeText.clear();
        datecodeSortText = QString(QChar(0xFF));
    }

    // 5. video
    bool ntscGuess = false;
    if (r.videoFound) {
        const TBitmapInfoHeader &bmp = r.videoFormat.bitmap;
        bool printable = true;
        for (int i = 0; i < 4; ++i)
            printable = printable && quint8(bmp.compression >> (8 * i)) >= 0x20;
        if (printable)
            codec = FourccText(bmp.compression);
        width = bmp.width;
        displayHeight = qAbs(bmp.height);
        videoText = QStringLiteral("%1 x %2").arg(width).arg(displayHeight);
        ntscGuess = displayHeight > 0 && displayHeight % 60 == 0;
        const qint64 frameTime = r.videoFormat.avgTimePerFrame;
        if (frameTime > 0) {
            frameRate = double(std::llround(1e9 / double(frameTime))) / 100.0;
            frameCount = qint32(std::llround(double(r.videoDuration) / double(frameTime)));
        }
        duration = r.videoDuration;
        durationText = FrameDurationText(r.videoDuration, frameTime);
        bitRate = r.videoFormat.bitRate;
    } else {
        codec.clear();
        videoText = QStringLiteral("N/A");
    }

    // 6. audio
    if (r.audioFound) {
        const TWaveFormatEx &w = r.audioFormat;
        sampleRate = qint32(w.samplesPerSec);
        sampleBits = w.bitsPerSample;
        audioText = QString::number(w.samplesPerSec) + QStringLiteral("Hz ");
        if (sampleBits > 0)
            audioText += QString::number(sampleBits) + QStringLiteral(" bits ");
        switch (w.channels) {
        case 0: channelText = QStringLiteral("no channel"); break;
        case 1: channelText = QStringLiteral(" mono"); break;
        case 2: channelText = QStringLiteral(" stereo"); break;
        default: channelText = QStringLiteral(" stereo (%1)").arg(w.channels); break;
        }
        audioText += channelText;
        audioFormatText = AudioFormatName(w.formatTag) + QLatin1Char(' ') + QString::number(w.avgBytesPerSec) + QStringLiteral(" bytes/s");
        audioDurationText = frameRate != 0 ? FrameDurationText(r.audioDuration, std::llround(1e7 / frameRate))
                                           : MillisecondText(r.audioDuration);
    } else {
        audioText = QStringLiteral("N/A");
    }

    // 7.
    if (audioText == QLatin1String("N/A") && videoText == QLatin1String("N/A"))
        datecodeSortText = QString(QChar(0xFF));

    // 8. DV facts
    if (r.dvAccepted) {
        dvInfoValid = true;
        if (r.interleavedFound) {
            dvType = r.streamCount >= 2 ? 2 : 1;
            isInterleavedType2 = dvType == 2;
            dvSourceWord = r.dvInfo.vauxSrc;
            if (dvSourceWord & (1u << 21)) {
                videoText += QStringLiteral(" (Pal");
                standard = 0;
                frameRate = 25.0;
            } else {
                videoText += QStringLiteral(" (NTSC");
                standard = 1;
                frameRate = 30000.0 / 1001.0;
            }
        } else {
            dvType = 2;
            videoText += ntscGuess ? QStringLiteral(" (NTSC") : QStringLiteral(" (Pal");
            standard = ntscGuess ? 1 : 0;
        }
        is16x9 = r.first16x9;
        aspectText = is16x9 ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)");
        displayHeight = is16x9 ? width * 9 / 16 : width * 3 / 4;
        if (r.firstDatecodePresent) {
            firstDatecode = r.firstDatecode;
            datecodeText = FormatDateTime(datecodeFormat, firstDatecode);
            if (datecodeText.isEmpty())
                datecodeText = QStringLiteral("N/A");
        } else {
            datecodeText = QStringLiteral("N/A");
        }
        if (sampleRate == 32000 && sampleBits == 16)
            audioText = QStringLiteral("32000Hz 12(16) bits ") + channelText;
        timecodeText = r.firstTimecodePresent ? TimecodeNameText(r.firstTimecode) : QStringLiteral("N/A");
        datecodeSortText = r.firstDatecodePresent ? DatecodeSortText(firstDatecode) : QStringLiteral("N/A");
    }

    // 9. sort keys
    const QString tail = (fileName() + fullPath).toLower();
    datecodeSortKey = datecodeSortText + tail;
    timecodeSortKey = timecodeText + tail;
    durationSortKey = QString::asprintf("%.12lld", static_cast<long long>(duration)) + tail;
}

bool TaviFichier::hasDatecode() const
{
    return dvInfoValid && firstDatecode != 0 && datecodeText != QLatin1String("N/A")
           && datecodeText != QLatin1String("Error") && datecodeText != QLatin1String("-");
}

void TaviFichier::setDisplayShift(TDateTime shift)
{
    displayShift = shift;
    const qint64 seconds = std::llround(std::fabs(shift) * 86400.0);
    const qint64 days = seconds / 86400;
    QString text = QString::asprintf("%c%02lld:%02lld:%02lld", shift < 0 ? '-' : '+', static_cast<long long>((seconds / 3600) % 24),
                                     static_cast<long long>((seconds / 60) % 60), static_cast<long long>(seconds % 60));
    if (days > 0)
        text.insert(1, QStringLiteral("%1d ").arg(days));
    displayShiftText = text;
}

QString TaviFichier::GetSortKey(const TSortIndex &index) const
{
    if (index.id == QLatin1String("datecode"))
        return datecodeSortKey;
    if (index.id == QLatin1String("timecode"))
        return timecodeSortKey;
    if (index.id == QLatin1String("duration"))
        return durationSortKey;
    return TSRFichier::GetSortKey(index);
}
