#include "TestSupport.hpp"

#include <functional>
#include <map>

// What a new game must give back after a restart, whatever the last one did.
static std::string Numbers(const Game& game)
{
    const GameState& s = *game.GetState();
    const ShopMenu& shop = *game.GetShopMenu();
    std::ostringstream out;
    out << s.GetLevel() << ' ' << s.GetScore() << ' ' << s.GetCoins() << ' ' << s.GetBallDamage() << ' ' << s.GetBallSpeed() << ' '
        << s.GetBallsPerLevel() << ' ' << s.GetBallsInPlay() << ' ' << shop.GetDamagePrice() << ' ' << shop.GetSpeedPrice() << ' '
        << shop.GetBallsPrice() << ' ' << game.GetPad()->GetHitPoints() << ' ' << game.GetPad()->GetPosition().x << ' '
        << game.GetShakeStrength() << ' ' << game.GetRemainingBricks() << ' ' << game.IsPadControlEnabled();
    return out.str();
}

// A player's actions as words, each row followed by the screen it leads to.
// A menu's button is only pressed after a row that showed the menu.
class ScreenTransitionTest : public GameTest {
protected:
    void Play(const std::vector<std::pair<std::string, std::string>>& script)
    {
        const std::map<std::string, std::function<void()>> actions = {
            {"esc", [this] { Send(KeyPressed(sf::Keyboard::Escape)); }}, {"esc-up", [this] { Send(KeyReleased(sf::Keyboard::Escape)); }},
            {"left", [this] { Send(KeyPressed(sf::Keyboard::Left)); }}, {"a", [this] { Send(KeyPressed(sf::Keyboard::A)); }},
            {"right", [this] { Send(KeyPressed(sf::Keyboard::Right)); }}, {"over", [this] { game->GameOver(); }},
            {"launch", [this] { Send(LeftClick(10, 500)); }}, {"close", [this] { Send(sf::Event{sf::Event::Closed, {}}); }},
            {"play", [this] { Click(game->GetPauseMenu()->GetPlayText()); }},
            {"rclick", [this] { Click(game->GetPauseMenu()->GetPlayText(), sf::Mouse::Right); }},
            {"leave", [this] { Click(game->GetPauseMenu()->GetLeaveText()); }},
            {"restart", [this] { Click(game->GetGameOverMenu()->GetRestartText()); }},
            {"quit", [this] { Click(game->GetGameOverMenu()->GetQuitText()); }},
            {"buy", [this] { Click(game->GetShopMenu()->GetDamageBuyText()); }},
            {"continue", [this] { Click(game->GetShopMenu()->GetContinueText()); }},
            {"clear", [this] { ClearLevel(); }}, {"shop", [this] { RunUntilShop(); }}, {"home", [this] { RunUntilPadIsBack(); }},
            {"lose", [this] {
                 for (Entity* e : game->GetEntities())
                     typeid(*e) == typeid(Ball) ? e->SetPosition({e->GetPosition().x, 1075.f}) : void();
                 Step();
             }}};
        for (const auto& [words, screen] : script) {
            std::istringstream in(words);
            for (std::string word; in >> word;)
                actions.at(word)();
            ASSERT_EQ(ScreenOf(*game), screen) << "after \"" << words << "\"";
        }
    }
};

// The clock counts played time only, the music follows the menus, and a
// normal session prints nothing. Escape in the very step that loses the game
// leaves the same game over and restart; a restart lets go of the keys held
// when the game was lost and gives the pad back even when it was lost during
// the level exit.
TEST_F(ScreenTransitionTest, FromTheStartMenuThroughTheShopToAGameOverAndARestart)
{
    const std::string fresh = Numbers(*game);
    CapturedStdout out;
    Play({{"", "paused start-menu bricks menu-music"}, {"left a rclick launch", "paused start-menu bricks menu-music"},
        {"play", "bricks main-music"}, {"esc", "paused pause-menu bricks main-music-paused menu-music"},
        {"esc", "paused pause-menu bricks main-music-paused menu-music"}, {"esc-up esc", "bricks main-music"},
        {"esc-up launch", "launched bricks clock main-music"},
        {"esc", "paused pause-menu launched bricks main-music-paused menu-music"},
        {"esc-up play", "launched bricks clock main-music"}, {"clear", "launched clock main-music"},
        {"shop", "launched shop main-music"}, {"esc", "paused pause-menu launched shop main-music-paused menu-music"},
        {"esc-up play buy", "launched shop main-music"}, {"continue", "launched returning main-music"},
        {"home", "bricks main-music"}, {"launch", "launched bricks clock main-music"},
        {"right lose", "paused game-over launched bricks main-music keys-held"},
        {"esc esc-up esc left a launch", "paused game-over launched bricks main-music keys-held"}, {"restart", "bricks main-music"},
        {"launch", "launched bricks clock main-music"}, {"esc lose", "paused game-over launched bricks main-music"},
        {"restart launch clear over", "paused game-over launched main-music"}, {"restart", "bricks main-music"}});
    EXPECT_EQ(Numbers(*game), fresh);
    EXPECT_EQ(out.Text(), "");
}

TEST_F(ScreenTransitionTest, LevelClearedBeforeTheLaunchLaunchesWithTheShopsFirstClick)
{
    Play({{"play clear shop", "shop main-music"}, {"continue", "launched returning main-music"},
        {"home launch", "launched bricks clock main-music"}, {"close", "closed launched bricks clock main-music"}});
}

TEST_F(ScreenTransitionTest, LeaveAndRagequitCloseTheWindow)
{
    Play({{"leave", "closed paused start-menu bricks menu-music"}});
    game->GetWindow()->create(sf::VideoMode(1920, 1080, 32), "Quadrabash");
    Play({{"play launch lose", "paused game-over launched bricks main-music"}, {"quit", "closed paused game-over launched bricks main-music"}});
}

TEST_F(ScreenTransitionTest, WindowOpensCentredOnTheDesktop)
{
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    const sf::Vector2i centred(std::max(0, (int(desktop.width) - 1920) / 2), std::max(0, (int(desktop.height) - 1080) / 2));
    EXPECT_EQ(game->GetWindow()->getPosition(), centred);
}
