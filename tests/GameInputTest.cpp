#include "TestSupport.hpp"

class GameInputTest : public GameTest {
protected:
    void SetUp() override { GameTest::SetUp(), Press(sf::Keyboard::Escape); }
};

// Right is looked at first; the pad stops once past an edge, not on it, so
// one move may overshoot. With no arrow held it stops while bricks are left.
TEST_F(GameInputTest, ArrowsSteerThePadAndStopItPastTheWindowEdges)
{
    using Keys = std::vector<sf::Keyboard::Key>;
    const Keys left = {sf::Keyboard::Left}, right = {sf::Keyboard::Right}, both = {sf::Keyboard::Left, sf::Keyboard::Right};
    const std::tuple<Keys, float, float> cases[] = {{both, 885.f, 900.f}, {left, 885.f, 870.f}, {{}, 885.f, 885.f},
        {right, 1720.f, 1735.f}, {right, 1725.f, 1725.f}, {left, 0.f, -15.f}, {left, -15.f, -15.f}};
    for (const auto& [keys, from, after] : cases) {
        ThePad().SetPosition({from, 930.f});
        ThePad().MoveRight();
        for (sf::Keyboard::Key key : keys)
            Send(KeyPressed(key));
        Step();
        EXPECT_EQ(ThePad().GetPosition().x, after) << "from " << from << " with " << keys.size() << " keys";
        for (sf::Keyboard::Key key : keys)
            Send(KeyReleased(key));
    }
}

// Before the launch the ball rides on the pad; the first left click sends it
// up at a random angle, and later clicks change nothing.
TEST_F(GameInputTest, BallRidesThePadUntilTheFirstClickLaunchesIt)
{
    Ball& ball = static_cast<Ball&>(*game->GetEntities().back());
    Send(KeyPressed(sf::Keyboard::Left));
    Step(3);
    EXPECT_EQ(ball.GetPosition(), ThePad().GetPosition() + sf::Vector2f(90.f, -30.f));
    Send(LeftClick(300, 700));
    const sf::Vector2f direction = ball.GetDirection();
    EXPECT_TRUE(direction.y <= 0.f && direction.y >= -1.f && direction.x >= -0.7f && direction.x <= 0.7f);
    Send(LeftClick(300, 700));
    EXPECT_EQ(ball.GetDirection(), direction);
}
