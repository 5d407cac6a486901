#pragma once

#include "AssetFiles.hpp"
#include "audio/SoundManager.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
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

// Every test runs from the ready-to-play folder, on an audio backend without a device.
inline const bool inGameFolder = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::filesystem::current_path(QB_GAME_DIR);
    return true;
}();

// Captures everything written to a stream, standard output by default, while alive.
struct CapturedOutput {
    explicit CapturedOutput(std::ostream& captured = std::cout) : stream(captured) {}
    ~CapturedOutput() { stream.rdbuf(previous); }
    std::string Text() const { return buffer.str(); }
    std::ostream& stream;
    std::ostringstream buffer;
    std::streambuf* previous = stream.rdbuf(buffer.rdbuf());
};

// A fresh empty folder, the working directory while it lives, where the game
// looks for its assets; removed with its content at the end.
struct ScratchFolder {
    std::filesystem::path previous = std::filesystem::current_path();
    std::string path = (std::filesystem::temp_directory_path() / "quadrabash-test-XXXXXX").string();
    ScratchFolder()
    {
        EXPECT_NE(mkdtemp(path.data()), nullptr) << path;
        std::filesystem::current_path(path);
    }
    ~ScratchFolder()
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
};

// A press of the key, or the event of the type given.
inline sf::Event KeyEvent(sf::Keyboard::Key key, sf::Event::EventType type = sf::Event::KeyPressed)
{
    sf::Event event{type, {}};
    event.key.code = key;
    return event;
}
inline sf::Event MouseClick(int x, int y, sf::Mouse::Button button = sf::Mouse::Left)
{
    sf::Event event{sf::Event::MouseButtonPressed, {}};
    event.mouseButton = {button, x, y};
    return event;
}

// The middle of a button's bounds, in whole pixels.
inline sf::Vector2i CentreOf(const sf::Text& button)
{
    const sf::FloatRect bounds = button.getGlobalBounds();
    return sf::Vector2i(
        sf::Vector2f(bounds.left + bounds.width / 2, bounds.top + bounds.height / 2));
}

template <class T> int CountOf(const std::vector<Entity*>& entities)
{
    return static_cast<int>(std::count_if(entities.begin(), entities.end(),
                                          [](Entity* e) { return typeid(*e) == typeid(T); }));
}

// Puts every ball on the bottom edge: the next step loses them.
inline void LoseEveryBall(Game& game)
{
    for (Entity* e : game.GetEntities()) {
        if (typeid(*e) == typeid(Ball))
            e->SetPosition({e->GetPosition().x, 1075.f});
    }
}

inline const char* NameOf(Game::Screen screen)
{
    // In the order of the enumeration.
    static const char* const names[] = {"start-menu", "waiting", "playing",     "paused",
                                        "level-exit", "shop",    "level-entry", "game-over"};
    return names[static_cast<int>(screen)];
}

// Which screen the game shows, whether it holds still, whether the clock runs,
// what a player hears and whether a key is held, as words: one string states a
// whole transition.
inline std::string ScreenOf(const Game& game)
{
    const auto status = [&game](const char* name) {
        return game.GetSoundManager()->FindMusic(name)->getStatus();
    };
    const std::pair<bool, const char*> words[] = {
        {!game.IsWindowOpen(), "closed"},
        {true, NameOf(game.GetScreen())},
        // Nothing can have moved since the last frame: the loop need not draw.
        {game.IsStill(), "still"},
        {!game.GetHud()->GetTimer()->IsPaused(), "clock"},
        {status("Main_music") == sf::Music::Playing, "main-music"},
        {status("Main_music") == sf::Music::Paused, "main-music-paused"},
        {status("Menu_music") == sf::Music::Playing, "menu-music"},
        {game.IsAnyKeyHeld(), "keys-held"}};
    std::string screen;
    for (const auto& [shown, word] : words) {
        if (shown)
            screen += (screen.empty() ? "" : " ") + std::string(word);
    }
    return screen;
}

// A whole game as main builds it, with a seeded generator so runs repeat.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedRandomForTesting(20261206u);
        escapeHeld = false;
        game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
        game->Init();
        ASSERT_TRUE(game->IsWindowOpen())
            << "no window: run them through ctest, which gives each its own X display";
    }
    void Send(const sf::Event& event) { game->HandleEvent(event); }
    void Press(sf::Keyboard::Key key)
    {
        Send(KeyEvent(key));
        Send(KeyEvent(key, sf::Event::KeyReleased));
    }
    void Click(const sf::Text& button, sf::Mouse::Button mouseButton = sf::Mouse::Left)
    {
        const sf::Vector2i centre = CentreOf(button);
        Send(MouseClick(centre.x, centre.y, mouseButton));
    }
    void Step(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            game->Update();
    }
    // How many steps it took.
    int StepUntil(const std::function<bool()>& done)
    {
        int steps = 0;
        for (; steps < 500 && !done(); ++steps)
            Step();
        EXPECT_TRUE(done()) << "still waiting after 500 steps";
        return steps;
    }
    // Only the pad stays; the level still counts its bricks, so it does not end.
    void ClearField()
    {
        game->ClearFieldButPad();
        game->FreeDiscarded();
    }
    GameState& State() { return *game->GetState(); }
    Pad& ThePad() { return *game->GetPad(); }

    std::unique_ptr<Game> game;
};

} // namespace testsupport

using namespace testsupport;
