#include "ScreenTestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>

using namespace testsupport;
using namespace screentest;

class TransitionTest : public GameTest {
protected:
    GameState& state() { return *game->GetState(); }
    Timer& clock() { return *game->GetHud()->GetTimer(); }

    void PressEscape()
    {
        Send(KeyPressed(sf::Keyboard::Escape));
        Send(KeyReleased(sf::Keyboard::Escape));
    }
    void ClickResume() { Send(ClickOn(game->GetPauseMenu()->GetPlayText())); }
    void ClearLevel() { screentest::ClearLevel(*game); }
    void RunUntilShop() { ASSERT_TRUE(screentest::RunUntilShop(*game)); }
    void ClickContinue() { Send(ClickOn(game->GetShopMenu()->GetContinueText())); }
    void RunUntilPadIsBack() { ASSERT_TRUE(screentest::RunUntilPadIsBack(*game)); }
    void ExpectClockStandsStill(const char* where)
    {
        EXPECT_TRUE(clock().IsPaused()) << where;
    }
};

TEST_F(TransitionTest, PauseMenuCoversEveryScreenAndResumeGivesItBack)
{
    const auto pauseAndResume = [&](const std::string& screen, const char* where) {
        SCOPED_TRACE(where);
        EXPECT_EQ(Screen(*game), screen) << "before the pause";
        Send(KeyPressed(sf::Keyboard::Escape));
        EXPECT_EQ(Screen(*game), PausedOver(screen)) << "pause menu";
        EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Paused);
        Send(KeyPressed(sf::Keyboard::Left));
        EXPECT_FALSE(game->IsLeftPressed());
        game->Render();
        Send(KeyReleased(sf::Keyboard::Escape));
        Send(KeyPressed(sf::Keyboard::Escape));
        EXPECT_EQ(Screen(*game), screen) << "after the resume";
        EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
        Send(KeyReleased(sf::Keyboard::Escape));
    };
    EXPECT_EQ(Screen(*game), kStartMenu) << "start menu";
    LeaveStartMenu();
    pauseAndResume(kWaitingForLaunch, "waiting for launch");
    Send(LeftClick(10, 500));
    pauseAndResume(kPlaying, "playing");
    ClearLevel();
    pauseAndResume(LevelExit(true), "level exit");
    RunUntilShop();
    pauseAndResume(Shop(true), "shop");
    ClickContinue();
    pauseAndResume(PadReturn(true), "pad return");
    RunUntilPadIsBack();
    pauseAndResume(kWaitingForLaunch, "next level");
}

TEST_F(TransitionTest, LevelClearedBeforeTheLaunchStaysUnlaunchedUntilContinue)
{
    LeaveStartMenu();
    ClearLevel();
    EXPECT_EQ(Screen(*game), LevelExit(false)) << "level exit";
    RunUntilShop();
    EXPECT_EQ(Screen(*game), Shop(false)) << "shop";
    // The first click of the level is its launch click, even on "Continuer".
    ClickContinue();
    EXPECT_EQ(Screen(*game), PadReturn(true)) << "pad return";
    RunUntilPadIsBack();
    EXPECT_EQ(Screen(*game), kWaitingForLaunch) << "waiting on level 2";
    EXPECT_EQ(state().GetLevel(), 2);
}

