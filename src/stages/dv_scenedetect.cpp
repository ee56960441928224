#include "stages/dv_scenedetect.h"

#include "dv/datecode.h"

#include <cmath>
#include <limits>

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kPalFrameTime = 400000;  // 25 frames a second
constexpr qint64 kNtscFrameTime = 333667; // 30000/1001 frames a second

// A datecode in whole seconds. Datecodes have one-second resolution, so
// differences in seconds are exact where differences of doubles are not.
qint64 Seconds(TDateTime value)
{
    return std::llround(value * double(kSecondsPerDay));
}

qint64 Day(qint64 seconds)
{
    return seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
}

// Frames shown in seconds at a frame time, nearest integer (halves to even).
int FramesInSeconds(int seconds, qint64 frameTime)
{
    if (seconds <= 0)
        return 0;
    const double frames = std::nearbyint(double(seconds) * 1e7 / double(frameTime));
    return frames >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(frames);
}

bool FormatDiffers(const TFrameInfo &a, const TFrameInfo &b)
{
    // The channel count alone does not make a new scene.
    return a.is16x9 != b.is16x9 || a.is525_60 != b.is525_60 || a.sampleRate != b.sampleRate
           || a.sampleBits != b.sampleBits;
}

} // namespace

Tdv_sceneDetect::Tdv_sceneDetect(const TDatecodeTextSettingsStore *settings)
    : TBCTransInPlaceFilter(QString::fromUtf16(DisplayName), false),
      m_settingsStore(settings ? settings : &TDatecodeTextSettingsStore::instance())
{
}

Tdv_sceneDetect::~Tdv_sceneDetect() = default;

std::atomic<bool> &Tdv_sceneDetect::pairSeen()
{
    static std::atomic<bool> seen{false};
    return seen;
}

void Tdv_sceneDetect::clearCallbacks()
{
    m_sceneCallback = nullptr;
    m_endCallback = nullptr;
    m_textCallback = nullptr;
}

