#pragma once

// Decodes whole DV frames (25 Mb/s: 120000 bytes for 525/60, 144000 bytes for
// 625/50) into full-size pictures with libavcodec's dvvideo decoder: 720x576
// yuv420p for PAL, 720x480 yuv411p for NTSC, with the pixel shape of the
// frame's 4:3 or 16:9 flag.
//
// One frame in, one picture out, nothing held back. A frame that is not a DV
// frame (wrong size, garbage) fails on its own; the next frame decodes as if
// nothing had happened. Use each instance from one thread at a time.

#include "pipelines/avhandles.h"
#include "pipelines/picture.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>

class TDvVideoDecoder
{
public:
    // threads: libavcodec slice threads per frame; 0 lets libavcodec use one
    // per core, 1 decodes on the calling thread only.
    explicit TDvVideoDecoder(int threads = 0);
    ~TDvVideoDecoder();
    TDvVideoDecoder(const TDvVideoDecoder &) = delete;
    TDvVideoDecoder &operator=(const TDvVideoDecoder &) = delete;

    // False when libavcodec could not open the decoder; errorString() says why.
    bool isOpen() const { return m_context != nullptr; }

    // Decodes one frame of size bytes. On success picture() holds the picture
    // until the next call. On failure the picture is null and errorString()
    // says why.
    bool decode(const uint8_t *frame, qint64 size);

    const TPicture &picture() const { return m_picture; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);

    av::CodecContextPtr m_context;
    av::PacketPtr m_packet;
    av::BufferPtr m_input; // padded copy of the frame, reused while libavcodec holds no reference to it
    TPicture m_picture;
    QString m_error;
};