TEST_F(TransitionTest, ClockResumesAfterAPauseOnlyIfItRanWhenThePauseBegan)
{
    CapturedStdout out;
    Send(ClickOn(game->GetPauseMenu()->GetPlayText()));
    ExpectClockStandsStill("after the start menu");

    // Before the launch the clock is stopped: the timer refuses the pause,
    // and no resume is tried on the way out.
    const double before = clock().GetElapsedTime();
    out.Clear();
    PressEscape();
    EXPECT_TRUE(out.Lines().empty()) << "the stopped clock is left alone";
    out.Clear();
    ClickResume();
    EXPECT_TRUE(out.Lines().empty()) << out.Text();
    ExpectClockStandsStill("resumed before the launch");
    EXPECT_EQ(clock().GetElapsedTime(), before);

    // During play the pause stops it and both ways of resuming restart it.
    Send(LeftClick(10, 500));
    Step(3);
    Send(KeyPressed(sf::Keyboard::Escape));
    ExpectClockStandsStill("paused in play");
    Send(KeyReleased(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(clock().IsPaused());
    Send(KeyReleased(sf::Keyboard::Escape));
    PressEscape();
    ClickResume();
    EXPECT_FALSE(clock().IsPaused());

    // So the level exit finds a running clock to stop, without complaint.
    ClearLevel();
    RunUntilShop();
    EXPECT_FALSE(HasTimerError(out)) << out.Text();
    ExpectClockStandsStill("shop");
    // Time in the shop is not played time, paused or not.
    PressEscape();
    ClickResume();
    ExpectClockStandsStill("shop after a pause");
    ClickContinue();
    RunUntilPadIsBack();
    ExpectClockStandsStill("next level");
    Send(LeftClick(10, 500));
    EXPECT_FALSE(clock().IsPaused());
}

TEST_F(TransitionTest, EscapeInTheShopPausesOverItAndResumeReturnsToIt)
{
    StartPlaying();
    ClearLevel();
    RunUntilShop();
    const int coins = state().GetCoins();
    const sf::Event buy = ClickOn(game->GetShopMenu()->GetDamageBuyText());
    const sf::Event cont = ClickOn(game->GetShopMenu()->GetContinueText());

    PressEscape();
    game->Render();
    Send(buy);
    Send(cont);
    EXPECT_EQ(state().GetCoins(), coins);
    EXPECT_EQ(Screen(*game), PausedOver(Shop(true))) << "shop clicks while paused";

    ClickResume();
    EXPECT_EQ(Screen(*game), Shop(true)) << "back in the shop";
    game->Render();
    Send(buy);
    EXPECT_EQ(state().GetCoins(), coins - 50);
    Send(cont);
    EXPECT_EQ(Screen(*game), PadReturn(true)) << "pad return";
}

TEST_F(TransitionTest, LosingTheLastBallShowsOneGameOverScreenThatIgnoresKeys)
{
    StartPlaying();
    Step(2);
    const std::string before = Screen(*game);
    for (Ball* ball : AllOf<Ball>(game->GetEntities()))
        ball->SetPosition(sf::Vector2f(ball->GetPosition().x, 1075.f));
    Step();
    EXPECT_EQ(Screen(*game), LostFrom(before)) << "game over";
    const GameOverMenu* first = game->GetGameOverMenu();
    ASSERT_NE(first, nullptr);
    ExpectClockStandsStill("game over");
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    // A second loss in the same step keeps the first screen.
    game->GameOver();
    EXPECT_EQ(game->GetGameOverMenu(), first);

    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Right));
    Send(KeyPressed(sf::Keyboard::A));
    EXPECT_FALSE(game->IsRightPressed());
    EXPECT_FALSE(game->IsClearKeyPressed());
    EXPECT_EQ(Screen(*game), LostFrom(before)) << "keys during game over";
}

