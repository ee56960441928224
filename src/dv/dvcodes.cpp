#include "dvcodes.h"

#include <cstring>

namespace {

constexpr int SubcodeSlots = dif::SubcodeBlocks * dif::SyncBlocksPerSubcode; // 12
constexpr int VauxSlots = dif::VauxBlocks * dif::PacksPerVaux;               // 45

// Frame offset of subcode slot i (0 to 11) and VAUX slot i (0 to 44) of a sequence.
constexpr int SubcodeSlot(int sequence, int i)
{
    return dif::SubcodePackOffset(sequence, 1 + i / dif::SyncBlocksPerSubcode, i % dif::SyncBlocksPerSubcode);
}
constexpr int VauxSlot(int sequence, int i)
{
    return dif::VauxPackOffset(sequence, 3 + i / dif::PacksPerVaux, i % dif::PacksPerVaux);
}

// The first subcode or VAUX pack with this ID, or nullptr.
const quint8 *LocatePack(const quint8 *frame, int count, quint8 packId)
{
    for (int seq = 0; seq < count; ++seq) {
        for (int i = 0; i < SubcodeSlots; ++i) {
            const quint8 *p = frame + SubcodeSlot(seq, i);
            if (p[0] == packId)
                return p;
        }
        for (int i = 0; i < VauxSlots; ++i) {
            const quint8 *p = frame + VauxSlot(seq, i);
            if (p[0] == packId)
                return p;
        }
    }
    return nullptr;
}

// The first audio block whose pack has this ID, or nullptr.
const quint8 *LocateAudioBlock(const quint8 *frame, int count, quint8 packId)
{
    for (int seq = 0; seq < count; ++seq) {
        for (int m = 0; m < dif::AudioBlocks; ++m) {
            const quint8 *block = frame + dif::AudioBlockOffset(seq, m);
            if (block[3] == packId)
                return block;
        }
    }
    return nullptr;
}

// Two BCD digits: units in bits 0-3, tens in the tensBits bits above them.
quint8 Bcd(quint8 byte, int tensBits)
{
    return quint8((byte & 0x0F) + 10 * ((byte >> 4) & ((1 << tensBits) - 1)));
}

// Writes value as two BCD digits into byte, keeping every other bit. The
// tens digit is only written when it fits its field.
void PutBcd(quint8 &byte, unsigned value, int tensBits)
{
    const unsigned units = value % 10;
    const unsigned tens = value / 10;
    const unsigned tensMask = (1u << tensBits) - 1;
    unsigned b = (byte & ~0x0Fu) | units;
    if (tens <= tensMask)
        b = (b & ~(tensMask << 4)) | (tens << 4);
    byte = quint8(b);
}

void PutDateDigits(quint8 *pack, const TDatecodeFields &dc)
{
    PutBcd(pack[2], dc.day, 2);
    PutBcd(pack[3], dc.month, 1);
    // Year of century, whatever the sign of the year.
    PutBcd(pack[4], unsigned(((dc.year % 100) + 100) % 100), 4);
}

void PutTimeDigits(quint8 *pack, const TDatecodeFields &dc)
{
    PutBcd(pack[2], dc.second, 3);
    PutBcd(pack[3], dc.minute, 3);
    PutBcd(pack[4], dc.hour, 2);
}

void DecodeDate(const quint8 *date, TDatecodeFields &dc)
{
    dc.day = Bcd(date[2], 2);
    dc.month = Bcd(date[3], 1);
    const int yearOfCentury = 10 * (date[4] >> 4) + (date[4] & 0x0F);
    dc.year = yearOfCentury < 25 ? 2000 + yearOfCentury : 1900 + yearOfCentury;
}

void DecodeTime(const quint8 *time, TDatecodeFields &dc)
{
    dc.second = Bcd(time[2], 3);
    dc.minute = Bcd(time[3], 3);
    dc.hour = Bcd(time[4], 2);
}

quint8 ConsumerDisplayMode(bool wide16x9, int apt)
{
    if (!wide16x9)
        return 0;
    return apt == 0 ? 7 : 2;
}

} // namespace

bool FindPack(const quint8 *frame, int count, quint8 packId, quint8 pack[5])
{
    const quint8 *p = LocatePack(frame, count, packId);
    if (!p)
        return false;
    std::memcpy(pack, p, dif::PackSize);
    return true;
}

bool FindAudioBlock(const quint8 *frame, int count, quint8 packId, quint8 block[80])
{
    const quint8 *p = LocateAudioBlock(frame, count, packId);
    if (!p)
        return false;
    std::memcpy(block, p, dif::BlockSize);
    return true;
}

bool ReadTimecode(const quint8 *frame, int count, TTimecodeFields &tc)
{
    const quint8 *p = LocatePack(frame, count, dvpack::Timecode);
    if (!p)
        return false;
    tc.frames = Bcd(p[1], 2);
    tc.seconds = Bcd(p[2], 3);
    tc.minutes = Bcd(p[3], 3);
    tc.hours = Bcd(p[4], 2);
    return true;
}

