#include "core/Game.hpp"

#include "audio/SoundManager.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <algorithm>
#include <cmath>
#include <typeinfo>

bool escapeHeld = false;

Game::Game(sf::Vector2u size, sf::String title_)
    : width(size.x), height(size.y), title(std::move(title_))
{
}

Game::~Game()
{
    pauseMenu.reset();
    gameOverMenu.reset();
    DropEntities();
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
    const sf::ContextSettings settings(0, 0, 8, 1, 1);
    window = std::make_unique<sf::RenderWindow>();
    window->create(sf::VideoMode(width, height, 32), title, 7, settings);
    CentreWindowOnDesktop();

    hud = std::make_unique<Hud>(this);
    // The clock stands still until the first launch click.
    hud->GetTimer()->PauseTimer();

    soundManager = std::make_unique<SoundManager>();
    soundManager->PlayMusic("Menu_music");

    shopMenu = std::make_unique<ShopMenu>(this);
    state = std::make_unique<GameState>(this);
    state->ShowStartMenu();
}

void Game::CentreWindowOnDesktop()
{
    // SFML 2.5 on X11 centres a new window vertically by the screen's width,
    // which puts half of a full-height window below the screen.
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    const int x = (static_cast<int>(desktop.width) - static_cast<int>(width)) / 2;
    const int y = (static_cast<int>(desktop.height) - static_cast<int>(height)) / 2;
    window->setPosition(sf::Vector2i(std::max(0, x), std::max(0, y)));
}

bool Game::IsWindowOpen() const
{
    return window && window->isOpen();
}

void Game::SetPad(Pad* newPad)
{
    if (pad.get() != newPad)
        pad.reset(newPad);
}

void Game::Discard(Entity* entity)
{
    discarded.emplace_back(entity);
}

void Game::DropEntities()
{
    // The pad is owned through its own pointer, never through the list.
    for (Entity* e : entities) {
        if (e != pad.get())
            Discard(e);
    }
    entities.clear();
}

void Game::DiscardAllButPad()
{
    // The balls taken off the field leave the count too: it must always match
    // the balls that exist, or losing the next level's last ball would not end
    // the game.
    int balls = 0;
    for (const Entity* e : entities) {
        if (typeid(*e) == typeid(Ball))
            ++balls;
    }
    DropEntities();
    entities.push_back(pad.get());
    state->TakeBallsAway(balls);
}

void Game::FreeDiscarded()
{
    discarded.clear();
}

// ---------------------------------------------------------------- input

void Game::HandleEvents()
{
    if (!window)
        return;
    sf::Event event;
    while (window->pollEvent(event))
        HandleEvent(event);
}

sf::Vector2i Game::MapClick(int x, int y) const
{
    // Buttons live in the default view's coordinates; a resized window
    // stretches them, so map the click back before testing.
    const sf::Vector2f mapped = window->mapPixelToCoords(sf::Vector2i(x, y), window->getDefaultView());
    return sf::Vector2i(static_cast<int>(std::lround(mapped.x)),
                        static_cast<int>(std::lround(mapped.y)));
}

void Game::HandleEvent(const sf::Event& event)
{
    if (event.type == sf::Event::Closed && window)
        window->close();
    // The release of a key held while the player switched windows never
    // arrives: let go of them all, or the pad slides on by itself.
    if (event.type == sf::Event::LostFocus) {
        leftPressed = false;
        rightPressed = false;
        clearKeyPressed = false;
    }
    // Read afresh for every event: an earlier one may have changed the screen.
    if (gameOver)
        HandleGameOverEvent(event);
    else if (state->IsPaused())
        HandlePausedEvent(event);
    else
        HandlePlayingEvent(event);
}

void Game::HandleGameOverEvent(const sf::Event& event)
{
    if (event.type == sf::Event::MouseButtonPressed && event.mouseButton.button == sf::Mouse::Left &&
        gameOverMenu)
        gameOverMenu->HandleClick(MapClick(event.mouseButton.x, event.mouseButton.y));
}

void Game::HandlePausedEvent(const sf::Event& event)
{
    if (event.type == sf::Event::KeyReleased && event.key.code == sf::Keyboard::Escape) {
        escapeHeld = false;
    } else if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Escape) {
        // Key repeat of the Escape that paused must not resume at once.
        if (!escapeHeld)
            state->Pause(false);
    } else if (event.type == sf::Event::MouseButtonPressed &&
               event.mouseButton.button == sf::Mouse::Left && pauseMenu) {
        pauseMenu->HandleClick(MapClick(event.mouseButton.x, event.mouseButton.y));
    }
}

void Game::HandlePlayingEvent(const sf::Event& event)
{
    const bool leftClick =
        event.type == sf::Event::MouseButtonPressed && event.mouseButton.button == sf::Mouse::Left;
    if (event.type == sf::Event::KeyPressed) {
        switch (event.key.code) {
        case sf::Keyboard::Left:
            if (padControlEnabled)
                leftPressed = true;
            break;
        case sf::Keyboard::Right:
            if (padControlEnabled)
                rightPressed = true;
            break;
        case sf::Keyboard::A:
            clearKeyPressed = true;
            break;
        case sf::Keyboard::Escape:
            state->Pause(true);
            escapeHeld = true;
            break;
        default:
            break;
        }
    } else if (event.type == sf::Event::KeyReleased) {
        switch (event.key.code) {
        case sf::Keyboard::Left:
            leftPressed = false;
            break;
        case sf::Keyboard::Right:
            rightPressed = false;
            break;
        case sf::Keyboard::A:
            clearKeyPressed = false;
            break;
        default:
            break;
        }
    } else if (leftClick && !ballLaunched) {
        state->StartPlay();
        ballLaunched = true;
    }
    // One click may both launch and reach the shop, launch first.
    if (leftClick && state->IsShopOpen())
        shopMenu->HandleClick(MapClick(event.mouseButton.x, event.mouseButton.y));
}

