#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/System/Sleep.hpp>
#include <cstdint>
#include <random>
#include <string>

using namespace testsupport;

namespace {

// A point with even coordinates inside the text, so that half of it is a
// whole window pixel.
sf::Vector2i EvenPointIn(const sf::Text& text)
{
    const sf::Vector2i centre = CentreOf(text.getGlobalBounds());
    return sf::Vector2i(centre.x - centre.x % 2, centre.y - centre.y % 2);
}

class GameInputTest : public GameTest {
protected:
    // The event is built before it is sent: the click may destroy the menu.
    void ClickOn(const sf::Text& button)
    {
        const sf::Vector2i at = CentreOf(button.getGlobalBounds());
        ASSERT_GT(button.getGlobalBounds().width, 0.f) << "button has no bounds: is the font there?";
        Send(LeftClick(at.x, at.y));
    }

    void RightClickOn(const sf::Text& button)
    {
        const sf::Vector2i at = CentreOf(button.getGlobalBounds());
        ASSERT_GT(button.getGlobalBounds().width, 0.f) << "button has no bounds: is the font there?";
        Send(RightClick(at.x, at.y));
    }

    void Resume()
    {
        Send(KeyReleased(sf::Keyboard::Escape));
        Send(KeyPressed(sf::Keyboard::Escape));
    }

    // Clears the level with the A key and waits for the shop.
    void ClearLevelIntoShop()
    {
        Send(KeyPressed(sf::Keyboard::A));
        for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
            Step();
        Send(KeyReleased(sf::Keyboard::A));
        ASSERT_TRUE(game->GetState()->IsShopOpen()) << "the pad never left the window";
        // The loop draws a frame of the shop before it hands the shop a click.
        game->Render();
    }

    void ReopenWindow()
    {
        game->GetWindow()->create(sf::VideoMode(1920, 1080, 32), "Quadrabash", sf::Style::Default,
                                  sf::ContextSettings(0, 0, 8, 1, 1));
        ASSERT_TRUE(game->IsWindowOpen());
    }

    void ExpectCloseEventClosesWindow(const std::string& screen, bool reopen = true)
    {
        Send(Closed());
        EXPECT_FALSE(game->IsWindowOpen()) << "on the " << screen;
        if (reopen)
            ReopenWindow();
    }

    // Resizes the window and lets the game see the resulting events.
    void ResizeWindow(sf::Vector2u size)
    {
        sf::RenderWindow& window = *game->GetWindow();
        window.setSize(size);
        bool seen = false;
        for (int i = 0; i < 200 && !seen; ++i) {
            sf::Event event;
            while (window.pollEvent(event)) {
                seen = seen || (event.type == sf::Event::Resized && event.size.width == size.x &&
                                event.size.height == size.y);
                game->HandleEvent(event);
            }
            if (!seen)
                sf::sleep(sf::milliseconds(5));
        }
        ASSERT_EQ(window.getSize(), size);
    }

    Ball& OnlyBall()
    {
        return *AllOf<Ball>(game->GetEntities()).front();
    }
};

} // namespace

TEST_F(GameInputTest, GameOverScreenComesBeforeThePauseMenuWhichComesBeforePlay)
{
    // Start menu: play keys and clicks off the buttons do nothing.
    Send(KeyPressed(sf::Keyboard::Left));
    Send(KeyPressed(sf::Keyboard::Right));
    Send(KeyPressed(sf::Keyboard::A));
    Send(LeftClick(10, 500));
    EXPECT_FALSE(game->IsLeftPressed());
    EXPECT_FALSE(game->IsRightPressed());
    EXPECT_FALSE(game->IsClearKeyPressed());
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_TRUE(game->GetState()->IsPaused());

    // Escape with the latch clear leaves the start menu, without a launch.
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_FALSE(escapeHeld);

    // Lost and paused at once: the game over screen wins, so Escape does not
    // resume and a click does not launch.
    game->GameOver();
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    Send(LeftClick(10, 500));
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_TRUE(game->IsGameOver());
}

TEST_F(GameInputTest, EscapeHeldDownPausesOnceAndResumesOnlyAfterARelease)
{
    LeaveStartMenu();
    GameState& state = *game->GetState();

    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(state.IsPaused());
    EXPECT_TRUE(escapeHeld);
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(game->GetPauseMenu()->GetPlayText().getString(), sf::String("Resume"));

    // Key repeat while the key stays down.
    for (int i = 0; i < 3; ++i)
        Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(state.IsPaused());
    EXPECT_NE(game->GetPauseMenu(), nullptr);

    Send(KeyReleased(sf::Keyboard::Escape));
    EXPECT_FALSE(escapeHeld);
    EXPECT_TRUE(state.IsPaused());

    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(escapeHeld);

    // The press that resumed is still down: its repeat pauses again.
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(escapeHeld);
    EXPECT_NE(game->GetPauseMenu(), nullptr);
}

