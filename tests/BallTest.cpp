#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "entities/Ball.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"

#include <SFML/Audio/Sound.hpp>
#include <algorithm>
#include <cmath>
#include <dlfcn.h>

using namespace testsupport;

namespace {

const float kRadius = 10.f;
const sf::Color kWhite(255, 255, 255, 255);

// What a broken brick pays at combo n, straight from the reward rule.
int CoinsFor(int n)
{
    return static_cast<int>(std::trunc(10 * std::pow(static_cast<double>(n), 1.2)));
}

int ScoreAfter(int score, int n)
{
    return static_cast<int>(std::trunc(score + 3 * std::pow(static_cast<double>(n), 1.2)));
}

sf::Color TintFor(int n)
{
    return sf::Color(255, static_cast<sf::Uint8>(std::max(0, 255 - 45 * n)),
                     static_cast<sf::Uint8>(std::max(0, 255 - 15 * n)), 255);
}

// Holds OpenAL's mixer still while alive, so that a short effect that has
// started is still reported as playing when the test looks, however busy the
// machine is.
class FrozenMixer {
public:
    FrozenMixer()
    {
        using ContextFn = void* (*)();
        using DeviceFn = void* (*)(void*);
        const auto currentContext =
            reinterpret_cast<ContextFn>(dlsym(RTLD_DEFAULT, "alcGetCurrentContext"));
        const auto contextsDevice =
            reinterpret_cast<DeviceFn>(dlsym(RTLD_DEFAULT, "alcGetContextsDevice"));
        pause = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDevicePauseSOFT"));
        resume = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDeviceResumeSOFT"));
        if (!currentContext || !contextsDevice || !pause || !resume)
            return;
        if (void* context = currentContext())
            device = contextsDevice(context);
        if (device)
            pause(device);
    }
    ~FrozenMixer()
    {
        if (device)
            resume(device);
    }
    FrozenMixer(const FrozenMixer&) = delete;
    FrozenMixer& operator=(const FrozenMixer&) = delete;

    bool IsFrozen() const { return device != nullptr; }

private:
    using DeviceCall = void (*)(void*);
    DeviceCall pause = nullptr;
    DeviceCall resume = nullptr;
    void* device = nullptr;
};

} // namespace

// Each test builds its own small scene on an empty field: only the pad stays,
// the balls count as launched, and the level still has bricks to break so the
// exit sequence stays out of the way.
class BallTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        if (HasFatalFailure())
            return;
        game->DiscardAllButPad();
        game->FreeDiscarded();
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

    // A ball placed by its centre. Speed 0 keeps it in place while its
    // direction still carries the signs the bounces set.
    Ball* AddBall(sf::Vector2f centre, sf::Vector2f direction, float speed = 0.f)
    {
        auto* ball = new Ball(centre - sf::Vector2f(kRadius, kRadius), direction, speed, 1,
                              game->GetState()->GetBallDamage(), kRadius, game.get(), kWhite);
        game->GetEntities().push_back(ball);
        return ball;
    }

    bool InPlay(const Entity* e) const
    {
        const auto& list = game->GetEntities();
        return std::find(list.begin(), list.end(), e) != list.end();
    }

    GameState& State() { return *game->GetState(); }
};

TEST_F(BallTest, BallBouncesUpOffABrickTopEdge)
{
    // Brick from (500, 300) to (600, 350); the ball's centre 9 pixels above
    // its top edge, well inside its width.
    StaticBrick* brick = AddBrick({500.f, 300.f}, 1000);
    Ball* falling = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    falling->Update();
    EXPECT_FLOAT_EQ(falling->GetDirection().y, -0.8f) << "a falling ball turns upward";
    EXPECT_FLOAT_EQ(falling->GetDirection().x, 0.5f) << "a top hit leaves the sideways motion";
    EXPECT_EQ(brick->GetHitPoints(), 1000 - State().GetBallDamage());

    game->DiscardAllButPad();
    brick = AddBrick({500.f, 300.f}, 1000);
    Ball* rising = AddBall({550.f, 291.f}, {-0.5f, -0.8f});
    rising->Update();
    EXPECT_FLOAT_EQ(rising->GetDirection().y, -0.8f) << "a rising ball keeps rising";
    EXPECT_FLOAT_EQ(rising->GetDirection().x, -0.5f);
    EXPECT_EQ(brick->GetHitPoints(), 1000 - State().GetBallDamage());

    // The same holds above the very ends of the edge, which still count.
    for (float x : {500.f, 600.f}) {
        SCOPED_TRACE(x);
        game->DiscardAllButPad();
        brick = AddBrick({500.f, 300.f}, 1000);
        Ball* atEnd = AddBall({x, 295.f}, {0.5f, 0.8f});
        atEnd->Update();
        EXPECT_FLOAT_EQ(atEnd->GetDirection().y, -0.8f);
        EXPECT_FLOAT_EQ(atEnd->GetDirection().x, 0.5f);
        EXPECT_EQ(brick->GetHitPoints(), 1000 - State().GetBallDamage());
    }
}

