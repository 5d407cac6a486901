#include "AudioTestSupport.hpp"
#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "entities/Ball.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"

#include <SFML/Audio/Sound.hpp>
#include <algorithm>
#include <cmath>

using namespace testsupport;

namespace {

const float kRadius = 10.f;
const sf::Color kWhite(255, 255, 255, 255);

// What a broken brick pays at combo n, straight from the reward rule.
int CoinsFor(int n) { return static_cast<int>(10 * std::pow(static_cast<double>(n), 1.2)); }
int ScoreAfter(int score, int n)
{
    return static_cast<int>(score + 3 * std::pow(static_cast<double>(n), 1.2));
}
sf::Color TintFor(int n)
{
    return sf::Color(255, static_cast<sf::Uint8>(std::max(0, 255 - 45 * n)),
                     static_cast<sf::Uint8>(std::max(0, 255 - 15 * n)), 255);
}

} // namespace

// Small scenes on an empty field: only the pad stays, the balls count as
// launched, and the level keeps bricks so the exit stays out of the way.
class BallTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        if (HasFatalFailure())
            return;
        ClearField();
        game->SetBallLaunched(true);
        ASSERT_GT(game->GetRemainingBricks(), 0);
    }

    StaticBrick* AddBrick(sf::Vector2f position, int hitPoints, sf::Vector2i size = {100, 50})
    {
        auto* brick = new StaticBrick(position, sf::Vector2i(0, 0), size, sf::Vector2f(1.f, 1.f),
                                      sf::Color(255, 250, 255, 255), hitPoints);
        game->GetEntities().push_back(brick);
        return brick;
    }

    // Placed by its centre; speed 0 keeps it still while its direction shows the bounces.
    Ball* AddBall(sf::Vector2f centre, sf::Vector2f direction)
    {
        auto* ball = new Ball(centre - sf::Vector2f(kRadius, kRadius), direction, 0.f, 1,
                              game->GetState()->GetBallDamage(), kRadius, game.get(), kWhite);
        game->GetEntities().push_back(ball);
        game->GetState()->AddBallsInPlay(1);
        return ball;
    }

    bool InPlay(const Entity* e) const
    {
        const auto& list = game->GetEntities();
        return std::find(list.begin(), list.end(), e) != list.end();
    }

    GameState& State() { return *game->GetState(); }
};

