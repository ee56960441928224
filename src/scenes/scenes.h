#pragma once

// The scene record and the text forms of a scene's start, end and duration.

#include "dv/datecode.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

// What a scene record needs to know of the video it belongs to.
struct TSceneVideo
{
    double framesPerSecond = 0;
    int width = 0;         // pixels
    int displayHeight = 0; // height of the picture at its display aspect
    int formatDuree = 0;   // setting FormatDuree: 0, 1 or 2 (see FormatSceneDuration)
};

// A run of frames of a video, StartFrame up to EndFrame - 1, with its texts.
class TSceneClass
{
public:
    // Number 0, empty texts, no thumbnail offset, details not loaded. With a
    // video, DurationText is computed at once and Thumbnail gets the size
    // ThumbnailSize gives for it; without, DurationText stays empty and
    // Thumbnail is a null picture.
    TSceneClass(quint32 startFrame, quint32 endFrame, const TSceneVideo *video = nullptr);

    // "Scene " + Number + ": " + Caption.
    QString ListText() const;

    quint32 StartFrame = 0;
    quint32 EndFrame = 0; // first frame after the scene
    qint32 Number = 0;    // 1-based position in its list, 0 until set
    QString Caption;
    QString SubTitle;
    quint32 ThumbnailOffset = 0; // frames from StartFrame to the thumbnail picture
    QImage Thumbnail;            // 24 bits per pixel

    // Filled when the details are loaded from the playback pipeline.
    bool DetailsLoaded = false;
    TDateTime Datecode = 0;
    QString DatecodeText;
    QString TimecodeText;
    QString StartText;
    QString EndText;
    QString DurationText;
};

// The largest size with the ratio width : displayHeight that fits in 320 x 240;
// 320 x 240 when either is not positive.
QSize ThumbnailSize(int width, int displayHeight);

// Frame f at fps frames per second as "h:mm:ss:ff"; hours are not limited.
// "??" when fps is not a positive number.
QString FormatRunningTime(quint32 frame, double fps);

// A duration of frames at fps frames per second in the form chosen by the
// setting FormatDuree: 0 "h:mm:ss.ff", 1 "h:mm:ss:ff", 2 "hh mmmn sss fffr",
// leading zero units left out. "??" when fps is not a positive number.
QString FormatSceneDuration(quint32 frames, double fps, int formatDuree);