TEST_F(BallTest, BallGrazingABrickAtExactlyItsRadiusMissesIt)
{
    StaticBrick* brick = AddBrick({500.f, 300.f}, 1000);
    Ball* above = AddBall({550.f, 300.f - kRadius}, {0.5f, 0.8f});
    Ball* beside = AddBall({500.f - kRadius, 325.f}, {0.5f, 0.8f});
    Ball* below = AddBall({560.f, 350.f + kRadius}, {0.5f, -0.8f});
    above->Update();
    beside->Update();
    below->Update();

    EXPECT_EQ(brick->GetHitPoints(), 1000);
    EXPECT_EQ(above->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(beside->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(below->GetDirection(), sf::Vector2f(0.5f, -0.8f));
    EXPECT_EQ(above->GetCombo(), 0);
    EXPECT_EQ(beside->GetCombo(), 0);
    EXPECT_EQ(below->GetCombo(), 0);
    EXPECT_EQ(State().GetScore(), 0);

    // A hair closer and it hits.
    game->DiscardAllButPad();
    brick = AddBrick({500.f, 300.f}, 1000);
    Ball* closer = AddBall({550.f, 300.f - kRadius + 0.01f}, {0.5f, 0.8f});
    closer->Update();
    EXPECT_LT(brick->GetHitPoints(), 1000);
    EXPECT_LT(closer->GetDirection().y, 0.f);
}

TEST_F(BallTest, BallOverABrickCornerPassesWithoutHitting)
{
    // Each centre lies outside both edges that meet at a corner, yet the
    // corner itself is inside the circle (about 7 pixels from the centre).
    StaticBrick* brick = AddBrick({500.f, 300.f}, 1000);
    const sf::Vector2f centres[] = {
        {495.f, 295.f}, // top left
        {605.f, 295.f}, // top right
        {495.f, 355.f}, // bottom left
        {605.f, 355.f}, // bottom right
    };
    std::vector<Ball*> balls;
    for (const sf::Vector2f& c : centres)
        balls.push_back(AddBall(c, {0.3f, 0.6f}));
    for (Ball* ball : balls)
        ball->Update();

    EXPECT_EQ(brick->GetHitPoints(), 1000);
    for (Ball* ball : balls) {
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(0.3f, 0.6f));
        EXPECT_EQ(ball->GetCombo(), 0);
    }
}

TEST_F(BallTest, OpposingEdgesTouchedTogetherSendTheBallDownOrLeft)
{
    // A brick thinner than the ball: its top and bottom edges both cut the
    // circle; the bottom bounce comes last, so the ball goes down.
    for (float vertical : {-0.8f, 0.8f}) {
        SCOPED_TRACE(vertical);
        game->DiscardAllButPad();
        AddBrick({500.f, 300.f}, 1000, {100, 10});
        Ball* ball = AddBall({550.f, 305.f}, {0.5f, vertical});
        ball->Update();
        EXPECT_FLOAT_EQ(ball->GetDirection().y, 0.8f);
        EXPECT_FLOAT_EQ(ball->GetDirection().x, 0.5f);
    }
    // A brick narrower than the ball: both side edges cut it; the left
    // bounce comes last, so the ball goes left.
    for (float sideways : {-0.5f, 0.5f}) {
        SCOPED_TRACE(sideways);
        game->DiscardAllButPad();
        AddBrick({500.f, 300.f}, 1000, {10, 50});
        Ball* ball = AddBall({505.f, 325.f}, {sideways, 0.8f});
        ball->Update();
        EXPECT_FLOAT_EQ(ball->GetDirection().x, -0.5f);
        EXPECT_FLOAT_EQ(ball->GetDirection().y, 0.8f);
    }
    // Both at once, inside a small brick: down and left.
    game->DiscardAllButPad();
    AddBrick({500.f, 300.f}, 1000, {10, 10});
    Ball* ball = AddBall({505.f, 305.f}, {0.5f, -0.8f});
    ball->Update();
    EXPECT_EQ(ball->GetDirection(), sf::Vector2f(-0.5f, 0.8f));
}

TEST_F(BallTest, BallBouncesOffTheWindowSidesAndTop)
{
    const float w = static_cast<float>(game->GetWindowSize().x);
    // Past the left edge, going left or already right: it ends going right.
    Ball* left = AddBall({kRadius - 0.5f, 500.f}, {-0.5f, 0.8f});
    Ball* leftAway = AddBall({kRadius - 0.5f, 500.f}, {0.5f, 0.8f});
    // Exactly on the left edge: no bounce yet.
    Ball* leftEdge = AddBall({kRadius, 500.f}, {-0.5f, 0.8f});
    // Past the right edge, and exactly on it.
    Ball* right = AddBall({w - kRadius + 0.5f, 500.f}, {0.5f, 0.8f});
    Ball* rightEdge = AddBall({w - kRadius, 500.f}, {0.5f, 0.8f});
    // Above the top, and exactly on it.
    Ball* top = AddBall({300.f, kRadius - 0.5f}, {0.5f, -0.8f});
    Ball* topEdge = AddBall({300.f, kRadius}, {0.5f, -0.8f});
    for (Ball* b : {left, leftAway, leftEdge, right, rightEdge, top, topEdge})
        b->Update();

    EXPECT_EQ(left->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(leftAway->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(leftEdge->GetDirection(), sf::Vector2f(-0.5f, 0.8f));
    EXPECT_EQ(right->GetDirection(), sf::Vector2f(-0.5f, 0.8f));
    EXPECT_EQ(rightEdge->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(top->GetDirection(), sf::Vector2f(0.5f, 0.8f));
    EXPECT_EQ(topEdge->GetDirection(), sf::Vector2f(0.5f, -0.8f));
    // A wall is no hit: no combo, no reward.
    EXPECT_EQ(left->GetCombo(), 0);
    EXPECT_EQ(State().GetCoins(), 0);
    for (Ball* b : {left, right, top})
        EXPECT_TRUE(InPlay(b));
}

TEST_F(BallTest, BallLostThroughTheBottomLeavesPlayWithoutHittingAnything)
{
    const float h = static_cast<float>(game->GetWindowSize().y);
    const int ballsBefore = State().GetBallsInPlay();
    ASSERT_EQ(ballsBefore, 1);

    // Exactly touching the bottom edge is not lost yet.
    Ball* grazing = AddBall({200.f, h - kRadius}, {0.5f, 0.8f});
    grazing->Update();
    EXPECT_TRUE(InPlay(grazing));
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore);
    EXPECT_EQ(grazing->GetHitPoints(), 1);
    game->GetEntities().pop_back();
    delete grazing;

    // Half a pixel further it is lost, although it also touches a brick
    // reaching below the window.
    StaticBrick* brick = AddBrick({500.f, h - 5.f}, 1000);
    Ball* lost = AddBall({550.f, h - kRadius + 0.5f}, {0.5f, 0.8f});
    State().SetCombo(3);
    const float shake = game->GetShakeStrength();
    const std::size_t discardedBefore = game->GetDiscardedCount();
    lost->Update();

    EXPECT_FALSE(InPlay(lost));
    EXPECT_EQ(game->GetDiscardedCount(), discardedBefore + 1) << "the game must free it later";
    EXPECT_TRUE(lost->IsBroken());
    EXPECT_EQ(lost->GetHitPoints(), 0);
    EXPECT_EQ(lost->GetDirection(), sf::Vector2f(0.5f, -0.8f));
    EXPECT_EQ(State().GetBallsInPlay(), ballsBefore - 1);
    // It took no part in the collision pass.
    EXPECT_EQ(brick->GetHitPoints(), 1000);
    EXPECT_EQ(lost->GetCombo(), 0);
    EXPECT_EQ(State().GetCombo(), 3);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), shake);
    EXPECT_EQ(State().GetScore(), 0);

    // That was the only ball: the next step ends the game.
    Step();
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_TRUE(State().IsPaused());
}

TEST_F(BallTest, BrickDamageGrowsWithTheComboCountedBeforeTheHit)
{
    // The hit uses the play state's damage of the moment, not the value the
    // ball was made with.
    Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    ASSERT_EQ(ball->GetDamage(), 5);
    const int d = 7;
    State().SetBallDamage(d);
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);

    // The contact lasts, so every update counts a new hit in the row.
    const int expectedDamage[] = {d, d, 2 * d, 3 * d, 4 * d};
    int hitPoints = brick->GetHitPoints();
    int hit = 0;
    for (int damage : expectedDamage) {
        SCOPED_TRACE(hit);
        ball->Update();
        EXPECT_EQ(hitPoints - brick->GetHitPoints(), damage);
        hitPoints = brick->GetHitPoints();
        ++hit;
        EXPECT_EQ(ball->GetCombo(), hit);
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
        ASSERT_FALSE(brick->IsBroken());
        EXPECT_EQ(State().GetCoins(), 0) << "nothing is paid before the brick breaks";

        ball->Update();
        EXPECT_TRUE(brick->IsBroken());
        EXPECT_FALSE(InPlay(brick));
        EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 1);
        EXPECT_EQ(ball->GetCombo(), n);
        EXPECT_EQ(State().GetCoins(), CoinsFor(n));
        EXPECT_EQ(State().GetScore(), ScoreAfter(0, n));
        EXPECT_EQ(ball->GetColor(), TintFor(n));
        EXPECT_EQ(ball->GetShape().getFillColor(), TintFor(n)) << "the drawn ball shows the tint";
        EXPECT_EQ(State().GetCombo(), n);
        EXPECT_FLOAT_EQ(game->GetShakeStrength(),
                        n < 8 ? static_cast<float>(static_cast<float>(n) / 1.5) : 2.5f);
    }

    // The rule above agrees with the table players see.
    const int coins[] = {10, 22, 37, 52, 68, 85};
    const int score[] = {3, 6, 11, 15, 20, 25};
    const sf::Color tint[] = {{255, 210, 240}, {255, 165, 225}, {255, 120, 210},
                              {255, 75, 195},  {255, 30, 180},  {255, 0, 165}};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(CoinsFor(n), coins[n - 1]) << n;
        EXPECT_EQ(ScoreAfter(0, n), score[n - 1]) << n;
        EXPECT_EQ(TintFor(n), tint[n - 1]) << n;
    }
    EXPECT_EQ(CoinsFor(10), 158);
    EXPECT_EQ(ScoreAfter(0, 10), 47);
    EXPECT_EQ(TintFor(10), sf::Color(255, 0, 105));
    EXPECT_EQ(TintFor(16), sf::Color(255, 0, 15));
    EXPECT_EQ(TintFor(17), sf::Color(255, 0, 0));
}

