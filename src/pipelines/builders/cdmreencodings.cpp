// The re-encodings: every picture decoded, worked on and encoded into DV
// again. A DV source keeps its datecodes: the scene-detect stage saves each
// frame's packs before the decoder, the DV header stage puts them back after
// the encoder. Any other video (the recompression) gets DV of its own.

#include "pipelines/builders/cdmparts.h"

#include "avi/durationtext.h"

#include <QDir>
#include <QStringList>

namespace {

// The stage that works on the pictures, set up from the spec: the inlay
// (deinterlacing too when asked), the deinterlacing alone, or none.
TElement *PictureStage(TCdmParts &m, const TPipelineSpec &spec)
{
    if (spec.inlay) {
        const TInlaySpec &inlay = *spec.inlay;
        m.superposer.SetX(inlay.x);
        m.superposer.SetY(inlay.y);
        m.superposer.SetAlign(inlay.align);
        m.superposer.SetIncrustFont(inlay.font);
        m.superposer.SetDeinterlace(spec.deinterlace);
        m.superposer.SetVisible(true);
        m.addStage(m.superposer, stagename::Superposer);
        return &m.superposer;
    }
    if (spec.deinterlace) {
        m.addStage(m.deinter, stagename::Deinter);
        return &m.deinter;
    }
    return nullptr;
}

bool SourceIsPal(const TCdmParts &m)
{
    return qAbs(m.DVdecoder.outputType(0).videoInfo().bitmap.height) != 480;
}

// DV video -> decoder -> the picture stage, if any -> YUV of the encoder's
// size -> frame rate -> encoder -> DV header -> dvmuxer input 0, each part
// on a thread of its own. A stage that takes the decoded YUV pictures, when
// the size stays, gets them without the trip through RGB. The standard to
// encode in is the spec's, or the source's without one.
TError ConnectReencode(TCdmParts &m, TPin *dvVideo, TElement *pictureStage, std::optional<TDvStandard> standard)
{
    const QString what = QStringLiteral("the re-encoding chain does not connect");
    m.DVdecoder.SetResolution(1000);
    if (!m.link(dvVideo, m.decoderQueue.input(0)) || !m.link(m.decoderQueue.output(0), m.DVdecoder.input(0)))
        return m.failure(what);
    // The encoder's standard, and the frame rate when it changes; the
    // format is set before the encoder's input is connected.
    const bool sourcePal = SourceIsPal(m);
    const bool pal = standard ? *standard == TDvStandard::Pal : sourcePal;
    const bool rescale = sourcePal != pal;
    m.DVenc.SetFormat(pal ? TDvVideoEncoderElement::FormatPal : TDvVideoEncoderElement::FormatNtsc);
    if (rescale)
        m.frameRate.SetFrameDuration(pal ? 1 : 1001, pal ? 25 : 30000);
    if (!m.link(m.DVdecoder.output(0), m.pictureQueue.input(0)))
        return m.failure(what);
    const TFourcc targetYuv = pal ? media::I420 : media::Y41B;
    const int targetHeight = pal ? 576 : 480;
    TElement *last = pictureStage;
    if (!pictureStage) {
        // No work on the pictures: scaled to the other standard where it changes.
        last = &m.pictureQueue;
        if (rescale) {
            last = m.converter(targetYuv, 720, targetHeight);
            if (!m.link(m.pictureQueue.output(0), last->input(0)))
                return m.failure(what);
        }
    } else if (rescale || m.fg.connect(m.pictureQueue.output(0), pictureStage->input(0)) != TResult::Ok) {
        // A stage that takes the decoded pictures as they are draws into them
        // (the inlay, which keeps no picture here); the others work on RGB.
        // The pictures go to RGB for the stage and back: first into the
        // source's own YUV format, then scaled to the encoder's (cheaper than
        // scaling RGB), the frame rate last so that nothing is converted twice.
        TColorConverterElement *toRgb = m.converter(media::Rgb24);
        TColorConverterElement *toYuv = m.converter(sourcePal ? media::I420 : media::Y41B);
        // The rows the stage leaves alone go back as they were decoded.
        const auto memory = std::make_shared<TPictureMemory>();
        toRgb->setMemory(memory);
        toYuv->setMemory(memory);
        last = toYuv;
        if (rescale) {
            m.add({&m.scaleQueue});
            last = m.converter(targetYuv, 720, targetHeight);
        }
        if (!m.link(m.pictureQueue.output(0), toRgb->input(0)) || !m.link(toRgb->output(0), pictureStage->input(0))
            || !m.link(pictureStage->output(0), toYuv->input(0))
            // The scaling to the other standard on a thread of its own.
            || (rescale && (!m.link(toYuv->output(0), m.scaleQueue.input(0)) || !m.link(m.scaleQueue.output(0), last->input(0)))))
            return m.failure(what);
    }
    if (!m.link(last->output(0), m.frameRate.input(0)) || !m.link(m.frameRate.output(0), m.encoderQueue.input(0))
        || !m.link(m.encoderQueue.output(0), m.DVenc.input(0)) || !m.link(m.DVenc.output(0), m.muxQueue.input(0))
        || !m.link(m.muxQueue.output(0), m.dvHeader.input(0)) || !m.link(m.dvHeader.output(0), m.dvmuxer.input(0)))
        return m.failure(what);
    return {};
}

} // namespace

