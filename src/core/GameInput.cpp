#include "core/Game.hpp"

#include "audio/SoundManager.hpp"
#include "state/GameState.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <cmath>
#include <optional>

bool Game::HandleEvents()
{
    if (!window)
        return false;
    bool any = false;
    for (sf::Event event; window->pollEvent(event);) {
        HandleEvent(event);
        any = true;
    }
    // An unplugged headset is an event too, though not one of the window's.
    soundManager->CheckDevice();
    return any;
}

std::optional<sf::Vector2i> Game::LeftClickAt(const sf::Event& event) const
{
    if (event.type != sf::Event::MouseButtonPressed || event.mouseButton.button != sf::Mouse::Left)
        return std::nullopt;
    // Buttons live in the default view's coordinates; a window smaller than
    // the canvas shrinks them, so map the click back before testing.
    const sf::Vector2i pixel(event.mouseButton.x, event.mouseButton.y);
    const sf::Vector2f mapped = window->mapPixelToCoords(pixel, window->getDefaultView());
    return sf::Vector2i(static_cast<int>(std::lround(mapped.x)),
                        static_cast<int>(std::lround(mapped.y)));
}

void Game::ReleaseKey(sf::Keyboard::Key key)
{
    switch (key) {
    case sf::Keyboard::Left:
        leftPressed = false;
        break;
    case sf::Keyboard::Right:
        rightPressed = false;
        break;
    case sf::Keyboard::A:
        clearKeyPressed = false;
        break;
    case sf::Keyboard::Escape:
        escapeHeld = false;
        break;
    default:
        break;
    }
}

void Game::HandleEvent(const sf::Event& event)
{
    if (event.type == sf::Event::Closed && window)
        window->close();
    // A release is never a command, only the end of a press: it counts on
    // every screen, or a key let go on a menu stays held in play.
    if (event.type == sf::Event::KeyReleased)
        ReleaseKey(event.key.code);
    // The release of a key held while the player switched windows never
    // arrives: let go of them all, or the pad slides on by itself.
    if (event.type == sf::Event::LostFocus) {
        for (sf::Keyboard::Key key :
             {sf::Keyboard::Left, sf::Keyboard::Right, sf::Keyboard::A, sf::Keyboard::Escape})
            ReleaseKey(key);
    }
    // Read afresh for every event: an earlier one may have changed the screen.
    switch (GetScreen()) {
    case Screen::GameOver:
        HandleGameOverEvent(event);
        break;
    case Screen::StartMenu:
    case Screen::Paused:
        HandlePausedEvent(event);
        break;
    default:
        HandlePlayingEvent(event);
        break;
    }
    FreeDiscarded();
}

void Game::HandleGameOverEvent(const sf::Event& event)
{
    const std::optional<sf::Vector2i> click = LeftClickAt(event);
    if (click && gameOverMenu)
        gameOverMenu->HandleClick(*click);
}

void Game::HandlePausedEvent(const sf::Event& event)
{
    const std::optional<sf::Vector2i> click = LeftClickAt(event);
    if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Escape) {
        // Key repeat of the Escape that paused must not resume at once.
        if (!escapeHeld)
            state->Pause(false);
    } else if (click && pauseMenu) {
        pauseMenu->HandleClick(*click);
    }
}

void Game::HandlePlayingEvent(const sf::Event& event)
{
    const std::optional<sf::Vector2i> click = LeftClickAt(event);
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
    } else if (click && !ballLaunched) {
        state->StartPlay();
        ballLaunched = true;
    }
    // One click may both launch and reach the shop, launch first.
    if (click && GetScreen() == Screen::Shop)
        shopMenu->HandleClick(*click);
}
