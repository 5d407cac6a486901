#include "TestSupport.hpp"

#include "core/MainLoop.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>
#include <deque>
#include <initializer_list>

using namespace testsupport;

namespace {

// The game as the main loop sees it, with the window's event queue replaced
// by the player's script.
class ScriptedGame {
public:
    explicit ScriptedGame(Game& game) : game(game) {}

    void Render()
    {
        ++passes;
        // A script that never reaches its end must not hang the suite.
        if (passes > 2000)
            game.GetWindow()->close();
        // Software rendering is slow: while the pad flies by itself only
        // every tenth frame is drawn.
        if (!fastForward || passes % 10 == 0)
            game.Render();
    }
    bool fastForward = false;
    GameState* GetState() const { return game.GetState(); }
    void HandleEvents()
    {
        while (!queue.empty()) {
            const sf::Event event = queue.front();
            queue.pop_front();
            game.HandleEvent(event);
        }
    }
    void Update() { game.Update(); }
    bool IsWindowOpen() const { return game.IsWindowOpen(); }

    void Queue(std::initializer_list<sf::Event> events)
    {
        queue.insert(queue.end(), events.begin(), events.end());
    }
    int Passes() const { return passes; }

private:
    Game& game;
    std::deque<sf::Event> queue;
    int passes = 0;
};

// Every pass finds the frame time elapsed, so every unpaused pass steps.
struct AlwaysDueTimer {
    double GetTimeSinceTimerPoint() const { return 1.0; }
    void SetTimerPoint() {}
};

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

void ExpectScreen(const Game& game, const Screen& want, const char* where)
{
    SCOPED_TRACE(where);
    Menu menu = Menu::None;
    if (const PauseMenu* m = game.GetPauseMenu()) {
        const std::string first = m->GetPlayText().getString().toAnsiString();
        menu = first == "Start the game" ? Menu::Start : first == "Resume" ? Menu::Pause : Menu::Other;
    }
    EXPECT_EQ(game.GetState()->IsPaused(), want.paused) << "paused";
    EXPECT_EQ(static_cast<int>(menu), static_cast<int>(want.menu)) << "pause menu";
    EXPECT_EQ(game.IsGameOver(), want.gameOver) << "gameOver";
    EXPECT_EQ(game.IsBallLaunched(), want.ballLaunched) << "ballLaunched";
    EXPECT_EQ(game.GetRemainingBricks() > 0, want.bricksLeft) << "remainingBricks above 0";
    EXPECT_EQ(game.IsBetweenLevels(), want.betweenLevels) << "betweenLevels";
    EXPECT_EQ(game.GetState()->IsShopOpen(), want.shopOpen) << "shopOpen";
    EXPECT_EQ(game.IsPadReturning(), want.padReturning) << "padReturning";
}

const Screen kStartMenu{true, Menu::Start, false, false, true, false, false, false};
const Screen kWaitingForLaunch{false, Menu::None, false, false, true, false, false, false};
const Screen kPlaying{false, Menu::None, false, true, true, false, false, false};
const Screen kPausedPlaying{true, Menu::Pause, false, true, true, false, false, false};
const Screen kLevelExit{false, Menu::None, false, true, false, false, false, false};
const Screen kShop{false, Menu::None, false, true, false, true, true, false};
const Screen kPadReturn{false, Menu::None, false, true, false, true, false, true};
const Screen kGameOverWhilePlaying{true, Menu::None, true, true, true, false, false, false};

bool NoTimerError(const CapturedStdout& out)
{
    const std::vector<std::string> lines = out.Lines();
    return std::none_of(lines.begin(), lines.end(),
                        [](const std::string& l) { return l.rfind("Error->", 0) == 0; });
}

sf::Event ClickOn(const sf::Text& button)
{
    const sf::Vector2i p = CentreOf(button.getGlobalBounds());
    return LeftClick(p.x, p.y);
}

} // namespace