bool ReadDatecode(const quint8 *frame, int count, TDatecodeFields &dc)
{
    const quint8 *time = LocatePack(frame, count, dvpack::RecTime);
    const quint8 *date = time ? LocatePack(frame, count, dvpack::RecDate) : nullptr;
    if (!time || !date) {
        // The fixed slots lie in the first sequence: without it there is nothing to read.
        if (count < 1)
            return false;
        const quint8 *fixedDate = frame + dif::FixedDatePackOffset;
        const quint8 *fixedTime = frame + dif::FixedTimePackOffset;
        if ((fixedDate[0] != dvpack::RecDate && fixedDate[0] != 0x00)
            || (fixedTime[0] != dvpack::RecTime && fixedTime[0] != 0x00))
            return false;
        date = fixedDate;
        time = fixedTime;
    }
    DecodeTime(time, dc);
    DecodeDate(date, dc);
    return true;
}

void WriteDatecode(quint8 *frame, int count, const TDatecodeFields &dc)
{
    for (int seq = 0; seq < count; ++seq) {
        bool dateNext = true;
        for (int i = 0; i < SubcodeSlots; ++i) {
            quint8 *p = frame + SubcodeSlot(seq, i);
            switch (p[0]) {
            case dvpack::RecDate:
                PutDateDigits(p, dc);
                dateNext = false;
                break;
            case dvpack::RecTime:
                PutTimeDigits(p, dc);
                dateNext = true;
                break;
            case dvpack::Empty:
                if (dateNext) {
                    PutDateDigits(p, dc);
                    p[0] = dvpack::RecDate;
                } else {
                    PutTimeDigits(p, dc);
                    p[0] = dvpack::RecTime;
                }
                dateNext = !dateNext;
                break;
            default:
                break;
            }
        }
        for (int i = 0; i < VauxSlots; ++i) {
            quint8 *p = frame + VauxSlot(seq, i);
            if (p[0] == dvpack::RecDate)
                PutDateDigits(p, dc);
            else if (p[0] == dvpack::RecTime)
                PutTimeDigits(p, dc);
        }
    }
}

bool ReadSystem(const quint8 *frame, bool &is525_60)
{
    switch (frame[3]) {
    case 0x3F:
        is525_60 = true;
        return true;
    case 0xBF:
        is525_60 = false;
        return true;
    default:
        return false;
    }
}

bool ReadAudioFormat(const quint8 *frame, int count, qint32 &rate, qint32 &bits, qint32 &channels)
{
    const quint8 *block = LocateAudioBlock(frame, count, dvpack::AauxSource);
    if (!block)
        return false;
    const quint8 pc2 = block[5];
    const quint8 pc4 = block[7];
    switch ((pc4 >> 3) & 0x07) {
    case 0: rate = 48000; break;
    case 1: rate = 44100; break;
    case 2: rate = 32000; break;
    default: rate = 0; break;
    }
    switch (pc4 & 0x07) {
    case 0: bits = 16; break;
    case 1: bits = 12; break;
    default: bits = 0; break;
    }
    if ((pc2 & 0x0F) != 0)
        channels = 0;
    else
        channels = ((pc2 & 0x20) ? 1 : 2) * ((pc2 & 0x10) ? 2 : 1);
    return true;
}

bool ReadWideScreen(const quint8 *frame, int count, bool &wide16x9)
{
    const quint8 *p = LocatePack(frame, count, dvpack::VauxSourceControl);
    if (!p)
        return false;
    const int disp = p[2] & 0x07;
    const int apt = frame[4] & 0x07;
    wide16x9 = disp == 2 || (disp == 7 && apt == 0);
    return true;
}

void WriteWideScreen(quint8 *frame, int count, bool wide16x9)
{
    for (int seq = 0; seq < count; ++seq) {
        const int apt = frame[dif::SequenceOffset(seq) + 4] & 0x07;
        const quint8 disp = ConsumerDisplayMode(wide16x9, apt);
        auto update = [&](quint8 *p) {
            if (p[0] == dvpack::VauxSourceControl)
                p[2] = quint8((p[2] & ~0x07) | disp);
        };
        for (int i = 0; i < SubcodeSlots; ++i)
            update(frame + SubcodeSlot(seq, i));
        for (int i = 0; i < VauxSlots; ++i)
            update(frame + VauxSlot(seq, i));
    }
}

int DifSequenceCount(qint64 sampleLength)
{
    if (sampleLength == dif::FrameSize525)
        return dif::Sequences525;
    if (sampleLength == dif::FrameSize625)
        return dif::Sequences625;
    return 0;
}

bool IsDifFrameHead(const quint8 *head)
{
    // Section type (ID0 bits 5-7), sequence number (ID1 bits 4-7) and block
    // number (ID2) of blocks 0 to 5.
    static constexpr quint8 sections[6] = {0, 1, 1, 2, 2, 2};
    static constexpr quint8 numbers[6] = {0, 0, 1, 0, 1, 2};
    for (int b = 0; b < 6; ++b) {
        const quint8 *id = head + b * dif::BlockSize;
        if ((id[0] >> 5) != sections[b] || (id[1] >> 4) != 0 || id[2] != numbers[b])
            return false;
    }
    return true;
}