TEST_F(BallTest, BallBouncesOffBrickEdgesAndWindowEdgesButNotOffCornersOrAtExactlyItsRadius)
{
    const float w = static_cast<float>(game->GetWindowSize().x);
    struct Case {
        const char* what;
        sf::Vector2i brickSize; // the brick's top-left is (500, 300)
        sf::Vector2f centre;
        sf::Vector2f direction;
        sf::Vector2f expected;
        bool hit;
    };
    const Case cases[] = {
        {"top edge, falling", {100, 50}, {550.f, 291.f}, {0.5f, 0.8f}, {0.5f, -0.8f}, true},
        {"top edge, rising keeps rising", {100, 50}, {550.f, 291.f}, {-0.5f, -0.8f}, {-0.5f, -0.8f}, true},
        {"top edge, left end", {100, 50}, {500.f, 295.f}, {0.5f, 0.8f}, {0.5f, -0.8f}, true},
        {"top edge, right end", {100, 50}, {600.f, 295.f}, {0.5f, 0.8f}, {0.5f, -0.8f}, true},
        {"a hair inside the radius", {100, 50}, {550.f, 290.01f}, {0.5f, 0.8f}, {0.5f, -0.8f}, true},
        {"exactly the radius above", {100, 50}, {550.f, 290.f}, {0.5f, 0.8f}, {0.5f, 0.8f}, false},
        {"exactly the radius left", {100, 50}, {490.f, 325.f}, {0.5f, 0.8f}, {0.5f, 0.8f}, false},
        {"exactly the radius below", {100, 50}, {560.f, 360.f}, {0.5f, -0.8f}, {0.5f, -0.8f}, false},
        {"top left corner", {100, 50}, {495.f, 295.f}, {0.3f, 0.6f}, {0.3f, 0.6f}, false},
        {"top right corner", {100, 50}, {605.f, 295.f}, {0.3f, 0.6f}, {0.3f, 0.6f}, false},
        {"bottom left corner", {100, 50}, {495.f, 355.f}, {0.3f, 0.6f}, {0.3f, 0.6f}, false},
        {"bottom right corner", {100, 50}, {605.f, 355.f}, {0.3f, 0.6f}, {0.3f, 0.6f}, false},
        // Opposite edges at once: the bottom and left bounces come last.
        {"top and bottom, rising", {100, 10}, {550.f, 305.f}, {0.5f, -0.8f}, {0.5f, 0.8f}, true},
        {"top and bottom, falling", {100, 10}, {550.f, 305.f}, {0.5f, 0.8f}, {0.5f, 0.8f}, true},
        {"both sides, going left", {10, 50}, {505.f, 325.f}, {-0.5f, 0.8f}, {-0.5f, 0.8f}, true},
        {"both sides, going right", {10, 50}, {505.f, 325.f}, {0.5f, 0.8f}, {-0.5f, 0.8f}, true},
        {"all four edges", {10, 10}, {505.f, 305.f}, {0.5f, -0.8f}, {-0.5f, 0.8f}, true},
        // The window's edges bounce once the ball is past them; they are no hit.
        {"past the left", {100, 50}, {kRadius - 0.5f, 500.f}, {-0.5f, 0.8f}, {0.5f, 0.8f}, false},
        {"past the left, leaving", {100, 50}, {kRadius - 0.5f, 500.f}, {0.5f, 0.8f}, {0.5f, 0.8f}, false},
        {"on the left", {100, 50}, {kRadius, 500.f}, {-0.5f, 0.8f}, {-0.5f, 0.8f}, false},
        {"past the right", {100, 50}, {w - kRadius + 0.5f, 500.f}, {0.5f, 0.8f}, {-0.5f, 0.8f}, false},
        {"past the right, leaving", {100, 50}, {w - kRadius + 0.5f, 500.f}, {-0.5f, 0.8f}, {-0.5f, 0.8f}, false},
        {"on the right", {100, 50}, {w - kRadius, 500.f}, {0.5f, 0.8f}, {0.5f, 0.8f}, false},
        {"past the top", {100, 50}, {300.f, kRadius - 0.5f}, {0.5f, -0.8f}, {0.5f, 0.8f}, false},
        {"on the top", {100, 50}, {300.f, kRadius}, {0.5f, -0.8f}, {0.5f, -0.8f}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        game->DiscardAllButPad();
        StaticBrick* brick = AddBrick({500.f, 300.f}, 1000, c.brickSize);
        Ball* ball = AddBall(c.centre, c.direction);
        ball->Update();
        EXPECT_EQ(ball->GetDirection(), c.expected);
        EXPECT_EQ(brick->GetHitPoints(), c.hit ? 1000 - State().GetBallDamage() : 1000);
        EXPECT_EQ(ball->GetCombo(), c.hit ? 1 : 0);
        EXPECT_TRUE(InPlay(ball));
    }
}

TEST_F(BallTest, BallLostThroughTheBottomLeavesPlayWithoutHittingAnything)
{
    const float h = static_cast<float>(game->GetWindowSize().y);
    ASSERT_EQ(State().GetBallsInPlay(), 0);
    Ball* grazing = AddBall({200.f, h - kRadius}, {0.5f, 0.8f});
    grazing->Update();
    EXPECT_TRUE(InPlay(grazing)) << "exactly touching the bottom is not lost yet";
    EXPECT_EQ(State().GetBallsInPlay(), 1);
    game->DiscardAllButPad();

    // Half a pixel further it is lost, though it also touches a brick.
    StaticBrick* brick = AddBrick({500.f, h - 5.f}, 1000);
    Ball* lost = AddBall({550.f, h - kRadius + 0.5f}, {0.5f, 0.8f});
    State().SetCombo(3);
    const float shake = game->GetShakeStrength();
    const std::size_t discardedBefore = game->GetDiscardedCount();
    lost->Update();
    EXPECT_FALSE(InPlay(lost));
    EXPECT_EQ(game->GetDiscardedCount(), discardedBefore + 1) << "the game must free it later";
    EXPECT_TRUE(lost->IsBroken());
    EXPECT_EQ(State().GetBallsInPlay(), 0);
    EXPECT_EQ(brick->GetHitPoints(), 1000);
    EXPECT_EQ(lost->GetCombo(), 0);
    EXPECT_EQ(State().GetCombo(), 3);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), shake);
    EXPECT_EQ(State().GetScore(), 0);

    Step();
    EXPECT_TRUE(game->IsGameOver()) << "that was the only ball";
}

