// tarvex-cli info: the record the program keeps for each video file.

#include "app/clitool.h"

#include "avi/aviinfo.h"
#include "avi/records/avifichier.h"
#include "dv/datecode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>
#include <exception>
#include <memory>

namespace cli {
namespace {

QJsonObject RecordObject(const QString &file, const TaviFichier &r)
{
    const TVideoFileFacts &f = r.facts();
    const TVideoFileTexts &t = r.texts();
    QJsonObject o;
    o.insert("file", file);
    o.insert("datecode_text", t.datecode);
    o.insert("first_datecode", f.hasDatecode()
                                   ? QJsonValue(FormatDateTime(QStringLiteral("yyyy-mm-dd'T'hh:nn:ss"), *f.firstDatecode))
                                   : QJsonValue(QJsonValue::Null));
    o.insert("timecode_text", t.timecode);
    o.insert("dv_type", int(f.dvType));
    o.insert("standard", int(f.standard));
    o.insert("is_16_9", f.is16x9());
    o.insert("width", f.width);
    o.insert("display_height", f.displayHeight());
    o.insert("frame_rate", f.frameRate);
    o.insert("frame_count", f.frameCount);
    o.insert("duration_text", t.duration);
    o.insert("audio_text", t.audio);
    o.insert("codec", t.codec);
    o.insert("has_scene_file", f.hasSceneFile);
    o.insert("has_subtitle_file", f.hasSubtitleFile);
    o.insert("dv_info_valid", f.dvInfoValid);
    return o;
}

const char *const kKeys[] = {"datecode_text", "first_datecode", "timecode_text", "dv_type", "standard",
                             "is_16_9", "width", "display_height", "frame_rate", "frame_count",
                             "duration_text", "audio_text", "codec", "has_scene_file", "has_subtitle_file",
                             "dv_info_valid"};

void PrintPlain(const QJsonObject &o)
{
    std::printf("%s\n", qPrintable(o["file"].toString()));
    for (const char *key : kKeys) {
        const QJsonValue v = o[QLatin1String(key)];
        QString text;
        if (v.isBool())
            text = v.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        else if (v.isDouble())
            text = QString::number(v.toDouble(), 'g', 10);
        else if (v.isNull())
            text = QStringLiteral("-");
        else
            text = v.toString();
        std::printf("  %-18s %s\n", key, qPrintable(text));
    }
}

} // namespace

int runInfo(const QStringList &args)
{
    bool json = false;
    QStringList files;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--json"))
            json = true;
        else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            return usageError(QStringLiteral("info: unknown option '%1'").arg(arg), "info");
        else
            files << arg;
    }
    if (files.isEmpty())
        return usageError(QStringLiteral("info: missing FILE"), "info");

    int status = Ok;
    QJsonArray array;
    for (const QString &file : files) {
        std::unique_ptr<TaviFichier> record;
        try {
            record = std::make_unique<TaviFichier>(file);
        } catch (const TFileOpenError &e) {
            reportFileError(file, e.reason());
            status = FileError;
            continue;
        } catch (const std::exception &e) {
            reportFileError(file, QString::fromLocal8Bit(e.what()));
            status = FileError;
            continue;
        }
        const QJsonObject o = RecordObject(file, *record);
        if (json)
            array.append(o);
        else
            PrintPlain(o);
    }
    if (json)
        std::printf("%s", QJsonDocument(array).toJson(QJsonDocument::Indented).constData());
    return finishOutput(status);
}

} // namespace cli