TEST_F(TransitionTest, RestartAfterALossDuringThePadExitStartsAFreshLevelOne)
{
    StartPlaying();
    // Upgrades and prices that the new game must not inherit.
    game->Render();
    state().SetCoins(10000);
    ShopMenu& oldShop = *game->GetShopMenu();
    oldShop.UpdateGameState();
    oldShop.HandleClick(CentreOf(oldShop.GetDamageBuyText().getGlobalBounds()));
    oldShop.HandleClick(CentreOf(oldShop.GetSpeedBuyText().getGlobalBounds()));
    oldShop.HandleClick(CentreOf(oldShop.GetBallsBuyText().getGlobalBounds()));
    ASSERT_EQ(state().GetBallsPerLevel(), 2);
    state().SetScore(77);

    // A held: the level empties and the pad glides out by itself, deaf to the arrows.
    Send(KeyPressed(sf::Keyboard::A));
    Step(3);
    ASSERT_FALSE(game->IsPadControlEnabled());
    Send(KeyPressed(sf::Keyboard::Right));
    game->GameOver();
    EXPECT_EQ(Screen(*game), LostFrom(LevelExit(true))) << "lost during the exit";
    escapeHeld = true;
    game->SetShakeStrength(2.5f);

    Send(ClickOn(game->GetGameOverMenu()->GetRestartText()));
    EXPECT_EQ(Screen(*game), kWaitingForLaunch) << "after restart";
    EXPECT_EQ(state().GetLevel(), 1);
    EXPECT_EQ(state().GetScore(), 0);
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(state().GetBallDamage(), 5);
    EXPECT_EQ(state().GetBallSpeed(), 13.0f);
    EXPECT_EQ(state().GetBallsPerLevel(), 1);
    EXPECT_EQ(game->GetShakeStrength(), 0.f);
    EXPECT_EQ(CountOf<StaticBrick>(game->GetEntities()) + CountOf<MovableBrick>(game->GetEntities()), 54);
    EXPECT_EQ(game->GetRemainingBricks(), 54);
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 1);
    EXPECT_EQ(game->GetPad()->GetHitPoints(), 5);
    EXPECT_EQ(game->GetPad()->GetPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_EQ(game->GetShopMenu()->GetDamagePrice(), 50);
    EXPECT_EQ(game->GetShopMenu()->GetSpeedPrice(), 50);
    EXPECT_EQ(game->GetShopMenu()->GetBallsPrice(), 500);
    // The keys the player still holds are the player's business.
    EXPECT_TRUE(game->IsClearKeyPressed());
    EXPECT_TRUE(escapeHeld);
    escapeHeld = false;
    EXPECT_FALSE(game->IsRightPressed());

    game->Render();
    EXPECT_EQ(game->GetHud()->GetTimerValue().getString().toAnsiString(), "0.00");
    ExpectClockStandsStill("after restart");

    // Steering works again.
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_TRUE(game->IsPadControlEnabled());
    Send(KeyPressed(sf::Keyboard::Left));
    Step();
    EXPECT_LT(game->GetPad()->GetPosition().x, 885.f);
    ExpectClockStandsStill("steering before the launch");
    Send(LeftClick(10, 500));
    EXPECT_EQ(Screen(*game), kPlaying) << "playing the new game";
}

TEST_F(TransitionTest, EscapeInTheLosingStepLeavesTheSameGameOverAndRestart)
{
    StartPlaying();
    for (Ball* ball : AllOf<Ball>(game->GetEntities()))
        ball->SetPosition(sf::Vector2f(ball->GetPosition().x, 1075.f));
    // The loop handles Escape, then runs the step that loses the last ball.
    Send(KeyPressed(sf::Keyboard::Escape));
    Step();
    ASSERT_TRUE(game->IsGameOver());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Stopped);
    Send(ClickOn(game->GetGameOverMenu()->GetRestartText()));
    EXPECT_EQ(Screen(*game), kWaitingForLaunch);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
}

TEST_F(TransitionTest, ShopTimeIsNeverPlayedTimeAndNothingIsPrinted)
{
    CapturedStdout out;
    LeaveStartMenu();
    // A before the launch: the shop's first click is also the launch click.
    ClearLevel();
    RunUntilShop();
    Send(LeftClick(10, 500));
    ExpectClockStandsStill("in the shop");
    PressEscape();
    ClickResume();
    ExpectClockStandsStill("back in the shop");
    ClickContinue();
    RunUntilPadIsBack();
    Send(LeftClick(10, 500));
    EXPECT_FALSE(clock().IsPaused()) << "the next level's launch starts the clock";
    EXPECT_EQ(out.Text(), "");
}

TEST_F(TransitionTest, WindowOpensCentredOnTheDesktop)
{
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    const sf::Vector2i centred(std::max(0, (static_cast<int>(desktop.width) - 1920) / 2),
                               std::max(0, (static_cast<int>(desktop.height) - 1080) / 2));
    EXPECT_EQ(game->GetWindow()->getPosition(), centred);
}
