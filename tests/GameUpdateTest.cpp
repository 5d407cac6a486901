#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"

#include <algorithm>
#include <cstdint>
#include <random>

using namespace testsupport;

namespace {

// A seed whose first `count` drop draws (0 to 500) all miss the 1.0 mark,
// except the very first one when `firstDrops` is set.
std::uint32_t FindSeed(int count, bool firstDrops)
{
    for (std::uint32_t seed = 1; seed < 1000000u; ++seed) {
        ReplayedRandom replay(seed);
        bool fits = true;
        for (int k = 0; k < count && fits; ++k) {
            const bool drops = replay.Next(0.0f, 500.0f) <= 1.0f;
            fits = drops == (firstDrops && k == 0);
        }
        if (fits)
            return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

bool IsBrick(const Entity* e)
{
    return typeid(*e) == typeid(StaticBrick) || typeid(*e) == typeid(MovableBrick);
}

class GameUpdateTest : public GameTest {
protected:
    // Takes an entity out of the list the way the game does, freed later.
    void TakeOut(Entity* e)
    {
        std::vector<Entity*>& entities = game->GetEntities();
        entities.erase(std::find(entities.begin(), entities.end(), e));
        game->Discard(e);
    }

    void TakeOutBalls()
    {
        for (Ball* ball : AllOf<Ball>(game->GetEntities()))
            TakeOut(ball);
    }

    // Parks the pad where the brick's column cannot reach it.
    void MovePadAwayFrom(const MovableBrick& brick)
    {
        const float x = brick.GetPosition().x < 960.f ? 1700.f : 0.f;
        game->GetPad()->SetPosition(sf::Vector2f(x, 930.f));
    }

    MovableBrick* FirstMovingBrick()
    {
        const std::vector<MovableBrick*> moving = AllOf<MovableBrick>(game->GetEntities());
        return moving.empty() ? nullptr : moving.front();
    }
};

} // namespace

TEST_F(GameUpdateTest, ArrowKeysSteerThePadRightFirstAndStopAtTheEdges)
{
    LeaveStartMenu();
    Pad& pad = *game->GetPad();
    ASSERT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));

    // Both arrows held: Right is looked at first.
    Send(KeyPressed(sf::Keyboard::Left));
    Send(KeyPressed(sf::Keyboard::Right));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(900.f, 930.f));

    Send(KeyReleased(sf::Keyboard::Right));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));

    // No arrow with bricks left: the pad stops in the very step, whatever
    // direction it had.
    Send(KeyReleased(sf::Keyboard::Left));
    pad.MoveRight();
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));

    // Right edge: stopped once its right side is past 1920, not when it
    // merely touches it, so one move may overshoot.
    Send(KeyPressed(sf::Keyboard::Right));
    pad.SetPosition(sf::Vector2f(1721.f, 930.f));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(1721.f, 930.f));
    pad.SetPosition(sf::Vector2f(1720.f, 930.f));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(1735.f, 930.f));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(1735.f, 930.f));
    Send(KeyReleased(sf::Keyboard::Right));

    // Left edge: at 0 it may still move; left of 0 it stops.
    Send(KeyPressed(sf::Keyboard::Left));
    pad.SetPosition(sf::Vector2f(0.f, 930.f));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(-15.f, 930.f));
    Step();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(-15.f, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));
}

TEST_F(GameUpdateTest, HoldingAClearsTheLevelAndKeepsTheCoinsAtTenThousand)
{
    LeaveStartMenu();
    GameState& state = *game->GetState();
    Send(KeyPressed(sf::Keyboard::A));
    Step();

    ASSERT_EQ(game->GetEntities().size(), 1u);
    EXPECT_EQ(game->GetEntities().front(), static_cast<Entity*>(game->GetPad()));
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_EQ(state.GetCoins(), 10000);
    EXPECT_EQ(game->GetDiscardedCount(), 0u);
    // Cleared before the launch: the balls were never launched, and the
    // dropped ball still counts as in play.
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_EQ(state.GetBallsInPlay(), 1);
    EXPECT_FALSE(game->IsGameOver());
    // The exit has begun: the pad glides toward the centre line at 860.
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(game->GetPad()->GetDirection().x, -1.f);

    int stepsWithoutTenThousand = 0;
    for (int i = 0; i < 400 && !state.IsShopOpen(); ++i) {
        state.SetCoins(1);
        Step();
        stepsWithoutTenThousand += state.GetCoins() == 10000 ? 0 : 1;
    }
    EXPECT_EQ(stepsWithoutTenThousand, 0);
    ASSERT_TRUE(state.IsShopOpen());
    EXPECT_TRUE(game->IsBetweenLevels());
    EXPECT_EQ(state.GetLevel(), 2);
    EXPECT_EQ(game->GetPad()->GetPosition(), sf::Vector2f(860.f, 1170.f));

    // Still held while the shop is open: still reset on every step.
    state.SetCoins(3);
    Step();
    EXPECT_EQ(state.GetCoins(), 10000);
    EXPECT_TRUE(state.IsShopOpen());

    Send(KeyReleased(sf::Keyboard::A));
    state.SetCoins(3);
    Step();
    EXPECT_EQ(state.GetCoins(), 3);
}

