#pragma once

// Tviewdm: the playback pipeline of the window program. It opens the active
// file of the list, passes its DV frames through the playback instances of
// the scene-detect stage ("vScenedetect") and of the inlay stage
// ("superposer"), shows the pictures in the video view's window and plays
// the sound, paced by the pipeline's clock. It keeps a playback range, seeks
// by position, by frames or by time, and can stand on a position until the
// picture there has passed the inlay stage.
//
// Pipelines built:
//   DV type 1: file -> AVI splitter -> DV splitter -> vScenedetect -> DV
//              decoder -> superposer -> video renderer; the DV splitter's
//              sound outputs to audio renderers.
//   DV type 2: the DV splitter is left out; the AVI splitter's DV video
//              stream goes to vScenedetect, its sound stream is rendered.
//   Other AVI: each stream rendered (libavcodec decoders, converters), the
//              inlay stage spliced in before the video renderer.
// A file whose picture path does not reach the renderer gets frame rate 0 in
// its record, and positions count 100 ns units; otherwise they count frames.
//
// Threads: every member runs on the user-interface thread. The pipeline's
// streaming threads run the stages and renderers; the inlay stage sets the
// still-picture flag there. The pipeline's events reach this object queued.
// SeekAndShow waits by processing events, so other handlers (ticks,
// navigation, another SeekAndShow, AbortStill) may run inside its wait.

#include "avi/records/avifichier.h"
#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderers/audiorenderer.h"
#include "pipelines/renderers/videorenderer.h"
#include "stages/dv_scenedetect.h"
#include "stages/dv_superposer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class Tviewdm : public QObject
{
    Q_OBJECT
public:
    // What the view shows after an open.
    enum class TShow { Video, PausedNoVideo, NoVideo };
    // kind: the view's message 1..9 for PausedNoVideo and NoVideo.
    struct TOpenOutcome
    {
        bool ok = false;
        TShow show = TShow::NoVideo;
        int kind = 0;
    };

    // How long SeekAndShow waits at most for its picture.
    static constexpr int StillWaitMs = 3000;

    explicit Tviewdm(QObject *parent = nullptr);
    ~Tviewdm() override; // stops and clears the pipeline

    // The renderer's window; pictures are dropped while there is none.
    void setVideoWindow(TVideoWindow *window);
    TVideoWindow *videoWindow() const;

    // Builds the pipeline for the record's file, plays it and pauses on the
    // first frame of the range. A record whose picture path fails gets frame
    // rate 0. Null record: nothing shown, kind 0.
    TOpenOutcome OpenForViewing(TaviFichier *record);
    // Seeks to position (current time format, clamped to the range), pauses
    // and waits, processing events, until the picture there passed the
    // inlay stage (at most StillWaitMs; not at all without a picture path).
    void SeekAndShow(qint64 position);
    // Moves by n frames / by d 100 ns units, clamped to the range; no wait.
    void StepFrames(int n);
    void StepTime(qint64 d100ns);
    // Pauses unless paused; then playStateChanged(false).
    void EnsurePaused();
    // Unless playing: stop and pause, so the frame at the current position
    // passes the stages again (changed inlay or datecode settings show).
    void RefreshPicture();
    // Lets go of the file: no descriptor stays open; a later failed open shows kind 9.
    void ReleaseFile();
    // Stops and disconnects everything; no file.
    void Clear();
    // The play/pause action: checked plays, unchecked stops then pauses.
    void Play();
    void Pause();
    // Ends a SeekAndShow wait (the abort actions).
    void AbortStill();

    // Linear volume 0..10000 (clamped); the renderers get hundredths of a decibel.
    void SetVolume(int linear);
    int volume() const { return m_volume; }
    // round(ln(v + 1) * 1085.73) - 10000 for v clamped to 0..10000.
    static int VolumeToHundredthsOfDecibel(int linear);

    // End of the video: false pauses at the range start (the default), true loops.
    void setLoopAtEnd(bool loop) { m_loopAtEnd = loop; }
    bool loopAtEnd() const { return m_loopAtEnd; }
    // The shift added to the datecodes shown (days), shared with the stages' text store.
    void setDisplayShift(TDateTime shift);
    TDateTime displayShift() const { return m_displayShift; }

    TPipeline::TState state() const { return m_graph.state(); }
    bool shown() const { return m_shown; }
    bool hasVideo() const { return m_video; }
    bool hasAudio() const { return m_audio; }
    bool released() const { return m_released; }
    // The last step a build reached; after a failed open, the message kind.
    int buildStep() const { return m_buildStep; }
    // Positions are frames (else 100 ns units).
    bool framesFormat() const { return m_graph.timeFormat() == TPipeline::TTimeFormat::Frame; }
    qint64 currentPosition() const;
    qint64 duration() const { return m_graph.duration(); }
    qint64 rangeStart() const { return m_rangeStart; }
    qint64 rangeEnd() const { return m_rangeEnd; }
    void setRange(qint64 start, qint64 end);
    // Of the open file (0: unknown, also when no picture is shown).
    double frameRate() const;
    // The playback instances of the stages.
    Tdv_sceneDetect &sceneDetect() { return m_sceneDetect; }
    Tdv_Superposer &superposer() { return m_superposer; }
    // The open file, empty when none.
    QString path() const { return m_path; }
    // The record of the open file (null when none).
    TaviFichier *record() const { return m_record; }
    // The latest picture the renderer received, as the inlay stage composed it.
    QImage currentPicture() const { return m_renderer.currentPicture(); }
    // Names of the elements of the pipeline, in the order they were added (for inspection).
    QStringList elementNames() const;
    const TPipeline &pipeline() const { return m_graph; }

signals:
    // false: paused by EnsurePaused or at the end of the video; true: the loop restarts play.
    void playStateChanged(bool playing);
    // SeekAndShow's slider value 0..1000.
    void sliderMoved(int value);

private:
    bool openSplitter(const QString &path);
    bool BuildDVPlayback(const QString &path);
    bool BuildAviPlayback(const QString &path);
    void ResetPlayback();
    bool connectPictureToRenderer(TPin *picture);
    bool renderSound(TPin *output);
    void finishBuild();
    // Clamps a target to the range and to the last position that shows a picture.
    qint64 clampToRange(qint64 position) const;
    qint64 stopForRange() const;
    void graphComplete();

    TPipeline m_graph;
    TFileSourceElement m_source;
    TAviSplitter m_aviSplitter;
    TDvSplitterElement m_dvSplitter;
    TDvVideoDecoderElement m_decoder;
    TColorConverterElement m_toRgb;   // decoder pictures to what the inlay stage takes
    TColorConverterElement m_color;   // the inlay stage's pictures to what the renderer takes
    TVideoRendererElement m_renderer;
    std::vector<std::unique_ptr<TAudioRendererElement>> m_audioRenderers;
    Tdv_sceneDetect m_sceneDetect;
    Tdv_Superposer m_superposer;

    TaviFichier *m_record = nullptr;
    QString m_path;
    bool m_shown = false;
    bool m_video = false;
    bool m_audio = false;
    bool m_released = false;
    int m_buildStep = 0;
    qint64 m_rangeStart = 0;
    qint64 m_rangeEnd = 0;
    int m_volume = 10000;
    bool m_loopAtEnd = false;
    TDateTime m_displayShift = 0;
    int m_stillDepth = 0; // nested SeekAndShow waits
};
