#include "scenetestsupport.h"

#include "avi/bytesource.h"
#include "scenes/sceneproducers.h"

#include "sceneranges.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

TFrameInfo Frame(quint32 index)
{
    TFrameInfo f;
    f.frameIndex = index;
    f.datecodePresent = true;
    return f;
}

} // namespace

TEST(SceneByDatecode, WritesEachReportedSceneAndClosesAtTheEnd)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("tape.avi"));
    TSceneByDatecode producer(video);
    ASSERT_TRUE(producer.ok());
    TSceneCallback onScene = producer.sceneCallback();
    TEndCallback onEnd = producer.endCallback();

    onScene(Frame(0), Frame(100));
    // The file is complete after every scene, as an aborted run leaves it.
    bool ok = false;
    EXPECT_EQ(ReadRanges(video, &ok), (TRanges{{0, 100}}));
    EXPECT_TRUE(ok);

    onScene(Frame(100), Frame(106));
    onScene(Frame(106), Frame(1500));
    onEnd();
    onScene(Frame(1500), Frame(1600)); // after the end: ignored
    EXPECT_EQ(ReadRanges(video, &ok), (TRanges{{0, 100}, {100, 106}, {106, 1500}}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(producer.sceneCount(), 3);
    EXPECT_TRUE(producer.ok());
    EXPECT_EQ(producer.fileName(), dir.filePath(QStringLiteral("tape.scn")));
}

TEST(SceneByDatecode, UnwritableDestinationIsReportedAfterTheRun)
{
    TSceneByDatecode producer(QStringLiteral("/dev/null/tape.avi"));
    producer.sceneCallback()(Frame(0), Frame(10));
    producer.endCallback()();
    EXPECT_FALSE(producer.ok());
    EXPECT_FALSE(producer.errorString().isEmpty());
    EXPECT_EQ(producer.sceneCount(), 0);
}

TEST(SceneByInterval, IntervalTextAndStep)
{
    const struct { const char *text; int seconds; } texts[] = {
        {"20", 20}, {"  7 ", 7}, {"", 0}, {"abc", 0}, {"2.5", 0}, {"-3", -3}, {"99999999999", 0},
    };
    for (const auto &t : texts)
        EXPECT_EQ(IntervalSeconds(QString::fromUtf8(t.text)), t.seconds) << t.text;

    const struct { int seconds; double fps; qint64 step; } steps[] = {
        {20, 25, 500}, {20, 29.97, 599}, {1, 29.97, 30}, {0, 25, 0}, {-3, 25, 0}, {20, 0, 0},
        {1, 2.5, 2}, {3, 2.5, 8}, // 2.5 and 7.5 frames: halves to even
    };
    for (const auto &s : steps)
        EXPECT_EQ(IntervalStep(s.seconds, s.fps), s.step) << s.seconds << " s at " << s.fps;
}

TEST(SceneByInterval, ScenesOfNSecondsForPalAndNtsc)
{
    const struct { int seconds; double fps; quint32 frames; TRanges scenes; } cases[] = {
        {20, 25, 1201, {{0, 500}, {500, 1000}, {1000, 1201}}},
        {20, 25, 1000, {{0, 500}, {500, 1000}}},
        {10, 29.97, 700, {{0, 300}, {300, 600}, {600, 700}}},
        {60, 25, 10, {{0, 10}}},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        const QString video = dir.filePath(QStringLiteral("v.avi"));
        std::vector<quint32> positions;
        quint32 total = 0;
        bool ended = false;
        TIntervalProgress progress;
        progress.begin = [&](quint32 t) { total = t; };
        progress.position = [&](quint32 p) { positions.push_back(p); };
        progress.end = [&] { ended = true; };
        const TIntervalResult result = WriteScenesByInterval(video, c.seconds, c.fps, c.frames, progress);
        EXPECT_TRUE(result.written);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.scenes, int(c.scenes.size()));
        bool ok = false;
        EXPECT_EQ(ReadRanges(video, &ok), c.scenes) << c.seconds << " s at " << c.fps;
        EXPECT_TRUE(ok);
        EXPECT_EQ(total, c.frames);
        EXPECT_EQ(positions.size(), c.scenes.size());
        EXPECT_EQ(positions.front(), 0u);
        EXPECT_TRUE(ended);
    }
}

TEST(SceneByInterval, AbortLeavesAValidFileOfTheScenesSoFar)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    int asked = 0;
    TIntervalProgress progress;
    progress.aborted = [&] { return ++asked > 2; };
    const TIntervalResult result = WriteScenesByInterval(video, 20, 25, 5000, progress);
    EXPECT_EQ(result.scenes, 2);
    bool ok = false;
    EXPECT_EQ(ReadRanges(video, &ok), (TRanges{{0, 500}, {500, 1000}}));
    EXPECT_TRUE(ok);
}

TEST(SceneByInterval, NoStepNoFileAndUnwritableIsAFailure)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    ASSERT_TRUE(WriteAll(SceneFilePath(video), "keep"));
    for (int seconds : {0, -20}) {
        const TIntervalResult result = WriteScenesByInterval(video, seconds, 25, 1000);
        EXPECT_FALSE(result.written);
        EXPECT_TRUE(result.ok());
    }
    EXPECT_EQ(ReadAll(SceneFilePath(video)), QByteArray("keep"));

    const TIntervalResult failed = WriteScenesByInterval(QStringLiteral("/dev/null/v.avi"), 20, 25, 1000);
    EXPECT_TRUE(failed.written);
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.scenes, 0);
}
