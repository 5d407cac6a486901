#pragma once

// The main loop, written against any game, timer and sleep with the operations
// it uses, so its pacing can be tested with stand-ins.
//
// The world steps at most once a pass, once the frame time has passed since the
// last step; the timer point is set when a step fires, so a late pass delays the
// next step and never brings two. Between steps the loop sleeps. A screen where
// things move is drawn after every step; a still one (a menu, the shop) when an
// event came or it is not the screen last drawn, and otherwise only every
// stillRedrawPasses passes, so that it costs next to nothing while it is read.
//
// The game answers HandleEvents() with whether any event came, and IsStill()
// with whether nothing on screen can have moved since the last frame.

// About half a second, paused or not: a pass takes a frame time either way.
constexpr int stillRedrawPasses = 30;

template <class GameT, class TimerT, class SleepT> class MainLoop {
public:
    // sleep(seconds) returns once that much time has passed.
    MainLoop(GameT& game_, TimerT& frameTimer_, SleepT sleep_)
        : game(game_), frameTimer(frameTimer_), sleep(sleep_)
    {}

    void Run()
    {
        while (game.IsWindowOpen())
            Pass();
    }

    void Pass()
    {
        // The state is fetched at each use: a restart replaces it.
        if (!game.GetState()->IsPaused()) {
            const double wait =
                game.GetState()->GetFrameTime() - frameTimer.GetTimeSinceTimerPoint();
            if (wait > 0) {
                sleep(wait);
                return;
            }
            frameTimer.SetTimerPoint();
            const bool eventsCame = game.HandleEvents();
            game.Update();
            DrawIfDue(eventsCame);
            return;
        }
        const bool eventsCame = game.HandleEvents();
        // Resumed by those events: play's first step comes in the next pass, at once.
        if (!game.GetState()->IsPaused() || !game.IsWindowOpen())
            return;
        DrawIfDue(eventsCame);
        sleep(game.GetState()->GetFrameTime());
    }

private:
    void DrawIfDue(bool eventsCame)
    {
        if (!game.IsWindowOpen())
            return;
        if (game.IsStill() && !eventsCame && ++passesSinceFrame < stillRedrawPasses)
            return;
        game.Render();
        passesSinceFrame = 0;
    }

    GameT& game;
    TimerT& frameTimer;
    SleepT sleep;
    int passesSinceFrame = 0;
};
