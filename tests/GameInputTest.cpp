#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/System/Sleep.hpp>
#include <initializer_list>

using namespace testsupport;

namespace {

class GameInputTest : public GameTest {
protected:
    // Escape was left held by the press that paused: release, then press again.
    void Resume()
    {
        Send(KeyReleased(sf::Keyboard::Escape));
        Send(KeyPressed(sf::Keyboard::Escape));
    }
    bool Paused() { return game->GetState()->IsPaused(); }
    void SendAll(std::initializer_list<sf::Event> events)
    {
        for (const sf::Event& event : events)
            Send(event);
    }
};

} // namespace

TEST_F(GameInputTest, GameOverScreenComesBeforeThePauseMenuWhichComesBeforePlay)
{
    // Start menu: play keys and clicks off the buttons do nothing.
    SendAll({KeyPressed(sf::Keyboard::Left), KeyPressed(sf::Keyboard::A), LeftClick(10, 500)});
    EXPECT_FALSE(game->IsLeftPressed() || game->IsClearKeyPressed() || game->IsBallLaunched());
    EXPECT_TRUE(Paused());

    // Escape with the latch clear leaves the start menu, without a launch.
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(Paused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsBallLaunched() || escapeHeld);

    // Lost while holding Right: keys, releases and Escape are not seen any more.
    Send(KeyPressed(sf::Keyboard::Right));
    game->GameOver();
    SendAll({KeyPressed(sf::Keyboard::Left), KeyPressed(sf::Keyboard::A),
             KeyReleased(sf::Keyboard::Right), KeyPressed(sf::Keyboard::Escape),
             KeyReleased(sf::Keyboard::Escape), KeyPressed(sf::Keyboard::Escape),
             LeftClick(10, 500)});
    EXPECT_FALSE(game->IsLeftPressed() || game->IsClearKeyPressed() || game->IsBallLaunched());
    EXPECT_TRUE(game->IsRightPressed());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->IsGameOver() && Paused());

    // Only its own button acts.
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    PressButton(game->GetGameOverMenu()->GetRestartText());
    EXPECT_FALSE(game->IsGameOver() || Paused() || game->IsRightPressed());
}

TEST_F(GameInputTest, EscapeHeldDownPausesOnceAndResumesOnlyAfterARelease)
{
    LeaveStartMenu();
    // Pressed, then three key repeats: paused once.
    for (int i = 0; i < 4; ++i)
        Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(Paused() && escapeHeld);
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(game->GetPauseMenu()->GetPlayText().getString(), sf::String("Resume"));

    Send(KeyReleased(sf::Keyboard::Escape));
    EXPECT_TRUE(Paused());
    EXPECT_FALSE(escapeHeld);
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(Paused() || escapeHeld);
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    // The press that resumed is still down: its repeat pauses again.
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(Paused() && escapeHeld);
}

TEST_F(GameInputTest, FirstLeftClickLaunchesTheBallAndLaterClicksDoNot)
{
    LeaveStartMenu();
    Ball& ball = *AllOf<Ball>(game->GetEntities()).front();
    EXPECT_EQ(ball.GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    Send(RightClick(300, 700));
    EXPECT_FALSE(game->IsBallLaunched());

    SeedRandomForTesting(99u);
    ReplayedRandom replay(99u);
    Send(LeftClick(300, 700));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
    // Up first, then sideways.
    const float y = replay.Next(-1.0f, 0.0f);
    EXPECT_EQ(ball.GetDirection(), sf::Vector2f(replay.Next(-0.7f, 0.7f), y));

    const sf::Vector2f launched = ball.GetDirection();
    Send(LeftClick(1500, 300));
    EXPECT_EQ(ball.GetDirection(), launched);
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f)) << "the second click drew numbers";
}

TEST_F(GameInputTest, EscapeThenAClickInOneBatchReachesThePauseMenuJustOpened)
{
    LeaveStartMenu();
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    PressButton(game->GetPauseMenu()->GetPlayText());
    // The click resumed play instead of launching the ball.
    EXPECT_FALSE(Paused() || game->IsBallLaunched());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);

    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    PressButton(game->GetPauseMenu()->GetLeaveText());
    EXPECT_FALSE(game->IsWindowOpen());
}

