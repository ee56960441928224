#pragma once

// The parts of the pipeline builder (TCdm), for its builders only: the
// conversion pipeline, the elements that go into it, the program's stages,
// and the steps the builders share. Each builder takes the parts and a spec
// and connects its chain: the probes (cdmprobes.cpp), the copies
// (cdmcopies.cpp), the re-encodings (cdmreencodings.cpp) and the
// extraction of the sound (cdmextraction.cpp).
//
// Every build starts from emptied parts (reset): no element, connection,
// callback or stage setting of a previous build is kept but the stages' own
// state. A step that must succeed and fails says why in the TError it gives.

#include "pipelines/audioconverterelement.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvencoderelement.h"
#include "pipelines/dvmuxer.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/framerateconverter.h"
#include "pipelines/pipeline.h"
#include "pipelines/builders/pipelinespec.h"
#include "pipelines/queueelement.h"
#include "pipelines/renderer.h"
#include "pipelines/tee.h"
#include "stages/dv_deinter.h"
#include "stages/dv_dvheader.h"
#include "stages/dv_mediastamper.h"
#include "stages/dv_scenedetect.h"
#include "stages/dv_superposer.h"
#include "stages/dv_wavedest.h"
#include "stages/uscenedetectcontenu.h"

#include <QStringView>

#include <memory>
#include <vector>

// The names the program's stages take in a conversion pipeline.
namespace stagename {
inline constexpr QStringView SceneDetect = u"dv_SceneDetect";
inline constexpr QStringView SceneDetectProbe = u"scenedetect";
inline constexpr QStringView SceneDetectContenu = u"scenedetectContenu";
inline constexpr QStringView MediaStamper = u"MediaStamper";
inline constexpr QStringView Deinter = u"dv_Deinter";
inline constexpr QStringView Superposer = u"dv_Superposer";
inline constexpr QStringView DvHeader = u"dv_DVHeader";
inline constexpr QStringView WaveDest = u"dv_WaveDest";
} // namespace stagename

struct TCdmParts
{
    TCdmParts();
    ~TCdmParts();
    TCdmParts(const TCdmParts &) = delete;
    TCdmParts &operator=(const TCdmParts &) = delete;

    // The conversion pipeline and its components.
    TPipeline fg;
    TFileSourceElement source;
    TFileWriterElement destination;
    TAviSplitter avisplitter;
    TDvSplitterElement dvsplitter;
    TDvMuxerElement dvmuxer;
    TAviMux avimux;
    TAudioConverterElement acm1;
    TAudioConverterElement acm2;
    TDvVideoDecoderElement DVdecoder;
    TDvVideoEncoderElement DVenc;
    TNullRenderer nullrender;
    TInfiniteTee infinite;
    // Between decoding and encoding: thread boundaries and the change of
    // frame rate that a change of standard needs. Each frame's data travels
    // with its samples, so the depth of the queues changes the speed only.
    static constexpr int kQueueCapacity = 4;
    TQueueElement decoderQueue{kQueueCapacity};
    TQueueElement pictureQueue{kQueueCapacity};
    TQueueElement scaleQueue{kQueueCapacity};
    TQueueElement encoderQueue{kQueueCapacity};
    TQueueElement muxQueue{kQueueCapacity};
    TFrameRateConverter frameRate;
    // In front of the AVI mux: the file is written on a thread of its own
    // while the next frames are read (one lane per stream, order kept).
    TQueueElement writeQueue{16, 4};

    // The program's stages, created once and reused by every build.
    Tdv_sceneDetect sceneDetect;
    Tdv_Superposer superposer;
    Tdv_DVheader dvHeader;
    Tdv_deinter deinter;
    Tdv_WaveDest waveDest;
    TSceneDetectContenu sceneDetectContenu;
    TDV_MediaStamper mediaStamper;

    // The picture converters of the re-encoding chain, made for each build.
    std::vector<std::unique_ptr<TColorConverterElement>> converters;

    // Stops and empties the pipeline; clears the stages' callbacks and
    // returns the DV header stage and the converters to their initial settings.
    void reset();

    // Elements into the pipeline under their own names, a stage under its name.
    void add(std::initializer_list<TElement *> elements);
    void addStage(TElement &stage, QStringView name);
    // A picture converter made for this build, in the pipeline.
    TColorConverterElement *converter(TFourcc subtype, int width = 0, int height = 0);

    // Connects an output to an input directly (link) or through converters
    // (linkThrough); false when it does not connect, and failure() then says why.
    bool link(TPin *output, TPin *input);
    bool linkThrough(TPin *output, TPin *input);
    // What did not work, with the connection that last failed.
    TError failure(const QString &what) const;

    // reset, then source -> avisplitter.
    TError loadSource(const QString &sourcePath);
    // loadSource, and the file writer for the destination.
    TError openEnds(const TPipelineSpec &spec);
    // The first free splitter output that connects to the input (directly,
    // or through converters when direct is false); null when none does.
    TPin *connectFirstStream(TPin *input, bool direct = true);
    // The last (free) input of an element that grows inputs as they connect.
    static TPin *nextFreeInput(TElement &element);
    // from -> a lane of the write queue -> the AVI mux's next input.
    bool connectToMux(TPin *from);
    // avimux -> destination.
    TBuildResult finishWriter(TError partial = {});
    // dvmuxer -> splitter -> write queue -> avimux (video, then sound streams) -> destination.
    TBuildResult finishThroughSplitter(TDvSplitterElement &splitter);
    // dvmuxer -> write queue -> avimux (one interleaved stream) -> destination.
    TBuildResult finishInterleaved();
    // The file's first two PCM streams through acm1 / acm2 into dvmuxer inputs 1 / 2.
    void connectSoundToMuxer();

    // The DV header stage's settings from the spec.
    void applyHeader(const TFrameHeaderSpec &header);
    // The text properties of the spec on the AVI mux.
    void applyTextProperties(const TPipelineSpec &spec);
    // Both converters, where they are connected, to the rate (0: nothing changes).
    void setAudioRates(int rate);
    // The converter's output rate (channels and sample size kept); nothing
    // happens when the converter's input is not connected or the rate is not
    // one it can make.
    static void setAudioRate(TAudioConverterElement &converter, int rate);

    // Why the last failed link did not connect.
    QString lastLinkFailure;

private:
    bool linked(TResult result, TPin *output, TPin *input);
};

// The builders, one per kind of pipeline (TPipelineKind).
TBuildResult BuildSceneProbe(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildContentProbe(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildHeaderPass(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildToType1(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildToType2(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildFixType2(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildCut(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildReencode(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildRecompress(TCdmParts &m, const TPipelineSpec &spec);
TBuildResult BuildAudioExtract(TCdmParts &m, const TPipelineSpec &spec);
