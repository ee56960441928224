#include "dv/difframe.h"
#include "dv/dvcodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

quint8 *Bytes(QByteArray &frame)
{
    return reinterpret_cast<quint8 *>(frame.data());
}

TDvPack PackAt(const QByteArray &frame, int offset)
{
    TDvPack p;
    std::memcpy(p.data(), frame.constData() + offset, p.size());
    return p;
}

TDvPack Pack(quint8 id, quint8 pc1, quint8 pc2, quint8 pc3, quint8 pc4)
{
    return {id, pc1, pc2, pc3, pc4};
}

TEST(DvCodesTest, FrameGeometry)
{
    EXPECT_EQ(dif::SequenceSize, 12000);
    EXPECT_EQ(dif::HeadBlocksSize, 480);
    EXPECT_EQ(dif::FrameSize525, 120000);
    EXPECT_EQ(dif::FrameSize625, 144000);
    EXPECT_EQ(dif::FixedDatePackOffset, 458);
    EXPECT_EQ(dif::FixedTimePackOffset, 463);
    EXPECT_EQ(dif::AudioBlockIndex(8), 134);
}

TEST(DvCodesTest, DifSequenceCountOnlyForWholeFrames)
{
    const std::vector<std::pair<qint64, int>> cases = {
        {120000, 10}, {144000, 12}, {0, 0}, {119999, 0}, {144001, 0}, {240000, 0}, {-120000, 0}};
    for (const auto &[length, count] : cases)
        EXPECT_EQ(DifSequenceCount(length), count) << length;
}

TEST(DvCodesTest, IsDifFrameHeadChecksTheBlockIdsOfSequenceZero)
{
    for (bool pal : {true, false}) {
        QByteArray frame = MakeBlankDifFrame(pal);
        EXPECT_TRUE(IsDifFrameHead(Bytes(frame))) << pal;
    }
    // (byte offset, value) that breaks the head: section type, sequence number, block number.
    const std::vector<std::pair<int, quint8>> broken = {
        {0, 0x3F},                       // the header block is a subcode block
        {1, 0x17},                       // sequence 1 in the header block
        {dif::BlockSize + 2, 1},         // the first subcode block numbered 1
        {5 * dif::BlockSize, 0x76},      // the last VAUX block is audio
        {4 * dif::BlockSize + 2, 0},     // VAUX blocks 0, 0, 2
    };
    for (const auto &[offset, value] : broken) {
        QByteArray frame = MakeBlankDifFrame(true);
        frame[offset] = char(value);
        EXPECT_FALSE(IsDifFrameHead(Bytes(frame))) << offset;
    }
    QByteArray jpeg(dif::HeadBlocksSize, char(0xFF));
    jpeg[0] = char(0xFF);
    jpeg[1] = char(0xD8);
    EXPECT_FALSE(IsDifFrameHead(Bytes(jpeg)));
}

TEST(DvCodesTest, FindPackFollowsSequenceThenSubcodeThenVauxOrder)
{
    QByteArray frame = MakeBlankDifFrame(true);
    quint8 *f = Bytes(frame);
    const TDvPack late = Pack(dvpack::RecTime, 1, 2, 3, 4);
    PutSubcodePack(f, 5, 2, 5, late);

    quint8 pack[5] = {};
    ASSERT_TRUE(FindPack(f, 12, dvpack::RecTime, pack));
    EXPECT_EQ(0, std::memcmp(pack, late.data(), 5));
    EXPECT_FALSE(FindPack(f, 5, dvpack::RecTime, pack)) << "sequence 5 lies beyond a count of 5";
    EXPECT_FALSE(FindPack(f, 0, dvpack::RecTime, pack));

    // An earlier sequence wins, even from its last VAUX slot.
    const TDvPack vaux = Pack(dvpack::RecTime, 5, 6, 7, 8);
    PutVauxPack(f, 0, 5, 14, vaux);
    ASSERT_TRUE(FindPack(f, 12, dvpack::RecTime, pack));
    EXPECT_EQ(0, std::memcmp(pack, vaux.data(), 5));

    // Within a sequence the subcode slots come before the VAUX slots.
    const TDvPack subcode = Pack(dvpack::RecTime, 9, 10, 11, 12);
    PutSubcodePack(f, 0, 2, 5, subcode);
    ASSERT_TRUE(FindPack(f, 12, dvpack::RecTime, pack));
    EXPECT_EQ(0, std::memcmp(pack, subcode.data(), 5));
}

