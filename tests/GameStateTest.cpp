#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Audio/Music.hpp>
#include <cstdint>
#include <random>
#include <set>
#include <utility>

using namespace testsupport;

namespace {

class GameStateTest : public GameTest {
protected:
    // Clears the level with the A key and waits for the shop.
    void ClearLevelIntoShop()
    {
        Send(KeyPressed(sf::Keyboard::A));
        for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
            Step();
        Send(KeyReleased(sf::Keyboard::A));
        ASSERT_TRUE(game->GetState()->IsShopOpen()) << "the pad never left the window";
        // The loop draws a frame of the shop before it hands the shop a click.
        game->Render();
    }

    sf::SoundSource::Status MusicStatus(const std::string& name) const
    {
        const sf::Music* music = game->GetSoundManager()->FindMusic(name);
        EXPECT_NE(music, nullptr) << name << " is not loaded";
        return music ? music->getStatus() : sf::SoundSource::Stopped;
    }
};

void ExpectStartingValues(Game& game)
{
    const GameState& state = *game.GetState();
    EXPECT_FALSE(state.IsShopOpen());
    EXPECT_EQ(state.GetScore(), 0);
    EXPECT_EQ(state.GetCoins(), 0);
    EXPECT_EQ(state.GetBallsInPlay(), 1);
    EXPECT_EQ(state.GetLevel(), 1);
    EXPECT_EQ(state.GetBallDamage(), 5);
    EXPECT_EQ(state.GetBallSpeed(), 13.0f);
    EXPECT_EQ(state.GetBallsPerLevel(), 1);
    EXPECT_EQ(state.GetCombo(), 0);
    // The loop paces on the single-precision 1/60, not on the double one.
    EXPECT_EQ(state.GetFrameTime(), static_cast<double>(1.0f / 60.0f));
    EXPECT_EQ(state.GetFrameTime(), 0.01666666753590107);
    EXPECT_NE(state.GetFrameTime(), 1.0 / 60.0);

    const std::vector<Entity*>& entities = game.GetEntities();
    ASSERT_FALSE(entities.empty());
    EXPECT_EQ(entities.front(), static_cast<Entity*>(game.GetPad()));
    EXPECT_EQ(CountOf<Pad>(entities), 1);
    const Pad& pad = *game.GetPad();
    // 1920 / 2 - 75 and 1080 - 150: a little right of the centred place.
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_EQ(pad.GetSize(), sf::Vector2i(200, 20));
    EXPECT_EQ(pad.GetHitPoints(), 5);
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(CountOf<Ball>(entities), 1);
    EXPECT_EQ(CountOf<StaticBrick>(entities) + CountOf<MovableBrick>(entities), 54);
    EXPECT_EQ(game.GetRemainingBricks(), 54);
}

} // namespace

TEST_F(GameStateTest, NewGameStartsWithTheBaseNumbers)
{
    // The game opens on the start menu: the same numbers, paused.
    EXPECT_TRUE(game->GetState()->IsPaused());
    ExpectStartingValues(*game);

    // A restarted game is a freshly built play state that is not paused.
    LeaveStartMenu();
    game->GetState()->SetCoins(77);
    game->GetState()->SetScore(12);
    game->GetState()->SetBallDamage(10);
    game->GetState()->SetBallsPerLevel(2);
    game->GameOver();
    game->Restart();
    EXPECT_FALSE(game->GetState()->IsPaused());
    ExpectStartingValues(*game);
}

TEST_F(GameStateTest, ComboSetsTheScreenShake)
{
    GameState& state = *game->GetState();
    state.SetCombo(1);
    EXPECT_EQ(state.GetCombo(), 1);
    EXPECT_NEAR(game->GetShakeStrength(), 1.0 / 1.5, 1e-6);

    state.SetCombo(7);
    EXPECT_EQ(state.GetCombo(), 7);
    EXPECT_NEAR(game->GetShakeStrength(), 7.0 / 1.5, 1e-5);

    // From 8 on the shake is capped, below the strength of a combo of 7.
    state.SetCombo(8);
    EXPECT_EQ(game->GetShakeStrength(), 2.5f);
    state.SetCombo(100);
    EXPECT_EQ(state.GetCombo(), 100);
    EXPECT_EQ(game->GetShakeStrength(), 2.5f);

    state.SetCombo(0);
    EXPECT_EQ(state.GetCombo(), 0);
    EXPECT_EQ(game->GetShakeStrength(), 0.f);
}

