#pragma once

// The files the program writes through QFile (WAV files, subtitle and scene
// files): made anew in place of any file of the same name and written
// straight through to the system, so that a failure is reported with the
// system's own reason ("No space left on device", "Is a directory",
// "Read-only file system").

#include <QFile>
#include <QString>

// Replaces whatever file is at path by a new, empty one opened unbuffered in
// mode (QIODevice::WriteOnly or ReadWrite). False, with the reason in error,
// when the name is taken by something that cannot be removed (a folder) or
// the file cannot be created.
bool CreateOutputFile(QFile &file, const QString &path, QIODevice::OpenMode mode, QString &error);

// Writes all of data at the file's position, as many calls as the system
// needs; false with the system's reason in error.
bool WriteOutput(QFile &file, const QByteArray &data, QString &error);
// The same at byte offset pos.
bool WriteOutputAt(QFile &file, qint64 pos, const QByteArray &data, QString &error);
