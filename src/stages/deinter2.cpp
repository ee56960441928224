#include "stages/deinter2.h"

#include <mutex>
#include <new>
#include <vector>

namespace {

// The working masks shared by every caller, and the lock that lets one call
// at a time use them.
class TSharedMasks
{
public:
    static TSharedMasks &instance()
    {
        static TSharedMasks masks;
        return masks;
    }

    bool deinterlace(const TConstPictureRows &source, const TPictureRows &destination)
    {
        std::lock_guard guard(m_lock);
        if (!resize(source.width, source.height))
            return false;
        const TMaskRows comb{m_comb.data(), m_width, m_width, m_height};
        const TMaskRows kept{m_kept.data(), m_width, m_width, m_height};
        return DeinterlacePicture(source, destination, comb, kept);
    }

private:
    bool resize(int width, int height)
    {
        if (width <= 0 || height <= 0)
            return false;
        if (width == m_width && height == m_height)
            return true;
        const size_t bytes = size_t(width) * size_t(height);
        try {
            m_comb.assign(bytes, 0);
            m_kept.assign(bytes, 0);
        } catch (const std::bad_alloc &) {
            m_comb.clear();
            m_kept.clear();
            m_width = m_height = 0;
            return false;
        }
        m_width = width;
        m_height = height;
        return true;
    }

    std::mutex m_lock;
    std::vector<quint8> m_comb, m_kept;
    int m_width = 0, m_height = 0;
};

} // namespace

bool DeinterlacePicture2(const TConstPictureRows &source, const TPictureRows &destination)
{
    if (!source.top || !destination.top || destination.width != source.width || destination.height != source.height)
        return false;
    return TSharedMasks::instance().deinterlace(source, destination);
}

bool DeinterlacePicture2(const QImage &source, QImage &destination)
{
    const TConstPictureRows src = ConstPictureRows(source);
    if (!src.top || !MatchDestination(source, destination))
        return false;
    const TPictureRows dst = PictureRows(destination);
    return DeinterlacePicture2(&destination == &source ? TConstPictureRows(dst) : src, dst);
}
