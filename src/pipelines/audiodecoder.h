#pragma once

// Decodes the sound of any AVI audio stream that libavcodec knows, chosen by
// the stream's wave format tag the way AVI files name them (MP3, IMA ADPCM,
// A-law, AC-3 ...; PCM and float samples by their size), into interleaved
// 16-bit PCM at the stream's declared rate and channel count (at most 8),
// whatever the codec's own sample format.
//
//   decoder.decode(chunk, size);  use(decoder.pcm());   // each AVI chunk
//   decoder.finish();             use(decoder.pcm());   // at the end
//
// Chunks need not hold whole codec frames: where libavcodec has a parser for
// the codec (MPEG audio, AC-3 ...) the chunks are cut into frames first. A
// damaged chunk fails on its own (decode() returns false, errorString() says
// why) and decoding goes on with the next. Use each instance from one thread
// at a time.

#include "pipelines/audioconverter.h"
#include "pipelines/avhandles.h"

#include "avi/avilayout.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <span>
#include <vector>

struct AVCodecParserContext;

class TAudioDecoder
{
public:
    // wave and the codec bytes that follow it in the stream format (extra).
    TAudioDecoder(const TWaveFormatEx &wave, const QByteArray &extra);
    ~TAudioDecoder();
    TAudioDecoder(const TAudioDecoder &) = delete;
    TAudioDecoder &operator=(const TAudioDecoder &) = delete;

    // False when no decoder fits the stream or it could not be opened.
    bool isOpen() const { return m_context != nullptr; }
    QString errorString() const { return m_error; }
    // What pcm() holds: 16-bit samples at the declared rate and channels.
    TAudioFormat outputFormat() const { return m_out; }

    // Decodes one chunk; pcm() holds what came out of it (perhaps nothing).
    bool decode(const quint8 *data, qint64 size);
    // Ends the stream: pcm() holds what the codec and the conversion still held.
    bool finish();
    // Forgets everything held back (after a seek).
    void reset();

    // Interleaved samples of the last call.
    std::span<const qint16> pcm() const { return m_pcm; }

private:
    struct ParserDeleter
    {
        void operator()(AVCodecParserContext *p) const;
    };
    bool sendPacket(const quint8 *data, int size);
    void receiveFrames();
    void takeConverted();

    av::CodecContextPtr m_context;
    av::PacketPtr m_packet;
    av::FramePtr m_frame;
    std::unique_ptr<AVCodecParserContext, ParserDeleter> m_parser;
    AVCodecID m_codecId = AV_CODEC_ID_NONE;
    TAudioFormat m_out;
    // To 16-bit PCM of the output format, made for the format of the frames.
    std::unique_ptr<TAudioConverter> m_converter;
    QByteArray m_input; // the chunk with zeroed padding after it
    std::vector<qint16> m_pcm;
    QString m_error;
};
