#include "scenes/contentproducer.h"

TSceneByContent::TSceneByContent(const QString &videoPath)
    : m_writer(std::make_unique<TwriteScene>(videoPath))
{
    m_fileName = m_writer->fileName();
    m_error = m_writer->errorString();
}

void TSceneByContent::Cut(quint32 frameIndex)
{
    if (!m_writer || frameIndex <= m_previousCut)
        return;
    if (m_writer->AddScene(TSceneClass(m_previousCut, frameIndex)))
        ++m_scenes;
    m_previousCut = frameIndex;
    m_error = m_writer->errorString();
}

void TSceneByContent::End()
{
    if (!m_writer)
        return;
    m_writer->close();
    m_error = m_writer->errorString();
    m_writer.reset();
}

TCutCallback TSceneByContent::cutCallback()
{
    return [this](quint32 frameIndex) { Cut(frameIndex); };
}

TEndCallback TSceneByContent::endCallback()
{
    return [this]() { End(); };
}
