#pragma once

// The producers of scene files: scenes reported by the scene-detect stage
// where the datecode jumps, and scenes of a fixed number of seconds.

#include "scenes/scenefile.h"
#include "stages/frameinfo.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

// What the producers that write a scene file during a run share: the writer
// of the video's scene file, its error state and the count of scenes written.
// The callbacks refer to the producer, which must outlive the run; the end
// callback closes the file, and the error state stays readable after it.
class TSceneFileProducer
{
public:
    explicit TSceneFileProducer(const QString &videoPath);
    virtual ~TSceneFileProducer() = default;
    TSceneFileProducer(const TSceneFileProducer &) = delete;
    TSceneFileProducer &operator=(const TSceneFileProducer &) = delete;

    // Closes the scene file; later scenes are ignored.
    void End();
    TEndCallback endCallback();

    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }
    int sceneCount() const { return m_scenes; }

protected:
    // Appends the scene [start, end) to the file.
    void addScene(quint32 start, quint32 end);
    bool writing() const { return m_writer != nullptr; }

private:
    std::unique_ptr<TwriteScene> m_writer;
    QString m_fileName;
    QString m_error;
    int m_scenes = 0;
};

// Writes the scenes the scene-detect stage reports to the video's scene file.
class TSceneByDatecode final : public TSceneFileProducer
{
public:
    using TSceneFileProducer::TSceneFileProducer;

    // The scene from the first frame of start to the frame before next.
    void AddScene(const TFrameInfo &start, const TFrameInfo &next) { addScene(start.frameIndex, next.frameIndex); }
    TSceneCallback sceneCallback();
};

// The interval typed by the user (setting Intervalle): a whole number of
// seconds after trimming spaces; 0 for anything else.
int IntervalSeconds(const QString &text);
// The same when it is an interval that can be used (above 0 seconds);
// nothing otherwise.
std::optional<int> IntervalParameter(const QString &text);

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