TEST_F(GameUpdateTest, EveryMovingBrickDrawsOneNumberPerStep)
{
    LeaveStartMenu();
    const int moving = CountOf<MovableBrick>(game->GetEntities());
    ASSERT_GT(moving, 0) << "the seeded layout should hold moving bricks";

    // Before the launch the bricks stay, but they draw all the same.
    SeedRandomForTesting(777u);
    ReplayedRandom resting(777u);
    Step();
    for (int k = 0; k < moving; ++k)
        resting.Next(0.0f, 500.0f);
    EXPECT_EQ(RandomFloat(0.0f, 1.0f), resting.Next(0.0f, 1.0f));

    // After the launch: still one draw each, none for the pad, bricks or balls.
    Send(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    SeedRandomForTesting(778u);
    ReplayedRandom launched(778u);
    Step(2);
    ASSERT_EQ(CountOf<MovableBrick>(game->GetEntities()), moving);
    for (int k = 0; k < 2 * moving; ++k)
        launched.Next(0.0f, 500.0f);
    EXPECT_EQ(RandomFloat(0.0f, 1.0f), launched.Next(0.0f, 1.0f));
}

TEST_F(GameUpdateTest, MovingBrickDropsAfterLaunchTurnsAtPadHeightAndStopsHome)
{
    LeaveStartMenu();
    MovableBrick* brick = FirstMovingBrick();
    ASSERT_NE(brick, nullptr) << "the seeded layout should hold moving bricks";
    const sf::Vector2f home = brick->GetHomePosition();
    ASSERT_EQ(brick->GetPosition(), home);
    MovePadAwayFrom(*brick);
    const int moving = CountOf<MovableBrick>(game->GetEntities());
    const std::uint32_t dropSeed = FindSeed(moving, true);
    const std::uint32_t calmSeed = FindSeed(moving, false);

    // A winning draw before the launch does nothing.
    SeedRandomForTesting(dropSeed);
    Step();
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 0.f));

    Send(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    // No ball in the way of the falling brick.
    TakeOutBalls();

    SeedRandomForTesting(dropSeed);
    Step();
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 1.f));
    EXPECT_FALSE(brick->IsReturning());
    // It falls in the same step: the steering comes before its own update.
    EXPECT_EQ(brick->GetPosition(), home + sf::Vector2f(0.f, 5.f));
    for (const MovableBrick* other : AllOf<MovableBrick>(game->GetEntities())) {
        if (other != brick) {
            EXPECT_EQ(other->GetPosition(), other->GetHomePosition());
        }
    }

    const float padY = game->GetPad()->GetPosition().y;
    float lowest = brick->GetPosition().y;
    bool turnedAtPadHeight = false;
    int steps = 0;
    while (brick->GetDirection() != sf::Vector2f(0.f, 0.f) && steps < 600) {
        const float before = brick->GetPosition().y;
        SeedRandomForTesting(calmSeed);
        Step();
        ++steps;
        lowest = std::max(lowest, brick->GetPosition().y);
        if (before == padY) {
            turnedAtPadHeight = brick->IsReturning() &&
                                brick->GetDirection() == sf::Vector2f(0.f, -1.f) &&
                                brick->GetPosition().y == padY - 5.f;
        }
    }
    // Never past the pad's height, though it never touched the pad.
    EXPECT_EQ(lowest, padY);
    EXPECT_TRUE(turnedAtPadHeight);
    EXPECT_EQ(game->GetPad()->GetHitPoints(), 5);
    // Whole 5-pixel steps: exactly home again, and at rest.
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_FALSE(brick->IsReturning());
    SeedRandomForTesting(calmSeed);
    Step();
    EXPECT_EQ(brick->GetPosition(), home);
}

