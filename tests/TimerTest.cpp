#include "TestSupport.hpp"
#include "core/Timer.hpp"

#include <cstdint>
#include <string>
#include <vector>

using testsupport::CapturedStdout;
using Lines = std::vector<std::string>;

namespace {

std::int64_t manualNow = 0;
std::int64_t ManualNow()
{
    return manualNow;
}

void At(double seconds)
{
    manualNow = static_cast<std::int64_t>(seconds * 1e9);
}

const std::string kStartError = "Error->StartTimer(): timer is already started.";
const std::string kPauseError = "Error->PauseTimer(): timer is not started or is already paused.";
const std::string kResumeError = "Error->ResumeTimer(): timer is not started or is not paused.";
const std::string kElapsedError = "Error->GetElapsedTime(): timer is not started.";

class TimerTest : public ::testing::Test {
protected:
    // Far from zero so a stray zero time point shows up.
    void SetUp() override { At(1000.0); }
    Timer timer{&ManualNow};
};

} // namespace

TEST_F(TimerTest, MisuseIsRefusedWithOneErrorLineAndChangesNothing)
{
    CapturedStdout out;
    EXPECT_EQ(timer.GetElapsedTime(), -1.0);
    timer.PauseTimer();
    timer.ResumeTimer();
    EXPECT_EQ(timer.GetTimeSinceTimerPoint(), -1.0);
    const Lines lines = out.Lines();
    ASSERT_EQ(lines.size(), 4u) << out.Text();
    EXPECT_EQ(lines[0], kElapsedError);
    EXPECT_EQ(lines[1], kPauseError);
    EXPECT_EQ(lines[2], kResumeError);
    EXPECT_EQ(lines[3].rfind("Error->", 0), 0u) << lines[3];
    EXPECT_FALSE(timer.IsStarted() || timer.IsPaused() || timer.HasTimerPoint());

    out.Clear();
    timer.StartTimer();
    timer.ResumeTimer();
    At(1002.0);
    timer.PauseTimer();
    At(1005.0);
    // Neither a second pause nor a second start moves the pause point or the start.
    timer.PauseTimer();
    timer.StartTimer();
    EXPECT_TRUE(timer.IsPaused());
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 2.0);
    timer.ResumeTimer();
    timer.ResumeTimer();
    timer.StartTimer();
    EXPECT_EQ(out.Lines(),
              (Lines{kResumeError, kPauseError, kStartError, kResumeError, kStartError}));
    EXPECT_DOUBLE_EQ(timer.GetPausedDuration(), 3.0);
    At(1010.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);
}

TEST_F(TimerTest, ReadingsFreezeWhilePausedAndLeaveEveryPauseOut)
{
    CapturedStdout out;
    timer.StartTimer();
    At(1001.0);
    timer.PauseTimer();
    At(1003.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 1.0);
    timer.ResumeTimer();
    // Set after the 2 s pause, yet that pause is still taken off.
    At(1005.0);
    timer.SetTimerPoint();
    At(1008.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 1.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 6.0);

    At(1009.0);
    timer.PauseTimer();
    At(1030.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 2.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);
    At(1031.0);
    timer.ResumeTimer();
    At(1032.0);
    // 27 s since the point, 2 + 22 s of pauses in all.
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 3.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 8.0);
    EXPECT_DOUBLE_EQ(timer.GetPausedDuration(), 24.0);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(TimerTest, TimerPointWorksOnATimerThatWasNeverStarted)
{
    CapturedStdout out;
    timer.SetTimerPoint();
    At(1000.5);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 0.5);
    EXPECT_FALSE(timer.IsStarted());
    timer.StartTimer();
    At(1001.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 1.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 0.5);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(TimerTest, RestartFromAnyStateRunsFromNowWithNoPointAndNoPausedTotal)
{
    for (int from = 0; from < 4; ++from) { // new, running, paused, paused and resumed
        SCOPED_TRACE(from);
        At(1000.0);
        Timer t(&ManualNow);
        t.SetTimerPoint();
        if (from > 0) {
            t.StartTimer();
            At(1001.0);
            if (from > 1)
                t.PauseTimer();
            At(1004.0);
            if (from > 2)
                t.ResumeTimer();
        }
        At(1006.0);
        CapturedStdout out;
        t.RestartTimer();
        EXPECT_TRUE(t.IsStarted());
        EXPECT_FALSE(t.IsPaused() || t.HasTimerPoint());
        EXPECT_EQ(t.GetPausedDuration(), 0.0);
        At(1008.5);
        EXPECT_DOUBLE_EQ(t.GetElapsedTime(), 2.5);
        t.PauseTimer();
        EXPECT_TRUE(t.IsPaused());
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(t.GetTimeSinceTimerPoint(), -1.0);
    }
}

// The loop compares against 1/60 s in single precision, 16666667.5 ns.
TEST_F(TimerTest, SubSecondDifferencesAreNanosecondExact)
{
    timer.StartTimer();
    timer.SetTimerPoint();
    manualNow += 16666667;
    EXPECT_LT(timer.GetTimeSinceTimerPoint(), static_cast<double>(1.0f / 60.0f));
    manualNow += 1;
    EXPECT_GE(timer.GetTimeSinceTimerPoint(), static_cast<double>(1.0f / 60.0f));
}
