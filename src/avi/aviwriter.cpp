#include "avi/aviwriter.h"

#include <sys/uio.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBufferSize = qsizetype(2) << 20;
constexpr qint64 kDirectSize = qint64(32) << 10; // samples from this size on are not buffered
constexpr qint64 kMinPartLimit = qint64(64) << 10;
constexpr qint64 kMaxPartLimit = (qint64(1) << 32) - (qint64(64) << 10);
constexpr int kMaxStreams = 100; // chunk IDs carry the stream number in two digits
constexpr int kMaxSuperIndexEntries = 16384;
constexpr quint32 kMaxSampleSize = 0x7FFFFFFF; // bit 31 of an ix## size is the delta flag
constexpr quint32 AVIIF_KEYFRAME = 0x10;
constexpr quint32 kNotKeyframe = 0x80000000u;
constexpr int kSuperIndexEntrySize = 16;
constexpr int kStdIndexEntrySize = 8;

// Little-endian RIFF bytes with nested chunk sizes patched on end().
class TRiffBytes
{
public:
    void u8(quint8 v) { m_bytes.append(char(v)); }
    void u16(quint16 v) { quint8 b[2]; le::put16(b, v); m_bytes.append(reinterpret_cast<const char *>(b), 2); }
    void u32(quint32 v) { quint8 b[4]; le::put32(b, v); m_bytes.append(reinterpret_cast<const char *>(b), 4); }
    void u64(quint64 v) { quint8 b[8]; le::put64(b, v); m_bytes.append(reinterpret_cast<const char *>(b), 8); }
    void bytes(const QByteArray &b) { m_bytes.append(b); }
    void zeros(qsizetype n) { m_bytes.append(n, '\0'); }

    // Writes a chunk header with a size to be patched; returns the data offset.
    qsizetype begin(TFourcc id)
    {
        u32(id);
        u32(0);
        return m_bytes.size();
    }
    qsizetype beginList(TFourcc type)
    {
        const qsizetype start = begin(fcc::LIST);
        u32(type);
        return start;
    }
    void end(qsizetype start)
    {
        const quint32 size = quint32(m_bytes.size() - start);
        le::put32(reinterpret_cast<quint8 *>(m_bytes.data()) + start - 4, size);
        if (size & 1)
            u8(0);
    }
    template <typename Record>
    void record(const Record &r)
    {
        quint8 raw[Record::kSize];
        r.write(raw);
        m_bytes.append(reinterpret_cast<const char *>(raw), Record::kSize);
    }
    qsizetype size() const { return m_bytes.size(); }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

TFourcc TwoDigits(int number, char a, char b)
{
    const char id[5] = {char('0' + number / 10), char('0' + number % 10), a, b, 0};
    return MakeFourcc(id);
}

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

TAviStreamHeader DvVideoHeader(TAviDvSystem system, TFourcc type)
{
    TAviStreamHeader h;
    h.fccType = type;
    h.fccHandler = fcc::dvsd;
    h.scale = system == TAviDvSystem::Pal ? 1 : 1001;
    h.rate = system == TAviDvSystem::Pal ? 25 : 30000;
    h.suggestedBufferSize = DvFrameSize(system);
    h.quality = 0xFFFFFFFFu;
    h.right = 720;
    h.bottom = system == TAviDvSystem::Pal ? 576 : 480;
    return h;
}

QByteArray RecordBytes(const TDvInfo &d)
{
    QByteArray raw(TDvInfo::kSize, '\0');
    d.write(reinterpret_cast<quint8 *>(raw.data()));
    return raw;
}

void FillAvihFromStream(TAviWriterConfig &cfg, TAviDvSystem system)
{
    cfg.width = 720;
    cfg.height = system == TAviDvSystem::Pal ? 576 : 480;
    cfg.microSecPerFrame = system == TAviDvSystem::Pal ? 40000 : 33367;
}

} // namespace

