#include "pipelines/avisplitter.h"

#include "avi/dvstream.h"

#include <algorithm>

namespace {
// The largest first sample read ahead (a DV frame is at most 144000 bytes).
constexpr qint64 kMaxFirstSample = 1 << 20;

// The stream whose times the splitter reports: the first video or
// interleaved stream, else the first stream; -1 without streams.
int MainStream(const TAviSampleIndex &index)
{
    const int video = index.videoStream();
    return video < 0 && !index.streams().empty() ? 0 : video;
}

qint64 StreamDuration(const TAviIndexedStream &stream, const TAviStreamTiming &t)
{
    if (t.bytesPerSecond) {
        qint64 bytes = 0;
        for (const TAviSample &s : stream.samples)
            bytes += s.size;
        return bytes * 10000000 / t.bytesPerSecond;
    }
    return qint64(stream.samples.size()) * t.frameTime;
}

} // namespace

TMediaType AviStreamType(const TAviIndexedStream &stream, const TByteSource &source)
{
    const auto *format = reinterpret_cast<const quint8 *>(stream.format.constData());
    const qsizetype formatSize = stream.format.size();
    if (stream.type == fcc::iavs) {
        TDvInfo info;
        if (formatSize >= TDvInfo::kSize)
            info = TDvInfo::read(format);
        TMediaType type = TMediaType::interleavedDv(info);
        // The first frame goes with the type: its packs say what the stream carries.
        if (!stream.samples.empty() && stream.samples.front().size <= kMaxFirstSample) {
            const TAviSample &first = stream.samples.front();
            type.firstSample = QByteArray(qsizetype(first.size), Qt::Uninitialized);
            if (!source.readExact(first.offset, type.firstSample.data(), first.size))
                type.firstSample.clear();
        }
        return type;
    }
    if (stream.type == fcc::vids) {
        TVideoInfoHeader info;
        if (formatSize >= TBitmapInfoHeader::kSize)
            info.bitmap = TBitmapInfoHeader::read(format);
        info.avgTimePerFrame = FrameTime(stream.header.rate, stream.header.scale);
        info.target[2] = info.source[2] = info.bitmap.width;
        info.target[3] = info.source[3] = qAbs(info.bitmap.height);
        const qint64 frameBytes = stream.samples.empty() ? 0 : stream.samples.front().size;
        if (info.avgTimePerFrame > 0)
            info.bitRate = quint32(qMin<qint64>(frameBytes * 8 * 10000000 / info.avgTimePerFrame, 0xFFFFFFFF));
        const QByteArray extra = formatSize > TBitmapInfoHeader::kSize ? stream.format.mid(TBitmapInfoHeader::kSize) : QByteArray();
        TFourcc subtype = info.bitmap.compression;
        if (subtype == 0)
            subtype = info.bitmap.bitCount == 24 ? media::Rgb24 : stream.handler;
        // DV under any of the codes capture programs give it is offered as
        // dvsd; the format block keeps the file's own code.
        if (IsDvStream(stream, source))
            subtype = media::Dvsd;
        else if (IsDvInfoCodec(subtype))
            subtype = FourccLower(subtype);
        TMediaType type = TMediaType::video(subtype, info, extra);
        if (stream.header.rate > 0 && stream.header.scale > 0)
            type.frameDuration = {stream.header.scale, stream.header.rate};
        return type;
    }
    if (stream.type == fcc::auds) {
        TWaveFormatEx wave;
        if (formatSize >= 16)
            wave = TWaveFormatEx::read(format);
        if (formatSize < TWaveFormatEx::kSize)
            wave.cbSize = 0;
        TMediaType type = TMediaType::audio(wave);
        if (formatSize > TWaveFormatEx::kSize)
            type.format += stream.format.mid(TWaveFormatEx::kSize);
        return type;
    }
    TMediaType other;
    other.majorType = stream.type;
    other.subtype = stream.handler;
    other.format = stream.format;
    return other;
}

TAviStreamTiming AviStreamTiming(const TAviIndexedStream &stream)
{
    TAviStreamTiming t;
    if (stream.type == fcc::auds && stream.format.size() >= 16) {
        const TWaveFormatEx wave = TWaveFormatEx::read(reinterpret_cast<const quint8 *>(stream.format.constData()));
        if (wave.formatTag == 1 && wave.avgBytesPerSec > 0) {
            t.bytesPerSecond = wave.avgBytesPerSec;
            t.blockAlign = wave.blockAlign ? wave.blockAlign : 1;
            return t;
        }
    }
    t.frameTime = FrameTime(stream.header.rate, stream.header.scale);
    return t;
}

qint64 AviFileDuration(const TAviSampleIndex &index)
{
    const int main = MainStream(index);
    if (main < 0)
        return 0;
    const TAviIndexedStream &stream = index.streams()[size_t(main)];
    return StreamDuration(stream, AviStreamTiming(stream));
}

TFileSourceElement::TFileSourceElement() : TElement(QStringLiteral("File Source (Async.)"))
{
    addOutput(QStringLiteral("Output"));
}

TResult TFileSourceElement::Load(const QString &path)
{
    m_path = path;
    m_subtype = 0;
    if (!m_file.open(path)) {
        m_error = m_file.errorString();
        return TResult::CannotOpen;
    }
    m_error.clear();
    quint8 head[12];
    if (m_file.readExact(0, head, 12) && le::u32(head) == fcc::RIFF && le::u32(head + 8) == fcc::AVI_)
        m_subtype = media::Avi;
    return TResult::Ok;
}