TEST_F(GameUpdateTest, MovingBrickBelowThePadClimbsHomeEvenBeforeLaunch)
{
    LeaveStartMenu();
    MovableBrick* brick = FirstMovingBrick();
    ASSERT_NE(brick, nullptr) << "the seeded layout should hold moving bricks";
    const sf::Vector2f home = brick->GetHomePosition();
    MovePadAwayFrom(*brick);
    const int moving = CountOf<MovableBrick>(game->GetEntities());
    const std::uint32_t dropSeed = FindSeed(moving, true);

    brick->SetPosition(sf::Vector2f(home.x, 945.f));
    // Every step hands this brick a winning draw: without a launch none may
    // send it down again.
    SeedRandomForTesting(dropSeed);
    Step();
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, -1.f));
    EXPECT_TRUE(brick->IsReturning());
    EXPECT_EQ(brick->GetPosition(), sf::Vector2f(home.x, 940.f));

    int steps = 0;
    while (brick->GetDirection() != sf::Vector2f(0.f, 0.f) && steps < 600) {
        SeedRandomForTesting(dropSeed);
        Step();
        ++steps;
    }
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_FALSE(brick->IsReturning());
    EXPECT_FALSE(game->IsBallLaunched());
}

TEST_F(GameUpdateTest, LosingTheLastBallEndsTheGameAfterTheWalk)
{
    StartPlaying();
    std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 1u);
    // Close enough to the bottom that this step loses it.
    balls.front()->SetPosition(sf::Vector2f(975.f, 1075.f));
    Step();

    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 0);
    EXPECT_EQ(game->GetState()->GetBallsInPlay(), 0);
    // The ball took itself out during its own update; it is released only
    // once the walk is over.
    EXPECT_EQ(game->GetDiscardedCount(), 0u);
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(game->GetRemainingBricks(), 54);
}

TEST_F(GameUpdateTest, LastBallLostInTheStepThatBreaksTheLastBrickStillStartsTheExit)
{
    StartPlaying();
    std::vector<Entity*>& entities = game->GetEntities();
    Ball* lost = AllOf<Ball>(entities).front();

    // Keep only the first brick of the grid, at (15, 60).
    Entity* lastBrick = nullptr;
    std::vector<Entity*> others;
    for (Entity* e : entities) {
        if (!IsBrick(e))
            continue;
        if (!lastBrick)
            lastBrick = e;
        else
            others.push_back(e);
    }
    ASSERT_NE(lastBrick, nullptr);
    ASSERT_EQ(lastBrick->GetPosition(), sf::Vector2f(15.f, 60.f));
    for (Entity* e : others)
        TakeOut(e);
    game->AddRemainingBricks(-static_cast<int>(others.size()));
    ASSERT_EQ(game->GetRemainingBricks(), 1);

    // A second ball, not counted in play, that touches the brick's bottom
    // edge; the counted ball is about to fall out.
    Ball* breaker = new Ball(sf::Vector2f(55.f, 105.f), sf::Vector2f(0.5f, -0.5f), 13.f, 1, 5,
                             10.f, game.get(), sf::Color::White);
    entities.push_back(breaker);
    lost->SetPosition(sf::Vector2f(975.f, 1075.f));
    ASSERT_EQ(game->GetState()->GetBallsInPlay(), 1);

    Step();

    // The lost ball's update broke the brick through the other ball.
    ASSERT_EQ(entities.size(), 2u);
    EXPECT_EQ(entities[0], static_cast<Entity*>(game->GetPad()));
    EXPECT_EQ(entities[1], static_cast<Entity*>(breaker));
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_EQ(game->GetState()->GetCoins(), 10);
    EXPECT_EQ(game->GetState()->GetScore(), 3);
    EXPECT_EQ(breaker->GetDirection(), sf::Vector2f(0.5f, 0.5f));
    // It slid into an index already walked: no update of its own this step.
    EXPECT_EQ(breaker->GetPosition(), sf::Vector2f(55.f, 105.f));
    EXPECT_EQ(game->GetDiscardedCount(), 0u);

    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->GetState()->IsPaused());
    // ...and the first step of the exit ran in the same call.
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(game->GetPad()->GetDirection(), sf::Vector2f(-1.f, 0.f));
    EXPECT_EQ(game->GetPad()->GetSpeed(), 5.f);
}
