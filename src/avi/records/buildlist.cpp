#include "avi/records/buildlist.h"

#include "avi/dvinfo.h"
#include "avi/dvstream.h"
#include "pipelines/avisplitter.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "stages/dv_scenedetect.h"

#include <algorithm>

namespace {

constexpr int kPauseWaitMs = 1000;
constexpr int kDatecodeSearchSeconds = 2;

// Takes a video or audio format the first time one is seen.
bool TakeFormat(TProbeResult &r, const TMediaType &type, qint64 videoDuration, qint64 audioDuration)
{
    if (type.majorType == media::Video && !r.videoFound && type.format.size() >= TVideoInfoHeader::kSize) {
        r.videoFormat = type.videoInfo();
        r.videoFound = true;
        r.videoDuration = videoDuration;
        return true;
    }
    if (type.majorType == media::Audio && !r.audioFound && type.format.size() >= TWaveFormatEx::kSize) {
        r.audioFormat = type.waveFormat();
        r.audioFound = true;
        r.audioDuration = audioDuration;
        return true;
    }
    return false;
}

// Takes the DV information of the first interleaved stream.
void TakeInterleaved(TProbeResult &r, const TMediaType &type, qint64 duration)
{
    if (type.format.size() < TDvInfo::kSize)
        return;
    r.dvInfo = type.dvInfo();
    // The frames tell the system where the header does not
    // (capture programs write DVINFO all zero).
    const int sequences = DifSequenceCount(type.firstSample.size());
    const TDvInfo fromFrame =
        sequences > 0 ? DvInfoFromFrame(reinterpret_cast<const quint8 *>(type.firstSample.constData()), sequences) : TDvInfo{};
    if (fromFrame.vauxSrc != 0)
        r.dvInfo.vauxSrc = fromFrame.vauxSrc;
    r.interleavedFound = true;
    r.videoDuration = r.audioDuration = duration;
}

// A capture often starts with frames recorded before the camcorder's clock
// was written into them: the file's datecode is then the first one within
// its first seconds.
void TakeLateDatecode(const TByteSource &file, const TAviIndexedStream &stream, TProbeResult &r)
{
    if (const std::optional<TDateTime> found = FirstDatecode(file, stream, 1, FramesWithin(stream, kDatecodeSearchSeconds))) {
        r.firstDatecodePresent = true;
        r.firstDatecode = *found;
    }
}

} // namespace

bool ProbeDvFile(const TByteSource &source, const TAviSampleIndex &index, TProbeResult &result)
{
    const auto &streams = index.streams();
    const auto isDv = [&](const TAviIndexedStream &s) { return IsDvStream(s, source); };
    if (std::none_of(streams.begin(), streams.end(), isDv))
        return false;

    TProbeResult r;
    r.streamCount = int(streams.size());
    const qint64 duration = AviFileDuration(index);
    for (const TAviIndexedStream &stream : streams) {
        const TMediaType type = AviStreamType(stream, source);
        // The streams of DV frames are those the splitter offers to the
        // scene-detect stage (interleaved, or video as dvsd); a null
        // renderer takes every other stream of a known type.
        const bool throughStage = isDv(stream);
        if (!throughStage && !type.isValid())
            continue;
        if (throughStage) {
            r.dvAccepted = true;
            const std::optional<TDvHeadFacts> first = ReadHeadFacts(source, stream, 0);
            r.firstDatecodePresent = first && first->datecode;
            r.firstTimecodePresent = first && first->timecode;
            if (first) {
                r.firstDatecode = first->datecode.value_or(0);
                r.firstTimecode = first->timecode.value_or(r.firstTimecode);
                // A frame without the aspect pack leaves the one seen before.
                r.first16x9 = first->is16x9.value_or(r.first16x9);
                if (!r.firstDatecodePresent)
                    TakeLateDatecode(source, stream, r);
            }
        }
        if (TakeFormat(r, type, duration, duration))
            continue;
        if (type.majorType == media::Interleaved && !r.interleavedFound) {
            TakeInterleaved(r, type, duration);
            for (const TMediaType &out : DvSplitterOutputs(type).types)
                TakeFormat(r, out, duration, duration);
        }
    }
    result = r;
    return true;
}

bool ProbeFile(const QString &fileName, TProbeResult &result)
{
    TFileSource file;
    if (file.open(fileName)) {
        TAviSampleIndex index;
        if (index.build(file) && ProbeDvFile(file, index, result))
            return true;
    }
    TdmList probe;
    const bool ok = probe.Probe(fileName);
    result = probe.result();
    return ok;
}

