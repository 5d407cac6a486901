#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Audio/Music.hpp>
#include <algorithm>

using namespace testsupport;

namespace {

// Which screen the game is on, read column by column from the flags that
// mark it.
enum class Menu { None, Start, Pause, Other };

struct Screen {
    bool paused;
    Menu menu;
    bool gameOver;
    bool ballLaunched;
    bool bricksLeft;
    bool betweenLevels;
    bool shopOpen;
    bool padReturning;
};

Screen Observe(const Game& game)
{
    Menu menu = Menu::None;
    if (const PauseMenu* m = game.GetPauseMenu()) {
        const std::string first = m->GetPlayText().getString().toAnsiString();
        menu = first == "Start the game" ? Menu::Start : first == "Resume" ? Menu::Pause : Menu::Other;
    }
    return Screen{game.GetState()->IsPaused(), menu,
                  game.IsGameOver(),           game.IsBallLaunched(),
                  game.GetRemainingBricks() > 0, game.IsBetweenLevels(),
                  game.GetState()->IsShopOpen(), game.IsPadReturning()};
}

void ExpectScreen(const Game& game, const Screen& want, const char* where)
{
    SCOPED_TRACE(where);
    const Screen got = Observe(game);
    EXPECT_EQ(got.paused, want.paused) << "paused";
    EXPECT_EQ(static_cast<int>(got.menu), static_cast<int>(want.menu)) << "pause menu";
    EXPECT_EQ(got.gameOver, want.gameOver) << "gameOver";
    EXPECT_EQ(got.ballLaunched, want.ballLaunched) << "ballLaunched";
    EXPECT_EQ(got.bricksLeft, want.bricksLeft) << "remainingBricks above 0";
    EXPECT_EQ(got.betweenLevels, want.betweenLevels) << "betweenLevels";
    EXPECT_EQ(got.shopOpen, want.shopOpen) << "shopOpen";
    EXPECT_EQ(got.padReturning, want.padReturning) << "padReturning";
}

const Screen kStartMenu{true, Menu::Start, false, false, true, false, false, false};
const Screen kWaitingForLaunch{false, Menu::None, false, false, true, false, false, false};
const Screen kPlaying{false, Menu::None, false, true, true, false, false, false};
Screen LevelExit(bool launched) { return {false, Menu::None, false, launched, false, false, false, false}; }
Screen Shop(bool launched) { return {false, Menu::None, false, launched, false, true, true, false}; }
Screen PadReturn(bool launched) { return {false, Menu::None, false, launched, false, true, false, true}; }
Screen PausedOver(Screen before)
{
    before.paused = true;
    before.menu = Menu::Pause;
    return before;
}
Screen LostFrom(const Screen& before)
{
    return {true, Menu::None, true, before.ballLaunched, before.bricksLeft, false, false, false};
}

bool HasTimerError(const CapturedStdout& out)
{
    const std::vector<std::string> lines = out.Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& l) { return l.rfind("Error->", 0) == 0; });
}

} // namespace

class TransitionTest : public GameTest {
protected:
    GameState& state() { return *game->GetState(); }
    Timer& clock() { return *game->GetHud()->GetTimer(); }

    void PressEscape()
    {
        Send(KeyPressed(sf::Keyboard::Escape));
        Send(KeyReleased(sf::Keyboard::Escape));
    }
    void ClickResume()
    {
        ASSERT_NE(game->GetPauseMenu(), nullptr);
        const sf::Vector2i p = CentreOf(game->GetPauseMenu()->GetPlayText().getGlobalBounds());
        Send(LeftClick(p.x, p.y));
    }
    // Empties the level with the A key, the level exit then runs by itself.
    void ClearLevel()
    {
        Send(KeyPressed(sf::Keyboard::A));
        Step();
        Send(KeyReleased(sf::Keyboard::A));
    }
    void RunUntilShop()
    {
        for (int i = 0; i < 400 && !state().IsShopOpen(); ++i)
            Step();
        ASSERT_TRUE(state().IsShopOpen());
        game->Render();
    }
    void ClickContinue()
    {
        const sf::Vector2i p =
            CentreOf(game->GetShopMenu()->GetContinueText().getGlobalBounds());
        Send(LeftClick(p.x, p.y));
    }
    void RunUntilPadIsBack()
    {
        for (int i = 0; i < 200 && game->IsPadReturning(); ++i)
            Step();
        ASSERT_FALSE(game->IsPadReturning());
    }
    // Every ball falls out of the bottom on the next step.
    void DropEveryBall()
    {
        for (Ball* ball : AllOf<Ball>(game->GetEntities()))
            ball->SetPosition(sf::Vector2f(ball->GetPosition().x, 1075.f));
    }
    void ExpectClockStandsStill()
    {
        EXPECT_TRUE(clock().IsPaused());
        const double first = clock().GetElapsedTime();
        EXPECT_EQ(clock().GetElapsedTime(), first);
    }
    sf::Music::Status Music(const char* name)
    {
        const sf::Music* music = game->GetSoundManager()->FindMusic(name);
        EXPECT_NE(music, nullptr);
        return music ? music->getStatus() : sf::Music::Stopped;
    }
};

