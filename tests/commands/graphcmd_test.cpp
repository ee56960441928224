// Pipeline commands on small DV type 2 files: the run to the end with its
// progress, aborting the current file or the whole run while a pipeline
// runs, a pipeline without length, and the reasons of failed builds and of
// elements that fail while the pipeline runs.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "commands/graphcmd.h"
#include "dv/difframe.h"
#include "enginefixture.h"
#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "pipelines/stagebase.h"
#include "support/riffbuilder.h"

#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int kFrames = 10;

bool WriteType2(const QString &path)
{
    const QByteArray frame = MakeBlankDifFrame(true);
    const QByteArray pcm(1920 * 4, '\0');
    TAviWriter writer;
    if (!writer.open(path, TAviWriterConfig::dvType2(TAviDvSystem::Pal,
                                                    DvInfoFromFrame(reinterpret_cast<const quint8 *>(frame.constData()), 12),
                                                    riff::DvWaveFormat())))
        return false;
    for (int i = 0; i < kFrames; ++i)
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size()))
            || !writer.writeSample(1, pcm.constData(), quint32(pcm.size())))
            return false;
    return writer.close();
}

// Counts frames; when gated, holds the fourth frame until the pipeline
// flushes; when failing, reports an error at the fourth frame.
class TGateStage final : public TBCTransInPlaceFilter
{
public:
    TGateStage() : TBCTransInPlaceFilter(QStringLiteral("Gate"), false) {}
    std::atomic<bool> gated{false};
    std::atomic<bool> failing{false};
    std::atomic<bool> reached{false};
    std::atomic<int> frames{0};

protected:
    TResult CheckInputType(const TMediaType &type) override
    {
        return type.majorType == media::Video ? TResult::Ok : TResult::TypeNotAccepted;
    }
    TResult Transform(TMediaSample &) override
    {
        if (frames == 3 && failing) {
            reportError(TError(QStringLiteral("the fourth frame is bad")));
            // Held until the command stops the pipeline for the error.
            while (!pipeline()->isFlushing())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return TResult::Ok;
        }
        if (++frames == 4 && gated) {
            reached = true;
            while (!pipeline()->isFlushing())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return TResult::Ok;
    }
};

// One pipeline per file, made on the owner's thread and built by the hook.
struct TGraph
{
    TFileSourceElement source;
    TAviSplitter splitter;
    TGateStage stage;
    TNullRenderer renderer;
    TPipeline pipeline; // detaches the elements before they go

    bool build(const QString &file)
    {
        pipeline.removeAll();
        for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &stage, &renderer})
            if (pipeline.add(e) != TResult::Ok)
                return false;
        return source.Load(file) == TResult::Ok
               && pipeline.connect(source.output(0), splitter.input(0)) == TResult::Ok
               && pipeline.connect(splitter.output(0), stage.input(0)) == TResult::Ok
               && pipeline.connect(stage.output(0), renderer.input(0)) == TResult::Ok;
    }
};

class GraphCmdTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        for (const QString &n : names) {
            ASSERT_TRUE(WriteType2(path(n)));
            list.add(path(n), true);
        }
        cmd.StartMessage = QStringLiteral("Converting %s in type 2");
        cmd.ErrorMessage = QStringLiteral("An error occured while converting %s in type 2");
        cmd.UpdateFile = ufAdd;
        cmd.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) { return f->fullPath() + QStringLiteral(".out"); };
        cmd.OnBuildGraph = [this](TAbstractListFichier *f, const QString &dest, const QStringList &, int) -> TBuildResult {
            EXPECT_FALSE(OnMainThread());
            const int i = int(names.indexOf(f->fileName()));
            built << f->fileName();
            touch(QFileInfo(dest).fileName(), "partly written");
            if (!graphs[size_t(i)].build(f->fullPath()))
                return TError(QStringLiteral("the test pipeline does not connect"));
            return TBuildResult(graphs[size_t(i)].pipeline, partial);
        };
        QObject::connect(&engine, &TCommandEngine::OnStartProgress, [this](int max) { log << QStringLiteral("progress %1").arg(max); });
        QObject::connect(&engine, &TCommandEngine::OnEndProgress, [this] { log << QStringLiteral("progress end"); });
    }

    // Aborts (all, or the current file) once the second file's pipeline holds its gate.
    void abortInSecondFile(bool all)
    {
        graphs[1].stage.gated = true;
        QObject::connect(&engine, &TCommandEngine::OnSetProgress, [this, all](int) {
            if (graphs[1].stage.reached && !engine.Aborted())
                all ? engine.AbortAll() : engine.Abort();
        });
    }

    const QStringList names{"a.avi", "b.avi", "c.avi", "d.avi"};
    TGraph graphs[4];
    TGraphCmd cmd;
    QStringList built;
    TError partial; // what the builds say of their outputs
};

