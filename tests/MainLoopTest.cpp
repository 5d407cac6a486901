#include "core/MainLoop.hpp"
#include "core/Timer.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::int64_t loopNow = 0;
constexpr std::int64_t kMs = 1000000;

// A state a restart has replaced counts every later use: freed memory in the game.
struct FakeState {
    bool paused = false, replaced = false;
    double frameTime = static_cast<double>(1.0f / 60.0f);
    mutable int usesAfterReplacement = 0;
    bool IsPaused() const { return usesAfterReplacement += replaced, paused; }
    double GetFrameTime() const { return usesAfterReplacement += replaced, frameTime; }
};

// Records the loop's calls, one letter each: R(ender), E(vents), U(pdate).
struct FakeGame {
    std::vector<std::unique_ptr<FakeState>> states;
    bool windowOpen = true;
    std::string calls;
    std::function<void()> onEvents = [] {}, onUpdate = [] {};
    FakeGame() { Restart(false); }
    FakeState* GetState() { return states.back().get(); }
    bool IsWindowOpen() const { return windowOpen; }
    void Render() { calls += 'R', windowOpen = windowOpen && calls.size() < 1000; }
    void HandleEvents() { calls += 'E', onEvents(); }
    void Update() { calls += 'U', onUpdate(); }
    void Restart(bool paused)
    {
        if (!states.empty())
            states.back()->replaced = true;
        states.push_back(std::make_unique<FakeState>());
        states.back()->paused = paused;
    }
};

} // namespace

// 1/60 s in single precision is 16666667.5 ns: a step waits for all of it,
// never catches up, and counts from the step itself.
TEST(MainLoopTest, DrawsEveryPassAndStepsOnceAFrameTimeHasPassed)
{
    loopNow = 50000 * kMs;
    Timer timer([] { return loopNow; });
    timer.StartTimer();
    timer.SetTimerPoint();
    FakeGame game;
    const std::pair<std::int64_t, const char*> passes[] = {{16666667, "R"}, {0, "R"}, {1, "REU"}, {0, "R"},
        {250 * kMs, "REU"}, {0, "R"}, {10 * kMs, "R"}, {7 * kMs, "REU"}};
    for (const auto& [later, calls] : passes) {
        loopNow += later;
        game.calls.clear();
        RunLoopPass(game, timer);
        EXPECT_EQ(game.calls, calls) << "at " << loopNow - 50000 * kMs << " ns";
    }
    game.calls.clear();
    game.GetState()->frameTime = 0.02;
    loopNow += 20 * kMs;
    RunLoopPass(game, timer);
    game.GetState()->paused = true;
    loopNow += 1000 * kMs;
    RunLoopPass(game, timer);
    game.GetState()->paused = false;
    game.onEvents = [&game] { game.GetState()->paused = true; };
    RunLoopPass(game, timer);
    RunLoopPass(game, timer);
    EXPECT_EQ(game.calls, "REU" "RE" "REU" "RE") << "a whole frame time steps; paused, only events; a pause in the step's own events";
}

TEST(MainLoopTest, LoopEndsAfterThePassThatClosesTheWindowAndFollowsARestart)
{
    Timer timer([] { return loopNow; });
    timer.StartTimer();
    timer.SetTimerPoint();
    FakeGame game;
    int events = 0;
    game.GetState()->paused = true;
    game.onEvents = [&] {
        if (++events == 2 || events == 4)
            game.Restart(events == 4);
        game.windowOpen = events != 6;
    };
    game.onUpdate = [] { loopNow += 17 * kMs; };
    loopNow += 1000 * kMs;
    RunMainLoop(game, timer);
    EXPECT_EQ(game.calls, "RERE" "REU" "REU" "RE" "RE");
    for (const auto& state : game.states)
        EXPECT_EQ(state->usesAfterReplacement, 0) << "the loop kept a replaced play state";
    FakeGame closed;
    closed.windowOpen = false;
    RunMainLoop(closed, timer);
    EXPECT_EQ(closed.calls, "");
}
