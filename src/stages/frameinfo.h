#pragma once

// The scene-detect stage's record of one DV frame, and the callbacks through
// which the stage reports scenes, the end of a run and the datecode text.

#include "dv/datecode.h"
#include "dv/dvcodes.h"

#include <QString>

#include <functional>

struct TFrameInfo
{
    quint32 frameIndex = 0;     // DV frames the stage accepted before this one in the run
    bool datecodePresent = false;
    bool timecodePresent = false;
    bool formatPresent = false; // both an AAUX source and a VAUX source control pack were found
    TDateTime datecode = 0;     // 0 when not present
    TTimecodeFields timecode{}; // kept from the previous frame when not found
    bool is16x9 = false;
    bool is525_60 = false;      // kept from the previous frame when the header says neither
    qint32 sampleRate = 0;      // kept when not found
    qint32 sampleBits = 0;
    qint32 channels = 0;
};

// A finished scene: the record of its first frame and of the first frame after it.
using TSceneCallback = std::function<void(const TFrameInfo &start, const TFrameInfo &next)>;
// Called once when the pipeline stops.
using TEndCallback = std::function<void()>;
// The two datecode text lines of the current frame, whenever they change or are to disappear (empty lines).
using TTextCallback = std::function<void(const TFrameInfo &frame, const QString &line1, const QString &line2)>;
