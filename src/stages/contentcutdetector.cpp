#include "stages/contentcutdetector.h"

#include <algorithm>
#include <cstdlib>

void TContentCutDetector::reset()
{
    m_previous.fill(0);
    m_history.fill(0);
    m_lastBase = 0;
}

int TContentCutDetector::SampleBase(qsizetype length)
{
    if (length <= 0)
        return 0;
    return int(std::min<qsizetype>(length / SampleStride, SampleLimit));
}

bool TContentCutDetector::addPicture(const quint8 *data, qsizetype length)
{
    if (!data)
        length = 0;
    const int base = SampleBase(length);
    int changed = 0;
    int i = 0;
    for (qsizetype offset = 0; offset < length && i < SampleLimit; offset += SampleStride, ++i) {
        const quint8 sample = data[offset];
        if (std::abs(int(sample) - int(m_previous[size_t(i)])) > ChangeThreshold)
            ++changed;
        m_previous[size_t(i)] = sample;
    }

    // changed > 0.3 x base, in whole numbers.
    bool cut = qint64(changed) * 10 > qint64(base) * CutShareTenths;
    for (int h : m_history)
        cut = cut && qint64(changed) > qint64(h) * HistoryFactor;

    std::copy_backward(m_history.begin(), m_history.end() - 1, m_history.end());
    m_history[0] = changed;
    m_lastBase = base;
    return cut;
}
