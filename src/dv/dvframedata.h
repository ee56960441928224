#pragma once

// What was read from one DV frame: its decoded record and the head blocks of
// its DIF sequences. A media sample made from the frame carries it along (the
// picture decoded from the frame, the frame encoded from that picture), so
// that an element further down reads the data of its own frame from the
// sample it holds, however many frames the chain holds in between.

#include "dv/datecode.h"
#include "dv/dvcodes.h"

#include <array>
#include <cstring>

// The decoded record of one DV frame.
struct TFrameInfo
{
    quint32 frameIndex = 0;     // DV frames the reader accepted before this one in the run
    bool datecodePresent = false;
    bool timecodePresent = false;
    bool formatPresent = false; // both an AAUX source and a VAUX source control pack were found
    TDateTime datecode = 0;     // 0 when not present
    TTimecodeFields timecode{}; // kept from the previous frame when not found
    bool is16x9 = false;
    bool is525_60 = false;      // kept from the previous frame when the header says neither
    qint32 sampleRate = 0;      // kept when not found
    qint32 sampleBits = 0;
    qint32 channels = 0;
};

// The head blocks (header, subcode and VAUX blocks: the first 480 bytes) of
// every DIF sequence of one frame.
struct TDvHeadBlocks
{
    int sequences = 0; // 10 or 12; 0: none kept
    std::array<quint8, dif::Sequences625 * dif::HeadBlocksSize> bytes{};

    // Keeps the head blocks of the first count sequences (10 or 12) of frame.
    void save(const quint8 *frame, int count)
    {
        sequences = count;
        for (int k = 0; k < count; ++k)
            std::memcpy(bytes.data() + k * dif::HeadBlocksSize, frame + dif::SequenceOffset(k), dif::HeadBlocksSize);
    }
    // Head blocks of sequence k; those of sequence 0 for a sequence the frame did not have.
    const quint8 *head(int k) const
    {
        return bytes.data() + (k >= 0 && k < sequences ? k : 0) * dif::HeadBlocksSize;
    }
};

// The data of one DV frame that travels with its samples; shared, never
// changed once a sample carries it.
struct TDvFrameData
{
    TFrameInfo info;     // frameIndex: this frame's own index in the run
    TDvHeadBlocks heads;
};
