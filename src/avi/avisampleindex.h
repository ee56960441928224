#pragma once

// TAviSampleIndex finds every sample of every stream of an AVI file: where
// its data lies (after the 8-byte chunk header), how long it is and whether it
// is a keyframe.
//
// Sources, best first:
//   1. the OpenDML indexes: each stream's indx super index and the ix##
//      standard indexes it points to (across all AVIX parts), or an indx that
//      indexes the chunks itself;
//   2. the idx1 legacy index (offsets relative to the 'movi' fourcc or
//      absolute, whichever the first entry shows);
//   3. a scan of the movi lists of all RIFF parts.
// An index is trusted only when all its entries lie inside movi lists of the
// file, each stream's entries follow one another without overlapping, the
// chunk headers at spot-checked entries (first, last and some in between)
// carry the stream's number and the indexed size, and no sample chunk follows
// the last indexed one in any movi list. Otherwise the next source is tried.
//
// A file cut short keeps the samples that start inside it; a sample whose data
// is cut off is kept with the bytes that remain (so it is shorter than the
// others of its stream), and warning() says the file ends early.

#include "avi/avilayout.h"
#include "avi/bytesource.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

struct TAviSample
{
    qint64 offset; // file offset of the sample data
    quint32 size;
    bool keyframe;
};

struct TAviIndexedStream
{
    TFourcc type = 0;
    TFourcc handler = 0;
    TAviStreamHeader header; // zeros past the end of a short strh
    QByteArray format;       // strf content
    std::vector<TAviSample> samples;
};

enum class TIndexSource { Idx1, OpenDml, Scan };

class TAviSampleIndex
{
public:
    // Walks source. False when it is not an AVI file (no RIFF 'AVI ' part at
    // the start); the index is then empty.
    bool build(const TByteSource &source);

    TIndexSource source() const { return m_source; }
    const std::vector<TAviIndexedStream> &streams() const { return m_streams; }
    // The first vids or iavs stream, -1 when there is none.
    int videoStream() const;
    // Empty, or a short text: the index was missing or unusable and the file
    // was scanned, data was damaged, or the file ends early.
    QString warning() const { return m_warning; }
    // The file ends before the end its RIFF structure announces.
    bool truncated() const { return m_truncated; }

private:
    std::vector<TAviIndexedStream> m_streams;
    TIndexSource m_source = TIndexSource::Scan;
    QString m_warning;
    bool m_truncated = false;
};
