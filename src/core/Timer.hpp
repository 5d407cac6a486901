#pragma once

#include <cstdint>

// Pausable stopwatch on the monotonic clock, with an independent timer point.
// Misuse is reported on standard output and never fatal.
class Timer {
public:
    // Nanoseconds since an arbitrary epoch; tests swap in a manual clock.
    using NowFunction = std::int64_t (*)();

    explicit Timer(NowFunction now = &SteadyNow);

    void StartTimer();
    void PauseTimer();
    void ResumeTimer();
    double GetElapsedTime() const;
    void RestartTimer();
    void SetTimerPoint();
    double GetTimeSinceTimerPoint() const;

    bool IsStarted() const { return isStarted; }
    bool IsPaused() const { return isPaused; }

    static std::int64_t SteadyNow();

private:
    // Seconds from point to now, less the paused total.
    double SecondsSince(std::int64_t point) const;

    std::int64_t startPoint = 0;
    std::int64_t pausePoint = 0;
    std::int64_t timerPoint = 0;
    double pausedDuration = 0.0;
    bool isStarted = false;
    bool isPaused = false;
    bool timerPointIndicator = false;
    NowFunction now;
};
