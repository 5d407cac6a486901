#include "TestSupport.hpp"

// Each test first closes the start menu with Escape.
class GameInputTest : public GameTest {};

// Right is looked at first; the pad stops once past an edge, not on it, so
// one move may overshoot. With no arrow held it stops while bricks are left.
TEST_F(GameInputTest, ArrowsSteerThePadAndStopItPastTheWindowEdges)
{
    Press(sf::Keyboard::Escape);
    // Left held, Right held, from, after one step.
    const std::tuple<bool, bool, float, float> cases[] = {
        {true, true, 885.f, 900.f},    {true, false, 885.f, 870.f},   {false, false, 885.f, 885.f},
        {false, true, 1720.f, 1735.f}, {false, true, 1725.f, 1725.f}, {true, false, 0.f, -15.f},
        {true, false, -15.f, -15.f}};
    for (const auto& [left, right, from, after] : cases) {
        ThePad().SetPosition({from, 930.f});
        ThePad().MoveRight();
        Send(KeyEvent(sf::Keyboard::Left, left ? sf::Event::KeyPressed : sf::Event::KeyReleased));
        Send(KeyEvent(sf::Keyboard::Right, right ? sf::Event::KeyPressed : sf::Event::KeyReleased));
        Step();
        EXPECT_EQ(ThePad().GetPosition().x, after) << "from " << from << ", " << left << right;
    }
}

// Before the launch the ball rides on the pad; the first left click sends it
// up at a random angle, and later clicks change nothing. Launches spread over
// their whole range, but never climb flatter than 0.2 a step per unit of
// speed: a flatter one would crawl for its whole life, or never leave the
// pad's height.
TEST_F(GameInputTest, BallRidesThePadUntilTheFirstClickLaunchesItNeverFlat)
{
    Press(sf::Keyboard::Escape);
    Ball& ball = static_cast<Ball&>(*game->GetEntities().back());
    Send(KeyEvent(sf::Keyboard::Left));
    Step(3);
    EXPECT_EQ(ball.GetPosition(), ThePad().GetPosition() + sf::Vector2f(90.f, -30.f));
    Send(MouseClick(300, 700));
    const sf::Vector2f direction = ball.GetDirection();
    Send(MouseClick(300, 700));
    EXPECT_EQ(ball.GetDirection(), direction);
    int flattest = 0;
    float left = 0.f, right = 0.f, steepest = 0.f;
    for (int launch = 0; launch < 100; ++launch) {
        State().StartPlay();
        const sf::Vector2f d = ball.GetDirection();
        ASSERT_TRUE(d.y <= -0.2f && d.y >= -1.f && d.x >= -0.7f && d.x <= 0.7f)
            << d.x << ", " << d.y;
        flattest += d.y == -0.2f;
        left = std::min(left, d.x);
        right = std::max(right, d.x);
        steepest = std::min(steepest, d.y);
    }
    EXPECT_GT(flattest, 0) << "no draw was flat enough to need lifting";
    EXPECT_TRUE(left < -0.6f && right > 0.6f && steepest < -0.9f)
        << "launches keep to part of their range";
}

// On the test display, one monitor of the game's size, the window covers it
// exactly. Shrunk to a smaller monitor, the game keeps its own coordinates,
// so a click on a button still hits it.
TEST_F(GameInputTest, WindowIsPlacedAndClicksHitTheButtonsOfAShrunkWindow)
{
    EXPECT_EQ(game->GetWindow()->getPosition(), sf::Vector2i(0, 0)) << "left where SFML puts it";
    Press(sf::Keyboard::Escape);
    Press(sf::Keyboard::Escape);
    ASSERT_EQ(game->GetScreen(), Game::Screen::Paused);
    const sf::Vector2u small(1228, 691);
    game->GetWindow()->setSize(small);
    for (sf::Event event; game->GetWindow()->pollEvent(event);)
        Send(event);
    const sf::Vector2i resume = CentreOf(game->GetPauseMenu()->GetPlayText());
    Send(MouseClick(resume.x * int(small.x) / 1920, resume.y * int(small.y) / 1080));
    EXPECT_EQ(game->GetScreen(), Game::Screen::WaitingForLaunch);
}
