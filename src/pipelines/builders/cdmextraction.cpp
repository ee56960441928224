// The extraction of the sound: the first sound stream of the source (of a
// type 1 file, the sound the DV splitter takes out of its frames) through
// acm1 into the WAV writer stage. The tee's second branch ends in the null
// renderer, so that the run ends when the sound does.

#include "pipelines/builders/cdmparts.h"

#include <QDir>

TBuildResult BuildAudioExtract(TCdmParts &m, const TPipelineSpec &spec)
{
    if (TError error = m.openEnds(spec))
        return error;
    m.add({&m.acm1, &m.infinite});
    m.addStage(m.waveDest, stagename::WaveDest);
    m.add({&m.nullrender});
    m.waveDest.SetFileName(QString()); // the name comes from the writer behind it
    TPin *audio = nullptr;
    for (int i = 0; i < m.avisplitter.outputCount() && !audio; ++i)
        if (m.avisplitter.outputType(i).majorType == media::Audio)
            audio = m.avisplitter.output(i);
    for (int i = 0; i < m.avisplitter.outputCount() && !audio; ++i) {
        if (m.avisplitter.outputType(i).majorType != media::Interleaved)
            continue;
        m.add({&m.dvsplitter});
        if (!m.link(m.avisplitter.output(i), m.dvsplitter.input(0)))
            return m.failure(QStringLiteral("the interleaved stream does not reach the DV splitter"));
        for (int k = 0; k < m.dvsplitter.outputCount() && !audio; ++k)
            if (m.dvsplitter.outputType(k).majorType == media::Audio)
                audio = m.dvsplitter.output(k);
    }
    if (!audio)
        return TError(QStringLiteral("%1 has no sound").arg(QDir::toNativeSeparators(spec.source)));
    const bool converted = m.fg.connectThrough(audio, m.acm1.input(0)) == TResult::Ok
                           && m.fg.connect(m.acm1.output(0), m.infinite.input(0)) == TResult::Ok;
    if (!converted) {
        m.fg.disconnect(audio);
        if (!m.link(audio, m.infinite.input(0)))
            return m.failure(QStringLiteral("the sound of %1 cannot be written").arg(QDir::toNativeSeparators(spec.source)));
    }
    if (!m.link(m.infinite.output(0), m.waveDest.input(0)) || !m.link(m.waveDest.output(0), m.destination.input(0))
        || !m.link(m.infinite.output(1), m.nullrender.input(0)))
        return m.failure(QStringLiteral("the sound does not reach the WAV file"));
    return m.fg;
}
