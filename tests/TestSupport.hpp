#pragma once

#include "core/Game.hpp"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>
#include <iostream>
#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

namespace testsupport {

// Captures everything written to std::cout while alive.
class CapturedStdout {
public:
    CapturedStdout() : previous(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CapturedStdout() { std::cout.rdbuf(previous); }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string Text() const { return buffer.str(); }
    std::vector<std::string> Lines() const;
    void Clear() { buffer.str(std::string()); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};

// A fresh empty folder under /tmp, removed with its content at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path; }

private:
    std::string path;
};

// Changes the working directory for the lifetime of the object; the game
// opens its assets relative to it.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& path);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::string previous;
};

// The ready-to-play folder with every generated asset.
std::string GameDir();
// Copies the named assets (relative paths) from the game folder into dir.
void CopyAssets(const std::string& dir, const std::vector<std::string>& names);
std::vector<std::string> AllAssetNames();

sf::Event KeyPressed(sf::Keyboard::Key key);
sf::Event KeyReleased(sf::Keyboard::Key key);
sf::Event LeftClick(int x, int y);
sf::Event RightClick(int x, int y);
sf::Event Closed();
// A point well inside a text's global bounds.
sf::Vector2i CentreOf(const sf::FloatRect& bounds);

// The game's generator replayed on the side: MT19937, one output per draw,
// u = output * 2^-32 in single precision, then u * (max - min) + min. Seed it
// like the game (SeedRandomForTesting) to predict every draw.
class ReplayedRandom {
public:
    explicit ReplayedRandom(std::uint32_t seed) : generator(seed) {}
    float Next(float min, float max)
    {
        const float u = static_cast<float>(static_cast<std::uint32_t>(generator())) * 0x1p-32f;
        const float range = max - min;
        const float scaled = u * range;
        return scaled + min;
    }
    void Skip(int draws) { generator.discard(static_cast<unsigned long long>(draws)); }

private:
    std::mt19937 generator;
};

// The seed GameTest gives the game's generator before Init.
constexpr std::uint32_t kGameTestSeed = 20261206u;

template <class T>
int CountOf(const std::vector<Entity*>& entities)
{
    int n = 0;
    for (const Entity* e : entities)
        n += typeid(*e) == typeid(T) ? 1 : 0;
    return n;
}

template <class T>
std::vector<T*> AllOf(const std::vector<Entity*>& entities)
{
    std::vector<T*> found;
    for (Entity* e : entities)
        if (typeid(*e) == typeid(T))
            found.push_back(static_cast<T*>(e));
    return found;
}

// A whole game as main builds it: window under Xvfb, assets from the game
// folder, the random generator seeded so runs repeat.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Leaves the start menu the way a player does, with Escape.
    void LeaveStartMenu();
    // Leaves the start menu and launches the balls with a click.
    void StartPlaying();
    // Runs n frame steps as the loop would while playing.
    void Step(int n = 1);
    // Clears the level with the A key, steps until the shop opens and draws it.
    void ReachShop();
    // Left-clicks the middle of a drawn button.
    void PressButton(const sf::Text& button);
    void Send(const sf::Event& event) { game->HandleEvent(event); }
    // Leaves only the pad on the field, for scenes built by hand; the level
    // still counts its bricks, so the exit stays out of the way.
    void ClearField();

    std::unique_ptr<Game> game;
};

} // namespace testsupport
