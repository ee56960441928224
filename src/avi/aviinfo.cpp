#include "avi/aviinfo.h"

#include <algorithm>

namespace {

// Copies up to room bytes of a chunk's data into out; the rest of out is zeroed.
// Returns the number of bytes copied, -1 on a read failure.
template <size_t N>
int CopyChunkData(const TByteSource &source, qint64 data, quint32 size, std::array<quint8, N> &out)
{
    out.fill(0);
    const qint64 n = std::min<qint64>(size, qint64(N));
    return source.readExact(data, out.data(), n) ? int(n) : -1;
}

bool IsAviForm(TFourcc form)
{
    // 'AVI ' and 'AVIX' parts alike, in any case.
    const TFourcc upper3 = form & 0x00DFDFDF;
    return upper3 == (MakeFourcc("AVI ") & 0x00FFFFFF);
}

} // namespace

TFileOpenError::TFileOpenError(const QString &path, const QString &reason)
    : std::runtime_error(QStringLiteral("Cannot open %1: %2").arg(path, reason).toStdString()),
      m_path(path),
      m_reason(reason)
{
}

const TAvistream *TAviParam::videoStream() const
{
    if (m_videoStream < 0 || m_videoStream >= qint32(m_streams.size()))
        return nullptr;
    return &m_streams[size_t(m_videoStream)];
}

TFourcc TAviParam::codec() const
{
    const TAvistream *video = videoStream();
    return video ? video->handler() : kNoVideoCodec;
}

TFriendlyAviParam::TFriendlyAviParam(const QString &fileName)
{
    TFileSource file;
    if (!file.open(fileName))
        throw TFileOpenError(fileName, file.errorString());
    walk(file);
}

TFriendlyAviParam::TFriendlyAviParam(const TByteSource &source)
{
    walk(source);
}

void TFriendlyAviParam::walk(const TByteSource &source)
{
    const qint64 fileSize = source.size();
    qint64 pos = 0;
    while (fileSize - pos >= 8) {
        TChunk part;
        if (!readChunkHeader(source, pos, part))
            break;
        if (part.id != fcc::RIFF || part.size < 4)
            break;
        TFourcc form = 0;
        if (!readListType(source, part, form) || !IsAviForm(form))
            break;
        // A part that claims more than the file holds is a recording cut short:
        // it is walked up to the end of the file.
        const bool cutShort = part.end() > fileSize;
        const qint64 end = std::min(part.end(), fileSize);
        if (!walkPart(source, part.data + 4, end, cutShort))
            break;
        m_valid = true;
        pos = end;
    }
    setIndexKind();
}

bool TFriendlyAviParam::readChunkHeader(const TByteSource &source, qint64 &pos, TChunk &chunk)
{
    if (pos & 1)
        ++pos;
    quint8 head[8];
    if (!source.readExact(pos, head, 8))
        return false;
    chunk.id = le::u32(head);
    chunk.size = le::u32(head + 4);
    chunk.data = pos + 8;
    m_chunkId = chunk.id;
    m_chunkSize = chunk.size;
    return true;
}

bool TFriendlyAviParam::readListType(const TByteSource &source, const TChunk &chunk, TFourcc &type)
{
    quint8 raw[4];
    if (chunk.size < 4 || !source.readExact(chunk.data, raw, 4))
        return false;
    type = le::u32(raw);
    m_listType = type;
    return true;
}

bool TFriendlyAviParam::walkPart(const TByteSource &source, qint64 begin, qint64 end, bool cutShort)
{
    qint64 pos = begin;
    while (end - pos >= 8) {
        TChunk chunk;
        if (!readChunkHeader(source, pos, chunk))
            return true; // a truncated last part is accepted
        const bool overruns = chunk.end() > end;
        if (overruns && !cutShort)
            return false;
        // In a part cut short, the chunk that runs past the end of the file is
        // the last one; it counts for what can be learnt from its start.
        TFourcc listType = 0;
        if (chunk.id == fcc::LIST && readListType(source, chunk, listType)) {
            if (listType == fcc::hdrl) {
                if (overruns || !walkHeaderList(source, chunk.data + 4, chunk.end()))
                    return false;
            } else if (listType == fcc::movi && m_dataPosition == 0) {
                m_dataPosition = chunk.data + 4;
            }
        } else if (chunk.id == fcc::idx1 && m_legacyIndexPosition == 0) {
            m_legacyIndexPosition = chunk.data;
        }
        if (overruns)
            return true;
        pos = chunk.end();
    }
    return true;
}

