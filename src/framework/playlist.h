#pragma once

// Play lists: text files of paths, written by the file list and read back by it
// (and by the command-line tool). UTF-16 LE with a byte-order mark, CR LF:
//
//   #-------------------------------------------------------------
//   #
//   #   <title line>
//   #
//   #-------------------------------------------------------------
//   #
//   #   <slogan line>
//   #
//   #-------------------------------------------------------------
//
//        /videos/tape 1.avi                 five blanks, then each path in list order
//        /videos/tape 2.avi
//
//   #-------------------------------------------------------------
//   # 2 files sorted in alphabetical order
//   # Done on <long date> <long time>
//
// On reading, every line is trimmed; empty lines and lines that begin with "#"
// are skipped; every other line is a path, or a path with wildcards. Any text
// file is read, in the encoding of its byte-order mark (frameworktext.h).

#include "framework/listfichier.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The name of the preferred play list, in the play-list folder setting.
inline constexpr char kPreferredPlayListName[] = "tarvex.list";

// The preferred play list of a folder (with or without its trailing separator).
QString PreferredPlayListPath(const QString &folder);
// The file "Save as..." writes for a name the user chose: its extension (from
// the last "." after the last "/") replaced by ".txt", or ".txt" appended.
QString PlayListSaveName(const QString &fileName);

struct TPlayListHeader
{
    QString titre;       // the title line (the application and its maker)
    QString slogan;      // the slogan line (the maker's web page)
    TSortIndex sortIndex = sortindex::Alpha(); // the list's order, named in the footer
    QDateTime doneOn = QDateTime::currentDateTime();
};

// The lines of a play list of the paths. A path that a line cannot hold (a
// line break in it) is left out and counted in *leftOut.
QStringList PlayListLines(const QStringList &paths, const TPlayListHeader &header, qsizetype *leftOut = nullptr);

// Writes the play list through a temporary file renamed over fileName; false
// with the reason in *errorString when that fails (the old file is kept).
bool WritePlayList(const QString &fileName, const QStringList &paths, const TPlayListHeader &header,
                   QString *errorString = nullptr, qsizetype *leftOut = nullptr);

// The paths and patterns that the lines of a play list name, in order.
QStringList PlayListEntries(const QStringList &lines);

struct TPlayListRead
{
    bool ok = false;        // the file was read
    bool truncated = false; // the file was too long: the entries of its first part only
    QStringList entries;
    QString errorString;
};

TPlayListRead ReadPlayList(const QString &fileName);
