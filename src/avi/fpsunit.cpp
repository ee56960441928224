#include "avi/fpsunit.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lists nested deeper than this are skipped whole; real files nest four deep.
constexpr int kMaxDepth = 32;

// The header walk of LocateVideoHeader.
class TVideoHeaderWalk
{
public:
    TVideoHeaderWalk(const TByteSource &source, const TKeepResponsive &keepResponsive)
        : m_source(source), m_keepResponsive(keepResponsive), m_fileSize(source.size())
    {
    }

    TVideoHeaderPositions run()
    {
        qint64 pos = 0;
        while (pos < m_fileSize && !m_endOfData) {
            respond();
            const qint64 used = walkChunk(pos, m_fileSize - pos, 0);
            if (used <= 0)
                break;
            pos += used;
        }
        return m_positions;
    }

private:
    void respond()
    {
        if (m_keepResponsive)
            m_keepResponsive();
    }

    bool read(qint64 pos, void *buffer, qint64 n)
    {
        if (m_source.readExact(pos, buffer, n))
            return true;
        m_endOfData = true;
        return false;
    }

    // Walks the chunk at pos, which must fit in room bytes. Returns the bytes it
    // occupies (header, data and pad byte), 0 to stop the walk of its parent.
    qint64 walkChunk(qint64 pos, qint64 room, int depth)
    {
        quint8 head[8];
        if (!read(pos, head, 8))
            return 0;
        const TFourcc id = le::u32(head);
        if (depth == 0 && id != fcc::RIFF)
            return 0;
        const qint64 data = pos + 8;
        // Data bytes really present (a chunk is cut at the end of the file).
        const qint64 size = std::min<qint64>(le::u32(head + 4), m_fileSize - data);
        if (8 + size > room)
            return 0;
        // With its pad byte, unless the pad is missing at the end of the container.
        const qint64 used = std::min(8 + size + (size & 1), room);

        if (id == fcc::RIFF || id == fcc::LIST) {
            walkList(data, size, depth);
        } else if (id == fcc::strh) {
            walkStreamHeader(data, size);
        } else if (id == fcc::strf && m_lastStreamType == fcc::vids) {
            // The codec code of a BITMAPINFOHEADER, at offset 16.
            if (size >= 20)
                m_positions.compression = data + 16;
        }
        return used;
    }

    void walkList(qint64 data, qint64 size, int depth)
    {
        quint8 raw[4];
        if (size < 4 || depth >= kMaxDepth || !read(data, raw, 4))
            return;
        if (le::u32(raw) == fcc::movi)
            return;
        qint64 pos = data + 4;
        qint64 left = size - 4;
        while (left > 7 && !m_endOfData) {
            respond();
            const qint64 used = walkChunk(pos, left, depth + 1);
            if (used <= 0)
                break;
            pos += used;
            left -= used;
        }
    }

    void walkStreamHeader(qint64 data, qint64 size)
    {
        quint8 type[4] = {};
        if (size < 4 || !read(data, type, 4))
            return;
        m_lastStreamType = le::u32(type);
        if (m_lastStreamType != fcc::vids && m_lastStreamType != fcc::iavs)
            return;
        // A later video stream replaces every position of an earlier one.
        m_positions = {};
        if (size >= 8)
            m_positions.handler = data + 4;
        if (size >= 28)
            m_positions.scale = data + 20;
    }

    const TByteSource &m_source;
    const TKeepResponsive &m_keepResponsive;
    const qint64 m_fileSize;
    bool m_endOfData = false;
    TFourcc m_lastStreamType = 0;
    TVideoHeaderPositions m_positions;
};