bool TFriendlyAviParam::walkHeaderList(const TByteSource &source, qint64 begin, qint64 end)
{
    qint64 pos = begin;
    while (end - pos >= 8) {
        TChunk chunk;
        if (!readChunkHeader(source, pos, chunk) || chunk.end() > end)
            return false;
        TFourcc listType = 0;
        if (chunk.id == fcc::avih) {
            if (CopyChunkData(source, chunk.data, chunk.size, m_mainHeader) < 0)
                return false;
        } else if (chunk.id == fcc::LIST && readListType(source, chunk, listType)) {
            if (listType == fcc::strl) {
                if (!walkStreamList(source, chunk.data + 4, chunk.end()))
                    return false;
            } else if (listType == fcc::odml) {
                m_hasOpenDmlHeader = true;
                if (!walkOdmlList(source, chunk.data + 4, chunk.end()))
                    return false;
            }
        }
        pos = chunk.end();
    }
    return true;
}

bool TFriendlyAviParam::walkOdmlList(const TByteSource &source, qint64 begin, qint64 end)
{
    qint64 pos = begin;
    while (end - pos >= 8) {
        TChunk chunk;
        if (!readChunkHeader(source, pos, chunk) || chunk.end() > end)
            return false;
        if (chunk.id == fcc::dmlh && CopyChunkData(source, chunk.data, chunk.size, m_dmlh) < 0)
            return false;
        pos = chunk.end();
    }
    return true;
}

bool TFriendlyAviParam::walkStreamList(const TByteSource &source, qint64 begin, qint64 end)
{
    if (m_streams.size() >= size_t(kMaxStreams))
        return true; // streams past the hundredth cannot be addressed by any chunk
    m_streams.emplace_back();
    const qint32 index = qint32(m_streams.size() - 1);

    qint64 pos = begin;
    while (end - pos >= 8) {
        TChunk chunk;
        if (!readChunkHeader(source, pos, chunk) || chunk.end() > end)
            return false;
        TAvistream &stream = m_streams.back();
        if (chunk.id == fcc::strh) {
            if (CopyChunkData(source, chunk.data, chunk.size, stream.headerBytes) < 0)
                return false;
            const TFourcc type = stream.type();
            if (type == fcc::auds && m_audioStream < 0)
                m_audioStream = index;
            else if ((type == fcc::vids || type == fcc::iavs) && m_videoStream < 0)
                m_videoStream = index;
        } else if (chunk.id == fcc::strf) {
            stream.formatSize = CopyChunkData(source, chunk.data, chunk.size, stream.formatBytes);
            if (stream.formatSize < 0) {
                stream.formatSize = 0;
                return false;
            }
        } else if (chunk.id == fcc::indx) {
            // The 24-byte head at least; the entries that follow are kept up to four.
            if (chunk.size < quint32(TAviIndexHeader::kSize))
                return false;
            if (CopyChunkData(source, chunk.data, chunk.size, stream.indexHeadBytes) < 0)
                return false;
            stream.indexEntriesPosition = chunk.data + TAviIndexHeader::kSize;
        }
        pos = chunk.end();
    }
    return true;
}

void TFriendlyAviParam::setIndexKind()
{
    const TAvistream *video = videoStream();
    if (!video)
        return;
    if (video->hasIndx()) {
        switch (video->indexHeader().indexType) {
        case AVI_INDEX_OF_INDEXES:
            m_indexKind = TIndexKind::IndexOfIndexes;
            break;
        case AVI_INDEX_OF_CHUNKS:
            m_indexKind = TIndexKind::IndexOfChunks;
            break;
        default:
            m_indexKind = TIndexKind::OtherIndex;
            break;
        }
    } else {
        m_indexKind = m_legacyIndexPosition != 0 ? TIndexKind::LegacyIndex : TIndexKind::NoIndex;
    }
}