TEST_F(BallTest, BrickDamageGrowsWithTheComboCountedBeforeTheHit)
{
    Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    // The hit uses the damage of the moment, not the one the ball was made with.
    const int d = State().GetBallDamage() + 2;
    State().SetBallDamage(d);
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);
    int hitPoints = brick->GetHitPoints();
    int hit = 0;
    for (int damage : {d, d, 2 * d, 3 * d, 4 * d}) {
        ball->Update();
        EXPECT_EQ(hitPoints - brick->GetHitPoints(), damage) << "hit " << hit;
        hitPoints = brick->GetHitPoints();
        EXPECT_EQ(ball->GetCombo(), ++hit);
    }
}

TEST_F(BallTest, BrokenBrickRewardFollowsTheComboTable)
{
    const int d = State().GetBallDamage();
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE("combo " + std::to_string(n));
        game->DiscardAllButPad();
        State().SetCoins(0);
        State().SetScore(0);
        // Hit points for exactly n hits in a row: d + d + 2d + ... + (n-1)d.
        StaticBrick* brick = AddBrick({500.f, 300.f}, d * (1 + n * (n - 1) / 2));
        Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
        const int bricksBefore = game->GetRemainingBricks();
        for (int hit = 1; hit < n; ++hit)
            ball->Update();
        ASSERT_TRUE(InPlay(brick));
        EXPECT_EQ(State().GetCoins(), 0) << "nothing is paid before the brick breaks";

        ball->Update();
        EXPECT_FALSE(InPlay(brick));
        EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 1);
        EXPECT_EQ(State().GetCoins(), CoinsFor(n));
        EXPECT_EQ(State().GetScore(), ScoreAfter(0, n));
        EXPECT_EQ(ball->GetShape().getFillColor(), TintFor(n));
        EXPECT_EQ(State().GetCombo(), n);
        EXPECT_FLOAT_EQ(game->GetShakeStrength(), n < 8 ? static_cast<float>(n / 1.5) : 2.5f);
    }
    // The rule agrees with the table players see.
    const int coins[] = {10, 22, 37, 52, 68, 85};
    const int score[] = {3, 6, 11, 15, 20, 25};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(CoinsFor(n), coins[n - 1]) << n;
        EXPECT_EQ(ScoreAfter(0, n), score[n - 1]) << n;
    }
    EXPECT_EQ(CoinsFor(10), 158);
    EXPECT_EQ(TintFor(1), sf::Color(255, 210, 240));
    EXPECT_EQ(TintFor(16), sf::Color(255, 0, 15));
    EXPECT_EQ(TintFor(17), sf::Color(255, 0, 0));
}

TEST_F(BallTest, PadTouchResetsTheComboAndTintAndPlaysThePadSound)
{
    const sf::Sound* padSound = game->GetSoundManager()->FindSound("Ball_tap_pad");
    const sf::Sound* brickSound = game->GetSoundManager()->FindSound("Ball_tap_brick");
    ASSERT_NE(padSound, nullptr);
    ASSERT_NE(brickSound, nullptr);
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";

    AddBrick({500.f, 300.f}, 100000);
    Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    for (int i = 0; i < 3; ++i)
        ball->Update();
    ASSERT_EQ(ball->GetCombo(), 3);
    EXPECT_EQ(brickSound->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(padSound->getStatus(), sf::SoundSource::Stopped);

    // Now falling onto the pad's top edge, away from the brick.
    const Pad* pad = game->GetPad();
    ball->SetPosition({pad->GetPosition().x + 90.f, pad->GetPosition().y - 2 * kRadius + 3.f});
    ball->Update();
    EXPECT_EQ(ball->GetCombo(), 0);
    EXPECT_EQ(ball->GetShape().getFillColor(), kWhite);
    EXPECT_EQ(State().GetCombo(), 0);
    EXPECT_EQ(game->GetShakeStrength(), 0.f) << "the shake stops with the combo";
    EXPECT_LT(ball->GetDirection().y, 0.f) << "the pad sends the ball back up";
    EXPECT_EQ(padSound->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(pad->GetHitPoints(), 5) << "balls never hurt the pad";
}

TEST_F(BallTest, OnlyTheUpdatingBallReportsItsComboToTheGame)
{
    AddBrick({500.f, 300.f}, 100000);
    Ball* idle = AddBall({200.f, 600.f}, {0.5f, 0.8f});
    Ball* hitter = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    State().SetCombo(5);
    const float shake = game->GetShakeStrength();

    // The idle ball's update runs the pass for both; the other's hit is not its business.
    idle->Update();
    EXPECT_EQ(hitter->GetCombo(), 1);
    EXPECT_EQ(State().GetCombo(), 5);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), shake);
    hitter->Update();
    EXPECT_EQ(State().GetCombo(), 2);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), static_cast<float>(2 / 1.5));
}

