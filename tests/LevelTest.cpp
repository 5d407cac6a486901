#include "TestSupport.hpp"

#include "core/Resources.hpp"
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
#include <cstdint>
#include <random>
#include <typeinfo>

using namespace testsupport;

namespace {

const int kColumns = 18;
const int kRows = 3;
const int kBricks = kColumns * kRows;

// The numbers RandomFloat gives after SeedRandomForTesting(seed): one
// MT19937 output per call, scaled as u = y * 2^-32 (y rounded to float).
std::vector<float> Draws(std::uint32_t seed, std::size_t count, float min, float max)
{
    std::mt19937 generator(seed);
    std::vector<float> values;
    for (std::size_t i = 0; i < count; ++i) {
        const float u = static_cast<float>(static_cast<std::uint32_t>(generator())) * 0x1p-32f;
        values.push_back(u * (max - min) + min);
    }
    return values;
}

sf::Vector2f GridPoint(int row, int column)
{
    return sf::Vector2f(static_cast<float>(15 + 105 * column), static_cast<float>(60 + 55 * row));
}

bool IsBrick(const Entity* e)
{
    return typeid(*e) == typeid(StaticBrick) || typeid(*e) == typeid(MovableBrick);
}

int BricksInPlay(const std::vector<Entity*>& entities)
{
    return static_cast<int>(std::count_if(entities.begin(), entities.end(), IsBrick));
}

// The bricks of one level as laid: list positions 1 to 54, after the pad.
void ExpectGrid(const std::vector<Entity*>& entities, int hitPoints)
{
    ASSERT_GE(entities.size(), static_cast<std::size_t>(1 + kBricks));
    for (int i = 0; i < kBricks; ++i) {
        const int row = i / kColumns;
        const int column = i % kColumns;
        SCOPED_TRACE("brick at row " + std::to_string(row) + ", column " + std::to_string(column));
        const Entity* e = entities[static_cast<std::size_t>(1 + i)];
        ASSERT_TRUE(IsBrick(e));
        EXPECT_EQ(e->GetPosition(), GridPoint(row, column));
        EXPECT_EQ(e->GetSize(), sf::Vector2i(100, 50));
        const auto& breakable = dynamic_cast<const BreakableComponent&>(*e);
        EXPECT_EQ(breakable.GetHitPoints(), hitPoints);
        EXPECT_FALSE(breakable.IsBroken());
        if (typeid(*e) == typeid(MovableBrick)) {
            const auto& m = static_cast<const MovableBrick&>(*e);
            EXPECT_EQ(m.GetHomePosition(), GridPoint(row, column));
            EXPECT_FALSE(m.IsReturning());
            EXPECT_EQ(m.GetDirection(), sf::Vector2f(0.f, 0.f));
            EXPECT_EQ(m.GetSpeed(), 5.f);
            EXPECT_EQ(m.GetColor(), sf::Color(255, 0, 0, 255));
        } else {
            EXPECT_EQ(static_cast<const StaticBrick&>(*e).GetColor(),
                      sf::Color(255, 250, 255, 255));
        }
    }
    EXPECT_EQ(typeid(*entities[1]), typeid(StaticBrick)) << "the first brick never moves";
}

} // namespace

class LevelTest : public GameTest {
protected:
    GameState& State() { return *game->GetState(); }
    Pad& ThePad() { return *game->GetPad(); }

    // Holds A for one step: the level is emptied down to the pad.
    void ClearWithTheClearKey()
    {
        Send(KeyPressed(sf::Keyboard::A));
        Step();
        Send(KeyReleased(sf::Keyboard::A));
    }

    // Steps until the shop opens; returns the number of steps, or -1.
    int StepUntilShopOpens(int limit = 1000)
    {
        for (int n = 1; n <= limit; ++n) {
            Step();
            if (State().IsShopOpen())
                return n;
        }
        return -1;
    }

    // Clicks a shop text as a player would, after a frame has shown it.
    void ClickShop(const sf::Text& text)
    {
        game->Render();
        const sf::Vector2i at = CentreOf(text.getGlobalBounds());
        Send(LeftClick(at.x, at.y));
    }

    // Steps until the pad is back and the next level is laid; returns the
    // number of steps, or -1.
    int StepUntilNextLevel(int limit = 1000)
    {
        for (int n = 1; n <= limit; ++n) {
            Step();
            if (!game->IsPadReturning())
                return n;
        }
        return -1;
    }
};

