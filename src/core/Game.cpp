#include "core/Game.hpp"

#include "audio/SoundManager.hpp"
#include "core/Multisampling.hpp"
#include "core/Timer.hpp"
#include "core/WindowPlacement.hpp"
#include "entities/Ball.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>
#include <cstdint>
#include <typeinfo>

bool escapeHeld = false;

Game::Game(sf::Vector2u size, sf::String title_)
    : width(size.x), height(size.y), title(std::move(title_))
{}

Game::~Game()
{
    pauseMenu.reset();
    gameOverMenu.reset();
    EmptyEntityList();
    FreeDiscarded();
    pad.reset();
    state.reset();
    shopMenu.reset();
    soundManager.reset();
    hud.reset();
    window.reset();
}

void Game::Init()
{
    // A software rasterizer is known to be slow before a frame is drawn.
    const bool software = Multisampling::IsSoftwareRenderer(Multisampling::RendererName());
    OpenWindow(software ? 0 : Multisampling::full);

    hud = std::make_unique<Hud>(this);
    // The clock stands still until the first launch click.
    hud->GetTimer()->PauseTimer();

    soundManager = std::make_unique<SoundManager>();
    soundManager->PlayMusic("Menu_music");

    shopMenu = std::make_unique<ShopMenu>(this);
    state = std::make_unique<GameState>(this);
    state->ShowStartMenu();

    // A slow graphics card shows in the first frames, which are the start
    // menu's anyway: without samples it keeps up with the steps.
    if (window->getSettings().antialiasingLevel > 0) {
        std::vector<double> frames;
        for (int frame = 0; frame < 5; ++frame) {
            const std::int64_t start = Timer::SteadyNow();
            Render();
            frames.push_back(static_cast<double>(Timer::SteadyNow() - start) / 1e9);
        }
        if (Multisampling::TooSlow(frames, state->GetFrameTime()))
            OpenWindow(0);
    }
}

void Game::OpenWindow(unsigned int samples)
{
    const sf::ContextSettings settings(0, 0, samples, 1, 1);
    if (!window)
        window = std::make_unique<sf::RenderWindow>();
    window->create(sf::VideoMode(width, height, 32), title,
                   sf::Style::Titlebar | sf::Style::Resize | sf::Style::Close, settings);
    WindowPlacement::Apply(*window, sf::Vector2u(width, height));
}

bool Game::IsWindowOpen() const
{
    return window && window->isOpen();
}

Game::Screen Game::GetScreen() const
{
    if (gameOver)
        return Screen::GameOver;
    if (state->IsPaused())
        return pauseMenu && pauseMenu->IsStartMenu() ? Screen::StartMenu : Screen::Paused;
    if (padReturning)
        return Screen::LevelEntry;
    if (betweenLevels)
        return Screen::Shop;
    if (remainingBricks == 0)
        return Screen::LevelExit;
    return ballLaunched ? Screen::Playing : Screen::WaitingForLaunch;
}

bool Game::IsStill() const
{
    const Screen screen = GetScreen();
    const bool holdsStill = screen == Screen::StartMenu || screen == Screen::Paused ||
                            screen == Screen::GameOver || screen == Screen::Shop;
    return holdsStill && drawnScreen == screen;
}

bool Game::IsPlaying() const
{
    const Screen screen = GetScreen();
    return screen == Screen::Playing || screen == Screen::WaitingForLaunch;
}

// ---------------------------------------------------------------- ownership

void Game::SetPad(Pad* newPad)
{
    if (pad.get() != newPad)
        pad.reset(newPad);
}

void Game::Discard(Entity* entity)
{
    discarded.emplace_back(entity);
}

void Game::EmptyEntityList()
{
    // The pad is owned through its own pointer, never through the list.
    for (Entity* e : entities) {
        if (e != pad.get())
            Discard(e);
    }
    entities.clear();
}

void Game::ClearFieldButPad()
{
    // The count must always match the balls that exist, or losing the next
    // level's last ball would not end the game.
    const int balls =
        static_cast<int>(std::count_if(entities.begin(), entities.end(),
                                       [](const Entity* e) { return typeid(*e) == typeid(Ball); }));
    EmptyEntityList();
    entities.push_back(pad.get());
    state->TakeBallsAway(balls);
}

void Game::FreeDiscarded()
{
    discarded.clear();
    closedPauseMenu.reset();
    closedGameOverMenu.reset();
}

// ---------------------------------------------------------------- screens

void Game::OpenStartMenu()
{
    clockRanBeforePause = false;
    pauseMenu = std::make_unique<PauseMenu>(this, true);
}

void Game::OpenPauseMenu()
{
    pauseMenu = std::make_unique<PauseMenu>(this, false);
    clockRanBeforePause = PausePlayClock();
    StopShake();
}

void Game::ClosePauseMenu()
{
    // Its own "Resume" may be what closes it: freed once the event is handled.
    closedPauseMenu = std::move(pauseMenu);
    // Played time keeps counting only where it counted before the pause.
    if (clockRanBeforePause) {
        clockRanBeforePause = false;
        ResumePlayClock();
    }
}

bool Game::PausePlayClock()
{
    // Several screens stop play; only the first of them has a clock to stop.
    Timer* clock = hud->GetTimer();
    if (!clock->IsStarted() || clock->IsPaused())
        return false;
    clock->PauseTimer();
    return true;
}

void Game::ResumePlayClock()
{
    // The shop and the pad's return are never played time, whatever click or
    // menu leads back to them.
    Timer* clock = hud->GetTimer();
    if (clock->IsPaused() && !betweenLevels)
        clock->ResumeTimer();
}

void Game::GameOver()
{
    // Every moving brick still on a broken pad ends the game again in the
    // same step: the first call did everything, so keep its screen.
    if (gameOver && gameOverMenu)
        return;
    // Escape may have opened the pause menu in the very step that lost the
    // game: the game over screen takes its place, with the music of play.
    if (pauseMenu)
        state->Pause(false);
    gameOver = true;
    gameOverMenu = std::make_unique<GameOverMenu>(this);
    state->SetPaused(true);
    PausePlayClock();
    StopShake();
}

void Game::Restart()
{
    EmptyEntityList();
    // Called from the menu's own "Restart the game": freed after the event.
    closedGameOverMenu = std::move(gameOverMenu);
    state.reset();
    pad.reset();
    shopMenu = std::make_unique<ShopMenu>(this);
    // Every flag as a new game has it, whatever screen the lost game was
    // on: it may have been lost in the very step its level was left.
    rightPressed = false;
    leftPressed = false;
    clearKeyPressed = false;
    padControlEnabled = true;
    betweenLevels = false;
    gameOver = false;
    padReturning = false;
    ballLaunched = false;
    remainingBricks = 0;
    shakeStrength = 0.f;
    clockRanBeforePause = false;
    // Nothing of the new game is on screen yet.
    drawnScreen.reset();
    state = std::make_unique<GameState>(this);
    hud->GetTimer()->RestartTimer();
    hud->GetTimer()->PauseTimer();
}
