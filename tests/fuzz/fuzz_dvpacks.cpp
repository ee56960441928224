// Feeds arbitrary bytes, as a whole DV frame, to every pack reader and writer.

#include "dv/datecode.h"
#include "dv/difframe.h"
#include "dv/dvcodes.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the system and the padding; the rest is the frame.
    const quint8 selector = size > 0 ? data[0] : 0;
    const int frameSize = (selector & 1) ? dif::FrameSize625 : dif::FrameSize525;
    const quint8 padding = (selector & 2) ? 0xFF : 0x00;
    std::vector<quint8> frame(size_t(frameSize), padding);
    if (size > 1)
        std::memcpy(frame.data(), data + 1, std::min(size - 1, frame.size()));

    const int whole = DifSequenceCount(qint64(frame.size()));
    Check(whole == (frameSize == dif::FrameSize625 ? 12 : 10));
    // Scan the whole frame, or only its first sequences.
    const int count = (selector & 4) ? whole : (selector >> 4) % (whole + 1);

    quint8 pack[5];
    quint8 block[80];
    FindPack(frame.data(), count, size > 2 ? data[2] : 0x13, pack);
    FindAudioBlock(frame.data(), count, size > 3 ? data[3] : 0x50, block);

    TTimecodeFields tc;
    if (ReadTimecode(frame.data(), count, tc))
        TimecodeNameText(tc);
    TDatecodeFields dc;
    TDateTime value = 0;
    if (ReadDatecode(frame.data(), count, dc) && DatecodeFromFields(dc, value))
        Check(FieldsFromDatecode(value) == dc);
    bool flag = false;
    ReadSystem(frame.data(), flag);
    IsDifFrameHead(frame.data());
    qint32 rate = 0, bits = 0, channels = 0;
    ReadAudioFormat(frame.data(), count, rate, bits, channels);
    ReadWideScreen(frame.data(), count, flag);

    // Writers on a copy; a datecode written where packs exist reads back.
    std::vector<quint8> copy = frame;
    const TDatecodeFields written{1925 + selector % 100, quint8(1 + selector % 12), quint8(1 + selector % 28),
                                  quint8(selector % 24), quint8(selector % 60), quint8(selector % 60)};
    WriteDatecode(copy.data(), count, written);
    if (FindPack(copy.data(), count, dvpack::RecDate, pack) && FindPack(copy.data(), count, dvpack::RecTime, pack)) {
        Check(ReadDatecode(copy.data(), count, dc));
        Check(dc == written);
    }
    WriteDatecode(copy.data(), count, dc); // whatever the fields hold
    WriteWideScreen(copy.data(), count, (selector & 8) != 0);
    StampCamcorderPacks(copy.data(), count, {written, tc, (selector & 8) != 0, rate, bits, channels});
    if (count > 0) {
        // Packs the frame already had may come first; rewriting makes them agree.
        Check(ReadWideScreen(copy.data(), count, flag));
        WriteDatecode(copy.data(), count, written);
        Check(ReadDatecode(copy.data(), count, dc));
        Check(dc == written);
    }
    return 0;
}
