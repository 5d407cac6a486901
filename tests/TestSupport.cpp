#include "TestSupport.hpp"

#include "core/Resources.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

std::vector<std::string> CapturedStdout::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(buffer.str());
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "quadrabash-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& path)
    : previous(fs::current_path().string())
{
    fs::current_path(path);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
}

std::string GameDir()
{
    return QB_GAME_DIR;
}

std::vector<std::string> AllAssetNames()
{
    return {"blanc.png",
            "Brick.jpg",
            "Pixel_Coleco.otf",
            "Sounds/Last_Boss_Trove_Shadow_Tower.wav",
            "Sounds/Calm_hub.wav",
            "Sounds/ball_tap_pad.wav",
            "Sounds/ball_tap_brick.wav"};
}

void CopyAssets(const std::string& dir, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const fs::path target = fs::path(dir) / name;
        fs::create_directories(target.parent_path());
        fs::copy_file(fs::path(GameDir()) / name, target, fs::copy_options::overwrite_existing);
    }
}

sf::Event KeyPressed(sf::Keyboard::Key key)
{
    sf::Event event{};
    event.type = sf::Event::KeyPressed;
    event.key.code = key;
    return event;
}

sf::Event KeyReleased(sf::Keyboard::Key key)
{
    sf::Event event{};
    event.type = sf::Event::KeyReleased;
    event.key.code = key;
    return event;
}

namespace {
sf::Event Click(sf::Mouse::Button button, int x, int y)
{
    sf::Event event{};
    event.type = sf::Event::MouseButtonPressed;
    event.mouseButton.button = button;
    event.mouseButton.x = x;
    event.mouseButton.y = y;
    return event;
}
} // namespace

sf::Event LeftClick(int x, int y)
{
    return Click(sf::Mouse::Left, x, y);
}

sf::Event RightClick(int x, int y)
{
    return Click(sf::Mouse::Right, x, y);
}

sf::Event Closed()
{
    sf::Event event{};
    event.type = sf::Event::Closed;
    return event;
}

sf::Vector2i CentreOf(const sf::FloatRect& bounds)
{
    return sf::Vector2i(static_cast<int>(bounds.left + bounds.width / 2),
                        static_cast<int>(bounds.top + bounds.height / 2));
}

void GameTest::SetUp()
{
    SeedRandomForTesting(kGameTestSeed);
    escapeHeld = false;
    game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen()) << "no window: run the tests under xvfb-run";
}

void GameTest::TearDown()
{
    game.reset();
    escapeHeld = false;
}

void GameTest::LeaveStartMenu()
{
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyReleased(sf::Keyboard::Escape));
}

void GameTest::StartPlaying()
{
    LeaveStartMenu();
    Send(LeftClick(10, 500));
}

void GameTest::ClearField()
{
    game->DiscardAllButPad();
    game->FreeDiscarded();
}

void GameTest::Step(int n)
{
    for (int i = 0; i < n; ++i)
        game->Update();
}

void GameTest::ReachShop()
{
    Send(KeyPressed(sf::Keyboard::A));
    for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
        Step();
    Send(KeyReleased(sf::Keyboard::A));
    ASSERT_TRUE(game->GetState()->IsShopOpen()) << "the pad never left the window";
    // The loop draws a frame of the shop before it hands the shop a click.
    game->Render();
}

void GameTest::PressButton(const sf::Text& button)
{
    // Built before it is sent: the click may destroy the menu.
    const sf::Vector2i at = CentreOf(button.getGlobalBounds());
    ASSERT_GT(button.getGlobalBounds().width, 0.f) << "button has no bounds: is the font there?";
    Send(LeftClick(at.x, at.y));
}

// Every test runs from the ready-to-play folder, needs a display and plays
// sound on a backend without a device. Fail loudly rather than skip.
class TestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 0);
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "no DISPLAY: run the tests under xvfb-run";
        fs::current_path(GameDir());
    }
};

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TestEnvironment);

} // namespace testsupport