TEST(DvCodesTest, FindAudioBlockCopiesTheWholeFirstBlock)
{
    QByteArray frame = MakeBlankDifFrame(false);
    quint8 *f = Bytes(frame);
    PutAauxPack(f, 2, 4, Pack(dvpack::AauxSource, 1, 2, 3, 4));
    PutAauxPack(f, 1, 8, Pack(dvpack::AauxSource, 5, 6, 7, 8));
    f[dif::AudioBlockOffset(1, 8) + 40] = 0x5A;

    quint8 block[80] = {};
    ASSERT_TRUE(FindAudioBlock(f, 10, dvpack::AauxSource, block));
    EXPECT_EQ(0, std::memcmp(block, f + dif::AudioBlockOffset(1, 8), 80));
    ASSERT_TRUE(FindAudioBlock(f, 2, dvpack::AauxSource, block));
    EXPECT_EQ(0, std::memcmp(block, f + dif::AudioBlockOffset(1, 8), 80));
    EXPECT_FALSE(FindAudioBlock(f, 1, dvpack::AauxSource, block));
    EXPECT_FALSE(FindAudioBlock(f, 10, dvpack::AauxSourceControl, block));
}

TEST(DvCodesTest, ReadTimecodeDecodesBcdIgnoringFlags)
{
    struct Case { TDvPack pack; TTimecodeFields expected; };
    const std::vector<Case> cases = {
        {Pack(0x13, 0x10, 0x32, 0x54, 0x00), {0, 54, 32, 10}},
        {Pack(0x13, 0x50, 0xB2, 0xD4, 0xC0), {0, 54, 32, 10}}, // drop-frame, biphase and binary group flags
        {Pack(0x13, 0x29, 0x59, 0x59, 0x23), {23, 59, 59, 29}},
        {Pack(0x13, 0xFF, 0xFF, 0xFF, 0xFF), {45, 85, 85, 45}}, // digits are not validated
    };
    for (const Case &c : cases) {
        QByteArray frame = MakeBlankDifFrame(true);
        PutVauxPack(Bytes(frame), 3, 4, 2, c.pack);
        TTimecodeFields tc;
        ASSERT_TRUE(ReadTimecode(Bytes(frame), 12, tc));
        EXPECT_EQ(tc, c.expected) << int(c.pack[1]);
    }
    QByteArray frame = MakeBlankDifFrame(true);
    TTimecodeFields untouched{1, 2, 3, 4};
    EXPECT_FALSE(ReadTimecode(Bytes(frame), 12, untouched));
    EXPECT_EQ(untouched, (TTimecodeFields{1, 2, 3, 4}));
}

TEST(DvCodesTest, ReadDatecodeYearWindow)
{
    const std::vector<std::pair<quint8, qint32>> cases = {
        {0x00, 2000}, {0x07, 2007}, {0x24, 2024}, {0x25, 1925}, {0x99, 1999}};
    for (const auto &[digits, year] : cases) {
        QByteArray frame = MakeBlankDifFrame(true);
        PutSubcodePack(Bytes(frame), 6, 1, 1, Pack(dvpack::RecDate, 0xFF, 0xF1, 0xF2, digits));
        PutSubcodePack(Bytes(frame), 6, 1, 2, Pack(dvpack::RecTime, 0xFF, 0xD9, 0xD8, 0xE3));
        TDatecodeFields dc;
        ASSERT_TRUE(ReadDatecode(Bytes(frame), 12, dc));
        EXPECT_EQ(dc, (TDatecodeFields{year, 12, 31, 23, 58, 59})) << int(digits);
    }
}

