#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"

#include <cstdint>
#include <random>

using namespace testsupport;

namespace {

const float kBrickSpeed = 5.f;

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

} // namespace

// Scenes on an empty field: only the pad (at (885, 930), 200 x 20) stays, and
// the level keeps bricks to break so the exit sequence stays out of the way.
class BrickTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        if (HasFatalFailure())
            return;
        game->DiscardAllButPad();
        game->FreeDiscarded();
        ASSERT_GT(game->GetRemainingBricks(), 0);
        ASSERT_EQ(game->GetPad()->GetPosition(), sf::Vector2f(885.f, 930.f));
    }

    MovableBrick* AddMovingBrick(sf::Vector2f position, sf::Vector2f direction = {0.f, 0.f})
    {
        auto* brick = new MovableBrick(game.get(), position, sf::Vector2i(0, 0),
                                       sf::Vector2i(100, 50), sf::Vector2f(1.f, 1.f),
                                       sf::Color(255, 0, 0, 255), direction, kBrickSpeed, 5);
        game->GetEntities().push_back(brick);
        return brick;
    }

    Pad& ThePad() { return *game->GetPad(); }
};

TEST_F(BrickTest, MovingBrickDropsOnlyOnceTheBallsAreLaunched)
{
    LeaveStartMenu();
    MovableBrick* brick = AddMovingBrick({300.f, 115.f});
    const std::uint32_t seed = 4242u;
    SeedRandomForTesting(seed);
    // One draw per moving brick per frame, and this is the only one.
    const std::vector<float> draws = Draws(seed, 20000, 0.f, 500.f);
    std::vector<std::size_t> dropFrames;
    for (std::size_t k = 0; k < draws.size(); ++k)
        if (draws[k] <= 1.f)
            dropFrames.push_back(k);
    ASSERT_GE(dropFrames.size(), 3u) << "pick a seed with a few lucky draws";

    // Before the launch click, even lucky draws leave it in place.
    const std::size_t waiting = dropFrames[1] + 1;
    for (std::size_t k = 0; k < waiting; ++k) {
        Step();
        ASSERT_EQ(brick->GetPosition(), sf::Vector2f(300.f, 115.f)) << "frame " << k;
    }
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 0.f));

    Send(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    // It rests until the first lucky draw after the launch, then falls in
    // that very frame.
    const std::size_t drop = dropFrames[2];
    for (std::size_t k = waiting; k < drop; ++k) {
        Step();
        ASSERT_EQ(brick->GetPosition().y, 115.f) << "frame " << k;
    }
    Step();
    EXPECT_EQ(brick->GetPosition(), sf::Vector2f(300.f, 115.f + kBrickSpeed));
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 1.f));
    EXPECT_FALSE(brick->IsReturning());
}

TEST_F(BrickTest, MovingBrickTurnsAtThePadLineAndStopsExactlyHome)
{
    // Sent down by hand with the balls not launched, so that no draw can
    // send it down again: the cycle runs undisturbed.
    const sf::Vector2f home(300.f, 60.f);
    MovableBrick* brick = AddMovingBrick(home, {0.f, 1.f});
    const float padY = ThePad().GetPosition().y;
    const int framesDown = static_cast<int>((padY - home.y) / kBrickSpeed);

    float lowest = home.y;
    int frame = 0;
    for (; frame < framesDown; ++frame) {
        Step();
        lowest = std::max(lowest, brick->GetPosition().y);
        EXPECT_FALSE(brick->IsReturning());
    }
    EXPECT_EQ(brick->GetPosition(), sf::Vector2f(home.x, padY));

    // On the pad's line it turns and climbs.
    Step();
    ++frame;
    EXPECT_TRUE(brick->IsReturning());
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, -1.f));
    EXPECT_EQ(brick->GetPosition().y, padY - kBrickSpeed);

    for (; frame < 2 * framesDown; ++frame) {
        Step();
        lowest = std::max(lowest, brick->GetPosition().y);
    }
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(lowest, padY) << "it never goes below the pad's line";

    // Home again: it stops there, exactly, and stays.
    Step();
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_FALSE(brick->IsReturning());
    EXPECT_EQ(brick->GetPosition(), home);
    Step(50);
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(ThePad().GetHitPoints(), 5) << "it fell beside the pad";
}

