#include "support/aviframes.h"

#include "avi/avisampleindex.h"
#include "avi/bytesource.h"

std::vector<QByteArray> AviVideoFrames(const QString &path)
{
    TFileSource file(path);
    TAviSampleIndex index;
    std::vector<QByteArray> frames;
    if (!index.build(file) || index.videoStream() < 0)
        return frames;
    for (const TAviSample &s : index.streams()[size_t(index.videoStream())].samples) {
        QByteArray bytes(qsizetype(s.size), '\0');
        if (!file.readExact(s.offset, bytes.data(), s.size))
            bytes.clear();
        frames.push_back(bytes);
    }
    return frames;
}

QByteArray AviStreamBytes(const QString &path, int stream)
{
    TFileSource file(path);
    TAviSampleIndex index;
    QByteArray all;
    if (!index.build(file) || stream < 0 || size_t(stream) >= index.streams().size())
        return all;
    for (const TAviSample &s : index.streams()[size_t(stream)].samples) {
        QByteArray bytes(qsizetype(s.size), '\0');
        if (file.readExact(s.offset, bytes.data(), s.size))
            all += bytes;
    }
    return all;
}
