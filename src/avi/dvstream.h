#pragma once

// DV frames in the streams of an AVI file: which streams carry them, and the
// datecodes of their frames, read from the file through its sample index.

#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
#include "dv/datecode.h"

#include <optional>

// The codec codes under which capture programs store DV video in a vids
// stream (dvsd, dsvd, CDVC, dv25, "dvc " ...), compared without regard to case.
bool IsDvVideoCodec(TFourcc code);

// True for a stream of DV frames: an interleaved stream, or a video stream
// whose biCompression or FourccHandler is a DV codec code. Under any code but
// dvsd the first frame must also begin with the head of a DV frame.
bool IsDvStream(const TAviIndexedStream &stream, const TByteSource &source);

// The datecode of the first of the frames first to end - 1 of a DV stream
// that has one; none when none of them has. Only the head blocks of each
// frame are read.
std::optional<TDateTime> FirstDatecode(const TByteSource &source, const TAviIndexedStream &stream, size_t first,
                                       size_t end);

// What the head blocks of a DV frame say, read as the scene-detect stage
// reads them: the datecode, the timecode and the display aspect.
struct TDvHeadFacts
{
    std::optional<TDateTime> datecode;
    std::optional<TTimecodeFields> timecode;
    std::optional<bool> is16x9; // none without a VAUX source control pack
};

// The head facts of frame `index` of a DV stream; none when that sample is
// no whole DV frame or cannot be read. Only the head blocks are read.
std::optional<TDvHeadFacts> ReadHeadFacts(const TByteSource &source, const TAviIndexedStream &stream, size_t index);

// How many frames of a stream start within its first `seconds` seconds
// (from the stream header's rate and scale); 0 when they say no rate.
size_t FramesWithin(const TAviIndexedStream &stream, int seconds);
