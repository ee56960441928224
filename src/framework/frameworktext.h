#pragma once

// The text files of the framework (the portable preferences file, play lists):
// written as UTF-16 little-endian with a byte-order mark and CR LF after every
// line, through a temporary file renamed over the old one, so that a crash or a
// full disk never leaves half a file. Read in the encoding their byte-order
// mark names (UTF-16 LE, UTF-16 BE or UTF-8), or in the locale's encoding when
// they have none.

#include <QByteArray>
#include <QString>
#include <QStringList>

// Files longer than this are read up to this many bytes; the rest is ignored.
inline constexpr qint64 kFrameworkTextMaxBytes = qint64(64) << 20;

// The lines of a file's bytes. Lines end at CR LF, LF or CR; the last line
// needs no end. Undecodable bytes become replacement characters.
QStringList DecodeFrameworkLines(const QByteArray &bytes);

// The bytes of the lines: byte-order mark, then each line in UTF-16 LE followed by CR LF.
QByteArray EncodeFrameworkLines(const QStringList &lines);

struct TFrameworkTextRead
{
    bool ok = false;        // the file was opened and read
    bool truncated = false; // the file was longer than the limit: the last, partial line is dropped
    QStringList lines;
    QString errorString;    // why the file could not be read
};

// Reads at most maxBytes of a file and decodes its lines.
TFrameworkTextRead ReadFrameworkTextFile(const QString &fileName, qint64 maxBytes = kFrameworkTextMaxBytes);

// Writes the lines (EncodeFrameworkLines) through a temporary file renamed over
// fileName. False with the reason in *errorString when anything fails; the old
// file is then left as it was.
bool WriteFrameworkTextFile(const QString &fileName, const QStringList &lines, QString *errorString = nullptr);