void Tdv_sceneDetect::resetCountdown()
{
    m_countdown.store(m_displayFrames.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
}

void Tdv_sceneDetect::setTextMode(int mode)
{
    if (mode < Permanently || mode > EachNewDay)
        return;
    m_textMode.store(mode, std::memory_order_relaxed);
    resetCountdown();
}

void Tdv_sceneDetect::setDisplaySeconds(int seconds)
{
    m_displaySeconds.store(seconds, std::memory_order_relaxed);
    const qint64 frameTime = m_frameTime.load(std::memory_order_relaxed);
    if (frameTime > 0)
        m_displayFrames.store(FramesInSeconds(seconds, frameTime), std::memory_order_relaxed);
    resetCountdown();
}

void Tdv_sceneDetect::setFrameTime(qint64 frameTime)
{
    if (frameTime <= 0 || frameTime == m_frameTime.load(std::memory_order_relaxed))
        return;
    m_frameTime.store(frameTime, std::memory_order_relaxed);
    const int seconds = m_displaySeconds.load(std::memory_order_relaxed);
    if (seconds >= 0)
        m_displayFrames.store(FramesInSeconds(seconds, frameTime), std::memory_order_relaxed);
}

TResult Tdv_sceneDetect::CheckInputType(const TMediaType &type)
{
    if (type.majorType == media::Interleaved || (type.majorType == media::Video && type.subtype == media::Dvsd))
        return TResult::Ok;
    return TResult::TypeNotAccepted;
}

void Tdv_sceneDetect::startStreaming()
{
    const TMediaType &type = input(0)->mediaType();
    m_interleaved = type.majorType == media::Interleaved;
    qint64 frameTime = 0;
    if (m_interleaved) {
        // DVINFO has no frame time; the 50/60 flag of its VAUX source pack
        // (PC3 bit 5) tells the system until the first frame's size does.
        const TDvInfo info = type.dvInfo();
        if (info.vauxSrc != 0)
            frameTime = (info.vauxSrc & (1u << 21)) ? kPalFrameTime : kNtscFrameTime;
    } else {
        frameTime = type.videoInfo().avgTimePerFrame;
    }
    m_frameTimeFromFrames = m_interleaved || frameTime <= 0;
    setFrameTime(frameTime);

    resetCountdown();
    m_lastLine1.clear();
    m_lastLine2.clear();
    m_samples = 0;
    m_current.frameIndex = 0;

    std::lock_guard guard(m_resultLock);
    m_published.samples = 0;
    m_published.framePassed = false;
}

TResult Tdv_sceneDetect::Transform(TMediaSample &sample)
{
    const int sequences = DifSequenceCount(sample.length());
    if (sequences == 0) {
        // Not a DV frame this stage parses: it goes on untouched.
        ++m_samples;
        std::lock_guard guard(m_resultLock);
        m_published.samples = m_samples;
        return TResult::Ok;
    }
    const quint8 *frame = sample.bytes();

    if (m_frameTimeFromFrames) {
        const qint64 before = m_frameTime.load(std::memory_order_relaxed);
        setFrameTime(sequences == dif::Sequences625 ? kPalFrameTime : kNtscFrameTime);
        // The display time asked for counts from the first frame of the run.
        if (m_current.frameIndex == 0 && m_frameTime.load(std::memory_order_relaxed) != before)
            resetCountdown();
    }

    m_previous = m_current;
    parseFrame(frame, sequences);
    feedText();
    detectScenes();
    sample.frameData = frameData(frame, sequences);
    ++m_current.frameIndex;
    ++m_samples;
    publish();
    return TResult::Ok;
}

void Tdv_sceneDetect::parseFrame(const quint8 *frame, int sequences)
{
    TFrameInfo &f = m_current;
    TDatecodeFields fields;
    TDateTime datecode = 0;
    f.datecodePresent = ReadDatecode(frame, sequences, fields) && DatecodeFromFields(fields, datecode);
    f.datecode = f.datecodePresent ? datecode : 0;
    f.timecodePresent = ReadTimecode(frame, sequences, f.timecode);
    const bool audio = ReadAudioFormat(frame, sequences, f.sampleRate, f.sampleBits, f.channels);
    const bool wide = ReadWideScreen(frame, sequences, f.is16x9);
    ReadSystem(frame, f.is525_60);
    f.formatPresent = audio && wide;
}

void Tdv_sceneDetect::feedText()
{
    int countdown = m_countdown.load(std::memory_order_relaxed);
    if (countdown > 0)
        --countdown;
    const int mode = m_textMode.load(std::memory_order_relaxed);
    if (m_current.datecodePresent && (mode == EachNewScene || mode == EachNewDay)) {
        const qint64 now = Seconds(m_current.datecode);
        const qint64 before = Seconds(m_previousDatecode);
        const qint64 diff = now - before;
        const bool trigger = mode == EachNewScene ? (diff > 2 || diff < 0)
                                                  : (Day(now) != Day(before) || diff > kSecondsPerDay
                                                     || diff < -kSecondsPerDay);
        if (trigger)
            countdown = m_displayFrames.load(std::memory_order_relaxed);
    }
    m_previousDatecode = m_current.datecodePresent ? m_current.datecode : 0;
    m_countdown.store(countdown, std::memory_order_relaxed);

    if (!m_textCallback)
        return;
    if (mode == Permanently || countdown > 0) {
        composeLines();
        if (m_line1 != m_lastLine1 || m_line2 != m_lastLine2) {
            m_lastLine1 = m_line1;
            m_lastLine2 = m_line2;
            m_textCallback(m_current, m_line1, m_line2);
        }
    } else if (!m_lastLine1.isEmpty() || !m_lastLine2.isEmpty()) {
        m_lastLine1.clear();
        m_lastLine2.clear();
        m_textCallback(m_current, m_lastLine1, m_lastLine2);
    }
}

void Tdv_sceneDetect::composeLines()
{
    if (m_settingsStore->refresh(m_settings, m_settingsGeneration)) {
        m_codes1 = DatecodeLineCodes(m_settings.template1);
        m_codes2 = DatecodeLineCodes(m_settings.template2);
    }
    const bool usesDatecode = m_codes1.d1 || m_codes1.d2 || m_codes2.d1 || m_codes2.d2;
    const bool usesTimecode = m_codes1.t || m_codes2.t;

    // Only what the templates show goes into the key: while it stays the
    // same, so do the lines, and nothing is formatted or composed.
    TTextKey key;
    key.generation = m_settingsGeneration;
    if (usesDatecode && m_current.datecodePresent) {
        key.datecodePresent = true;
        key.datecode = m_current.datecode;
    }
    if (usesTimecode && m_current.timecodePresent) {
        key.timecodePresent = true;
        key.timecode = m_current.timecode;
    }
    if (m_composed && key == m_textKey)
        return;

    TTextKey datecodeKey = key;
    datecodeKey.timecodePresent = false;
    datecodeKey.timecode = {};
    if (!m_formatted || datecodeKey != m_formattedKey) {
        m_d1.clear();
        m_d2.clear();
        if (key.datecodePresent) {
            const TDateTime shown = key.datecode + m_settings.displayShift;
            if (m_codes1.d1 || m_codes2.d1)
                m_d1 = FormatDateTime(m_settings.format1, shown);
            if (m_codes1.d2 || m_codes2.d2)
                m_d2 = FormatDateTime(m_settings.format2, shown);
        }
        m_formattedKey = datecodeKey;
        m_formatted = true;
    }
    if (key.timecodePresent)
        m_t = TimecodeInlayText(key.timecode);
    else
        m_t.clear();

    ComposeDatecodeLine(m_settings.template1, m_d1, m_d2, m_t, m_line1);
    ComposeDatecodeLine(m_settings.template2, m_d1, m_d2, m_t, m_line2);
    m_textKey = key;
    m_composed = true;
}

void Tdv_sceneDetect::reportScene()
{
    // A scene always holds at least one frame: when a format change and a
    // lost datecode fall on the same frame, the second report would be empty.
    if (m_sceneCallback && m_sceneStart.frameIndex != m_current.frameIndex)
        m_sceneCallback(m_sceneStart, m_current);
}

void Tdv_sceneDetect::detectScenes()
{
    std::atomic<bool> &paired = pairSeen();
    const TFrameInfo &cur = m_current;

    if (m_sceneStart.formatPresent && cur.formatPresent && FormatDiffers(m_sceneStart, cur)) {
        reportScene();
        paired.store(false, std::memory_order_relaxed);
        m_sceneStart = cur;
    }

    const bool now = cur.datecodePresent;
    const bool before = m_previous.datecodePresent;
    if (!now && before) {
        // The datecode is lost: the dropout starts a scene.
        if (cur.frameIndex > 0) {
            reportScene();
            m_sceneStart = cur;
        }
    } else if (now && !before) {
        // It reappears: a short dropout stays at the head of the scene it started.
        const qint64 sinceStart = qint64(cur.frameIndex) - qint64(m_sceneStart.frameIndex);
        if (sinceStart > DropoutLimit || sinceStart < -DropoutLimit) {
            reportScene();
            m_sceneStart = cur;
        }
        m_lastDatecode = cur.datecode;
    } else if (now && before) {
        const qint64 jump = Seconds(cur.datecode) - Seconds(m_lastDatecode);
        if (paired.load(std::memory_order_relaxed) && (jump > JumpSeconds || jump < -JumpSeconds)) {
            reportScene();
            m_sceneStart = cur;
        }
        m_lastDatecode = cur.datecode;
        paired.store(true, std::memory_order_relaxed);
    }

    if (m_takeStart) {
        m_sceneStart = cur;
        m_takeStart = false;
    }
}

std::shared_ptr<const TDvFrameData> Tdv_sceneDetect::frameData(const quint8 *frame, int sequences) const
{
    auto data = std::make_shared<TDvFrameData>();
    data->info = m_current;
    data->heads.save(frame, sequences);
    return data;
}

void Tdv_sceneDetect::publish()
{
    std::lock_guard guard(m_resultLock);
    m_published.current = m_current;
    m_published.previous = m_previous;
    m_published.samples = m_samples;
    m_published.framePassed = true;
}

TSceneDetectSnapshot Tdv_sceneDetect::snapshot() const
{
    std::lock_guard guard(m_resultLock);
    return m_published;
}

void Tdv_sceneDetect::stopStreaming()
{
    // The last scene runs up to the frames processed.
    reportScene();
    if (m_textCallback && (!m_lastLine1.isEmpty() || !m_lastLine2.isEmpty())) {
        m_lastLine1.clear();
        m_lastLine2.clear();
        m_textCallback(m_current, m_lastLine1, m_lastLine2);
    }
    if (m_endCallback)
        m_endCallback();
    TBCTransInPlaceFilter::stopStreaming();

    // Ready for the next run. The current record counts as dated, so in a
    // later run the first dated frame already completes a pair.
    m_sceneStart.frameIndex = 0;
    m_sceneStart.datecodePresent = false;
    m_sceneStart.timecodePresent = false;
    m_sceneStart.formatPresent = false;
    m_takeStart = true;
    m_current.frameIndex = 0;
    m_current.datecodePresent = true;
    m_lastDatecode = 0;
    pairSeen().store(false, std::memory_order_relaxed);
    m_countdown.store(0, std::memory_order_relaxed);
    m_textCallback = nullptr;
}
