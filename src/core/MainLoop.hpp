#pragma once

// The main loop, written against any game and timer with the operations it
// uses, so its pacing can be tested with stand-ins.

// One pass: draw, then at most one step once the frame time has passed
// (no catching up), or only events while paused.
template <class GameT, class TimerT> void RunLoopPass(GameT& game, TimerT& frameTimer)
{
    game.Render();
    if (!game.GetState()->IsPaused()) {
        if (frameTimer.GetTimeSinceTimerPoint() >= game.GetState()->GetFrameTime()) {
            frameTimer.SetTimerPoint();
            game.HandleEvents();
            game.Update();
            return;
        }
    }
    // The state is fetched again: the pass may not have changed it, but a
    // restart replaces it.
    if (game.GetState()->IsPaused())
        game.HandleEvents();
}

template <class GameT, class TimerT> void RunMainLoop(GameT& game, TimerT& frameTimer)
{
    if (!game.IsWindowOpen())
        return;
    do {
        RunLoopPass(game, frameTimer);
    } while (game.IsWindowOpen());
}
