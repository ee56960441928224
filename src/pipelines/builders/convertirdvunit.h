#pragma once

// The pipeline builder: owns the conversion pipeline, the elements that go
// into it and the program's processing stages, and builds the pipeline of
// each kind of command for a source (and destination) file.
//
// Every builder empties the pipeline first (ResetPipeline), so nothing of a
// previous build is kept but the stages' own state. A builder returns the
// pipeline ready to run, or null when the source cannot be loaded or the
// main path does not connect; optional links (a second audio stream) that do
// not connect are left out.

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

#include <optional>

// What the recompression into DV follows.
struct TRecompressSettings
{
    int standard = 0;  // "Default Standard": 0 PAL, 1 NTSC
    int frequency = 2; // "DV Frequency": 0 32000 Hz, 1 44100 Hz, 2 48000 Hz
    int ratio = 0;     // "Image ratio": 0 4:3, 1 16:9
    int audioRate() const { return frequency == 0 ? 32000 : frequency == 1 ? 44100 : 48000; }
};

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
    TAudioConverterElement acm1;
    TAudioConverterElement acm2;
    TDvVideoDecoderElement DVdecoder;
    TDvVideoEncoderElement DVenc;
    TNullRenderer nullrender;
    TInfiniteTee infinite;
    // Between decoding and encoding: thread boundaries and the change of
    // frame rate that a change of standard needs.
    // Five queues between the scene-detect stage and the DV header stage.
    // The frames in flight (what the queues hold, plus one in the hands of
    // each thread and one waiting at each queue) must stay within the frames
    // whose packs the scene-detect stage keeps, where the DV header stage
    // finds each frame's own.
    static constexpr int kQueueCapacity = (Tdv_sceneDetect::SavedHeadDepth - 12) / 5;
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
    Tdv_Superposer superposer{&sceneDetect};
    Tdv_DVheader dvHeader{&sceneDetect};
    Tdv_deinter deinter;
    Tdv_WaveDest waveDest;
    TSceneDetectContenu sceneDetectContenu;
    TDV_MediaStamper mediaStamper;

    // Followed by BuildRecompress.
    TRecompressSettings recompressSettings;

    // source -> avisplitter -> the first stream that connects directly to the
    // scene-detect stage ("scenedetect") -> nullrender. Null when the source
    // cannot be loaded or no stream connects (the splitter's first output then
    // goes straight to nullrender).
    TPipeline *BuildSceneProbe(const QString &sourcePath);
    // The same chain, for the subtitle command.
    TPipeline *BuildSubtitleProbe(const QString &sourcePath);
    // Pictures of the video through the media stamper into the content
    // scene-detect stage, which takes its frame indexes from the stamper.
    TPipeline *BuildContentProbe(const QString &sourcePath);

    // Decode, deinterlace, encode in the other standard, restore each
    // frame's packs: for a type 1 file (one interleaved stream) ...
    TPipeline *BuildStandardType1(const QString &sourcePath, const QString &destPath, bool toNtsc);
    // ... and for a type 2 file (DV video and PCM streams).
    TPipeline *BuildStandardType2(const QString &sourcePath, const QString &destPath, bool toNtsc);
    // Decode, inlay the datecode, encode in the file's own standard.
    TPipeline *BuildInlayType1(const QString &sourcePath, const QString &destPath);
    TPipeline *BuildInlayType2(const QString &sourcePath, const QString &destPath);
    // Every frame through the DV header stage, no decoding.
    TPipeline *BuildHeaderPass(const QString &sourcePath, const QString &destPath);
    // Stream copies between the two layouts, and the repair of a type 2
    // file whose video stream is interleaved.
    TPipeline *BuildToType1(const QString &sourcePath, const QString &destPath);
    TPipeline *BuildToType2(const QString &sourcePath, const QString &destPath);
    TPipeline *BuildFixType2(const QString &sourcePath, const QString &destPath);
    // Any AVI video encoded into DV type 2 (recompressSettings), with up to
    // two of its sound streams, whatever their format libavcodec decodes.
    TPipeline *BuildRecompress(const QString &sourcePath, const QString &destPath);
    // Why the last build left sound out (a stream no decoder takes); empty
    // when it did not.
    QString soundProblem() const { return m_soundProblem; }
    // The sound into a WAV file.
    TPipeline *BuildAudioExtract(const QString &sourcePath, const QString &destPath);
    // Stream copies that the caller limits to a scene with fg.setPositions.
    TPipeline *BuildCutType1(const QString &sourcePath, const QString &destPath);
    TPipeline *BuildCutType2(const QString &sourcePath, const QString &destPath);

    // Stops and empties the pipeline; clears the stages' callbacks and
    // returns the DV header stage to its initial settings.
    void ResetPipeline();

    // The converter's output rate (channels and sample size kept); nothing
    // happens when the converter's input is not connected or the rate is not
    // one it can make.
    static void SetAudioRate(TAudioConverterElement &converter, int rate);
    // A named text property ("INFO/xxxx") stored by the AVI mux.
    static void SetMediaProperty(TAviMux &element, const QString &name, const QString &text);

private:
    bool loadSource(const QString &sourcePath);
    bool openEnds(const QString &sourcePath, const QString &destPath);
    void add(std::initializer_list<TElement *> elements);
    // The first free splitter output that connects to the input (directly,
    // or through converters when direct is false).
    TPin *connectFirstStream(TPin *input, bool direct = true);
    // The last (free) input of an element that grows inputs as they connect.
    static TPin *nextFreeInput(TElement &element);
    // decoder -> RGB -> picture stage -> YUV of the encoder's size -> frame
    // rate -> encoder -> DV header -> dvmuxer input 0, each part on a thread
    // of its own; a stage that takes the decoded YUV pictures, when the size
    // stays, gets them without the trip through RGB. toPal: the standard to
    // encode in; none keeps the source's.
    bool connectReencode(TPin *dvVideo, TElement &pictureStage, std::optional<bool> toPal);
    // from -> a lane of the write queue -> the AVI mux's next input.
    bool connectToMux(TPin *from);
    // avimux -> destination; the pipeline, or null when it does not connect.
    TPipeline *finishWriter();
    // dvmuxer -> splitter -> write queue -> avimux (video, then sound streams) -> destination.
    TPipeline *finishThroughSplitter(TDvSplitterElement &splitter);
    // The file's first two PCM streams through acm1 / acm2 into dvmuxer inputs 1 / 2.
    void connectSoundToMuxer();
    TPipeline *buildStandard(const QString &sourcePath, const QString &destPath, bool type2, std::optional<bool> toPal,
                             TElement &pictureStage);
    // The DV standard of the file's first DV stream (true: PAL).
    bool sourceIsPal() const;
    // The picture converters of the re-encoding chain, made for each build.
    std::vector<std::unique_ptr<TColorConverterElement>> m_converters;
    QString m_soundProblem;
    TColorConverterElement *converter(TFourcc subtype, int width = 0, int height = 0);
};
