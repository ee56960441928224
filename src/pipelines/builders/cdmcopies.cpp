// The copies: the DV frames go from the source to the written file as they
// are, nothing is decoded. Between them the DV header stage may rewrite each
// frame's packs, the DV splitter and muxer change the layout, and the audio
// converters bring the sound to the rate asked for.

#include "pipelines/builders/cdmparts.h"

#include <QDir>

namespace {

QString NoDvVideo(const TPipelineSpec &spec)
{
    return QStringLiteral("%1 has no DV video stream").arg(QDir::toNativeSeparators(spec.source));
}

} // namespace

// source -> avisplitter; the first stream that connects, directly, through
// the DV header stage to the AVI mux; the next two (the sound of a type 2
// file) through acm1 and acm2.
TBuildResult BuildHeaderPass(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.addStage(m.dvHeader, stagename::DvHeader);
    m.add({&m.avimux, &m.acm1, &m.acm2});
    m.applyHeader(spec.header);
    m.applyTextProperties(spec);
    if (!m.connectFirstStream(m.dvHeader.input(0)))
        return TError(NoDvVideo(spec));
    if (!m.connectToMux(m.dvHeader.output(0)))
        return m.failure(QStringLiteral("the DV header stage does not reach the AVI mux"));
    for (TAudioConverterElement *acm : {&m.acm1, &m.acm2})
        if (m.connectFirstStream(acm->input(0)))
            m.connectToMux(acm->output(0));
    return m.finishWriter();
}

// The video stream (or the DV video of an interleaved one) into the DV
// muxer with the sound through the converters: one interleaved stream.
TBuildResult BuildToType1(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.add({&m.dvmuxer, &m.avimux, &m.acm1, &m.acm2});
    if (!m.connectFirstStream(m.dvmuxer.input(0))) {
        // An interleaved video stream gives its DV video through the splitter.
        m.add({&m.dvsplitter});
        if (!m.connectFirstStream(m.dvsplitter.input(0)) || m.dvsplitter.outputCount() == 0)
            return TError(NoDvVideo(spec));
        if (!m.link(m.dvsplitter.output(0), m.dvmuxer.input(0)))
            return m.failure(NoDvVideo(spec));
    }
    m.connectSoundToMuxer();
    return m.finishInterleaved();
}

// The first stream through the DV splitter; its DV video straight to the
// AVI mux, its sound through the converters: video, then sound streams.
TBuildResult BuildToType2(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.add({&m.dvsplitter, &m.avimux, &m.acm1, &m.acm2});
    if (!m.link(m.avisplitter.output(0), m.dvsplitter.input(0)))
        return m.failure(QStringLiteral("%1 has no interleaved DV stream").arg(QDir::toNativeSeparators(spec.source)));
    bool video = false;
    for (int i = 0; i < m.dvsplitter.outputCount(); ++i) {
        TPin *out = m.dvsplitter.output(i);
        TAudioConverterElement *acm = nullptr;
        for (TAudioConverterElement *candidate : {&m.acm1, &m.acm2})
            if (!acm && !candidate->input(0)->isConnected() && m.fg.connect(out, candidate->input(0)) == TResult::Ok)
                acm = candidate;
        const bool ok = m.connectToMux(acm ? acm->output(0) : out);
        video = video || (ok && !acm);
    }
    if (!video)
        return m.failure(QStringLiteral("the DV video does not reach the AVI mux"));
    return m.finishWriter();
}

// The first two streams to the AVI mux as they are, but an interleaved one,
// whose DV video goes through the DV splitter.
TBuildResult BuildFixType2(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.add({&m.avimux});
    bool any = false;
    for (int k = 0; k < 2 && k < m.avisplitter.outputCount(); ++k) {
        TPin *out = m.avisplitter.output(k);
        const TFourcc major = m.avisplitter.outputType(k).majorType;
        if (major == media::Video || major == media::Audio) {
            any = m.connectToMux(out) || any;
        } else if (major == media::Interleaved && !m.dvsplitter.pipeline()) {
            m.add({&m.dvsplitter});
            any = (m.link(out, m.dvsplitter.input(0)) && m.dvsplitter.outputCount() > 0
                   && m.connectToMux(m.dvsplitter.output(0)))
                  || any;
        }
    }
    if (!any)
        return m.failure(QStringLiteral("no stream of %1 reaches the AVI mux").arg(QDir::toNativeSeparators(spec.source)));
    return m.finishWriter();
}

// The part [start, stop) of the source. Its first stream goes through the
// tee, whose second branch ends in the null renderer so that the pipeline
// can be positioned. A type 1 file: that stream to the AVI mux. A type 2
// file: into the DV muxer with the sound through the converters and back
// through the DV splitter, so that picture and sound of the part stay together.
TBuildResult BuildCut(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    const bool type2 = spec.layout == TDvLayout::Type2;
    if (type2)
        m.add({&m.infinite, &m.dvmuxer, &m.dvsplitter, &m.avimux, &m.acm1, &m.acm2, &m.nullrender});
    else
        m.add({&m.infinite, &m.avimux, &m.nullrender});
    if (!m.link(m.avisplitter.output(0), m.infinite.input(0))
        || !(type2 ? m.link(m.infinite.output(0), m.dvmuxer.input(0)) : m.connectToMux(m.infinite.output(0)))
        || !m.link(m.infinite.output(1), m.nullrender.input(0)))
        return m.failure(NoDvVideo(spec));
    TBuildResult built;
    if (type2) {
        m.connectSoundToMuxer();
        built = m.finishThroughSplitter(m.dvsplitter);
    } else {
        built = m.finishWriter();
    }
    if (built) {
        m.fg.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
        m.fg.setPositions(spec.start, spec.stop);
    }
    return built;
}