TEST_F(GameInputTest, FirstLeftClickLaunchesTheBallsAndLaterClicksDoNot)
{
    LeaveStartMenu();
    ASSERT_FALSE(game->IsBallLaunched());
    EXPECT_EQ(OnlyBall().GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());

    const std::uint32_t seed = 99u;
    SeedRandomForTesting(seed);
    ReplayedRandom replay(seed);
    Send(LeftClick(300, 700));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());
    const float y = replay.Next(-1.0f, 0.0f);
    const float x = replay.Next(-0.7f, 0.7f);
    const sf::Vector2f launched = OnlyBall().GetDirection();
    EXPECT_EQ(launched, sf::Vector2f(x, y));
    EXPECT_GE(launched.y, -1.0f);
    EXPECT_LE(launched.y, 0.0f);
    EXPECT_GE(launched.x, -0.7f);
    EXPECT_LE(launched.x, 0.7f);

    Send(LeftClick(1500, 300));
    EXPECT_EQ(OnlyBall().GetDirection(), launched);
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f)) << "the second click drew numbers";
}

TEST_F(GameInputTest, RightButtonDoesNothingOnAnyScreen)
{
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    RightClickOn(game->GetPauseMenu()->GetPlayText());
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_NE(game->GetPauseMenu(), nullptr);

    LeaveStartMenu();
    Send(RightClick(300, 700));
    EXPECT_FALSE(game->IsBallLaunched());
    Send(LeftClick(300, 700));
    ASSERT_TRUE(game->IsBallLaunched());

    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    RightClickOn(game->GetPauseMenu()->GetPlayText());
    RightClickOn(game->GetPauseMenu()->GetLeaveText());
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->IsWindowOpen());
    Resume();
    ASSERT_FALSE(game->GetState()->IsPaused());

    ClearLevelIntoShop();
    RightClickOn(game->GetShopMenu()->GetContinueText());
    EXPECT_TRUE(game->GetState()->IsShopOpen());
    EXPECT_FALSE(game->IsPadReturning());

    game->GameOver();
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    RightClickOn(game->GetGameOverMenu()->GetRestartText());
    RightClickOn(game->GetGameOverMenu()->GetQuitText());
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->IsWindowOpen());
}

TEST_F(GameInputTest, AfterTheGameIsLostOnlyClicksOnItsButtonsAct)
{
    LeaveStartMenu();
    Send(KeyPressed(sf::Keyboard::Right));
    ASSERT_TRUE(game->IsRightPressed());
    game->GameOver();

    Send(KeyPressed(sf::Keyboard::Left));
    Send(KeyPressed(sf::Keyboard::A));
    Send(KeyReleased(sf::Keyboard::Right));
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyReleased(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->IsLeftPressed());
    EXPECT_FALSE(game->IsClearKeyPressed());
    // A release on this screen is not seen either.
    EXPECT_TRUE(game->IsRightPressed());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->GetState()->IsPaused());

    // A click off the buttons does nothing; one on "Restart the game" acts.
    Send(LeftClick(10, 500));
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_FALSE(game->IsBallLaunched());
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    ClickOn(game->GetGameOverMenu()->GetRestartText());
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_FALSE(game->IsRightPressed());
}

TEST_F(GameInputTest, EscapeThenAClickInOneBatchReachesThePauseMenuJustOpened)
{
    LeaveStartMenu();
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    ClickOn(game->GetPauseMenu()->GetPlayText());
    // The click resumed play instead of launching the ball.
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsBallLaunched());

    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    ClickOn(game->GetPauseMenu()->GetLeaveText());
    EXPECT_FALSE(game->IsWindowOpen());
}

