#pragma once

// The "send to" entry: a desktop entry in the user's applications folder
// (QStandardPaths::ApplicationsLocation) that offers Tarvex in the file
// manager's "Open with" for AVI files (video/x-msvideo).

#include <QString>

// The path of the entry.
QString SendToEntryPath();
// on: writes the entry starting programPath with the files given; off:
// deletes it (no entry is no failure). False with the reason in error.
bool SetSendTo(bool on, const QString &programPath, QString *error = nullptr);
// True when the entry exists.
bool SendToActive();
