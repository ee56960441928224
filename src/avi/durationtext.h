#pragma once

// Texts of durations and audio formats shown for video files.

#include <QString>
#include <QtGlobal>

// A duration d (100 ns units) in seconds and frames of length frameLength
// (100 ns units): "1h 02mn 03s 04fr", "2mn 03s 04fr", "3s 04fr", or the frame
// count followed by "en" under a second.
QString FrameDurationText(qint64 d, qint64 frameLength);
// A duration d (100 ns units) with milliseconds: "1h 02mn 03s 004ms", "2mn
// 03s 004ms", "3s 004ms", or the millisecond count followed by "milliseconds".
QString MillisecondText(qint64 d);
// The name of a wave format tag ("PCM", "MP3", ...), "Unknown" for others.
QString AudioFormatName(quint16 formatTag);