TEST_F(BallTest, PadTouchResetsTheComboAndTintAndPlaysThePadSound)
{
    SoundManager* sounds = game->GetSoundManager();
    const sf::Sound* padSound = sounds->FindSound("Ball_tap_pad");
    const sf::Sound* brickSound = sounds->FindSound("Ball_tap_brick");
    ASSERT_NE(padSound, nullptr);
    ASSERT_NE(brickSound, nullptr);
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";

    // Three brick hits in a row first.
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);
    Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    EXPECT_EQ(brickSound->getStatus(), sf::SoundSource::Stopped);
    for (int i = 0; i < 3; ++i)
        ball->Update();
    ASSERT_EQ(ball->GetCombo(), 3);
    EXPECT_EQ(brickSound->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(padSound->getStatus(), sf::SoundSource::Stopped);
    ASSERT_GT(game->GetShakeStrength(), 0.f);

    // Now onto the pad's top edge, falling.
    game->GetEntities().erase(std::find(game->GetEntities().begin(), game->GetEntities().end(),
                                        static_cast<Entity*>(brick)));
    delete brick;
    const Pad* pad = game->GetPad();
    const sf::Vector2f padTop = pad->GetPosition();
    ball->SetDirection({0.5f, 0.8f});
    ball->SetPosition({padTop.x + 90.f, padTop.y - 2 * kRadius + 3.f});
    ball->Update();

    EXPECT_EQ(ball->GetCombo(), 0);
    EXPECT_EQ(ball->GetColor(), kWhite);
    EXPECT_EQ(ball->GetShape().getFillColor(), kWhite);
    EXPECT_EQ(State().GetCombo(), 0);
    EXPECT_EQ(game->GetShakeStrength(), 0.f) << "the shake stops with the combo";
    EXPECT_LT(ball->GetDirection().y, 0.f) << "the pad sends the ball back up";
    EXPECT_EQ(padSound->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(pad->GetHitPoints(), 5) << "balls never hurt the pad";
}

TEST_F(BallTest, OnlyTheUpdatingBallReportsItsComboToTheGame)
{
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);
    Ball* idle = AddBall({200.f, 600.f}, {0.5f, 0.8f});
    Ball* hitter = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    State().SetCombo(5);
    const float shake = game->GetShakeStrength();

    // The idle ball's update runs the pass for both balls: the other one
    // hits, but the game's combo is not its business.
    idle->Update();
    EXPECT_EQ(hitter->GetCombo(), 1);
    EXPECT_EQ(brick->GetHitPoints(), 100000 - State().GetBallDamage());
    EXPECT_EQ(State().GetCombo(), 5);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), shake);

    hitter->Update();
    EXPECT_EQ(hitter->GetCombo(), 2);
    EXPECT_EQ(State().GetCombo(), 2);
    EXPECT_FLOAT_EQ(game->GetShakeStrength(), static_cast<float>(2.f / 1.5));
    EXPECT_EQ(idle->GetCombo(), 0);
}