TAviWriterConfig TAviWriterConfig::dvType1(TAviDvSystem system, const TDvInfo &dvInfo)
{
    TAviWriterConfig cfg;
    TAviStreamConfig s;
    s.header = DvVideoHeader(system, fcc::iavs);
    s.format = RecordBytes(dvInfo);
    s.chunkType = "dc";
    cfg.streams.push_back(s);
    FillAvihFromStream(cfg, system);
    return cfg;
}

TAviWriterConfig TAviWriterConfig::dvType2(TAviDvSystem system, const TDvInfo &dvInfo, const TWaveFormatEx &audio)
{
    TAviWriterConfig cfg;

    TAviStreamConfig video;
    video.header = DvVideoHeader(system, fcc::vids);
    TBitmapInfoHeader bih;
    bih.width = 720;
    bih.height = system == TAviDvSystem::Pal ? 576 : 480;
    bih.planes = 1;
    bih.bitCount = 24;
    bih.compression = fcc::dvsd;
    bih.sizeImage = DvFrameSize(system);
    QByteArray format(TBitmapInfoHeader::kSize, '\0');
    bih.write(reinterpret_cast<quint8 *>(format.data()));
    video.format = format + RecordBytes(dvInfo);
    video.chunkType = "dc";
    cfg.streams.push_back(video);

    TWaveFormatEx wave = audio;
    if (wave.blockAlign == 0)
        wave.blockAlign = quint16(wave.channels * ((wave.bitsPerSample + 7) / 8));
    if (wave.avgBytesPerSec == 0)
        wave.avgBytesPerSec = wave.samplesPerSec * wave.blockAlign;
    TAviStreamConfig sound;
    sound.header.fccType = fcc::auds;
    sound.header.scale = wave.blockAlign;
    sound.header.rate = wave.avgBytesPerSec;
    sound.header.sampleSize = wave.blockAlign;
    sound.header.quality = 0xFFFFFFFFu;
    QByteArray waveBytes(TWaveFormatEx::kSize, '\0');
    wave.write(reinterpret_cast<quint8 *>(waveBytes.data()));
    sound.format = waveBytes;
    sound.chunkType = "wb";
    cfg.streams.push_back(sound);

    FillAvihFromStream(cfg, system);
    return cfg;
}

TAviWriter::TAviWriter() = default;

TAviWriter::~TAviWriter()
{
    if (isOpen())
        close();
}

void TAviWriter::reset()
{
    m_streams.clear();
    m_idx1.clear();
    m_error.clear();
    m_failed = false;
    m_buffer.clear();
    m_bufStart = 0;
    m_headerSize = 0;
    m_partNumber = 0;
    m_partOpen = false;
    m_partStart = 0;
    m_moviStart = 0;
    m_firstRiffSize = 0;
    m_firstMoviSize = 0;
    m_idx1Written = false;
    m_fileEnd = 0;
}

