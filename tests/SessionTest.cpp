#include "ScreenTestSupport.hpp"

#include "core/MainLoop.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <deque>
#include <initializer_list>

using namespace testsupport;
using namespace screentest;

namespace {

// The game as the main loop sees it, with the window's events replaced by a script.
class ScriptedGame {
public:
    explicit ScriptedGame(Game& game) : game(game) {}
    void Render()
    {
        // A script that never reaches its end must not hang the suite.
        if (++passes > 2000)
            game.GetWindow()->close();
        // Software rendering is slow: while the pad flies by itself draw every tenth frame.
        if (!fastForward || passes % 10 == 0)
            game.Render();
    }
    GameState* GetState() const { return game.GetState(); }
    void HandleEvents()
    {
        for (; !queue.empty(); queue.pop_front())
            game.HandleEvent(queue.front());
    }
    void Update() { game.Update(); }
    bool IsWindowOpen() const { return game.IsWindowOpen(); }
    void Queue(std::initializer_list<sf::Event> events) { queue.insert(queue.end(), events); }

    bool fastForward = false;
    int passes = 0;

private:
    Game& game;
    std::deque<sf::Event> queue;
};

// Every pass finds the frame time elapsed, so every unpaused pass steps.
struct AlwaysDueTimer {
    double GetTimeSinceTimerPoint() const { return 1.0; }
    void SetTimerPoint() {}
};

std::string TextOf(const sf::Text& text) { return text.getString().toAnsiString(); }

} // namespace

class SessionTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        player = std::make_unique<ScriptedGame>(*game);
    }
    // One pass of the main loop per event batch, as the program runs it.
    void Pass(std::initializer_list<sf::Event> events = {}, int n = 1)
    {
        player->Queue(events);
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

    std::unique_ptr<ScriptedGame> player;
    AlwaysDueTimer timer;
};

TEST_F(SessionTest, FromTheStartMenuThroughTheShopToALossAndARestart)
{
    CapturedStdout out;
    Hud& hud = *game->GetHud();
    GameState* state = game->GetState();

    Pass();
    EXPECT_EQ(Screen(*game), kStartMenu) << "start menu";
    EXPECT_EQ(TextOf(hud.GetHpValue()), "5");
    Pass({ClickOn(game->GetPauseMenu()->GetPlayText())}, 4);
    EXPECT_EQ(Screen(*game), kWaitingForLaunch) << "start clicked, ball resting";
    EXPECT_TRUE(hud.GetTimer()->IsPaused());
    Pass({LeftClick(300, 600)}, 5);
    EXPECT_EQ(Screen(*game), kPlaying) << "launched";
    EXPECT_FALSE(hud.GetTimer()->IsPaused());

    Pass({KeyPressed(sf::Keyboard::Escape)});
    EXPECT_EQ(Screen(*game), PausedOver(kPlaying)) << "paused";
    Pass({KeyReleased(sf::Keyboard::Escape), ClickOn(game->GetPauseMenu()->GetPlayText())});
    EXPECT_EQ(Screen(*game), kPlaying) << "resumed";

    // The level-clear key empties the level; the pad glides out to the shop.
    Pass({KeyPressed(sf::Keyboard::A)});
    Pass({KeyReleased(sf::Keyboard::A)});
    EXPECT_EQ(Screen(*game), LevelExit(true)) << "level exit";
    PassUntil([&] { return state->IsShopOpen(); }, 400);
    EXPECT_EQ(Screen(*game), Shop(true)) << "shop";
    EXPECT_EQ(state->GetLevel(), 2);

    Pass();
    EXPECT_EQ(TextOf(hud.GetCoinsValue()), "10000");
    // Each pass draws first, so the purchase shows one pass later.
    Pass({ClickOn(game->GetShopMenu()->GetDamageBuyText())});
    EXPECT_EQ(state->GetBallDamage(), 10);
    Pass();
    EXPECT_EQ(TextOf(hud.GetCoinsValue()), "9950");
    EXPECT_EQ(TextOf(game->GetShopMenu()->GetDamagePriceText()), "Prix : 100 Coins");
    EXPECT_EQ(Screen(*game), Shop(true)) << "after the purchase";

    Pass({ClickOn(game->GetShopMenu()->GetContinueText())});
    EXPECT_EQ(Screen(*game), PadReturn(true)) << "pad return";
    PassUntil([&] { return !game->IsPadReturning(); }, 200);
    EXPECT_EQ(Screen(*game), kWaitingForLaunch) << "level 2 waiting";
    EXPECT_EQ(game->GetRemainingBricks(), 54);
    for (const Ball* ball : AllOf<Ball>(game->GetEntities()))
        EXPECT_EQ(ball->GetDamage(), 10);

    // The ball still in flight when level 1 was left went with it: the
    // count is this level's one ball.
    Pass({LeftClick(300, 600)});
    ASSERT_EQ(state->GetBallsInPlay(), 1);
    EXPECT_FALSE(HasTimerError(out)) << out.Text();

    // A red brick on the pad: each red brick's update checks them all, so
    // the pad loses one point per red brick every step.
    const std::vector<MovableBrick*> red = AllOf<MovableBrick>(game->GetEntities());
    ASSERT_FALSE(red.empty());
    red.front()->SetPosition(game->GetPad()->GetPosition());
    Pass();
    EXPECT_EQ(game->GetPad()->GetHitPoints(), std::max(0, 5 - static_cast<int>(red.size())));
    PassUntil([&] { return game->IsGameOver(); }, 10);
    Pass({}, 2);
    EXPECT_EQ(Screen(*game), LostFrom(kPlaying)) << "game over stays";
    EXPECT_EQ(TextOf(hud.GetHpValue()), "0");

    Pass({KeyPressed(sf::Keyboard::Escape), ClickOn(game->GetGameOverMenu()->GetRestartText())});
    EXPECT_EQ(Screen(*game), kWaitingForLaunch) << "restarted";
    EXPECT_EQ(game->GetState()->GetLevel(), 1);
    Pass();
    EXPECT_EQ(TextOf(hud.GetCoinsValue()), "0");
    EXPECT_EQ(TextOf(hud.GetTimerValue()), "0.00");
    EXPECT_EQ(TextOf(hud.GetHpValue()), "5");

    // Launch, pause, and "Leave" (50 pixels below the middle) ends the loop.
    player->Queue({LeftClick(300, 600), KeyPressed(sf::Keyboard::Escape), LeftClick(960, 590)});
    const int before = player->passes;
    RunMainLoop(*player, timer);
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_LT(player->passes - before, 10);
    EXPECT_TRUE(game->GetState()->IsPaused());
}
