// The "send to" entry, in the test folders of QStandardPaths.

#include "ui/sendto.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SendToTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(SendToEntryPath());
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        QFile::remove(SendToEntryPath());
        QStandardPaths::setTestModeEnabled(false);
    }
    QString program(const QString &name)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return dir.filePath(name);
    }

    QTemporaryDir dir;
};

TEST_F(SendToTest, CheckedWritesTheEntryUncheckedDeletesIt)
{
    EXPECT_FALSE(SendToActive());
    EXPECT_TRUE(SendToEntryPath().contains(".qttest")) << qPrintable(SendToEntryPath());
    const QString exe = program("tarvex");
    QString error;
    ASSERT_TRUE(SetSendTo(true, exe, &error)) << qPrintable(error);
    EXPECT_TRUE(SendToActive());

    // The keys of the entry, read as lines (QSettings would take the quotes away).
    QFile f(SendToEntryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    f.close();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], "[Desktop Entry]");
    for (const char *line : {"Type=Application", "Name=Tarvex", "MimeType=video/x-msvideo;video/avi;"})
        EXPECT_TRUE(lines.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(lines.contains("Exec=\"" + exe + "\" %F")) << qPrintable(lines.join('\n'));

    ASSERT_TRUE(SetSendTo(false, exe, &error)) << qPrintable(error);
    EXPECT_FALSE(SendToActive());
    EXPECT_TRUE(SetSendTo(false, exe, &error)) << "no entry to delete is no failure";
}

TEST_F(SendToTest, TheProgramIsQuotedForTheExecKey)
{
    const QString exe = program("my $prog 100%");
    ASSERT_TRUE(SetSendTo(true, exe));
    QFile f(SendToEntryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    // "$" escaped for the quoting (a backslash, itself escaped in the value), "%" doubled.
    const QString dirPart = dir.path();
    EXPECT_TRUE(text.contains("Exec=\"" + dirPart + "/my \\\\$prog 100%%\" %F\n")) << qPrintable(text);
}

TEST_F(SendToTest, AMissingProgramIsRefused)
{
    QString error;
    EXPECT_FALSE(SetSendTo(true, dir.filePath("absent"), &error));
    EXPECT_TRUE(error.contains("absent")) << qPrintable(error);
    EXPECT_FALSE(SendToActive());
}

} // namespace
