#pragma once

// Recordings made by the tarvex-sample program for tests: real DV pictures,
// camcorder packs (two scenes: the second a day later), silent sound.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Writes dir/name with tarvex-sample and the given options ("--frames", "20",
// "--type", "2", "--ntsc", ...). Returns the path, or an empty string when
// the program failed.
QString MakeSampleRecording(const QTemporaryDir &dir, const QString &name, const QStringList &options);