TEST_F(LevelTest, FirstLevelLaysFiftyFourBricksRowByRowWithOneBallOnThePad)
{
    // A game of our own from a known seed, so the layout's draws can be
    // replayed.
    const std::uint32_t seed = 987654u;
    game.reset();
    SeedRandomForTesting(seed);
    game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen());

    const std::vector<Entity*>& entities = game->GetEntities();
    ASSERT_EQ(entities.size(), static_cast<std::size_t>(1 + kBricks + 1));
    EXPECT_EQ(entities[0], game->GetPad());
    ExpectGrid(entities, 5);
    EXPECT_EQ(game->GetRemainingBricks(), kBricks);

    // One draw per brick but the first; those above 8 are the moving ones.
    const std::vector<float> draws = Draws(seed, kBricks, 0.f, 10.f);
    int moving = 0;
    for (int i = 1; i < kBricks; ++i) {
        const bool expectMoving = draws[static_cast<std::size_t>(i - 1)] > 8.0f;
        EXPECT_EQ(typeid(*entities[static_cast<std::size_t>(1 + i)]) == typeid(MovableBrick),
                  expectMoving)
            << "brick " << i << ", draw " << draws[static_cast<std::size_t>(i - 1)];
        moving += expectMoving ? 1 : 0;
    }
    EXPECT_EQ(CountOf<MovableBrick>(entities), moving);
    // Exactly 53 draws were taken: the next one is the 54th of the sequence.
    EXPECT_EQ(RandomFloat(0.f, 10.f), draws[kBricks - 1]);

    const Entity* ball = entities.back();
    ASSERT_EQ(typeid(*ball), typeid(Ball));
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
    EXPECT_EQ(static_cast<const Ball*>(ball)->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(static_cast<const Ball*>(ball)->GetSpeed(), 13.f);
    EXPECT_EQ(State().GetBallsInPlay(), 1);
    EXPECT_EQ(ThePad().GetPosition(), sf::Vector2f(885.f, 930.f));
}

TEST_F(LevelTest, ExtraBallsAllStartOnThePadAndBricksAreCountedOnTop)
{
    game->DiscardAllButPad();
    State().SetBallsPerLevel(3);
    const int ballsBefore = State().GetBallsInPlay();
    const int bricksBefore = game->GetRemainingBricks();

    State().BuildLevel();
    const std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 3u);
    for (const Ball* ball : balls) {
        EXPECT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(0.f, 0.f));
    }
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore + 3);
    // The count is raised, not set.
    EXPECT_EQ(game->GetRemainingBricks(), bricksBefore + kBricks);
    // Balls come after the bricks.
    const std::vector<Entity*>& entities = game->GetEntities();
    EXPECT_EQ(entities.size(), static_cast<std::size_t>(1 + kBricks + 3));
    ExpectGrid(entities, 5);

    // With no ball per level, none is spawned.
    game->DiscardAllButPad();
    State().SetBallsPerLevel(0);
    State().BuildLevel();
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 0);
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore + 3);
}

TEST_F(LevelTest, ClearedLevelSendsThePadOutThroughTheTopAndOpensTheShop)
{
    StartPlaying();
    ASSERT_FALSE(game->GetHud()->GetTimer()->IsPaused());
    Pad& pad = ThePad();
    ASSERT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));

    // The expected path: the first step only aims the pad; it then glides
    // left 5 pixels a step onto the centre line at 860, climbs 10 pixels a
    // step, and the level goes once the whole pad is above the window.
    std::vector<sf::Vector2f> path = {{885.f, 930.f}};
    while (path.back().x > 860.f)
        path.push_back(path.back() - sf::Vector2f(5.f, 0.f));
    while (!(-20.f > path.back().y))
        path.push_back(path.back() - sf::Vector2f(0.f, 10.f));
    ASSERT_EQ(path[5], sf::Vector2f(860.f, 930.f));
    ASSERT_EQ(path.back(), sf::Vector2f(860.f, -30.f));

    ClearWithTheClearKey();
    EXPECT_EQ(State().GetCoins(), 10000);
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad.GetPosition(), path[0]);
    for (std::size_t k = 1; k + 1 < path.size(); ++k) {
        Step();
        ASSERT_EQ(pad.GetPosition(), path[k]) << "step " << k;
        ASSERT_FALSE(State().IsShopOpen()) << "step " << k;
        ASSERT_FALSE(game->IsBetweenLevels());
    }
    Step();
    ASSERT_TRUE(State().IsShopOpen());

    const std::vector<Entity*> onlyPad = {&pad};
    EXPECT_EQ(game->GetEntities(), onlyPad);
    EXPECT_EQ(State().GetLevel(), 2);
    EXPECT_TRUE(game->IsBetweenLevels());
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1080.f + 50.f + 2 * 20.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(State().GetBallsInPlay(), 1) << "the exit does not count balls";
    EXPECT_FALSE(game->IsGameOver());

    // Nothing moves while the shop is open.
    Step(30);
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1170.f));
    EXPECT_TRUE(State().IsShopOpen());
    EXPECT_EQ(State().GetLevel(), 2);
}

