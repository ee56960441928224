#include "avi/riffunit.h"

#include "framework/linkmarkup.h"
#include "support/riffbuilder.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace riff;

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(9, 4, 7));

QStringList Report(const QByteArray &bytes, const QString &name = QStringLiteral("/videos/clip.avi"))
{
    TRiffReport report;
    report.setNow(kNow);
    return report.build(TMemorySource(bytes), name);
}

QStringList DisplayLines(const QStringList &lines)
{
    return RiffReportPlainText(lines).split(QLatin1Char('\n'));
}

// The chunk and list type lines of the walk, as displayed.
QStringList TreeLines(const QStringList &lines)
{
    static const QRegularExpression chunkLine(QStringLiteral("^ *.{4}  [0-9A-F]{8}$"));
    static const QRegularExpression typeLine(QStringLiteral("^( {4})*.{4}$"));
    QStringList tree;
    const QStringList display = DisplayLines(lines);
    const qsizetype start = display.indexOf(QRegularExpression(QStringLiteral(".*Start of Avi RIFF.*")));
    for (qsizetype i = start + 1; i < display.size(); ++i) {
        if (chunkLine.match(display[i]).hasMatch() || typeLine.match(display[i]).hasMatch())
            tree.append(display[i]);
    }
    return tree;
}

// The section titles of the walk, without their fill characters.
QStringList SectionTitles(const QStringList &lines)
{
    QStringList titles;
    const QStringList display = DisplayLines(lines);
    const qsizetype start = display.indexOf(QRegularExpression(QStringLiteral(".*Start of Avi RIFF.*")));
    const qsizetype end = display.indexOf(QRegularExpression(QStringLiteral(".* End of Header .*")));
    for (qsizetype i = start + 1; i < end; ++i) {
        if (lines[i].startsWith(QLatin1String("<B><COLOR Blue>")))
            titles.append(QString(display[i]).remove(QRegularExpression(QStringLiteral("^[ -]*|[ -]*$"))));
    }
    return titles;
}

