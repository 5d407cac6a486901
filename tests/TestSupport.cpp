#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"

namespace testsupport {

sf::Event KeyPressed(sf::Keyboard::Key key, sf::Event::EventType type)
{
    sf::Event event{type, {}};
    event.key.code = key;
    return event;
}

sf::Event LeftClick(int x, int y, sf::Mouse::Button button)
{
    sf::Event event{sf::Event::MouseButtonPressed, {}};
    event.mouseButton = {button, x, y};
    return event;
}

sf::Vector2i CentreOf(const sf::Text& button)
{
    const sf::FloatRect bounds = button.getGlobalBounds();
    return sf::Vector2i(
        sf::Vector2f(bounds.left + bounds.width / 2, bounds.top + bounds.height / 2));
}

void LoseEveryBall(Game& game)
{
    for (Entity* e : game.GetEntities()) {
        if (typeid(*e) == typeid(Ball))
            e->SetPosition({e->GetPosition().x, 1075.f});
    }
}

const char* NameOf(Game::Screen screen)
{
    // In the order of the enumeration.
    static const char* const names[] = {"start-menu", "waiting", "playing",     "paused",
                                        "level-exit", "shop",    "level-entry", "game-over"};
    return names[static_cast<int>(screen)];
}

std::string ScreenOf(const Game& game)
{
    const SoundManager& sound = *game.GetSoundManager();
    const auto status = [&sound](const char* name) {
        const sf::Music* music = sound.FindMusic(name);
        return music ? music->getStatus() : sf::Music::Stopped;
    };
    const std::pair<bool, const char*> words[] = {
        {!game.IsWindowOpen(), "closed"},
        {true, NameOf(game.GetScreen())},
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

void GameTest::SetUp()
{
    SeedRandomForTesting(20261206u);
    escapeHeld = false;
    game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen()) << "no window: run them through ctest, which gives each its own X display";
}

void GameTest::TearDown()
{
    game.reset();
    escapeHeld = false;
}

void GameTest::Press(sf::Keyboard::Key key)
{
    Send(KeyPressed(key));
    Send(KeyReleased(key));
}

void GameTest::Click(const sf::Text& button, sf::Mouse::Button mouseButton)
{
    const sf::Vector2i centre = CentreOf(button);
    Send(LeftClick(centre.x, centre.y, mouseButton));
}

void GameTest::Step(int count)
{
    for (int i = 0; i < count; ++i)
        game->Update();
}

void GameTest::StartPlaying()
{
    Press(sf::Keyboard::Escape);
    Send(LeftClick(10, 500));
}

void GameTest::ClearLevel()
{
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
}

void GameTest::RunUntilShop()
{
    StepUntil([this] { return State().IsShopOpen(); });
    game->Render();
}

void GameTest::RunUntilPadIsBack()
{
    StepUntil([this] { return game->GetScreen() != Game::Screen::LevelEntry; });
}

void GameTest::ClearField()
{
    game->ClearFieldButPad();
    game->FreeDiscarded();
}

void GameTest::StepUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 400 && !done(); ++i)
        Step();
    ASSERT_TRUE(done()) << "still waiting after 400 steps";
}

// Every test runs from the ready-to-play folder, on an audio backend without a device.
static const bool inGameFolder = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::filesystem::current_path(GameDir());
    return true;
}();

} // namespace testsupport