bool TAviWriter::open(const QString &path, const TAviWriterConfig &config, QString *error)
{
    if (isOpen())
        close();
    reset();

    auto refuse = [&](const QString &why) {
        m_error = why;
        if (error)
            *error = why;
        return false;
    };

    if (config.streams.empty() || int(config.streams.size()) > kMaxStreams)
        return refuse(QStringLiteral("An AVI file holds 1 to 100 streams"));
    for (const TAviStreamConfig &s : config.streams) {
        if (s.header.fccType == 0)
            return refuse(QStringLiteral("A stream has no stream type"));
        if (!s.chunkType.isEmpty() && s.chunkType.size() != 2)
            return refuse(QStringLiteral("A chunk type has two letters"));
    }

    m_config = config;
    m_config.partLimit = std::clamp(config.partLimit, kMinPartLimit, kMaxPartLimit);
    m_config.superIndexEntries = std::clamp(config.superIndexEntries, 1, kMaxSuperIndexEntries);
    m_config.alignment = std::min<quint32>(config.alignment + (config.alignment & 1), 1u << 20);

    for (int i = 0; i < int(config.streams.size()); ++i) {
        TStreamState s;
        s.config = config.streams[size_t(i)];
        QByteArray type = s.config.chunkType;
        if (type.isEmpty())
            type = s.config.header.fccType == fcc::auds ? "wb" : "dc";
        s.chunkId = TwoDigits(i, type[0], type[1]);
        m_streams.push_back(std::move(s));
    }

    const QByteArray header = buildHeader();
    m_headerSize = header.size();
    if (m_headerSize + 4096 > m_config.partLimit)
        return refuse(QStringLiteral("The header does not fit in a RIFF part"));

    const QByteArray native = QFile::encodeName(path);
    m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return refuse(ErrnoText());
    if (!writeAt(0, header.constData(), header.size())) {
        const QString why = ErrnoText();
        ::close(m_fd);
        m_fd = -1;
        ::unlink(native.constData());
        return refuse(why);
    }
    m_buffer.reserve(kBufferSize);
    m_bufStart = m_headerSize;
    m_fileEnd = m_headerSize;
    m_partStart = 0;
    m_moviStart = m_headerSize - 12;
    m_partOpen = true;
    return true;
}

bool TAviWriter::writeSample(int stream, const void *data, quint32 size, bool keyframe)
{
    if (!data && size > 0) {
        m_error = QStringLiteral("No sample data");
        return false;
    }
    static const char empty = 0;
    return writeChunk(stream, data ? data : &empty, size, keyframe);
}

bool TAviWriter::writeHole(int stream, quint32 size, bool keyframe)
{
    return writeChunk(stream, nullptr, size, keyframe);
}

bool TAviWriter::writeChunk(int stream, const void *data, quint32 size, bool keyframe)
{
    if (!isOpen()) {
        m_error = QStringLiteral("The file is not open");
        return false;
    }
    if (m_failed)
        return false;
    if (stream < 0 || stream >= int(m_streams.size())) {
        m_error = QStringLiteral("No stream %1").arg(stream);
        return false;
    }
    if (size > kMaxSampleSize) {
        m_error = QStringLiteral("The sample is too large");
        return false;
    }
    if (!makeRoom(stream, size))
        return false;

    TStreamState &s = m_streams[size_t(stream)];
    const qint64 pos = position();
    const qint64 padded = qint64(size) + (size & 1);
    quint8 head[8];
    le::put32(head, s.chunkId);
    le::put32(head + 4, size);

    if (data && padded >= kDirectSize) {
        // A large sample goes to the file with what is buffered before it, in
        // one call and without being copied into the buffer.
        static const char pad = 0;
        const iovec parts[4] = {{const_cast<char *>(m_buffer.constData()), size_t(m_buffer.size())},
                                {head, 8},
                                {const_cast<void *>(data), size_t(size)},
                                {const_cast<char *>(&pad), size_t(size & 1)}};
        if (!writeVectorAt(m_bufStart, parts, 4)) {
            fail(ErrnoText());
            return false;
        }
        m_buffer.clear();
        m_bufStart = pos + 8 + padded;
    } else if (data && 8 + padded <= kBufferSize) {
        if (m_buffer.size() + 8 + padded > kBufferSize && !flush())
            return false;
        m_buffer.append(reinterpret_cast<const char *>(head), 8);
        m_buffer.append(static_cast<const char *>(data), qsizetype(size));
        if (size & 1)
            m_buffer.append('\0');
    } else {
        // Large samples and holes go straight to the file.
        if (!flush())
            return false;
        const char pad = 0;
        bool ok = writeAt(pos, head, 8);
        if (ok && data)
            ok = writeAt(pos + 8, data, size) && (!(size & 1) || writeAt(pos + 8 + size, &pad, 1));
        if (!ok) {
            fail(ErrnoText());
            return false;
        }
        m_bufStart = pos + 8 + padded;
    }

    const TEntry entry{pos, size, keyframe};
    s.part.push_back(entry);
    s.maxSize = std::max(s.maxSize, size);
    if (m_partNumber == 0 && m_config.writeIdx1)
        m_idx1.push_back({stream, entry});
    return true;
}

