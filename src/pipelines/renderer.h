#pragma once

// Renderers end the chains: they take part in pausing (the pipeline is cued
// when they hold their first sample), pace samples to the clock while running,
// and report the end of their streams to the pipeline.

#include "pipelines/element.h"

class TRendererElement : public TElement
{
public:
    using TElement::TElement;

    bool isRenderer() const override { return true; }
    void receive(int input, TMediaSample &sample) final;
    void endOfStream(int input) final;

protected:
    // Called with each sample at its time; by default does nothing.
    virtual void render(int input, TMediaSample &sample);
    // True for a renderer that shows the sample it holds while the pipeline
    // is paused (a video renderer): render() is then called when the sample
    // parks at the closed gate, and not again when the gate opens.
    virtual bool rendersWhenPaused() const { return false; }
    // Called once when every connected input has ended.
    virtual void renderEnd() {}
};

// Consumes whatever it is given.
class TNullRenderer final : public TRendererElement
{
public:
    TNullRenderer();
    TResult checkInputType(int input, const TMediaType &type) override;
};
