#include "pipelines/dvsplitter.h"

#include "dv/dvcodes.h"

#include <cstring>

namespace {

// Rate and quantisation of an AAUX source pack given as its PC1..PC4 word.
struct TPackAudio
{
    bool present = false;
    qint32 rate = 0;
    int bits = 0;
};

TPackAudio AudioOfSourceWord(quint32 word)
{
    TPackAudio a;
    const quint8 pc2 = quint8(word >> 8), pc4 = quint8(word >> 24);
    static const qint32 rates[] = {48000, 44100, 32000};
    const int smp = (pc4 >> 3) & 7, qu = pc4 & 7;
    if ((pc2 & 0x0F) == 0x0F || smp > 2 || qu > 1)
        return a;
    a.present = true;
    a.rate = rates[smp];
    a.bits = qu == 0 ? 16 : 12;
    return a;
}

TMediaType PcmType(qint32 rate)
{
    TWaveFormatEx wave;
    wave.formatTag = 1;
    wave.channels = 2;
    wave.samplesPerSec = quint32(rate);
    wave.bitsPerSample = 16;
    wave.blockAlign = 4;
    wave.avgBytesPerSec = quint32(rate) * 4;
    return TMediaType::audio(wave);
}

} // namespace

TDvSplitterElement::TDvSplitterElement() : TElement(QStringLiteral("DV Splitter"))
{
    addInput(QStringLiteral("Input"));
}

TResult TDvSplitterElement::checkInputType(int, const TMediaType &type)
{
    return type.majorType == media::Interleaved ? TResult::Ok : TResult::TypeNotAccepted;
}

void TDvSplitterElement::inputConnected(int)
{
    removeOutputs();
    m_types.clear();
    m_audio.clear();
    const TDvInfo info = input(0)->mediaType().dvInfo();
    // Bit 21 of the VAUX source word: 50 fields. Without a word, PAL.
    m_pal = info.vauxSrc == 0 || (info.vauxSrc & (1u << 21)) != 0;
    const int frameSize = m_pal ? dif::FrameSize625 : dif::FrameSize525;

    TVideoInfoHeader video;
    video.avgTimePerFrame = m_pal ? 400000 : 333667;
    video.bitmap.width = 720;
    video.bitmap.height = m_pal ? 576 : 480;
    video.bitmap.bitCount = 24;
    video.bitmap.compression = fcc::dvsd;
    video.bitmap.sizeImage = quint32(frameSize);
    video.source[2] = video.target[2] = 720;
    video.source[3] = video.target[3] = video.bitmap.height;
    video.bitRate = quint32(qint64(frameSize) * 8 * 10000000 / video.avgTimePerFrame);
    QByteArray extra(TDvInfo::kSize, '\0');
    info.write(reinterpret_cast<quint8 *>(extra.data()));
    TMediaType videoType = TMediaType::video(media::Dvsd, video, extra);
    videoType.sampleSize = quint32(frameSize);
    m_types.push_back(videoType);
    addOutput(QStringLiteral("DVVidOut0"));

    // Audio: one stereo output for 16-bit audio, one per half for 12-bit audio.
    const TPackAudio first = info.aauxSrc ? AudioOfSourceWord(info.aauxSrc) : TPackAudio{true, 48000, 16};
    const TPackAudio second = AudioOfSourceWord(info.aauxSrc1);
    if (first.present) {
        m_audio.push_back({0, first.rate, 0});
        m_types.push_back(PcmType(first.rate));
        addOutput(QStringLiteral("AudOut00"));
    }
    if (second.present && second.bits == 12 && (!first.present || first.bits == 12)) {
        m_audio.push_back({1, second.rate, 0});
        m_types.push_back(PcmType(second.rate));
        addOutput(QStringLiteral("AudOut01"));
    }
}

void TDvSplitterElement::inputDisconnected(int)
{
    removeOutputs();
    m_types.clear();
    m_audio.clear();
}

TMediaType TDvSplitterElement::outputType(int output) const
{
    return output >= 0 && size_t(output) < m_types.size() ? m_types[size_t(output)] : TMediaType{};
}

void TDvSplitterElement::startStreaming()
{
    flushed();
}

void TDvSplitterElement::flushed()
{
    m_nextFrame = -1;
}

void TDvSplitterElement::receive(int, TMediaSample &sample)
{
    // After a seek (or at the start) the audio clocks restart from the frame's time.
    const bool jump = sample.mediaStart < 0 || sample.mediaStart != m_nextFrame;
    m_nextFrame = sample.mediaStart >= 0 ? sample.mediaStart + 1 : -1;

    TMediaSample video = sample; // shares the bytes
    deliver(0, video);

    TDvAudioInfo info;
    const bool whole = ReadDvAudioInfo(std::span<const quint8>(sample.bytes(), size_t(sample.length())), info);
    for (size_t k = 0; k < m_audio.size(); ++k) {
        TAudioOut &out = m_audio[k];
        if (jump && sample.timeStart >= 0)
            out.samplesDone = sample.timeStart * out.rate / 10000000;
        int samples = 0;
        if (whole && info.pairs[size_t(out.pair)].present && info.pairs[size_t(out.pair)].rate == out.rate)
            samples = DecodeDvAudio(std::span<const quint8>(sample.bytes(), size_t(sample.length())), out.pair, m_pcm);
        if (samples == 0) {
            // A damaged frame or one without this audio: silence of the
            // frame's length keeps the sound in step with the picture.
            const quint32 frame = quint32(qMax<qint64>(0, sample.mediaStart));
            samples = DvAudioSamplesPerFrame(m_pal, out.rate, frame);
            std::memset(m_pcm.data(), 0, size_t(samples) * 4);
        }
        TMediaSample audio;
        audio.data = QByteArray(reinterpret_cast<const char *>(m_pcm.data()), samples * 4);
        audio.mediaStart = out.samplesDone;
        audio.mediaStop = out.samplesDone + samples;
        audio.timeStart = out.samplesDone * 10000000 / out.rate;
        audio.timeStop = audio.mediaStop * 10000000 / out.rate;
        out.samplesDone += samples;
        deliver(int(k) + 1, audio);
    }
}

void TDvSplitterElement::endOfStream(int)
{
    deliverEndOfStreamToAll();
}