TEST_F(GameStateTest, PauseSwitchesMusicAndMenu)
{
    GameState& state = *game->GetState();
    // On the start menu only the menu music plays.
    EXPECT_EQ(MusicStatus("Menu_music"), sf::SoundSource::Playing);
    EXPECT_NE(MusicStatus("Main_music"), sf::SoundSource::Playing);

    LeaveStartMenu();
    EXPECT_FALSE(state.IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(MusicStatus("Main_music"), sf::SoundSource::Playing);
    EXPECT_EQ(MusicStatus("Menu_music"), sf::SoundSource::Stopped);

    state.Pause(true);
    EXPECT_TRUE(state.IsPaused());
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(game->GetPauseMenu()->GetPlayText().getString(), sf::String("Resume"));
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(MusicStatus("Main_music"), sf::SoundSource::Paused);
    EXPECT_EQ(MusicStatus("Menu_music"), sf::SoundSource::Playing);

    state.Pause(false);
    EXPECT_FALSE(state.IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(MusicStatus("Main_music"), sf::SoundSource::Playing);
    EXPECT_EQ(MusicStatus("Menu_music"), sf::SoundSource::Stopped);
    // Stopped means rewound: the next pause starts the menu tune afresh.
    const sf::Music* menu = game->GetSoundManager()->FindMusic("Menu_music");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->getPlayingOffset(), sf::Time::Zero);
}

TEST_F(GameStateTest, LaunchGivesEveryBallItsOwnUpwardDirection)
{
    LeaveStartMenu();
    game->GetState()->SetBallsPerLevel(3);
    ClearLevelIntoShop();
    // Continuer sends the pad back; the next level is built when it is home.
    Send(LeftClick(CentreOf(game->GetShopMenu()->GetContinueText().getGlobalBounds()).x,
                   CentreOf(game->GetShopMenu()->GetContinueText().getGlobalBounds()).y));
    ASSERT_TRUE(game->IsPadReturning());
    for (int i = 0; i < 100 && game->IsPadReturning(); ++i)
        Step();
    ASSERT_FALSE(game->IsPadReturning());
    ASSERT_FALSE(game->IsBallLaunched());

    const std::vector<Entity*>& entities = game->GetEntities();
    const std::vector<Ball*> balls = AllOf<Ball>(entities);
    ASSERT_EQ(balls.size(), 3u);
    // The exit keeps counting the ball of the cleared level.
    EXPECT_EQ(game->GetState()->GetBallsInPlay(), 1 + 3);
    // The pad came back centred at 860: all three balls rest at one point.
    for (const Ball* ball : balls) {
        EXPECT_EQ(ball->GetPosition(), sf::Vector2f(950.f, 900.f));
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(0.f, 0.f));
    }

    std::vector<std::pair<Entity*, sf::Vector2f>> before;
    for (Entity* e : entities)
        before.emplace_back(e, e->GetPosition());
    std::vector<std::pair<MovableBrick*, sf::Vector2f>> movingBefore;
    for (MovableBrick* b : AllOf<MovableBrick>(entities))
        movingBefore.emplace_back(b, b->GetDirection());
    const sf::Vector2f padDirection = game->GetPad()->GetDirection();

    const std::uint32_t seed = 4242u;
    SeedRandomForTesting(seed);
    ReplayedRandom replay(seed);
    game->GetState()->StartPlay();

    std::set<std::pair<float, float>> distinct;
    for (const Ball* ball : balls) {
        // Two draws per ball in list order, y first.
        const float y = replay.Next(-1.0f, 0.0f);
        const float x = replay.Next(-0.7f, 0.7f);
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(x, y));
        EXPECT_GE(ball->GetDirection().y, -1.0f);
        EXPECT_LE(ball->GetDirection().y, 0.0f);
        EXPECT_GE(ball->GetDirection().x, -0.7f);
        EXPECT_LE(ball->GetDirection().x, 0.7f);
        distinct.insert({ball->GetDirection().x, ball->GetDirection().y});
    }
    EXPECT_EQ(distinct.size(), 3u);
    // Nothing else drew a number.
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f));

    // The launch moves nothing and leaves the pad and the bricks alone.
    ASSERT_EQ(entities.size(), before.size());
    for (std::size_t i = 0; i < entities.size(); ++i) {
        EXPECT_EQ(entities[i], before[i].first);
        EXPECT_EQ(entities[i]->GetPosition(), before[i].second);
    }
    for (const auto& entry : movingBefore)
        EXPECT_EQ(entry.first->GetDirection(), entry.second);
    EXPECT_EQ(game->GetPad()->GetDirection(), padDirection);
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
}

TEST_F(GameStateTest, LastBallTakenAwayEndsTheGameAtTheNextStep)
{
    StartPlaying();
    GameState& state = *game->GetState();
    ASSERT_EQ(state.GetBallsInPlay(), 1);
    state.AddBallsInPlay(-1);
    EXPECT_EQ(state.GetBallsInPlay(), 0);
    // Nothing happens until the frame update looks.
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_FALSE(state.IsPaused());

    Step();
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    // Only the flag: the main tune plays on through the game over screen.
    EXPECT_EQ(MusicStatus("Main_music"), sf::SoundSource::Playing);
}