TEST_F(GameInputTest, ArrowsDoNotSteerDuringTheAutomaticMovesButReleasesClear)
{
    LeaveStartMenu();
    Send(KeyPressed(sf::Keyboard::Left));
    // The clear key starts the exit, which takes the pad from the player.
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_FALSE(game->IsClearKeyPressed());
    ASSERT_FALSE(game->IsPadControlEnabled());

    SendAll({KeyPressed(sf::Keyboard::Right), KeyReleased(sf::Keyboard::Left),
             KeyPressed(sf::Keyboard::Left)});
    EXPECT_FALSE(game->IsRightPressed() || game->IsLeftPressed());
    // The clear key does not depend on the pad control.
    Send(KeyPressed(sf::Keyboard::A));
    EXPECT_TRUE(game->IsClearKeyPressed());
    // A flag set before the control was taken is cleared by its release.
    game->SetPadControl(true);
    Send(KeyPressed(sf::Keyboard::Right));
    ASSERT_TRUE(game->IsRightPressed());
    game->SetPadControl(false);
    Send(KeyReleased(sf::Keyboard::Right));
    EXPECT_FALSE(game->IsRightPressed());
}

TEST_F(GameInputTest, KeysReleasedWhilePausedStayHeld)
{
    LeaveStartMenu();
    SendAll({KeyPressed(sf::Keyboard::Right), KeyPressed(sf::Keyboard::A),
             KeyPressed(sf::Keyboard::Escape), KeyReleased(sf::Keyboard::Right),
             KeyReleased(sf::Keyboard::A)});
    EXPECT_TRUE(game->IsRightPressed() && game->IsClearKeyPressed());

    Resume();
    ASSERT_FALSE(Paused());
    SendAll({KeyReleased(sf::Keyboard::Right), KeyReleased(sf::Keyboard::A)});
    EXPECT_FALSE(game->IsRightPressed() || game->IsClearKeyPressed());
}

TEST_F(GameInputTest, CloseButtonClosesTheWindowOnEveryScreen)
{
    auto closeOn = [this](const char* screen) {
        Send(Closed());
        EXPECT_FALSE(game->IsWindowOpen()) << "on the " << screen;
        game->GetWindow()->create(sf::VideoMode(1920, 1080, 32), "Quadrabash");
    };
    closeOn("start menu");
    EXPECT_TRUE(Paused());
    LeaveStartMenu();
    closeOn("play screen");
    Send(KeyPressed(sf::Keyboard::Escape));
    closeOn("pause menu");
    EXPECT_TRUE(Paused());
    Resume();
    ReachShop();
    closeOn("shop");
    game->GameOver();
    Send(Closed());
    EXPECT_FALSE(game->IsWindowOpen()) << "on the game over screen";
}

TEST_F(GameInputTest, ClicksHitButtonsWhereTheyAreDrawnInAStretchedWindow)
{
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    // Even coordinates, so that half of them is a whole window pixel.
    sf::Vector2i drawn = CentreOf(game->GetPauseMenu()->GetPlayText().getGlobalBounds());
    drawn -= sf::Vector2i(drawn.x % 2, drawn.y % 2);
    // Unresized, clicks are taken as they are: half the button's place is off it.
    Send(LeftClick(drawn.x / 2, drawn.y / 2));
    ASSERT_TRUE(Paused());

    sf::RenderWindow& window = *game->GetWindow();
    window.setSize(sf::Vector2u(960, 540));
    for (int i = 0; i < 200 && window.getSize() != sf::Vector2u(960, 540); ++i) {
        sf::sleep(sf::milliseconds(5));
        for (sf::Event event; window.pollEvent(event);)
            game->HandleEvent(event);
    }
    ASSERT_EQ(window.getSize(), sf::Vector2u(960, 540));
    // Mid-shake the window's own view is off the default one.
    window.setView(sf::View(sf::FloatRect(500.f, 500.f, 1920.f, 1080.f)));

    // Drawn at (x, y), shown at (x / 2, y / 2).
    Send(LeftClick(drawn.x, drawn.y));
    EXPECT_TRUE(Paused()) << "the click was not mapped";
    Send(LeftClick(drawn.x / 2, drawn.y / 2));
    EXPECT_FALSE(Paused());
}
