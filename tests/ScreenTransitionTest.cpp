#include "TestSupport.hpp"

#include <functional>
#include <map>

namespace {

// What a new game must give back after a restart, whatever the last one did.
std::string Numbers(const Game& game)
{
    std::ostringstream s;
    const GameState& state = *game.GetState();
    const ShopMenu& shop = *game.GetShopMenu();
    s << state.GetLevel() << ' ' << state.GetScore() << ' ' << state.GetCoins() << ' ' << state.GetBallDamage() << ' '
      << state.GetBallSpeed() << ' ' << state.GetBallsPerLevel() << ' ' << state.GetBallsInPlay() << ' '
      << shop.GetDamagePrice() << ' ' << shop.GetSpeedPrice() << ' ' << shop.GetBallsPrice() << ' '
      << game.GetPad()->GetHitPoints() << ' ' << game.GetPad()->GetPosition().x << ' ' << game.GetShakeStrength()
      << ' ' << game.GetRemainingBricks() << ' ' << game.GetEntities().size();
    return s.str();
}

} // namespace

// A player's actions as words, each row followed by the screen it leads to.
// A menu's button is only pressed after a row that showed the menu.
class ScreenTransitionTest : public GameTest {
protected:
    void Play(const std::vector<std::pair<std::string, std::string>>& script)
    {
        const auto pauseMenu = [this] { return game->GetPauseMenu(); };
        const auto overMenu = [this] { return game->GetGameOverMenu(); };
        const std::map<std::string, std::function<void()>> actions = {
            {"esc", [this] { Send(KeyPressed(sf::Keyboard::Escape)); }},
            {"esc-up", [this] { Send(KeyReleased(sf::Keyboard::Escape)); }},
            {"left", [this] { Send(KeyPressed(sf::Keyboard::Left)); }},
            {"a", [this] { Send(KeyPressed(sf::Keyboard::A)); }},
            {"launch", [this] { Send(LeftClick(10, 500)); }},
            {"rclick", [&] { sf::Event e = LeftClick(CentreOf(pauseMenu()->GetPlayText()).x, CentreOf(pauseMenu()->GetPlayText()).y);
                             e.mouseButton.button = sf::Mouse::Right, Send(e); }},
            {"play", [&] { Click(pauseMenu()->GetPlayText()); }},
            {"leave", [&] { Click(pauseMenu()->GetLeaveText()); }},
            {"restart", [&] { Click(overMenu()->GetRestartText()); }},
            {"quit", [&] { Click(overMenu()->GetQuitText()); }},
            {"buy", [this] { Click(game->GetShopMenu()->GetDamageBuyText()); }},
            {"continue", [this] { Click(game->GetShopMenu()->GetContinueText()); }},
            {"clear", [this] { ClearLevel(); }},
            {"shop", [this] { RunUntilShop(); }},
            {"home", [this] { RunUntilPadIsBack(); }},
            {"lose", [this] {
                 for (Entity* e : game->GetEntities())
                     typeid(*e) == typeid(Ball) ? e->SetPosition({e->GetPosition().x, 1075.f}) : void();
                 Step();
             }},
        };
        for (const auto& [words, screen] : script) {
            std::istringstream in(words);
            for (std::string word; in >> word;)
                actions.at(word)();
            ASSERT_EQ(ScreenOf(*game), screen) << "after \"" << words << "\"";
        }
    }
};

// The clock counts played time only, the music follows the menus, and a
// normal session prints nothing.
TEST_F(ScreenTransitionTest, FromTheStartMenuThroughTheShopToAGameOverAndARestart)
{
    const std::string fresh = Numbers(*game);
    CapturedStdout out;
    Play({{"", "paused start-menu bricks menu-music"},
          {"left a rclick launch", "paused start-menu bricks menu-music"},
          {"play", "bricks main-music"},
          {"esc", "paused pause-menu bricks main-music-paused menu-music"},
          {"esc", "paused pause-menu bricks main-music-paused menu-music"},
          {"esc-up esc", "bricks main-music"},
          {"esc-up launch", "launched bricks clock main-music"},
          {"esc", "paused pause-menu launched bricks main-music-paused menu-music"},
          {"esc-up play", "launched bricks clock main-music"},
          {"clear", "launched clock main-music"},
          {"shop", "launched shop main-music"},
          {"esc", "paused pause-menu launched shop main-music-paused menu-music"},
          {"esc-up play buy", "launched shop main-music"},
          {"continue", "launched returning main-music"},
          {"home", "bricks main-music"},
          {"launch", "launched bricks clock main-music"},
          {"lose", "paused game-over launched bricks main-music"},
          {"esc esc-up esc left a launch", "paused game-over launched bricks main-music"},
          {"restart", "bricks main-music"}});
    EXPECT_EQ(Numbers(*game), fresh);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(ScreenTransitionTest, LevelClearedBeforeTheLaunchLaunchesWithTheShopsFirstClick)
{
    Play({{"play clear shop", "shop main-music"},
          {"continue", "launched returning main-music"},
          {"home launch", "launched bricks clock main-music"}});
    sf::Event close{};
    close.type = sf::Event::Closed;
    Send(close);
    EXPECT_FALSE(game->IsWindowOpen());
}

TEST_F(ScreenTransitionTest, EscapeInTheLosingStepLeavesTheSameGameOverAndRestart)
{
    Play({{"play launch", "launched bricks clock main-music"},
          {"esc lose", "paused game-over launched bricks main-music"},
          {"restart", "bricks main-music"}});
}

TEST_F(ScreenTransitionTest, LeaveAndRagequitCloseTheWindow)
{
    Play({{"leave", "closed paused start-menu bricks menu-music"}});
    game->GetWindow()->create(sf::VideoMode(1920, 1080, 32), "Quadrabash");
    Play({{"play launch lose", "paused game-over launched bricks main-music"},
          {"quit", "closed paused game-over launched bricks main-music"}});
}

TEST_F(ScreenTransitionTest, WindowOpensCentredOnTheDesktop)
{
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    const sf::Vector2i centred(std::max(0, (static_cast<int>(desktop.width) - 1920) / 2),
                               std::max(0, (static_cast<int>(desktop.height) - 1080) / 2));
    EXPECT_EQ(game->GetWindow()->getPosition(), centred);
}
