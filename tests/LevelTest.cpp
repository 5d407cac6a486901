#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"
#include "ui/ShopMenu.hpp"

#include <algorithm>
#include <cmath>
#include <typeinfo>

using namespace testsupport;

namespace {

const int kColumns = 18;
const int kBricks = kColumns * 3;

bool IsBrick(const Entity* e)
{
    return typeid(*e) == typeid(StaticBrick) || typeid(*e) == typeid(MovableBrick);
}

// The bricks of one level as laid, row by row right after the pad.
void ExpectGrid(const std::vector<Entity*>& entities, int hitPoints)
{
    ASSERT_GE(entities.size(), static_cast<std::size_t>(1 + kBricks));
    EXPECT_EQ(typeid(*entities[1]), typeid(StaticBrick)) << "the first brick never moves";
    for (int i = 0; i < kBricks; ++i) {
        const sf::Vector2f cell(static_cast<float>(15 + 105 * (i % kColumns)),
                                static_cast<float>(60 + 55 * (i / kColumns)));
        SCOPED_TRACE("brick " + std::to_string(i));
        const Entity* e = entities[static_cast<std::size_t>(1 + i)];
        ASSERT_TRUE(IsBrick(e));
        EXPECT_EQ(e->GetPosition(), cell);
        EXPECT_EQ(e->GetSize(), sf::Vector2i(100, 50));
        EXPECT_EQ(dynamic_cast<const BreakableComponent&>(*e).GetHitPoints(), hitPoints);
        if (const auto* moving = dynamic_cast<const MovableBrick*>(e)) {
            EXPECT_EQ(moving->GetHomePosition(), cell);
            EXPECT_EQ(moving->GetDirection(), sf::Vector2f(0.f, 0.f));
        }
    }
}

} // namespace

class LevelTest : public GameTest {
protected:
    GameState& State() { return *game->GetState(); }
    Pad& ThePad() { return *game->GetPad(); }
};

TEST_F(LevelTest, FirstLevelLaysFiftyFourBricksRowByRowWithOneBallOnThePad)
{
    const std::vector<Entity*>& entities = game->GetEntities();
    ASSERT_EQ(entities.size(), static_cast<std::size_t>(1 + kBricks + 1));
    EXPECT_EQ(entities[0], game->GetPad());
    ExpectGrid(entities, 5);
    EXPECT_EQ(game->GetRemainingBricks(), kBricks);

    // One draw per brick but the first; those above 8 are the moving ones.
    ReplayedRandom draws(kGameTestSeed);
    for (int i = 1; i < kBricks; ++i) {
        const float draw = draws.Next(0.f, 10.f);
        EXPECT_EQ(typeid(*entities[static_cast<std::size_t>(1 + i)]) == typeid(MovableBrick),
                  draw > 8.0f)
            << "brick " << i << ", draw " << draw;
    }
    EXPECT_EQ(RandomFloat(0.f, 10.f), draws.Next(0.f, 10.f)) << "exactly 53 draws were taken";

    const auto* ball = dynamic_cast<const Ball*>(entities.back());
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
    EXPECT_EQ(ball->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(State().GetBallsInPlay(), 1);
}

TEST_F(LevelTest, ExtraBallsAllStartOnThePadAndBricksAreCountedOnTop)
{
    game->DiscardAllButPad();
    State().SetBallsPerLevel(3);
    State().BuildLevel();
    const std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 3u);
    for (const Ball* ball : balls)
        EXPECT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
    EXPECT_EQ(State().GetBallsInPlay(), 3);
    EXPECT_EQ(game->GetRemainingBricks(), 2 * kBricks) << "the count is raised, not set";
    EXPECT_EQ(game->GetEntities().size(), static_cast<std::size_t>(1 + kBricks + 3));
    ExpectGrid(game->GetEntities(), 5);
}