TEST(DvCodesTest, ReadDatecodeFallsBackOnTheFixedSlots)
{
    struct Case { quint8 dateId, timeId; bool packsElsewhere; bool found; };
    const std::vector<Case> cases = {
        {0x00, 0x00, false, true},
        {0x62, 0x63, false, true},
        {0x62, 0x00, false, true},
        {0xFF, 0xFF, false, false},
        {0x00, 0xFF, false, false},
        {0x13, 0x00, false, false},
        // A time pack without a date pack elsewhere still leads to the fixed slots.
        {0x00, 0x00, true, true},
    };
    for (const Case &c : cases) {
        QByteArray frame = MakeBlankDifFrame(true);
        quint8 *f = Bytes(frame);
        PutVauxPack(f, 0, 5, 11, Pack(c.dateId, 0xFF, 0x31, 0x12, 0x07));
        PutVauxPack(f, 0, 5, 12, Pack(c.timeId, 0xFF, 0x59, 0x59, 0x23));
        if (c.packsElsewhere)
            PutSubcodePack(f, 7, 2, 0, Pack(dvpack::RecTime, 0xFF, 0x00, 0x00, 0x00));
        TDatecodeFields dc{1, 2, 3, 4, 5, 6};
        EXPECT_EQ(ReadDatecode(f, 12, dc), c.found) << int(c.dateId) << " " << int(c.timeId);
        if (c.found) {
            EXPECT_EQ(dc, (TDatecodeFields{2007, 12, 31, 23, 59, 59}));
        } else {
            EXPECT_EQ(dc, (TDatecodeFields{1, 2, 3, 4, 5, 6}));
        }
    }

    // Without a sequence to scan there are no fixed slots either.
    QByteArray frame = MakeBlankDifFrame(true);
    frame[dif::FixedDatePackOffset] = 0;
    frame[dif::FixedTimePackOffset] = 0;
    TDatecodeFields dc;
    EXPECT_FALSE(ReadDatecode(Bytes(frame), 0, dc));
}

TEST(DvCodesTest, WriteDatecodeTogglesThroughEmptySubcodeSlots)
{
    QByteArray frame = MakeBlankDifFrame(true);
    quint8 *f = Bytes(frame);
    const TDvPack timecode = Pack(0x13, 0x10, 0x32, 0x54, 0x00);
    PutSubcodePack(f, 0, 1, 0, timecode);
    PutSubcodePack(f, 0, 1, 1, Pack(dvpack::RecDate, 0x00, 0x00, 0x00, 0x00));
    PutSubcodePack(f, 0, 1, 2, Pack(dvpack::RecTime, 0x00, 0x00, 0x00, 0x00));
    for (int k = 0; k < 6; ++k)
        PutSubcodePack(f, 0, 2, k, Pack(k % 2 ? 0x14 : 0x00, 0xAA, 0xAA, 0xAA, 0xAA));
    PutVauxPack(f, 0, 4, 3, Pack(dvpack::RecTime, 0x00, 0x00, 0x00, 0x00));
    const QByteArray before = frame;

    WriteDatecode(f, 1, {2007, 12, 31, 23, 59, 59});

    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 0)), timecode);
    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 1)), Pack(0x62, 0x00, 0x31, 0x12, 0x07));
    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 2)), Pack(0x63, 0x00, 0x59, 0x59, 0x23));
    // Empty slots become date, time, date; PC1 and the unwritten high bits keep their 1s.
    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 3)), Pack(0x62, 0xFF, 0xF1, 0xF2, 0x07));
    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 4)), Pack(0x63, 0xFF, 0xD9, 0xD9, 0xE3));
    EXPECT_EQ(PackAt(frame, dif::SubcodePackOffset(0, 1, 5)), Pack(0x62, 0xFF, 0xF1, 0xF2, 0x07));
    EXPECT_EQ(PackAt(frame, dif::VauxPackOffset(0, 4, 3)), Pack(0x63, 0x00, 0x59, 0x59, 0x23));

    // Nothing else changed: other IDs, empty VAUX slots, the other sequences.
    QByteArray expected = before;
    for (int k = 1; k < 6; ++k)
        for (int i = 0; i < 5; ++i)
            expected[dif::SubcodePackOffset(0, 1, k) + i] = frame[dif::SubcodePackOffset(0, 1, k) + i];
    for (int i = 0; i < 5; ++i)
        expected[dif::VauxPackOffset(0, 4, 3) + i] = frame[dif::VauxPackOffset(0, 4, 3) + i];
    EXPECT_EQ(frame, expected);
}

