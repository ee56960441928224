#pragma once

// What FFmpeg's ffprobe reads in a media file, for checking written files
// against an independent reader.

#include <QString>
#include <QtGlobal>

#include <vector>

struct TProbedStream
{
    QString type;  // codec_type: "video", "audio", ...
    QString codec; // codec_name: "dvvideo", "pcm_s16le", ...
    qint64 packets = -1;
};

// Streams of the file at path as ffprobe reads them, counting every packet.
// errors (when given) receives what ffprobe printed on its error output, or
// why it could not be run; empty when all went well.
std::vector<TProbedStream> Probe(const QString &path, QString *errors = nullptr);
