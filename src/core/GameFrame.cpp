#include "core/Game.hpp"

#include "core/Resources.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <typeinfo>

void Game::SteerPad(Pad& p)
{
    // Between levels the pad moves by itself: neither an arrow held since
    // before nor a stop may push it off the centre line it leaves and comes
    // back on.
    if (!padControlEnabled)
        return;
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
    } else {
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
            ClearFieldButPad();
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

void Game::StopShake()
{
    state->SetCombo(0);
}

void Game::Render()
{
    if (!window)
        return;
    // Chosen before drawing: a still screen is drawn rarely, and must not stay
    // off-centre until its next frame because play was shaking before it.
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
    window->clear(sf::Color(36, 4, 4, 255));
    for (Entity* e : entities)
        window->draw(*e->GetDrawable(), sf::RenderStates::Default);

    const Screen screen = GetScreen();
    if ((screen == Screen::StartMenu || screen == Screen::Paused) && pauseMenu) {
        for (const sf::Drawable* d : pauseMenu->GetDrawables())
            window->draw(*d, sf::RenderStates::Default);
    }
    if (screen == Screen::GameOver && gameOverMenu) {
        for (const sf::Drawable* d : gameOverMenu->GetDrawables())
            window->draw(*d, sf::RenderStates::Default);
    }
    hud->Draw();
    // Also under the pause menu, as the shop is still open behind it.
    if (state->IsShopOpen()) {
        shopMenu->UpdateGameState();
        shopMenu->Draw();
    }
    window->display();
    drawnScreen = screen;
}
