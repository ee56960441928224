#include "scenes/scenelist.h"

#include <QFileInfo>

void TSceneList::LoadScenes(const QString &videoPath, quint32 frameCount, const TSceneVideo *video)
{
    m_videoPath = videoPath;
    m_modified = false;
    ClearScenes();

    const QString sceneFile = SceneFilePath(videoPath);
    if (QFileInfo::exists(sceneFile)) {
        if (!ReadScnFile(sceneFile, m_items, video))
            m_items.push_back(TSceneItem{QStringLiteral("1: Error in the scn file"),
                                         std::make_unique<TSceneClass>(0, 0, video)});
        return;
    }

    auto scene = std::make_unique<TSceneClass>(0, frameCount, video);
    scene->Number = 1;
    scene->Caption = QStringLiteral("Unique Scene");
    scene->SubTitle = QStringLiteral("representing a video not yet analyzed");
    QString text = QStringLiteral("1: ") + scene->Caption;
    m_items.push_back(TSceneItem{std::move(text), std::move(scene)});
}

bool TSceneList::SaveScenes(const QString &videoPath)
{
    TwriteScene writer(videoPath);
    for (const TSceneItem &item : m_items)
        writer.AddScene(*item.scene);
    if (!writer.close())
        return false;
    m_modified = false;
    return true;
}

TSceneClass *TSceneList::SceneAt(qsizetype index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_items[size_t(index)].scene.get();
}

quint32 TSceneList::NextSceneStart(quint32 frame, quint32 defaultStart) const
{
    for (const TSceneItem &item : m_items)
        if (item.scene->StartFrame > frame)
            return item.scene->StartFrame;
    return defaultStart;
}

quint32 TSceneList::PreviousSceneStart(quint32 frame) const
{
    quint32 found = 0;
    for (const TSceneItem &item : m_items)
        if (item.scene->StartFrame < frame)
            found = item.scene->StartFrame;
    return found;
}
