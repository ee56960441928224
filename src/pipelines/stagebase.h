#pragma once

// The two kinds of processing stage that the program inserts into pipelines.
// Both have one input and one output and see every sample on the streaming
// thread; startStreaming() resets per-run state before the first sample and
// stopStreaming() runs on the thread that stops the pipeline.

#include "pipelines/element.h"

// In-place stage: the sample that goes on is the sample that came in; the
// stage reads it and, when constructed as modifying, may rewrite its bytes.
class TBCTransInPlaceFilter : public TElement
{
public:
    TBCTransInPlaceFilter(const QString &name, bool modifiesData);

    bool modifiesData() const { return m_modifiesData; }

    TResult checkInputType(int input, const TMediaType &type) final;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) final;

protected:
    // Accept or refuse the input type.
    virtual TResult CheckInputType(const TMediaType &type) = 0;
    // Called once per sample before it goes downstream. A failure drops the sample.
    virtual TResult Transform(TMediaSample &sample) = 0;

private:
    const bool m_modifiesData;
};

// Transform stage: fills a separate output sample from each input sample.
class TBCTransformFilter : public TElement
{
public:
    explicit TBCTransformFilter(const QString &name);

    TResult checkInputType(int input, const TMediaType &type) final;
    TMediaType outputType(int output) const final;
    void receive(int input, TMediaSample &sample) final;

protected:
    virtual TResult CheckInputType(const TMediaType &type) = 0;
    // The output type for the connected input type.
    virtual TMediaType GetMediaType(const TMediaType &inputType) const = 0;
    // Fills out (its bytes sized to the output type's sample size, or to the
    // input's size when that is 0). A failure drops the sample.
    virtual TResult Transform(const TMediaSample &in, TMediaSample &out) = 0;
    // True when, for this input type, the stage rewrites the input sample
    // itself: Transform() then gets the same sample as in and out, and no
    // second buffer is made.
    virtual bool TransformsInPlace(const TMediaType &) const { return false; }
};