qint64 TAviWriter::partBytesWith(int stream, quint32 size) const
{
    qint64 bytes = position() - m_partStart + 8 + size + (size & 1);
    if (m_config.openDml) {
        for (int i = 0; i < int(m_streams.size()); ++i) {
            const qint64 n = qint64(m_streams[size_t(i)].part.size()) + (i == stream ? 1 : 0);
            if (n > 0)
                bytes += 8 + TAviIndexHeader::kSize + kStdIndexEntrySize * n;
        }
    }
    if (m_partNumber == 0 && m_config.writeIdx1)
        bytes += 8 + 16 * (qint64(m_idx1.size()) + 1);
    return bytes;
}

bool TAviWriter::makeRoom(int stream, quint32 size)
{
    if (partBytesWith(stream, size) <= m_config.partLimit)
        return true;

    const bool partEmpty = std::all_of(m_streams.begin(), m_streams.end(),
                                       [](const TStreamState &s) { return s.part.empty(); });
    const qint64 padded = qint64(size) + (size & 1);
    // An AVIX part: RIFF and LIST heads, the chunk, one ix## with one entry.
    const qint64 emptyPartNeeds = 24 + 8 + padded + 8 + TAviIndexHeader::kSize + kStdIndexEntrySize;
    if (!m_config.openDml) {
        m_error = QStringLiteral("The file has reached the size limit of an AVI file without OpenDML");
        return false;
    }
    if (partEmpty || emptyPartNeeds > m_config.partLimit) {
        m_error = QStringLiteral("The sample is larger than a RIFF part");
        return false;
    }
    if (m_partNumber + 1 >= m_config.superIndexEntries) {
        m_error = QStringLiteral("The OpenDML super index is full");
        return false;
    }
    if (!finishPart())
        return false;
    startPart();
    return true;
}

bool TAviWriter::writeAt(qint64 pos, const void *data, qint64 n)
{
    const iovec part{const_cast<void *>(data), size_t(n)};
    return writeVectorAt(pos, &part, 1);
}

bool TAviWriter::writeVectorAt(qint64 pos, const iovec *parts, int count)
{
    std::vector<iovec> left(parts, parts + count);
    size_t first = 0;
    while (first < left.size()) {
        if (left[first].iov_len == 0) {
            ++first;
            continue;
        }
        const ssize_t done = ::pwritev(m_fd, left.data() + first, int(left.size() - first), off_t(pos));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        pos += done;
        size_t n = size_t(done);
        while (n > 0 && first < left.size()) {
            const size_t take = std::min(n, left[first].iov_len);
            left[first].iov_base = static_cast<char *>(left[first].iov_base) + take;
            left[first].iov_len -= take;
            n -= take;
            if (left[first].iov_len == 0)
                ++first;
        }
    }
    return true;
}

bool TAviWriter::flush()
{
    if (m_failed)
        return false;
    if (m_buffer.isEmpty())
        return true;
    if (!writeAt(m_bufStart, m_buffer.constData(), m_buffer.size())) {
        fail(ErrnoText());
        return false;
    }
    m_bufStart += m_buffer.size();
    m_buffer.clear();
    return true;
}

void TAviWriter::fail(const QString &why)
{
    m_failed = true;
    m_error = why;
    // The buffer never reached the disk; the file is cut where it starts.
    m_buffer.clear();
    rollBack(m_bufStart);
}

