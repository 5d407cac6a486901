#include "core/Game.hpp"
#include "core/MainLoop.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/GameState.hpp"

#include <memory>

int main()
{
    auto game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    Timer frameTimer;
    game->Init();
    frameTimer.StartTimer();
    frameTimer.SetTimerPoint();
    RunMainLoop(*game, frameTimer);
    // Take the game down before returning: the music streams run on threads
    // of their own and must stop while the audio device still exists.
    game.reset();
    return 0;
}
