#include "framework/macrorecorder.h"

#include <utility>

TMacroRecorder &TMacroRecorder::Instance()
{
    static TMacroRecorder recorder;
    return recorder;
}

void TMacroRecorder::Start(TTarget target)
{
    m_target = std::move(target);
}

void TMacroRecorder::Stop()
{
    m_target = nullptr;
}

bool TMacroRecorder::Record(const QString &line)
{
    if (!m_target || m_busy)
        return false;
    m_target(line);
    return true;
}

TRecorderBusy::TRecorderBusy()
{
    TMacroRecorder &recorder = TMacroRecorder::Instance();
    if (recorder.IsRecording()) {
        m_set = true;
        m_previous = recorder.Busy();
        recorder.SetBusy(true);
    }
}

TRecorderBusy::~TRecorderBusy()
{
    if (m_set)
        TMacroRecorder::Instance().SetBusy(m_previous);
}
