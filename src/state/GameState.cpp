#include "state/GameState.hpp"

#include "audio/SoundManager.hpp"
#include "core/Game.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/RandomFloat.hpp"

#include <algorithm>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {
// The smallest vertical part of a launch direction. At the starting speed a
// ball then climbs 2.6 pixels a step and meets the bricks within about four
// seconds; bounces keep the vertical part, so a flatter launch stays slow.
constexpr float kFlattestLaunch = 0.2f;
} // namespace

GameState::GameState(Game* game_) : game(game_)
{
    const sf::Vector2u size = game->GetWindowSize();
    const int width = static_cast<int>(size.x);
    const int height = static_cast<int>(size.y);
    // 75, not 100: the pad starts a little right of the centre.
    Pad* pad =
        new Pad(sf::Vector2f(static_cast<float>(width / 2 - 75), static_cast<float>(height - 150)),
                15.0f, sf::Vector2f(200.f, 20.f), 5, sf::Color(255, 255, 255, 255), game);
    game->GetEntities().push_back(pad);
    game->SetPad(pad);
    BuildLevel();
}

GameState::~GameState() = default;

void GameState::Pause(bool pause)
{
    SoundManager* sound = game->GetSoundManager();
    if (pause) {
        sound->PauseMusic("Main_music");
        sound->PlayMusic("Menu_music");
        game->OpenPauseMenu();
        paused = true;
    } else {
        sound->StopMusic("Menu_music");
        sound->PlayMusic("Main_music");
        game->ClosePauseMenu();
        paused = false;
    }
}

void GameState::ShowStartMenu()
{
    paused = true;
    game->OpenStartMenu();
}

void GameState::SetCombo(int value)
{
    combo = value;
    if (value < 8)
        game->SetShakeStrength(static_cast<float>(static_cast<float>(value) / 1.5));
    else
        game->SetShakeStrength(2.5f);
}

void GameState::StartPlay()
{
    game->ResumePlayClock();
    for (Entity* e : game->GetEntities()) {
        if (typeid(*e) != typeid(Ball))
            continue;
        // A launch flatter than kFlattestLaunch would crawl sideways for its
        // whole life, or never climb at all: it climbs at least that much.
        const float y = std::min(RandomFloat(-1.0f, 0.0f), -kFlattestLaunch);
        const float x = RandomFloat(-0.7f, 0.7f);
        static_cast<Ball*>(e)->SetDirection(sf::Vector2f(x, y));
    }
}

void GameState::AddBallsInPlay(int amount)
{
    ballsInPlay += amount;
    if (amount > 0)
        ballsTakenAway = false;
}

void GameState::TakeBallsAway(int count)
{
    ballsInPlay -= count;
    ballsTakenAway = true;
}

void GameState::StartPadReturn()
{
    game->SetPadReturning(true);
}

void GameState::BuildLevel()
{
    const int hp = 5 * static_cast<int>(level);
    // The static template becomes the first brick of the grid; the moving
    // template only serves as a pattern and is freed once the grid is laid.
    StaticBrick* staticTemplate =
        new StaticBrick(sf::Vector2f(15.f, 60.f), sf::Vector2i(0, 0), sf::Vector2i(100, 50),
                        sf::Vector2f(1.f, 1.f), sf::Color(255, 250, 255, 255), hp);
    std::unique_ptr<MovableBrick> movableTemplate(new MovableBrick(
        game, sf::Vector2f(15.f, 60.f), sf::Vector2i(0, 0), sf::Vector2i(100, 50),
        sf::Vector2f(1.f, 1.f), sf::Color(255, 0, 0, 255), sf::Vector2f(0.f, 0.f), 5.f, hp));
    LayBricks(staticTemplate, movableTemplate.get(), 18, 3, 5, 5);
    for (int i = 0; i < ballsPerLevel; ++i)
        SpawnBall();
}

void GameState::LayBricks(StaticBrick* staticTemplate, MovableBrick* movableTemplate, int columns,
                          int rows, int gapX, int gapY)
{
    const sf::Vector2f origin = staticTemplate->GetPosition();
    const sf::Vector2i size = staticTemplate->GetSize();
    std::vector<Entity*>& entities = game->GetEntities();
    game->AddRemainingBricks(columns * rows);
    entities.push_back(staticTemplate);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (r == 0 && c == 0)
                continue;
            const sf::Vector2f p(origin.x + static_cast<float>((size.x + gapX) * c),
                                 origin.y + static_cast<float>((size.y + gapY) * r));
            const float v = RandomFloat(0.0f, 10.0f);
            Entity* brick;
            if (v <= 8.0f) {
                brick = staticTemplate->Clone();
            } else {
                MovableBrick* moving = movableTemplate->Clone();
                moving->SetHomePosition(p);
                brick = moving;
            }
            brick->SetPosition(p);
            entities.push_back(brick);
        }
    }
}

void GameState::SpawnBall()
{
    const Pad* pad = game->GetPad();
    const sf::Vector2f p = pad->GetPosition();
    const sf::Vector2i s = pad->GetSize();
    const sf::Vector2f position(static_cast<float>(s.x / 2) + p.x - 10,
                                p.y - static_cast<float>(s.y) - 10);
    game->GetEntities().push_back(new Ball(position, sf::Vector2f(0.f, 0.f), ballSpeed, 1,
                                           ballDamage, 10.f, game, sf::Color(255, 255, 255, 255)));
    AddBallsInPlay(1);
}

void GameState::UpdateLevelCleared()
{
    Pad* pad = game->GetPad();
    pad->MoveTowardCenter();
    pad->RiseIfCentered();
    const sf::Vector2i padSize = pad->GetSize();
    if (-static_cast<float>(padSize.y) > pad->GetPosition().y) {
        game->PausePlayClock();
        pad->SetDirection(sf::Vector2f(0.f, 0.f));
        game->ClearFieldButPad();
        game->SetBetweenLevels(true);
        const int height = static_cast<int>(game->GetWindowSize().y);
        pad->SetPosition(
            sf::Vector2f(pad->GetPosition().x, static_cast<float>(height + 50 + 2 * padSize.y)));
        level = static_cast<std::int16_t>(level + 1);
        // The last ball may have gone in this very step: then the game over
        // screen stands alone, with no shop drawn over it.
        shopOpen = game->GetScreen() != Game::Screen::GameOver;
    }
}

void GameState::UpdatePadReturn()
{
    Pad* pad = game->GetPad();
    pad->RiseIfCentered();
    const int height = static_cast<int>(game->GetWindowSize().y);
    if (static_cast<float>(height - 150) >= pad->GetPosition().y) {
        pad->Stop();
        game->SetPadControl(true);
        game->SetBetweenLevels(false);
        BuildLevel();
        game->SetPadReturning(false);
        game->SetBallLaunched(false);
    }
}
