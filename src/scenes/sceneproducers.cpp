#include "scenes/sceneproducers.h"

#include "scenes/roundeven.h"

#include <cmath>

TSceneFileProducer::TSceneFileProducer(const QString &videoPath)
    : m_writer(std::make_unique<TwriteScene>(videoPath))
{
    m_fileName = m_writer->fileName();
    m_error = m_writer->errorString();
}

void TSceneFileProducer::addScene(quint32 start, quint32 end)
{
    if (!m_writer)
        return;
    if (m_writer->AddScene(TSceneClass(start, end)))
        ++m_scenes;
    m_error = m_writer->errorString();
}

void TSceneFileProducer::End()
{
    if (!m_writer)
        return;
    m_writer->close();
    m_error = m_writer->errorString();
    m_writer.reset();
}

TEndCallback TSceneFileProducer::endCallback()
{
    return [this]() { End(); };
}

TSceneCallback TSceneByDatecode::sceneCallback()
{
    return [this](const TFrameInfo &start, const TFrameInfo &next) { AddScene(start, next); };
}

int IntervalSeconds(const QString &text)
{
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    return ok ? seconds : 0;
}

std::optional<int> IntervalParameter(const QString &text)
{
    const int seconds = IntervalSeconds(text);
    return seconds > 0 ? std::optional<int>(seconds) : std::nullopt;
}

qint64 IntervalStep(int seconds, double fps)
{
    const double step = RoundHalfEven(double(seconds) * fps);
    // Anything past the largest frame count is one scene anyway.
    if (!(step > 0))
        return 0;
    return step > 4294967296.0 ? qint64(4294967296) : qint64(step);
}

TIntervalResult WriteScenesByInterval(const QString &videoPath, int seconds, double fps, quint32 frameCount,
                                      const TIntervalProgress &progress)
{
    TIntervalResult result;
    const qint64 step = IntervalStep(seconds, fps);
    if (step == 0)
        return result;

    TwriteScene writer(videoPath);
    result.written = true;
    result.fileName = writer.fileName();
    if (progress.begin)
        progress.begin(frameCount);
    for (qint64 start = 0; start < frameCount && writer.ok(); start += step) {
        if (progress.aborted && progress.aborted())
            break;
        if (progress.position)
            progress.position(quint32(start));
        const qint64 end = qMin<qint64>(start + step, frameCount);
        if (writer.AddScene(TSceneClass(quint32(start), quint32(end))))
            ++result.scenes;
    }
    if (progress.end)
        progress.end();
    writer.close();
    result.error = writer.errorString();
    return result;
}