// DV decoded, worked on and encoded again, in the source's layout: a type 1
// file's interleaved stream through the DV splitter, whose sound goes into
// the DV muxer as it is; a type 2 file's DV video straight, its sound
// through the converters, and the muxer's frames split again into DV video
// and PCM streams.
TBuildResult BuildReencode(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    const bool type2 = spec.layout == TDvLayout::Type2;
    m.add({&m.DVenc, &m.DVdecoder, &m.dvmuxer, &m.avimux, &m.acm1, &m.acm2});
    TElement *pictureStage = PictureStage(m, spec);
    m.addStage(m.sceneDetect, stagename::SceneDetect);
    m.addStage(m.dvHeader, stagename::DvHeader);
    m.add({&m.pictureQueue, &m.frameRate, &m.decoderQueue, &m.encoderQueue, &m.muxQueue, &m.dvsplitter});
    m.applyHeader(spec.header);
    const QString noDv = QStringLiteral("%1 has no DV video stream").arg(QDir::toNativeSeparators(spec.source));
    if (type2) {
        if (!m.connectFirstStream(m.sceneDetect.input(0)))
            return TError(noDv);
    } else {
        if (!m.connectFirstStream(m.dvsplitter.input(0)))
            return TError(QStringLiteral("%1 has no interleaved DV stream").arg(QDir::toNativeSeparators(spec.source)));
        bool video = false;
        for (int i = 0; i < m.dvsplitter.outputCount() && !video; ++i)
            video = m.fg.connect(m.dvsplitter.output(i), m.sceneDetect.input(0)) == TResult::Ok;
        if (!video)
            return TError(noDv);
    }
    if (TError error = ConnectReencode(m, m.sceneDetect.output(0), pictureStage, spec.standard))
        return error;

    if (type2) {
        // The file's sound through the converters into the muxer, whose
        // frames the splitter turns back into video and PCM streams.
        m.connectSoundToMuxer();
        return m.finishThroughSplitter(m.dvsplitter);
    }
    for (int i = 1, k = 1; i < m.dvsplitter.outputCount() && k <= 2; ++i)
        if (!m.dvsplitter.output(i)->isConnected() && m.fg.connect(m.dvsplitter.output(i), m.dvmuxer.input(k)) == TResult::Ok)
            ++k;
    return m.finishInterleaved();
}

// Any AVI video encoded into DV type 2 in the spec's standard (PAL without
// one), with up to two of its sound streams, whatever their format
// libavcodec decodes, at the spec's rate (48000 Hz without one). A sound
// stream that nothing decodes is left out, and the result says so.
TBuildResult BuildRecompress(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.add({&m.avimux, &m.DVenc});
    m.addStage(m.dvHeader, stagename::DvHeader);
    m.add({&m.dvmuxer, &m.dvsplitter, &m.acm1, &m.acm2, &m.pictureQueue, &m.frameRate});
    const bool pal = spec.standard.value_or(TDvStandard::Pal) == TDvStandard::Pal;
    const int rate = spec.audioRate > 0 ? spec.audioRate : 48000;
    m.DVenc.SetFormat(pal ? TDvVideoEncoderElement::FormatPal : TDvVideoEncoderElement::FormatNtsc,
                      spec.header.aspect16x9.value_or(false));
    m.applyHeader(spec.header);
    m.frameRate.SetFrameDuration(pal ? 1 : 1001, pal ? 25 : 30000);

    // The first video stream, decoded and brought to the encoder's pictures.
    bool video = false;
    for (int i = 0; i < m.avisplitter.outputCount() && !video; ++i) {
        if (m.avisplitter.outputType(i).majorType != media::Video)
            continue;
        video = m.linkThrough(m.avisplitter.output(i), m.frameRate.input(0));
    }
    if (!video)
        return m.failure(QStringLiteral("%1 has no video stream that can be decoded").arg(QDir::toNativeSeparators(spec.source)));
    if (!m.link(m.frameRate.output(0), m.pictureQueue.input(0)) || !m.linkThrough(m.pictureQueue.output(0), m.DVenc.input(0))
        || !m.link(m.DVenc.output(0), m.dvHeader.input(0)) || !m.link(m.dvHeader.output(0), m.dvmuxer.input(0)))
        return m.failure(QStringLiteral("the pictures do not reach the DV encoder"));
    // Up to two sound streams, decoded where they are not 16-bit PCM, as
    // stereo at the rate asked for. Without one the frames get silence of
    // that rate, so that their packs and the PCM stream agree.
    m.dvmuxer.SetSilenceRate(rate);
    QStringList undecoded;
    int next = 1;
    for (int i = 0; i < m.avisplitter.outputCount() && next <= 2; ++i) {
        TPin *out = m.avisplitter.output(i);
        const TMediaType type = m.avisplitter.outputType(i);
        if (out->isConnected() || type.majorType != media::Audio)
            continue;
        TAudioConverterElement &acm = next == 1 ? m.acm1 : m.acm2;
        acm.SetAudioRate(rate);
        acm.SetMaxChannels(2);
        if (m.fg.renderTowards(out, &acm) == TResult::Ok && m.fg.connect(acm.output(0), m.dvmuxer.input(next)) == TResult::Ok) {
            ++next;
            continue;
        }
        m.fg.disconnect(acm.input(0));
        m.fg.disconnect(out);
        undecoded << QStringLiteral("stream %1, %2").arg(i).arg(AudioFormatName(type.waveFormat().formatTag));
    }
    TBuildResult built = m.finishThroughSplitter(m.dvsplitter);
    if (built && !undecoded.isEmpty())
        built = TBuildResult(m.fg, TError(QStringLiteral("The sound (%1) of %2 cannot be decoded: the DV file %3")
                                              .arg(undecoded.join(QStringLiteral("; ")), QDir::toNativeSeparators(spec.source),
                                                   next > 1 ? QStringLiteral("lacks it") : QStringLiteral("is silent"))));
    return built;
}
