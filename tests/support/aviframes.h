#pragma once

// The samples of a written AVI file as our index reads them.

#include <QByteArray>
#include <QString>

#include <vector>

// Every sample of the file's video stream (DV frames), in order; empty when
// the file is not an AVI file with video. A sample that cannot be read is empty.
std::vector<QByteArray> AviVideoFrames(const QString &path);
// The bytes of every sample of stream number `stream`, one after another.
QByteArray AviStreamBytes(const QString &path, int stream);
