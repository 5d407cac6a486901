#include "TestSupport.hpp"

static std::int64_t manualNow = 0;

// Readings stand still while paused and leave out every pause, those before
// the timer point included; a restart forgets the pauses. Each misuse prints
// its line and changes nothing: a second pause keeps the first pause point.
TEST(TimerTest, PausesAreLeftOutOfEveryReadingAndMisuseChangesNothing)
{
    const char* const pause = "Error->PauseTimer(): timer is not started or is already paused.\n";
    const char* const resume = "Error->ResumeTimer(): timer is not started or is not paused.\n";
    struct Row {
        double at;
        void (Timer::*action)();
        const char* line;
        double elapsed, sincePoint;
    };
    const Row rows[] = {
        {0, &Timer::PauseTimer, pause, -1, -1},
        {0, &Timer::ResumeTimer, resume, -1, -1},
        {0, &Timer::StartTimer, "", 0, -1},
        {1, &Timer::StartTimer, "Error->StartTimer(): timer is already started.\n", 1, -1},
        {1, &Timer::ResumeTimer, resume, 1, -1},
        {1, &Timer::PauseTimer, "", 1, -1},
        {3, &Timer::PauseTimer, pause, 1, -1},
        {3, &Timer::ResumeTimer, "", 1, -1},
        {5, &Timer::SetTimerPoint, "", 3, -2},
        {8, nullptr, "", 6, 1},
        {9, &Timer::PauseTimer, "", 7, 2},
        {30, nullptr, "", 7, 2},
        {30, &Timer::ResumeTimer, "", 7, 2},
        {32, nullptr, "", 9, 4},
        {32, &Timer::RestartTimer, "", 0, -1},
        {34.5, nullptr, "", 2.5, -1}};
    // Seconds from a point far from zero, so that a stray zero time point shows.
    Timer timer([] { return manualNow; });
    for (const Row& row : rows) {
        manualNow = static_cast<std::int64_t>((1000.0 + row.at) * 1e9);
        CapturedOutput out;
        if (row.action)
            (timer.*row.action)();
        EXPECT_EQ(out.Text(), row.line) << "at " << row.at;
        CapturedOutput readingErrors;
        EXPECT_EQ(timer.GetElapsedTime(), row.elapsed) << "at " << row.at;
        EXPECT_EQ(timer.GetTimeSinceTimerPoint(), row.sincePoint) << "at " << row.at;
    }
}
