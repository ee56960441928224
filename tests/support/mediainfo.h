#pragma once

// What mediainfo reads in a media file, for checking written files against
// an independent reader: its tracks as mediainfo's JSON output gives them
// ("@type" General / Video / Audio, "FrameCount", "Duration",
// "Recorded_Date", "TimeCode_FirstFrame", ...). Empty when mediainfo is
// missing or cannot read the file.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

QJsonArray MediainfoTracks(const QString &path);
// The first track of that type ("Video", "Audio", "General"); empty when none.
QJsonObject MediainfoTrack(const QJsonArray &tracks, const QString &type);
bool HaveMediainfo();