void TAviWriter::rollBack(qint64 cut)
{
    for (TStreamState &s : m_streams)
        while (!s.part.empty() && s.part.back().chunkPos >= cut)
            s.part.pop_back();
    while (!m_idx1.empty() && m_idx1.back().entry.chunkPos >= cut)
        m_idx1.pop_back();
}

QByteArray TAviWriter::buildStdIndex(const TStreamState &s) const
{
    const int number = int(&s - m_streams.data());
    const qint64 base = m_moviStart + 8;
    TRiffBytes b;
    const char ixId[5] = {'i', 'x', char('0' + number / 10), char('0' + number % 10), 0};
    const qsizetype start = b.begin(MakeFourcc(ixId));
    TAviIndexHeader head;
    head.longsPerEntry = 2;
    head.indexType = AVI_INDEX_OF_CHUNKS;
    head.entriesInUse = quint32(s.part.size());
    head.chunkId = s.chunkId;
    head.baseOffset = quint64(base);
    b.record(head);
    for (const TEntry &e : s.part) {
        b.u32(quint32(e.chunkPos + 8 - base));
        b.u32(e.size | (e.keyframe ? 0u : kNotKeyframe));
    }
    b.end(start);
    return b.take();
}

QByteArray TAviWriter::buildIdx1() const
{
    const qint64 base = m_moviStart + 8;
    TRiffBytes b;
    const qsizetype start = b.begin(fcc::idx1);
    for (const TIdx1Entry &i : m_idx1) {
        b.u32(m_streams[size_t(i.stream)].chunkId);
        b.u32(i.entry.keyframe ? AVIIF_KEYFRAME : 0);
        b.u32(quint32(i.entry.chunkPos - base));
        b.u32(i.entry.size);
    }
    b.end(start);
    return b.take();
}

bool TAviWriter::finishPart()
{
    m_partOpen = false;
    flush(); // on failure the unwritten samples are rolled back

    const bool partEmpty = std::all_of(m_streams.begin(), m_streams.end(),
                                       [](const TStreamState &s) { return s.part.empty(); });
    if (m_partNumber > 0 && partEmpty) {
        // Nothing of this part reached the disk whole: leave the part out.
        m_bufStart = m_partStart;
        m_fileEnd = m_partStart;
        --m_partNumber;
        return !m_failed;
    }

    qint64 pos = m_bufStart;
    if (m_config.openDml) {
        for (TStreamState &s : m_streams) {
            if (s.part.empty())
                continue;
            const QByteArray ix = buildStdIndex(s);
            if (!writeAt(pos, ix.constData(), ix.size())) {
                fail(ErrnoText());
                break;
            }
            quint64 duration = s.part.size();
            if (s.config.header.sampleSize > 0) {
                quint64 bytes = 0;
                for (const TEntry &e : s.part)
                    bytes += e.size;
                duration = bytes / s.config.header.sampleSize;
            }
            s.super.push_back({pos, quint32(ix.size()), quint32(std::min<quint64>(duration, 0xFFFFFFFFu))});
            pos += ix.size();
        }
    }

    const quint32 moviSize = quint32(pos - (m_moviStart + 8));
    if (m_partNumber == 0 && m_config.writeIdx1) {
        const QByteArray idx1 = buildIdx1();
        if (writeAt(pos, idx1.constData(), idx1.size())) {
            pos += idx1.size();
            m_idx1Written = true;
        } else {
            fail(ErrnoText());
        }
    }
    const quint32 riffSize = quint32(pos - m_partStart - 8);

    if (m_partNumber == 0) {
        m_firstMoviSize = moviSize;
        m_firstRiffSize = riffSize;
    } else {
        quint8 b[4];
        le::put32(b, riffSize);
        bool ok = writeAt(m_partStart + 4, b, 4);
        le::put32(b, moviSize);
        ok = ok && writeAt(m_moviStart + 4, b, 4);
        if (!ok)
            fail(ErrnoText());
    }

    for (TStreamState &s : m_streams) {
        for (const TEntry &e : s.part)
            s.bytesBefore += e.size;
        if (m_partNumber == 0)
            s.firstPartSamples = s.part.size();
        s.samplesBefore += s.part.size();
        s.part.clear();
    }
    m_bufStart = pos;
    m_fileEnd = pos;
    return !m_failed;
}