TEST_F(BallTest, TwoBallsOnOneBrickDamageItOncePerUpdateAndBall)
{
    const int d = State().GetBallDamage();
    StaticBrick* brick = AddBrick({500.f, 300.f}, 100000);
    Ball* first = AddBall({530.f, 291.f}, {0.5f, 0.8f});
    Ball* second = AddBall({570.f, 291.f}, {-0.5f, 0.8f});

    // One frame: each ball's update handles both contacts. First update:
    // both combos are 0 (d + d); second update: both are 1 (d + d).
    Step();
    EXPECT_EQ(brick->GetHitPoints(), 100000 - 4 * d);
    EXPECT_EQ(first->GetCombo(), 2);
    EXPECT_EQ(second->GetCombo(), 2);

    // A brick that two hits break pays once and counts once.
    game->DiscardAllButPad();
    State().SetCoins(0);
    State().SetScore(0);
    brick = AddBrick({500.f, 300.f}, 2 * d);
    first = AddBall({530.f, 291.f}, {0.5f, 0.8f});
    second = AddBall({570.f, 291.f}, {-0.5f, 0.8f});
    const int bricksBefore = game->GetRemainingBricks();
    Step();
    EXPECT_FALSE(InPlay(brick));
    EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 1);
    // The first ball's hit leaves d; the second ball's first hit breaks it
    // and pays for a combo of 1.
    EXPECT_EQ(State().GetCoins(), CoinsFor(1));
    EXPECT_EQ(State().GetScore(), ScoreAfter(0, 1));
    EXPECT_EQ(first->GetCombo(), 1);
    EXPECT_EQ(second->GetCombo(), 1);
}

