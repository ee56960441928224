#pragma once

// Synthetic DV frames (25 Mb/s, IEC 61834 layout): a blank frame with every
// DIF block ID in place, helpers that put packs into their slots, pack
// makers, and the stamping of the packs a consumer camcorder writes. Used by
// the tests and by the sample file generator.

#include "dvcodes.h"

#include <QByteArray>

#include <array>
#include <optional>

using TDvPack = std::array<quint8, 5>;

// A frame of 12 (PAL, 625/50) or 10 (NTSC, 525/60) DIF sequences: block IDs
// for every block, header with APT 0, every pack slot empty (0xFF), silent
// 16-bit audio and a mid-grey picture.
QByteArray MakeBlankDifFrame(bool pal);

// Pack slots. block is the block index within the sequence.
void PutSubcodePack(quint8 *frame, int sequence, int block /* 1, 2 */, int syncBlock /* 0-5 */, const TDvPack &pack);
void PutVauxPack(quint8 *frame, int sequence, int block /* 3-5 */, int packIndex /* 0-14 */, const TDvPack &pack);
void PutAauxPack(quint8 *frame, int sequence, int audioBlock /* 0-8 */, const TDvPack &pack);

// Sets the APT (header byte 4, bits 0-2) of count sequences.
void SetApt(quint8 *frame, int count, int apt);

// Pack makers. Reserved and flag bits take their usual consumer values.
TDvPack EmptyPack();
TDvPack MakeTimecodePack(const TTimecodeFields &tc, bool dropFrame = false);
TDvPack MakeRecDatePack(const TDatecodeFields &dc); // year of century only
TDvPack MakeRecTimePack(const TDatecodeFields &dc);
TDvPack MakeVauxSourcePack(bool pal);
TDvPack MakeVauxControlPack(int displayMode /* DISP 0-7 */);
// rate 48000, 44100 or 32000; bits 16 or 12; channels 1, 2 or 4.
TDvPack MakeAauxSourcePack(qint32 rate, qint32 bits, qint32 channels, bool pal);
TDvPack MakeAauxControlPack();

// What a consumer camcorder records in the packs of a frame.
struct TCamcorderPacks
{
    std::optional<TDatecodeFields> datecode; // none: no date and time packs
    TTimecodeFields timecode;
    bool wide16x9 = false;
    qint32 audioRate = 48000;
    qint32 audioBits = 16;
    qint32 audioChannels = 2;
};

// Writes the packs of p where consumer camcorders put them, in count
// sequences: the timecode in the subcode (with the recording date and time in
// the second half of the sequences), VAUX source, source control, date and
// time at packs 0 to 3 and 9 to 12 of every VAUX block (so frame bytes 458
// and 463 hold date and time), AAUX source and source control in
// the audio blocks (blocks 3 and 4 of even sequences, 0 and 1 of odd ones).
// Every existing 0x61 pack gets the display mode as well. Only pack slots are
// written: the block IDs, the audio samples and the compressed video stay.
void StampCamcorderPacks(quint8 *frame, int count, const TCamcorderPacks &p);

// Sets the samples of every audio block of count sequences to zero (silence),
// leaving the block IDs and the AAUX packs alone.
void SilenceAudioBlocks(quint8 *frame, int count);
