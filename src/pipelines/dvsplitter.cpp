#include "pipelines/dvsplitter.h"

#include "dv/dvcodes.h"

#include <cstring>

namespace {

// A pair as a DVINFO word (PC1..PC4 of an AAUX source pack) describes it.
TDvAudioPair PairOfSourceWord(quint32 word)
{
    TDvAudioPair pair;
    const quint8 pc2 = quint8(word >> 8), pc4 = quint8(word >> 24);
    static const qint32 rates[] = {48000, 44100, 32000};
    const int smp = (pc4 >> 3) & 7, qu = pc4 & 7;
    if ((pc2 & 0x0F) == 0x0F || smp > 2 || qu > 1)
        return pair;
    pair.present = true;
    pair.rate = rates[smp];
    pair.bits = qu == 0 ? 16 : 12;
    pair.channels = 2;
    return pair;
}

// What the outputs carry: the pairs of the first frame when it has a
// readable audio source pack; else those of the DVINFO words (without
// words, 48 kHz 16-bit stereo). pal is set from the frame when there is one.
std::array<TDvAudioPair, dvaudio::Pairs> StreamPairs(const TMediaType &type, bool &pal)
{
    const QByteArray &first = type.firstSample;
    TDvAudioInfo frame;
    if (ReadDvAudioInfo(std::span<const quint8>(reinterpret_cast<const quint8 *>(first.constData()), size_t(first.size())), frame)) {
        pal = frame.pal;
        if (frame.pairs[0].present || frame.pairs[1].present)
            return frame.pairs;
    }
    const TDvInfo info = type.dvInfo();
    std::array<TDvAudioPair, dvaudio::Pairs> pairs;
    pairs[0] = info.aauxSrc ? PairOfSourceWord(info.aauxSrc) : TDvAudioPair{true, 48000, 16, 2, 0, false};
    const TDvAudioPair second = PairOfSourceWord(info.aauxSrc1);
    if (second.present && second.bits == 12 && (!pairs[0].present || pairs[0].bits == 12))
        pairs[1] = second;
    return pairs;
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

TDvSplitterOutputs DvSplitterOutputs(const TMediaType &in)
{
    TDvSplitterOutputs outputs;
    const TDvInfo info = in.dvInfo();
    // Bit 21 of the VAUX source word: 50 fields. Without a word, PAL; the first frame's size decides where there is one.
    outputs.pal = info.vauxSrc == 0 || (info.vauxSrc & (1u << 21)) != 0;
    const auto pairs = StreamPairs(in, outputs.pal);
    const int frameSize = outputs.pal ? dif::FrameSize625 : dif::FrameSize525;

    TVideoInfoHeader video;
    video.avgTimePerFrame = outputs.pal ? 400000 : 333667;
    video.bitmap.width = 720;
    video.bitmap.height = outputs.pal ? 576 : 480;
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
    outputs.types.push_back(videoType);

    for (int p = 0; p < dvaudio::Pairs; ++p) {
        if (!pairs[size_t(p)].present)
            continue;
        outputs.types.push_back(PcmType(pairs[size_t(p)].rate));
        outputs.pairs.push_back(p);
    }
    return outputs;
}

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
    m_audio.clear();
    TDvSplitterOutputs outputs = DvSplitterOutputs(input(0)->mediaType());
    m_pal = outputs.pal;
    m_types = std::move(outputs.types);
    addOutput(QStringLiteral("DVVidOut0"));
    for (size_t k = 0; k < outputs.pairs.size(); ++k) {
        TAudioOut out;
        out.pair = outputs.pairs[k];
        out.rate = qint32(m_types[k + 1].waveFormat().samplesPerSec);
        addOutput(QStringLiteral("AudOut0%1").arg(out.pair));
        m_audio.push_back(std::move(out));
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
    for (TAudioOut &out : m_audio)
        out.resampler.reset();
}

void TDvSplitterElement::deliverPcm(int output, const qint16 *pcm, qint64 samples)
{
    TAudioOut &out = m_audio[size_t(output)];
    TMediaSample audio;
    audio.data = QByteArray(reinterpret_cast<const char *>(pcm), qsizetype(samples * 4));
    audio.setSoundTimes(out.samplesDone, samples, out.rate);
    out.samplesDone += samples;
    deliver(output + 1, audio);
}

void TDvSplitterElement::drainResampler(int output)
{
    TAudioOut &out = m_audio[size_t(output)];
    if (!out.resampler)
        return;
    if (out.resampler->flush() && out.resampler->outputFrames() > 0)
        deliverPcm(output, out.resampler->output().data(), out.resampler->outputFrames());
    out.resampler.reset();
}

void TDvSplitterElement::receive(int, TMediaSample &sample)
{
    // After a seek (or at the start) the audio clocks restart from the frame's time.
    const bool jump = sample.mediaStart < 0 || sample.mediaStart != m_nextFrame;
    m_nextFrame = sample.mediaStart >= 0 ? sample.mediaStart + 1 : -1;

    TMediaSample video = sample; // shares the bytes
    deliver(0, video);

    const std::span<const quint8> frame(sample.bytes(), size_t(sample.length()));
    TDvAudioInfo info;
    const bool whole = ReadDvAudioInfo(frame, info);
    for (int k = 0; k < int(m_audio.size()); ++k) {
        TAudioOut &out = m_audio[size_t(k)];
        if (jump && sample.timeStart >= 0) {
            out.samplesDone = sample.timeStart * out.rate / 10000000;
            out.resampler.reset();
        }
        const TDvAudioPair pair = whole ? info.pairs[size_t(out.pair)] : TDvAudioPair{};
        const int samples = pair.present ? DecodeDvAudio(frame, out.pair, m_pcm) : 0;
        if (samples > 0 && pair.rate != out.rate) {
            // Another format than the stream's first frames: resampled to the output's rate.
            if (!out.resampler || out.resampler->inputFormat().rate != pair.rate) {
                drainResampler(k);
                out.resampler = std::make_unique<TAudioConverter>(TAudioFormat{pair.rate, 2}, TAudioFormat{out.rate, 2});
            }
            if (out.resampler->convert(m_pcm.data(), samples) && out.resampler->outputFrames() > 0)
                deliverPcm(k, out.resampler->output().data(), out.resampler->outputFrames());
            continue;
        }
        drainResampler(k);
        if (samples > 0) {
            deliverPcm(k, m_pcm.data(), samples);
            continue;
        }
        // A damaged frame or one without this audio: silence of the
        // frame's length keeps the sound in step with the picture.
        const quint32 index = quint32(qMax<qint64>(0, sample.mediaStart));
        const int silent = DvAudioSamplesPerFrame(whole ? info.pal : m_pal, out.rate, index);
        std::memset(m_pcm.data(), 0, size_t(silent) * 4);
        deliverPcm(k, m_pcm.data(), silent);
    }
}

void TDvSplitterElement::endOfStream(int)
{
    for (int k = 0; k < int(m_audio.size()); ++k)
        drainResampler(k);
    deliverEndOfStreamToAll();
}
