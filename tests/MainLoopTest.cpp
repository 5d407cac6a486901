#include "core/MainLoop.hpp"
#include "core/Timer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::int64_t loopNow = 0;
std::int64_t LoopNow()
{
    return loopNow;
}

constexpr std::int64_t kMs = 1000000;

// A state that a restart has replaced counts any later use: freed memory in the game.
struct FakeState {
    bool paused = false;
    double frameTime = static_cast<double>(1.0f / 60.0f);
    bool retired = false;
    mutable int usesAfterRetirement = 0;
    bool IsPaused() const { return usesAfterRetirement += retired, paused; }
    double GetFrameTime() const { return usesAfterRetirement += retired, frameTime; }
};

// Records the loop's calls, one letter each: R(ender), E(vents), U(pdate).
struct FakeGame {
    std::vector<std::unique_ptr<FakeState>> states;
    bool windowOpen = true;
    std::string calls;
    int passesLeft = 100000; // so a broken loop cannot spin forever
    std::function<void()> onEvents = [] {};
    std::function<void()> onUpdate = [] {};

    FakeGame() { Restart(false); }
    FakeState* GetState() { return states.back().get(); }
    bool IsWindowOpen() const { return windowOpen; }
    void Render() { calls += 'R', windowOpen = windowOpen && --passesLeft > 0; }
    void HandleEvents() { calls += 'E', onEvents(); }
    void Update() { calls += 'U', onUpdate(); }
    void Restart(bool paused)
    {
        if (!states.empty())
            states.back()->retired = true;
        states.push_back(std::make_unique<FakeState>());
        states.back()->paused = paused;
    }
};

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loopNow = 50000 * kMs;
        timer.StartTimer();
        timer.SetTimerPoint();
    }
    // The calls of n passes, one group per pass.
    std::string Passes(int n = 1)
    {
        game.calls.clear();
        for (int i = 0; i < n; ++i) {
            RunLoopPass(game, timer);
            game.calls += i + 1 < n ? " " : "";
        }
        return game.calls;
    }

    FakeGame game;
    Timer timer{&LoopNow};
};

} // namespace

TEST_F(MainLoopTest, DrawsEveryPassAndStepsOnceAFrameTimeHasPassedWithoutCatchingUp)
{
    // 16666667 ns is just short of 1/60 s in single precision (16666667.5 ns).
    loopNow += 16666667;
    EXPECT_EQ(Passes(3), "R R R");
    loopNow += 1;
    // Events come before the step that uses them.
    EXPECT_EQ(Passes(2), "REU R");
    // Ten frames late still steps once, and the point moves to the step itself.
    loopNow += 250 * kMs;
    EXPECT_EQ(Passes(2), "REU R");
    loopNow += 25 * kMs;
    EXPECT_EQ(Passes(), "REU");
    loopNow += 10 * kMs;
    EXPECT_EQ(Passes(), "R");
    loopNow += 7 * kMs;
    EXPECT_EQ(Passes(), "REU");
    // Exactly the frame time is enough.
    game.GetState()->frameTime = 0.02;
    loopNow += 19999999;
    EXPECT_EQ(Passes(), "R");
    loopNow += 1;
    EXPECT_EQ(Passes(), "REU");
}

TEST_F(MainLoopTest, WhilePausedEventsArePolledEveryPassAndNothingSteps)
{
    game.GetState()->paused = true;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Passes(), "RE");
        loopNow += 1000 * kMs;
    }
    // After the long pause: one step at once, then the normal pace.
    game.GetState()->paused = false;
    EXPECT_EQ(Passes(3), "REU R R");
    loopNow += 17 * kMs;
    // Pausing in the step's own events still runs that step.
    game.onEvents = [this] { game.GetState()->paused = true; };
    EXPECT_EQ(Passes(2), "REU RE");
}

TEST_F(MainLoopTest, CloseEndsTheLoopAfterThatPassAndTheUpdateStillRuns)
{
    int pass = 0;
    game.onEvents = [&] { game.windowOpen = ++pass != 2; };
    // Each update lets the next frame time pass.
    game.onUpdate = [] { loopNow += 17 * kMs; };
    loopNow += 17 * kMs;
    RunMainLoop(game, timer);
    EXPECT_EQ(game.calls, "REUREU");

    FakeGame paused;
    paused.GetState()->paused = true;
    pass = 0;
    paused.onEvents = [&] { paused.windowOpen = ++pass != 3; };
    RunMainLoop(paused, timer);
    EXPECT_EQ(paused.calls, "RERERE");

    FakeGame closed;
    closed.windowOpen = false;
    RunMainLoop(closed, timer);
    EXPECT_EQ(closed.calls, "");
}

TEST_F(MainLoopTest, RestartReplacingTheStateIsPickedUpOnTheNextUse)
{
    game.GetState()->paused = true;
    int events = 0;
    game.onEvents = [&] {
        ++events;
        if (events == 2 || events == 4)
            game.Restart(events == 4);
        game.windowOpen = events != 6;
    };
    game.onUpdate = [] { loopNow += 17 * kMs; };
    loopNow += 1000 * kMs;
    RunMainLoop(game, timer);
    EXPECT_EQ(game.calls, "RERE" "REU" "REU" "RE" "RE");
    for (const auto& state : game.states)
        EXPECT_EQ(state->usesAfterRetirement, 0) << "the loop kept a replaced play state";
}