TEST_F(BallTest, TwoBallsOnOneBrickInOneFrame)
{
    const int d = State().GetBallDamage();
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);
    Ball* first = AddBall({530.f, 291.f}, {0.5f, 0.8f});
    Ball* second = AddBall({570.f, 291.f}, {-0.5f, 0.8f});
    // Each ball's update handles both contacts: d + d at combo 0, then d + d at combo 1.
    Step();
    EXPECT_EQ(brick->GetHitPoints(), 100000 - 4 * d);
    EXPECT_EQ(first->GetCombo(), 2);
    EXPECT_EQ(second->GetCombo(), 2);

    // A brick two hits break pays once and counts once.
    game->DiscardAllButPad();
    State().SetCoins(0);
    brick = AddBrick({500.f, 300.f}, 2 * d);
    AddBall({530.f, 291.f}, {0.5f, 0.8f});
    AddBall({570.f, 291.f}, {-0.5f, 0.8f});
    const int bricksBefore = game->GetRemainingBricks();
    Step();
    EXPECT_FALSE(InPlay(brick));
    EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 1);
    EXPECT_EQ(State().GetCoins(), CoinsFor(1));
}

TEST_F(BallTest, BricksBrokenTogetherLeaveTheRightOnesStanding)
{
    const int d = State().GetBallDamage();
    // The ball sits in the gap between upper and lower and touches both.
    StaticBrick* upper = AddBrick({500.f, 300.f}, d);
    StaticBrick* far1 = AddBrick({1200.f, 300.f}, d);
    StaticBrick* lower = AddBrick({500.f, 360.f}, d);
    StaticBrick* far2 = AddBrick({1200.f, 500.f}, d);
    Ball* ball = AddBall({550.f, 355.f}, {0.5f, 0.8f});
    const int bricksBefore = game->GetRemainingBricks();

    ball->Update();
    EXPECT_EQ(game->GetEntities(), (std::vector<Entity*>{game->GetPad(), far1, far2, ball}));
    EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 2);
    EXPECT_TRUE(upper->IsBroken());
    EXPECT_TRUE(lower->IsBroken());
    // Broken in list order: the upper at combo 1, the lower at combo 2.
    EXPECT_EQ(State().GetCoins(), CoinsFor(1) + CoinsFor(2));
    EXPECT_EQ(State().GetScore(), ScoreAfter(ScoreAfter(0, 1), 2));
}

TEST_F(BallTest, RestingBallFollowsThePadOneFrameLate)
{
    game->SetBallLaunched(false);
    // An odd-width pad: the half width is taken in whole pixels.
    auto* pad = new Pad({700.f, 930.f}, 15.f, {201.f, 20.f}, 5, kWhite, game.get());
    game->GetEntities()[0] = pad;
    game->SetPad(pad);
    Ball* ball = AddBall({985.f, 910.f}, {0.f, 0.f});
    const sf::Vector2f drawnBefore = ball->GetShape().getPosition();

    ball->Update();
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(100.f + 700.f - 10.f, 900.f));
    EXPECT_EQ(ball->GetShape().getPosition(), drawnBefore) << "the circle catches up a frame later";
    pad->SetPosition({400.f, 930.f});
    ball->Update();
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(790.f, 900.f));
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(100.f + 400.f - 10.f, 900.f));
}