TEST(DvCodesTest, WriteDatecodeRestartsTheToggleInEachSequence)
{
    QByteArray frame = MakeBlankDifFrame(false);
    quint8 *f = Bytes(frame);
    // Sequence 0 ends on "time next": a timecode and 11 empty slots.
    PutSubcodePack(f, 0, 1, 0, Pack(dvpack::Timecode, 0, 0, 0, 0));
    WriteDatecode(f, 10, {1999, 1, 2, 3, 4, 5});
    for (int seq = 0; seq < 10; ++seq) {
        for (int slot = seq == 0 ? 1 : 0; slot < 12; ++slot) {
            const quint8 id = f[dif::SubcodePackOffset(seq, 1 + slot / 6, slot % 6)];
            const bool date = (seq == 0 ? slot - 1 : slot) % 2 == 0;
            EXPECT_EQ(id, date ? dvpack::RecDate : dvpack::RecTime) << seq << " " << slot;
        }
    }
    TDatecodeFields dc;
    ASSERT_TRUE(ReadDatecode(f, 10, dc));
    EXPECT_EQ(dc, (TDatecodeFields{1999, 1, 2, 3, 4, 5}));
}

TEST(DvCodesTest, WriteDatecodeLeavesTensThatDoNotFit)
{
    QByteArray frame = MakeBlankDifFrame(true);
    quint8 *f = Bytes(frame);
    PutVauxPack(f, 0, 3, 0, Pack(dvpack::RecDate, 0x00, 0x10, 0x00, 0x00));
    PutVauxPack(f, 0, 3, 1, Pack(dvpack::RecTime, 0x00, 0x20, 0x30, 0x10));
    // day 45, month 25, second 95, minute 88, hour 47: tens 4, 2, 9, 8, 4 do not fit.
    WriteDatecode(f, 1, {2031, 25, 45, 47, 88, 95});
    EXPECT_EQ(PackAt(frame, dif::VauxPackOffset(0, 3, 0)), Pack(0x62, 0x00, 0x15, 0x05, 0x31));
    EXPECT_EQ(PackAt(frame, dif::VauxPackOffset(0, 3, 1)), Pack(0x63, 0x00, 0x25, 0x38, 0x17));
}

TEST(DvCodesTest, ReadSystemFromHeaderByte3)
{
    QByteArray frame = MakeBlankDifFrame(true);
    bool is525 = true;
    ASSERT_TRUE(ReadSystem(Bytes(frame), is525));
    EXPECT_FALSE(is525);
    frame[3] = char(0x3F);
    ASSERT_TRUE(ReadSystem(Bytes(frame), is525));
    EXPECT_TRUE(is525);
    frame[3] = char(0x1F);
    EXPECT_FALSE(ReadSystem(Bytes(frame), is525));
    EXPECT_TRUE(is525) << "left as it was";
}