void TFileSourceElement::Unload()
{
    m_file.close();
    m_path.clear();
    m_error.clear();
    m_subtype = 0;
}

TMediaType TFileSourceElement::outputType(int) const
{
    if (!m_file.isOpen())
        return {};
    TMediaType type;
    type.majorType = media::Stream;
    type.subtype = m_subtype;
    return type;
}

TAviSplitter::TAviSplitter() : TElement(QStringLiteral("AVI Splitter"))
{
    addInput(QStringLiteral("input pin"));
}

TResult TAviSplitter::checkInputType(int, const TMediaType &type)
{
    return type.majorType == media::Stream && type.subtype == media::Avi ? TResult::Ok : TResult::TypeNotAccepted;
}

void TAviSplitter::inputConnected(int)
{
    removeOutputs();
    m_types.clear();
    m_timing.clear();
    m_index = TAviSampleIndex();
    m_mainStream = -1;
    auto *file = dynamic_cast<TFileSourceElement *>(input(0)->peer()->element());
    m_source = file ? file->source() : nullptr;
    if (!m_source || !m_index.build(*m_source))
        return;
    const auto &streams = m_index.streams();
    for (size_t i = 0; i < streams.size(); ++i) {
        m_types.push_back(AviStreamType(streams[i], *m_source));
        m_timing.push_back(AviStreamTiming(streams[i]));
        addOutput(QStringLiteral("Stream %1").arg(i, 2, 10, QLatin1Char('0')));
    }
    m_mainStream = MainStream(m_index);
}

void TAviSplitter::inputDisconnected(int)
{
    removeOutputs();
    m_types.clear();
    m_timing.clear();
    m_source = nullptr;
    m_index = TAviSampleIndex();
    m_mainStream = -1;
}

TMediaType TAviSplitter::outputType(int output) const
{
    return output >= 0 && size_t(output) < m_types.size() ? m_types[size_t(output)] : TMediaType{};
}

qint64 TAviSplitter::frameTime() const
{
    return m_mainStream >= 0 ? m_timing[size_t(m_mainStream)].frameTime : 0;
}

qint64 TAviSplitter::duration() const
{
    if (m_mainStream < 0)
        return 0;
    return StreamDuration(m_index.streams()[size_t(m_mainStream)], m_timing[size_t(m_mainStream)]);
}

void TAviSplitter::setRange(qint64 start, qint64 stop)
{
    m_start = qMax<qint64>(0, start);
    m_stop = stop;
}

void TAviSplitter::push()
{
    if (!m_source)
        return;
    struct TCursor
    {
        int output;
        const std::vector<TAviSample> *samples;
        size_t next = 0;
        qint64 count = 0; // frames, or PCM blocks, before next
        bool ended = false;
    };
    const auto &streams = m_index.streams();
    std::vector<TCursor> cursors;
    for (int i = 0; i < outputCount(); ++i) {
        if (!output(i)->isConnected())
            continue;
        TCursor c{i, &streams[size_t(i)].samples};
        const TAviStreamTiming &t = m_timing[size_t(i)];
        // Skip what lies before the start position.
        if (t.bytesPerSecond) {
            while (c.next < c.samples->size()) {
                const qint64 blocks = (*c.samples)[c.next].size / t.blockAlign;
                const qint64 end = (c.count + blocks) * t.blockAlign * 10000000 / t.bytesPerSecond;
                if (end > m_start)
                    break;
                c.count += blocks;
                ++c.next;
            }
        } else if (t.frameTime > 0) {
            c.next = size_t(qMin<qint64>(qint64(c.samples->size()), m_start / t.frameTime));
            c.count = qint64(c.next);
        }
        cursors.push_back(c);
    }

    for (;;) {
        // The connected stream whose next sample comes first in the file.
        TCursor *cursor = nullptr;
        for (TCursor &c : cursors) {
            if (c.ended)
                continue;
            if (c.next >= c.samples->size()) {
                c.ended = true;
                deliverEndOfStream(c.output);
                continue;
            }
            if (!cursor || (*c.samples)[c.next].offset < (*cursor->samples)[cursor->next].offset)
                cursor = &c;
        }
        if (!cursor || flushing())
            return;

        const TAviSample &s = (*cursor->samples)[cursor->next];
        const TAviStreamTiming &t = m_timing[size_t(cursor->output)];
        TMediaSample sample;
        sample.syncPoint = s.keyframe;
        if (t.bytesPerSecond) {
            const qint64 blocks = s.size / t.blockAlign;
            sample.mediaStart = cursor->count;
            sample.mediaStop = cursor->count + blocks;
            sample.timeStart = cursor->count * t.blockAlign * 10000000 / t.bytesPerSecond;
            sample.timeStop = sample.mediaStop * t.blockAlign * 10000000 / t.bytesPerSecond;
            cursor->count += blocks;
        } else {
            sample.mediaStart = cursor->count;
            sample.mediaStop = cursor->count + 1;
            sample.timeStart = cursor->count * t.frameTime;
            sample.timeStop = sample.mediaStop * t.frameTime;
            cursor->count += 1;
        }
        ++cursor->next;
        if (m_stop >= 0 && sample.timeStart >= m_stop) {
            cursor->next = cursor->samples->size();
            continue;
        }
        sample.data = QByteArray(qsizetype(s.size), Qt::Uninitialized);
        const qint64 got = m_source->readAt(s.offset, sample.data.data(), s.size);
        sample.data.truncate(qsizetype(qMax<qint64>(0, got)));
        deliver(cursor->output, sample);
    }
}