TEST_F(BallTest, BricksBrokenTogetherLeaveTheRightOnesStanding)
{
    const int d = State().GetBallDamage();
    // In list order: upper, far1, lower, far2, ball. The ball sits in the
    // 10-pixel gap between upper and lower and touches both.
    StaticBrick* upper = AddBrick({500.f, 300.f}, d);
    StaticBrick* far1 = AddBrick({1200.f, 300.f}, d);
    StaticBrick* lower = AddBrick({500.f, 360.f}, d);
    StaticBrick* far2 = AddBrick({1200.f, 500.f}, d);
    Ball* ball = AddBall({550.f, 355.f}, {0.5f, 0.8f});
    const int bricksBefore = game->GetRemainingBricks();
    const std::size_t discardedBefore = game->GetDiscardedCount();

    ball->Update();

    const std::vector<Entity*> expected = {game->GetPad(), far1, far2, ball};
    EXPECT_EQ(game->GetEntities(), expected);
    EXPECT_EQ(game->GetRemainingBricks(), bricksBefore - 2);
    EXPECT_EQ(game->GetDiscardedCount(), discardedBefore + 2);
    EXPECT_TRUE(upper->IsBroken());
    EXPECT_TRUE(lower->IsBroken());
    EXPECT_FALSE(far1->IsBroken());
    EXPECT_FALSE(far2->IsBroken());
    // Broken in list order: the upper at combo 1, the lower at combo 2.
    EXPECT_EQ(State().GetCoins(), CoinsFor(1) + CoinsFor(2));
    EXPECT_EQ(State().GetScore(), ScoreAfter(ScoreAfter(0, 1), 2));
}

