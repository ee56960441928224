#pragma once

// Tdv_sceneDetect: an in-place stage that reads every DV frame passing
// through a pipeline without changing it. It decodes each frame into a
// TFrameInfo, reports scenes where the datecode jumps, disappears or
// reappears and where the picture or sound format changes, and reports the
// two datecode text lines whenever they change or disappear. Each DV frame's
// sample leaves the stage carrying the frame's data (its record and head
// blocks, TMediaSample::frameData), which stages further down read: the DV
// header stage writes the head blocks back, the inlay draws the datecode.
//
// Threads: Transform() runs on the streaming thread, and so do the scene
// and text callbacks it makes. startStreaming() and stopStreaming() run on
// the thread that starts or stops the pipeline; the callbacks of the stop
// sequence run there. The text mode and display time may be set from any
// thread at any time; the callbacks are set before the pipeline runs. The
// frame records may be read from any thread.

#include "dv/dvcodes.h"
#include "dv/dvframedata.h"
#include "pipelines/stagebase.h"
#include "stages/datecodelines.h"
#include "stages/datecodetextsettings.h"
#include "stages/frameinfo.h"

#include <atomic>
#include <memory>
#include <mutex>

// What readers of the stage see of the latest frame.
struct TSceneDetectSnapshot
{
    TFrameInfo current;       // the latest frame; its frame index already counts it
    TFrameInfo previous;      // the frame before it (the one a renderer shows last)
    qint64 samples = 0;       // samples seen in this run, including those that were not DV frames
    bool framePassed = false; // a DV frame passed since streaming started
};

class Tdv_sceneDetect final : public TBCTransInPlaceFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel dv_sceneDetect";
    static constexpr const char16_t *ClassId = u"{E87CC8D6-571D-4927-AC63-AEE089DF6B39}";
    // A datecode moving by more than this between frames starts a scene.
    static constexpr int JumpSeconds = 5;
    // A datecode that returns within this many frames of the start of the
    // scene its dropout began does not start another scene.
    static constexpr int DropoutLimit = 12;
    static constexpr int DefaultDisplayFrames = 125;

    // Text modes: when the datecode text shows.
    enum TTextMode : int { Permanently = 0, Once = 1, EachNewScene = 2, EachNewDay = 3 };

    // settings: where the text templates and formats come from (the
    // process-wide store unless a caller gives another one).
    explicit Tdv_sceneDetect(const TDatecodeTextSettingsStore *settings = &TDatecodeTextSettingsStore::instance());
    ~Tdv_sceneDetect() override;

    // Callbacks. The stop sequence clears the text callback; the scene and
    // end callbacks stay until they are replaced or cleared.
    void setSceneCallback(TSceneCallback callback) { m_sceneCallback = std::move(callback); }
    void setEndCallback(TEndCallback callback) { m_endCallback = std::move(callback); }
    void setTextCallback(TTextCallback callback) { m_textCallback = std::move(callback); }
    void clearCallbacks();

    // Text mode 0 to 3 (inlay setting "when"); other values are ignored.
    // Restarts the countdown.
    void setTextMode(int mode);
    int textMode() const { return m_textMode.load(std::memory_order_relaxed); }
    // How long the text stays after a trigger, in seconds (inlay setting
    // "duration"). Turned into frames with the frame time of the input; when
    // that is not known yet, the frames are worked out as soon as it is.
    // Restarts the countdown.
    void setDisplaySeconds(int seconds);
    int displayFrames() const { return m_displayFrames.load(std::memory_order_relaxed); }
    // The input's frame time in 100 ns units (0 while unknown).
    qint64 frameTime() const { return m_frameTime.load(std::memory_order_relaxed); }

    // Results, readable from any thread.
    TSceneDetectSnapshot snapshot() const;
    TFrameInfo currentFrame() const { return snapshot().current; }
    TFrameInfo previousFrame() const { return snapshot().previous; }

    // Set when a pair of consecutive dated frames was seen since a run
    // started or the format changed; one flag for every instance.
    static std::atomic<bool> &pairSeen();

    void startStreaming() override;
    void stopStreaming() override;

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TResult Transform(TMediaSample &sample) override;

private:
    struct TTextKey
    {
        quint64 generation = 0;
        bool datecodePresent = false;
        TDateTime datecode = 0;
        bool timecodePresent = false;
        TTimecodeFields timecode{};
        bool operator==(const TTextKey &) const = default;
    };

    void parseFrame(const quint8 *frame, int sequences);
    void feedText();
    void composeLines();
    void detectScenes();
    void reportScene();
    // The data of the frame just parsed, for its sample to carry.
    std::shared_ptr<const TDvFrameData> frameData(const quint8 *frame, int sequences) const;
    void publish();
    void setFrameTime(qint64 frameTime);
    void resetCountdown();

    const TDatecodeTextSettingsStore *m_settingsStore;

    // Streaming state (streaming thread; the stopping thread once streams ended).
    TFrameInfo m_current{};
    TFrameInfo m_previous{};
    TFrameInfo m_sceneStart{};
    bool m_takeStart = true;
    TDateTime m_lastDatecode = 0;
    TDateTime m_previousDatecode = 0; // for the text triggers; kept between runs
    qint64 m_samples = 0;
    bool m_interleaved = false;
    bool m_frameTimeFromFrames = false; // the input gives no frame time: the frame size tells it

    // Text.
    TSceneCallback m_sceneCallback;
    TEndCallback m_endCallback;
    TTextCallback m_textCallback;
    std::atomic<int> m_textMode{Permanently};
    std::atomic<int> m_displayFrames{DefaultDisplayFrames};
    std::atomic<int> m_displaySeconds{-1}; // -1: never set
    std::atomic<int> m_countdown{0};
    std::atomic<qint64> m_frameTime{0};
    TDatecodeTextSettings m_settings;
    quint64 m_settingsGeneration = 0;
    TDatecodeLineCodes m_codes1, m_codes2;
    bool m_composed = false; // m_line1, m_line2 belong to m_textKey
    TTextKey m_textKey;
    bool m_formatted = false; // m_d1, m_d2 belong to m_formattedKey
    TTextKey m_formattedKey;
    QString m_d1, m_d2, m_t;
    QString m_line1, m_line2;
    QString m_lastLine1, m_lastLine2;

    // Results shared with readers.
    mutable std::mutex m_resultLock;
    TSceneDetectSnapshot m_published;
};