TEST_F(GraphCmdTest, RunsEachPipelineToItsEndAndListsTheOutputs)
{
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(built, names);
    for (const TGraph &g : graphs) {
        EXPECT_EQ(g.stage.frames, kFrames);
        EXPECT_EQ(g.pipeline.state(), TPipeline::TState::Stopped);
        EXPECT_FALSE(g.pipeline.usesClock());
    }
    EXPECT_EQ(list.count(), 8);
    const int max = int(qint64(kFrames) * 400000 / 1024);
    EXPECT_EQ(log.mid(0, 4), (QStringList{"start", "file a.avi 1", "msg Converting a.avi in type 2",
                                          QStringLiteral("progress %1").arg(max)}));
    EXPECT_EQ(log.mid(4, 2), (QStringList{"progress end", "done a.avi 1"}));
    EXPECT_EQ(engine.progressMax(), max);
}

TEST_F(GraphCmdTest, AbortStopsThePipelineListsThePartialOutputAndSkipsTheNextFile)
{
    abortInSecondFile(false);
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(built, (QStringList{"a.avi", "b.avi", "d.avi"}));
    EXPECT_LT(graphs[1].stage.frames, kFrames);
    EXPECT_EQ(graphs[3].stage.frames, kFrames);
    EXPECT_EQ(graphs[1].pipeline.state(), TPipeline::TState::Stopped);
    EXPECT_EQ(list.paths().mid(4), (QStringList{path("a.avi.out"), path("b.avi.out"), path("d.avi.out")}));
    EXPECT_TRUE(log.contains(QStringLiteral("done b.avi 1")));
}

TEST_F(GraphCmdTest, AbortAllStopsThePipelineAndEndsTheRun)
{
    abortInSecondFile(true);
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(built, (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(graphs[1].pipeline.state(), TPipeline::TState::Stopped);
    EXPECT_EQ(list.paths().mid(4), (QStringList{path("a.avi.out"), path("b.avi.out")}));
    EXPECT_EQ(log.last(), QStringLiteral("end"));
}

TEST_F(GraphCmdTest, PipelineWithoutLengthRunsNothingAndChangesNoList)
{
    TPipeline empty;
    cmd.OnBuildGraph = [&](TAbstractListFichier *f, const QString &dest, const QStringList &, int) -> TBuildResult {
        built << f->fileName();
        touch(QFileInfo(dest).fileName());
        return empty;
    };
    for (size_t i = 1; i < list.items.size(); ++i)
        list.items[i].selected = false;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(built, QStringList{"a.avi"});
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(log, (QStringList{"start", "file a.avi 1", "msg Converting a.avi in type 2", "done a.avi 1", "end"}));
}

TEST_F(GraphCmdTest, BuildFailureIsReportedWithThePathAndTheReason)
{
    QStringList checked;
    cmd.OnBuildGraph = [](TAbstractListFichier *, const QString &, const QStringList &, int) -> TBuildResult {
        return TError(QStringLiteral("no pipeline"));
    };
    cmd.OnCheckOutput = [&](const TError &failure) {
        checked << failure.text();
        return TError(QStringLiteral("not said: the build's reason comes first"));
    };
    for (size_t i = 1; i < list.items.size(); ++i)
        list.items[i].selected = false;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(log.filter(QStringLiteral("error")),
              QStringList{QStringLiteral("error1 An error occured while converting %1 in type 2: no pipeline").arg(path("a.avi"))});
    EXPECT_EQ(checked, QStringList{"no pipeline"}) << "what the build set up is let go of all the same";
    EXPECT_EQ(list.count(), 4);
}

// An element's error stops the run at once; the output, as far as it was
// written, is listed and the file reported with the element's reason.
TEST_F(GraphCmdTest, ElementErrorStopsTheRunAndIsReportedWithItsReason)
{
    graphs[0].stage.failing = true;
    for (size_t i = 2; i < list.items.size(); ++i)
        list.items[i].selected = false;
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(built, (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(graphs[0].stage.frames, 3);
    EXPECT_EQ(graphs[1].stage.frames, kFrames) << "the next file runs";
    EXPECT_EQ(log.filter(QStringLiteral("error")),
              QStringList{QStringLiteral("error1 An error occured while converting %1 in type 2: the fourth frame is bad")
                              .arg(path("a.avi"))});
    EXPECT_EQ(list.paths().mid(4), (QStringList{path("a.avi.out"), path("b.avi.out")}));
}

// What a build says of its output (a stream left out) and what the output
// check finds are reported after a complete run; the output is listed.
TEST_F(GraphCmdTest, IncompleteOutputsAreReportedAfterTheRun)
{
    for (size_t i = 1; i < list.items.size(); ++i)
        list.items[i].selected = false;
    partial = TError(QStringLiteral("the sound is left out"));
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_EQ(graphs[0].stage.frames, kFrames);
    EXPECT_TRUE(log.contains(QStringLiteral("error1 An error occured while converting %1 in type 2: the sound is left out")
                                 .arg(path("a.avi"))));

    log.clear();
    partial = TError();
    list.items[0].selected = true;
    cmd.OnCheckOutput = [](const TError &failure) {
        EXPECT_FALSE(failure);
        return TError(QStringLiteral("the writer failed"));
    };
    ASSERT_TRUE(runToEnd(cmd));
    EXPECT_TRUE(log.contains(QStringLiteral("error1 An error occured while converting %1 in type 2: the writer failed")
                                 .arg(path("a.avi"))));
    EXPECT_EQ(list.paths().mid(4), QStringList{path("a.avi.out")});
}

} // namespace
