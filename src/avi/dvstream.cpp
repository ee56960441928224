#include "avi/dvstream.h"

#include "dv/dvcodes.h"

#include <array>
#include <memory>

namespace {

// Codes for DV video in vids streams, lower case.
constexpr TFourcc kDvCodes[] = {
    MakeFourcc("dvsd"), MakeFourcc("dsvd"), MakeFourcc("csvd"), MakeFourcc("cdvc"),
    MakeFourcc("dv25"), MakeFourcc("dvcs"), MakeFourcc("dvc "), MakeFourcc("dvcp"),
    MakeFourcc("dvpp"), MakeFourcc("dvsl"), MakeFourcc("sdvc"), MakeFourcc("cdvh"),
};

TFourcc Compression(const TAviIndexedStream &stream)
{
    if (stream.format.size() < TBitmapInfoHeader::kSize)
        return 0;
    return TBitmapInfoHeader::read(reinterpret_cast<const quint8 *>(stream.format.constData())).compression;
}

// Reads the head blocks of every DIF sequence of sample s into frame, at
// their places in the frame; the sequence count, or 0 when s is no whole DV
// frame or cannot be read.
int ReadHeads(const TByteSource &source, const TAviSample &s, std::array<quint8, dif::MaxFrameSize> &frame)
{
    const int count = DifSequenceCount(s.size);
    for (int k = 0; k < count; ++k)
        if (!source.readExact(s.offset + dif::SequenceOffset(k), frame.data() + dif::SequenceOffset(k), dif::HeadBlocksSize))
            return 0;
    return count;
}

} // namespace

bool IsDvVideoCodec(TFourcc code)
{
    const TFourcc lower = FourccLower(code);
    for (TFourcc c : kDvCodes)
        if (lower == c)
            return true;
    return false;
}

bool IsDvStream(const TAviIndexedStream &stream, const TByteSource &source)
{
    if (stream.type == fcc::iavs)
        return true;
    if (stream.type != fcc::vids)
        return false;
    const TFourcc compression = Compression(stream);
    if (FourccLower(compression) == fcc::dvsd || (compression == 0 && FourccLower(stream.handler) == fcc::dvsd))
        return true;
    if (!IsDvVideoCodec(compression) && !IsDvVideoCodec(stream.handler))
        return false;
    // Another program's code: the frames tell.
    if (stream.samples.empty() || DifSequenceCount(stream.samples.front().size) == 0)
        return false;
    std::array<quint8, dif::HeadBlocksSize> head{};
    return source.readExact(stream.samples.front().offset, head.data(), head.size()) && IsDifFrameHead(head.data());
}

std::optional<TDateTime> FirstDatecode(const TByteSource &source, const TAviIndexedStream &stream, size_t first, size_t end)
{
    auto frame = std::make_unique<std::array<quint8, dif::MaxFrameSize>>();
    end = qMin(end, stream.samples.size());
    for (size_t i = first; i < end; ++i) {
        const int count = ReadHeads(source, stream.samples[i], *frame);
        TDatecodeFields fields;
        TDateTime value = 0;
        if (count > 0 && ReadDatecode(frame->data(), count, fields) && DatecodeFromFields(fields, value))
            return value;
    }
    return std::nullopt;
}

std::optional<TDvHeadFacts> ReadHeadFacts(const TByteSource &source, const TAviIndexedStream &stream, size_t index)
{
    if (index >= stream.samples.size())
        return std::nullopt;
    auto frame = std::make_unique<std::array<quint8, dif::MaxFrameSize>>();
    const int count = ReadHeads(source, stream.samples[index], *frame);
    if (count == 0)
        return std::nullopt;
    TDvHeadFacts facts;
    TDatecodeFields fields;
    TDateTime value = 0;
    if (ReadDatecode(frame->data(), count, fields) && DatecodeFromFields(fields, value))
        facts.datecode = value;
    if (TTimecodeFields tc; ReadTimecode(frame->data(), count, tc))
        facts.timecode = tc;
    if (bool wide = false; ReadWideScreen(frame->data(), count, wide))
        facts.is16x9 = wide;
    return facts;
}

size_t FramesWithin(const TAviIndexedStream &stream, int seconds)
{
    const quint64 rate = stream.header.rate;
    const quint64 scale = stream.header.scale;
    if (rate == 0 || scale == 0 || seconds <= 0)
        return 0;
    // Frame i starts at i * scale / rate seconds.
    return size_t((quint64(seconds) * rate + scale - 1) / scale);
}
