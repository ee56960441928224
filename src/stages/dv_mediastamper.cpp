#include "stages/dv_mediastamper.h"

TDV_MediaStamper::TDV_MediaStamper() : TBCTransInPlaceFilter(QString::fromUtf16(DisplayName), false)
{
}

TResult TDV_MediaStamper::CheckInputType(const TMediaType &)
{
    return TResult::Ok;
}

TResult TDV_MediaStamper::Transform(TMediaSample &sample)
{
    // A sample without media times leaves the last ones in place.
    if (sample.mediaStart >= 0) {
        m_mediaStart.store(sample.mediaStart, std::memory_order_relaxed);
        m_mediaStop.store(sample.mediaStop, std::memory_order_relaxed);
    }
    return TResult::Ok;
}
