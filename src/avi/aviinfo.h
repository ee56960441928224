#pragma once

// The AVI header reader: walks the RIFF tree of a file once, collecting the
// header records (avih, strh/strf/indx per stream, dmlh) and where the data and
// the indexes lie. Sample data and indexes are never entered.

#include "avi/avilayout.h"
#include "avi/bytesource.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <stdexcept>
#include <vector>

// Raised when the file to read cannot be opened.
class TFileOpenError : public std::runtime_error
{
public:
    TFileOpenError(const QString &path, const QString &reason);
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// One stream of the file, from its LIST strl.
struct TAvistream
{
    static constexpr int kFormatRoom = 84; // a BITMAPINFOHEADER and a DVINFO fit
    static constexpr int kIndexHeadSize = TAviIndexHeader::kSize + 4 * 16;           // head + 4 entries

    std::array<quint8, TAviStreamHeader::kSize> headerBytes{}; // strh, zero-filled when shorter
    std::array<quint8, kFormatRoom> formatBytes{};             // strf, cut to the room
    int formatSize = 0;                                        // bytes of strf kept
    std::array<quint8, kIndexHeadSize> indexHeadBytes{};       // start of the indx data
    qint64 indexEntriesPosition = 0; // file offset of the first indx entry, 0 without indx

    TAviStreamHeader header() const { return TAviStreamHeader::read(headerBytes.data()); }
    TFourcc type() const { return le::u32(headerBytes.data()); }
    TFourcc handler() const { return le::u32(headerBytes.data() + 4); }
    bool hasIndx() const { return indexEntriesPosition != 0; }
    TAviIndexHeader indexHeader() const { return TAviIndexHeader::read(indexHeadBytes.data()); }
};

// Which index the video stream can be found through.
enum class TIndexKind : quint8 {
    IndexOfIndexes = 0, // OpenDML super index pointing to standard indexes
    IndexOfChunks = 1,  // OpenDML index of chunks
    LegacyIndex = 2,    // only an idx1
    NoIndex = 3,        // neither
    OtherIndex = 4,     // an indx of an unknown kind
};

// What the reader learns about a file.
class TAviParam
{
public:
    // At least one RIFF 'AVI ' / 'AVIX' part was walked to its end (or, for a
    // recording cut short, to the end of the file with its header list complete).
    bool valid() const { return m_valid; }

    bool hasOpenDmlHeader() const { return m_hasOpenDmlHeader; }
    const std::array<quint8, TAviMainHeader::kSize> &mainHeaderBytes() const { return m_mainHeader; }
    TAviMainHeader mainHeader() const { return TAviMainHeader::read(m_mainHeader.data()); }
    const std::array<quint8, kDmlhSize> &dmlhBytes() const { return m_dmlh; }
    quint32 dmlTotalFrames() const { return le::u32(m_dmlh.data()); }

    // Index of the first auds stream and of the first vids or iavs stream, -1 when none.
    qint32 audioStreamIndex() const { return m_audioStream; }
    qint32 videoStreamIndex() const { return m_videoStream; }
    const std::vector<TAvistream> &streams() const { return m_streams; }
    const TAvistream *videoStream() const;

    // The video stream's codec code (its FourccHandler), or kNoVideoCodec.
    TFourcc codec() const;
    static constexpr TFourcc kNoVideoCodec = MakeFourcc("none");

    qint64 legacyIndexPosition() const { return m_legacyIndexPosition; } // idx1 data, 0 when none
    TIndexKind indexKind() const { return m_indexKind; }
    qint64 dataPosition() const { return m_dataPosition; } // content of the first movi, 0 when none

    // The last list type and chunk header the walk read: where it stopped.
    TFourcc listType() const { return m_listType; }
    TFourcc chunkId() const { return m_chunkId; }
    quint32 chunkSize() const { return m_chunkSize; }

    // A file has at most 100 streams: chunk IDs number them with two digits.
    static constexpr int kMaxStreams = 100;

protected:
    bool m_hasOpenDmlHeader = false;
    std::array<quint8, TAviMainHeader::kSize> m_mainHeader{};
    std::array<quint8, kDmlhSize> m_dmlh{};
    qint32 m_audioStream = -1;
    qint32 m_videoStream = -1;
    std::vector<TAvistream> m_streams;
    qint64 m_legacyIndexPosition = 0;
    TIndexKind m_indexKind = TIndexKind::NoIndex;
    qint64 m_dataPosition = 0;
    TFourcc m_listType = 0;
    TFourcc m_chunkId = 0;
    quint32 m_chunkSize = 0;
    bool m_valid = false;
};

// Reads a file's AVI headers on construction. Every problem after opening the
// file ends the walk quietly; what was collected until then stays.
class TFriendlyAviParam : public TAviParam
{
public:
    // Opens, walks and closes the file; throws TFileOpenError when it cannot be opened.
    explicit TFriendlyAviParam(const QString &fileName);
    // Walks bytes already at hand.
    explicit TFriendlyAviParam(const TByteSource &source);

private:
    struct TChunk
    {
        TFourcc id = 0;
        quint32 size = 0;
        qint64 data = 0; // file offset of the chunk data
        qint64 end() const { return data + qint64(size); }
    };

    void walk(const TByteSource &source);
    bool readChunkHeader(const TByteSource &source, qint64 &pos, TChunk &chunk);
    bool readListType(const TByteSource &source, const TChunk &chunk, TFourcc &type);
    bool walkPart(const TByteSource &source, qint64 begin, qint64 end, bool cutShort);
    bool walkHeaderList(const TByteSource &source, qint64 begin, qint64 end);
    bool walkOdmlList(const TByteSource &source, qint64 begin, qint64 end);
    bool walkStreamList(const TByteSource &source, qint64 begin, qint64 end);
    void setIndexKind();
};
