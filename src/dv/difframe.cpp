#include "difframe.h"

#include <cstring>

namespace {

// Section types of the DIF block IDs (ID0: SCT in bits 5-7, the rest 1s or
// the usual arbitrary bits).
constexpr quint8 SectionHeader = 0x1F;
constexpr quint8 SectionSubcode = 0x3F;
constexpr quint8 SectionVaux = 0x56;
constexpr quint8 SectionAudio = 0x76;
constexpr quint8 SectionVideo = 0x96;

void PutBlockId(quint8 *block, quint8 section, int sequence, int blockNumber)
{
    block[0] = section;
    block[1] = quint8((sequence << 4) | 0x07); // DIF sequence number, FSC 0, reserved 1s
    block[2] = quint8(blockNumber);
}

// Two BCD digits, the tens limited to tensBits bits.
quint8 Bcd(int value, int tensBits)
{
    if (value < 0)
        value = 0;
    return quint8((((value / 10) & ((1 << tensBits) - 1)) << 4) | (value % 10));
}

void PutPackAt(quint8 *p, const TDvPack &pack)
{
    std::memcpy(p, pack.data(), pack.size());
}

// Audio samples per frame above the minimum the AAUX source pack counts from.
int AudioFrameSizeCode(qint32 rate, bool pal)
{
    switch (rate) {
    case 48000: return pal ? 1920 - 1896 : 1600 - 1580;
    case 44100: return pal ? 1764 - 1742 : 1471 - 1452;
    case 32000: return pal ? 1280 - 1264 : 1067 - 1053;
    default: return 0;
    }
}

} // namespace

QByteArray MakeBlankDifFrame(bool pal)
{
    const int sequences = pal ? dif::Sequences625 : dif::Sequences525;
    QByteArray bytes(sequences * dif::SequenceSize, char(0));
    quint8 *frame = reinterpret_cast<quint8 *>(bytes.data());

    for (int seq = 0; seq < sequences; ++seq) {
        quint8 *s = frame + dif::SequenceOffset(seq);
        // Head blocks: everything 1s except the IDs and the fields below.
        std::memset(s, 0xFF, dif::HeadBlocksSize);

        PutBlockId(s, SectionHeader, seq, 0);
        s[3] = pal ? 0xBF : 0x3F; // DSF, then reserved 1s
        s[4] = 0xF8;              // reserved 1s, APT 0
        s[5] = s[6] = s[7] = 0x78; // TF1-3 valid, reserved 1s, AP1-3 0

        const bool firstHalf = seq < sequences / 2;
        for (int b = 0; b < dif::SubcodeBlocks; ++b) {
            quint8 *block = s + (1 + b) * dif::BlockSize;
            PutBlockId(block, SectionSubcode, seq, b);
            for (int k = 0; k < dif::SyncBlocksPerSubcode; ++k) {
                const int syncNumber = b * dif::SyncBlocksPerSubcode + k;
                quint8 *sync = block + 3 + 8 * k;
                sync[0] = quint8((firstHalf ? 0x80 : 0x00) | (syncNumber == 11 ? 0x7F : 0x0F));
                sync[1] = quint8(0xF0 | syncNumber);
                sync[2] = 0xFF; // parity
            }
        }
        for (int b = 0; b < dif::VauxBlocks; ++b)
            PutBlockId(s + (3 + b) * dif::BlockSize, SectionVaux, seq, b);

        int videoNumber = 0;
        for (int b = 6; b < dif::BlocksPerSequence; ++b) {
            quint8 *block = s + b * dif::BlockSize;
            if ((b - 6) % 16 == 0) {
                // Audio: empty pack, silent samples (the zeros already there).
                PutBlockId(block, SectionAudio, seq, (b - 6) / 16);
                std::memset(block + 3, 0xFF, dif::PackSize);
                continue;
            }
            // Video: STA 0, QNO 0; each of the 6 DCT blocks (4 x 14 bytes of
            // luminance, 2 x 10 of chrominance) holds DC 0 (mid grey), DCT
            // mode 0, class 0, then the end-of-block code 0110.
            PutBlockId(block, SectionVideo, seq, videoNumber++);
            block[3] = 0x00;
            for (const int dct : {4, 18, 32, 46, 60, 70}) {
                block[dct] = 0x00;
                block[dct + 1] = 0x06;
            }
        }
    }
    return bytes;
}

void PutSubcodePack(quint8 *frame, int sequence, int block, int syncBlock, const TDvPack &pack)
{
    PutPackAt(frame + dif::SubcodePackOffset(sequence, block, syncBlock), pack);
}

void PutVauxPack(quint8 *frame, int sequence, int block, int packIndex, const TDvPack &pack)
{
    PutPackAt(frame + dif::VauxPackOffset(sequence, block, packIndex), pack);
}

void PutAauxPack(quint8 *frame, int sequence, int audioBlock, const TDvPack &pack)
{
    PutPackAt(frame + dif::AudioBlockOffset(sequence, audioBlock) + 3, pack);
}

void SetApt(quint8 *frame, int count, int apt)
{
    for (int seq = 0; seq < count; ++seq) {
        quint8 *s = frame + dif::SequenceOffset(seq);
        // APT of the track and the matching application IDs of audio, video and subcode.
        for (int i = 4; i <= 7; ++i)
            s[i] = quint8((s[i] & ~0x07) | (apt & 0x07));
    }
}

