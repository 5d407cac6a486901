#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/RandomFloat.hpp"
#include "ui/Hud.hpp"


namespace testsupport {

sf::Event KeyPressed(sf::Keyboard::Key key, sf::Event::EventType type) { sf::Event e{type, {}}; return e.key.code = key, e; }

sf::Event LeftClick(int x, int y, sf::Mouse::Button b) { sf::Event e{sf::Event::MouseButtonPressed, {}}; return e.mouseButton = {b, x, y}, e; }

sf::Vector2i CentreOf(const sf::Text& button)
{
    const sf::FloatRect b = button.getGlobalBounds();
    return sf::Vector2i(sf::Vector2f(b.left + b.width / 2, b.top + b.height / 2));
}

std::string ScreenOf(const Game& game)
{
    const sf::Music* main = game.GetSoundManager()->FindMusic("Main_music");
    const sf::Music* menuMusic = game.GetSoundManager()->FindMusic("Menu_music");
    const std::string menu = game.GetPauseMenu() ? game.GetPauseMenu()->GetPlayText().getString() : "";
    const std::pair<bool, const char*> words[] = {
        {!game.IsWindowOpen(), "closed"}, {game.GetState()->IsPaused(), "paused"},
        {menu == "Start the game", "start-menu"}, {menu == "Resume", "pause-menu"},
        {game.GetGameOverMenu() != nullptr, "game-over"}, {game.IsBallLaunched(), "launched"},
        {game.GetRemainingBricks() > 0, "bricks"}, {game.GetState()->IsShopOpen(), "shop"},
        {game.IsPadReturning(), "returning"}, {!game.GetHud()->GetTimer()->IsPaused(), "clock"},
        {main && main->getStatus() == sf::Music::Playing, "main-music"}, {main && main->getStatus() == sf::Music::Paused, "main-music-paused"},
        {menuMusic && menuMusic->getStatus() == sf::Music::Playing, "menu-music"},
        {game.IsLeftPressed() || game.IsRightPressed() || game.IsClearKeyPressed(), "keys-held"}};
    std::string screen;
    for (const auto& [shown, word] : words)
        screen += shown ? (screen.empty() ? "" : " ") + std::string(word) : "";
    return screen;
}

void GameTest::SetUp()
{
    SeedRandomForTesting(20261206u);
    escapeHeld = false;
    game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen()) << "no window: run the tests under xvfb-run";
}

void GameTest::StepUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 400 && !done(); ++i)
        Step();
    ASSERT_TRUE(done()) << "still waiting after 400 steps";
}

// Every test runs from the ready-to-play folder, on an audio backend without a device.
static const bool inGameFolder = (setenv("ALSOFT_DRIVERS", "null", 0), std::filesystem::current_path(GameDir()), true);

} // namespace testsupport
