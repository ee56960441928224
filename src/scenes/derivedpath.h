#pragma once

#include <QString>

// The path of a file derived from a video: the video's extension (the part
// from the last "." after the last "/") replaced by suffix, or suffix appended
// when the name has no extension. DerivedFilePath("/v/a.b/clip.avi", ".srt")
// is "/v/a.b/clip.srt".
QString DerivedFilePath(const QString &videoPath, const QString &suffix);
