// Feeds arbitrary bytes to the two AVI header walks: the reader and the
// locator of the in-place edits.
#include "avi/aviinfo.h"
#include "avi/fpsunit.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TMemorySource source(data, qint64(size));
    const TFriendlyAviParam avi(source);
    (void)avi.codec();
    for (const TAvistream &stream : avi.streams()) {
        (void)stream.header();
        (void)stream.indexHeader();
        if (stream.indexEntriesPosition < 0 || size_t(stream.indexEntriesPosition) > size)
            __builtin_trap();
    }
    if (avi.dataPosition() < 0 || size_t(avi.dataPosition()) > size)
        __builtin_trap();

    const TVideoHeaderPositions p = LocateVideoHeader(source);
    // Every field found lies inside the file.
    const auto inside = [size](qint64 pos, qint64 n) { return pos < 0 || pos + n <= qint64(size); };
    if (!inside(p.handler, 4) || !inside(p.scale, 8) || !inside(p.compression, 4))
        __builtin_trap();
    return 0;
}