void TAviWriter::startPart()
{
    ++m_partNumber;
    m_partStart = position();
    m_moviStart = m_partStart + 12;
    TRiffBytes b;
    b.u32(fcc::RIFF);
    b.u32(0);
    b.u32(fcc::AVIX);
    b.u32(fcc::LIST);
    b.u32(0);
    b.u32(fcc::movi);
    m_buffer.append(b.take());
    m_partOpen = true;
}

bool TAviWriter::close()
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The file is not open");
        return false;
    }
    if (m_partOpen)
        finishPart();

    const QByteArray header = buildHeader();
    Q_ASSERT(header.size() == m_headerSize);
    if (!writeAt(0, header.constData(), header.size()))
        fail(ErrnoText());
    if (::ftruncate(m_fd, off_t(m_fileEnd)) != 0)
        fail(ErrnoText());
    if (::close(m_fd) != 0)
        fail(ErrnoText());
    m_fd = -1;
    return !m_failed;
}

quint64 TAviWriter::totalSamples(const TStreamState &s) const
{
    return s.samplesBefore + s.part.size();
}

quint64 TAviWriter::totalBytes(const TStreamState &s) const
{
    quint64 bytes = s.bytesBefore;
    for (const TEntry &e : s.part)
        bytes += e.size;
    return bytes;
}

quint32 TAviWriter::streamLength(const TStreamState &s) const
{
    const quint64 length = s.config.header.sampleSize > 0 ? totalBytes(s) / s.config.header.sampleSize
                                                          : totalSamples(s);
    return quint32(std::min<quint64>(length, 0xFFFFFFFFu));
}

quint64 TAviWriter::sampleCount(int stream) const
{
    if (stream < 0 || stream >= int(m_streams.size()))
        return 0;
    return totalSamples(m_streams[size_t(stream)]);
}

int TAviWriter::videoIndex() const
{
    for (int i = 0; i < int(m_streams.size()); ++i) {
        const TFourcc type = m_streams[size_t(i)].config.header.fccType;
        if (type == fcc::vids || type == fcc::iavs)
            return i;
    }
    return -1;
}