TDvPack EmptyPack()
{
    return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
}

TDvPack MakeTimecodePack(const TTimecodeFields &tc, bool dropFrame)
{
    return {dvpack::Timecode,
            quint8((dropFrame ? 0x40 : 0x00) | Bcd(tc.frames, 2)),
            Bcd(tc.seconds, 3),
            Bcd(tc.minutes, 3),
            Bcd(tc.hours, 2)};
}

TDvPack MakeRecDatePack(const TDatecodeFields &dc)
{
    const int yearOfCentury = ((dc.year % 100) + 100) % 100;
    return {dvpack::RecDate,
            0xFF,                          // no time zone
            quint8(0xC0 | Bcd(dc.day, 2)),
            quint8(0xE0 | Bcd(dc.month, 1)), // week day 7: not given
            Bcd(yearOfCentury, 4)};
}

TDvPack MakeRecTimePack(const TDatecodeFields &dc)
{
    return {dvpack::RecTime,
            0xFF, // no frame count
            quint8(0x80 | Bcd(dc.second, 3)),
            quint8(0x80 | Bcd(dc.minute, 3)),
            quint8(0xC0 | Bcd(dc.hour, 2))};
}

TDvPack MakeVauxSourcePack(bool pal)
{
    return {dvpack::VauxSource,
            0xFF,                       // no TV channel
            0xFF,                       // colour, colour frame ID not valid
            quint8(pal ? 0xE0 : 0xC0), // 50/60 flag, SD signal type
            0xFF};                      // no VISC
}

TDvPack MakeVauxControlPack(int displayMode)
{
    return {dvpack::VauxSourceControl,
            0x3F,                                  // copy free
            quint8(0xC8 | (displayMode & 0x07)),   // DISP
            0xFC,                                  // frame, field 1, changed, interlaced
            0xFF};
}

TDvPack MakeAauxSourcePack(qint32 rate, qint32 bits, qint32 channels, bool pal)
{
    quint8 smp = 7;
    switch (rate) {
    case 48000: smp = 0; break;
    case 44100: smp = 1; break;
    case 32000: smp = 2; break;
    default: break;
    }
    const quint8 qu = bits == 16 ? 0 : (bits == 12 ? 1 : 7);
    const quint8 layout = channels == 1 ? 0x20 : (channels == 4 ? 0x10 : 0x00);
    return {dvpack::AauxSource,
            quint8(0xC0 | (AudioFrameSizeCode(rate, pal) & 0x3F)), // unlocked, samples above the minimum
            layout,                                                 // channel layout, audio mode 0
            quint8(0xC0 | (pal ? 0x20 : 0x00)),                     // 50/60 flag, SD type
            quint8(0x80 | (smp << 3) | qu)};                        // emphasis off
}

TDvPack MakeAauxControlPack()
{
    return {dvpack::AauxSourceControl,
            0x3F, // copy free, source and compression not given
            0xCF, // not a start or end point, original recording
            0xA0, // forward, normal speed
            0xFF};
}

void StampCamcorderPacks(quint8 *frame, int count, const TCamcorderPacks &p)
{
    if (count <= 0)
        return;
    bool is525 = false;
    const bool pal = ReadSystem(frame, is525) ? !is525 : count == dif::Sequences625;

    const TDvPack timecode = MakeTimecodePack(p.timecode);
    const TDvPack date = p.datecode ? MakeRecDatePack(*p.datecode) : EmptyPack();
    const TDvPack time = p.datecode ? MakeRecTimePack(*p.datecode) : EmptyPack();
    const TDvPack aauxSource = MakeAauxSourcePack(p.audioRate, p.audioBits, p.audioChannels, pal);
    const TDvPack aauxControl = MakeAauxControlPack();

    for (int seq = 0; seq < count; ++seq) {
        const bool firstHalf = seq < count / 2;
        for (int block = 1; block <= 2; ++block) {
            for (int k = 0; k < dif::SyncBlocksPerSubcode; ++k) {
                const TDvPack *pack = &timecode;
                if (!firstHalf && k % 3 == 1)
                    pack = &date;
                else if (!firstHalf && k % 3 == 2)
                    pack = &time;
                PutSubcodePack(frame, seq, block, k, *pack);
            }
        }

        // Each VAUX block carries the source, source control, date and time
        // group twice, at packs 0 to 3 and 9 to 12.
        for (int block = 3; block <= 5; ++block) {
            for (int first : {0, 9}) {
                PutVauxPack(frame, seq, block, first, MakeVauxSourcePack(pal));
                PutVauxPack(frame, seq, block, first + 1, MakeVauxControlPack(0));
                PutVauxPack(frame, seq, block, first + 2, date);
                PutVauxPack(frame, seq, block, first + 3, time);
            }
        }

        const int firstAudio = seq % 2 == 0 ? 3 : 0;
        PutAauxPack(frame, seq, firstAudio, aauxSource);
        PutAauxPack(frame, seq, firstAudio + 1, aauxControl);
    }
    WriteWideScreen(frame, count, p.wide16x9);
}

void SilenceAudioBlocks(quint8 *frame, int count)
{
    for (int seq = 0; seq < count; ++seq)
        for (int m = 0; m < dif::AudioBlocks; ++m)
            std::memset(frame + dif::AudioBlockOffset(seq, m) + 8, 0, dif::BlockSize - 8);
}
