#include "app/cli_interrupt.h"

#include "commands/commandengine.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace cli {
namespace {

constexpr char kInterruptByte = 'i';
constexpr char kQuitByte = 'q';
constexpr std::array<int, 2> kSignals = {SIGINT, SIGTERM};

// The pipe from the signal handler to the watcher thread. It lives as long
// as the process, so a handler still running on another thread while a
// watch ends never writes into a closed (or reused) descriptor.
struct TInterruptPipe
{
    int readFd = -1;
    int writeFd = -1;
};

const TInterruptPipe &InterruptPipe()
{
    static const TInterruptPipe pipe = [] {
        TInterruptPipe p;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            p.readFd = fds[0];
            p.writeFd = fds[1];
        }
        return p;
    }();
    return pipe;
}

// What the signal handler may touch: lock-free atomics only. A signal
// handler cannot be given a context, so this state is file-wide.
std::atomic<int> handlerWriteFd{-1}; // -1: no watch installed
std::atomic<int> signalsSeen{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterruptSignal(int signo)
{
    const int savedErrno = errno;
    if (signalsSeen.fetch_add(1) >= 1)
        _exit(128 + signo);
    const int fd = handlerWriteFd.load();
    if (fd >= 0) {
        const char byte = kInterruptByte;
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void DrainPipe(int fd)
{
    char buffer[64];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

} // namespace

TInterruptWatch::TInterruptWatch(TCommandEngine &engine) : m_engine(engine)
{
    const TInterruptPipe &pipe = InterruptPipe();
    if (pipe.readFd < 0)
        return;
    DrainPipe(pipe.readFd); // bytes left by a watch that ended during a signal

    // The watcher thread never runs the handler: it starts with the signals blocked.
    sigset_t blocked, previousMask;
    sigemptyset(&blocked);
    for (int signo : kSignals)
        sigaddset(&blocked, signo);
    pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
    m_thread = std::thread([this] { watch(); });
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);

    signalsSeen = 0;
    handlerWriteFd = pipe.writeFd;
    struct sigaction action = {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A signal ignored from the start (a background job of a script) stays ignored.
    for (size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
    m_installed = true;
}

TInterruptWatch::~TInterruptWatch()
{
    const TInterruptPipe &pipe = InterruptPipe();
    if (m_installed) {
        for (size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
        handlerWriteFd = -1;
    }
    if (m_thread.joinable()) {
        // Bytes are read in order: an interrupt signalled before this is handled first.
        const char byte = kQuitByte;
        while (write(pipe.writeFd, &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
}

void TInterruptWatch::watch()
{
    const int fd = InterruptPipe().readFd;
    bool aborted = false;
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        char buffer[16];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == kQuitByte)
                return;
            if (buffer[i] == kInterruptByte && !aborted) {
                aborted = true;
                std::fprintf(stderr, "%starvex-cli: interrupted, stopping (press Ctrl+C again to quit at once)\n",
                             isatty(fileno(stderr)) ? "\n" : "");
                std::fflush(stderr);
                m_engine.AbortAll();
            }
        }
    }
}

std::unique_ptr<TInterruptWatch> AbortAllOnInterrupt(TCommandEngine &engine)
{
    return std::make_unique<TInterruptWatch>(engine);
}

} // namespace cli
