#pragma once

// What a conversion pipeline must do, and what its build gives back: the
// values a command fills in for one file, hands to the pipeline builder
// (TCdm::build) and gets its pipeline from. A build configures every stage
// from the spec alone; nothing is set on the stages after it.

#include "dv/datecode.h"
#include "dv/dvstandard.h"
#include "pipelines/error.h"
#include "stages/dv_superposer.h"
#include "stages/frameinfo.h"
#include "stages/uscenedetectcontenu.h"

#include <QString>

#include <optional>
#include <vector>

class TPipeline;

enum class TPipelineKind {
    // Probes: the source's frames through a stage of the program, no file written.
    SceneProbe,    // DV frames through the scene-detect stage: the scenes by datecode ...
    SubtitleProbe, // ... or the datecode lines of the subtitles (the same chain)
    ContentProbe,  // decoded pictures through the content scene-detect stage
    // Copies: the DV frames as they are, nothing decoded.
    HeaderPass, // every frame through the DV header stage (time shift, aspect, overwritten datecode)
    ToType1,    // a type 2 file as one interleaved stream
    ToType2,    // a type 1 file as DV video and PCM streams
    FixType2,   // a type 2 file whose video stream is interleaved, as plain DV video
    Cut,        // the part [start, stop) of the source, in its own layout
    // Re-encodings.
    Reencode,   // DV decoded, worked on (deinterlaced, inlaid), encoded again, each frame's packs put back
    Recompress, // any video (and up to two sound streams) into DV type 2
    // Extraction.
    AudioExtract, // the sound into a WAV file
};

// How a DV AVI file holds its DV: type 1, one interleaved stream; type 2,
// a DV video stream beside PCM streams.
enum class TDvLayout { Type1, Type2 };

// How the DV header stage rewrites each frame's packs. The defaults leave
// the frames as they are but for putting back their own packs after a
// re-encoding.
struct TFrameHeaderSpec
{
    bool restoreHeads = true;                   // the source frame's own head blocks into each frame
    TDateTime timeShift = 0;                    // days added to every datecode
    std::optional<bool> aspect16x9;             // every frame's display flag: 16:9 or 4:3; none: kept
    std::optional<TDateTime> overwriteDatecode; // a running datecode from this one, written into every frame
};

// Where and how the datecode lines are drawn into the pictures.
struct TInlaySpec
{
    int x = 920;       // IncrustX: thousandths of the width
    int y = 920;       // IncrustY: thousandths of the height
    int align = 0;     // the alignment choice, 0 to 3
    TIncrustFont font; // IncrustFont
};

// A text property of the written file: "INFO/xxxx" goes into its INFO list.
struct TTextProperty
{
    QString name;
    QString text;
};

struct TPipelineSpec
{
    // A spec of that kind from source to destination, everything else as by default.
    static TPipelineSpec make(TPipelineKind kind, const QString &source, const QString &destination = {})
    {
        TPipelineSpec spec;
        spec.kind = kind;
        spec.source = source;
        spec.destination = destination;
        return spec;
    }

    TPipelineKind kind = TPipelineKind::SceneProbe;
    QString source;
    QString destination; // the file to write (the probes write none)

    // The source's layout; the copies that keep it and the re-encodings
    // write theirs in it.
    TDvLayout layout = TDvLayout::Type2;
    // Re-encodings: the standard to encode in. None: the source's own
    // (a recompression then makes PAL).
    std::optional<TDvStandard> standard;
    // Re-encodings: what is done to every picture between decoding and
    // encoding.
    bool deinterlace = false;
    std::optional<TInlaySpec> inlay;
    // Every frame's packs (header passes, re-encodings).
    TFrameHeaderSpec header;
    // The rate of the written sound in Hz: the audio converters make it
    // (keeping channels and sample size) where they can. 0: the stream's own.
    int audioRate = 0;
    std::vector<TTextProperty> textProperties;
    // Cuts: the part of the source to copy, in 100 ns units (stop < 0: the end).
    qint64 start = 0;
    qint64 stop = -1;
    // Subtitle probes: when the datecode lines show (WhenIncrust, 0 to 3)
    // and for how long after each trigger (DureeIncrustation, seconds).
    int textMode = 0;
    int displaySeconds = 5;
};

// What a probe's stage calls while the probe runs: its scene and text
// callbacks on the streaming thread, its end callback in the stop sequence.
// A sink stays with the probe it was attached to until the next build or
// reset of the pipeline.
struct TDatecodeSink
{
    TSceneCallback onScene;
    TTextCallback onText;
    TEndCallback onEnd;
};

struct TContentSink
{
    TCutCallback onCut;
    TEndCallback onEnd;
};

// What a build gives: the pipeline ready to run, or the reason there is
// none. Beside a pipeline the error says why its output will be incomplete
// (a sound stream left out), to be reported after the run. A default value
// (neither): there is nothing to run for this file and nothing to report.
class TBuildResult
{
public:
    TBuildResult() = default;
    TBuildResult(TPipeline &pipeline, TError partial = {}) : m_pipeline(&pipeline), m_error(std::move(partial)) {}
    TBuildResult(TError error) : m_error(std::move(error)) {}

    TPipeline *pipeline() const { return m_pipeline; }
    const TError &error() const { return m_error; }
    explicit operator bool() const { return m_pipeline != nullptr; }

private:
    TPipeline *m_pipeline = nullptr;
    TError m_error;
};
