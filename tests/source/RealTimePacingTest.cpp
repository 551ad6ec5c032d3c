#include "source/RealTimePacing.h"

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

struct PacingCase {
    const char* name;
    const char* what;
    PacingState_t state;
    PacingAction action;
    std::int64_t windowEnd;
};

class PacingTable : public ::testing::TestWithParam<PacingCase> {};

TEST_P(PacingTable, PicksTheWindow)
{
    const PacingCase& c = GetParam();
    const PacingStep_t step = paceAnalysis(c.state);
    EXPECT_EQ(step.action, c.action) << c.what;
    if (c.action != PacingAction::Wait) {
        EXPECT_EQ(step.windowEnd, c.windowEnd) << c.what;
    }
}

// Window 4096, hop 2048; the analyser holds samples up to 8192.
INSTANTIATE_TEST_SUITE_P(
    RealTime, PacingTable,
    ::testing::Values(
        PacingCase{"HopNotHeard", "hop not yet heard", {8192, 2048, 2048, 4096, 10239, 0}, PacingAction::Wait, 0},
        PacingCase{"HopHeard", "hop just heard", {8192, 2048, 2048, 4096, 10240, 0}, PacingAction::Continue, 10240},
        PacingCase{"UnderTwoHops",
                   "less than a further hop",
                   {8192, 2048, 2048, 4096, 12287, 0},
                   PacingAction::Continue,
                   10240},
        PacingCase{"TwoHopsDue",
                   "two hops due: latest window",
                   {8192, 2048, 2048, 4096, 12288, 0},
                   PacingAction::Restart,
                   12288},
        PacingCase{"FarBehind", "far behind", {8192, 2048, 2048, 4096, 100000, 0}, PacingAction::Restart, 100000},
        PacingCase{"FirstWindowFilling", "first window filling", {0, 4096, 4096, 4096, 4095, 0}, PacingAction::Wait, 0},
        PacingCase{
            "FirstWindowFull", "first window full", {0, 4096, 4096, 4096, 4096, 0}, PacingAction::Continue, 4096},
        PacingCase{"SeekFilling",
                   "after a seek: a window of new sound first",
                   {8192, 2048, 2048, 4096, 12000, 9000},
                   PacingAction::Wait,
                   0},
        PacingCase{"SeekHeard",
                   "after a seek: window heard",
                   {8192, 2048, 2048, 4096, 13096, 9000},
                   PacingAction::Restart,
                   13096}),
    [](const ::testing::TestParamInfo<PacingCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace dravik