// Gives the owner write permission to a file for the lifetime of the object
// when it lacks it, and puts the previous permissions back afterwards.
class TOwnerWriteGrant
{
public:
    explicit TOwnerWriteGrant(const QByteArray &path) : m_path(path)
    {
        struct stat st {};
        if (::stat(m_path.constData(), &st) != 0 || (st.st_mode & S_IWUSR))
            return;
        m_mode = st.st_mode & 07777;
        m_changed = ::chmod(m_path.constData(), m_mode | S_IWUSR) == 0;
    }
    ~TOwnerWriteGrant()
    {
        if (m_changed)
            ::chmod(m_path.constData(), m_mode);
    }
    TOwnerWriteGrant(const TOwnerWriteGrant &) = delete;
    TOwnerWriteGrant &operator=(const TOwnerWriteGrant &) = delete;

private:
    QByteArray m_path;
    mode_t m_mode = 0;
    bool m_changed = false;
};

struct TPatch
{
    qint64 pos;
    QByteArray bytes;
};

// Writes each patch at its position, without truncating or growing the file.
bool WritePatches(const QString &fileName, const QList<TPatch> &patches)
{
    const QByteArray path = QFile::encodeName(fileName);
    const TOwnerWriteGrant grant(path);
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    for (const TPatch &patch : patches) {
        qint64 done = 0;
        while (ok && done < patch.bytes.size()) {
            const ssize_t n = ::pwrite(fd, patch.bytes.constData() + done, size_t(patch.bytes.size() - done),
                                       off_t(patch.pos + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                ok = false;
            else
                done += n;
        }
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

QByteArray Le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    le::put32(reinterpret_cast<quint8 *>(bytes.data()), value);
    return bytes;
}

} // namespace

TVideoHeaderPositions LocateVideoHeader(const TByteSource &source, const TKeepResponsive &keepResponsive)
{
    return TVideoHeaderWalk(source, keepResponsive).run();
}

TVideoHeaderPositions LocateVideoHeader(const QString &fileName, const TKeepResponsive &keepResponsive)
{
    TFileSource file;
    if (!file.open(fileName))
        return {};
    return LocateVideoHeader(file, keepResponsive);
}

std::optional<TFourcc> ReadCodec(const QString &fileName, const TKeepResponsive &keepResponsive)
{
    const TVideoHeaderPositions positions = LocateVideoHeader(fileName, keepResponsive);
    if (positions.handler < 0)
        return std::nullopt;
    TFileSource file;
    quint8 raw[4];
    if (!file.open(fileName) || !file.readExact(positions.handler, raw, 4))
        return std::nullopt;
    return le::u32(raw);
}

bool WriteCodec(const QString &fileName, TFourcc code, const TKeepResponsive &keepResponsive)
{
    const TVideoHeaderPositions positions = LocateVideoHeader(fileName, keepResponsive);
    QList<TPatch> patches;
    if (positions.handler >= 0)
        patches.append({positions.handler, Le32(code)});
    if (positions.compression >= 0)
        patches.append({positions.compression, Le32(code)});
    return !patches.isEmpty() && WritePatches(fileName, patches);
}

bool WriteFrameRate(const QString &fileName, double fps, const TKeepResponsive &keepResponsive)
{
    constexpr double kRate = 1000000.0;
    if (!(fps > 0) || !std::isfinite(fps))
        return false;
    const double scale = std::round(kRate / fps);
    if (!(scale >= 1 && scale <= 4294967295.0))
        return false;
    const TVideoHeaderPositions positions = LocateVideoHeader(fileName, keepResponsive);
    if (positions.scale < 0)
        return false;
    return WritePatches(fileName, {{positions.scale, Le32(quint32(scale)) + Le32(quint32(kRate))}});
}

TFourcc CodeFromText(const QString &text)
{
    const QByteArray latin = text.left(4).toLatin1();
    TFourcc code = 0;
    for (qsizetype i = 0; i < latin.size(); ++i)
        code |= quint32(quint8(latin[i])) << (8 * i);
    return code;
}

QString PadCodecText(const QString &text)
{
    return text.leftJustified(4, QLatin1Char(' '), true);
}
