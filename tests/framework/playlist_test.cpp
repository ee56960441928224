#include "framework/frameworktext.h"
#include "framework/playlist.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PlayListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_locale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        m_header.titre = QStringLiteral("Tarvex by Orin Brontel");
        m_header.slogan = QStringLiteral("https://tarvex.app");
        m_header.sortIndex = sortindex::Taille();
        m_header.doneOn = QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7));
    }
    void TearDown() override { QLocale::setDefault(m_locale); }

    QLocale m_locale;
    TPlayListHeader m_header;
    QTemporaryDir m_dir;
};

TEST_F(PlayListTest, WritesTheHeaderThePathsAndTheFooter)
{
    const QString rule = QLatin1Char('#') + QString(61, QLatin1Char('-'));
    const QStringList expected{rule,
                               "#",
                               "#   Tarvex by Orin Brontel",
                               "#",
                               rule,
                               "#",
                               "#   https://tarvex.app",
                               "#",
                               rule,
                               "",
                               "     /videos/tape 1.avi",
                               "     /videos/Été/tape 2.avi",
                               "",
                               rule,
                               "# 2 files sorted by size of file",
                               "# Done on Saturday, 9 March 2024 14:05:07"};
    EXPECT_EQ(PlayListLines({"/videos/tape 1.avi", "/videos/Été/tape 2.avi"}, m_header), expected);
}

TEST_F(PlayListTest, CountsTheFilesInTheFooter)
{
    const struct
    {
        QStringList paths;
        const char *line;
    } cases[] = {
        {{}, "# No file - sorted by size of file"},
        {{"/a.avi"}, "# One file - sorted by size of file"},
        {{"/a.avi", "/b\nc.avi", "/d.avi"}, "# 2 files sorted by size of file"}, // a line break cannot be written
    };
    for (const auto &c : cases) {
        qsizetype leftOut = -1;
        const QStringList lines = PlayListLines(c.paths, m_header, &leftOut);
        EXPECT_EQ(lines.at(lines.size() - 2), QString::fromUtf8(c.line));
        EXPECT_EQ(leftOut, c.paths.size() == 3 ? 1 : 0);
    }
}

TEST_F(PlayListTest, RoundTripsByteForByte)
{
    const QStringList paths{"/videos/tape 1.avi", "/videos/Été/tape 2.avi", "/videos/*.avi", "/v/\U0001F4FC.avi"};
    const QString path = m_dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(WritePlayList(path, paths, m_header));
    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE#\0-\0"));
    EXPECT_TRUE(bytes.endsWith(QByteArray("7\0\r\0\n\0", 6)));

    const TPlayListRead read = ReadPlayList(path);
    ASSERT_TRUE(read.ok);
    EXPECT_FALSE(read.truncated);
    EXPECT_EQ(read.entries, paths);

    const QString again = m_dir.filePath(QStringLiteral("again.txt"));
    ASSERT_TRUE(WritePlayList(again, read.entries, m_header));
    EXPECT_EQ(ReadBytes(again), bytes);
}

TEST(PlayListRead, SkipsCommentsAndBlankLinesInAnyEncoding)
{
    const QStringList entries{"/v/a.avi", "/v/b c.avi", "/v/*.AVI"};
    const QString text = QStringLiteral("# comment\r\n\r\n   /v/a.avi  \r\n\t/v/b c.avi\r\n   # indented comment\r\n/v/*.AVI");
    const QByteArray utf16be = [&text] {
        QByteArray b("\xFE\xFF");
        for (const QChar ch : text)
            b.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xFF));
        return b;
    }();
    for (const QByteArray &bytes : {EncodeFrameworkLines(text.split(QStringLiteral("\r\n"))), utf16be,
                                    QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toUtf8()})
        EXPECT_EQ(PlayListEntries(DecodeFrameworkLines(bytes)), entries);
}

TEST(PlayListRead, ReadsADamagedFileAsFarAsItIsSound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.txt"));
    QByteArray bytes = EncodeFrameworkLines({"# head", "     /v/a.avi", "     /v/b.avi"});
    bytes.chop(3); // a crash cut the last line end
    bytes.append(QByteArray("\x00\xDC\x00", 3)); // a lone surrogate and a lone byte
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const TPlayListRead read = ReadPlayList(path);
    EXPECT_TRUE(read.ok);
    ASSERT_GE(read.entries.size(), 2);
    EXPECT_EQ(read.entries.at(0), QStringLiteral("/v/a.avi"));

    const TPlayListRead missing = ReadPlayList(dir.filePath(QStringLiteral("none.txt")));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.entries.isEmpty());
    EXPECT_FALSE(missing.errorString.isEmpty());
}

TEST(PlayListNames, SaveAsWritesATextFileAndThePreferredListHasItsOwnName)
{
    const struct
    {
        const char *chosen;
        const char *written;
    } cases[] = {{"/v/list.m3u", "/v/list.txt"}, {"/v/list", "/v/list.txt"}, {"/v.d/list", "/v.d/list.txt"},
                 {"/v/my.list.txt", "/v/my.list.txt"}, {"list.dat", "list.txt"}};
    for (const auto &c : cases)
        EXPECT_EQ(PlayListSaveName(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.written)) << c.chosen;
    EXPECT_EQ(PreferredPlayListPath(QStringLiteral("/home/u/Documents")), QStringLiteral("/home/u/Documents/tarvex.list"));
    EXPECT_EQ(PreferredPlayListPath(QStringLiteral("/home/u/Documents/")), QStringLiteral("/home/u/Documents/tarvex.list"));
}

} // namespace
