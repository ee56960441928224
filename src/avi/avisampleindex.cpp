#include "avi/avisampleindex.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr int kMaxStreams = 100; // two decimal digits in the chunk IDs
constexpr qint64 kMaxFormatSize = qint64(1) << 20;
constexpr qint64 kReadBlock = qint64(64) << 10;
constexpr int kSpotChecks = 32;
constexpr quint32 AVIIF_LIST = 0x1;
constexpr quint32 AVIIF_KEYFRAME = 0x10;
constexpr quint32 kNotKeyframe = 0x80000000u;

struct TChunkHead
{
    TFourcc id = 0;
    quint32 size = 0;
};

bool ReadHead(const TByteSource &src, qint64 pos, TChunkHead &head)
{
    quint8 b[8];
    if (!src.readExact(pos, b, 8))
        return false;
    head.id = le::u32(b);
    head.size = le::u32(b + 4);
    return true;
}

quint8 Char(TFourcc id, int i)
{
    return quint8(id >> (8 * i));
}

bool IsDigit(quint8 c) { return c >= '0' && c <= '9'; }
bool IsLetter(quint8 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Stream number of a chunk ID "NNxx", -1 when it does not start with two digits.
int StreamNumber(TFourcc id)
{
    if (!IsDigit(Char(id, 0)) || !IsDigit(Char(id, 1)))
        return -1;
    return (Char(id, 0) - '0') * 10 + (Char(id, 1) - '0');
}

// A chunk carrying a sample of one of the streams: "NN" and two letters,
// except the palette changes "NNpc" and the standard indexes "NNix".
int SampleStream(TFourcc id, int streamCount)
{
    const int n = StreamNumber(id);
    if (n < 0 || n >= streamCount || !IsLetter(Char(id, 2)) || !IsLetter(Char(id, 3)))
        return -1;
    const quint8 a = Char(id, 2) | 0x20, b = Char(id, 3) | 0x20;
    if ((a == 'p' && b == 'c') || (a == 'i' && b == 'x'))
        return -1;
    return n;
}

bool IsPrintable(TFourcc id)
{
    for (int i = 0; i < 4; ++i)
        if (Char(id, i) < 0x20 || Char(id, i) > 0x7E)
            return false;
    return true;
}

qint64 Padded(qint64 end, quint32 size)
{
    return end + (size & 1);
}

// A movi list's content: from after the 'movi' fourcc to the end of the list.
struct TRange
{
    qint64 begin;
    qint64 end;
    bool cut; // the list runs past the end of the file
};

struct TStreamHead
{
    TAviIndexedStream info;
    qint64 indxPos = -1; // data of the indx chunk
    qint64 indxSize = 0;
};

using TSampleLists = std::vector<std::vector<TAviSample>>;

enum class TVerdict { Absent, Damaged, Good };

// Gathers the entries of an index, refusing any that lie outside the file,
// overlap the previous sample of their stream or exceed what the file can hold.
class TCollector
{
public:
    TCollector(int streams, qint64 fileSize)
        : m_lists(size_t(streams)), m_lastEnd(size_t(streams), 0), m_fileSize(fileSize), m_budget(fileSize / 8)
    {
    }

    bool add(int stream, qint64 offset, quint32 size, bool keyframe)
    {
        if (offset < 8 || qint64(size) > m_fileSize || offset > m_fileSize - qint64(size))
            return false;
        if (offset - 8 < m_lastEnd[size_t(stream)] || --m_budget < 0)
            return false;
        m_lists[size_t(stream)].push_back({offset, size, keyframe});
        m_lastEnd[size_t(stream)] = offset + size;
        return true;
    }

    TSampleLists take() { return std::move(m_lists); }

private:
    TSampleLists m_lists;
    std::vector<qint64> m_lastEnd;
    qint64 m_fileSize;
    qint64 m_budget;
};

class TWalker
{
public:
    explicit TWalker(const TByteSource &src) : m_src(src), m_fileSize(std::max<qint64>(src.size(), 0)) {}

    bool walk();
    TVerdict fromOpenDml(TSampleLists &out) const;
    TVerdict fromIdx1(TSampleLists &out) const;
    TSampleLists scan();

    std::vector<TStreamHead> streams;
    bool truncated = false;
    bool damagedData = false;
    bool cutSample = false;

private:
    void walkPart(qint64 pos, qint64 end, bool first);
    void walkHeaderList(qint64 pos, qint64 end);
    void walkStreamList(qint64 pos, qint64 end);
    bool readStdIndex(quint64 pos, int stream, TCollector &c) const;
    bool readChunkEntries(const TAviIndexHeader &head, qint64 pos, qint64 avail, int stream, TCollector &c) const;
    bool verify(const TSampleLists &lists) const;
    bool tailHasSamples(qint64 pos, qint64 end) const;
    void scanRange(const TRange &r, TSampleLists &lists);
    qint64 resync(qint64 from, qint64 end) const;
    int streamCount() const { return int(streams.size()); }

    const TByteSource &m_src;
    const qint64 m_fileSize;
    std::vector<TRange> m_movis;
    qint64 m_firstMoviFourcc = -1;
    qint64 m_idx1Pos = -1;
    qint64 m_idx1Size = 0;
    bool m_hdrlSeen = false;
};

bool TWalker::walk()
{
    qint64 pos = 0;
    bool first = true;
    while (pos + 12 <= m_fileSize) {
        quint8 b[12];
        if (!m_src.readExact(pos, b, 12))
            break;
        const TFourcc id = le::u32(b);
        const quint32 size = le::u32(b + 4);
        const TFourcc form = le::u32(b + 8);
        if (id != fcc::RIFF || form != (first ? fcc::AVI_ : fcc::AVIX))
            break;
        // A zero size is left by a writer that never finished: the part runs to the end.
        qint64 end = size == 0 ? m_fileSize : pos + 8 + qint64(size);
        if (end > m_fileSize) {
            truncated = true;
            end = m_fileSize;
        }
        walkPart(pos + 12, end, first);
        first = false;
        pos = Padded(end, size);
    }
    return !first;
}

void TWalker::walkPart(qint64 pos, qint64 end, bool first)
{
    while (pos + 8 <= end) {
        TChunkHead h;
        if (!ReadHead(m_src, pos, h))
            break;
        const qint64 data = pos + 8;
        const qint64 chunkEnd = data + qint64(h.size);
        const bool beyond = chunkEnd > end;
        if (h.id == fcc::LIST && data + 4 <= end) {
            quint8 t[4];
            if (!m_src.readExact(data, t, 4))
                break;
            const TFourcc type = le::u32(t);
            if (type == fcc::movi) {
                const bool open = h.size == 0 || beyond;
                if (chunkEnd > m_fileSize)
                    truncated = true;
                // A list that runs to the end of the file may end inside a sample.
                m_movis.push_back({data + 4, open ? end : chunkEnd, open && end == m_fileSize});
                if (first && m_firstMoviFourcc < 0)
                    m_firstMoviFourcc = data;
                if (open)
                    break;
            } else if (type == fcc::hdrl && first && !m_hdrlSeen) {
                m_hdrlSeen = true;
                walkHeaderList(data + 4, std::min(chunkEnd, end));
            }
        } else if (h.id == fcc::idx1 && first && m_idx1Pos < 0) {
            m_idx1Pos = data;
            m_idx1Size = std::min(qint64(h.size), end - data);
        }
        if (beyond)
            break;
        pos = Padded(chunkEnd, h.size);
    }
}

void TWalker::walkHeaderList(qint64 pos, qint64 end)
{
    while (pos + 8 <= end) {
        TChunkHead h;
        if (!ReadHead(m_src, pos, h))
            break;
        const qint64 data = pos + 8;
        const qint64 chunkEnd = data + qint64(h.size);
        if (h.id == fcc::LIST && data + 4 <= end && streamCount() < kMaxStreams) {
            quint8 t[4];
            if (m_src.readExact(data, t, 4) && le::u32(t) == fcc::strl)
                walkStreamList(data + 4, std::min(chunkEnd, end));
        }
        if (chunkEnd > end)
            break;
        pos = Padded(chunkEnd, h.size);
    }
}

void TWalker::walkStreamList(qint64 pos, qint64 end)
{
    TStreamHead s;
    bool haveStrh = false, haveStrf = false;
    while (pos + 8 <= end) {
        TChunkHead h;
        if (!ReadHead(m_src, pos, h))
            break;
        const qint64 data = pos + 8;
        const qint64 avail = std::min(qint64(h.size), end - data);
        if (h.id == fcc::strh && !haveStrh) {
            haveStrh = true;
            std::array<quint8, TAviStreamHeader::kSize> raw{};
            const qint64 got = m_src.readAt(data, raw.data(), std::min<qint64>(avail, TAviStreamHeader::kSize));
            if (got > 0) {
                s.info.header = TAviStreamHeader::read(raw.data());
                s.info.type = s.info.header.fccType;
                s.info.handler = s.info.header.fccHandler;
            }
        } else if (h.id == fcc::strf && !haveStrf) {
            haveStrf = true;
            QByteArray format(qsizetype(std::min(avail, kMaxFormatSize)), '\0');
            const qint64 got = m_src.readAt(data, format.data(), format.size());
            format.truncate(qsizetype(std::max<qint64>(got, 0)));
            s.info.format = format;
        } else if (h.id == fcc::indx && s.indxPos < 0) {
            s.indxPos = data;
            s.indxSize = avail;
        }
        if (data + qint64(h.size) > end)
            break;
        pos = Padded(data + qint64(h.size), h.size);
    }
    streams.push_back(std::move(s));
}

TVerdict TWalker::fromOpenDml(TSampleLists &out) const
{
    const bool any = std::any_of(streams.begin(), streams.end(), [](const TStreamHead &s) { return s.indxPos >= 0; });
    if (!any)
        return TVerdict::Absent;

    TCollector c(streamCount(), m_fileSize);
    for (int n = 0; n < streamCount(); ++n) {
        const TStreamHead &s = streams[size_t(n)];
        if (s.indxPos < 0 || s.indxSize < TAviIndexHeader::kSize)
            return TVerdict::Damaged;
        quint8 raw[TAviIndexHeader::kSize];
        if (!m_src.readExact(s.indxPos, raw, sizeof raw))
            return TVerdict::Damaged;
        const TAviIndexHeader head = TAviIndexHeader::read(raw);
        const qint64 entriesPos = s.indxPos + TAviIndexHeader::kSize;
        const qint64 avail = s.indxSize - TAviIndexHeader::kSize;
        if (head.indexType == AVI_INDEX_OF_CHUNKS) {
            if (!readChunkEntries(head, entriesPos, avail, n, c))
                return TVerdict::Damaged;
            continue;
        }
        if (head.indexType != AVI_INDEX_OF_INDEXES || head.longsPerEntry != 4 || head.entriesInUse > avail / 16)
            return TVerdict::Damaged;
        for (quint32 i = 0; i < head.entriesInUse; ++i) {
            quint8 e[16];
            if (!m_src.readExact(entriesPos + 16 * qint64(i), e, 16) || !readStdIndex(le::u64(e), n, c))
                return TVerdict::Damaged;
        }
    }
    out = c.take();
    return verify(out) ? TVerdict::Good : TVerdict::Damaged;
}

bool TWalker::readStdIndex(quint64 pos, int stream, TCollector &c) const
{
    constexpr qint64 kHead = 8 + TAviIndexHeader::kSize;
    if (m_fileSize < kHead || pos > quint64(m_fileSize - kHead))
        return false;
    quint8 raw[kHead];
    if (!m_src.readExact(qint64(pos), raw, kHead))
        return false;
    const TFourcc id = le::u32(raw);
    const quint32 size = le::u32(raw + 4);
    const bool ixId = (Char(id, 0) == 'i' && Char(id, 1) == 'x') || (Char(id, 2) == 'i' && Char(id, 3) == 'x');
    if (!ixId || size < TAviIndexHeader::kSize || qint64(size) > m_fileSize - qint64(pos) - 8)
        return false;
    const TAviIndexHeader head = TAviIndexHeader::read(raw + 8);
    if (head.indexType != AVI_INDEX_OF_CHUNKS)
        return false;
    return readChunkEntries(head, qint64(pos) + kHead, qint64(size) - TAviIndexHeader::kSize, stream, c);
}

bool TWalker::readChunkEntries(const TAviIndexHeader &head, qint64 pos, qint64 avail, int stream, TCollector &c) const
{
    // Frame indexes have two longs per entry (offset, size); field indexes a third.
    if (head.longsPerEntry < 2)
        return false;
    const qint64 stride = 4 * qint64(head.longsPerEntry);
    if (qint64(head.entriesInUse) > avail / stride || head.baseOffset > quint64(m_fileSize))
        return false;
    const qint64 base = qint64(head.baseOffset);
    const qint64 perBlock = std::max<qint64>(1, kReadBlock / stride);
    QByteArray block;
    for (qint64 done = 0; done < qint64(head.entriesInUse);) {
        const qint64 n = std::min(perBlock, qint64(head.entriesInUse) - done);
        block.resize(qsizetype(n * stride));
        if (!m_src.readExact(pos + done * stride, block.data(), block.size()))
            return false;
        const auto *p = reinterpret_cast<const quint8 *>(block.constData());
        for (qint64 i = 0; i < n; ++i, p += stride) {
            const quint32 size = le::u32(p + 4);
            if (!c.add(stream, base + le::u32(p), size & ~kNotKeyframe, !(size & kNotKeyframe)))
                return false;
        }
        done += n;
    }
    return true;
}

TVerdict TWalker::fromIdx1(TSampleLists &out) const
{
    if (m_idx1Pos < 0)
        return TVerdict::Absent;
    if (m_firstMoviFourcc < 0)
        return TVerdict::Damaged;

    TCollector c(streamCount(), m_fileSize);
    const qint64 count = m_idx1Size / 16;
    qint64 base = -1;
    QByteArray block;
    for (qint64 done = 0; done < count;) {
        const qint64 n = std::min(kReadBlock / 16, count - done);
        block.resize(qsizetype(n * 16));
        if (!m_src.readExact(m_idx1Pos + done * 16, block.data(), block.size()))
            return TVerdict::Damaged;
        const auto *p = reinterpret_cast<const quint8 *>(block.constData());
        for (qint64 i = 0; i < n; ++i, p += 16) {
            const TFourcc id = le::u32(p);
            const quint32 flags = le::u32(p + 4);
            const qint64 offset = le::u32(p + 8);
            const quint32 size = le::u32(p + 12);
            const int stream = SampleStream(id, streamCount());
            if (stream < 0 || (flags & AVIIF_LIST))
                continue;
            if (base < 0) {
                // Offsets count from the 'movi' fourcc or from the start of the
                // file; the chunk header at the first entry tells which.
                for (const qint64 candidate : {m_firstMoviFourcc, qint64(0)}) {
                    TChunkHead h;
                    if (ReadHead(m_src, candidate + offset, h) && h.id == id && h.size == size) {
                        base = candidate;
                        break;
                    }
                }
                if (base < 0)
                    return TVerdict::Damaged;
            }
            if (!c.add(stream, base + offset + 8, size, flags & AVIIF_KEYFRAME))
                return TVerdict::Damaged;
        }
        done += n;
    }
    out = c.take();
    return verify(out) ? TVerdict::Good : TVerdict::Damaged;
}

bool TWalker::verify(const TSampleLists &lists) const
{
    // Every sample inside a movi list; note where the indexed samples of each list end.
    std::vector<qint64> lastEnd(m_movis.size(), -1);
    for (const auto &samples : lists) {
        for (const TAviSample &s : samples) {
            const qint64 head = s.offset - 8;
            auto it = std::upper_bound(m_movis.begin(), m_movis.end(), head,
                                       [](qint64 v, const TRange &r) { return v < r.begin; });
            if (it == m_movis.begin())
                return false;
            --it;
            const qint64 end = s.offset + s.size;
            if (end > it->end)
                return false;
            qint64 &last = lastEnd[size_t(it - m_movis.begin())];
            last = std::max(last, end);
        }
    }

    // The chunk headers at a few entries of each stream match the index.
    for (int n = 0; n < int(lists.size()); ++n) {
        const auto &samples = lists[size_t(n)];
        const qint64 count = qint64(samples.size());
        const qint64 checks = std::min<qint64>(count, kSpotChecks);
        for (qint64 k = 0; k < checks; ++k) {
            const TAviSample &s = samples[size_t(checks > 1 ? k * (count - 1) / (checks - 1) : 0)];
            TChunkHead h;
            if (!ReadHead(m_src, s.offset - 8, h) || StreamNumber(h.id) != n || h.size != s.size)
                return false;
        }
    }

    // No sample chunk after the last indexed one of any movi list.
    for (size_t i = 0; i < m_movis.size(); ++i) {
        const qint64 from = lastEnd[i] < 0 ? m_movis[i].begin : lastEnd[i] + (lastEnd[i] & 1);
        if (tailHasSamples(from, m_movis[i].end))
            return false;
    }
    return true;
}

bool TWalker::tailHasSamples(qint64 pos, qint64 end) const
{
    while (pos + 8 <= end) {
        TChunkHead h;
        if (!ReadHead(m_src, pos, h))
            return false;
        if (h.id == fcc::LIST && pos + 12 <= end) {
            quint8 t[4];
            if (!m_src.readExact(pos + 8, t, 4))
                return false;
            if (le::u32(t) == fcc::rec_) {
                pos += 12;
                continue;
            }
        }
        if (SampleStream(h.id, streamCount()) >= 0)
            return true;
        const qint64 next = pos + 8 + qint64(h.size);
        if (!IsPrintable(h.id) || next > end)
            return false;
        pos = Padded(next, h.size);
    }
    return false;
}

TSampleLists TWalker::scan()
{
    TSampleLists lists(streams.size());
    for (const TRange &r : m_movis)
        scanRange(r, lists);
    return lists;
}

void TWalker::scanRange(const TRange &r, TSampleLists &lists)
{
    qint64 pos = r.begin;
    qint64 lastGood = r.begin; // end of the last chunk understood, before any pad byte
    while (pos + 8 <= r.end) {
        TChunkHead h;
        if (!ReadHead(m_src, pos, h))
            return;
        const qint64 next = pos + 8 + qint64(h.size);
        bool understood = false;
        if (h.id == fcc::LIST) {
            quint8 t[4];
            if (pos + 12 <= r.end && m_src.readExact(pos + 8, t, 4) && le::u32(t) == fcc::rec_) {
                pos += 12;
                lastGood = pos;
                continue;
            }
            understood = next <= r.end;
        } else if (const int stream = SampleStream(h.id, streamCount()); stream >= 0) {
            if (next <= r.end) {
                lists[size_t(stream)].push_back({pos + 8, h.size, true});
                understood = true;
            } else if (r.cut) {
                // The file ends inside this sample: keep what is there.
                const qint64 remaining = r.end - pos - 8;
                if (remaining > 0) {
                    lists[size_t(stream)].push_back({pos + 8, quint32(remaining), true});
                    cutSample = true;
                }
                return;
            }
        } else {
            understood = IsPrintable(h.id) && next <= r.end;
        }
        if (understood) {
            lastGood = next;
            pos = Padded(next, h.size);
            continue;
        }
        if (r.cut && IsPrintable(h.id) && next > r.end)
            return; // a chunk cut off by the end of the file
        damagedData = true;
        // Search from the end of the last chunk understood: a writer that left out
        // the pad byte after an odd-sized chunk is caught up with there.
        pos = resync(lastGood, r.end);
        if (pos < 0)
            return;
    }
}

// The next position at or after from where a whole sample chunk of a known
// stream starts inside end; -1 when there is none.
qint64 TWalker::resync(qint64 from, qint64 end) const
{
    QByteArray block;
    for (qint64 start = from; start + 8 <= end;) {
        const qint64 n = std::min(kReadBlock, end - start);
        block.resize(qsizetype(n));
        const qint64 got = m_src.readAt(start, block.data(), n);
        if (got < 8)
            return -1;
        const auto *p = reinterpret_cast<const quint8 *>(block.constData());
        for (qint64 i = 0; i + 8 <= got; ++i) {
            const TFourcc id = le::u32(p + i);
            if (SampleStream(id, streamCount()) >= 0 && start + i + 8 + qint64(le::u32(p + i + 4)) <= end)
                return start + i;
        }
        start += got - 7;
    }
    return -1;
}

} // namespace

