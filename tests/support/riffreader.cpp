#include "support/riffreader.h"

namespace riff {

namespace {

// The code of a path step, space-padded to four characters.
TFourcc StepCode(const QString &step)
{
    const QByteArray text = step.toLatin1().leftJustified(4, ' ', true);
    return le::u32(reinterpret_cast<const quint8 *>(text.constData()));
}

bool IsList(TFourcc id)
{
    return id == fcc::RIFF || id == fcc::LIST;
}

} // namespace

std::vector<TFoundChunk> Children(const TByteSource &file, qint64 begin, qint64 end)
{
    std::vector<TFoundChunk> out;
    qint64 pos = begin;
    while (pos + 8 <= end) {
        quint8 h[12] = {};
        if (file.readAt(pos, h, 12) < 8)
            break;
        TFoundChunk c{pos + 8, le::u32(h + 4), le::u32(h), 0};
        if (IsList(c.id))
            c.type = le::u32(h + 8);
        out.push_back(c);
        pos = pos + 8 + c.size + (c.size & 1);
    }
    return out;
}

std::optional<TFoundChunk> Find(const TByteSource &file, const QStringList &path)
{
    qint64 begin = 0;
    qint64 end = file.size();
    std::optional<TFoundChunk> found;
    for (const QString &step : path) {
        const TFourcc want = StepCode(step);
        found.reset();
        for (const TFoundChunk &c : Children(file, begin, end)) {
            if (c.id == want || (IsList(c.id) && c.type == want)) {
                found = c;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        begin = found->data + (IsList(found->id) ? 4 : 0);
        end = found->data + found->size;
    }
    return found;
}

QByteArray ReadBack(const TByteSource &src, qint64 offset, quint32 size)
{
    QByteArray data(qsizetype(size), '\0');
    if (src.readAt(offset, data.data(), size) != qint64(size))
        return {};
    return data;
}

} // namespace riff
