#pragma once

#include "pipelines/element.h"

// Infinite pin tee: every sample goes to each connected output; a new free
// output appears whenever the last one is connected. Outputs share the
// sample's bytes; an element that writes into them gets its own copy.
class TInfiniteTee final : public TElement
{
public:
    TInfiniteTee();
    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void inputConnected(int input) override;
    void inputDisconnected(int input) override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;

    void outputConnected(int output) override;

private:
    // Adds a free output when all are connected.
    void refreshOutputs();
};
