#pragma once

#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "state/GameState.hpp"
#include "ui/PauseMenu.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Graphics/Text.hpp>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace screentest {

// Which screen the game is on: the flags that mark it, in a fixed order.
inline std::string Screen(const Game& game)
{
    std::string screen;
    const auto flag = [&](bool set, const char* name) { screen += set ? name : ""; };
    const PauseMenu* menu = game.GetPauseMenu();
    const std::string first = menu ? menu->GetPlayText().getString().toAnsiString() : "";
    flag(game.GetState()->IsPaused(), "paused ");
    flag(first == "Start the game", "start-menu ");
    flag(first == "Resume", "pause-menu ");
    flag(menu && first != "Resume" && first != "Start the game", "other-menu ");
    flag(game.IsGameOver(), "game-over ");
    flag(game.IsBallLaunched(), "launched ");
    flag(game.GetRemainingBricks() > 0, "bricks-left ");
    flag(game.IsBetweenLevels(), "between-levels ");
    flag(game.GetState()->IsShopOpen(), "shop ");
    flag(game.IsPadReturning(), "pad-returning ");
    return screen;
}

inline const std::string kStartMenu = "paused start-menu bricks-left ";
inline const std::string kWaitingForLaunch = "bricks-left ";
inline const std::string kPlaying = "launched bricks-left ";
inline std::string Launched(bool launched) { return launched ? "launched " : ""; }
inline std::string LevelExit(bool launched) { return Launched(launched); }
inline std::string Shop(bool launched) { return Launched(launched) + "between-levels shop "; }
inline std::string PadReturn(bool launched) { return Launched(launched) + "between-levels pad-returning "; }
inline std::string PausedOver(const std::string& screen) { return "paused pause-menu " + screen; }
inline std::string LostFrom(const std::string& screen)
{
    return "paused game-over " + screen.substr(0, screen.find("between-levels"));
}

inline sf::Music::Status MusicStatus(Game& game, const std::string& name)
{
    const sf::Music* music = game.GetSoundManager()->FindMusic(name);
    EXPECT_NE(music, nullptr) << name;
    return music ? music->getStatus() : sf::Music::Stopped;
}

inline sf::Event ClickOn(const sf::Text& button)
{
    const sf::Vector2i p = testsupport::CentreOf(button.getGlobalBounds());
    return testsupport::LeftClick(p.x, p.y);
}

inline bool HasTimerError(const testsupport::CapturedStdout& out)
{
    const std::vector<std::string> lines = out.Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& l) { return l.rfind("Error->", 0) == 0; });
}

// Whole-pixel clicks just inside and just outside each edge of a button: the
// left and top edges belong to it, the right and bottom ones do not. The last
// of each is the top-left corner.
struct EdgeClicks {
    std::vector<sf::Vector2i> inside;
    std::vector<sf::Vector2i> outside;
};

inline EdgeClicks ClicksAround(const sf::FloatRect& b)
{
    const int midX = static_cast<int>(b.left + b.width / 2);
    const int midY = static_cast<int>(b.top + b.height / 2);
    const int inX = static_cast<int>(std::ceil(b.left));
    const int outRight = static_cast<int>(std::ceil(b.left + b.width));
    const int inY = static_cast<int>(std::ceil(b.top));
    const int outBottom = static_cast<int>(std::ceil(b.top + b.height));
    return {{{inX, midY}, {outRight - 1, midY}, {midX, inY}, {midX, outBottom - 1}, {inX, inY}},
            {{inX - 1, midY}, {outRight, midY}, {midX, inY - 1}, {midX, outBottom}, {inX - 1, inY - 1}}};
}

// Clears the level with the A key; the pad then leaves by itself.
inline void ClearLevel(Game& game)
{
    game.HandleEvent(testsupport::KeyPressed(sf::Keyboard::A));
    game.Update();
    game.HandleEvent(testsupport::KeyReleased(sf::Keyboard::A));
}

inline bool RunUntilShop(Game& game)
{
    for (int i = 0; i < 400 && !game.GetState()->IsShopOpen(); ++i)
        game.Update();
    game.Render();
    return game.GetState()->IsShopOpen();
}

inline bool RunUntilPadIsBack(Game& game)
{
    for (int i = 0; i < 200 && game.IsPadReturning(); ++i)
        game.Update();
    return !game.IsPadReturning();
}

} // namespace screentest
