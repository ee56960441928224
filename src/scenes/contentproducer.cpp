#include "scenes/contentproducer.h"

void TSceneByContent::Cut(quint32 frameIndex)
{
    if (!writing() || frameIndex <= m_previousCut)
        return;
    addScene(m_previousCut, frameIndex);
    m_previousCut = frameIndex;
}

TCutCallback TSceneByContent::cutCallback()
{
    return [this](quint32 frameIndex) { Cut(frameIndex); };
}