TEST_F(TransitionTest, OpensOnTheStartMenuThenWaitsForTheLaunchClickThenPlays)
{
    ExpectScreen(*game, kStartMenu, "start menu");
    ExpectClockStandsStill();
    EXPECT_EQ(Music("Menu_music"), sf::Music::Playing);

    LeaveStartMenu();
    ExpectScreen(*game, kWaitingForLaunch, "waiting for launch");
    ExpectClockStandsStill();
    // The ball rests above the pad while the world runs.
    Step(5);
    for (const Ball* ball : AllOf<Ball>(game->GetEntities()))
        EXPECT_EQ(ball->GetDirection(), sf::Vector2f(0.f, 0.f));
    ExpectScreen(*game, kWaitingForLaunch, "waiting after steps");

    Send(LeftClick(10, 500));
    ExpectScreen(*game, kPlaying, "playing");
    EXPECT_FALSE(clock().IsPaused());
    EXPECT_EQ(Music("Main_music"), sf::Music::Playing);
}

TEST_F(TransitionTest, PauseMenuKeepsEveryOtherColumnOfTheScreenItCovers)
{
    const auto pauseAndResume = [&](const Screen& screen, const char* where) {
        SCOPED_TRACE(where);
        ExpectScreen(*game, screen, "before the pause");
        Send(KeyPressed(sf::Keyboard::Escape));
        ExpectScreen(*game, PausedOver(screen), "pause menu");
        const PauseMenu* menu = game->GetPauseMenu();
        EXPECT_EQ(Music("Menu_music"), sf::Music::Playing);
        EXPECT_EQ(Music("Main_music"), sf::Music::Paused);
        // Nothing moves while paused.
        game->Render();
        Send(KeyPressed(sf::Keyboard::Left));
        EXPECT_FALSE(game->IsLeftPressed());
        EXPECT_EQ(game->GetPauseMenu(), menu);
        Send(KeyReleased(sf::Keyboard::Escape));
        Send(KeyPressed(sf::Keyboard::Escape));
        ExpectScreen(*game, screen, "after the resume");
        EXPECT_EQ(Music("Main_music"), sf::Music::Playing);
    };

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

TEST_F(TransitionTest, LevelClearedBeforeTheLaunchStaysUnlaunchedThroughTheShop)
{
    LeaveStartMenu();
    ClearLevel();
    ExpectScreen(*game, LevelExit(false), "level exit");
    RunUntilShop();
    ExpectScreen(*game, Shop(false), "shop");
    // The first click of the level is still its launch click, even on
    // "Continuer": it launches first, then reaches the shop.
    ClickContinue();
    ExpectScreen(*game, PadReturn(true), "pad return");
    RunUntilPadIsBack();
    ExpectScreen(*game, kWaitingForLaunch, "waiting on level 2");
    EXPECT_EQ(state().GetLevel(), 2);
    EXPECT_TRUE(game->IsPadControlEnabled());
}

TEST_F(TransitionTest, ClockResumesAfterAPauseOnlyIfItRanWhenThePauseBegan)
{
    CapturedStdout out;
    // Closing the start menu leaves it stopped.
    const sf::Vector2i start = CentreOf(game->GetPauseMenu()->GetPlayText().getGlobalBounds());
    Send(LeftClick(start.x, start.y));
    ExpectClockStandsStill();

    // A pause before the launch: the clock was stopped and stays so. Its
    // pause is refused by the timer with its error line, and no resume is
    // tried on the way out.
    const double before = clock().GetElapsedTime();
    out.Clear();
    PressEscape();
    EXPECT_EQ(out.Lines(),
              std::vector<std::string>{
                  "Error->PauseTimer(): timer is not started or is already paused."});
    ExpectClockStandsStill();
    out.Clear();
    ClickResume();
    EXPECT_TRUE(out.Lines().empty()) << out.Text();
    ExpectClockStandsStill();
    EXPECT_EQ(clock().GetElapsedTime(), before);

    // During play the pause stops it, and resuming gives it back.
    Send(LeftClick(10, 500));
    EXPECT_FALSE(clock().IsPaused());
    Step(3);
    Send(KeyPressed(sf::Keyboard::Escape));
    ExpectClockStandsStill();
    Send(KeyReleased(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(clock().IsPaused());
    PressEscape();
    ExpectClockStandsStill();
    ClickResume();
    EXPECT_FALSE(clock().IsPaused());

    // So the level exit finds a running clock to stop, without complaint.
    ClearLevel();
    RunUntilShop();
    EXPECT_FALSE(HasTimerError(out)) << out.Text();
    ExpectClockStandsStill();

    // Time in the shop is not played time, paused or not.
    PressEscape();
    ExpectClockStandsStill();
    ClickResume();
    ExpectClockStandsStill();
    ClickContinue();
    RunUntilPadIsBack();
    ExpectClockStandsStill();
    Send(LeftClick(10, 500));
    EXPECT_FALSE(clock().IsPaused());
}

TEST_F(TransitionTest, EscapeInTheShopPausesOverItAndResumeReturnsToIt)
{
    StartPlaying();
    ClearLevel();
    RunUntilShop();
    const int coins = state().GetCoins();
    const sf::Vector2i buy =
        CentreOf(game->GetShopMenu()->GetDamageBuyText().getGlobalBounds());
    const sf::Vector2i cont =
        CentreOf(game->GetShopMenu()->GetContinueText().getGlobalBounds());

    PressEscape();
    ExpectScreen(*game, PausedOver(Shop(true)), "pause over the shop");
    // Both are drawn; only the pause menu listens.
    game->Render();
    Send(LeftClick(buy.x, buy.y));
    Send(LeftClick(cont.x, cont.y));
    EXPECT_EQ(state().GetCoins(), coins);
    EXPECT_EQ(game->GetShopMenu()->GetDamagePrice(), 50);
    ExpectScreen(*game, PausedOver(Shop(true)), "shop clicks while paused");

    ClickResume();
    ExpectScreen(*game, Shop(true), "back in the shop");
    game->Render();
    Send(LeftClick(buy.x, buy.y));
    EXPECT_EQ(state().GetCoins(), coins - 50);
    Send(LeftClick(cont.x, cont.y));
    ExpectScreen(*game, PadReturn(true), "pad return");
}

TEST_F(TransitionTest, LosingTheLastBallShowsTheGameOverScreenUntilTheRestart)
{
    StartPlaying();
    Step(2);
    const Screen before = Observe(*game);
    DropEveryBall();
    Step();
    ExpectScreen(*game, LostFrom(before), "game over");
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    ExpectClockStandsStill();
    // The loss changes no music.
    EXPECT_EQ(Music("Main_music"), sf::Music::Playing);
    EXPECT_NE(Music("Menu_music"), sf::Music::Playing);
    game->Render();

    // Escape, arrows and the A key are all ignored now.
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Right));
    Send(KeyPressed(sf::Keyboard::A));
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsRightPressed());
    EXPECT_FALSE(game->IsClearKeyPressed());
    ExpectScreen(*game, LostFrom(before), "keys during game over");

    // The lost game still had all 54 of its bricks; the new level 1 counts
    // only its own.
    ASSERT_EQ(game->GetRemainingBricks(), 54);
    game->Restart();
    const int bricks = CountOf<StaticBrick>(game->GetEntities()) +
                       CountOf<MovableBrick>(game->GetEntities());
    EXPECT_EQ(bricks, 54);
    EXPECT_EQ(game->GetRemainingBricks(), bricks);
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 1);
    EXPECT_EQ(CountOf<Pad>(game->GetEntities()), 1);
}