int TAviSampleIndex::videoStream() const
{
    for (int i = 0; i < int(m_streams.size()); ++i)
        if (m_streams[size_t(i)].type == fcc::vids || m_streams[size_t(i)].type == fcc::iavs)
            return i;
    return -1;
}

bool TAviSampleIndex::build(const TByteSource &source)
{
    m_streams.clear();
    m_source = TIndexSource::Scan;
    m_warning.clear();
    m_truncated = false;

    TWalker walker(source);
    if (!walker.walk())
        return false;

    TSampleLists lists;
    const TVerdict odml = walker.fromOpenDml(lists);
    TVerdict idx1 = TVerdict::Absent;
    if (odml == TVerdict::Good) {
        m_source = TIndexSource::OpenDml;
    } else {
        idx1 = walker.fromIdx1(lists);
        if (idx1 == TVerdict::Good) {
            m_source = TIndexSource::Idx1;
        } else {
            lists = walker.scan();
            m_source = TIndexSource::Scan;
        }
    }

    for (size_t i = 0; i < walker.streams.size(); ++i) {
        TAviIndexedStream s = std::move(walker.streams[i].info);
        s.samples = std::move(lists[i]);
        m_streams.push_back(std::move(s));
    }

    QStringList notes;
    if (m_source == TIndexSource::Scan) {
        if (odml == TVerdict::Damaged || idx1 == TVerdict::Damaged)
            notes << QStringLiteral("The index is damaged; the samples were found by scanning the file.");
        else
            notes << QStringLiteral("The file has no index; the samples were found by scanning the file.");
    }
    if (walker.damagedData)
        notes << QStringLiteral("Damaged data was skipped.");
    m_truncated = walker.truncated || walker.cutSample;
    if (walker.cutSample)
        notes << QStringLiteral("The file ends early; its last sample is incomplete.");
    else if (m_truncated)
        notes << QStringLiteral("The file ends early.");
    m_warning = notes.join(QLatin1Char(' '));
    return true;
}