TEST_F(LevelTest, ClearedLevelSendsThePadOutThroughTheTopAndOpensTheShop)
{
    StartPlaying();
    Pad& pad = ThePad();
    // The first step only aims the pad; it then glides left 5 pixels a step
    // onto the centre line at 860 and climbs 10 a step until wholly above the window.
    std::vector<sf::Vector2f> path = {{885.f, 930.f}};
    while (path.back().x > 860.f)
        path.push_back(path.back() - sf::Vector2f(5.f, 0.f));
    while (path.back().y >= -20.f)
        path.push_back(path.back() - sf::Vector2f(0.f, 10.f));
    ASSERT_EQ(path.size(), 1u + 5u + 96u);

    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    // The arrow keys cannot hold the pad back.
    Send(KeyPressed(sf::Keyboard::Right));
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        ASSERT_EQ(pad.GetPosition(), path[k]) << "step " << k;
        ASSERT_FALSE(State().IsShopOpen()) << "step " << k;
        Step();
    }
    Send(KeyReleased(sf::Keyboard::Right));
    ASSERT_TRUE(State().IsShopOpen());
    EXPECT_EQ(game->GetEntities(), std::vector<Entity*>{&pad}) << "the level is dropped";
    EXPECT_EQ(State().GetLevel(), 2);
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1080.f + 50.f + 2 * 20.f));
    Step(30);
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1170.f)) << "nothing moves in the shop";
}

TEST_F(LevelTest, ContinuingFromTheShopBringsThePadBackToTheNextLevel)
{
    StartPlaying();
    ReachShop();
    ShopMenu* shop = game->GetShopMenu();
    PressButton(shop->GetSpeedBuyText());
    game->Render();
    PressButton(shop->GetBallsBuyText());
    const float upgradedSpeed = 13.0f + 0.2f;
    ASSERT_EQ(State().GetBallSpeed(), upgradedSpeed);
    ASSERT_EQ(State().GetBallsPerLevel(), 2);
    const int ballsBefore = State().GetBallsInPlay();

    game->Render();
    PressButton(shop->GetContinueText());
    EXPECT_FALSE(State().IsShopOpen());
    Pad& pad = ThePad();
    // The click aims the pad up; 24 steps of 10 pixels land it on the home line.
    for (int k = 0; k < 24; ++k) {
        ASSERT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1170.f - 10.f * static_cast<float>(k)))
            << "step " << k;
        ASSERT_EQ(game->GetEntities().size(), 1u) << "step " << k;
        Step();
    }
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 930.f));
    EXPECT_FALSE(game->IsPadReturning());
    EXPECT_FALSE(game->IsBallLaunched());

    const std::vector<Entity*>& entities = game->GetEntities();
    ASSERT_EQ(entities.size(), static_cast<std::size_t>(1 + kBricks + 2));
    ExpectGrid(entities, 10);
    EXPECT_EQ(game->GetRemainingBricks(), kBricks);
    const std::vector<Ball*> balls = AllOf<Ball>(entities);
    ASSERT_EQ(balls.size(), 2u);
    for (const Ball* ball : balls) {
        EXPECT_EQ(ball->GetPosition(), sf::Vector2f(950.f, 900.f));
        EXPECT_EQ(ball->GetSpeed(), upgradedSpeed);
    }
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore + 2) << "the level-1 ball still counts";

    Send(LeftClick(10, 500));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
}

TEST_F(LevelTest, LevelClearedByPlayKeepsTheBrickCountInStep)
{
    StartPlaying();
    std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 1u);
    Ball* ball = balls[0];
    // A steep fixed angle keeps the run short; the pad gets hit points to
    // spare against the moving bricks.
    ball->SetDirection({0.55f, -0.8f});
    Pad& pad = ThePad();
    pad.TakeDamage(-1000000);

    const float w = static_cast<float>(game->GetWindowSize().x);
    int frames = 0;
    while (game->GetRemainingBricks() > 0 && frames < 200000) {
        // The "player" keeps the pad under the ball, on 15-pixel key steps.
        const float wanted = std::clamp(ball->GetPosition().x + ball->GetRadius() - 100.f, 0.f,
                                        w - 200.f);
        pad.SetPosition({885.f + 15.f * std::round((wanted - 885.f) / 15.f), pad.GetPosition().y});
        Step();
        ++frames;
        const auto& entities = game->GetEntities();
        ASSERT_EQ(game->GetRemainingBricks(),
                  std::count_if(entities.begin(), entities.end(), IsBrick))
            << "frame " << frames;
        ASSERT_EQ(State().GetBallsInPlay(), 1) << "the ball was lost at frame " << frames;
    }
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    // Every brick paid at least the reward of a first hit.
    EXPECT_GE(State().GetCoins(), kBricks * 10);
    EXPECT_FALSE(game->IsGameOver());
}
