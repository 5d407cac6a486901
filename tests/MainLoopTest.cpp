#include "core/MainLoop.hpp"
#include "core/Timer.hpp"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

static std::int64_t loopNow = 0;

// The game as the loop sees it, recording the loop's calls one letter each:
// E(vents), U(pdate), R(ender), and S with the milliseconds slept.
struct FakeGame {
    bool paused = false, still = false, windowOpen = true;
    std::string calls;
    // Whether events came; may pause, resume or close.
    std::function<bool()> onEvents = [] { return false; };
    const FakeGame* GetState() const { return this; }
    bool IsPaused() const { return paused; }
    double GetFrameTime() const { return static_cast<double>(1.0f / 60.0f); }
    // A loop that never ends fails instead of hanging.
    mutable int looks = 0;
    bool IsWindowOpen() const { return windowOpen && ++looks < 100000; }
    bool IsStill() const { return still; }
    bool HandleEvents() { return calls += 'E', onEvents(); }
    void Update() { calls += 'U'; }
    void Render() { calls += 'R'; }
};

// Play steps once the frame time (16666667.5 ns) has passed, draws each step
// and sleeps until the next; a late pass brings one step, not two. A still
// screen is drawn when events came, and otherwise every 30th pass. Paused,
// events are read every frame time and only they can bring a frame; a pause
// lifted by them steps at once. A window closed in a step's events ends the
// loop after that step, with nothing more drawn.
TEST(MainLoopTest, StepsOnTimeSleepsBetweenAndDrawsOnlyWhatCanHaveChanged)
{
    Timer timer([] { return loopNow; });
    timer.StartTimer();
    timer.SetTimerPoint();
    FakeGame game;
    MainLoop loop(game, timer, [&game](double seconds) {
        loopNow += std::llround(seconds * 1e9);
        game.calls += "S" + std::to_string(std::lround(seconds * 1000));
    });
    const auto passes = [&](int count, std::int64_t lateBy = 0) {
        game.calls.clear();
        loopNow += lateBy;
        for (int pass = 0; pass < count; ++pass) {
            game.calls += pass ? "|" : "";
            loop.Pass();
        }
        return game.calls;
    };
    EXPECT_EQ(passes(4), "S17|EUR|S17|EUR");
    EXPECT_EQ(passes(3, 250000000), "EUR|S17|EUR");
    EXPECT_EQ(passes(2, 10000000), "S7|EUR");
    game.still = true;
    const std::string shop = passes(60);
    EXPECT_EQ(shop.find('R'), shop.size() - 1) << "drawn before the 30th step: " << shop;
    game.onEvents = [] { return true; };
    EXPECT_EQ(passes(2), "S17|EUR");
    game.paused = true;
    EXPECT_EQ(passes(2), "ERS17|ERS17");
    game.onEvents = [] { return false; };
    const std::string menu = passes(30);
    EXPECT_EQ(menu.find('R'), menu.size() - 4) << "drawn before the 30th pass: " << menu;
    game.onEvents = [&game] { return !(game.paused = false); };
    EXPECT_EQ(passes(3), "E|EUR|S17");
    game.onEvents = [&game] { return !(game.windowOpen = false); };
    game.calls.clear();
    loop.Run();
    EXPECT_EQ(game.calls, "EU");
}
