// The probes: the source's frames through one of the program's stages into
// the null renderer, nothing written. What they find goes to the sink the
// command attaches after the build (TCdm::attach).

#include "pipelines/builders/cdmparts.h"

#include <QDir>

// source -> avisplitter -> the first stream that connects directly to the
// scene-detect stage ("scenedetect") -> nullrender.
TBuildResult BuildSceneProbe(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.loadSource(spec.source))
        return error;
    m.addStage(m.sceneDetect, stagename::SceneDetectProbe);
    m.add({&m.nullrender});
    if (!m.connectFirstStream(m.sceneDetect.input(0)))
        return TError(QStringLiteral("%1 has no DV stream").arg(QDir::toNativeSeparators(spec.source)));
    if (!m.link(m.sceneDetect.output(0), m.nullrender.input(0)))
        return m.failure(QStringLiteral("the scene-detect stage does not reach the renderer"));
    if (spec.kind == TPipelineKind::SubtitleProbe) {
        m.sceneDetect.setTextMode(spec.textMode);
        m.sceneDetect.setDisplaySeconds(spec.displaySeconds);
    }
    return m.fg;
}

// Pictures of the first video stream through the media stamper into the
// content scene-detect stage, which takes its frame indexes from the stamper;
// the decoders and converters its RGB input needs are put in between.
TBuildResult BuildContentProbe(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.loadSource(spec.source))
        return error;
    m.addStage(m.mediaStamper, stagename::MediaStamper);
    m.addStage(m.sceneDetectContenu, stagename::SceneDetectContenu);
    m.add({&m.nullrender});
    for (int i = 0; i < m.avisplitter.outputCount(); ++i) {
        const TFourcc major = m.avisplitter.outputType(i).majorType;
        if (major != media::Video && major != media::Interleaved)
            continue;
        if (m.fg.connect(m.avisplitter.output(i), m.mediaStamper.input(0)) != TResult::Ok)
            continue;
        if (!m.linkThrough(m.mediaStamper.output(0), m.sceneDetectContenu.input(0))
            || !m.link(m.sceneDetectContenu.output(0), m.nullrender.input(0)))
            return m.failure(QStringLiteral("the pictures of %1 cannot be decoded").arg(QDir::toNativeSeparators(spec.source)));
        return m.fg;
    }
    return TError(QStringLiteral("%1 has no video stream").arg(QDir::toNativeSeparators(spec.source)));
}
