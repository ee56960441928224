#pragma once

// The macro recorder: one per process. While it records, every change a user
// makes through an action appends one script line to its target (the script
// window's editor). Busy guards against nested lines: an action sets it while
// its apply handlers run, so the actions those handlers change in turn write
// nothing, and one user gesture gives one line.
//
// Main thread only; Busy is a re-entrancy guard, not a lock.

#include <QString>

#include <functional>

class TMacroRecorder
{
public:
    using TTarget = std::function<void(const QString &line)>;

    static TMacroRecorder &Instance();

    // Starts recording into target (replacing any earlier one); Stop ends it.
    void Start(TTarget target);
    void Stop();
    bool IsRecording() const { return bool(m_target); }

    bool Busy() const { return m_busy; }
    void SetBusy(bool busy) { m_busy = busy; }

    // Appends the line when recording and not Busy; says whether it did.
    bool Record(const QString &line);

private:
    TMacroRecorder() = default;

    TTarget m_target;
    bool m_busy = false;
};

// Sets Busy for its lifetime when the recorder records, and puts back what
// was there before, so an inner guard never clears an outer one and an
// exception leaves the flag as it found it.
class TRecorderBusy
{
public:
    TRecorderBusy();
    ~TRecorderBusy();
    TRecorderBusy(const TRecorderBusy &) = delete;
    TRecorderBusy &operator=(const TRecorderBusy &) = delete;

private:
    bool m_set = false;
    bool m_previous = false;
};
