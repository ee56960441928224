// Feeds arbitrary bytes to the AVI sample index: it must neither crash, hang
// nor read outside the input, and whatever it returns must lie inside it.
// The DV stream checks then read the frames it found.
#include "avi/avisampleindex.h"
#include "avi/dvstream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TMemorySource source(data, qint64(size));
    TAviSampleIndex index;
    if (!index.build(source))
        return 0;
    for (const TAviIndexedStream &stream : index.streams()) {
        for (const TAviSample &sample : stream.samples)
            if (sample.offset < 8 || sample.offset + qint64(sample.size) > qint64(size))
                std::abort();
        if (IsDvStream(stream, source))
            FirstDatecode(source, stream, 0, FramesWithin(stream, 2));
    }
    return 0;
}
