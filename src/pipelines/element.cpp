#include "pipelines/element.h"

#include "pipelines/pipeline.h"

const char *ResultText(TResult result)
{
    switch (result) {
    case TResult::Ok: return "success";
    case TResult::Fail: return "failure";
    case TResult::TypeNotAccepted: return "the media type is not accepted";
    case TResult::AlreadyConnected: return "the pin is already connected";
    case TResult::NotConnected: return "the pin is not connected";
    case TResult::NoPath: return "no combination of converters connects the pins";
    case TResult::CannotOpen: return "the file cannot be opened";
    case TResult::WrongState: return "not possible while the pipeline streams";
    }
    return "unknown result";
}

TElement::TElement(QString name) : m_name(std::move(name)) {}

TElement::~TElement()
{
    if (m_pipeline)
        m_pipeline->remove(this);
}

TResult TElement::checkInputType(int, const TMediaType &)
{
    return TResult::TypeNotAccepted;
}

TMediaType TElement::outputType(int) const
{
    return {};
}

void TElement::inputConnected(int) {}
void TElement::inputDisconnected(int) {}

void TElement::receive(int, TMediaSample &) {}

void TElement::endOfStream(int input)
{
    {
        std::lock_guard guard(m_endLock);
        if (m_ended.size() != m_inputs.size())
            m_ended.assign(m_inputs.size(), false);
        if (input >= 0 && size_t(input) < m_ended.size())
            m_ended[size_t(input)] = true;
        for (size_t i = 0; i < m_inputs.size(); ++i)
            if (m_inputs[i]->isConnected() && !m_ended[i])
                return;
        m_ended.assign(m_inputs.size(), false);
    }
    deliverEndOfStreamToAll();
}

TPin *TElement::addInput(const QString &name)
{
    m_inputs.push_back(std::unique_ptr<TPin>(new TPin(this, TPin::Direction::Input, inputCount(), name)));
    return m_inputs.back().get();
}

TPin *TElement::addOutput(const QString &name)
{
    m_outputs.push_back(std::unique_ptr<TPin>(new TPin(this, TPin::Direction::Output, outputCount(), name)));
    return m_outputs.back().get();
}

void TElement::removeOutputs()
{
    for (auto &pin : m_outputs)
        if (pin->isConnected() && m_pipeline)
            m_pipeline->disconnect(pin.get());
    m_outputs.clear();
}

void TElement::deliver(int output, TMediaSample &sample)
{
    TPin *pin = this->output(output);
    if (!pin || !pin->peer() || flushing())
        return;
    pin->peer()->element()->receive(pin->peer()->index(), sample);
}

void TElement::deliverEndOfStream(int output)
{
    TPin *pin = this->output(output);
    if (pin && pin->peer())
        pin->peer()->element()->endOfStream(pin->peer()->index());
}

void TElement::deliverEndOfStreamToAll()
{
    for (int i = 0; i < outputCount(); ++i)
        deliverEndOfStream(i);
}

bool TElement::flushing() const
{
    return m_pipeline && m_pipeline->isFlushing();
}

void TElement::reportError(const TError &error)
{
    if (m_pipeline && error)
        m_pipeline->reportError(error);
}