TEST_F(TransitionTest, ASecondLossInTheSameStepKeepsTheFirstGameOverScreen)
{
    StartPlaying();
    game->GameOver();
    const GameOverMenu* first = game->GetGameOverMenu();
    ASSERT_NE(first, nullptr);
    game->GameOver();
    ASSERT_EQ(game->GetGameOverMenu(), first);
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(state().IsPaused());
    // The screen still works: its restart button leads to a new game.
    const sf::Vector2i restart = CentreOf(first->GetRestartText().getGlobalBounds());
    Send(LeftClick(restart.x, restart.y));
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_EQ(game->GetGameOverMenu(), nullptr);
}

TEST_F(TransitionTest, RestartAfterALossDuringThePadExitStartsAFreshLevelOne)
{
    StartPlaying();
    // Upgrades and prices that the new game must not inherit.
    game->Render();
    state().SetCoins(10000);
    game->GetShopMenu()->UpdateGameState();
    const sf::Text& damageBuy = game->GetShopMenu()->GetDamageBuyText();
    game->GetShopMenu()->HandleClick(CentreOf(damageBuy.getGlobalBounds()));
    const sf::Text& ballsBuy = game->GetShopMenu()->GetBallsBuyText();
    game->GetShopMenu()->HandleClick(CentreOf(ballsBuy.getGlobalBounds()));
    ASSERT_EQ(state().GetBallDamage(), 10);
    ASSERT_EQ(state().GetBallsPerLevel(), 2);
    state().SetScore(77);

    // A held: the level is emptied and the pad starts its automatic exit.
    Send(KeyPressed(sf::Keyboard::A));
    Step(3);
    ASSERT_FALSE(game->IsPadControlEnabled());
    Send(KeyPressed(sf::Keyboard::Right));
    EXPECT_FALSE(game->IsRightPressed());
    // The pad loses its last hit points while gliding.
    game->GameOver();
    ExpectScreen(*game, LostFrom(LevelExit(true)), "lost during the exit");
    escapeHeld = true;
    game->SetShakeStrength(2.5f);

    const sf::Vector2i restart =
        CentreOf(game->GetGameOverMenu()->GetRestartText().getGlobalBounds());
    Send(LeftClick(restart.x, restart.y));

    ExpectScreen(*game, kWaitingForLaunch, "after restart");
    EXPECT_EQ(state().GetLevel(), 1);
    EXPECT_EQ(game->GetRemainingBricks(), 54);
    EXPECT_EQ(state().GetScore(), 0);
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(state().GetBallDamage(), 5);
    EXPECT_EQ(state().GetBallSpeed(), 13.0f);
    EXPECT_EQ(state().GetBallsPerLevel(), 1);
    EXPECT_EQ(state().GetBallsInPlay(), 1);
    EXPECT_EQ(game->GetShakeStrength(), 0.f);
    EXPECT_EQ(game->GetEntities().size(), 1u + 54u + 1u);
    EXPECT_EQ(game->GetEntities().front(), static_cast<Entity*>(game->GetPad()));
    EXPECT_EQ(game->GetPad()->GetHitPoints(), 5);
    EXPECT_EQ(game->GetPad()->GetPosition(), sf::Vector2f(885.f, 930.f));
    // The music of play goes on through the loss and the restart.
    EXPECT_EQ(Music("Main_music"), sf::Music::Playing);
    // The keys the player still holds are the player's business.
    EXPECT_TRUE(game->IsClearKeyPressed());
    EXPECT_TRUE(escapeHeld);
    EXPECT_FALSE(game->IsRightPressed());
    EXPECT_FALSE(game->IsLeftPressed());

    // A new shop at its starting prices.
    ShopMenu& shop = *game->GetShopMenu();
    EXPECT_EQ(shop.GetDamagePrice(), 50);
    EXPECT_EQ(shop.GetSpeedPrice(), 50);
    EXPECT_EQ(shop.GetBallsPrice(), 500);

    // The clock shows zero and stands until the launch.
    game->Render();
    EXPECT_EQ(game->GetHud()->GetTimerValue().getString().toAnsiString(), "0.00");
    ExpectClockStandsStill();

    // Steering works again.
    Send(KeyReleased(sf::Keyboard::A));
    EXPECT_TRUE(game->IsPadControlEnabled());
    Send(KeyPressed(sf::Keyboard::Left));
    EXPECT_TRUE(game->IsLeftPressed());
    Step();
    EXPECT_LT(game->GetPad()->GetPosition().x, 885.f);
    Send(KeyReleased(sf::Keyboard::Left));
    ExpectScreen(*game, kWaitingForLaunch, "still waiting after steps");
    ExpectClockStandsStill();

    Send(LeftClick(10, 500));
    ExpectScreen(*game, kPlaying, "playing the new game");
    EXPECT_FALSE(clock().IsPaused());
    escapeHeld = false;
}
