#pragma once

// TSceneDetectContenu: an in-place stage on decoded 24-bit RGB pictures that
// finds scene cuts from the picture content (TContentCutDetector) and
// reports each cut by the frame index of the picture. It changes nothing in
// the pictures.
//
// Cuts are reported through the cut callback: a call with frame index k means
// that a new scene starts at frame k. When the pipeline stops, after a run in
// which at least one picture passed, the cut callback is called once more
// with the index one past the last picture seen (the end of the last scene),
// then the end callback.
//
// Threads: Transform() and its cut callbacks run on the streaming thread;
// stopStreaming() and the calls it makes run on the thread that stops the
// pipeline. Callbacks and the frame index source are set before a run.

#include "pipelines/stagebase.h"
#include "stages/contentcutdetector.h"
#include "stages/frameinfo.h"

#include <functional>

// A cut: the frame index at which a new scene starts.
using TCutCallback = std::function<void(quint32 frameIndex)>;
// The frame index of the picture being looked at (the media stamper upstream
// names the frame a picture was decoded from).
using TFrameIndexSource = std::function<qint64(const TMediaSample &picture)>;

class TSceneDetectContenu final : public TBCTransInPlaceFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel SceneContenuDetecter";
    static constexpr const char16_t *ClassId = u"{0172F519-B1AC-4EDB-8BAA-98A8CBEA8270}";

    TSceneDetectContenu();

    void setCutCallback(TCutCallback callback) { m_cutCallback = std::move(callback); }
    void setEndCallback(TEndCallback callback) { m_endCallback = std::move(callback); }
    void clearCallbacks();

    // Where frame indexes come from. Without a source the stage takes each
    // picture's own media start, which the decoder and the colour converter
    // carry over from the DV frame it was decoded from.
    //
    // Media stamper plug: the pipeline builder hands the stamper upstream of
    // the decoder over here, e.g.
    //     contenu.setFrameIndexSource([&stamper](const TMediaSample &p) { return stamper.frameIndexOf(p); });
    // A source that returns a negative value counts as no index for that picture.
    void setFrameIndexSource(TFrameIndexSource source) { m_indexSource = std::move(source); }

    void startStreaming() override;
    void stopStreaming() override;

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TResult Transform(TMediaSample &sample) override;

private:
    quint32 frameIndexOf(const TMediaSample &sample) const;

    TContentCutDetector m_detector;
    TCutCallback m_cutCallback;
    TEndCallback m_endCallback;
    TFrameIndexSource m_indexSource;
    bool m_pictureSeen = false; // a picture passed in this run
    quint32 m_lastIndex = 0;    // frame index of the last picture that passed
};
