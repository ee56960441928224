// The producer of scene files by picture content, alone and fed by the
// content scene-detect stage.

#include "scenes/contentproducer.h"

#include "sceneranges.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

} // namespace

TEST(SceneByContent, CutsMakeScenesThatFollowEachOther)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("tape.avi"));
    TSceneByContent producer(video);
    ASSERT_TRUE(producer.ok());
    EXPECT_EQ(producer.fileName(), dir.filePath(QStringLiteral("tape.scn")));
    TCutCallback onCut = producer.cutCallback();
    TEndCallback onEnd = producer.endCallback();

    onCut(0); // the first picture: nothing to close
    onCut(100);
    bool ok = false;
    EXPECT_EQ(ReadRanges(video, &ok), (TRanges{{0, 100}})) << "complete after every scene";
    EXPECT_TRUE(ok);
    onCut(100); // the same frame again, and a frame behind: ignored
    onCut(50);
    onCut(250);
    onCut(400); // the stage's last call: one past the last frame 399
    onEnd();
    onCut(500); // after the end
    EXPECT_EQ(ReadRanges(video, &ok), (TRanges{{0, 100}, {100, 250}, {250, 400}}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(producer.sceneCount(), 3);
    EXPECT_TRUE(producer.ok());
}

TEST(SceneByContent, UnwritableDestinationIsReportedAfterTheRun)
{
    TSceneByContent producer(QStringLiteral("/dev/null/tape.avi"));
    producer.cutCallback()(10);
    producer.endCallback()();
    EXPECT_FALSE(producer.ok());
    EXPECT_EQ(producer.sceneCount(), 0);
}

TEST(SceneByContent, FedByTheStage)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("tape.avi"));
    TSceneByContent producer(video);
    TSceneDetectContenu stage;
    stage.setCutCallback(producer.cutCallback());
    stage.setEndCallback(producer.endCallback());

    // Flat pictures: 12 of one grey, 8 of another, 5 of a third.
    const std::pair<int, int> runs[] = {{12, 60}, {8, 160}, {5, 30}};
    stage.startStreaming();
    qint64 frame = 0;
    for (const auto &[count, grey] : runs)
        for (int i = 0; i < count; ++i) {
            TMediaSample sample;
            sample.data = QByteArray(720 * 576 * 3, char(grey));
            sample.mediaStart = frame++;
            stage.receive(0, sample);
        }
    stage.stopStreaming();
    EXPECT_EQ(ReadRanges(video), (TRanges{{0, 12}, {12, 20}, {20, 25}}));
    EXPECT_EQ(producer.sceneCount(), 3);
}
