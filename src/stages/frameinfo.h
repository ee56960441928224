#pragma once

// The callbacks through which the scene-detect stage reports scenes, the end
// of a run and the datecode text; each gets the frame records (TFrameInfo)
// of the frames concerned.

#include "dv/dvframedata.h"

#include <QString>

#include <functional>

// A finished scene: the record of its first frame and of the first frame after it.
using TSceneCallback = std::function<void(const TFrameInfo &start, const TFrameInfo &next)>;
// Called once when the pipeline stops.
using TEndCallback = std::function<void()>;
// The two datecode text lines of the current frame, whenever they change or are to disappear (empty lines).
using TTextCallback = std::function<void(const TFrameInfo &frame, const QString &line1, const QString &line2)>;
