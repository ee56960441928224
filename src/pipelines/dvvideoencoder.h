#pragma once

// Encodes pictures into DV frames (25 Mb/s) with libavcodec's dvvideo
// encoder: PAL 720x576 yuv420p into 144000-byte frames, NTSC 720x480 yuv411p
// into 120000-byte frames, flagged 4:3 or 16:9. The frames are complete DV
// frames as libavcodec writes them (header, subcode and VAUX blocks
// included); later stages rewrite those as they need.
//
// One picture in, one frame out, nothing held back. Use each instance from
// one thread at a time.

#include "dv/dvstandard.h"
#include "pipelines/avhandles.h"
#include "pipelines/picture.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <span>

struct TDvEncoderFormat
{
    TDvStandard standard = TDvStandard::Pal;
    bool wide16x9 = false;
};

class TDvVideoEncoder
{
public:
    // threads: libavcodec slice threads per frame; 0 lets libavcodec use one
    // per core, 1 encodes on the calling thread only.
    explicit TDvVideoEncoder(TDvEncoderFormat format, int threads = 0);
    ~TDvVideoEncoder();
    TDvVideoEncoder(const TDvVideoEncoder &) = delete;
    TDvVideoEncoder &operator=(const TDvVideoEncoder &) = delete;

    // False when libavcodec could not open the encoder; errorString() says why.
    bool isOpen() const { return m_context != nullptr; }

    TDvEncoderFormat format() const { return m_format; }
    // The pictures encode() takes: 720x576 yuv420p (PAL) or 720x480 yuv411p (NTSC).
    int width() const;
    int height() const;
    AVPixelFormat pixelFormat() const;
    // Size of the frames encode() delivers: 144000 (PAL) or 120000 (NTSC).
    int frameSize() const;
    // Pixel shape that goes with the format (4:3 or 16:9 on the full frame).
    AVRational sampleAspectRatio() const;

    // Encodes one picture of width() x height() in pixelFormat(). On success
    // frame() holds the DV frame until the next call; on failure it is empty
    // and errorString() says why.
    bool encode(const TPicture &picture);

    std::span<const uint8_t> frame() const;
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);

    TDvEncoderFormat m_format;
    av::PacketPtr m_packet;
    av::FramePtr m_input; // reference to the caller's picture while it is encoded
    AVBufferPool *m_pool = nullptr; // frame buffers handed to libavcodec
    av::CodecContextPtr m_context;
    qint64 m_pts = 0;
    QString m_error;
};
