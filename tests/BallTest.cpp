#include "TestSupport.hpp"

// Scenes on a field with only the pad, the balls launched; the level still
// counts its bricks, so it does not end.
class BallTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ClearField();
        game->SetBallLaunched(true);
    }
    StaticBrick* AddBrick(int hitPoints)
    {
        game->GetEntities().push_back(new StaticBrick({500.f, 300.f}, {0, 0}, {100, 50}, {1.f, 1.f},
                                                      sf::Color::White, hitPoints));
        return static_cast<StaticBrick*>(game->GetEntities().back());
    }
    // Placed by its centre; speed 0 keeps it there while its direction shows the bounce.
    Ball* AddBall(sf::Vector2f centre, sf::Vector2f direction, float speed = 0.f)
    {
        State().AddBallsInPlay(1);
        game->GetEntities().push_back(new Ball(centre - sf::Vector2f(10.f, 10.f), direction, speed,
                                               1, 5, 10.f, game.get(), sf::Color::White));
        return static_cast<Ball*>(game->GetEntities().back());
    }
};

// A bounce sets a sign: a ball already moving away from the edge keeps going,
// and touching a brick's edge damages it either way. A ball hits an edge only
// when its centre is strictly closer than its radius (10) and projects onto
// the edge, its ends included: at 290.5 above the top edge at 300 it hits, at
// 290 it does not; past the brick's corner at 500 it does not either.
TEST_F(BallTest, BallBouncesAwayFromEachBrickEdgeAndWindowEdge)
{
    // Centre, direction towards the edge, the part it flips ('-' for none), whether the brick is
    // hit: brick edges first (top, bottom, left, right), then the window's, then the boundaries
    // and a corner.
    const std::tuple<sf::Vector2f, sf::Vector2f, char, bool> cases[] = {
        {{550.f, 291.f}, {0.5f, 0.8f}, 'y', true},   {{550.f, 359.f}, {0.5f, -0.8f}, 'y', true},
        {{491.f, 325.f}, {0.5f, 0.8f}, 'x', true},   {{609.f, 325.f}, {-0.5f, 0.8f}, 'x', true},
        {{9.f, 500.f}, {-0.5f, 0.8f}, 'x', false},   {{1911.f, 500.f}, {0.5f, 0.8f}, 'x', false},
        {{300.f, 9.f}, {0.5f, -0.8f}, 'y', false},   {{550.f, 290.5f}, {0.5f, 0.8f}, 'y', true},
        {{490.5f, 325.f}, {0.5f, 0.8f}, 'x', true},  {{550.f, 290.f}, {0.5f, 0.8f}, '-', false},
        {{610.f, 325.f}, {-0.5f, 0.8f}, '-', false}, {{550.f, 289.f}, {0.5f, 0.8f}, '-', false},
        {{550.f, 361.f}, {0.5f, -0.8f}, '-', false}, {{500.f, 295.f}, {0.5f, 0.8f}, 'y', true},
        {{499.5f, 295.f}, {0.5f, 0.8f}, '-', false}};
    for (const auto& [centre, towards, flip, hit] : cases) {
        const sf::Vector2f after(flip == 'x' ? -towards.x : towards.x,
                                 flip == 'y' ? -towards.y : towards.y);
        for (const sf::Vector2f before : {towards, after}) {
            SCOPED_TRACE(testing::Message() << centre.x << ", " << centre.y << " moving "
                                            << before.x << ", " << before.y);
            ClearField();
            StaticBrick* brick = AddBrick(1000);
            Ball* ball = AddBall(centre, before);
            ball->Update();
            EXPECT_EQ(ball->GetDirection(), after);
            EXPECT_EQ(brick->GetHitPoints() < 1000, hit);
        }
    }
}

