// Cost of the simulation step and of laying out a level; tools/bench.sh runs
// these and writes docs/performance.md. The game needs a window: run under
// Xvfb, e.g.
//   cd build/game && python3 ../../tests/xsession.py ../bench/quadrabash_bench

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"

#include <SFML/Window/Event.hpp>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <typeinfo>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The assets are opened by bare name, as the game does: from the current
// folder if they are there, else from the ready-to-play folder next to the
// bench folder in the build tree.
bool EnterGameFolder()
{
    if (fs::exists(assetFile::brickImage))
        return true;
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return false;
    const fs::path folder = exe.parent_path().parent_path() / "game";
    if (!fs::exists(folder / assetFile::brickImage))
        return false;
    fs::current_path(folder, error);
    return !error;
}

std::unique_ptr<Game>& SharedGame()
{
    static std::unique_ptr<Game> game;
    return game;
}

// One game, with its window, serves every benchmark; it goes before the
// audio and graphics libraries tear themselves down at exit.
Game* TheGame(benchmark::State& state)
{
    std::unique_ptr<Game>& game = SharedGame();
    if (game)
        return game.get();
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY: run the benchmarks under tests/xsession.py");
        return nullptr;
    }
    if (!EnterGameFolder()) {
        state.SkipWithError("assets not found: run from the game folder (build/game)");
        return nullptr;
    }
    SeedRandomForTesting(20261206u);
    game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    std::atexit([] { SharedGame().reset(); });

    // Leave the start menu as a player does.
    sf::Event key{};
    key.type = sf::Event::KeyPressed;
    key.key.code = sf::Keyboard::Escape;
    game->HandleEvent(key);
    key.type = sf::Event::KeyReleased;
    game->HandleEvent(key);
    escapeHeld = false;
    return game.get();
}

void EmptyTheField(Game& game)
{
    game.ClearFieldButPad();
    game.FreeDiscarded();
    game.AddRemainingBricks(-game.GetRemainingBricks());
}

void Launch(Game& game)
{
    sf::Event click{};
    click.type = sf::Event::MouseButtonPressed;
    click.mouseButton.button = sf::Mouse::Left;
    click.mouseButton.x = 10;
    click.mouseButton.y = 500;
    // The launch resumes the played-time clock, which must be paused for it.
    Timer* clock = game.GetHud()->GetTimer();
    if (!clock->IsPaused())
        clock->PauseTimer();
    game.SetBallLaunched(false);
    game.HandleEvent(click);
}

int CountBalls(const std::vector<Entity*>& entities)
{
    int n = 0;
    for (const Entity* e : entities)
        n += typeid(*e) == typeid(Ball) ? 1 : 0;
    return n;
}

// A ball launched from the pad, as StartPlay launches one.
void AddLaunchedBall(Game& game)
{
    game.GetState()->SpawnBall();
    auto* ball = static_cast<Ball*>(game.GetEntities().back());
    const float y = RandomFloat(-1.f, 0.f);
    const float x = RandomFloat(-0.7f, 0.7f);
    ball->SetDirection({x, y});
}

// A full level in endless play: a pad as wide as the window catches the
// balls and they do no damage, so no brick ever breaks and every step costs
// what a step of a fresh level costs, hits, sounds and combos included.
void SetUpEndlessLevel(Game& game, int balls)
{
    // Where the balls fly decides what a step costs. The same start for every
    // run, whatever ran before in this process, makes runs comparable.
    SeedRandomForTesting(20261206u + static_cast<unsigned>(balls));
    EmptyTheField(game);
    auto* wide = new Pad({0.f, 930.f}, 15.f, {1920.f, 20.f}, 5, sf::Color::White, &game);
    game.GetEntities()[0] = wide;
    game.SetPad(wide);
    wide->TakeDamage(-1000000000);

    GameState& state = *game.GetState();
    state.SetBallDamage(0);
    state.SetBallsPerLevel(balls);
    state.BuildLevel();
    // One ball more is counted than is spawned, so that a ball crushed by a
    // falling brick between two refills does not end the endless level.
    state.AddBallsInPlay(1);
    Launch(game);
}

void BM_GameUpdate(benchmark::State& state)
{
    Game* game = TheGame(state);
    if (!game)
        return;
    const int balls = static_cast<int>(state.range(0));
    SetUpEndlessLevel(*game, balls);
    // Let the balls spread out from the pad first.
    for (int i = 0; i < 120; ++i)
        game->Update();

    std::int64_t steps = 0;
    for (auto _ : state) {
        game->Update();
        // A falling moving brick can crush a ball through the pad: put a new
        // one in play now and then, off the clock, to keep the count.
        if ((++steps & 511) == 0 && CountBalls(game->GetEntities()) < balls) {
            state.PauseTiming();
            while (CountBalls(game->GetEntities()) < balls)
                AddLaunchedBall(*game);
            state.ResumeTiming();
        }
    }

    state.counters["entities"] = static_cast<double>(game->GetEntities().size());
    state.counters["balls"] = static_cast<double>(CountBalls(game->GetEntities()));
    if (game->GetRemainingBricks() != 54 || game->GetScreen() == Game::Screen::GameOver)
        state.SkipWithError("the level did not stay full");
}
// The shop sells one more ball per level, so a long game reaches 100 balls.
BENCHMARK(BM_GameUpdate)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMicrosecond);

void BM_BuildLevel(benchmark::State& state)
{
    Game* game = TheGame(state);
    if (!game)
        return;
    EmptyTheField(*game);
    GameState& gameState = *game->GetState();
    gameState.SetBallsPerLevel(1);

    for (auto _ : state) {
        gameState.BuildLevel();
        state.PauseTiming();
        EmptyTheField(*game);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildLevel)->Unit(benchmark::kMillisecond);

void BM_LayBricks(benchmark::State& state)
{
    Game* game = TheGame(state);
    if (!game)
        return;
    EmptyTheField(*game);
    GameState& gameState = *game->GetState();
    MovableBrick movingTemplate(game, {15.f, 60.f}, {0, 0}, {100, 50}, {1.f, 1.f}, sf::Color::Red,
                                {0.f, 0.f}, 5.f, 5);

    for (auto _ : state) {
        state.PauseTiming();
        // The static template becomes the first brick, so each lay needs a
        // fresh one; loading its image is not part of the lay.
        auto* staticTemplate = new StaticBrick({15.f, 60.f}, {0, 0}, {100, 50}, {1.f, 1.f},
                                               sf::Color(255, 250, 255), 5);
        state.ResumeTiming();
        gameState.LayBricks(staticTemplate, &movingTemplate, 18, 3, 5, 5);
        state.PauseTiming();
        EmptyTheField(*game);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LayBricks)->Unit(benchmark::kMillisecond);

} // namespace
