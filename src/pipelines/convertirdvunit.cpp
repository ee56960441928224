#include "pipelines/convertirdvunit.h"

TCdm::TCdm() = default;

TCdm::~TCdm()
{
    Reset();
}

void TCdm::Reset()
{
    fg.stop();
    fg.removeAll();
    fg.setPositions(0);
}

bool TCdm::loadSource(const QString &sourcePath)
{
    Reset();
    sceneDetect.clearCallbacks();
    fg.add(&source);
    fg.add(&avisplitter);
    return source.Load(sourcePath) == TResult::Ok && fg.connect(source.output(0), avisplitter.input(0)) == TResult::Ok;
}

TPin *TCdm::connectFirstStream(TPin *input)
{
    for (int i = 0; i < avisplitter.outputCount(); ++i) {
        TPin *out = avisplitter.output(i);
        if (!out->isConnected() && fg.connect(out, input) == TResult::Ok)
            return out;
    }
    return nullptr;
}

TPipeline *TCdm::BuildSceneProbe(const QString &sourcePath)
{
    if (!loadSource(sourcePath))
        return nullptr;
    fg.add(&sceneDetect, QStringLiteral("scenedetect"));
    fg.add(&nullrender);
    if (!connectFirstStream(sceneDetect.input(0))) {
        if (avisplitter.outputCount() > 0)
            fg.connect(avisplitter.output(0), nullrender.input(0));
        return nullptr;
    }
    fg.connect(sceneDetect.output(0), nullrender.input(0));
    return &fg;
}

TPipeline *TCdm::BuildSubtitleProbe(const QString &sourcePath)
{
    return BuildSceneProbe(sourcePath);
}