// The combo counts the bricks hit since the pad: the first two hits deal the
// damage, later ones that many times more; a broken brick pays by the combo,
// which also tints the ball and shakes the screen until the pad is touched.
// A brick plays its own effect.
TEST_F(BallTest, ComboMultipliesTheDamageAndTheRewardOfABrokenBrick)
{
    StaticBrick* brick = AddBrick(100000);
    Ball* ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
    const auto playing = [this](const char* sound) {
        return game->GetSoundManager()->FindSound(sound)->getStatus() == sf::Sound::Playing;
    };
    bool brickHeard = false;
    for (int damage : {5, 5, 10, 15, 20}) {
        const int before = brick->GetHitPoints();
        ball->Update();
        // An effect lasts 80 ms: one taken as heard is plenty, on a busy machine too.
        brickHeard = brickHeard || playing("Ball_tap_brick");
        EXPECT_FALSE(playing("Ball_tap_pad"));
        EXPECT_EQ(before - brick->GetHitPoints(), damage) << "combo " << ball->GetCombo();
    }
    EXPECT_TRUE(brickHeard);
    const int coins[] = {10, 22, 37, 52, 68, 85, 103, 121},
              score[] = {3, 6, 11, 15, 20, 25, 30, 36};
    const float shake[] = {0.667f, 1.333f, 2.f, 2.667f, 3.333f, 4.f, 4.667f, 2.5f};
    const sf::Uint8 green[] = {210, 165, 120, 75, 30, 0, 0, 0},
                    blue[] = {240, 225, 210, 195, 180, 165, 150, 135};
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(testing::Message() << "broken at combo " << n);
        ClearField();
        State().SetCoins(0);
        State().SetScore(0);
        // Broken by exactly n hits: 5 + 5 + 10 + ... + 5 (n - 1).
        AddBrick(5 * (1 + n * (n - 1) / 2));
        ball = AddBall({550.f, 291.f}, {0.5f, 0.8f});
        for (int hit = 0; hit < n; ++hit)
            ball->Update();
        EXPECT_EQ(CountOf<StaticBrick>(game->GetEntities()), 0);
        EXPECT_EQ(State().GetCoins(), coins[n - 1]);
        EXPECT_EQ(State().GetScore(), score[n - 1]);
        EXPECT_NEAR(game->GetShakeStrength(), shake[n - 1], 1e-3);
        EXPECT_EQ(ball->GetShape().getFillColor(), sf::Color(255, green[n - 1], blue[n - 1]));
    }
    ball->SetPosition(ThePad().GetPosition() + sf::Vector2f(90.f, -17.f));
    ball->Update();
    EXPECT_EQ(ball->GetCombo(), 0);
    EXPECT_EQ(ball->GetShape().getFillColor(), sf::Color::White);
    EXPECT_EQ(game->GetShakeStrength(), 0.f);
    EXPECT_EQ(ThePad().GetHitPoints(), 5) << "balls never hurt the pad";
}

// However fast the shop made it, a ball meets the pad (20 high) and a brick
// as a slower one would, instead of jumping past their edges.
TEST_F(BallTest, FastBallsStillBounceOffThePadAndHitBricks)
{
    // 20 is the first speed that can pass through: from 700 the centre lands
    // on 920, 940 and 960, each exactly a radius from an edge.
    for (float speed : {13.f, 19.9f, 20.f, 21.f, 45.f, 100.f, 400.f}) {
        SCOPED_TRACE(testing::Message() << "speed " << speed);
        ClearField();
        StaticBrick* brick = AddBrick(1000);
        Ball* ball = AddBall({985.f, 700.f}, {0.f, 1.f}, speed);
        for (int step = 0; step < 40 && State().GetBallsInPlay() == 1 && ball->GetDirection().y > 0;
             ++step)
            game->Update();
        ASSERT_EQ(State().GetBallsInPlay(), 1) << "the ball fell through the pad";
        EXPECT_LT(ball->GetPosition().y, 930.f);
        ball->SetPosition({540.f, 700.f});
        for (int step = 0; step < 40 && ball->GetDirection().y < 0; ++step)
            game->Update();
        EXPECT_LT(brick->GetHitPoints(), 1000) << "the ball passed through the brick";
    }
}
