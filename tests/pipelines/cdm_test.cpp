// The pipeline builder from its spec: builds that fail say why, a writer
// that fails while the pipeline runs is reported through the pipeline's
// error signal, a build keeps nothing of the one before, and a re-encoding
// without work on the pictures keeps each frame's datecode.

#include "avi/bytesource.h"
#include "dv/dvcodes.h"
#include "pipelines/builders/convertirdvunit.h"
#include "pipelines/pipeline.h"
#include "support/aviframes.h"
#include "support/riffreader.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <mutex>

namespace {

// Runs a built pipeline to its end; the errors its elements reported.
QStringList RunToEnd(TPipeline &pipeline)
{
    std::mutex lock;
    QStringList errors;
    const auto connection = QObject::connect(
        &pipeline, &TPipeline::error, &pipeline,
        [&](const TError &error) {
            std::lock_guard guard(lock);
            errors << error.text();
        },
        Qt::DirectConnection);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.setUseClock(false);
    pipeline.run();
    EXPECT_TRUE(complete.count() > 0 || complete.wait(60000));
    pipeline.stop();
    QObject::disconnect(connection);
    return errors;
}

std::vector<TDatecodeFields> Datecodes(const QString &path)
{
    std::vector<TDatecodeFields> out;
    for (const QByteArray &frame : AviVideoFrames(path)) {
        TDatecodeFields dc;
        const auto *bytes = reinterpret_cast<const quint8 *>(frame.constData());
        out.push_back(ReadDatecode(bytes, DifSequenceCount(frame.size()), dc) ? dc : TDatecodeFields{});
    }
    return out;
}

class CdmTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    static TPipelineSpec spec(TPipelineKind kind, const QString &source, const QString &destination = {})
    {
        return TPipelineSpec::make(kind, source, destination);
    }

    QTemporaryDir dir;
    TCdm cdm;
};

TEST_F(CdmTest, FailedBuildsSayWhy)
{
    QFile text(path("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video");
    text.close();
    const QString tape = MakeSampleRecording(dir, "tape.avi", {"--frames", "5", "--type", "2"});
    ASSERT_FALSE(tape.isEmpty());
    struct TCase
    {
        TPipelineSpec spec;
        QString reason;
    };
    const TCase cases[] = {
        {spec(TPipelineKind::SceneProbe, path("missing.avi")), "cannot open " + path("missing.avi") + ": "},
        {spec(TPipelineKind::ToType1, text.fileName(), path("out.avi")), text.fileName() + " is not an AVI file"},
        {spec(TPipelineKind::ToType2, tape, path("out.avi")), tape + " has no interleaved DV stream: "},
        {spec(TPipelineKind::HeaderPass, tape), "no file to write is given"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        const TBuildResult built = cdm.build(c.spec);
        EXPECT_FALSE(built);
        EXPECT_EQ(built.pipeline(), nullptr);
        EXPECT_TRUE(built.error().text().startsWith(c.reason)) << built.error().text().toStdString();
    }
}

TEST_F(CdmTest, WriterThatCannotWriteIsReportedByThePipeline)
{
    const QString tape = MakeSampleRecording(dir, "tape.avi", {"--frames", "5", "--type", "2"});
    ASSERT_FALSE(tape.isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.avi"));
    for (const TPipelineKind kind : {TPipelineKind::ToType1, TPipelineKind::AudioExtract}) {
        const TBuildResult built = cdm.build(spec(kind, tape, path("taken.avi")));
        ASSERT_TRUE(built) << built.error().text().toStdString();
        const QStringList errors = RunToEnd(*built.pipeline());
        ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
        EXPECT_TRUE(errors[0].contains("Is a directory")) << errors[0].toStdString();
    }
}

// The note of a datecode overwrite is written into that file only.
TEST_F(CdmTest, BuildKeepsNothingOfThePreviousOne)
{
    const QString tape = MakeSampleRecording(dir, "tape.avi", {"--frames", "5", "--type", "2"});
    ASSERT_FALSE(tape.isEmpty());
    const auto note = [](const QString &file) {
        TFileSource source(file);
        const auto found = riff::Find(source, {"AVI ", "INFO", "IBRN"});
        return found ? riff::ReadBack(source, found->data, found->size) : QByteArray();
    };
    TPipelineSpec overwrite = spec(TPipelineKind::HeaderPass, tape, path("overwritten.avi"));
    overwrite.header.restoreHeads = false;
    overwrite.header.overwriteDatecode = 40000.5;
    overwrite.textProperties.push_back({QStringLiteral("INFO/IBRN"), QStringLiteral("overwritten")});
    TBuildResult built = cdm.build(overwrite);
    ASSERT_TRUE(built);
    EXPECT_TRUE(RunToEnd(*built.pipeline()).isEmpty());
    EXPECT_TRUE(note(path("overwritten.avi")).startsWith("overwritten"));

    built = cdm.build(spec(TPipelineKind::HeaderPass, tape, path("plain.avi")));
    ASSERT_TRUE(built);
    EXPECT_TRUE(RunToEnd(*built.pipeline()).isEmpty());
    EXPECT_TRUE(note(path("plain.avi")).isEmpty());
    EXPECT_EQ(Datecodes(path("plain.avi")), Datecodes(tape)) << "no datecode is overwritten";
    EXPECT_NE(Datecodes(path("overwritten.avi")), Datecodes(tape));
}

// Decoded and encoded again, in the same standard and in the other one, with
// nothing done to the pictures: every frame keeps (or takes) the datecode of
// the source frame it comes from.
TEST_F(CdmTest, ReencodingWithoutPictureWorkKeepsTheDatecodes)
{
    const QString tape = MakeSampleRecording(dir, "tape.avi", {"--frames", "30", "--type", "2", "--jump-at", "15"});
    ASSERT_FALSE(tape.isEmpty());
    const std::vector<TDatecodeFields> source = Datecodes(tape);
    ASSERT_EQ(source.size(), 30u);
    ASSERT_NE(source.front(), source.back());

    TPipelineSpec same = spec(TPipelineKind::Reencode, tape, path("pal.avi"));
    TBuildResult built = cdm.build(same);
    ASSERT_TRUE(built) << built.error().text().toStdString();
    EXPECT_TRUE(RunToEnd(*built.pipeline()).isEmpty());
    EXPECT_EQ(Datecodes(path("pal.avi")), source);

    TPipelineSpec ntsc = spec(TPipelineKind::Reencode, tape, path("ntsc.avi"));
    ntsc.standard = TDvStandard::Ntsc;
    built = cdm.build(ntsc);
    ASSERT_TRUE(built) << built.error().text().toStdString();
    EXPECT_TRUE(RunToEnd(*built.pipeline()).isEmpty());
    // 30 frames of 1200 / 30000 s are 36 of 1001 / 30000 s, frame k showing source frame k * 1001 / 1200.
    const std::vector<QByteArray> frames = AviVideoFrames(path("ntsc.avi"));
    ASSERT_EQ(frames.size(), 36u);
    const std::vector<TDatecodeFields> made = Datecodes(path("ntsc.avi"));
    for (size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(frames[k].size(), 120000);
        EXPECT_EQ(made[k], source[k * 1001 / 1200]);
    }
}

} // namespace
