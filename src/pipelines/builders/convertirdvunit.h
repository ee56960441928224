#pragma once

// The pipeline builder: owns the conversion pipeline, the elements that go
// into it and the program's processing stages, and builds the pipeline a
// spec asks for (TPipelineSpec: the kind of pipeline, the source and
// destination, and everything its stages must do) for one file.
//
// Every build empties the pipeline first, so nothing of a previous build is
// kept but the stages' own state. A build returns the pipeline ready to run,
// or why there is none (a source that cannot be loaded, a main path that does
// not connect); optional links (a second audio stream) that do not connect
// are left out. Failures while the pipeline runs come from its error signal.
//
// Threads: builds, attach and ResetPipeline run on one thread at a time (a
// command run's worker); the pipeline is run from there too.

#include "framework/settingscatalogue.h"
#include "pipelines/builders/pipelinespec.h"

#include <memory>

struct TCdmParts;

// What the recompression into DV follows.
struct TRecompressSettings
{
    int standard = settings::DefaultInteger(u"StandardDV");   // 0 PAL, 1 NTSC
    int frequency = settings::DefaultInteger(u"FrequenceDV"); // 0 32000 Hz, 1 44100 Hz, 2 48000 Hz
    int ratio = settings::DefaultInteger(u"RatioDV");         // 0 4:3, 1 16:9
    int audioRate() const { return frequency == 0 ? 32000 : frequency == 1 ? 44100 : 48000; }
};

class TCdm
{
public:
    TCdm();
    ~TCdm();
    TCdm(const TCdm &) = delete;
    TCdm &operator=(const TCdm &) = delete;

    // Empties the pipeline and builds the one the spec asks for.
    TBuildResult build(const TPipelineSpec &spec);

    // Hands the probe just built what its stage reports: the scene-detect
    // stage's scenes or datecode lines, or the content stage's cuts. The
    // sink is kept until the next build or ResetPipeline, which its owner
    // calls before it lets the sink go.
    void attach(const TDatecodeSink &sink);
    void attach(const TContentSink &sink);

    // Stops and empties the pipeline and lets go of the sinks.
    void ResetPipeline();

private:
    std::unique_ptr<TCdmParts> m_parts;
};