QString Hex8(quint32 v)
{
    return QString::number(v, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

QString ChunkLine(int depth, const char *id, quint32 size)
{
    return QString(4 * depth, QLatin1Char(' ')) + QLatin1String(id) + QLatin1String("  ") + Hex8(size);
}

QString TypeLine(int depth, const char *type)
{
    return QString(4 * depth, QLatin1Char(' ')) + QLatin1String(type);
}

QString Title(const QString &prefix, QChar fill, const QString &text)
{
    const QString f(qMax<qsizetype>(0, (50 - prefix.size() - text.size()) / 2), fill);
    return QLatin1String("<B><COLOR Blue>") + prefix + f + text + f + QLatin1String("</COLOR></B>");
}

TEST(RiffReport, HeaderAndFooterLines)
{
    const QStringList lines = Report(Riff("AVI ", {}), QStringLiteral("/videos/clip.avi"));
    const QString rule(50, QLatin1Char('-'));
    const QStringList head = {
        QLatin1String("<COLOR Blue><B>") + rule,
        QString(),
        QLatin1String("<B><COLOR Blue>*********  Header of the file clip.avi  *********</COLOR></B>"),
        QString(),
        QLatin1String("<B><COLOR Blue>         analysed on 2024/03/5 at 9:04:07         </COLOR></B>"),
        Title(QString(), QLatin1Char(' '), QStringLiteral("with Tarvex")),
        QString(),
        Title(QString(), QLatin1Char(' '), QStringLiteral("Visit my website:")),
        Title(QString(), QLatin1Char(' '), QStringLiteral("https://tarvex.app")),
        QString(),
        QLatin1String("<B><COLOR Blue>--------------- Start of Avi RIFF ---------------</COLOR></B>"),
        QStringLiteral("</B></COLOR>"),
        ChunkLine(0, "RIFF", 4),
        TypeLine(0, "AVI "),
        QString(),
        QLatin1String("<B><COLOR Blue>----------------- End of Header -----------------</COLOR></B>"),
        QLatin1String("<B><COLOR Blue>                 /videos/clip.avi                 </COLOR></B>"),
        QString(),
        rule,
    };
    EXPECT_EQ(lines, head);
}

TEST(RiffReport, Type1Tree)
{
    TDvAviSpec layout;
    layout.type = 1;
    const QByteArray file = DvAviFile(layout);
    const QStringList lines = Report(file);
    const qint64 hdrl = file.indexOf("hdrl") - 8;
    const qint64 strl = file.indexOf("strl") - 8;
    const qint64 movi = file.indexOf("movi") - 8;
    const QStringList expected = {
        ChunkLine(0, "RIFF", U32At(file, 4)), TypeLine(0, "AVI "),
        ChunkLine(1, "LIST", U32At(file, hdrl + 4)), TypeLine(1, "hdrl"),
        ChunkLine(2, "avih", 56),
        ChunkLine(2, "LIST", U32At(file, strl + 4)), TypeLine(2, "strl"),
        ChunkLine(3, "strh", 56),
        ChunkLine(3, "strf", 32),
        ChunkLine(1, "LIST", U32At(file, movi + 4)), TypeLine(1, "movi"),
        ChunkLine(1, "idx1", 48),
    };
    EXPECT_EQ(TreeLines(lines), expected);
    const QStringList titles = {
        "Start of AVI Main Header", "End of Main Header",
        "(Interleaved)", "Start of AVI Stream Header", "End of AVI Stream Header",
        "Start of DVInfo", "End of DVINfo",
        "Start of an OldIndex", "End of OldIndex",
    };
    EXPECT_EQ(SectionTitles(lines), titles);
    EXPECT_TRUE(DisplayLines(lines).contains(QStringLiteral("            DVVAuxSrc = FF20FFFF")));
}

TEST(RiffReport, Type2SectionsAndFieldFormats)
{
    TDvAviSpec layout;
    layout.indxType = AVI_INDEX_OF_CHUNKS;
    const TAviMainHeader main = DvMainHeader(layout);
    TAviStreamHeader video = DvVideoStreamHeader(layout);
    video.left = -2;
    video.top = -32768;
    video.language = 0x0409;
    video.flags = 0xAB;
    TBitmapInfoHeader bitmap = DvBitmapInfo(layout);
    bitmap.height = -576;
    bitmap.xPelsPerMeter = -1;
    TAviIndexHeader ix;
    ix.longsPerEntry = 2;
    ix.indexType = AVI_INDEX_OF_CHUNKS;
    ix.entriesInUse = 0x1234;
    ix.chunkId = MakeFourcc("00dc");
    ix.baseOffset = 0x123456789AULL;
    ix.reserved = 0xDEADBEEF;

    const QByteArray file = Riff("AVI ", {
        List("hdrl", {Chunk("avih", RecordBytes(main)),
                      List("strl", {Chunk("strh", RecordBytes(video)),
                                    Chunk("strf", RecordBytes(bitmap) + RecordBytes(DvInfo(layout))),
                                    Chunk("indx", SuperIndexData(AVI_INDEX_OF_CHUNKS, "00dc"))}),
                      List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader())),
                                    Chunk("strf", RecordBytes(DvWaveFormat()))})}),
        List("movi", {Chunk("ix00", RecordBytes(ix) + QByteArray(8, '\0'))}),
        Chunk("ix01", RecordBytes(ix) + QByteArray(8, '\0')),
    });
    const QStringList lines = Report(file);
    const QStringList titles = {
        "Start of AVI Main Header", "End of Main Header",
        "(Video)", "Start of AVI Stream Header", "End of AVI Stream Header",
        "Start of Stream Format Header", "Start of DVInfo", "End of DVINfo", "End of AVI Stream Format",
        "Start of an Index", "End of Index",
        "(Audio)", "Start of AVI Stream Header", "End of AVI Stream Header",
        "Start of Stream Format Header", "End of AVI Stream Format",
        "Start of an Index", "End of Index", // ix01 (the ix00 inside movi is not entered)
    };
    EXPECT_EQ(SectionTitles(lines), titles);

    const QStringList display = DisplayLines(lines);
    const QString i3(12, QLatin1Char(' '));
    const QString i1(4, QLatin1Char(' '));
    for (const QString &expected : {
             i3 + "FourccType = vids", i3 + "FourccHandler = dvsd", i3 + "Flags = 000000AB", i3 + "Priority = 0",
             i3 + "Language = 0409", i3 + "Scale = 1", i3 + "Rate = 25", i3 + "Quality = FFFFFFFF",
             i3 + "rcFrame.Left = -2", i3 + "rcFrame.Top = -32768", i3 + "rcFrame.Right = 720",
             i3 + "biSize = 40", i3 + "biWidth = 720", i3 + "biHeight = -576", i3 + "biCompression = dvsd",
             i3 + "biXPelsPerMeter = -1", i3 + "biSizeImage = 144000", i3 + "DVAAuxSrc = C0E000D0",
             i3 + "wLongsPerEntry = 0004", i3 + "bIndexType = 1", i3 + "nEntriesInUse = 00000001",
             i3 + "dwChunkId = 00dc",
             i3 + "FormatTag = 1", i3 + "Channels = 2", i3 + "SamplesPerSec = 48000", i3 + "BlockAlign = 4",
             i3 + "cbSize = 0", i3 + "SampleSize = 4",
             i1 + "wLongsPerEntry = 0002", i1 + "bIndexSubType = 0", i1 + "nEntriesInUse = 00001234",
             i1 + "qwBaseOffset = 000000123456789A", i1 + "dwReserved_3 = DEADBEEF",
             QString(8, QLatin1Char(' ')) + "Flags = 00000110" /* avih */}) {
        EXPECT_TRUE(display.contains(expected)) << qPrintable(expected);
    }
}

