#include "scenetestsupport.h"

#include "scenes/scenelist.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class SceneList : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString video() const { return dir.filePath(QStringLiteral("clip.avi")); }

    void writeScenes(std::initializer_list<std::pair<quint32, quint32>> scenes)
    {
        TwriteScene writer(video());
        for (auto [start, end] : scenes)
            writer.AddScene(TSceneClass(start, end));
    }
};

} // namespace

TEST_F(SceneList, WithoutSceneFileOneUniqueScene)
{
    TSceneList list;
    list.setModified(true);
    const TSceneVideo pal{25, 720, 540, 0};
    list.LoadScenes(video(), 1201, &pal);
    EXPECT_FALSE(list.modified());
    EXPECT_EQ(list.videoPath(), video());
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.items()[0].text, QStringLiteral("1: Unique Scene"));
    const TSceneClass *scene = list.SceneAt(0);
    EXPECT_EQ(scene->StartFrame, 0u);
    EXPECT_EQ(scene->EndFrame, 1201u);
    EXPECT_EQ(scene->Number, 1);
    EXPECT_EQ(scene->SubTitle, QStringLiteral("representing a video not yet analyzed"));
    EXPECT_EQ(scene->DurationText, QStringLiteral("48.01"));
    EXPECT_EQ(list.SceneAt(1), nullptr);
    EXPECT_EQ(list.SceneAt(-1), nullptr);
}

TEST_F(SceneList, LoadsTheSceneFileAndMarksADamagedOne)
{
    writeScenes({{0, 100}, {100, 250}, {250, 400}});
    TSceneList list;
    list.LoadScenes(video(), 400);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.items()[2].text, QStringLiteral("Scene 3: "));
    EXPECT_EQ(list.SceneAt(2)->StartFrame, 250u);

    QByteArray bytes = ReadAll(SceneFilePath(video()));
    ASSERT_TRUE(WriteAll(SceneFilePath(video()), bytes.left(bytes.size() - 5)));
    list.LoadScenes(video(), 400);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.items()[1].text, QStringLiteral("Scene 2: "));
    EXPECT_EQ(list.items()[2].text, QStringLiteral("1: Error in the scn file"));
    EXPECT_EQ(list.SceneAt(2)->EndFrame, 0u);
}

TEST_F(SceneList, SaveWritesEveryScene)
{
    writeScenes({{0, 100}, {100, 250}});
    TSceneList list;
    list.LoadScenes(video(), 250);
    list.SceneAt(1)->Caption = QStringLiteral("Beach");
    list.setModified(true);
    ASSERT_TRUE(list.SaveScenes(video()));
    EXPECT_FALSE(list.modified());

    TSceneList again;
    again.LoadScenes(video(), 250);
    ASSERT_EQ(again.count(), 2);
    EXPECT_EQ(again.items()[1].text, QStringLiteral("Scene 2: Beach"));

    list.setModified(true);
    EXPECT_FALSE(list.SaveScenes(QStringLiteral("/dev/null/clip.avi")));
    EXPECT_TRUE(list.modified());
}

TEST_F(SceneList, NextAndPreviousSceneStarts)
{
    writeScenes({{0, 100}, {100, 250}, {250, 400}});
    TSceneList list;
    list.LoadScenes(video(), 400);
    EXPECT_EQ(list.NextSceneStart(120, 400), 250u);
    EXPECT_EQ(list.NextSceneStart(0, 400), 100u);
    EXPECT_EQ(list.NextSceneStart(300, 400), 400u);
    EXPECT_EQ(list.PreviousSceneStart(100), 0u);
    EXPECT_EQ(list.PreviousSceneStart(120), 100u);
    EXPECT_EQ(list.PreviousSceneStart(0), 0u);
    EXPECT_EQ(list.PreviousSceneStart(1000), 250u);
}
