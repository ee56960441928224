#pragma once

// A known stereo sound for tests: a different ramp on each channel,
// interleaved 16-bit samples.

#include <QtGlobal>

#include <vector>

inline std::vector<qint16> TestSound(qint64 samples)
{
    std::vector<qint16> pcm(size_t(samples) * 2);
    for (qint64 i = 0; i < samples; ++i) {
        pcm[size_t(2 * i)] = qint16((i * 37) % 30000 - 15000);
        pcm[size_t(2 * i + 1)] = qint16(12000 - (i * 11) % 24000);
    }
    return pcm;
}
