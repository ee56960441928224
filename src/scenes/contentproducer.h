#pragma once

// The producer of scene files by picture content: turns the cuts that the
// content scene-detect stage reports into scenes of the video's scene file.

#include "scenes/sceneproducers.h"
#include "stages/uscenedetectcontenu.h"

#include <QString>

#include <memory>

// Each cut at frame k > 0 closes the scene that began at the previous cut
// (frame 0 at first) with k as its end (its first frame after), so the
// scenes follow each other without gaps; the stage's last call, at the end
// of the run, closes the last scene. Cuts that do not move forward are
// ignored. The callbacks refer to this object, which must outlive the run;
// the end callback closes the file, and the error state stays readable after.
class TSceneByContent final : public TSceneFileProducer
{
public:
    using TSceneFileProducer::TSceneFileProducer;

    void Cut(quint32 frameIndex);
    TCutCallback cutCallback();

private:
    quint32 m_previousCut = 0;
};
