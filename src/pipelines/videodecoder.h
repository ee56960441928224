#pragma once

// Decodes the samples of any AVI video stream that libavcodec knows, chosen
// by the stream's codec code the way AVI files name them (the RIFF video
// codec table: "MJPG", "DIVX", "XVID", "dvsd", ...). Uncompressed RGB
// (BI_RGB, compression 0, 16/24/32 bits; rows bottom-up unless the height is
// negative) is decoded as well.
//
// Decoders may hold pictures back (B-frames, frame threads), so samples go in
// and pictures come out separately:
//
//   decoder.sendSample(data, size);
//   while (decoder.receivePicture()) use(decoder.picture());
//   ... at the end: decoder.sendEnd(); while (decoder.receivePicture()) ...
//
// A damaged sample fails on its own (sendSample or receivePicture returns
// false with errorString() set); the next samples decode as far as the codec
// can recover. Use each instance from one thread at a time.

#include "pipelines/avhandles.h"
#include "pipelines/picture.h"

#include "avi/avilayout.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdint>

struct TVideoStreamFormat
{
    // strh fccHandler, used when the header's compression code names no codec.
    TFourcc handler = 0;
    TBitmapInfoHeader header;
    // Codec-specific bytes that follow the header in strf.
    QByteArray extradata;

    // Reads the strf chunk body of a vids stream (header and extra bytes).
    // False when it is shorter than a BITMAPINFOHEADER.
    static bool fromStrf(const uint8_t *strf, qint64 size, TFourcc handler, TVideoStreamFormat &out);
};

class TVideoDecoder
{
public:
    // threads: libavcodec threads (slice threads where the codec has them); 0
    // lets libavcodec use one per core, 1 decodes on the calling thread only.
    explicit TVideoDecoder(const TVideoStreamFormat &format, int threads = 0);
    ~TVideoDecoder();
    TVideoDecoder(const TVideoDecoder &) = delete;
    TVideoDecoder &operator=(const TVideoDecoder &) = delete;

    // False when no decoder fits the stream or it could not be opened;
    // errorString() says why.
    bool isOpen() const { return m_context != nullptr; }
    AVCodecID codecId() const { return m_codecId; }

    // Feeds one sample (one AVI chunk). Empty samples (dropped frames) are
    // accepted and produce nothing. Take every waiting picture with
    // receivePicture() before sending the next sample.
    bool sendSample(const uint8_t *data, qint64 size);
    // Ends the stream: receivePicture() then delivers the pictures still held
    // back. After the last one the decoder is ready for a new stream.
    void sendEnd();
    // Moves to the next decoded picture. False when none is waiting (more
    // samples needed or, after sendEnd(), none left) or when decoding failed
    // (errorString() is then set).
    bool receivePicture();
    // Forgets every sample and picture held back (after a seek).
    void reset();

    const TPicture &picture() const { return m_picture; }
    QString errorString() const { return m_error; }

private:
    av::CodecContextPtr m_context;
    av::PacketPtr m_packet;
    av::BufferPtr m_input; // padded copy of the sample, reused while libavcodec holds no reference to it
    AVCodecID m_codecId = AV_CODEC_ID_NONE;
    TPicture m_picture;
    bool m_ending = false;
    QString m_error;
};