TEST_F(BrickTest, MovingBrickTouchingThePadCostsItAHitPoint)
{
    Pad& pad = ThePad();
    // Bottom edge exactly on the pad's top edge.
    MovableBrick* onTop = AddMovingBrick({900.f, 930.f - 50.f});
    onTop->Update();
    EXPECT_EQ(pad.GetHitPoints(), 4);
    EXPECT_FALSE(pad.IsInvulnerable()) << "the shield lasts one pass only";

    // One pixel above: no contact.
    game->DiscardAllButPad();
    MovableBrick* above = AddMovingBrick({900.f, 930.f - 51.f});
    above->Update();
    EXPECT_EQ(pad.GetHitPoints(), 4);

    // Right edge exactly on the pad's left edge.
    game->DiscardAllButPad();
    MovableBrick* beside = AddMovingBrick({885.f - 100.f, 935.f});
    beside->Update();
    EXPECT_EQ(pad.GetHitPoints(), 3);

    // A falling brick hurts through its own move in the same update.
    game->DiscardAllButPad();
    MovableBrick* falling = AddMovingBrick({1000.f, 930.f - 50.f - kBrickSpeed}, {0.f, 1.f});
    falling->Update();
    EXPECT_EQ(falling->GetPosition().y, 880.f);
    EXPECT_EQ(pad.GetHitPoints(), 2);
    EXPECT_FALSE(game->IsGameOver());
}

TEST_F(BrickTest, TwoMovingBricksCostThePadTwoHitPointsAFrameAndBreakingItEndsTheGame)
{
    LeaveStartMenu();
    Send(LeftClick(10, 500));
    Pad& pad = ThePad();
    // Only the first overlaps the pad; both run the pass over all moving
    // bricks, each pass costing one hit point.
    AddMovingBrick({900.f, 880.f});
    AddMovingBrick({100.f, 60.f});
    ASSERT_FALSE(game->IsGameOver());

    Step();
    EXPECT_EQ(pad.GetHitPoints(), 3);
    EXPECT_FALSE(pad.IsInvulnerable());
    Step();
    EXPECT_EQ(pad.GetHitPoints(), 1);
    EXPECT_FALSE(game->IsGameOver());

    // The first update breaks the pad, the second finds it broken again:
    // the game ends once, with one menu.
    Step();
    EXPECT_EQ(pad.GetHitPoints(), 0);
    EXPECT_TRUE(pad.IsBroken());
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());

    // Another overlap finding the pad broken keeps the screen already up.
    const GameOverMenu* menu = game->GetGameOverMenu();
    game->GameOver();
    EXPECT_EQ(game->GetGameOverMenu(), menu);
    EXPECT_EQ(pad.GetHitPoints(), 0);
}

TEST_F(BrickTest, MovingBrickCloneHasNoHomeUntilTheLayoutGivesOne)
{
    MovableBrick* source = AddMovingBrick({420.f, 115.f}, {0.f, 1.f});
    source->SetPosition({420.f, 500.f});
    source->SetReturning(true);
    source->TakeDamage(2);
    ASSERT_EQ(source->GetHomePosition(), sf::Vector2f(420.f, 115.f));

    std::unique_ptr<MovableBrick> clone(source->Clone());
    EXPECT_EQ(clone->GetHomePosition(), sf::Vector2f(0.f, 0.f));
    EXPECT_FALSE(clone->IsReturning());
    EXPECT_EQ(clone->GetPosition(), sf::Vector2f(420.f, 500.f));
    EXPECT_EQ(clone->GetHitPoints(), 3);
    EXPECT_EQ(clone->GetDirection(), sf::Vector2f(0.f, 1.f));
    EXPECT_EQ(clone->GetSpeed(), kBrickSpeed);
    EXPECT_EQ(clone->GetColor(), sf::Color(255, 0, 0, 255));
    EXPECT_EQ(clone->GetSize(), sf::Vector2i(100, 50));
    // The clone is a brick of its own, moving and hurting by itself.
    const Entity* self = clone.get();
    EXPECT_EQ(static_cast<const MovingComponent&>(*clone).GetOwner(), self);
    EXPECT_EQ(static_cast<const BreakableComponent&>(*clone).GetOwner(), self);
    source->SetPosition({1.f, 1.f});
    EXPECT_EQ(clone->GetPosition(), sf::Vector2f(420.f, 500.f));
    clone->Update();
    EXPECT_EQ(clone->GetPosition(), sf::Vector2f(420.f, 505.f));
    EXPECT_EQ(clone->GetSprite().getPosition(), sf::Vector2f(420.f, 505.f));
}

TEST_F(BrickTest, StaticBrickStaysWhereItWasLaid)
{
    LeaveStartMenu();
    Send(LeftClick(10, 500));
    auto* brick = new StaticBrick({120.f, 170.f}, sf::Vector2i(0, 0), sf::Vector2i(100, 50),
                                  sf::Vector2f(1.f, 1.f), sf::Color(255, 250, 255, 255), 5);
    game->GetEntities().push_back(brick);
    brick->Update();
    Step(200);
    EXPECT_EQ(brick->GetPosition(), sf::Vector2f(120.f, 170.f));
    EXPECT_EQ(brick->GetSprite().getPosition(), sf::Vector2f(120.f, 170.f));
    EXPECT_EQ(brick->GetHitPoints(), 5);
}
