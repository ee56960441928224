// tarvex-cli's Ctrl+C handling: the first signal stops the engine's run, the
// second ends the process at once; the previous handlers come back after.

#include "app/cli_interrupt.h"
#include "commands/commandengine.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

void (*CurrentHandler(int signo))(int)
{
    struct sigaction current = {};
    sigaction(signo, nullptr, &current);
    return current.sa_handler;
}

// Sets a signal's handler for the lifetime of the object.
class TDisposition
{
public:
    TDisposition(int signo, void (*handler)(int)) : m_signo(signo)
    {
        struct sigaction action = {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        sigaction(signo, &action, &m_saved);
    }
    ~TDisposition() { sigaction(m_signo, &m_saved, nullptr); }
    TDisposition(const TDisposition &) = delete;
    TDisposition &operator=(const TDisposition &) = delete;

private:
    int m_signo;
    struct sigaction m_saved = {};
};

TEST(CliInterrupt, FirstSignalAbortsTheRunAndTheHandlersComeBack)
{
    for (const int signo : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signo);
        const TDisposition intDefault(SIGINT, SIG_DFL), termDefault(SIGTERM, SIG_DFL);
        const auto previousInt = CurrentHandler(SIGINT);
        const auto previousTerm = CurrentHandler(SIGTERM);
        TCommandEngine engine;
        {
            const auto watch = cli::AbortAllOnInterrupt(engine);
            ASSERT_TRUE(watch->installed());
            EXPECT_FALSE(engine.AbortedAll());
            std::raise(signo);
            // The watch ends after the watcher has handled what was signalled before.
        }
        EXPECT_TRUE(engine.AbortedAll());
        EXPECT_EQ(CurrentHandler(SIGINT), previousInt);
        EXPECT_EQ(CurrentHandler(SIGTERM), previousTerm);
    }
}

TEST(CliInterrupt, WatchWithoutSignalLeavesTheEngineAlone)
{
    TCommandEngine engine;
    {
        const auto watch = cli::AbortAllOnInterrupt(engine);
        ASSERT_TRUE(watch->installed());
    }
    EXPECT_FALSE(engine.AbortedAll());
}

TEST(CliInterrupt, IgnoredSignalStaysIgnored)
{
    const TDisposition ignored(SIGINT, SIG_IGN);
    TCommandEngine engine;
    {
        const auto watch = cli::AbortAllOnInterrupt(engine);
        EXPECT_EQ(CurrentHandler(SIGINT), SIG_IGN);
        std::raise(SIGINT);
    }
    EXPECT_FALSE(engine.AbortedAll());
    EXPECT_EQ(CurrentHandler(SIGINT), SIG_IGN);
}

TEST(CliInterruptDeathTest, SecondSignalExitsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto &[signo, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        EXPECT_EXIT(
            {
                const TDisposition byDefault(signo, SIG_DFL);
                TCommandEngine engine;
                const auto watch = cli::AbortAllOnInterrupt(engine);
                std::raise(signo);
                std::raise(signo);
                std::abort();
            },
            testing::ExitedWithCode(status), "")
            << signo;
    }
}

} // namespace
