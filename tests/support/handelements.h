#pragma once

// Ends of a chain driven by hand in tests: a source that offers one media
// type and passes on the samples it is given, and a sink that keeps every
// sample that reaches it; and a renderer that keeps them at the end of a
// chain that runs.

#include "pipelines/element.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"

#include <utility>
#include <vector>

class THandSource final : public TElement
{
public:
    explicit THandSource(TMediaType type) : TElement(QStringLiteral("Hand source")), m_type(std::move(type))
    {
        addOutput(QStringLiteral("Out"));
    }
    TMediaType outputType(int) const override { return m_type; }
    void push(TMediaSample sample) { deliver(0, sample); }

private:
    TMediaType m_type;
};

// Adds the elements to the pipeline and joins each one's first output to the
// next one's first input; false at the first step that fails.
inline bool JoinByHand(TPipeline &pipeline, std::initializer_list<TElement *> chain)
{
    TElement *previous = nullptr;
    for (TElement *e : chain) {
        if (pipeline.add(e) != TResult::Ok
            || (previous && pipeline.connect(previous->output(0), e->input(0)) != TResult::Ok))
            return false;
        previous = e;
    }
    return true;
}

class THandSink final : public TElement
{
public:
    THandSink() : TElement(QStringLiteral("Hand sink")) { addInput(QStringLiteral("In")); }
    TResult checkInputType(int, const TMediaType &) override { return TResult::Ok; }
    void receive(int, TMediaSample &sample) override { samples.push_back(sample); }
    std::vector<TMediaSample> samples;
};

// Keeps every sample that reaches the end of a running pipeline (a renderer:
// the pipeline completes when its stream has ended).
class THandRenderer final : public TRendererElement
{
public:
    THandRenderer() : TRendererElement(QStringLiteral("Hand renderer")) { addInput(QStringLiteral("In")); }
    TResult checkInputType(int, const TMediaType &) override { return TResult::Ok; }
    std::vector<TMediaSample> samples;

protected:
    void render(int, TMediaSample &sample) override { samples.push_back(sample); }
};
