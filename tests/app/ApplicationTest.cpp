#include "app/Application.h"
#include "app/IScene.h"
#include "app/ProcessFaults.h"

#include "DisplaySupport.h"
#include "WindowCloseRequest.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace dravik {
namespace {

// Records every call the frame loop makes, and asks its own window to close
// (as the title bar's close button would) once a few frames have run, or
// raises a stop signal instead.
class RecordingScene : public IScene {
public:
    explicit RecordingScene(int stopSignal = 0)
        : stopSignal(stopSignal)
    {
    }

    struct Call {
        std::string what;
        bool windowOpen;
    };

    void onStart(sf::RenderWindow& window) override
    {
        record("onStart", window);
        startSize = window.getSize();
    }
    void onStop(sf::RenderWindow& window) override { record("onStop", window); }
    void render(sf::RenderWindow& window) override { record("render", window); }

    void update(sf::RenderWindow& window, const sf::Time& elapsed) override
    {
        record("update", window);
        allElapsedPositive = allElapsedPositive && elapsed > sf::Time::Zero;
        if (!window.isOpen())
            return;
        ++openFrames;
        if (openFrames == 3)
            closeRequested =
                stopSignal != 0 ? std::raise(stopSignal) == 0 : tools::sendCloseRequest(window.getSystemHandle());
        // Never hang the test run if the request is lost.
        if (openFrames > 3000)
            window.close();
    }

    bool handleEvent(sf::RenderWindow& window, const sf::Event& event) override
    {
        record("handleEvent", window);
        eventTypes.push_back(event.type);
        return false;
    }

    std::vector<Call> calls;
    std::vector<sf::Event::EventType> eventTypes;
    sf::Vector2u startSize;
    int openFrames = 0;
    bool closeRequested = false;
    bool allElapsedPositive = true;
    bool sameWindowEveryCall = true;

private:
    void record(const char* what, sf::RenderWindow& window)
    {
        if (firstWindow == nullptr)
            firstWindow = &window;
        sameWindowEveryCall = sameWindowEveryCall && firstWindow == &window;
        calls.push_back({what, window.isOpen()});
    }

    const sf::RenderWindow* firstWindow = nullptr;
    int stopSignal;
};

void runUntilStopped(RecordingScene& scene)
{
    WindowSettings settings;
    settings.videoMode = sf::VideoMode(320, 240);
    settings.title = "dravik frame loop test";
    settings.frameRateLimit = 60;
    Application(settings).run(scene);
}

// A close request, SIGTERM and SIGINT each end the loop after one more frame.
void expectStoppedAfterOneMoreFrame(const RecordingScene& scene)
{
    ASSERT_TRUE(scene.closeRequested);
    ASSERT_LT(scene.openFrames, 3000) << "the close request never arrived";
    EXPECT_EQ(scene.startSize, sf::Vector2u(320, 240));
    EXPECT_TRUE(scene.sameWindowEveryCall);
    EXPECT_TRUE(scene.allElapsedPositive);
    for (sf::Event::EventType type : scene.eventTypes)
        EXPECT_NE(type, sf::Event::Closed) << "Closed is the loop's, never the scene's";

    const std::vector<RecordingScene::Call>& calls = scene.calls;
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls.front().what, "onStart");
    EXPECT_TRUE(calls.front().windowOpen);

    // After the close: exactly one more update and render, then onStop.
    std::size_t firstClosed = 0;
    while (firstClosed < calls.size() && calls[firstClosed].windowOpen)
        ++firstClosed;
    ASSERT_EQ(calls.size() - firstClosed, 3u);
    EXPECT_EQ(calls[firstClosed].what, "update");
    EXPECT_EQ(calls[firstClosed + 1].what, "render");
    EXPECT_EQ(calls[firstClosed + 2].what, "onStop");

    // While open, frames are events, then one update, then one render.
    std::string previous = "onStart";
    for (std::size_t i = 1; i < calls.size(); ++i) {
        const std::string& what = calls[i].what;
        if (what == "update")
            EXPECT_TRUE(previous == "render" || previous == "handleEvent" || previous == "onStart") << "call " << i;
        else if (what == "render")
            EXPECT_EQ(previous, "update") << "call " << i;
        else if (what == "handleEvent")
            EXPECT_TRUE(previous == "render" || previous == "handleEvent" || previous == "onStart") << "call " << i;
        else
            EXPECT_EQ(i, calls.size() - 1) << what << " only ends the run";
        previous = what;
    }
}

TEST(ApplicationTest, CloseRequestEndsTheLoopAfterOneMoreFrame)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    RecordingScene scene;
    runUntilStopped(scene);
    expectStoppedAfterOneMoreFrame(scene);
}

TEST(ApplicationTest, StopSignalsEndTheLoopLikeACloseRequest)
{
    if (!displaySet())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    ASSERT_TRUE(holdDisplay()) << "cannot connect to $DISPLAY";
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        installStopSignalHandlers();
        RecordingScene scene(signal);
        runUntilStopped(scene);
        expectStoppedAfterOneMoreFrame(scene);
        EXPECT_FALSE(takeStopRequest()) << "the loop took the request";
    }
}

} // namespace
} // namespace dravik
