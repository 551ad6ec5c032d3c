#include "SourceFakes.h"

#include "source/InputSource.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

using test::ScriptedCapture;
using test::WindowProbe;

TEST(InputSource, StartsTheDefaultDeviceUnlessOneIsNamed)
{
    ScriptedCapture capture;
    InputSource input(capture);
    ASSERT_TRUE(input.start(""));
    EXPECT_EQ(capture.started, "Built-in Microphone");
    ASSERT_TRUE(input.start("USB Headset"));
    EXPECT_EQ(input.deviceName(), "USB Headset");
}

TEST(InputSource, RefusalsLeaveAReason)
{
    ScriptedCapture none;
    none.names.clear();
    InputSource noDevice(none);
    EXPECT_FALSE(noDevice.start(""));
    EXPECT_EQ(noDevice.error(), "no sound capture device found");

    ScriptedCapture busy;
    busy.refuse = true;
    InputSource refused(busy);
    EXPECT_FALSE(refused.start(""));
    EXPECT_FALSE(refused.isRunning());
    EXPECT_NE(refused.error().find("busy"), std::string::npos);
}

TEST(InputSource, AnalysesOneHopOfCapturedSoundAtATime)
{
    ScriptedCapture capture;
    InputSource input(capture);
    ASSERT_TRUE(input.start(""));
    WindowProbe probe(128, 4096, 0.5f);
    int analyses = 0;
    // Two seconds arriving in 10 ms bursts, read at 60 frames per second.
    for (int tick = 0; tick < 200; ++tick) {
        capture.deliver(441);
        if (tick % 2 == 0) {
            input.update(0.02);
            analyses += input.feedAnalyser(probe, 128, 4096);
        }
    }
    EXPECT_NEAR(analyses, (2 * 44100 - 4096) / 2048 + 1, 1);
}

TEST(InputSource, ADeviceThatFallsSilentIsReportedAndStopped)
{
    ScriptedCapture capture;
    InputSource input(capture);
    ASSERT_TRUE(input.start(""));
    capture.deliver(4410);
    input.update(0.1);
    for (int frame = 0; frame < 59; ++frame)
        input.update(1.0 / 60.0);
    EXPECT_TRUE(input.isRunning());
    input.update(1.0 / 30.0);
    EXPECT_FALSE(input.isRunning());
    EXPECT_EQ(capture.stops, 1);
    EXPECT_NE(input.error().find("stopped delivering sound"), std::string::npos);
}

} // namespace
} // namespace dravik