TEST_F(LevelTest, ArrowKeysCannotStopThePadLeavingTheLevel)
{
    StartPlaying();
    ClearWithTheClearKey();
    Send(KeyPressed(sf::Keyboard::Right));
    const int steps = StepUntilShopOpens();
    Send(KeyReleased(sf::Keyboard::Right));
    // After the aiming step: 5 steps of glide and 96 of climb (930 up to
    // -30), exactly as if no key were held.
    EXPECT_EQ(steps, 5 + 96);
    EXPECT_EQ(ThePad().GetPosition(), sf::Vector2f(860.f, 1170.f));
}

TEST_F(LevelTest, ContinuingFromTheShopBringsThePadBackToTheNextLevel)
{
    StartPlaying();
    ClearWithTheClearKey();
    ASSERT_GT(StepUntilShopOpens(), 0);
    ShopMenu* shop = game->GetShopMenu();

    // Spend the coins: faster balls and one more ball per level.
    ClickShop(shop->GetSpeedBuyText());
    ClickShop(shop->GetBallsBuyText());
    ASSERT_EQ(State().GetCoins(), 10000 - 50 - 500);
    const float upgradedSpeed = 13.0f + 0.2f;
    ASSERT_EQ(State().GetBallSpeed(), upgradedSpeed);
    ASSERT_EQ(State().GetBallsPerLevel(), 2);
    const int ballsBefore = State().GetBallsInPlay();

    ClickShop(shop->GetContinueText());
    EXPECT_FALSE(State().IsShopOpen());
    EXPECT_TRUE(game->IsPadReturning());
    Pad& pad = ThePad();
    // The click itself aims the pad up; each step then climbs 10 pixels.
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1170.f));
    for (int k = 1; k < 24; ++k) {
        Step();
        ASSERT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 1170.f - 10.f * static_cast<float>(k)))
            << "step " << k;
        ASSERT_TRUE(game->IsBetweenLevels());
        ASSERT_EQ(game->GetEntities().size(), 1u);
    }
    // The 24th step lands on the home line and lays the level.
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(860.f, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_FALSE(game->IsPadReturning());
    EXPECT_FALSE(game->IsBetweenLevels());
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_TRUE(game->IsPadControlEnabled());

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
    // The ball of level 1 was never lost, so it still counts.
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore + 2);

    // The balls rest on the pad, which the keys steer again, until the click.
    Send(KeyPressed(sf::Keyboard::Left));
    Step();
    Send(KeyReleased(sf::Keyboard::Left));
    EXPECT_LT(pad.GetPosition().x, 860.f);
    EXPECT_EQ(balls[0]->GetPosition().x, pad.GetPosition().x + 100.f - 10.f);
    Send(LeftClick(10, 500));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
    for (const Ball* ball : balls)
        EXPECT_NE(ball->GetDirection(), sf::Vector2f(0.f, 0.f));
}

TEST_F(LevelTest, ThreeLevelsInARowGetTougherBricks)
{
    StartPlaying();
    for (int level = 1; level <= 3; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        ASSERT_EQ(State().GetLevel(), level);
        ExpectGrid(game->GetEntities(), 5 * level);
        ASSERT_EQ(game->GetRemainingBricks(), kBricks);
        if (level == 3)
            break;

        if (!game->IsBallLaunched())
            Send(LeftClick(10, 500));
        ClearWithTheClearKey();
        ASSERT_GT(StepUntilShopOpens(), 0);
        EXPECT_EQ(State().GetLevel(), level + 1);
        ClickShop(game->GetShopMenu()->GetContinueText());
        ASSERT_EQ(StepUntilNextLevel(), 24);
        EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 1);
    }
    // Two levels left with a ball each, never lost: both still count.
    EXPECT_EQ(State().GetBallsInPlay(), 3);
    EXPECT_FALSE(game->IsGameOver());
}

