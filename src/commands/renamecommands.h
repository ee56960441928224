#pragma once

// The commands that rename video files or set their dates from the
// datecode, and the in-place codec and frame-rate edits: the plain parts
// (names, numbering, parameter texts) and the hooks built on them.

#include "dv/datecode.h"

#include <QString>

#include <optional>

class QDateTime;

// The settings the rename commands read.
struct TRenameSettings
{
    QString formatAjouterDatecode; // %D of "Add datecode"
    bool datecodeAvant = false;    // datecode before the name
    bool timecodeAvant = false;    // timecode before the name
    QString templateRenommer;      // name template of "Rename"
    QString formatRenommer;        // %D of "Rename"
};
TRenameSettings DefaultRenameSettings();

// True for a name tail that "Shorten the name" removes: a suffix that the
// conversions add ("type2", "pal", "16x9", ...) or a text in parentheses.
// The tail is compared lower-cased and trimmed.
bool IsRemovableNameTail(const QString &tail);

// Whether "Shorten the name" is offered for the file. Only the file name is
// examined, never its folders.
bool ShortenNameEnabled(const QString &fullPath);
// The path without its last four characters, stripped of the removable
// tails of its file name (without numbering).
QString ShortenedBase(const QString &fullPath);
// The first of base + ".avi", base + "_1.avi", ... at which no file exists.
QString FreeShortenedPath(const QString &base);

// path when no file exists there, else the first of path with "_1", "_2",
// ... put before its extension at which no file exists.
QString FreeNumberedPath(const QString &path);

// False for a destination whose file name is empty, "." or "..".
bool IsUsableFileName(const QString &path);

// Renames the video to destination without ever replacing an existing file,
// then its ".scn" and ".srt" companions when the video moved. False when the
// video did not move.
bool RenameWithCompanions(const QString &fullPath, const QString &destination);

// Sets the file's modification time (and its birth time where the file
// system lets it) to when, keeping its access time. False on failure.
bool SetFileDates(const QString &path, const QDateTime &when);

// The codec code of a "Fix the video codec" parameter: up to four printable
// ASCII characters, padded with spaces; nothing for an empty or longer text
// or other characters.
std::optional<QString> CodecParameter(const QString &text);

// The frames per second of a "Fix the video framerate" parameter (a decimal
// number in the user's or the C notation); nothing for a text that is not a
// number or a rate that gives no frame scale (zero, negative, too large).
std::optional<double> FrameRateParameter(const QString &text);
