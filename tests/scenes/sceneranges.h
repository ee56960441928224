#pragma once

// The (start, end) frames of the scenes of a video's scene file, for tests.

#include "scenes/scenefile.h"

#include <QString>

#include <utility>
#include <vector>

using TRanges = std::vector<std::pair<quint32, quint32>>;

inline TRanges ReadRanges(const QString &videoPath, bool *ok = nullptr)
{
    std::vector<TSceneItem> items;
    const bool read = ReadScnFile(SceneFilePath(videoPath), items);
    if (ok)
        *ok = read;
    TRanges out;
    for (const TSceneItem &item : items)
        out.emplace_back(item.scene->StartFrame, item.scene->EndFrame);
    return out;
}
