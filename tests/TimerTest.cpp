#include "TestSupport.hpp"
#include "core/Timer.hpp"

#include <cstdint>
#include <string>
#include <vector>

using testsupport::CapturedStdout;

namespace {

// A clock the test moves by hand, in nanoseconds.
std::int64_t manualNow = 0;
std::int64_t ManualNow()
{
    return manualNow;
}

void SetClockSeconds(double seconds)
{
    manualNow = static_cast<std::int64_t>(seconds * 1e9);
}

const std::string kStartError = "Error->StartTimer(): timer is already started.";
const std::string kPauseError = "Error->PauseTimer(): timer is not started or is already paused.";
const std::string kResumeError = "Error->ResumeTimer(): timer is not started or is not paused.";
const std::string kElapsedError = "Error->GetElapsedTime(): timer is not started.";

class TimerTest : public ::testing::Test {
protected:
    // Start the clock far from zero so a stray zero time point shows up.
    void SetUp() override { SetClockSeconds(1000.0); }
    Timer timer{&ManualNow};
};

} // namespace

TEST_F(TimerTest, MisuseOfANewTimerReportsOneLineEachAndReturnsMinusOne)
{
    CapturedStdout out;
    EXPECT_EQ(timer.GetElapsedTime(), -1.0);
    timer.PauseTimer();
    timer.ResumeTimer();
    EXPECT_EQ(timer.GetTimeSinceTimerPoint(), -1.0);
    const std::vector<std::string> lines = out.Lines();
    ASSERT_EQ(lines.size(), 4u) << out.Text();
    EXPECT_EQ(lines[0], kElapsedError);
    EXPECT_EQ(lines[1], kPauseError);
    EXPECT_EQ(lines[2], kResumeError);
    EXPECT_EQ(lines[3].rfind("Error->", 0), 0u) << lines[3];
    // Nothing was started or paused by the failed calls.
    EXPECT_FALSE(timer.IsStarted());
    EXPECT_FALSE(timer.IsPaused());
    EXPECT_FALSE(timer.HasTimerPoint());
}

TEST_F(TimerTest, StateMachineRefusesPausingTwiceAndResumingARunningTimer)
{
    CapturedStdout out;
    timer.StartTimer();
    timer.ResumeTimer();
    EXPECT_EQ(out.Lines(), std::vector<std::string>{kResumeError});
    EXPECT_FALSE(timer.IsPaused());

    out.Clear();
    SetClockSeconds(1002.0);
    timer.PauseTimer();
    SetClockSeconds(1005.0);
    // The second pause must not move the pause point to 1005.
    timer.PauseTimer();
    EXPECT_EQ(out.Lines(), std::vector<std::string>{kPauseError});
    EXPECT_TRUE(timer.IsPaused());
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 2.0);

    out.Clear();
    timer.ResumeTimer();
    timer.ResumeTimer();
    EXPECT_EQ(out.Lines(), std::vector<std::string>{kResumeError});
    // Paused from 1002 to 1005 only once.
    EXPECT_DOUBLE_EQ(timer.GetPausedDuration(), 3.0);
    SetClockSeconds(1010.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);
}

TEST_F(TimerTest, ElapsedTimeStandsStillDuringAPauseAndLeavesPausesOut)
{
    timer.StartTimer();
    SetClockSeconds(1003.0);
    timer.PauseTimer();
    for (double t : {1003.0, 1004.5, 1100.0}) {
        SetClockSeconds(t);
        EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 3.0) << "clock at " << t;
    }
    SetClockSeconds(1005.0);
    timer.ResumeTimer();
    SetClockSeconds(1009.0);
    // 9 s of wall time, 2 s of it paused.
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);

    // A second pause adds to the total and the reading freezes again.
    timer.PauseTimer();
    SetClockSeconds(1011.5);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);
    timer.ResumeTimer();
    SetClockSeconds(1012.5);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 8.0);
    EXPECT_DOUBLE_EQ(timer.GetPausedDuration(), 4.5);
}

