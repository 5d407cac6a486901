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
#include <utility>

using namespace testsupport;

namespace {

class GameStateTest : public GameTest {
protected:
    sf::SoundSource::Status Music(const std::string& name) const
    {
        const sf::Music* music = game->GetSoundManager()->FindMusic(name);
        EXPECT_NE(music, nullptr) << name << " is not loaded";
        return music ? music->getStatus() : sf::SoundSource::Stopped;
    }
    void ExpectStartingValues()
    {
        const GameState& state = *game->GetState();
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
        const std::vector<Entity*>& entities = game->GetEntities();
        ASSERT_FALSE(entities.empty());
        EXPECT_EQ(entities.front(), static_cast<Entity*>(game->GetPad()));
        // 1920 / 2 - 75 and 1080 - 150: a little right of the centred place.
        EXPECT_EQ(game->GetPad()->GetPosition(), sf::Vector2f(885.f, 930.f));
        EXPECT_EQ(game->GetPad()->GetHitPoints(), 5);
        EXPECT_EQ(CountOf<Ball>(entities), 1);
        EXPECT_EQ(CountOf<StaticBrick>(entities) + CountOf<MovableBrick>(entities), 54);
        EXPECT_EQ(game->GetRemainingBricks(), 54);
    }
};

} // namespace

TEST_F(GameStateTest, NewAndRestartedGamesStartWithTheBaseNumbers)
{
    EXPECT_TRUE(game->GetState()->IsPaused());
    ExpectStartingValues();
    LeaveStartMenu();
    game->GetState()->SetCoins(77);
    game->GetState()->SetScore(12);
    game->GetState()->SetBallDamage(10);
    game->GetState()->SetBallsPerLevel(2);
    game->GameOver();
    game->Restart();
    EXPECT_FALSE(game->GetState()->IsPaused());
    ExpectStartingValues();
}

TEST_F(GameStateTest, ComboSetsTheScreenShakeCappedFromEight)
{
    GameState& state = *game->GetState();
    const std::pair<int, float> shakes[] = {
        {1, 1.f / 1.5f}, {7, 7.f / 1.5f}, {8, 2.5f}, {100, 2.5f}, {0, 0.f}};
    for (const auto& [combo, shake] : shakes) {
        state.SetCombo(combo);
        EXPECT_EQ(state.GetCombo(), combo);
        EXPECT_NEAR(game->GetShakeStrength(), shake, 1e-5) << "combo " << combo;
    }
}

TEST_F(GameStateTest, PauseSwitchesMusicMenuAndHudTimer)
{
    GameState& state = *game->GetState();
    EXPECT_EQ(Music("Menu_music"), sf::SoundSource::Playing);
    EXPECT_NE(Music("Main_music"), sf::SoundSource::Playing);
    for (int round = 0; round < 2; ++round) {
        state.Pause(false);
        EXPECT_EQ(game->GetPauseMenu(), nullptr);
        EXPECT_EQ(Music("Main_music"), sf::SoundSource::Playing);
        // Stopped means rewound: the next pause starts the menu tune afresh.
        EXPECT_EQ(Music("Menu_music"), sf::SoundSource::Stopped);
        EXPECT_EQ(game->GetSoundManager()->FindMusic("Menu_music")->getPlayingOffset(),
                  sf::Time::Zero);

        state.Pause(true);
        EXPECT_TRUE(state.IsPaused());
        ASSERT_NE(game->GetPauseMenu(), nullptr);
        EXPECT_EQ(game->GetPauseMenu()->GetPlayText().getString(), sf::String("Resume"));
        EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
        EXPECT_EQ(Music("Main_music"), sf::SoundSource::Paused);
        EXPECT_EQ(Music("Menu_music"), sf::SoundSource::Playing);
    }
}

TEST_F(GameStateTest, LaunchGivesEveryBallItsOwnUpwardDirectionAndMovesNothing)
{
    LeaveStartMenu();
    game->GetState()->SetBallsPerLevel(3);
    ReachShop();
    // Continuer sends the pad back; the next level is built when it is home.
    PressButton(game->GetShopMenu()->GetContinueText());
    for (int i = 0; i < 100 && game->IsPadReturning(); ++i)
        Step();
    ASSERT_FALSE(game->IsPadReturning() || game->IsBallLaunched());
    const std::vector<Entity*>& entities = game->GetEntities();
    const std::vector<Ball*> balls = AllOf<Ball>(entities);
    ASSERT_EQ(balls.size(), 3u);
    // The ball of the cleared level left the count with the level.
    EXPECT_EQ(game->GetState()->GetBallsInPlay(), 3);
    std::vector<sf::Vector2f> before;
    for (const Entity* e : entities)
        before.push_back(e->GetPosition());

    SeedRandomForTesting(4242u);
    ReplayedRandom replay(4242u);
    game->GetState()->StartPlay();
    for (const Ball* ball : balls) {
        // Two draws per ball in list order, y first.
        const float y = replay.Next(-1.0f, 0.0f);
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(replay.Next(-0.7f, 0.7f), y));
    }
    EXPECT_NE(balls[0]->GetDirection(), balls[1]->GetDirection());
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f)) << "something else drew a number";
    ASSERT_EQ(entities.size(), before.size());
    for (std::size_t i = 0; i < entities.size(); ++i)
        EXPECT_EQ(entities[i]->GetPosition(), before[i]);
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
}

TEST_F(GameStateTest, LastBallTakenAwayEndsTheGameAtTheNextStep)
{
    StartPlaying();
    GameState& state = *game->GetState();
    state.AddBallsInPlay(-1);
    EXPECT_EQ(state.GetBallsInPlay(), 0);
    // Nothing happens until the frame update looks.
    EXPECT_FALSE(game->IsGameOver() || state.IsPaused());
    Step();
    EXPECT_TRUE(game->IsGameOver() && game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    // Only the flag: the main tune plays on through the game over screen.
    EXPECT_EQ(Music("Main_music"), sf::SoundSource::Playing);
}
