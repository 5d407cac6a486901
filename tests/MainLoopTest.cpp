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

void Advance(double seconds)
{
    loopNow += static_cast<std::int64_t>(seconds * 1e9);
}

// The play state as the loop sees it. A state that a restart has replaced
// records any later use, which in the game would touch freed memory.
struct FakeState {
    bool paused = false;
    double frameTime = static_cast<double>(1.0f / 60.0f);
    bool retired = false;
    mutable int usesAfterRetirement = 0;

    bool IsPaused() const
    {
        usesAfterRetirement += retired ? 1 : 0;
        return paused;
    }
    double GetFrameTime() const
    {
        usesAfterRetirement += retired ? 1 : 0;
        return frameTime;
    }
};

// Records the calls the loop makes, one letter each: R(ender), E(vents), U(pdate).
struct FakeGame {
    std::vector<std::unique_ptr<FakeState>> states;
    bool windowOpen = true;
    std::string calls;
    int passesLeft = 1000000;
    std::function<void()> onEvents;
    std::function<void()> onUpdate;

    FakeGame() { states.push_back(std::make_unique<FakeState>()); }

    FakeState* GetState() { return states.back().get(); }
    bool IsWindowOpen() const { return windowOpen; }
    void Render()
    {
        calls += 'R';
        // A safety net so a broken loop cannot spin forever.
        if (--passesLeft <= 0)
            windowOpen = false;
    }
    void HandleEvents()
    {
        calls += 'E';
        if (onEvents)
            onEvents();
    }
    void Update()
    {
        calls += 'U';
        if (onUpdate)
            onUpdate();
    }
    // What Restart does to the loop: a new play state replaces the old one.
    void Restart(bool paused)
    {
        states.back()->retired = true;
        states.push_back(std::make_unique<FakeState>());
        states.back()->paused = paused;
    }
    std::string TakeCalls()
    {
        std::string taken;
        taken.swap(calls);
        return taken;
    }
};

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loopNow = 50 * 1000000000LL;
        // As main does before the first pass.
        timer.StartTimer();
        timer.SetTimerPoint();
    }

    std::string Pass()
    {
        RunLoopPass(game, timer);
        return game.TakeCalls();
    }

    FakeGame game;
    Timer timer{&LoopNow};
};

} // namespace

TEST_F(MainLoopTest, DrawsEveryPassButStepsOnlyOnceTheFrameTimeHasPassed)
{
    // 16666667 ns is just short of 1/60 s in single precision (16666667.5 ns).
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Pass(), "R");
    loopNow += 16666667;
    EXPECT_EQ(Pass(), "R");
    loopNow += 1;
    // Events come before the step that uses them.
    EXPECT_EQ(Pass(), "REU");
    EXPECT_EQ(Pass(), "R");
}

TEST_F(MainLoopTest, StepsWhenExactlyTheFrameTimeHasPassed)
{
    game.GetState()->frameTime = 0.02;
    loopNow += 19999999;
    EXPECT_EQ(Pass(), "R");
    loopNow += 1;
    EXPECT_EQ(Pass(), "REU");
}

TEST_F(MainLoopTest, SlowPassGivesOneStepAndNoCatchingUp)
{
    // A pass that took ten frames' worth of time still steps only once.
    Advance(0.25);
    EXPECT_EQ(Pass(), "REU");
    EXPECT_EQ(Pass(), "R");
    EXPECT_EQ(Pass(), "R");

    // The point moves to the moment of the step, not one frame further: 25 ms
    // late then 10 ms later is not another step.
    Advance(0.025);
    EXPECT_EQ(Pass(), "REU");
    Advance(0.010);
    EXPECT_EQ(Pass(), "R");
    Advance(0.007);
    EXPECT_EQ(Pass(), "REU");
}

TEST_F(MainLoopTest, WhilePausedEventsArePolledEveryPassAndNothingSteps)
{
    game.GetState()->paused = true;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Pass(), "RE");
        Advance(1.0);
    }
    // After the long pause: one step at once, then the normal pace.
    game.GetState()->paused = false;
    EXPECT_EQ(Pass(), "REU");
    EXPECT_EQ(Pass(), "R");
    EXPECT_EQ(Pass(), "R");
    Advance(0.017);
    EXPECT_EQ(Pass(), "REU");
}

TEST_F(MainLoopTest, PausingDuringTheStepsEventsStillRunsThatStep)
{
    Advance(0.017);
    game.onEvents = [this] { game.GetState()->paused = true; };
    EXPECT_EQ(Pass(), "REU");
    game.onEvents = nullptr;
    EXPECT_EQ(Pass(), "RE");
}

TEST_F(MainLoopTest, CloseDuringTheStepsEventsStillRunsThatUpdateThenTheLoopEnds)
{
    int pass = 0;
    game.onEvents = [&] {
        if (++pass == 2)
            game.windowOpen = false;
    };
    loopNow += 17000000;
    // Each update lets the next frame time pass before the next pass.
    game.onUpdate = [] { loopNow += 17000000; };
    RunMainLoop(game, timer);
    EXPECT_EQ(game.TakeCalls(), "REUREU");
}

TEST_F(MainLoopTest, CloseWhilePausedEndsTheLoopAfterThatPass)
{
    game.GetState()->paused = true;
    int pass = 0;
    game.onEvents = [&] {
        if (++pass == 3)
            game.windowOpen = false;
    };
    RunMainLoop(game, timer);
    EXPECT_EQ(game.TakeCalls(), "RERERE");
}

TEST_F(MainLoopTest, WindowThatNeverOpenedRunsNoPass)
{
    game.windowOpen = false;
    RunMainLoop(game, timer);
    EXPECT_EQ(game.TakeCalls(), "");
}

TEST_F(MainLoopTest, RestartReplacingTheStateIsPickedUpOnTheNextUse)
{
    // Paused on the game over screen; a restart leaves play running.
    game.GetState()->paused = true;
    int events = 0;
    game.onEvents = [&] {
        ++events;
        if (events == 2)
            game.Restart(false);
        if (events == 4)
            game.Restart(true);
        if (events == 6)
            game.windowOpen = false;
    };
    game.onUpdate = [] { loopNow += 17000000; };
    Advance(1.0);
    RunMainLoop(game, timer);
    // Paused twice; the new running state steps twice (the second step's
    // events restart into a paused state); then two paused passes.
    EXPECT_EQ(game.TakeCalls(), "RERE" "REU" "REU" "RE" "RE");
    for (const auto& state : game.states)
        EXPECT_EQ(state->usesAfterRetirement, 0) << "the loop kept a replaced play state";
}