TEST(DvCodesTest, ReadAudioFormatFromAauxSourcePack)
{
    struct Case { quint8 pc2, pc4; qint32 rate, bits, channels; };
    const std::vector<Case> cases = {
        {0x00, 0x00, 48000, 16, 2},
        {0x20, 0x00, 48000, 16, 1},
        {0x10, 0x00, 48000, 16, 4},
        {0x30, 0x00, 48000, 16, 2},
        {0x01, 0x00, 48000, 16, 0}, // audio mode 1
        {0x0F, 0x00, 48000, 16, 0},
        {0xC0, 0xC8, 44100, 16, 2}, // bits outside the fields are ignored
        {0x00, 0x11, 32000, 12, 2},
        {0x00, 0x18, 0, 16, 2},
        {0x00, 0x3A, 0, 0, 2},
    };
    for (const Case &c : cases) {
        QByteArray frame = MakeBlankDifFrame(true);
        PutAauxPack(Bytes(frame), 0, 3, Pack(dvpack::AauxSource, 0xFF, c.pc2, 0xFF, c.pc4));
        qint32 rate = -1, bits = -1, channels = -1;
        ASSERT_TRUE(ReadAudioFormat(Bytes(frame), 12, rate, bits, channels));
        EXPECT_EQ(rate, c.rate) << int(c.pc2) << " " << int(c.pc4);
        EXPECT_EQ(bits, c.bits) << int(c.pc2) << " " << int(c.pc4);
        EXPECT_EQ(channels, c.channels) << int(c.pc2) << " " << int(c.pc4);
    }
    QByteArray frame = MakeBlankDifFrame(true);
    qint32 rate = -1, bits = -1, channels = -1;
    EXPECT_FALSE(ReadAudioFormat(Bytes(frame), 12, rate, bits, channels));
    EXPECT_EQ(rate, -1);
}

TEST(DvCodesTest, ReadWideScreenFromDisplayModeAndApt)
{
    struct Case { int disp, apt; bool wide; };
    const std::vector<Case> cases = {
        {0, 0, false}, {2, 0, true}, {2, 1, true}, {7, 0, true}, {7, 1, false}, {1, 0, false}, {6, 0, false},
    };
    for (const Case &c : cases) {
        QByteArray frame = MakeBlankDifFrame(true);
        SetApt(Bytes(frame), 12, c.apt);
        PutVauxPack(Bytes(frame), 0, 5, 10, MakeVauxControlPack(c.disp));
        bool wide = !c.wide;
        ASSERT_TRUE(ReadWideScreen(Bytes(frame), 12, wide));
        EXPECT_EQ(wide, c.wide) << c.disp << " " << c.apt;
    }
    QByteArray frame = MakeBlankDifFrame(true);
    bool wide = true;
    EXPECT_FALSE(ReadWideScreen(Bytes(frame), 12, wide));
    EXPECT_TRUE(wide);
}

TEST(DvCodesTest, WriteWideScreenUsesEachSequencesApt)
{
    for (const bool wide : {true, false}) {
        QByteArray frame = MakeBlankDifFrame(true);
        quint8 *f = Bytes(frame);
        SetApt(f + dif::SequenceOffset(1), 1, 1);
        PutVauxPack(f, 0, 5, 10, Pack(0x61, 0x3F, 0xCD, 0xFC, 0xFF));
        PutSubcodePack(f, 0, 2, 3, Pack(0x61, 0x3F, 0x08, 0xFC, 0xFF));
        PutVauxPack(f, 1, 3, 0, Pack(0x61, 0x3F, 0xCD, 0xFC, 0xFF));
        PutVauxPack(f, 2, 3, 0, Pack(0x61, 0x3F, 0xCD, 0xFC, 0xFF));
        WriteWideScreen(f, 2, wide);
        EXPECT_EQ(f[dif::VauxPackOffset(0, 5, 10) + 2], wide ? 0xCF : 0xC8);
        EXPECT_EQ(f[dif::SubcodePackOffset(0, 2, 3) + 2], wide ? 0x0F : 0x08);
        EXPECT_EQ(f[dif::VauxPackOffset(1, 3, 0) + 2], wide ? 0xCA : 0xC8);
        EXPECT_EQ(f[dif::VauxPackOffset(2, 3, 0) + 2], 0xCD) << "beyond the count";
    }

    QByteArray frame = MakeBlankDifFrame(false);
    const QByteArray before = frame;
    WriteWideScreen(Bytes(frame), 10, true);
    EXPECT_EQ(frame, before) << "no 0x61 pack, nothing to change";
}

} // namespace
