#pragma once

// Finds scene cuts from the pictures themselves: a sparse sample of each
// picture's bytes is compared with the same sample of the previous picture,
// and a picture is a cut when many more samples changed than in each of the
// three pictures before it. Plain data in, a yes or no out; no threads.

#include <QtGlobal>

#include <array>

class TContentCutDetector
{
public:
    // Distance between two sampled bytes of the picture buffer.
    static constexpr qsizetype SampleStride = 397;
    // Most samples taken from one picture.
    static constexpr int SampleLimit = 10000;
    // A sample has changed when it moved by more than this.
    static constexpr int ChangeThreshold = 16;
    // A cut needs more changed samples than CutShareTenths / 10 of the sample base...
    static constexpr int CutShareTenths = 3;
    // ...and more than HistoryFactor times the count of each of the previous pictures.
    static constexpr int HistoryFactor = 2;
    static constexpr int HistoryDepth = 3;

    // Samples the previous picture as all zero, with an empty history.
    void reset();

    // Takes the next picture (its raw bytes, length bytes; null or empty
    // for a picture without data) and tells whether it starts a new scene.
    bool addPicture(const quint8 *data, qsizetype length);

    // What the last picture gave: its changed samples and its sample base.
    int lastChanged() const { return m_history[0]; }
    int lastBase() const { return m_lastBase; }

    // The sample base of a picture of length bytes: length / SampleStride, at most SampleLimit.
    static int SampleBase(qsizetype length);

private:
    std::array<quint8, SampleLimit> m_previous{};
    std::array<int, HistoryDepth> m_history{}; // most recent first
    int m_lastBase = 0;
};