TEST_F(TimerTest, TimeSinceTimerPointSubtractsEveryPauseSinceTheStart)
{
    CapturedStdout out;
    timer.StartTimer();
    SetClockSeconds(1001.0);
    timer.PauseTimer();
    SetClockSeconds(1003.0);
    timer.ResumeTimer();
    // The point is set after the 2 s pause, yet that pause is still taken off.
    SetClockSeconds(1005.0);
    timer.SetTimerPoint();
    SetClockSeconds(1008.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 1.0);

    // Paused after the point: the reading freezes at (pause - point) - total.
    SetClockSeconds(1009.0);
    timer.PauseTimer();
    SetClockSeconds(1030.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 2.0);
    SetClockSeconds(1031.0);
    timer.ResumeTimer();
    SetClockSeconds(1032.0);
    // 27 s since the point, 2 + 22 s of pauses in all.
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 3.0);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(TimerTest, TimerPointWorksOnATimerThatWasNeverStarted)
{
    CapturedStdout out;
    timer.SetTimerPoint();
    SetClockSeconds(1000.5);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 0.5);
    EXPECT_EQ(out.Text(), "");
    EXPECT_FALSE(timer.IsStarted());

    // Starting later keeps the point.
    timer.StartTimer();
    SetClockSeconds(1001.0);
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 1.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 0.5);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(TimerTest, SecondStartIsRefusedAndKeepsStartAndPausedTotal)
{
    timer.StartTimer();
    SetClockSeconds(1001.0);
    timer.PauseTimer();
    SetClockSeconds(1004.0);
    timer.ResumeTimer();
    SetClockSeconds(1010.0);

    CapturedStdout out;
    timer.StartTimer();
    EXPECT_EQ(out.Lines(), std::vector<std::string>{kStartError});
    EXPECT_DOUBLE_EQ(timer.GetPausedDuration(), 3.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);

    // Also refused while paused, and the pause goes on.
    out.Clear();
    timer.PauseTimer();
    timer.StartTimer();
    EXPECT_EQ(out.Lines(), std::vector<std::string>{kStartError});
    EXPECT_TRUE(timer.IsPaused());
    SetClockSeconds(1020.0);
    EXPECT_DOUBLE_EQ(timer.GetElapsedTime(), 7.0);
}

TEST_F(TimerTest, RestartFromAnyStateRunsFromNowWithNoPointAndNoPausedTotal)
{
    enum class From { New, Running, Paused, PausedAndResumed };
    for (From from : {From::New, From::Running, From::Paused, From::PausedAndResumed}) {
        SCOPED_TRACE(static_cast<int>(from));
        SetClockSeconds(1000.0);
        Timer t(&ManualNow);
        if (from != From::New) {
            t.StartTimer();
            SetClockSeconds(1001.0);
            t.SetTimerPoint();
            t.PauseTimer();
            SetClockSeconds(1004.0);
            if (from == From::PausedAndResumed)
                t.ResumeTimer();
        } else {
            t.SetTimerPoint();
        }
        SetClockSeconds(1006.0);

        CapturedStdout out;
        t.RestartTimer();
        EXPECT_EQ(out.Text(), "");
        EXPECT_TRUE(t.IsStarted());
        EXPECT_FALSE(t.IsPaused());
        EXPECT_FALSE(t.HasTimerPoint());
        EXPECT_EQ(t.GetPausedDuration(), 0.0);

        SetClockSeconds(1008.5);
        EXPECT_DOUBLE_EQ(t.GetElapsedTime(), 2.5);
        EXPECT_EQ(t.GetTimeSinceTimerPoint(), -1.0);
        ASSERT_EQ(out.Lines().size(), 1u) << out.Text();
        EXPECT_EQ(out.Lines()[0].rfind("Error->", 0), 0u);

        // Running, so a pause is accepted at once.
        out.Clear();
        t.PauseTimer();
        EXPECT_EQ(out.Text(), "");
        EXPECT_TRUE(t.IsPaused());
    }
}

// The loop compares against 1/60 s in single precision, 16666667.5 ns: a
// timer that lost the nanoseconds would step a frame early or late.
TEST_F(TimerTest, SubSecondDifferencesAreNanosecondExact)
{
    timer.StartTimer();
    timer.SetTimerPoint();
    manualNow += 16666667;
    EXPECT_DOUBLE_EQ(timer.GetTimeSinceTimerPoint(), 0.016666667);
    EXPECT_LT(timer.GetTimeSinceTimerPoint(), static_cast<double>(1.0f / 60.0f));
    manualNow += 1;
    EXPECT_GE(timer.GetTimeSinceTimerPoint(), static_cast<double>(1.0f / 60.0f));
}

TEST(TimerSteadyClockTest, RealClockNeverRunsBackwards)
{
    Timer timer;
    timer.StartTimer();
    timer.SetTimerPoint();
    double last = 0.0;
    for (int i = 0; i < 1000; ++i) {
        const double now = timer.GetElapsedTime();
        EXPECT_GE(now, last);
        last = now;
    }
    EXPECT_GE(timer.GetTimeSinceTimerPoint(), 0.0);
}