struct TdmList::TComponents
{
    TPipeline listfg;
    TFileSourceElement source;
    TAviSplitter avisplitter;
    TDvSplitterElement dvsplitter;
    TNullRenderer nullrender;
    Tdv_sceneDetect sceneDetect;

    // Pauses so that the first sample flows, takes the connection type, stops; the duration in 100 ns.
    TMediaType cue(TPin *pin, qint64 &duration)
    {
        listfg.pause();
        listfg.waitForState(TPipeline::TState::Paused, kPauseWaitMs);
        const TMediaType type = pin->mediaType();
        listfg.stop();
        listfg.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
        duration = listfg.duration();
        return type;
    }

    // What the scene-detect stage read of the stream's first frame.
    void takeFirstFrame(int stream, TProbeResult &r) const
    {
        const TSceneDetectSnapshot seen = sceneDetect.snapshot();
        if (!seen.framePassed) {
            // No frame reached the stage in time: report no datecode rather than an old one.
            r.firstDatecodePresent = r.firstTimecodePresent = false;
            return;
        }
        r.firstDatecodePresent = seen.current.datecodePresent;
        r.firstTimecodePresent = seen.current.timecodePresent;
        r.firstDatecode = seen.current.datecode;
        r.firstTimecode = seen.current.timecode;
        r.first16x9 = seen.current.is16x9;
        const TByteSource *file = source.source();
        const auto &streams = avisplitter.index().streams();
        if (!r.firstDatecodePresent && file && stream >= 0 && size_t(stream) < streams.size())
            TakeLateDatecode(*file, streams[size_t(stream)], r);
    }
};

TdmList::TdmList() : m_components(std::make_unique<TComponents>()) {}

TdmList::~TdmList()
{
    m_components->listfg.removeAll();
}

bool TdmList::Probe(const QString &fileName)
{
    TComponents &c = *m_components;
    TProbeResult &r = m_result;
    r.videoFound = r.audioFound = r.interleavedFound = false;
    r.videoDuration = r.audioDuration = 0;

    TPipeline &fg = c.listfg;
    fg.removeAll();
    fg.setUseClock(false);
    fg.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    fg.setPositions(0);
    for (TElement *e : std::initializer_list<TElement *>{&c.source, &c.avisplitter, &c.dvsplitter, &c.nullrender})
        fg.add(e);
    fg.add(&c.sceneDetect, QStringLiteral("SceneDetect"));

    struct TCleanup
    {
        TPipeline &fg;
        ~TCleanup() { fg.removeAll(); }
    } cleanup{fg};

    if (c.source.Load(fileName) != TResult::Ok)
        return false;
    if (fg.connect(c.source.output(0), c.avisplitter.input(0)) != TResult::Ok) {
        // Not an AVI file: no stream to examine.
        r.streamCount = 0;
        r.dvAccepted = false;
        return true;
    }
    r.streamCount = c.avisplitter.outputCount();
    r.dvAccepted = false;

    for (int i = 0; i < c.avisplitter.outputCount(); ++i) {
        TPin *out = c.avisplitter.output(i);
        const bool throughStage = fg.connect(out, c.sceneDetect.input(0)) == TResult::Ok;
        if (throughStage) {
            r.dvAccepted = true;
            fg.connect(c.sceneDetect.output(0), c.nullrender.input(0));
        } else if (fg.connect(out, c.nullrender.input(0)) != TResult::Ok) {
            continue;
        }
        qint64 duration = 0;
        const TMediaType type = c.cue(out, duration);
        if (throughStage)
            c.takeFirstFrame(i, r);
        fg.disconnect(c.nullrender.input(0));
        fg.disconnect(c.sceneDetect.output(0));
        fg.disconnect(c.sceneDetect.input(0));
        fg.disconnect(out);

        if (TakeFormat(r, type, duration, duration))
            continue;
        if (type.majorType == media::Interleaved && !r.interleavedFound) {
            TakeInterleaved(r, type, duration);
            if (fg.connect(out, c.dvsplitter.input(0)) != TResult::Ok)
                return false;
            for (int k = 0; k < c.dvsplitter.outputCount(); ++k) {
                TPin *dvOut = c.dvsplitter.output(k);
                if (fg.connect(dvOut, c.nullrender.input(0)) != TResult::Ok)
                    continue;
                qint64 ignored = 0;
                const TMediaType dvType = c.cue(dvOut, ignored);
                TakeFormat(r, dvType, duration, duration);
                fg.disconnect(c.nullrender.input(0));
            }
            fg.disconnect(c.dvsplitter.input(0));
        }
    }
    return true;
}