QByteArray TAviWriter::buildHeader() const
{
    const int video = videoIndex();
    const bool hasSuper = std::any_of(m_streams.begin(), m_streams.end(),
                                      [](const TStreamState &s) { return !s.super.empty(); });

    TAviMainHeader avih;
    avih.microSecPerFrame = m_config.microSecPerFrame;
    avih.width = m_config.width;
    avih.height = m_config.height;
    if (video >= 0) {
        const TStreamState &v = m_streams[size_t(video)];
        const TAviStreamHeader &h = v.config.header;
        if (avih.microSecPerFrame == 0 && h.rate > 0)
            avih.microSecPerFrame = quint32(std::llround(1e6 * double(h.scale) / double(h.rate)));
        if (avih.width == 0 || avih.height == 0) {
            if (h.fccType == fcc::vids && v.config.format.size() >= TBitmapInfoHeader::kSize) {
                const TBitmapInfoHeader bih = TBitmapInfoHeader::read(
                    reinterpret_cast<const quint8 *>(v.config.format.constData()));
                avih.width = quint32(std::abs(bih.width));
                avih.height = quint32(std::abs(bih.height));
            } else {
                avih.width = quint32(std::max(0, h.right - h.left));
                avih.height = quint32(std::max(0, h.bottom - h.top));
            }
        }
        avih.totalFrames = quint32(std::min<quint64>(
            m_config.openDml && m_partNumber > 0 ? v.firstPartSamples : totalSamples(v), 0xFFFFFFFFu));
    }
    double bytesPerSec = 0;
    for (const TStreamState &s : m_streams) {
        const TAviStreamHeader &h = s.config.header;
        if (h.scale > 0)
            bytesPerSec += double(h.rate) / double(h.scale) * double(h.sampleSize > 0 ? h.sampleSize : s.maxSize);
        avih.suggestedBufferSize = std::max(avih.suggestedBufferSize, s.maxSize);
    }
    avih.maxBytesPerSec = quint32(std::min(bytesPerSec, 4294967295.0));
    avih.flags = AVIF_TRUSTCKTYPE;
    if (m_config.interleaved)
        avih.flags |= AVIF_ISINTERLEAVED;
    if (m_idx1Written || hasSuper)
        avih.flags |= AVIF_HASINDEX;
    avih.streams = quint32(m_streams.size());

    TRiffBytes b;
    b.u32(fcc::RIFF);
    b.u32(m_firstRiffSize);
    b.u32(fcc::AVI_);

    const qsizetype hdrl = b.beginList(fcc::hdrl);
    const qsizetype avihStart = b.begin(fcc::avih);
    b.record(avih);
    b.end(avihStart);

    for (const TStreamState &s : m_streams) {
        const qsizetype strl = b.beginList(fcc::strl);

        TAviStreamHeader strh = s.config.header;
        strh.length = streamLength(s);
        if (strh.suggestedBufferSize == 0)
            strh.suggestedBufferSize = s.maxSize;
        const qsizetype strhStart = b.begin(fcc::strh);
        b.record(strh);
        b.end(strhStart);

        const qsizetype strf = b.begin(fcc::strf);
        b.bytes(s.config.format);
        b.end(strf);

        if (m_config.openDml) {
            const qsizetype indx = b.begin(fcc::indx);
            TAviIndexHeader head;
            head.longsPerEntry = 4;
            head.indexType = AVI_INDEX_OF_INDEXES;
            head.entriesInUse = quint32(s.super.size());
            head.chunkId = s.chunkId;
            b.record(head);
            for (const TSuperEntry &e : s.super) {
                b.u64(quint64(e.offset));
                b.u32(e.size);
                b.u32(e.duration);
            }
            b.zeros(qsizetype(m_config.superIndexEntries - int(s.super.size())) * kSuperIndexEntrySize);
            b.end(indx);
        }

        if (!s.config.name.isEmpty()) {
            const qsizetype strn = b.begin(fcc::strn);
            b.bytes(s.config.name);
            b.u8(0);
            b.end(strn);
        }
        b.end(strl);
    }

    if (m_config.openDml) {
        const qsizetype odml = b.beginList(fcc::odml);
        const qsizetype dmlh = b.begin(fcc::dmlh);
        b.u32(video >= 0 ? quint32(std::min<quint64>(totalSamples(m_streams[size_t(video)]), 0xFFFFFFFFu)) : 0);
        b.zeros(kDmlhSize - 4);
        b.end(dmlh);
        b.end(odml);
    }
    b.end(hdrl);

    if (!m_config.info.empty()) {
        const qsizetype info = b.beginList(fcc::INFO);
        for (const auto &[id, value] : m_config.info) {
            const qsizetype entry = b.begin(id);
            b.bytes(value);
            b.u8(0);
            b.end(entry);
        }
        b.end(info);
    }

    if (m_config.alignment > 0) {
        // JUNK so that the first sample chunk (after the 12-byte movi head) is aligned.
        const qint64 align = m_config.alignment;
        const qint64 junk = (align - (b.size() + 8 + 12) % align) % align;
        const qsizetype start = b.begin(fcc::JUNK);
        b.zeros(qsizetype(junk));
        b.end(start);
    }

    b.u32(fcc::LIST);
    b.u32(m_firstMoviSize);
    b.u32(fcc::movi);
    return b.take();
}