TEST_F(BallTest, LastBricksBrokenInOneFrameStartTheLevelExit)
{
    const int d = State().GetBallDamage();
    game->AddRemainingBricks(-game->GetRemainingBricks() + 2);
    AddBrick({500.f, 300.f}, d);
    AddBrick({500.f, 360.f}, d);
    AddBall({550.f, 355.f}, {0.5f, 0.8f});
    const Pad* pad = game->GetPad();
    const sf::Vector2f padStart = pad->GetPosition();

    Step();
    EXPECT_EQ(game->GetRemainingBricks(), 0);
    EXPECT_EQ(CountOf<StaticBrick>(game->GetEntities()), 0);
    // The exit's first step has already turned the pad toward the centre.
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad->GetPosition(), padStart);
    Step();
    EXPECT_NE(pad->GetPosition(), padStart);
}

TEST_F(BallTest, RestingBallFollowsThePadSideways)
{
    game->DiscardAllButPad();
    game->SetBallLaunched(false);
    // An odd-width pad: the half width is taken in whole pixels.
    auto* pad = new Pad({700.f, 930.f}, 15.f, {201.f, 20.f}, 5, kWhite, game.get());
    game->GetEntities()[0] = pad;
    game->SetPad(pad);
    Ball* ball = AddBall({985.f, 910.f}, {0.f, 0.f});
    const sf::Vector2f drawnBefore = ball->GetShape().getPosition();

    ball->Update();
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(100.f + 700.f - 10.f, 900.f));
    // The drawn circle catches up one frame later.
    EXPECT_EQ(ball->GetShape().getPosition(), drawnBefore);

    pad->SetPosition({400.f, 930.f});
    ball->Update();
    EXPECT_EQ(ball->GetShape().getPosition(), sf::Vector2f(790.f, 900.f));
    EXPECT_EQ(ball->GetPosition(), sf::Vector2f(100.f + 400.f - 10.f, 900.f));
}

// The same through the keyboard, as a player sees it before the launch click.
class RestingBallTest : public GameTest {};

TEST_F(RestingBallTest, RestingBallRidesThePadSteeredByTheArrowKeys)
{
    LeaveStartMenu();
    ASSERT_FALSE(game->IsBallLaunched());
    const std::vector<Ball*> balls = AllOf<Ball>(game->GetEntities());
    ASSERT_EQ(balls.size(), 1u);
    Ball* ball = balls[0];
    const Pad* pad = game->GetPad();
    const float halfPad = static_cast<float>(pad->GetSize().x / 2);
    const float y = ball->GetPosition().y;
    const float padStart = pad->GetPosition().x;

    Send(KeyPressed(sf::Keyboard::Left));
    for (int frame = 0; frame < 5; ++frame) {
        SCOPED_TRACE(frame);
        const float drawnBefore = ball->GetPosition().x;
        Step();
        EXPECT_EQ(ball->GetPosition().x, halfPad + pad->GetPosition().x - 10.f);
        EXPECT_EQ(ball->GetShape().getPosition().x, drawnBefore);
        EXPECT_EQ(ball->GetPosition().y, y);
    }
    EXPECT_LT(pad->GetPosition().x, padStart);
    Send(KeyReleased(sf::Keyboard::Left));
}
