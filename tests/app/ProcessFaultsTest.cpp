#include "app/ProcessFaults.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace dravik {
namespace {

TEST(ProcessFaultsTest, AStopSignalIsTakenOnce)
{
    EXPECT_FALSE(takeStopRequest());
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        installStopSignalHandlers();
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_TRUE(takeStopRequest());
        EXPECT_FALSE(takeStopRequest());
    }
}

TEST(ProcessFaultsTest, TheLatestLiveHookRuns)
{
    std::string ran;
    AbruptExitHook::runRegistered();
    {
        const AbruptExitHook outer([&ran] { ran += "outer "; });
        {
            const AbruptExitHook inner([&ran] { ran += "inner "; });
            AbruptExitHook::runRegistered();
        }
        AbruptExitHook::runRegistered();
    }
    AbruptExitHook::runRegistered();
    EXPECT_EQ(ran, "inner outer ");
}

} // namespace
} // namespace dravik