class SessionTest : public GameTest {
protected:
    // One pass of the main loop, as the program runs it.
    void Pass(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            RunLoopPass(*player, timer);
    }
    template <class Done>
    void PassUntil(Done done, int limit)
    {
        player->fastForward = true;
        for (int i = 0; i < limit && !done(); ++i)
            Pass();
        player->fastForward = false;
        ASSERT_TRUE(done());
    }
    std::string HudValue(const sf::Text& text) { return text.getString().toAnsiString(); }

    void SetUp() override
    {
        GameTest::SetUp();
        player = std::make_unique<ScriptedGame>(*game);
    }

    std::unique_ptr<ScriptedGame> player;
    AlwaysDueTimer timer;
};

TEST_F(SessionTest, FromTheStartMenuThroughTheShopToALossAndARestart)
{
    CapturedStdout out;
    Hud& hud = *game->GetHud();

    // Start menu, with the first level laid out behind it.
    Pass();
    ExpectScreen(*game, kStartMenu, "start menu");
    EXPECT_TRUE(hud.GetTimer()->IsPaused());
    EXPECT_EQ(HudValue(hud.GetTimerValue()), Hud::FormatTime(hud.GetTimer()->GetElapsedTime()));
    EXPECT_EQ(HudValue(hud.GetHpValue()), "5");

    player->Queue({ClickOn(game->GetPauseMenu()->GetPlayText())});
    Pass();
    ExpectScreen(*game, kWaitingForLaunch, "start clicked");
    Pass(3);
    ExpectScreen(*game, kWaitingForLaunch, "ball resting");
    EXPECT_TRUE(hud.GetTimer()->IsPaused());

    player->Queue({LeftClick(300, 600)});
    Pass();
    ExpectScreen(*game, kPlaying, "launched");
    EXPECT_FALSE(hud.GetTimer()->IsPaused());
    Pass(5);
    ExpectScreen(*game, kPlaying, "playing");

    // A pause and a resume with the button.
    player->Queue({KeyPressed(sf::Keyboard::Escape)});
    Pass();
    ExpectScreen(*game, kPausedPlaying, "paused");
    EXPECT_TRUE(hud.GetTimer()->IsPaused());
    player->Queue({KeyReleased(sf::Keyboard::Escape), ClickOn(game->GetPauseMenu()->GetPlayText())});
    Pass();
    ExpectScreen(*game, kPlaying, "resumed");
    EXPECT_FALSE(hud.GetTimer()->IsPaused());

    // The level-clear key empties the level; the pad glides out.
    player->Queue({KeyPressed(sf::Keyboard::A)});
    Pass();
    player->Queue({KeyReleased(sf::Keyboard::A)});
    Pass();
    ExpectScreen(*game, kLevelExit, "level exit");
    EXPECT_FALSE(game->IsPadControlEnabled());
    PassUntil([&] { return game->GetState()->IsShopOpen(); }, 400);
    ExpectScreen(*game, kShop, "shop");
    EXPECT_TRUE(hud.GetTimer()->IsPaused());
    EXPECT_EQ(game->GetState()->GetLevel(), 2);

    // The shop is drawn on the next pass, then a purchase.
    Pass();
    EXPECT_EQ(HudValue(hud.GetCoinsValue()), "10000");
    EXPECT_EQ(HudValue(game->GetShopMenu()->GetDamagePriceText()), "Prix : 50 Coins");
    player->Queue({ClickOn(game->GetShopMenu()->GetDamageBuyText())});
    Pass();
    EXPECT_EQ(game->GetState()->GetCoins(), 9950);
    EXPECT_EQ(game->GetState()->GetBallDamage(), 10);
    Pass();
    EXPECT_EQ(HudValue(hud.GetCoinsValue()), "9950");
    EXPECT_EQ(HudValue(game->GetShopMenu()->GetDamagePriceText()), "Prix : 100 Coins");
    ExpectScreen(*game, kShop, "after the purchase");

    // "Continuer": the pad comes back and level 2 is laid out.
    player->Queue({ClickOn(game->GetShopMenu()->GetContinueText())});
    Pass();
    ExpectScreen(*game, kPadReturn, "pad return");
    PassUntil([&] { return !game->IsPadReturning(); }, 200);
    ExpectScreen(*game, kWaitingForLaunch, "level 2 waiting");
    EXPECT_TRUE(game->IsPadControlEnabled());
    EXPECT_EQ(game->GetRemainingBricks(), 54);
    for (const Ball* ball : AllOf<Ball>(game->GetEntities()))
        EXPECT_EQ(ball->GetDamage(), 10);
    EXPECT_EQ(game->GetState()->GetCoins(), 9950);

    // Launch, then the only ball falls out. The ball that was still in
    // flight when level 1 was left is still counted, so play goes on.
    player->Queue({LeftClick(300, 600)});
    Pass();
    ExpectScreen(*game, kPlaying, "level 2 playing");
    ASSERT_EQ(game->GetState()->GetBallsInPlay(), 2);
    for (Ball* ball : AllOf<Ball>(game->GetEntities()))
        ball->SetPosition(sf::Vector2f(ball->GetPosition().x, 1075.f));
    Pass();
    EXPECT_EQ(CountOf<Ball>(game->GetEntities()), 0);
    ExpectScreen(*game, kPlaying, "no ball on screen, one still counted");

    // So far every clock operation found the clock as it expected.
    EXPECT_TRUE(NoTimerError(out)) << out.Text();

    // A red brick comes down onto the pad. Each red brick's update checks
    // them all, so the pad loses one point per red brick in every step.
    const std::vector<MovableBrick*> red = AllOf<MovableBrick>(game->GetEntities());
    ASSERT_FALSE(red.empty());
    red.front()->SetPosition(game->GetPad()->GetPosition());
    Pass();
    const int expectedHp = std::max(0, 5 - static_cast<int>(red.size()));
    EXPECT_EQ(game->GetPad()->GetHitPoints(), expectedHp);
    PassUntil([&] { return game->IsGameOver(); }, 10);
    ExpectScreen(*game, kGameOverWhilePlaying, "game over");
    EXPECT_TRUE(game->GetPad()->IsBroken());
    EXPECT_TRUE(hud.GetTimer()->IsPaused());
    Pass(2);
    ExpectScreen(*game, kGameOverWhilePlaying, "game over stays");
    EXPECT_EQ(HudValue(hud.GetHpValue()), "0");

    player->Queue({KeyPressed(sf::Keyboard::Escape),
                   ClickOn(game->GetGameOverMenu()->GetRestartText())});
    Pass();
    ExpectScreen(*game, kWaitingForLaunch, "restarted");
    EXPECT_EQ(game->GetState()->GetLevel(), 1);
    EXPECT_EQ(game->GetState()->GetBallDamage(), 5);
    Pass();
    EXPECT_EQ(HudValue(hud.GetCoinsValue()), "0");
    EXPECT_EQ(HudValue(hud.GetTimerValue()), "0.00");
    EXPECT_EQ(HudValue(hud.GetScoreValue()), "0");
    EXPECT_EQ(game->GetShopMenu()->GetDamagePrice(), 50);
    EXPECT_EQ(HudValue(hud.GetHpValue()), "5");

    // Launch, pause, and "Leave" ends the loop. The first button of the
    // pause menu is centred 50 pixels above the middle, "Leave" 50 below.
    player->Queue({LeftClick(300, 600), KeyPressed(sf::Keyboard::Escape), LeftClick(960, 590)});
    const int before = player->Passes();
    RunMainLoop(*player, timer);
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_LT(player->Passes() - before, 10);
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_TRUE(game->GetState()->IsPaused());
}
