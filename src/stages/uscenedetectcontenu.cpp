#include "stages/uscenedetectcontenu.h"

#include <limits>

TSceneDetectContenu::TSceneDetectContenu()
    : TBCTransInPlaceFilter(QString::fromUtf16(DisplayName), false)
{
}

void TSceneDetectContenu::clearCallbacks()
{
    m_cutCallback = nullptr;
    m_endCallback = nullptr;
}

TResult TSceneDetectContenu::CheckInputType(const TMediaType &type)
{
    return type.majorType == media::Video && type.subtype == media::Rgb24 ? TResult::Ok : TResult::TypeNotAccepted;
}

quint32 TSceneDetectContenu::frameIndexOf(const TMediaSample &sample) const
{
    const qint64 index = m_indexSource ? m_indexSource(sample) : sample.mediaStart;
    if (index >= 0)
        return quint32(index); // the low 32 bits: frame indexes are 32-bit
    // A picture without an index follows the one before it.
    if (!m_pictureSeen)
        return 0;
    return m_lastIndex == std::numeric_limits<quint32>::max() ? m_lastIndex : m_lastIndex + 1;
}

TResult TSceneDetectContenu::Transform(TMediaSample &sample)
{
    const quint32 index = frameIndexOf(sample);
    const bool cut = m_detector.addPicture(sample.bytes(), sample.length());
    m_lastIndex = index;
    m_pictureSeen = true;
    if (cut && m_cutCallback)
        m_cutCallback(index);
    return TResult::Ok;
}

void TSceneDetectContenu::startStreaming()
{
    // Each run stands alone: its first picture is not compared with the
    // last picture of another video.
    m_detector.reset();
    m_pictureSeen = false;
    m_lastIndex = 0;
}

void TSceneDetectContenu::stopStreaming()
{
    if (m_pictureSeen && m_cutCallback && m_lastIndex != std::numeric_limits<quint32>::max())
        m_cutCallback(m_lastIndex + 1);
    m_pictureSeen = false;
    if (m_endCallback)
        m_endCallback();
}
