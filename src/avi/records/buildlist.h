#pragma once

// The probe: what a video file's streams are, how long they last, and the
// datecode, timecode and aspect of its first DV frame.
//
// A file with a stream of DV frames is read directly: its sample index, the
// types the AVI and DV splitters give its streams, and the head blocks of
// its first frames. Any other file runs through a small pipeline (file
// source, AVI splitter, the scene-detect stage or a null renderer, the DV
// splitter for interleaved streams). Both give the same result for the same
// file. Each probe owns what it uses: probes of different files may run at
// the same time on different threads.

#include "avi/avilayout.h"
#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
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

    friend bool operator==(const TProbeResult &, const TProbeResult &) = default;
};

// Probes a file the faster of the two ways that apply to it. False when the
// file cannot be loaded or the DV splitter refuses an interleaved stream;
// the result then holds what was collected before.
bool ProbeFile(const QString &fileName, TProbeResult &result);

// The probe of an indexed file with a stream of DV frames, without a
// pipeline; false (result untouched) when the file has no such stream.
bool ProbeDvFile(const TByteSource &source, const TAviSampleIndex &index, TProbeResult &result);

// The probe pipeline.
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
