#pragma once

// The producers of scene files: scenes reported by the scene-detect stage
// where the datecode jumps, and scenes of a fixed number of seconds.

#include "scenes/scenefile.h"
#include "stages/frameinfo.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// Writes the scenes the scene-detect stage reports to the video's scene
// file. The callbacks refer to this object, which must outlive the run; the
// end callback closes the file, and the error state stays readable after it.
class TSceneByDatecode
{
public:
    explicit TSceneByDatecode(const QString &videoPath);

    // The scene from the first frame of start to the frame before next.
    void AddScene(const TFrameInfo &start, const TFrameInfo &next);
    // Closes the scene file; later scenes are ignored.
    void End();

    TSceneCallback sceneCallback();
    TEndCallback endCallback();

    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }
    int sceneCount() const { return m_scenes; }

private:
    std::unique_ptr<TwriteScene> m_writer;
    QString m_fileName;
    QString m_error;
    int m_scenes = 0;
};

// The interval typed by the user (setting Intervalle): a whole number of
// seconds after trimming spaces; 0 for anything else.
int IntervalSeconds(const QString &text);

// Frames per scene: seconds x fps rounded half to even; 0 when that is not a
// positive number of frames.
qint64 IntervalStep(int seconds, double fps);

// How a fixed-interval run reports its progress and learns of an abort; every
// member may be left empty.
struct TIntervalProgress
{
    std::function<void(quint32 total)> begin;
    std::function<void(quint32 position)> position;
    std::function<bool()> aborted;
    std::function<void()> end;
};

struct TIntervalResult
{
    bool written = false; // false when the step is 0: no file was made
    QString fileName;
    QString error;        // empty when the file was written
    int scenes = 0;
    bool ok() const { return error.isEmpty(); }
};

// Writes the video's scene file with scenes of IntervalStep(seconds, fps)
// frames, the last one ending at frameCount, until done or aborted.
TIntervalResult WriteScenesByInterval(const QString &videoPath, int seconds, double fps, quint32 frameCount,
                                      const TIntervalProgress &progress = {});
