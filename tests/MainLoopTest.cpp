#include "core/MainLoop.hpp"
#include "core/Timer.hpp"

#include <functional>
#include <gtest/gtest.h>

static std::int64_t loopNow = 0;
static constexpr std::int64_t kMs = 1000000;

// The game as the loop sees it, recording the loop's calls one letter each:
// R(ender), E(vents), U(pdate).
struct FakeGame {
    bool paused = false, windowOpen = true;
    double frameTime = static_cast<double>(1.0f / 60.0f);
    std::string calls;
    std::function<void()> onEvents = [] {};
    const FakeGame* GetState() const { return this; }
    bool IsPaused() const { return paused; }
    double GetFrameTime() const { return frameTime; }
    bool IsWindowOpen() const { return windowOpen; }
    // Passes are kept apart by "|"; a loop that never ends fails instead of hanging.
    void Render()
    {
        calls += calls.empty() ? "R" : "|R";
        windowOpen = windowOpen && calls.size() < 1000;
    }
    void HandleEvents()
    {
        calls += 'E';
        onEvents();
    }
    void Update() { calls += 'U'; }
};

// 1/60 s in single precision is 16666667.5 ns: a step waits for all of it,
// never catches up after a late pass, and counts from the step itself.
// Paused, only events are read, and the loop ends after the pass that closed
// the window.
TEST(MainLoopTest, DrawsEveryPassAndStepsOnceAFrameTimeHasPassed)
{
    Timer timer([] { return loopNow; });
    timer.StartTimer();
    timer.SetTimerPoint();
    FakeGame game;
    // Time passed since the last pass, and the frame time the play state asks for.
    const double sixtieth = game.frameTime;
    const std::tuple<std::int64_t, double, const char*> passes[] = {
        {16666667, sixtieth, "R"},    {1, sixtieth, "REU"},   {0, sixtieth, "R"},
        {250 * kMs, sixtieth, "REU"}, {0, sixtieth, "R"},     {10 * kMs, sixtieth, "R"},
        {7 * kMs, sixtieth, "REU"},   {20 * kMs, 0.02, "REU"}};
    for (const auto& [later, frameTime, calls] : passes) {
        loopNow += later;
        game.frameTime = frameTime;
        game.calls.clear();
        RunLoopPass(game, timer);
        EXPECT_EQ(game.calls, calls) << "at " << loopNow << " ns";
    }
    game.calls.clear();
    game.paused = true;
    loopNow += 1000 * kMs;
    int events = 0;
    game.onEvents = [&] {
        game.paused = ++events != 2;
        game.windowOpen = events < 4;
    };
    RunMainLoop(game, timer);
    // A pause lifted in a pass's own events lets that pass step.
    EXPECT_EQ(game.calls, "RE|RE|REU|RE");
}
