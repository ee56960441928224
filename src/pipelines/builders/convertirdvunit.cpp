#include "pipelines/builders/convertirdvunit.h"

#include "pipelines/builders/cdmparts.h"

TCdm::TCdm() : m_parts(std::make_unique<TCdmParts>()) {}

TCdm::~TCdm() = default;

TBuildResult TCdm::build(const TPipelineSpec &spec)
{
    TCdmParts &m = *m_parts;
    TBuildResult built;
    switch (spec.kind) {
    case TPipelineKind::SceneProbe:
    case TPipelineKind::SubtitleProbe: built = BuildSceneProbe(m, spec); break;
    case TPipelineKind::ContentProbe: built = BuildContentProbe(m, spec); break;
    case TPipelineKind::HeaderPass: built = BuildHeaderPass(m, spec); break;
    case TPipelineKind::ToType1: built = BuildToType1(m, spec); break;
    case TPipelineKind::ToType2: built = BuildToType2(m, spec); break;
    case TPipelineKind::FixType2: built = BuildFixType2(m, spec); break;
    case TPipelineKind::Cut: built = BuildCut(m, spec); break;
    case TPipelineKind::Reencode: built = BuildReencode(m, spec); break;
    case TPipelineKind::Recompress: built = BuildRecompress(m, spec); break;
    case TPipelineKind::AudioExtract: built = BuildAudioExtract(m, spec); break;
    }
    // The converters take the sound's rate once their input is known.
    if (built)
        m.setAudioRates(spec.audioRate);
    return built;
}

void TCdm::attach(const TDatecodeSink &sink)
{
    m_parts->sceneDetect.setSceneCallback(sink.onScene);
    m_parts->sceneDetect.setTextCallback(sink.onText);
    m_parts->sceneDetect.setEndCallback(sink.onEnd);
}

void TCdm::attach(const TContentSink &sink)
{
    m_parts->sceneDetectContenu.setCutCallback(sink.onCut);
    m_parts->sceneDetectContenu.setEndCallback(sink.onEnd);
}

void TCdm::ResetPipeline()
{
    m_parts->reset();
}
