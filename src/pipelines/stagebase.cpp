#include "pipelines/stagebase.h"

TBCTransInPlaceFilter::TBCTransInPlaceFilter(const QString &name, bool modifiesData)
    : TElement(name), m_modifiesData(modifiesData)
{
    addInput(QStringLiteral("Input"));
    addOutput(QStringLiteral("Output"));
}

TResult TBCTransInPlaceFilter::checkInputType(int, const TMediaType &type)
{
    return CheckInputType(type);
}

TMediaType TBCTransInPlaceFilter::outputType(int) const
{
    return input(0)->mediaType();
}

void TBCTransInPlaceFilter::receive(int, TMediaSample &sample)
{
    if (Transform(sample) == TResult::Ok)
        deliver(0, sample);
}

TBCTransformFilter::TBCTransformFilter(const QString &name) : TElement(name)
{
    addInput(QStringLiteral("XForm In"));
    addOutput(QStringLiteral("XForm Out"));
}

TResult TBCTransformFilter::checkInputType(int, const TMediaType &type)
{
    return CheckInputType(type);
}

TMediaType TBCTransformFilter::outputType(int) const
{
    return input(0)->isConnected() ? GetMediaType(input(0)->mediaType()) : TMediaType{};
}

void TBCTransformFilter::receive(int, TMediaSample &sample)
{
    if (TransformsInPlace(input(0)->mediaType())) {
        if (Transform(sample, sample) == TResult::Ok)
            deliver(0, sample);
        return;
    }
    TMediaSample out;
    const quint32 size = output(0)->mediaType().sampleSize;
    out.data = QByteArray(qsizetype(size ? size : quint32(sample.length())), Qt::Uninitialized);
    out.copyPropertiesFrom(sample);
    if (Transform(sample, out) == TResult::Ok)
        deliver(0, out);
}
