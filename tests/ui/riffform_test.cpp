// The RIFF report window on generated recordings: the report shown, saved as
// plain text (the text tarvex-cli prints) and as rich text, failures and
// cancelling.

#include "ui/riffform.h"

#include "framework/widgets/linkedit.h"
#include "support/samplerecording.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The report's lines without the one that holds the time of the analysis.
QStringList WithoutTime(const QString &text)
{
    QStringList lines = text.split('\n');
    lines.removeIf([](const QString &line) { return line.contains("analysed on"); });
    return lines;
}

class RiffFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = MakeSampleRecording(dir, "a.avi", {"--frames", "3", "--type", "2"});
        ASSERT_FALSE(file.isEmpty());
        form.setFailureHandler([this](const QString &reason) { failures << reason; });
    }

    QTemporaryDir dir;
    QString file;
    TRiffForm form;
    QStringList failures;
};

TEST_F(RiffFormTest, ShowsTheReportInCourierNew)
{
    ASSERT_TRUE(form.ShowReport(file));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "Header of the file " + QFileInfo(file).absoluteFilePath());
    auto *view = form.findChild<TLinkEdit *>();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_EQ(view->font().family(), "Courier New");
    EXPECT_EQ(view->richText(), form.reportLines().join('\n'));
    const QString shown = view->toPlainText();
    for (const char *part : {"RIFF", "avih", "(Video)", "(Audio)", "Start of DVInfo", "movi", "End of Header"})
        EXPECT_TRUE(shown.contains(QLatin1String(part))) << part;
    EXPECT_FALSE(shown.contains("<COLOR")) << "the markup is rendered, not shown";
    EXPECT_TRUE(form.findChild<QPushButton *>("save")->isEnabled());
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(RiffFormTest, SavesPlainTextAsTheCommandLinePrintsItAndRichTextAsRtf)
{
    ASSERT_TRUE(form.ShowReport(file));
    EXPECT_TRUE(form.richText()) << "rich text by default";

    form.setRichText(false);
    QString error;
    const QString txt = form.SaveReport(dir.filePath("report.log"), &error);
    EXPECT_EQ(txt, dir.filePath("report.txt")) << qPrintable(error);
    QProcess cli;
    cli.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), {"riff", file});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0);
    QString printed = QString::fromUtf8(cli.readAllStandardOutput());
    ASSERT_TRUE(printed.endsWith('\n'));
    printed.chop(1);
    EXPECT_EQ(WithoutTime(QString::fromUtf8(ReadAll(txt))), WithoutTime(printed));

    form.setRichText(true);
    const QString rtf = form.SaveReport(dir.filePath("report.txt"), &error);
    EXPECT_EQ(rtf, dir.filePath("report.rtf")) << qPrintable(error);
    const QByteArray rich = ReadAll(rtf);
    EXPECT_TRUE(rich.startsWith("{\\rtf")) << rich.left(40).constData();
    EXPECT_TRUE(rich.contains("avih"));
}

TEST_F(RiffFormTest, NothingToSaveBeforeAReport)
{
    QString error;
    EXPECT_TRUE(form.SaveReport(dir.filePath("x.rtf"), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("x.rtf")));
    EXPECT_FALSE(form.findChild<QPushButton *>("save")->isEnabled());
}

TEST_F(RiffFormTest, AFileThatCannotBeReadClosesTheWindowWithItsReason)
{
    ASSERT_TRUE(form.ShowReport(file));
    const QString missing = dir.filePath("missing.avi");
    EXPECT_FALSE(form.ShowReport(missing));
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(missing)) << qPrintable(failures[0]);
    EXPECT_TRUE(failures[0].contains("No such file")) << qPrintable(failures[0]);
    EXPECT_TRUE(form.reportLines().isEmpty()) << "the old report is not kept under the new caption";
}

TEST_F(RiffFormTest, ClosingTheWindowStopsTheWalk)
{
    QTimer::singleShot(0, &form, &QWidget::close);
    EXPECT_FALSE(form.ShowReport(file));
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.lastError().contains("cancelled")) << qPrintable(form.lastError());
    EXPECT_TRUE(failures.isEmpty()) << "cancelling is no failure";

    // The next report is built in full.
    EXPECT_TRUE(form.ShowReport(file));
}

} // namespace
