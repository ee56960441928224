#include "stages/dv_dvheader.h"

#include "dv/dvcodes.h"

#include <cstring>

namespace {

constexpr int kBlockIdSize = 3;
constexpr int kHeadBlocks = dif::HeadBlocksSize / dif::BlockSize;
constexpr quint8 kHeader525 = 0x3F;
constexpr quint8 kHeader625 = 0xBF;

} // namespace

Tdv_DVheader::Tdv_DVheader() : TBCTransInPlaceFilter(QString::fromUtf16(DisplayName), true)
{
}

void Tdv_DVheader::resetSettings()
{
    restoreHeads = true;
    m_timeShift = 0;
    setAspect = false;
    overwrite = false;
}

void Tdv_DVheader::setRunningDatecode(TDateTime value)
{
    m_runningStart = value;
    m_frames625 = 0;
    m_frames525 = 0;
}

TDateTime Tdv_DVheader::runningDatecode() const
{
    return m_runningStart + TDateTime(m_frames625) * FrameDuration625 + TDateTime(m_frames525) * FrameDuration525;
}

TResult Tdv_DVheader::CheckInputType(const TMediaType &type)
{
    if (type.majorType == media::Interleaved || (type.majorType == media::Video && type.subtype == media::Dvsd))
        return TResult::Ok;
    return TResult::TypeNotAccepted;
}

TResult Tdv_DVheader::Transform(TMediaSample &sample)
{
    if (DifSequenceCount(sample.length()) == 0)
        return TResult::Ok;
    const TDvFrameData *source = restoreHeads ? sample.frameData.get() : nullptr;
    processFrame(sample.writableBytes(), sample.length(), source ? &source->heads : nullptr);
    return TResult::Ok;
}

namespace {

constexpr quint8 kSystemBits = 0x3F; // VAUX source pack PC3: the 50/60 flag and the signal type

// The system bits of the frame's own VAUX source pack; -1 when it has none.
int OwnSystemBits(const quint8 *frame, int sequences)
{
    for (int k = 0; k < sequences; ++k)
        for (int b = 3; b <= 5; ++b)
            for (int i = 0; i < dif::PacksPerVaux; ++i) {
                const quint8 *pack = frame + dif::VauxPackOffset(k, b, i);
                if (pack[0] == dvpack::VauxSource)
                    return pack[3] & kSystemBits;
            }
    return -1;
}

} // namespace

void Tdv_DVheader::RestoreHeads(quint8 *frame, int sequences, const TDvHeadBlocks &heads)
{
    // Heads saved from a frame of the other standard bring its VAUX source
    // pack, which would make this frame claim that standard: the frame keeps
    // its own system bits.
    const int system = heads.sequences != sequences ? OwnSystemBits(frame, sequences) : -1;
    for (int k = 0; k < sequences; ++k) {
        quint8 *sequence = frame + dif::SequenceOffset(k);
        const quint8 *saved = heads.head(k);
        for (int b = 0; b < kHeadBlocks; ++b) {
            const int at = b * dif::BlockSize + kBlockIdSize;
            std::memcpy(sequence + at, saved + at, size_t(dif::BlockSize - kBlockIdSize));
        }
        sequence[3] = sequences == dif::Sequences525 ? kHeader525 : kHeader625;
        if (system < 0)
            continue;
        for (int b = 3; b <= 5; ++b)
            for (int i = 0; i < dif::PacksPerVaux; ++i) {
                quint8 *pack = frame + dif::VauxPackOffset(k, b, i);
                if (pack[0] == dvpack::VauxSource)
                    pack[3] = quint8((pack[3] & ~kSystemBits) | system);
            }
    }
}

void Tdv_DVheader::processFrame(quint8 *frame, qint64 length, const TDvHeadBlocks *heads)
{
    const int sequences = DifSequenceCount(length);
    if (sequences == 0 || !frame)
        return;

    if (heads && heads->sequences > 0)
        RestoreHeads(frame, sequences, *heads);

    if (m_timeShift != 0) {
        TDatecodeFields fields;
        TDateTime datecode = 0;
        TDateTimeParts parts;
        if (ReadDatecode(frame, sequences, fields) && DatecodeFromFields(fields, datecode)
            && DecodeDateTime(datecode + m_timeShift, parts))
            WriteDatecode(frame, sequences, FieldsFromDatecode(datecode + m_timeShift));
    }

    if (setAspect)
        WriteWideScreen(frame, sequences, aspect16x9);

    if (overwrite) {
        const TDateTime value = runningDatecode();
        TDateTimeParts parts;
        if (DecodeDateTime(value, parts))
            WriteDatecode(frame, sequences, FieldsFromDatecode(value));
        if (sequences == dif::Sequences625)
            ++m_frames625;
        else
            ++m_frames525;
    }
}
