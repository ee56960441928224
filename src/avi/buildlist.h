#pragma once

// The probe: what a video file's streams are, how long they last, and the
// datecode, timecode and aspect of its first DV frame, read by running the
// file through a small pipeline (file source, AVI splitter, the scene-detect
// stage or a null renderer, the DV splitter for interleaved streams).

#include "avi/avilayout.h"
#include "dv/datecode.h"
#include "dv/dvcodes.h"
#include "pipelines/mediatype.h"

#include <QString>

#include <memory>

struct TProbeResult
{
    bool videoFound = false;
    bool audioFound = false;
    bool interleavedFound = false;
    TVideoInfoHeader videoFormat; // of the first video stream
    TWaveFormatEx audioFormat;    // of the first audio stream
    TDvInfo dvInfo;               // of the interleaved stream
    qint64 videoDuration = 0;     // 100 ns
    qint64 audioDuration = 0;
    int streamCount = 0;          // outputs of the AVI splitter
    bool dvAccepted = false;      // a stream went through the scene-detect stage
    bool firstDatecodePresent = false;
    bool firstTimecodePresent = false;
    TDateTime firstDatecode = 0;
    TTimecodeFields firstTimecode{};
    bool first16x9 = false;
};

class TdmList
{
public:
    TdmList();
    ~TdmList();
    TdmList(const TdmList &) = delete;
    TdmList &operator=(const TdmList &) = delete;

    // Examines every stream of the file. False when the file cannot be
    // loaded or the DV splitter refuses an interleaved stream; the result
    // then holds what was collected before.
    bool Probe(const QString &fileName);
    const TProbeResult &result() const { return m_result; }

private:
    struct TComponents;
    std::unique_ptr<TComponents> m_components;
    TProbeResult m_result;
};
