#include "avi/buildlist.h"

#include "avi/dvinfo.h"

#include "avi/dvstream.h"

#include "pipelines/avisplitter.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "stages/dv_scenedetect.h"

namespace {
constexpr int kPauseWaitMs = 1000;
constexpr int kDatecodeSearchSeconds = 2;
} // namespace

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

    // A capture often starts with frames recorded before the camcorder's
    // clock was written into them: the file's datecode is then the first
    // one within its first seconds.
    void takeLateDatecode(int stream, TProbeResult &r) const
    {
        const TByteSource *file = source.source();
        const auto &streams = avisplitter.index().streams();
        if (!file || stream < 0 || size_t(stream) >= streams.size())
            return;
        const TAviIndexedStream &s = streams[size_t(stream)];
        if (const std::optional<TDateTime> found = FirstDatecode(*file, s, 1, FramesWithin(s, kDatecodeSearchSeconds))) {
            r.firstDatecodePresent = true;
            r.firstDatecode = *found;
        }
    }
};

TdmList::TdmList() : m_components(std::make_unique<TComponents>()) {}

TdmList::~TdmList()
{
    m_components->listfg.removeAll();
}

namespace {

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

} // namespace

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
        if (throughStage) {
            const TSceneDetectSnapshot seen = c.sceneDetect.snapshot();
            if (seen.framePassed) {
                r.firstDatecodePresent = seen.current.datecodePresent;
                r.firstTimecodePresent = seen.current.timecodePresent;
                r.firstDatecode = seen.current.datecode;
                r.firstTimecode = seen.current.timecode;
                r.first16x9 = seen.current.is16x9;
                if (!r.firstDatecodePresent)
                    c.takeLateDatecode(i, r);
            } else {
                // No frame reached the stage in time: report no datecode rather than an old one.
                r.firstDatecodePresent = r.firstTimecodePresent = false;
            }
        }
        fg.disconnect(c.nullrender.input(0));
        fg.disconnect(c.sceneDetect.output(0));
        fg.disconnect(c.sceneDetect.input(0));
        fg.disconnect(out);

        if (TakeFormat(r, type, duration, duration))
            continue;
        if (type.majorType == media::Interleaved && !r.interleavedFound) {
            if (type.format.size() >= TDvInfo::kSize) {
                r.dvInfo = type.dvInfo();
                // The frames tell the system where the header does not
                // (capture programs write DVINFO all zero).
                const int sequences = DifSequenceCount(type.firstSample.size());
                const TDvInfo fromFrame =
                    sequences > 0 ? DvInfoFromFrame(reinterpret_cast<const quint8 *>(type.firstSample.constData()), sequences)
                                  : TDvInfo{};
                if (fromFrame.vauxSrc != 0)
                    r.dvInfo.vauxSrc = fromFrame.vauxSrc;
                r.interleavedFound = true;
                r.videoDuration = r.audioDuration = duration;
            }
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