TEST(RiffReport, GarbageAfterLastPart)
{
    const QStringList lines = Report(DvAviFile({}) + QByteArray(1000, '\0'));
    const qsizetype at = lines.indexOf(
        QStringLiteral("<COLOR Red>>>> There are 000003E8 bytes of garbage at the end of the file</COLOR>"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines[at + 1], QString());
    EXPECT_TRUE(lines[at + 2].contains(QLatin1String(" End of Header ")));
    EXPECT_FALSE(RiffReportPlainText(lines).contains(QLatin1String("Unexpected end")));
}

TEST(RiffReport, FileCutInsideMovi)
{
    const QByteArray full = DvAviFile({});
    const qint64 movi = full.indexOf("movi") - 8;
    const QByteArray file = full.left(movi + 40);
    TRiffReport report;
    const QStringList lines = report.build(TMemorySource(file), QStringLiteral("cut.avi"));
    EXPECT_FALSE(report.unexpectedEnd());

    const qsizetype riff = lines.indexOf(ChunkLine(0, "RIFF", U32At(file, 4)));
    ASSERT_GE(riff, 0);
    EXPECT_EQ(lines[riff + 1], QStringLiteral("<COLOR Red>>>> Bad chunk length:"));
    EXPECT_EQ(lines[riff + 2], QStringLiteral(">>> %1 instead of %2</COLOR>").arg(Hex8(U32At(file, 4)), Hex8(quint32(file.size() - 8))));

    const quint32 moviSize = U32At(file, movi + 4);
    const qsizetype list = lines.indexOf(ChunkLine(1, "LIST", moviSize));
    ASSERT_GE(list, 0);
    EXPECT_EQ(lines[list + 1], QStringLiteral("<COLOR Red>    >>> Bad chunk length:"));
    EXPECT_EQ(lines[list + 2], QStringLiteral("    >>> %1 instead of %2</COLOR>").arg(Hex8(moviSize), Hex8(32)));
    EXPECT_EQ(lines[list + 3], TypeLine(1, "movi"));
    EXPECT_FALSE(RiffReportPlainText(lines).contains(QLatin1String("Unexpected end")));
}

TEST(RiffReport, FileCutInsideHeaderRecordEndsUnexpectedly)
{
    const QByteArray full = DvAviFile({});
    for (const char *inside : {"avih", "strh", "strf"}) {
        TRiffReport report;
        const QStringList lines = report.build(TMemorySource(full.left(ChunkDataOffset(full, inside) + 20)), "cut.avi");
        EXPECT_TRUE(report.unexpectedEnd()) << inside;
        const QString unexpected = Title(QStringLiteral("<COLOR Red><B>"), QLatin1Char(' '), QStringLiteral("Unexpected end"));
        const qsizetype at = lines.indexOf(unexpected);
        ASSERT_GE(at, 0) << inside;
        EXPECT_EQ(lines[at + 1], QStringLiteral("</B></COLOR>"));
        EXPECT_TRUE(lines[at + 2].contains(QLatin1String(" End of Header ")));
    }
}

TEST(RiffReport, OddSizesAndSampleChunks)
{
    const QByteArray file = Riff("AVI ", {List("hdrl", {Chunk("JUNK", "abc"), Chunk("avih", RecordBytes(DvMainHeader({})))}),
                                          List("rec ", {Chunk("00dc", "ab"), Chunk("01wb", "c"), Chunk("00db", ""),
                                                        Chunk("02wb", "de")})});
    const QStringList tree = TreeLines(Report(file));
    const QStringList expected = {
        ChunkLine(0, "RIFF", U32At(file, 4)), TypeLine(0, "AVI "),
        ChunkLine(1, "LIST", 4 + 12 + 64), TypeLine(1, "hdrl"),
        ChunkLine(2, "JUNK", 3),
        ChunkLine(2, "avih", 56),
        ChunkLine(1, "LIST", 4 + 10 + 10 + 8 + 10), TypeLine(1, "rec "),
        ChunkLine(2, "02wb", 2),
    };
    EXPECT_EQ(tree, expected);
}

TEST(RiffReport, TextFromTheFileCannotFormMarkup)
{
    const QByteArray file = Riff("AVI ", {
        List("INFO", {Chunk("ISFT", QByteArray("Cam <BR>\x01\xE9t\0\0", 13)), Chunk("IDIT", "x")}),
        Chunk("<BR>", "abcd"),
        Chunk(QByteArray("\x01\x1f<b").constData(), ""),
    });
    const QStringList lines = Report(file, QStringLiteral("/videos/a<br>b.avi"));
    EXPECT_TRUE(lines.contains(QStringLiteral("        <i><COLOR Green>Cam <<>BR> \u00E9t</COLOR></i>")));
    EXPECT_TRUE(lines.contains(QStringLiteral("        <i><COLOR Green>x</COLOR></i>")));

    const QStringList display = DisplayLines(lines);
    EXPECT_EQ(display.size(), lines.size()); // no line break came from the data
    EXPECT_TRUE(display.contains(ChunkLine(1, "<BR>", 4)));
    EXPECT_TRUE(display.contains(ChunkLine(1, "  <b", 0)));
    EXPECT_TRUE(display[2].contains(QLatin1String("Header of the file a<br>b.avi")));
    const QString fill(16, QLatin1Char(' ')); // (50 - 18) / 2
    EXPECT_TRUE(display.contains(fill + QStringLiteral("/videos/a<br>b.avi") + fill));
}

TEST(RiffReport, CancelStopsLongOldIndex)
{
    // About ten million idx1 entries, never held in memory.
    const qint64 entries = 10'000'000;
    const QByteArray head = "RIFF" + Le32(quint32(4 + 8 + 16 * entries)) + "AVI " + "idx1" + Le32(quint32(16 * entries));
    TSparseSource file(head.size() + 16 * entries);
    file.place(0, head);

    TRiffReport report;
    int calls = 0;
    report.setKeepResponsive([&] {
        if (++calls == 10)
            report.cancel();
    });
    const QStringList lines = report.build(file, QStringLiteral("big.avi"));
    EXPECT_TRUE(report.wasCancelled());
    EXPECT_LE(calls, 11);
    EXPECT_TRUE(lines.contains(Title(QString(), QLatin1Char('-'), QStringLiteral("Canceled by user"))));
    EXPECT_TRUE(lines.last() == QString(50, QLatin1Char('-')));

    // The next build starts afresh.
    report.setKeepResponsive({});
    EXPECT_FALSE(RiffReportPlainText(report.build(TMemorySource(DvAviFile({})), "a.avi")).contains(QLatin1String("Canceled")));
    EXPECT_FALSE(report.wasCancelled());
}

TEST(RiffReport, PartsBeyondFourGigabytes)
{
    constexpr qint64 kPart = qint64(3) << 30;
    const QByteArray first = "RIFF" + Le32(quint32(kPart - 8)) + "AVI " + "LIST" + Le32(quint32(kPart - 20)) + "movi";
    const QByteArray next = "RIFF" + Le32(quint32(kPart - 8)) + "AVIX" + "LIST" + Le32(quint32(kPart - 20)) + "movi";
    TSparseSource file(2 * kPart + 1000);
    file.place(0, first);
    file.place(kPart, next);
    TRiffReport report;
    const QStringList lines = report.build(file, QStringLiteral("big.avi"));
    const QStringList tree = TreeLines(lines);
    EXPECT_EQ(tree.count(ChunkLine(0, "RIFF", quint32(kPart - 8))), 2);
    EXPECT_TRUE(tree.contains(TypeLine(0, "AVIX")));
    EXPECT_TRUE(lines.contains(QStringLiteral("<COLOR Red>>>> There are 000003E8 bytes of garbage at the end of the file</COLOR>")));
}

TEST(RiffReport, DeepNestingIsListedToALimit)
{
    const QByteArray file = Riff("AVI ", {NestedLists("nest", 200000, Chunk("JUNK", "x"))});
    const QStringList tree = TreeLines(Report(file));
    EXPECT_GT(tree.filter(QRegularExpression(QStringLiteral("^ *nest$"))).size(), 10);
    EXPECT_LT(tree.size(), 200);
}

TEST(RiffReport, FromFileAndMissingFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("clip.avi");
    ASSERT_TRUE(WriteFileBytes(path, DvAviFile({})));
    TRiffReport report;
    report.setNow(kNow);
    EXPECT_EQ(report.build(path), Report(DvAviFile({}), path));

    const QStringList missing = report.build(dir.filePath("missing.avi"));
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_FALSE(report.errorString().isEmpty());
    EXPECT_EQ(TRiffReport::caption(QStringLiteral("/a/b.avi")), QStringLiteral("Header of the file /a/b.avi"));
}

TEST(RiffReport, PlainTextDropsMarkup)
{
    EXPECT_EQ(RiffReportPlainText({QStringLiteral("<B>a</B>"), QString(), QStringLiteral("b<<>c")}), QStringLiteral("a\n\nb<c"));
}

} // namespace
