#include "TestSupport.hpp"

#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"

#include <algorithm>
#include <cstdint>

using namespace testsupport;

namespace {

// A seed whose first `count` drop draws (0 to 500) all miss the 1.0 mark,
// except the very first one when `firstDrops` is set.
std::uint32_t FindSeed(int count, bool firstDrops)
{
    for (std::uint32_t seed = 1; seed < 1000000u; ++seed) {
        ReplayedRandom replay(seed);
        bool fits = true;
        for (int k = 0; k < count && fits; ++k)
            fits = (replay.Next(0.0f, 500.0f) <= 1.0f) == (firstDrops && k == 0);
        if (fits)
            return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

// Walked after the ball: records how many removed entities still await freeing.
class PendingProbe final : public Entity {
public:
    explicit PendingProbe(const Game& owner)
        : Entity({0.f, 0.f}, {0, 0}, {1, 1}, "blanc.png"), game(owner)
    {
    }
    sf::Drawable* GetDrawable() override { return nullptr; }
    void Update() override { seen = game.GetDiscardedCount(); }
    Entity* Clone() const override { return nullptr; }
    std::size_t seen = 99;

private:
    const Game& game;
};

class GameUpdateTest : public GameTest {
protected:
    // Takes an entity out of the list the way the game does, freed later.
    void TakeOut(Entity* e)
    {
        std::vector<Entity*>& entities = game->GetEntities();
        entities.erase(std::find(entities.begin(), entities.end(), e));
        game->Discard(e);
    }
    Pad& pad() { return *game->GetPad(); }
};

} // namespace

TEST_F(GameUpdateTest, ArrowKeysSteerThePadRightFirstAndStopAtTheEdges)
{
    LeaveStartMenu();
    // Both arrows held: Right is looked at first.
    Send(KeyPressed(sf::Keyboard::Left));
    Send(KeyPressed(sf::Keyboard::Right));
    Step();
    EXPECT_EQ(pad().GetPosition(), sf::Vector2f(900.f, 930.f));
    Send(KeyReleased(sf::Keyboard::Right));
    Step();
    EXPECT_EQ(pad().GetPosition(), sf::Vector2f(885.f, 930.f));
    // No arrow with bricks left: stopped in the very step, whatever its direction.
    Send(KeyReleased(sf::Keyboard::Left));
    pad().MoveRight();
    Step();
    EXPECT_EQ(pad().GetPosition(), sf::Vector2f(885.f, 930.f));

    // Stopped once past an edge, not when touching it, so one move may overshoot.
    struct Case {
        sf::Keyboard::Key key;
        float from, after;
    };
    const Case cases[] = {{sf::Keyboard::Right, 1721.f, 1721.f},
                          {sf::Keyboard::Right, 1720.f, 1735.f},
                          {sf::Keyboard::Right, 1735.f, 1735.f},
                          {sf::Keyboard::Left, 0.f, -15.f},
                          {sf::Keyboard::Left, -15.f, -15.f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        Send(KeyPressed(c.key));
        pad().SetPosition(sf::Vector2f(c.from, 930.f));
        Step();
        EXPECT_EQ(pad().GetPosition(), sf::Vector2f(c.after, 930.f));
        Send(KeyReleased(c.key));
    }
}

TEST_F(GameUpdateTest, HoldingAClearsTheLevelAndKeepsTheCoinsAtTenThousand)
{
    LeaveStartMenu();
    GameState& state = *game->GetState();
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    ASSERT_EQ(game->GetEntities(), std::vector<Entity*>{game->GetPad()});
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_EQ(state.GetCoins(), 10000);
    EXPECT_EQ(game->GetDiscardedCount(), 0u);
    // The ball taken off the field leaves the count, and was not lost.
    EXPECT_EQ(state.GetBallsInPlay(), 0);
    EXPECT_FALSE(game->IsGameOver() || game->IsBallLaunched());
    // The exit has begun: the pad glides toward the centre at 860.
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad().GetDirection().x, -1.f);

    int stepsWithoutTenThousand = 0;
    for (int i = 0; i < 400 && !state.IsShopOpen(); ++i) {
        state.SetCoins(1);
        Step();
        stepsWithoutTenThousand += state.GetCoins() != 10000;
    }
    EXPECT_EQ(stepsWithoutTenThousand, 0);
    ASSERT_TRUE(state.IsShopOpen());
    EXPECT_EQ(state.GetLevel(), 2);
    EXPECT_EQ(pad().GetPosition(), sf::Vector2f(860.f, 1170.f));

    Send(KeyReleased(sf::Keyboard::A));
    state.SetCoins(3);
    Step();
    EXPECT_EQ(state.GetCoins(), 3);
}

TEST_F(GameUpdateTest, EveryMovingBrickDrawsOneNumberPerStepLaunchedOrNot)
{
    LeaveStartMenu();
    const int moving = CountOf<MovableBrick>(game->GetEntities());
    ASSERT_GT(moving, 0) << "the seeded layout should hold moving bricks";
    for (int launched = 0; launched < 2; ++launched) {
        if (launched)
            Send(LeftClick(10, 500));
        SeedRandomForTesting(777u);
        ReplayedRandom replay(777u);
        Step(2);
        ASSERT_EQ(CountOf<MovableBrick>(game->GetEntities()), moving);
        replay.Skip(2 * moving);
        EXPECT_EQ(RandomFloat(0.0f, 1.0f), replay.Next(0.0f, 1.0f)) << "launched " << launched;
    }
}

TEST_F(GameUpdateTest, MovingBrickDropsAfterLaunchTurnsAtPadHeightAndStopsHome)
{
    LeaveStartMenu();
    const std::vector<MovableBrick*> bricks = AllOf<MovableBrick>(game->GetEntities());
    ASSERT_GE(bricks.size(), 2u) << "the seeded layout should hold moving bricks";
    MovableBrick* brick = bricks.front();
    const sf::Vector2f home = brick->GetHomePosition();
    // Parked where the brick's column cannot reach it.
    pad().SetPosition(sf::Vector2f(home.x < 960.f ? 1700.f : 0.f, 930.f));
    const std::uint32_t dropSeed = FindSeed(static_cast<int>(bricks.size()), true);
    const std::uint32_t calmSeed = FindSeed(static_cast<int>(bricks.size()), false);

    // A winning draw before the launch does nothing.
    SeedRandomForTesting(dropSeed);
    Step();
    EXPECT_EQ(brick->GetPosition(), home);

    Send(LeftClick(10, 500));
    for (Ball* ball : AllOf<Ball>(game->GetEntities()))
        TakeOut(ball);
    SeedRandomForTesting(dropSeed);
    Step();
    // It falls in the same step: the steering comes before its own update.
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 1.f));
    EXPECT_EQ(brick->GetPosition(), home + sf::Vector2f(0.f, 5.f));
    EXPECT_EQ(bricks[1]->GetPosition(), bricks[1]->GetHomePosition());

