#pragma once

// TDV_MediaStamper: an in-place stage that lets every sample through
// untouched and remembers the media times of the last one. A stage further
// down the same pipeline, behind a decoder that keeps media times, reads the
// media start to learn the frame number of the picture it is looking at.
//
// Threads: Transform() writes the times on the streaming thread; readers
// may take them from any thread.

#include "pipelines/stagebase.h"

#include <atomic>

class TDV_MediaStamper final : public TBCTransInPlaceFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel DV_Mediastamper";
    static constexpr const char16_t *ClassId = u"{775357D7-A918-4C06-875C-B60697623D34}";

    TDV_MediaStamper();

    // Media times of the last sample that carried them (0 before any).
    qint64 mediaStart() const { return m_mediaStart.load(std::memory_order_relaxed); }
    qint64 mediaStop() const { return m_mediaStop.load(std::memory_order_relaxed); }
    // The frame number of the last sample: the low 32 bits of its media start.
    quint32 frameIndex() const { return quint32(quint64(mediaStart()) & 0xFFFFFFFFu); }
    // The frame index of a sample further down the pipeline (a picture
    // decoded from a stamped frame keeps its media times). A decoder on
    // another thread may hold frames back, so the picture's own media start
    // names its frame; the last recorded index stands in when it has none.
    quint32 frameIndexOf(const TMediaSample &downstream) const
    {
        return downstream.mediaStart >= 0 ? quint32(quint64(downstream.mediaStart) & 0xFFFFFFFFu) : frameIndex();
    }

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TResult Transform(TMediaSample &sample) override;

private:
    std::atomic<qint64> m_mediaStart{0};
    std::atomic<qint64> m_mediaStop{0};
};