TEST_F(GameInputTest, ArrowsDoNotSteerDuringTheAutomaticMovesButReleasesClear)
{
    LeaveStartMenu();
    Send(KeyPressed(sf::Keyboard::Left));
    ASSERT_TRUE(game->IsLeftPressed());
    // The level-clear key starts the exit, which takes the pad from the player.
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_FALSE(game->IsClearKeyPressed());
    ASSERT_FALSE(game->IsPadControlEnabled());

    Send(KeyPressed(sf::Keyboard::Right));
    EXPECT_FALSE(game->IsRightPressed());
    Send(KeyReleased(sf::Keyboard::Left));
    EXPECT_FALSE(game->IsLeftPressed());
    Send(KeyPressed(sf::Keyboard::Left));
    EXPECT_FALSE(game->IsLeftPressed());
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
    Send(KeyPressed(sf::Keyboard::Right));
    Send(KeyPressed(sf::Keyboard::A));
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_TRUE(game->GetState()->IsPaused());

    Send(KeyReleased(sf::Keyboard::Right));
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_TRUE(game->IsRightPressed());
    EXPECT_TRUE(game->IsClearKeyPressed());

    Resume();
    ASSERT_FALSE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->IsRightPressed());
    Send(KeyReleased(sf::Keyboard::Right));
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_FALSE(game->IsRightPressed());
    EXPECT_FALSE(game->IsClearKeyPressed());
}

TEST_F(GameInputTest, CloseButtonClosesTheWindowOnEveryScreen)
{
    ExpectCloseEventClosesWindow("start menu");
    // Closing changes nothing else.
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_NE(game->GetPauseMenu(), nullptr);

    LeaveStartMenu();
    Send(LeftClick(300, 700));
    ExpectCloseEventClosesWindow("play screen");
    EXPECT_TRUE(game->IsBallLaunched());

    Send(KeyPressed(sf::Keyboard::Escape));
    ExpectCloseEventClosesWindow("pause menu");
    EXPECT_TRUE(game->GetState()->IsPaused());
    Resume();

    ClearLevelIntoShop();
    ExpectCloseEventClosesWindow("shop");

    ClickOn(game->GetShopMenu()->GetContinueText());
    ASSERT_TRUE(game->IsPadReturning());
    ExpectCloseEventClosesWindow("pad return");

    game->GameOver();
    ExpectCloseEventClosesWindow("game over screen", false);
    EXPECT_TRUE(game->IsGameOver());
}

TEST_F(GameInputTest, ShopTakesNoClicksWhilePausedAndOneClickMayLaunchAndContinue)
{
    LeaveStartMenu();
    ClearLevelIntoShop();
    ASSERT_FALSE(game->IsBallLaunched());
    const sf::Text& continueText = game->GetShopMenu()->GetContinueText();

    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_TRUE(game->GetState()->IsPaused());
    ClickOn(continueText);
    EXPECT_TRUE(game->GetState()->IsShopOpen());
    EXPECT_FALSE(game->IsPadReturning());
    EXPECT_TRUE(game->GetState()->IsPaused());

    Resume();
    ASSERT_FALSE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->GetState()->IsShopOpen());

    // Cleared before the launch: the same click launches and continues.
    ClickOn(continueText);
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetState()->IsShopOpen());
    EXPECT_TRUE(game->IsPadReturning());
}

TEST_F(GameInputTest, ClicksHitButtonsWhereTheyAreDrawnInAStretchedWindow)
{
    // An unresized window takes click positions as they are: half of the
    // button's place is off the button.
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    const sf::Vector2i start = EvenPointIn(game->GetPauseMenu()->GetPlayText());
    Send(LeftClick(start.x / 2, start.y / 2));
    EXPECT_TRUE(game->GetState()->IsPaused());

    ResizeWindow(sf::Vector2u(960, 540));
    const sf::View& view = game->GetWindow()->getDefaultView();
    ASSERT_EQ(view.getSize(), sf::Vector2f(1920.f, 1080.f));

    // Drawn at (x, y), shown at (x / 2, y / 2).
    Send(LeftClick(start.x, start.y));
    EXPECT_TRUE(game->GetState()->IsPaused()) << "the click was not mapped";
    Send(LeftClick(start.x / 2, start.y / 2));
    EXPECT_FALSE(game->GetState()->IsPaused());

    Send(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    game->GameOver();
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    const sf::Vector2i restart = EvenPointIn(game->GetGameOverMenu()->GetRestartText());
    Send(LeftClick(restart.x, restart.y));
    EXPECT_TRUE(game->IsGameOver()) << "the click was not mapped";
    Send(LeftClick(restart.x / 2, restart.y / 2));
    EXPECT_FALSE(game->IsGameOver());

    ClearLevelIntoShop();
    const sf::Vector2i shopContinue = EvenPointIn(game->GetShopMenu()->GetContinueText());
    Send(LeftClick(shopContinue.x, shopContinue.y));
    EXPECT_TRUE(game->GetState()->IsShopOpen()) << "the click was not mapped";
    Send(LeftClick(shopContinue.x / 2, shopContinue.y / 2));
    EXPECT_FALSE(game->GetState()->IsShopOpen());
    EXPECT_TRUE(game->IsPadReturning());
}
