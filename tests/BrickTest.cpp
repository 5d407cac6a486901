#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"

using namespace testsupport;

namespace {
const float kBrickSpeed = 5.f;
}

// Scenes on an empty field: only the pad (at (885, 930), 200 x 20) stays, and
// the level keeps bricks so the exit stays out of the way.
class BrickTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        if (HasFatalFailure())
            return;
        ClearField();
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
    // One draw per moving brick per frame, and this is the only one.
    SeedRandomForTesting(kGameTestSeed);
    ReplayedRandom draws(kGameTestSeed);
    std::vector<int> luckyFrames;
    for (int k = 0; luckyFrames.size() < 3 && k < 100000; ++k)
        if (draws.Next(0.f, 500.f) <= 1.f)
            luckyFrames.push_back(k);
    ASSERT_EQ(luckyFrames.size(), 3u);

    // Before the launch click, even lucky draws leave it in place.
    int frame = 0;
    for (; frame <= luckyFrames[1]; ++frame) {
        Step();
        ASSERT_EQ(brick->GetPosition(), sf::Vector2f(300.f, 115.f)) << "frame " << frame;
    }
    Send(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    // It rests until the next lucky draw, then falls in that very frame.
    for (; frame < luckyFrames[2]; ++frame) {
        Step();
        ASSERT_EQ(brick->GetPosition().y, 115.f) << "frame " << frame;
    }
    Step();
    EXPECT_EQ(brick->GetPosition(), sf::Vector2f(300.f, 115.f + kBrickSpeed));
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 1.f));
}

TEST_F(BrickTest, MovingBrickTurnsAtThePadLineAndStopsExactlyHome)
{
    // Sent down by hand with the balls not launched, so no draw sends it again.
    const sf::Vector2f home(300.f, 60.f);
    MovableBrick* brick = AddMovingBrick(home, {0.f, 1.f});
    const float padY = ThePad().GetPosition().y;
    const int framesDown = static_cast<int>((padY - home.y) / kBrickSpeed);

    float lowest = home.y;
    for (int frame = 1; frame <= 2 * framesDown; ++frame) {
        Step();
        lowest = std::max(lowest, brick->GetPosition().y);
        if (frame == framesDown) {
            EXPECT_EQ(brick->GetPosition(), sf::Vector2f(home.x, padY));
        }
        EXPECT_EQ(brick->IsReturning(), frame > framesDown) << "frame " << frame;
    }
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(lowest, padY) << "it never goes below the pad's line";
    Step();
    EXPECT_EQ(brick->GetDirection(), sf::Vector2f(0.f, 0.f)) << "home again, it stops";
    EXPECT_FALSE(brick->IsReturning());
    Step(50);
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_EQ(ThePad().GetHitPoints(), 5) << "it fell beside the pad";
}

TEST_F(BrickTest, MovingBrickTouchingThePadCostsItAHitPoint)
{
    struct Case {
        const char* what;
        sf::Vector2f position;
        sf::Vector2f direction;
        bool hurts;
    };
    const Case cases[] = {
        {"bottom edge on the pad's top edge", {900.f, 880.f}, {0.f, 0.f}, true},
        {"one pixel above", {900.f, 879.f}, {0.f, 0.f}, false},
        {"right edge on the pad's left edge", {785.f, 935.f}, {0.f, 0.f}, true},
        {"falling into contact in this update", {1000.f, 875.f}, {0.f, 1.f}, true},
    };
    int hitPoints = ThePad().GetHitPoints();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        game->DiscardAllButPad();
        AddMovingBrick(c.position, c.direction)->Update();
        hitPoints -= c.hurts ? 1 : 0;
        EXPECT_EQ(ThePad().GetHitPoints(), hitPoints);
        EXPECT_FALSE(ThePad().IsInvulnerable()) << "the shield lasts one pass only";
    }
    // Two bricks on the pad at once still cost one hit point per pass.
    game->DiscardAllButPad();
    AddMovingBrick({900.f, 880.f});
    AddMovingBrick({950.f, 880.f})->Update();
    EXPECT_EQ(ThePad().GetHitPoints(), hitPoints - 1);
    EXPECT_FALSE(game->IsGameOver());
}

TEST_F(BrickTest, TwoMovingBricksCostThePadTwoHitPointsAFrameAndBreakingItEndsTheGame)
{
    StartPlaying();
    Pad& pad = ThePad();
    // Only the first overlaps the pad; each brick's update runs the pass over both.
    AddMovingBrick({900.f, 880.f});
    AddMovingBrick({100.f, 60.f});
    Step();
    EXPECT_EQ(pad.GetHitPoints(), 3);
    Step();
    EXPECT_EQ(pad.GetHitPoints(), 1);
    EXPECT_FALSE(game->IsGameOver());

    // The first update breaks the pad, the second finds it broken: one menu,
    // and no false timer error from pausing the stopped clock again.
    CapturedStdout out;
    Step();
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(pad.GetHitPoints(), 0);
    EXPECT_TRUE(game->IsGameOver());
    const GameOverMenu* menu = game->GetGameOverMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    game->GameOver();
    EXPECT_EQ(game->GetGameOverMenu(), menu);
}

TEST_F(BrickTest, MovingBrickCloneHasNoHomeButMovesByItself)
{
    MovableBrick* source = AddMovingBrick({420.f, 115.f}, {0.f, 1.f});
    source->SetPosition({420.f, 500.f});
    source->SetReturning(true);
    source->TakeDamage(2);

    std::unique_ptr<MovableBrick> clone(source->Clone());
    EXPECT_EQ(clone->GetHomePosition(), sf::Vector2f(0.f, 0.f));
    EXPECT_FALSE(clone->IsReturning());
    EXPECT_EQ(clone->GetHitPoints(), 3);
    EXPECT_EQ(clone->GetDirection(), sf::Vector2f(0.f, 1.f));
    const Entity* self = clone.get();
    EXPECT_EQ(static_cast<const MovingComponent&>(*clone).GetOwner(), self);
    EXPECT_EQ(static_cast<const BreakableComponent&>(*clone).GetOwner(), self);
    source->SetPosition({1.f, 1.f});
    clone->Update();
    EXPECT_EQ(clone->GetPosition(), sf::Vector2f(420.f, 505.f));
    EXPECT_EQ(clone->GetSprite().getPosition(), sf::Vector2f(420.f, 505.f));
}

TEST_F(BrickTest, StaticBrickStaysWhereItWasLaid)
{
    StartPlaying();
    auto* brick = new StaticBrick({120.f, 170.f}, sf::Vector2i(0, 0), sf::Vector2i(100, 50),
                                  sf::Vector2f(1.f, 1.f), sf::Color(255, 250, 255, 255), 5);
    game->GetEntities().push_back(brick);
    Step(200);
    EXPECT_EQ(brick->GetSprite().getPosition(), sf::Vector2f(120.f, 170.f));
    EXPECT_EQ(brick->GetHitPoints(), 5);
}
