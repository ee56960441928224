#include "scenetestsupport.h"

#include "scenes/subtitlewriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

TFrameInfo Frame(quint32 index)
{
    TFrameInfo f;
    f.frameIndex = index;
    return f;
}

} // namespace

TEST(SrtTime, MillisecondsRoundedFromTheFrameRate)
{
    const struct { quint32 frame; double fps; const char *text; } cases[] = {
        {0, 25, "00:00:00,000"},
        {1, 25, "00:00:00,040"},
        {250, 25, "00:00:10,000"},
        {1, 29.97, "00:00:00,033"},
        {30, 29.97, "00:00:01,001"},
        {90000, 25, "01:00:00,000"},
        {4294967295u, 25, "47721:51:31,800"}, // hours are not limited to two digits
        {1, 2000, "00:00:00,000"},             // half a millisecond: to even
        {3, 2000, "00:00:00,002"},
        {10, 0, "00:00:00,000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SrtTimeText(c.frame, c.fps), QString::fromUtf8(c.text)) << c.frame << " at " << c.fps;
}

TEST(SubtitleWriter, FileFromTheTextCallbacksByteForByte)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("tape.avi"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("tape.srt")), QByteArray(1000, 'x')));
    {
        TWriteSrt writer(video, 25);
        ASSERT_TRUE(writer.ok());
        TTextCallback onText = writer.textCallback();
        TEndCallback onEnd = writer.endCallback();
        onText(Frame(0), QStringLiteral("12/05/2004"), QStringLiteral("10:00:00"));
        onText(Frame(25), QStringLiteral("12/05/2004"), QStringLiteral("10:00:01"));
        onText(Frame(40), QString(), QString());              // text hidden
        onText(Frame(90), QString(), QStringLiteral("0:00:03:15")); // back, first line empty
        onText(Frame(100), QString(), QString());             // flushed at stop
        onEnd();
        EXPECT_TRUE(writer.ok());
        EXPECT_EQ(writer.subtitleCount(), 3);
        onText(Frame(200), QStringLiteral("late"), QString()); // after the end: nothing written
        onText(Frame(210), QString(), QString());
    }
    const QByteArray expected = "1\r\n"
                                "00:00:00,000 --> 00:00:01,000\r\n"
                                "12/05/2004\r\n"
                                "10:00:00\r\n"
                                "\r\n"
                                "2\r\n"
                                "00:00:01,000 --> 00:00:01,600\r\n"
                                "12/05/2004\r\n"
                                "10:00:01\r\n"
                                "\r\n"
                                "3\r\n"
                                "00:00:03,600 --> 00:00:04,000\r\n"
                                " \r\n"
                                "0:00:03:15\r\n"
                                "\r\n";
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("tape.srt"))), expected);
}

TEST(SubtitleWriter, TextThatNeverChangesIsOneSubtitleAndAPendingOneIsDropped)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("clip.avi"));
    {
        TWriteSrt writer(video, 25);
        writer.AddSubtitle(0, QStringLiteral("Été"), QStringLiteral("日本"));
        writer.AddSubtitle(250, QString(), QString());
        writer.AddSubtitle(300, QStringLiteral("never ended"), QString());
    }
    // The system encoding here is UTF-8.
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("clip.srt"))),
              QByteArray("1\r\n00:00:00,000 --> 00:00:10,000\r\n") + QStringLiteral("Été\r\n日本\r\n\r\n").toUtf8());
}

TEST(SubtitleWriter, UnencodableTextIsReplacedNotDropped)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    {
        TwriteFile file(path);
        ASSERT_TRUE(file.WriteLine(QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b")));
        ASSERT_TRUE(file.close());
    }
    const QByteArray bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 5);
    EXPECT_TRUE(bytes.startsWith('a'));
    EXPECT_TRUE(bytes.endsWith("b\r\n"));
    EXPECT_TRUE(QString::fromUtf8(bytes).isValidUtf16());
}

TEST(SubtitleWriter, UnwritableDestinationOrFrameRateIsAFailure)
{
    const struct { const char *video; double fps; } cases[] = {
        {"/dev/null/tape.avi", 25},   // parent is not a folder
        {"/nonexistent-folder/tape.avi", 25},
    };
    for (const auto &c : cases) {
        TWriteSrt writer(QString::fromUtf8(c.video), c.fps);
        writer.AddSubtitle(0, QStringLiteral("a"), QStringLiteral("b"));
        writer.AddSubtitle(10, QString(), QString());
        EXPECT_FALSE(writer.ok()) << c.video;
        EXPECT_FALSE(writer.errorString().isEmpty());
        EXPECT_FALSE(writer.close());
    }

    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("tape.avi"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("tape.srt")), "old"));
    TWriteSrt writer(video, 0);
    EXPECT_FALSE(writer.ok());
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("tape.srt"))), QByteArray("old"));

    // A folder in the way of the file cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("block.srt")));
    TWriteSrt blocked(dir.filePath(QStringLiteral("block.avi")), 25);
    EXPECT_FALSE(blocked.ok());
}
