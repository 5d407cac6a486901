#include "TestSupport.hpp"

#include <map>

// A player's actions as words, each row followed by the screen it leads to.
// A menu's button is only pressed after a row that showed the menu.
class ScreenTransitionTest : public GameTest {
protected:
    void Play(const std::vector<std::pair<std::string, std::string>>& script)
    {
        using K = sf::Keyboard;
        const auto key = [this](K::Key code, sf::Event::EventType type = sf::Event::KeyPressed) {
            return [this, code, type] { Send(KeyEvent(code, type)); };
        };
        const auto event = [this](sf::Event::EventType type) {
            return [this, type] { Send(sf::Event{type, {}}); };
        };
        const auto up = sf::Event::KeyReleased;
        const std::map<std::string, std::function<void()>> actions = {
            {"esc", key(K::Escape)},
            {"esc-up", key(K::Escape, up)},
            {"left", key(K::Left)},
            {"right", key(K::Right)},
            // "a step a-up": the level-clear key held for one step.
            {"a", key(K::A)},
            {"a-up", key(K::A, up)},
            {"blur", event(sf::Event::LostFocus)},
            {"close", event(sf::Event::Closed)},
            {"step", [this] { Step(); }},
            // A frame; the shop draws one before it can be clicked.
            {"draw", [this] { game->Render(); }},
            {"drop", [this] { LoseEveryBall(*game); }},
            {"over", [this] { game->GameOver(); }},
            {"launch", [this] { Send(MouseClick(10, 500)); }},
            {"play", [this] { Click(game->GetPauseMenu()->GetPlayText()); }},
            {"rclick", [this] { Click(game->GetPauseMenu()->GetPlayText(), sf::Mouse::Right); }},
            {"restart", [this] { Click(game->GetGameOverMenu()->GetRestartText()); }},
            {"quit", [this] { Click(game->GetGameOverMenu()->GetQuitText()); }},
            {"buy", [this] { Click(game->GetShopMenu()->GetDamageBuyText()); }},
            {"continue", [this] { Click(game->GetShopMenu()->GetContinueText()); }},
            {"until-shop", [this] { StepUntil([this] { return State().IsShopOpen(); }); }},
            {"until-home", [this] {
                 StepUntil([this] { return game->GetScreen() != Game::Screen::LevelEntry; });
             }}};
        for (const auto& [words, screen] : script) {
            std::istringstream in(words);
            for (std::string word; in >> word;)
                actions.at(word)();
            ASSERT_EQ(ScreenOf(*game), screen) << "after \"" << words << "\"";
        }
    }
};

// The clock counts played time only and the music follows the menus. A key still held when the
// window loses focus is let go: Escape does not block the next one, an arrow does not steer. Escape
// in the very step that loses the game leaves the same game over and restart; a restart lets go of
// the keys held when the game was lost and gives the pad back even when it was lost during the
// level exit. A level cleared before the launch launches with the first click after the shop; the
// window's close button closes it.
TEST_F(ScreenTransitionTest, FromTheStartMenuThroughTheShopToAGameOverAndARestart)
{
    Play({{"draw", "start-menu still menu-music"},
          {"left a rclick launch", "start-menu still menu-music"},
          {"play", "waiting main-music"},
          {"esc", "paused main-music-paused menu-music"},
          {"esc", "paused main-music-paused menu-music"},
          {"esc-up esc", "waiting main-music"},
          {"esc blur esc right blur", "waiting main-music"},
          {"esc-up launch", "playing clock main-music"},
          {"esc", "paused main-music-paused menu-music"},
          {"esc-up play", "playing clock main-music"},
          {"a step a-up", "level-exit clock main-music"},
          {"until-shop draw", "shop still main-music"},
          {"esc", "paused main-music-paused menu-music"},
          {"esc-up play buy", "shop still main-music"},
          {"continue", "level-entry main-music"},
          {"until-home", "waiting main-music"},
          {"launch draw", "playing clock main-music"},
          {"right drop step draw", "game-over still main-music keys-held"},
          {"esc esc-up esc left a launch", "game-over still main-music keys-held"},
          {"restart", "waiting main-music"},
          {"launch", "playing clock main-music"},
          {"esc drop step", "game-over main-music"},
          {"restart launch a step a-up over", "game-over main-music"},
          {"restart", "waiting main-music"},
          {"a step a-up until-shop draw", "shop still main-music"},
          {"continue until-home launch", "playing clock main-music"},
          {"close", "closed playing clock main-music"}});
}

// "Leave" is pressed in the end-to-end run.
TEST_F(ScreenTransitionTest, RagequitClosesTheWindow)
{
    Play({{"play launch drop step", "game-over main-music"},
          {"quit", "closed game-over main-music"}});
}
