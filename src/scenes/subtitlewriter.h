#pragma once

// The SubRip subtitle file (".srt") of a video, fed with the datecode text of
// the scene-detect stage: each subtitle covers a run of frames with the same
// two lines of text.

#include "scenes/writefile.h"
#include "stages/frameinfo.h"

#include <QString>
#include <QtGlobal>

// The time of frame f at fps frames per second as "hh:mm:ss,mmm"; hours are
// not limited to two digits. "00:00:00,000" when fps is not a positive number.
QString SrtTimeText(quint32 frame, double fps);

class TWriteSrt : public TwriteFile
{
public:
    // Opens the video's subtitle file (its path with ".srt") anew. A frame
    // rate that is not a positive number leaves the writer failed without
    // touching the file.
    TWriteSrt(const QString &videoPath, double framesPerSecond);

    // Ends the pending subtitle at frame and writes it; starts a new one when
    // line1 or line2 is not empty (an empty line is shown as one space).
    void AddSubtitle(quint32 frame, const QString &line1, const QString &line2);

    // Callbacks for the scene-detect stage; they refer to this writer, which
    // must outlive the run. The end callback closes the file; a pending
    // subtitle is dropped.
    TTextCallback textCallback();
    TEndCallback endCallback();

    qint32 subtitleCount() const { return m_counter; }

private:
    double m_fps = 0;
    qint32 m_counter = 0;
    bool m_pending = false;
    quint32 m_pendingStart = 0;
    QString m_pendingLine1;
    QString m_pendingLine2;
};