    const float padY = pad().GetPosition().y;
    float lowest = 0.f;
    bool turnedAtPadHeight = false;
    for (int steps = 0; brick->GetDirection() != sf::Vector2f(0.f, 0.f) && steps < 600; ++steps) {
        const float before = brick->GetPosition().y;
        SeedRandomForTesting(calmSeed);
        Step();
        lowest = std::max(lowest, brick->GetPosition().y);
        if (before == padY)
            turnedAtPadHeight = brick->IsReturning() && brick->GetPosition().y == padY - 5.f;
    }
    // Never past the pad's height, and in whole 5-pixel steps exactly home again.
    EXPECT_EQ(lowest, padY);
    EXPECT_TRUE(turnedAtPadHeight);
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_FALSE(brick->IsReturning());
    SeedRandomForTesting(calmSeed);
    Step();
    EXPECT_EQ(brick->GetPosition(), home);
}

TEST_F(GameUpdateTest, LosingTheLastBallEndsTheGameAndFreesItOnlyAfterTheWalk)
{
    StartPlaying();
    AllOf<Ball>(game->GetEntities()).front()->SetPosition(sf::Vector2f(975.f, 1075.f));
    // The entity right after the ball slides into its walked place: probe the next one.
    auto* probe = new PendingProbe(*game);
    game->GetEntities().push_back(new PendingProbe(*game));
    game->GetEntities().push_back(probe);
    Step();
    EXPECT_EQ(probe->seen, 1u) << "the lost ball was freed during the walk";
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 0);
    EXPECT_EQ(game->GetState()->GetBallsInPlay(), 0);
    EXPECT_EQ(game->GetDiscardedCount(), 0u);
    EXPECT_TRUE(game->IsGameOver() && game->GetState()->IsPaused());
}

TEST_F(GameUpdateTest, LastBallLostInTheStepThatBreaksTheLastBrickStillStartsTheExit)
{
    StartPlaying();
    std::vector<Entity*>& entities = game->GetEntities();
    Ball* lost = AllOf<Ball>(entities).front();
    // Keep only the first brick of the grid, at (15, 60).
    std::vector<Entity*> bricks;
    for (Entity* e : entities)
        if (typeid(*e) == typeid(StaticBrick) || typeid(*e) == typeid(MovableBrick))
            bricks.push_back(e);
    ASSERT_EQ(bricks.front()->GetPosition(), sf::Vector2f(15.f, 60.f));
    for (std::size_t i = 1; i < bricks.size(); ++i)
        TakeOut(bricks[i]);
    game->AddRemainingBricks(1 - static_cast<int>(bricks.size()));

    // A second ball, not counted in play, touches the brick's bottom edge; the
    // counted one is about to fall out.
    Ball* breaker = new Ball(sf::Vector2f(55.f, 105.f), sf::Vector2f(0.5f, -0.5f), 13.f, 1, 5,
                             10.f, game.get(), sf::Color::White);
    entities.push_back(breaker);
    lost->SetPosition(sf::Vector2f(975.f, 1075.f));
    Step();

    // The lost ball's update broke the brick through the other ball, which
    // slid into an index already walked and so did not move this step.
    ASSERT_EQ(entities, (std::vector<Entity*>{game->GetPad(), breaker}));
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_EQ(game->GetState()->GetCoins(), 10);
    EXPECT_EQ(game->GetState()->GetScore(), 3);
    EXPECT_EQ(breaker->GetDirection(), sf::Vector2f(0.5f, 0.5f));
    EXPECT_EQ(breaker->GetPosition(), sf::Vector2f(55.f, 105.f));
    EXPECT_EQ(game->GetDiscardedCount(), 0u);
    EXPECT_TRUE(game->IsGameOver());
    // ...and the first step of the exit ran in the same call.
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad().GetDirection(), sf::Vector2f(-1.f, 0.f));
    EXPECT_EQ(pad().GetSpeed(), 5.f);
}
