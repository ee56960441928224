#include "pipelines/tee.h"

TInfiniteTee::TInfiniteTee() : TElement(QStringLiteral("Infinite Pin Tee Filter"))
{
    addInput(QStringLiteral("Input"));
}

TResult TInfiniteTee::checkInputType(int, const TMediaType &type)
{
    return type.isValid() ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TInfiniteTee::outputType(int) const
{
    return input(0)->mediaType();
}

void TInfiniteTee::inputConnected(int)
{
    refreshOutputs();
}

void TInfiniteTee::inputDisconnected(int)
{
    removeOutputs();
}

void TInfiniteTee::outputConnected(int)
{
    refreshOutputs();
}

void TInfiniteTee::refreshOutputs()
{
    if (!input(0)->isConnected())
        return;
    if (outputCount() == 0 || output(outputCount() - 1)->isConnected())
        addOutput(QStringLiteral("Output%1").arg(outputCount() + 1));
}

void TInfiniteTee::receive(int, TMediaSample &sample)
{
    for (int i = 0; i < outputCount(); ++i) {
        if (!output(i)->isConnected())
            continue;
        TMediaSample copy = sample; // shares the bytes until written
        deliver(i, copy);
    }
}

void TInfiniteTee::endOfStream(int)
{
    deliverEndOfStreamToAll();
}
