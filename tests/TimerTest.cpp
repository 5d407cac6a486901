#include "TestSupport.hpp"

#include "core/Timer.hpp"

static std::int64_t manualNow = 0;
// Seconds from a point far from zero, so that a stray zero time point shows.
static void At(double seconds)
{
    manualNow = static_cast<std::int64_t>((1000.0 + seconds) * 1e9);
}

// Each misuse prints its line and leaves the timer as it was: a second pause
// keeps the first pause point, a second start the first start.
TEST(TimerTest, MisuseIsReportedOnOneLineAndChangesNothing)
{
    const std::string pause = "Error->PauseTimer(): timer is not started or is already paused.\n";
    const std::string resume = "Error->ResumeTimer(): timer is not started or is not paused.\n";
    const std::tuple<double, void (Timer::*)(), std::string> calls[] = {
        {0, &Timer::PauseTimer, pause},
        {0, &Timer::ResumeTimer, resume},
        {0, &Timer::StartTimer, ""},
        {2, &Timer::StartTimer, "Error->StartTimer(): timer is already started.\n"},
        {2, &Timer::ResumeTimer, resume},
        {2, &Timer::PauseTimer, ""},
        {5, &Timer::PauseTimer, pause}};
    Timer timer([] { return manualNow; });
    CapturedStdout out;
    EXPECT_TRUE(timer.GetElapsedTime() == -1.0 && timer.GetTimeSinceTimerPoint() == -1.0);
    EXPECT_EQ(out.Text(), "Error->GetElapsedTime(): timer is not "
                          "started.\nError->GetTimeSinceTimerPoint(): timer point is not set.\n");
    for (const auto& [at, call, line] : calls) {
        CapturedStdout callOut;
        At(at);
        (timer.*call)();
        EXPECT_EQ(callOut.Text(), line) << "at " << at;
    }
    EXPECT_EQ(timer.GetElapsedTime(), 2.0);
}

// Readings stand still while paused and leave out every pause, those before
// the timer point included; a restart forgets the pauses.
TEST(TimerTest, PausesAreLeftOutOfEveryReading)
{
    struct Row {
        double at;
        void (Timer::*action)();
        double elapsed, sincePoint;
    };
    const Row rows[] = {{0, &Timer::StartTimer, 0, -1},
                        {1, &Timer::PauseTimer, 1, -1},
                        {3, nullptr, 1, -1},
                        {3, &Timer::ResumeTimer, 1, -1},
                        {5, &Timer::SetTimerPoint, 3, -2},
                        {8, nullptr, 6, 1},
                        {9, &Timer::PauseTimer, 7, 2},
                        {30, nullptr, 7, 2},
                        {30, &Timer::ResumeTimer, 7, 2},
                        {32, nullptr, 9, 4},
                        {32, &Timer::RestartTimer, 0, -1},
                        {34.5, nullptr, 2.5, -1}};
    At(0.0);
    Timer timer([] { return manualNow; });
    CapturedStdout out;
    for (const Row& row : rows) {
        At(row.at);
        if (row.action)
            (timer.*row.action)();
        EXPECT_EQ(timer.GetElapsedTime(), row.elapsed) << "at " << row.at;
        EXPECT_EQ(timer.GetTimeSinceTimerPoint(), row.sincePoint) << "at " << row.at;
    }
}