TEST_F(LevelTest, LevelClearedByPlayKeepsTheBrickCountInStepAndPaysForEveryBrick)
{
    StartPlaying();
    std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 1u);
    Ball* ball = balls[0];
    // A fixed, steep enough angle keeps the length of the run reasonable.
    ball->SetDirection({0.55f, -0.8f});
    Pad& pad = ThePad();
    // The moving bricks would wear the pad down long before the end: give
    // it hit points to spare.
    pad.TakeDamage(-1000000);

    const float w = static_cast<float>(game->GetWindowSize().x);
    int frames = 0;
    int lastCoins = 0;
    const int limit = 200000;
    while (game->GetRemainingBricks() > 0 && frames < limit) {
        // The "player" keeps the pad under the ball, on the places the
        // arrow keys can reach: 15-pixel steps from the start at 885.
        const float centre = ball->GetPosition().x + ball->GetRadius();
        const float wanted = std::clamp(centre - 100.f, 0.f, w - 200.f);
        const float x = 885.f + 15.f * std::round((wanted - 885.f) / 15.f);
        pad.SetPosition({x, pad.GetPosition().y});
        Step();
        ++frames;
        ASSERT_EQ(game->GetRemainingBricks(), BricksInPlay(game->GetEntities()))
            << "frame " << frames;
        ASSERT_GE(State().GetCoins(), lastCoins);
        lastCoins = State().GetCoins();
        ASSERT_EQ(State().GetBallsInPlay(), 1) << "the ball was lost at frame " << frames;
    }
    ASSERT_LT(frames, limit);
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    // Every one of the 54 bricks paid at least the reward of a first hit.
    EXPECT_GE(State().GetCoins(), kBricks * 10);
    EXPECT_GE(State().GetScore(), kBricks * 3);
    EXPECT_FALSE(game->IsGameOver());

    // The level then leaves as usual.
    const int steps = StepUntilShopOpens();
    EXPECT_GT(steps, 0);
    EXPECT_EQ(State().GetLevel(), 2);
}

TEST_F(LevelTest, SurvivingBallOfTheLastLevelStillCountsAfterItIsGone)
{
    StartPlaying();
    ClearWithTheClearKey();
    ASSERT_GT(StepUntilShopOpens(), 0);
    ClickShop(game->GetShopMenu()->GetContinueText());
    ASSERT_EQ(StepUntilNextLevel(), 24);

    // The level-1 ball left with the level, never lost: it still counts.
    std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 1u);
    EXPECT_EQ(State().GetBallsInPlay(), 2);

    // Losing the one real ball leaves a count of 1, and play goes on.
    Send(LeftClick(10, 500));
    const float h = static_cast<float>(game->GetWindowSize().y);
    balls[0]->SetPosition({500.f, h - 15.f});
    balls[0]->SetDirection({0.f, 1.f});
    Step();
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 0);
    EXPECT_EQ(State().GetBallsInPlay(), 1);
    Step(10);
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_FALSE(State().IsPaused());
}

TEST_F(LevelTest, LosingTheLastBallWhileTheLevelIsLeftStillEndsTheGame)
{
    StartPlaying();
    // Break every brick but keep the ball in play.
    std::vector<Entity*>& entities = game->GetEntities();
    for (auto it = entities.begin(); it != entities.end();) {
        if (IsBrick(*it)) {
            delete *it;
            it = entities.erase(it);
        } else {
            ++it;
        }
    }
    game->AddRemainingBricks(-kBricks);
    ASSERT_EQ(game->GetRemainingBricks(), 0);
    std::vector<Ball*> balls = AllOf<Ball>(entities);
    ASSERT_EQ(balls.size(), 1u);
    const float h = static_cast<float>(game->GetWindowSize().y);
    balls[0]->SetPosition({500.f, h - 15.f});
    balls[0]->SetDirection({0.f, 1.f});

    // In one step the ball falls out, the game ends, and the exit still
    // takes its first step.
    Step();
    EXPECT_EQ(State().GetBallsInPlay(), 0);
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_TRUE(State().IsPaused());
    EXPECT_FALSE(game->IsPadControlEnabled()) << "the pad was already sent toward the centre";
    EXPECT_FALSE(State().IsShopOpen());
    EXPECT_EQ(State().GetLevel(), 1);
}
