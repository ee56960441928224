#include "pipelines/renderer.h"

#include "pipelines/pipeline.h"

void TRendererElement::receive(int input, TMediaSample &sample)
{
    if (!pipeline()) {
        render(input, sample);
        return;
    }
    bool shown = false;
    std::function<void()> cue;
    if (rendersWhenPaused())
        cue = [&] {
            render(input, sample);
            shown = true;
        };
    if (!pipeline()->waitToRender(this, sample.timeStart, cue))
        return;
    if (!shown)
        render(input, sample);
}

void TRendererElement::render(int, TMediaSample &) {}

void TRendererElement::endOfStream(int input)
{
    {
        std::lock_guard guard(m_endLock);
        if (m_ended.size() != size_t(inputCount()))
            m_ended.assign(size_t(inputCount()), false);
        if (input >= 0 && input < inputCount())
            m_ended[size_t(input)] = true;
        for (int i = 0; i < inputCount(); ++i)
            if (this->input(i)->isConnected() && !m_ended[size_t(i)])
                return;
    }
    renderEnd();
    if (pipeline())
        pipeline()->rendererEnded(this);
}

TNullRenderer::TNullRenderer() : TRendererElement(QStringLiteral("Null Renderer"))
{
    addInput(QStringLiteral("In"));
}

TResult TNullRenderer::checkInputType(int, const TMediaType &type)
{
    return type.isValid() ? TResult::Ok : TResult::TypeNotAccepted;
}
