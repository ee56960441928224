#pragma once

// The producer of scene files by picture content: turns the cuts that the
// content scene-detect stage reports into scenes of the video's scene file.

#include "scenes/scenefile.h"
#include "stages/uscenedetectcontenu.h"

#include <QString>

#include <memory>

// Each cut at frame k > 0 closes the scene that began at the previous cut
// (frame 0 at first) with k as its end (its first frame after), so the
// scenes follow each other without gaps; the stage's last call, at the end
// of the run, closes the last scene. Cuts that do not move forward are
// ignored. The callbacks refer to this object, which must outlive the run;
// the end callback closes the file, and the error state stays readable after.
class TSceneByContent
{
public:
    explicit TSceneByContent(const QString &videoPath);

    void Cut(quint32 frameIndex);
    // Closes the scene file; later cuts are ignored.
    void End();

    TCutCallback cutCallback();
    TEndCallback endCallback();

    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }
    int sceneCount() const { return m_scenes; }

private:
    std::unique_ptr<TwriteScene> m_writer;
    QString m_fileName;
    QString m_error;
    quint32 m_previousCut = 0;
    int m_scenes = 0;
};
