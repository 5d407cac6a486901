#pragma once

#include "core/Game.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace testsupport {

// Captures everything written to std::cout while alive.
struct CapturedStdout {
    std::ostringstream buffer;
    std::streambuf* previous = std::cout.rdbuf(buffer.rdbuf());
    ~CapturedStdout() { std::cout.rdbuf(previous); }
    std::string Text() const { return buffer.str(); }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(buffer.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

// A fresh empty folder, removed with its content at the end.
struct TempDir {
    std::string path = (std::filesystem::temp_directory_path() / "quadrabash-test-XXXXXX").string();
    TempDir() { EXPECT_NE(mkdtemp(path.data()), nullptr) << path; }
    ~TempDir() { std::filesystem::remove_all(path); }
    const std::string& Path() const { return path; }
};

// The game opens its assets relative to the working directory.
struct ScopedWorkingDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit ScopedWorkingDirectory(const std::string& path)
    {
        std::filesystem::current_path(path);
    }
    ~ScopedWorkingDirectory() { std::filesystem::current_path(previous); }
};

inline std::string GameDir()
{
    return QB_GAME_DIR;
}
// The asset generator's exit status for the given shell-quoted arguments.
inline int RunGenerator(const std::string& arguments)
{
    return std::system(("'" QB_ASSETGEN_PATH "' " + arguments + " >/dev/null 2>&1").c_str());
}
sf::Event KeyPressed(sf::Keyboard::Key key, sf::Event::EventType type = sf::Event::KeyPressed);
inline sf::Event KeyReleased(sf::Keyboard::Key key)
{
    return KeyPressed(key, sf::Event::KeyReleased);
}
sf::Event LeftClick(int x, int y, sf::Mouse::Button button = sf::Mouse::Left);
inline sf::Event WindowEvent(sf::Event::EventType type)
{
    return sf::Event{type, {}};
}
// Puts every ball on the bottom edge: the next step loses them.
void LoseEveryBall(Game& game);
// The middle of a button's bounds, in whole pixels.
sf::Vector2i CentreOf(const sf::Text& button);

template <class T> int CountOf(const std::vector<Entity*>& entities)
{
    return static_cast<int>(std::count_if(entities.begin(), entities.end(),
                                          [](Entity* e) { return typeid(*e) == typeid(T); }));
}

const char* NameOf(Game::Screen screen);
// Which screen the game shows, whether the clock runs, what a player hears
// and whether a key is held, as words: one string states a whole transition.
std::string ScreenOf(const Game& game);

// A whole game as main builds it, with a seeded generator so runs repeat.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Send(const sf::Event& event) { game->HandleEvent(event); }
    void Press(sf::Keyboard::Key key);
    void Click(const sf::Text& button, sf::Mouse::Button mouseButton = sf::Mouse::Left);
    void StartPlaying();
    void Step(int count = 1);
    // Holds the level-clear key for one step.
    void ClearLevel();
    void StepUntil(const std::function<bool()>& done);
    // The loop draws the shop once before it can be clicked.
    void RunUntilShop();
    void RunUntilPadIsBack();
    // Only the pad stays; the level still counts its bricks, so it does not end.
    void ClearField();
    GameState& State() { return *game->GetState(); }
    Pad& ThePad() { return *game->GetPad(); }

    std::unique_ptr<Game> game;
};

} // namespace testsupport

using namespace testsupport;
