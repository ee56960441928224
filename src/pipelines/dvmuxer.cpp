#include "pipelines/dvmuxer.h"

#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"

TDvMuxerElement::TDvMuxerElement() : TElement(QStringLiteral("DV Muxer"))
{
    addInput(QStringLiteral("Stream 0"));
    addInput(QStringLiteral("Stream 1"));
    addInput(QStringLiteral("Stream 2"));
    addOutput(QStringLiteral("Output"));
}

TResult TDvMuxerElement::checkInputType(int input, const TMediaType &type)
{
    if (input == 0)
        return type.majorType == media::Video && type.subtype == media::Dvsd ? TResult::Ok : TResult::TypeNotAccepted;
    if (type.majorType != media::Audio || type.formatKind != media::TFormatKind::WaveFormatEx)
        return TResult::TypeNotAccepted;
    const TWaveFormatEx wave = type.waveFormat();
    const bool rate = wave.samplesPerSec == 48000 || wave.samplesPerSec == 44100 || wave.samplesPerSec == 32000;
    const bool ok = wave.formatTag == 1 && wave.bitsPerSample == 16 && (wave.channels == 1 || wave.channels == 2) && rate;
    return ok ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TDvMuxerElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    const TMediaType &video = input(0)->mediaType();
    TDvInfo info = video.dvInfo();
    const bool pal = video.videoInfo().bitmap.height != 480;
    auto word = [](const TDvPack &pack) { return le::u32(pack.data() + 1); };
    if (info.vauxSrc == 0)
        info.vauxSrc = word(MakeVauxSourcePack(pal));
    if (info.vauxCtl == 0)
        info.vauxCtl = word(MakeVauxControlPack(0));
    const bool four = input(1)->isConnected() && input(2)->isConnected()
                      && input(1)->mediaType().waveFormat().samplesPerSec == 32000
                      && input(2)->mediaType().waveFormat().samplesPerSec == 32000;
    const bool silent = !input(1)->isConnected() && !input(2)->isConnected() && m_silenceRate > 0;
    if (input(1)->isConnected() || silent) {
        const qint32 rate = silent ? m_silenceRate : qint32(input(1)->mediaType().waveFormat().samplesPerSec);
        info.aauxSrc = word(MakeAauxSourcePack(rate, four ? 12 : 16, four ? 4 : 2, pal));
        info.aauxCtl = word(MakeAauxControlPack());
        info.aauxSrc1 = info.aauxSrc; // both halves carry the source pack
        info.aauxCtl1 = info.aauxCtl;
    }
    return TMediaType::interleavedDv(info);
}

void TDvMuxerElement::reset()
{
    std::lock_guard guard(m_lock);
    m_video.clear();
    m_videoEnded = false;
    m_endSent = false;
    m_phaseSet = false;
    m_frameIndex = 0;
    for (int k = 0; k < 2; ++k) {
        TAudioIn &a = m_audio[size_t(k)];
        a.pcm.clear();
        a.ended = !audioConnected(k);
        const TWaveFormatEx wave = audioConnected(k) ? input(k + 1)->mediaType().waveFormat() : TWaveFormatEx{};
        a.channels = wave.channels ? wave.channels : 2;
        a.rate = qint32(wave.samplesPerSec);
    }
}

void TDvMuxerElement::startStreaming()
{
    reset();
}

void TDvMuxerElement::flushed()
{
    reset();
}

void TDvMuxerElement::receive(int input, TMediaSample &sample)
{
    {
        std::lock_guard guard(m_lock);
        if (input == 0) {
            if (!m_phaseSet) {
                // The NTSC sample pattern runs from the frame's place in the stream.
                m_frameIndex = quint32(qMax<qint64>(0, sample.mediaStart));
                m_phaseSet = true;
            }
            m_video.push_back(sample);
        } else if (input == 1 || input == 2) {
            TAudioIn &a = m_audio[size_t(input - 1)];
            const auto *values = reinterpret_cast<const qint16 *>(sample.data.constData());
            const int count = sample.length() / 2;
            if (a.channels == 1) {
                for (int i = 0; i < count; ++i) {
                    a.pcm.push_back(values[i]);
                    a.pcm.push_back(values[i]);
                }
            } else {
                a.pcm.insert(a.pcm.end(), values, values + (count & ~1));
            }
        }
    }
    pump();
}

void TDvMuxerElement::endOfStream(int input)
{
    {
        std::lock_guard guard(m_lock);
        if (input == 0)
            m_videoEnded = true;
        else if (input == 1 || input == 2)
            m_audio[size_t(input - 1)].ended = true;
    }
    pump();
}

// Takes the next frame whose audio is all there, with its audio written in.
bool TDvMuxerElement::popReady(TMediaSample &out, bool &end)
{
    end = false;
    if (m_video.empty()) {
        if (m_videoEnded && !m_endSent) {
            m_endSent = true;
            end = true;
            return true;
        }
        return false;
    }
    TMediaSample &frame = m_video.front();
    const int count = DifSequenceCount(frame.length());
    const bool pal = count == dif::Sequences625;
    const bool silent = !audioConnected(0) && !audioConnected(1) && m_silenceRate > 0;
    const qint32 rate = m_audio[0].rate ? m_audio[0].rate : silent ? m_silenceRate : 48000;
    const int need = count ? DvAudioSamplesPerFrame(pal, rate, m_frameIndex) : 0;
    for (int k = 0; k < 2; ++k)
        if (!m_audio[size_t(k)].ended && m_audio[size_t(k)].pcm.size() < size_t(need) * 2)
            return false;

    const bool four = audioConnected(0) && audioConnected(1) && m_audio[0].rate == 32000 && m_audio[1].rate == 32000;
    for (int k = 0; k < 2; ++k) {
        TAudioIn &a = m_audio[size_t(k)];
        std::vector<qint16> &pcm = m_pair[k];
        pcm.assign(size_t(need) * 2, 0);
        const size_t take = std::min(pcm.size(), a.pcm.size());
        std::copy(a.pcm.begin(), a.pcm.begin() + qsizetype(take), pcm.begin());
        a.pcm.erase(a.pcm.begin(), a.pcm.begin() + qsizetype(take));
    }
    out = std::move(frame);
    m_video.pop_front();
    if (count) {
        TDvAudioEncoding encoding;
        encoding.rate = rate;
        encoding.bits = four ? 12 : 16;
        encoding.samples = need;
        encoding.locked = !pal && rate == 48000;
        std::span<const qint16> pair0, pair1;
        if (audioConnected(0) || silent)
            pair0 = m_pair[0]; // all zeros when silent
        if (four)
            pair1 = m_pair[1];
        // A frame the encoder refuses keeps the audio it came with.
        EncodeDvAudio(std::span<quint8>(out.writableBytes(), size_t(out.length())), encoding, pair0, pair1);
    }
    ++m_frameIndex;
    return true;
}

void TDvMuxerElement::pump()
{
    for (;;) {
        TMediaSample out;
        bool end = false;
        {
            std::lock_guard guard(m_lock);
            if (m_delivering || !popReady(out, end))
                return;
            m_delivering = true;
        }
        if (end)
            deliverEndOfStreamToAll();
        else
            deliver(0, out);
        std::lock_guard guard(m_lock);
        m_delivering = false;
    }
}
