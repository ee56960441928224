#pragma once

// Ctrl+C during a command run: the first one stops the run (the current
// file's pipeline stops and no further file starts), the second one ends the
// process at once with status 128 + the signal number (130 for Ctrl+C).

#include <array>
#include <memory>
#include <thread>

#include <signal.h>

class TCommandEngine;

namespace cli {

// Handles SIGINT and SIGTERM while it lives, then puts back the handlers it
// found. The signal handler only writes a byte into a pipe (or exits on the
// second signal); a watcher thread reading the pipe calls the engine's
// AbortAll, so the engine's thread may be blocked in waitForIdle meanwhile.
// A signal that was ignored when the watch began (a background job of a
// script) stays ignored. One watch at a time; it must not outlive the engine.
class TInterruptWatch
{
public:
    explicit TInterruptWatch(TCommandEngine &engine);
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch &) = delete;
    TInterruptWatch &operator=(const TInterruptWatch &) = delete;

    // False when the handlers could not be installed (the signals then keep
    // their previous behaviour).
    bool installed() const { return m_installed; }

private:
    void watch();

    TCommandEngine &m_engine;
    bool m_installed = false;
    std::array<struct sigaction, 2> m_previous{}; // SIGINT, SIGTERM
    std::thread m_thread;
};

// Installs a watch for engine; keep it until the run has ended:
//     const auto interrupt = AbortAllOnInterrupt(engine);
[[nodiscard]] std::unique_ptr<TInterruptWatch> AbortAllOnInterrupt(TCommandEngine &engine);

} // namespace cli
