#pragma once

// Tdv_DVheader: an in-place stage that rewrites the DV frames going to an
// output file. It puts back the head blocks (header, subcode and VAUX) that
// the scene-detect stage upstream saved from the source frame, shifts the
// datecode by a time difference, overwrites it with a running date-time and
// sets the 4:3 / 16:9 display flag. A sample that is not a whole DV frame
// passes untouched.
//
// The heads restored into a frame are those of its own source frame, which
// the sample carries from the scene-detect stage (TMediaSample::frameData)
// through the decoder, the picture stages and the encoder, however many
// frames the chain holds in between. A frame whose sample carries none
// keeps its own heads.
//
// Threads: Transform() runs on the streaming thread. The settings are set
// before the pipeline runs.

#include "dv/datecode.h"
#include "dv/dvframedata.h"
#include "pipelines/stagebase.h"

class Tdv_DVheader final : public TBCTransInPlaceFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel cf_DVHeader";
    static constexpr const char16_t *ClassId = u"{60FF9D56-EC15-4F17-A2AB-9DA99CD9D0DC}";

    Tdv_DVheader();

    // Settings. Each keeps its value until it is set again; resetSettings()
    // returns them to their initial values.
    bool restoreHeads = true; // copy the source frame's head blocks (the sample's frame data) into each frame
    bool setAspect = false;   // rewrite the display flag ...
    bool aspect16x9 = false;  // ... to 16:9 (true) or 4:3 (false)
    bool overwrite = false;   // write the running datecode into each frame

    // Added to every frame's datecode when not 0 (days).
    void setTimeShift(TDateTime shift) { m_timeShift = shift; }
    TDateTime timeShift() const { return m_timeShift; }
    // The datecode written into the next frame when overwriting; it advances
    // by one frame duration per frame and keeps its value after a run.
    void setRunningDatecode(TDateTime value);
    TDateTime runningDatecode() const;

    // Restore heads on, time shift 0, set aspect off, overwrite off.
    void resetSettings();

    // Frame durations as date-time differences.
    static constexpr TDateTime FrameDuration625 = 1.0 / 25.0 / 86400.0;
    static constexpr TDateTime FrameDuration525 = 1001.0 / 30000.0 / 86400.0;

    // The per-frame work on one sample's bytes: what Transform() does, for
    // callers and benchmarks that hold a frame without a pipeline. heads is
    // the source frame's head blocks to restore, or null.
    void processFrame(quint8 *frame, qint64 length, const TDvHeadBlocks *heads);

    // Copies heads over the head blocks of every sequence of frame (sequences
    // beyond those saved receive sequence 0's) and marks each header with
    // the frame's system. The 3-byte ID of every block stays the frame's own.
    static void RestoreHeads(quint8 *frame, int sequences, const TDvHeadBlocks &heads);

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TResult Transform(TMediaSample &sample) override;

private:
    TDateTime m_timeShift = 0;
    // The running datecode is its start plus the frames written since, so
    // that long runs gather no rounding error.
    TDateTime m_runningStart = 0;
    qint64 m_frames625 = 0;
    qint64 m_frames525 = 0;
};