// ---------------------------------------------------------------- update

void Game::SteerPad(Pad& p)
{
    if (rightPressed) {
        if (p.GetPosition().x + static_cast<float>(p.GetSize().x) > static_cast<float>(width))
            p.Stop();
        else
            p.MoveRight();
    } else if (leftPressed) {
        if (0 > p.GetPosition().x)
            p.Stop();
        else
            p.MoveLeft();
    } else if (remainingBricks != 0) {
        // With no bricks left the level change drives the pad.
        p.Stop();
    }
}

void Game::SteerMovingBrick(Entity& entity, const Pad& p)
{
    if (typeid(entity) != typeid(MovableBrick))
        return;
    MovableBrick& b = static_cast<MovableBrick&>(entity);
    // Drawn for every moving brick on every step, launched or not.
    const float r = RandomFloat(0.0f, 500.0f);
    if (r <= 1.0f && ballLaunched)
        b.SetDirection(sf::Vector2f(0.f, 1.f));
    if (b.GetPosition().y >= p.GetPosition().y) {
        b.SetDirection(sf::Vector2f(0.f, -1.f));
        b.SetReturning(true);
    }
    if (b.GetPosition().y == b.GetHomePosition().y && b.IsReturning()) {
        b.SetDirection(sf::Vector2f(0.f, 0.f));
        b.SetReturning(false);
    }
}

void Game::Update()
{
    Pad* p = pad.get();
    // The size is read afresh: balls take themselves and broken bricks out
    // of the list while it is walked.
    for (std::size_t i = 0; i < entities.size(); ++i) {
        SteerPad(*p);
        if (clearKeyPressed) {
            DiscardAllButPad();
            remainingBricks = 0;
            state->SetCoins(10000);
        }
        if (i >= entities.size())
            break;
        SteerMovingBrick(*entities[i], *p);
        entities[i]->Update();
    }
    // Balls taken away by the A key or the level exit were not lost.
    if (state->GetBallsInPlay() <= 0 && !gameOver && !state->AreBallsTakenAway())
        GameOver();
    if (remainingBricks == 0 && !betweenLevels)
        state->UpdateLevelCleared();
    if (padReturning)
        state->UpdatePadReturn();
    // The shake belongs to play: a combo never carries into a menu, the level
    // exit, the shop or the next level.
    if (!IsPlaying())
        StopShake();
    FreeDiscarded();
}

bool Game::IsPlaying() const
{
    return !state->IsPaused() && !gameOver && remainingBricks != 0 && !betweenLevels;
}

void Game::StopShake()
{
    state->SetCombo(0);
}

// ---------------------------------------------------------------- render

void Game::Render()
{
    if (!window)
        return;
    window->clear(sf::Color(36, 4, 4, 255));
    for (Entity* e : entities)
        window->draw(*e->GetDrawable(), sf::RenderStates::Default);

    if (state->IsPaused() && !gameOver && pauseMenu) {
        for (const sf::Drawable* d : pauseMenu->GetDrawables())
            window->draw(*d, sf::RenderStates::Default);
    }
    if (gameOver && gameOverMenu) {
        for (const sf::Drawable* d : gameOverMenu->GetDrawables())
            window->draw(*d, sf::RenderStates::Default);
    }
    hud->Draw();
    if (state->IsShopOpen()) {
        shopMenu->UpdateGameState();
        shopMenu->Draw();
    }

    // Chosen after drawing, so a new strength shows from the next frame.
    if (shakeStrength > 0) {
        const double dx = RandomFloat(-0.5f, 0.5f) * 2.0 * shakeStrength;
        const double dy = RandomFloat(-0.5f, 0.5f) * 2.0 * shakeStrength;
        sf::View view = window->getDefaultView();
        view.setCenter(static_cast<float>(windowSize.x * 0.5 + dx),
                       static_cast<float>(windowSize.y * 0.5 + dy));
        window->setView(view);
    } else {
        window->setView(window->getDefaultView());
    }
    window->display();
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
    pauseMenu.reset();
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
    DropEntities();
    remainingBricks = 0;
    rightPressed = false;
    leftPressed = false;
    gameOverMenu.reset();
    state.reset();
    pad.reset();
    shopMenu.reset();
    shopMenu = std::make_unique<ShopMenu>(this);
    state = std::make_unique<GameState>(this);
    hud->GetTimer()->RestartTimer();
    hud->GetTimer()->PauseTimer();
    gameOver = false;
    ballLaunched = false;
    padControlEnabled = true;
    shakeStrength = 0.f;
    clockRanBeforePause = false;
    // Nothing of the lost game is running any more.
    FreeDiscarded();
}
