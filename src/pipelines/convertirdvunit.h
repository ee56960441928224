#pragma once

// The pipeline builder: owns the conversion pipeline, the elements that go
// into it and the program's processing stages, and builds the pipeline of
// each kind of command for a source (and destination) file.

#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/dvmuxer.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "pipelines/tee.h"
#include "stages/dv_scenedetect.h"

class TCdm
{
public:
    TCdm();
    ~TCdm();
    TCdm(const TCdm &) = delete;
    TCdm &operator=(const TCdm &) = delete;

    // The conversion pipeline and its components.
    TPipeline fg;
    TFileSourceElement source;
    TFileWriterElement destination;
    TAviSplitter avisplitter;
    TDvSplitterElement dvsplitter;
    TDvSplitterElement dvsplitter2;
    TDvMuxerElement dvmuxer;
    TAviMux avimux;
    TNullRenderer nullrender;
    TInfiniteTee infinite;

    // The program's stages, created once and reused by every build.
    Tdv_sceneDetect sceneDetect;

    // source -> avisplitter -> the first stream that connects directly to the
    // scene-detect stage ("scenedetect") -> nullrender. Null when the source
    // cannot be loaded or no stream connects (the splitter's first output then
    // goes straight to nullrender). The stage's callbacks are cleared first.
    TPipeline *BuildSceneProbe(const QString &sourcePath);
    // The same chain, for the subtitle command.
    TPipeline *BuildSubtitleProbe(const QString &sourcePath);

    // Stops and empties the pipeline (also between builds).
    void Reset();

private:
    bool loadSource(const QString &sourcePath);
    // Connects the first splitter output that the input takes, directly.
    TPin *connectFirstStream(TPin *input);
};
