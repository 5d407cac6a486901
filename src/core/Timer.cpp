#include "core/Timer.hpp"

#include <chrono>
#include <iostream>

namespace {
void Report(const char* line)
{
    std::cout << line << std::endl;
}
} // namespace

Timer::Timer(NowFunction nowFunction) : now(nowFunction)
{}

std::int64_t Timer::SteadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Timer::StartTimer()
{
    if (isStarted) {
        Report("Error->StartTimer(): timer is already started.");
        return;
    }
    pausedDuration = 0.0;
    startPoint = now();
    isStarted = true;
    isPaused = false;
}

void Timer::PauseTimer()
{
    if (isStarted && !isPaused) {
        isPaused = true;
        pausePoint = now();
    } else {
        Report("Error->PauseTimer(): timer is not started or is already paused.");
    }
}

void Timer::ResumeTimer()
{
    if (isStarted && isPaused) {
        pausedDuration += static_cast<double>(now() - pausePoint) / 1e9;
        isPaused = false;
    } else {
        Report("Error->ResumeTimer(): timer is not started or is not paused.");
    }
}

double Timer::GetElapsedTime() const
{
    if (!isStarted) {
        Report("Error->GetElapsedTime(): timer is not started.");
        return -1.0;
    }
    return SecondsSince(startPoint);
}

void Timer::RestartTimer()
{
    startPoint = now();
    pausedDuration = 0.0;
    isPaused = false;
    timerPointIndicator = false;
    timerPoint = 0;
    isStarted = true;
}

void Timer::SetTimerPoint()
{
    timerPointIndicator = true;
    timerPoint = now();
}

double Timer::GetTimeSinceTimerPoint() const
{
    if (!timerPointIndicator) {
        Report("Error->GetTimeSinceTimerPoint(): timer point is not set.");
        return -1.0;
    }
    // The whole paused total is taken off, including pauses before the point.
    return SecondsSince(timerPoint);
}

double Timer::SecondsSince(std::int64_t point) const
{
    // While paused the reading stands still at the pause point.
    if (isPaused)
        return (static_cast<double>(pausePoint - point) - pausedDuration * 1e9) / 1e9;
    return static_cast<double>(now() - point) / 1e9 - pausedDuration;
}
