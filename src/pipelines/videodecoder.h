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
//   decoder.sendSample(data, size, times);
//   while (decoder.receivePicture()) use(decoder.picture(), decoder.pictureTimes());
//   ... at the end: decoder.sendEnd(); while (decoder.receivePicture()) ...
//
// Pictures come out in presentation order, with the times of their own place
// in it. An AVI stream stores the samples of a reordering codec in decoding
// order, and its times count the samples: the n-th picture out shows at the
// n-th time. So each picture takes the earliest of the times of the samples
// sent that have not yet given a picture; a sample that gives none (damaged,
// skipped by the codec) is forgotten once the decoder holds more samples
// than its reordering delay.
//
// A sample may carry a tag of the caller's (a number): the picture decoded
// from it gives it back, wherever reordering puts that picture, so that
// whatever belongs to the coded picture rather than to its place (the data
// read from its frame upstream) stays with it.
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
#include <vector>

// The times a sample carries through the decoder: the pipeline's media times
// (frame numbers) and stream times (100 ns); -1 where unknown.
struct TSampleTimes
{
    qint64 mediaStart = -1;
    qint64 mediaStop = -1;
    qint64 timeStart = -1;
    qint64 timeStop = -1;
};

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

    // Feeds one sample (one AVI chunk) with its times and tag (-1: none).
    // Empty samples (dropped frames) are accepted and produce nothing. Take
    // every waiting picture with receivePicture() before sending the next sample.
    bool sendSample(const uint8_t *data, qint64 size, const TSampleTimes &times = {}, qint64 tag = -1);
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
    // The times of the current picture's place in presentation order.
    const TSampleTimes &pictureTimes() const { return m_pictureTimes; }
    // The tag of the sample the current picture was decoded from; -1 when
    // it had none or the codec does not tell.
    qint64 pictureTag() const { return m_pictureTag; }
    QString errorString() const { return m_error; }

private:
    av::CodecContextPtr m_context;
    av::PacketPtr m_packet;
    av::BufferPtr m_input; // padded copy of the sample, reused while libavcodec holds no reference to it
    AVCodecID m_codecId = AV_CODEC_ID_NONE;
    TPicture m_picture;
    TSampleTimes m_pictureTimes;
    qint64 m_pictureTag = -1;
    // Times of the samples sent that have given no picture yet, earliest first.
    std::vector<TSampleTimes> m_pending;
    bool m_ending = false;
    QString m_error;
};
