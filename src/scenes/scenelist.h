#pragma once

// The scene list of the video shown in the main window.

#include "scenes/scenefile.h"

#include <QString>

#include <vector>

class TSceneList
{
public:
    // Replaces the list by the scenes of the video's scene file. Without a
    // scene file the list holds one scene (0, frameCount) "Unique Scene";
    // when the file cannot be read, the scenes read before the fault and the
    // item "1: Error in the scn file". Clears the modified flag.
    void LoadScenes(const QString &videoPath, quint32 frameCount, const TSceneVideo *video = nullptr);

    // Writes the whole list to the video's scene file and clears the
    // modified flag. False (flag kept) when the file could not be written.
    bool SaveScenes(const QString &videoPath);

    void ClearScenes() { m_items.clear(); }

    // Nullptr for an index outside the list.
    TSceneClass *SceneAt(qsizetype index) const;

    // StartFrame of the first scene (in list order) starting after frame, or
    // defaultStart when there is none.
    quint32 NextSceneStart(quint32 frame, quint32 defaultStart) const;
    // StartFrame of the last scene (in list order) starting before frame, or 0.
    quint32 PreviousSceneStart(quint32 frame) const;

    qsizetype count() const { return qsizetype(m_items.size()); }
    std::vector<TSceneItem> &items() { return m_items; }
    const std::vector<TSceneItem> &items() const { return m_items; }

    QString videoPath() const { return m_videoPath; }
    bool modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

private:
    QString m_videoPath;
    std::vector<TSceneItem> m_items;
    bool m_modified = false;
};
