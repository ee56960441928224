#pragma once

// Packs of a raw DV frame (25 Mb/s, IEC 61834): finding them, decoding the
// timecode, the recording date and time, the display aspect and the audio
// format, and rewriting the datecode and the aspect in place.
//
// Every function works directly on the caller's bytes, holds no state and
// allocates nothing. The sequence count says how much of the buffer may be
// touched: count sequences of 12000 bytes from the start of the frame.

#include <QtGlobal>

// Frame geometry.
namespace dif {
constexpr int BlockSize = 80;               // one DIF block
constexpr int BlocksPerSequence = 150;
constexpr int SequenceSize = BlockSize * BlocksPerSequence; // 12000
constexpr int HeadBlocksSize = 6 * BlockSize;               // header, 2 subcode, 3 VAUX blocks: 480
constexpr int Sequences525 = 10;
constexpr int Sequences625 = 12;
constexpr int FrameSize525 = Sequences525 * SequenceSize; // 120000
constexpr int FrameSize625 = Sequences625 * SequenceSize; // 144000
constexpr int MaxFrameSize = FrameSize625;

constexpr int SubcodeBlocks = 2;        // blocks 1 and 2
constexpr int SyncBlocksPerSubcode = 6; // one pack each
constexpr int VauxBlocks = 3;           // blocks 3, 4 and 5
constexpr int PacksPerVaux = 15;
constexpr int AudioBlocks = 9;          // blocks 6, 22, ... 134
constexpr int PackSize = 5;

// Byte offset of a sequence within a frame.
constexpr int SequenceOffset(int sequence) { return sequence * SequenceSize; }
// Block index within its sequence of audio block m (0 to 8).
constexpr int AudioBlockIndex(int m) { return 6 + 16 * m; }
// Frame offsets of the pack slots. block is the block index in the sequence:
// 1 or 2 for subcode, 3 to 5 for VAUX.
constexpr int SubcodePackOffset(int sequence, int block, int syncBlock)
{
    return SequenceOffset(sequence) + block * BlockSize + 6 + 8 * syncBlock;
}
constexpr int VauxPackOffset(int sequence, int block, int pack)
{
    return SequenceOffset(sequence) + block * BlockSize + 3 + PackSize * pack;
}
// Frame offset of audio block m; its pack starts at byte 3 of the block.
constexpr int AudioBlockOffset(int sequence, int m)
{
    return SequenceOffset(sequence) + AudioBlockIndex(m) * BlockSize;
}

// The fixed recording date and time slots (VAUX block 5, packs 11 and 12 of
// the first sequence), read when the pack search finds no datecode.
constexpr int FixedDatePackOffset = VauxPackOffset(0, 5, 11); // 458
constexpr int FixedTimePackOffset = VauxPackOffset(0, 5, 12); // 463
} // namespace dif

// Pack IDs (PC0).
namespace dvpack {
constexpr quint8 Timecode = 0x13;
constexpr quint8 AauxSource = 0x50;
constexpr quint8 AauxSourceControl = 0x51;
constexpr quint8 VauxSource = 0x60;
constexpr quint8 VauxSourceControl = 0x61;
constexpr quint8 RecDate = 0x62;
constexpr quint8 RecTime = 0x63;
constexpr quint8 Empty = 0xFF;
} // namespace dvpack

struct TDatecodeFields
{
    qint32 year = 0; // full year, e.g. 2007
    quint8 month = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 minute = 0;
    quint8 second = 0;

    friend bool operator==(const TDatecodeFields &, const TDatecodeFields &) = default;
};

struct TTimecodeFields
{
    quint8 hours = 0;
    quint8 minutes = 0;
    quint8 seconds = 0;
    quint8 frames = 0;

    friend bool operator==(const TTimecodeFields &, const TTimecodeFields &) = default;
};

// The first subcode or VAUX pack with ID packId, sequence by sequence (in each
// sequence the 12 subcode slots, then the 45 VAUX slots). pack is left alone
// when nothing is found.
bool FindPack(const quint8 *frame, int count, quint8 packId, quint8 pack[5]);

// The whole 80-byte audio block of the first audio block whose pack ID
// (byte 3) is packId. block is left alone when nothing is found.
bool FindAudioBlock(const quint8 *frame, int count, quint8 packId, quint8 block[80]);

// The timecode of the first 0x13 pack; the digits are not validated.
bool ReadTimecode(const quint8 *frame, int count, TTimecodeFields &tc);

// The recording date and time (packs 0x62 and 0x63), falling back on the
// fixed slots of the first sequence. The fields are not validated: see
// DatecodeFromFields for the rule that makes them a datecode.
bool ReadDatecode(const quint8 *frame, int count, TDatecodeFields &dc);

// Rewrites the datecode in every sequence: the date and time packs of the
// subcode and VAUX slots get the new digits, and empty subcode slots become
// date and time packs, alternating.
void WriteDatecode(quint8 *frame, int count, const TDatecodeFields &dc);

// From header byte 3 of the first sequence: true for 525/60, false for
// 625/50. Any other byte gives false and leaves is525_60 alone.
bool ReadSystem(const quint8 *frame, bool &is525_60);

// From the first AAUX source pack (0x50): rate in Hz, bits per sample and
// channel count, each 0 when the pack holds a value this reader does not know.
bool ReadAudioFormat(const quint8 *frame, int count, qint32 &rate, qint32 &bits, qint32 &channels);

// From the first VAUX source control pack (0x61).
bool ReadWideScreen(const quint8 *frame, int count, bool &wide16x9);

// Sets the display mode of every 0x61 pack.
void WriteWideScreen(quint8 *frame, int count, bool wide16x9);

// Sequences of a DV sample: 10 for 120000 bytes, 12 for 144000, else 0 (not
// a frame this module parses).
int DifSequenceCount(qint64 sampleLength);

// True when head (the first dif::HeadBlocksSize bytes of a frame) holds the
// block IDs of the head of a DV frame: the header, the two subcode blocks and
// the three VAUX blocks of DIF sequence 0, in that order.
bool IsDifFrameHead(const quint8 *head);
