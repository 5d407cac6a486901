#include "ScreenTestSupport.hpp"

#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/ShopMenu.hpp"
#include "ui/TextLayout.hpp"
#include "ui/ToString.hpp"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <cstdlib>

using namespace testsupport;
using namespace screentest;

namespace {

const sf::Color kBackground(36, 4, 4);

// Menu texts are centred by their local bounds: none is scaled or moved off its origin.
void ExpectCentred(const sf::Text& text, const std::string& string, unsigned size,
                   sf::Color colour, float offset)
{
    SCOPED_TRACE(string);
    EXPECT_EQ(text.getString().toAnsiString(), string);
    EXPECT_EQ(text.getCharacterSize(), size);
    EXPECT_EQ(text.getFillColor(), colour);
    const sf::FloatRect measured = text.getLocalBounds();
    ASSERT_GT(measured.width, 0.f);
    EXPECT_FLOAT_EQ(text.getPosition().x, 960.f - measured.width * 0.5f);
    EXPECT_FLOAT_EQ(text.getPosition().y, 540.f - measured.height * 0.5f + offset);
}

void ExpectBand(const sf::RectangleShape& band, float width)
{
    EXPECT_FLOAT_EQ(band.getSize().x, width);
    EXPECT_FLOAT_EQ(band.getSize().y, 1080.f);
    EXPECT_FLOAT_EQ(band.getPosition().x, 960.f - width / 2.f);
    EXPECT_FLOAT_EQ(band.getPosition().y, 0.f);
    EXPECT_EQ(band.getFillColor(), sf::Color(0, 0, 0, 191));
}

sf::Image Capture(sf::RenderWindow& window)
{
    sf::Texture texture;
    EXPECT_TRUE(texture.create(window.getSize().x, window.getSize().y));
    texture.update(window);
    return texture.copyToImage();
}

template <class Test>
int CountIn(const sf::Image& image, const sf::IntRect& area, Test test)
{
    int count = 0;
    for (int y = std::max(area.top, 0); y < std::min(area.top + area.height, 1080); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.left + area.width, 1920); ++x)
            count += test(image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y))) ? 1 : 0;
    return count;
}

bool IsBright(sf::Color c) { return c.r > 180 && c.g > 180 && c.b > 180; }
bool IsRed(sf::Color c) { return c.r > 180 && c.g < 60 && c.b < 60; }
bool IsNotBackground(sf::Color c) { return c != kBackground; }

} // namespace

TEST(MenuBuildingBlocks, NumbersAndWindows1252Texts)
{
    EXPECT_EQ(ToString(0).toAnsiString(), "0");
    EXPECT_EQ(ToString(-12).toAnsiString(), "-12");
    EXPECT_EQ(ToString(1000000).toAnsiString(), "1000000");
    // Bytes above 0x7F become the code point of the same value, never negative.
    const sf::String text = FromWindows1252("d\xE9g\xFF");
    ASSERT_EQ(text.getSize(), 4u);
    EXPECT_EQ(text[0], U'd');
    EXPECT_EQ(text[1], 0xE9u);
    EXPECT_EQ(text[3], 0xFFu);
}

TEST(MenuBuildingBlocks, ButtonOwnsItsLeftAndTopEdgesButNotItsRightAndBottomEdges)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile(resourceRoot + "Pixel_Coleco.otf"));
    sf::Text button;
    SetUpText(button, font, "Acheter", 40, sf::Color::White);
    const sf::FloatRect local = button.getLocalBounds();
    // Left and top edges on whole pixels at (100, 200).
    button.setPosition(100.f - local.left, 200.f - local.top);
    sf::FloatRect b = button.getGlobalBounds();
    ASSERT_EQ(sf::Vector2f(b.left, b.top), sf::Vector2f(100.f, 200.f));
    int midX = static_cast<int>(b.left + b.width / 2), midY = static_cast<int>(b.top + b.height / 2);
    EXPECT_TRUE(IsHit(button, {100, 200}));
    EXPECT_FALSE(IsHit(button, {99, midY}));
    EXPECT_FALSE(IsHit(button, {midX, 199}));
    // Right and bottom edges on whole pixels at (300, 400).
    button.setPosition(300.f - (local.left + local.width), 400.f - (local.top + local.height));
    b = button.getGlobalBounds();
    ASSERT_EQ(sf::Vector2f(b.left + b.width, b.top + b.height), sf::Vector2f(300.f, 400.f));
    midX = static_cast<int>(b.left + b.width / 2);
    midY = static_cast<int>(b.top + b.height / 2);
    EXPECT_TRUE(IsHit(button, {299, 399}));
    EXPECT_FALSE(IsHit(button, {300, midY}));
    EXPECT_FALSE(IsHit(button, {midX, 400}));
    EXPECT_FALSE(IsHit(sf::Text(), {0, 0}));
}

class MenuTest : public GameTest {
protected:
    PauseMenu& pause()
    {
        EXPECT_NE(game->GetPauseMenu(), nullptr);
        return *game->GetPauseMenu();
    }
    void PauseDuringPlay()
    {
        Send(KeyPressed(sf::Keyboard::Escape));
        Send(KeyReleased(sf::Keyboard::Escape));
    }
    void ExpectPauseLayout(const char* first)
    {
        PauseMenu& m = pause();
        ExpectBand(m.GetBackdrop(), 640.f);
        EXPECT_FLOAT_EQ(m.GetBackdrop().getPosition().x, 640.f);
        ExpectCentred(m.GetPlayText(), first, 30, sf::Color::White, -50.f);
        ExpectCentred(m.GetLeaveText(), "Leave", 30, sf::Color::White, 50.f);
        const std::vector<const sf::Drawable*> order = {&m.GetBackdrop(), &m.GetPlayText(),
                                                        &m.GetLeaveText()};
        EXPECT_EQ(m.GetDrawables(), order);
    }
};

TEST_F(MenuTest, StartButtonStartsWithoutLaunchingAndTheNextClickLaunches)
{
    ExpectPauseLayout("Start the game");
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Playing);

    Send(ClickOn(pause().GetPlayText()));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Stopped);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    game->Render();

    Send(LeftClick(960, 500));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());

    // Paused during play the same menu reads "Resume"; the music swaps both ways.
    PauseDuringPlay();
    ExpectPauseLayout("Resume");
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Paused);
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Playing);
    Send(ClickOn(pause().GetPlayText()));
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Stopped);
    EXPECT_TRUE(game->IsBallLaunched());
}

TEST_F(MenuTest, HoldingEscapePausesOnceUntilItIsReleased)
{
    StartPlaying();
    Send(KeyPressed(sf::Keyboard::Escape));
    const PauseMenu* first = game->GetPauseMenu();
    ASSERT_NE(first, nullptr);
    // Key repeats of the held Escape.
    for (int repeat = 0; repeat < 2; ++repeat) {
        Send(KeyPressed(sf::Keyboard::Escape));
        EXPECT_TRUE(game->GetState()->IsPaused()) << repeat;
    }
    EXPECT_EQ(game->GetPauseMenu(), first);

    Send(KeyReleased(sf::Keyboard::Escape));
    EXPECT_FALSE(escapeHeld);
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    Send(KeyReleased(sf::Keyboard::Escape));

    // A click batched after Escape reaches the menu it opened: (960, 490) is "Resume".
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(LeftClick(960, 490));
    EXPECT_FALSE(game->GetState()->IsPaused());
}

TEST_F(MenuTest, OnlyLeftClicksInsideAButtonActAndEachActsOnce)
{
    const PauseMenu* before = game->GetPauseMenu();
    std::vector<sf::Vector2i> misses = {{700, 100}, {1279, 540}, {100, 540}, {1800, 540}};
    for (const sf::Vector2i& p : ClicksAround(pause().GetLeaveText().getGlobalBounds()).outside)
        misses.push_back(p);
    for (const sf::Vector2i& p : misses)
        Send(LeftClick(p.x, p.y));
    for (const sf::Text* button : {&pause().GetPlayText(), &pause().GetLeaveText()})
        Send(RightClick(CentreOf(button->getGlobalBounds()).x, CentreOf(button->getGlobalBounds()).y));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), before);
    EXPECT_TRUE(game->IsWindowOpen());

    // Each hit resumes; pause again for the next one.
    LeaveStartMenu();
    Send(LeftClick(10, 500));
    PauseDuringPlay();
    const EdgeClicks clicks = ClicksAround(pause().GetPlayText().getGlobalBounds());
    for (const sf::Vector2i& p : clicks.outside) {
        Send(LeftClick(p.x, p.y));
        EXPECT_TRUE(game->GetState()->IsPaused()) << "outside " << p.x << "," << p.y;
    }
    for (const sf::Vector2i& p : clicks.inside) {
        ASSERT_TRUE(game->GetState()->IsPaused());
        Send(LeftClick(p.x, p.y));
        EXPECT_EQ(game->GetPauseMenu(), nullptr) << "inside " << p.x << "," << p.y;
        PauseDuringPlay();
    }
}

TEST_F(MenuTest, LeaveOnTheStartMenuClosesTheWindow)
{
    Send(ClickOn(pause().GetLeaveText()));
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_TRUE(game->GetState()->IsPaused());
}

TEST_F(MenuTest, LeaveOnThePauseMenuClosesTheWindowFromItsCorner)
{
    StartPlaying();
    PauseDuringPlay();
    const sf::Vector2i corner = ClicksAround(pause().GetLeaveText().getGlobalBounds()).inside.back();
    Send(LeftClick(corner.x, corner.y));
    EXPECT_FALSE(game->IsWindowOpen());
}

TEST_F(MenuTest, GameOverShowsARedTitleAndOnlyRestartOrRagequitAct)
{
    StartPlaying();
    game->GetState()->SetCoins(321);
    game->GameOver();
    GameOverMenu& m = *game->GetGameOverMenu();
    ExpectBand(m.GetBackdrop(), 1920.f / 1.75f);
    ExpectCentred(m.GetTitleText(), "You are bad!", 75, sf::Color::Red, -200.f);
    ExpectCentred(m.GetRestartText(), "Restart the game", 30, sf::Color::White, -50.f);
    ExpectCentred(m.GetQuitText(), "Ragequit", 30, sf::Color::White, 50.f);
    const std::vector<const sf::Drawable*> order = {&m.GetBackdrop(), &m.GetTitleText(),
                                                    &m.GetRestartText(), &m.GetQuitText()};
    EXPECT_EQ(m.GetDrawables(), order);

    // The title, right clicks and near misses do nothing.
    Send(ClickOn(m.GetTitleText()));
    const sf::Vector2i restart = CentreOf(m.GetRestartText().getGlobalBounds());
    Send(RightClick(restart.x, restart.y));
    const EdgeClicks clicks = ClicksAround(m.GetRestartText().getGlobalBounds());
    for (const sf::Vector2i& p : clicks.outside)
        Send(LeftClick(p.x, p.y));
    EXPECT_EQ(game->GetGameOverMenu(), &m);
    EXPECT_EQ(game->GetState()->GetCoins(), 321);

    Send(LeftClick(clicks.inside.back().x, clicks.inside.back().y));
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_EQ(game->GetGameOverMenu(), nullptr);
    EXPECT_EQ(game->GetState()->GetCoins(), 0);

    game->GameOver();
    Send(ClickOn(game->GetGameOverMenu()->GetQuitText()));
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_TRUE(game->IsGameOver());
}

TEST(MenuWithoutFont, ScreensReportOnceShowNothingAndIgnoreClicksButPlayGoesOn)
{
    SeedRandomForTesting(7u);
    escapeHeld = false;
    TempDir dir;
    std::vector<std::string> assets = AllAssetNames();
    assets.erase(std::remove(assets.begin(), assets.end(), "Pixel_Coleco.otf"), assets.end());
    CopyAssets(dir.Path(), assets);
    ScopedWorkingDirectory cwd(dir.Path());

    CapturedStdout out;
    auto game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen());
    const auto reports = [&](const char* screen) {
        const std::vector<std::string> lines = out.Lines();
        return std::count(lines.begin(), lines.end(), std::string(screen) + "() => Cannot load custom font.");
    };
    EXPECT_EQ(reports("Hud"), 1) << out.Text();
    EXPECT_EQ(reports("PauseMenu"), 1);
    EXPECT_EQ(reports("ShopMenu"), 1);
    EXPECT_FALSE(game->GetHud()->IsFontLoaded());

    // Start menu: nothing drawn, no click lands, Escape still starts play.
    EXPECT_TRUE(game->GetPauseMenu()->GetDrawables().empty());
    for (const sf::Vector2i& p : std::vector<sf::Vector2i>{{960, 490}, {960, 590}})
        game->HandleEvent(LeftClick(p.x, p.y));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->IsWindowOpen());
    game->Render();
    // No band, no Hud: the strip above the bricks is bare background.
    EXPECT_EQ(CountIn(Capture(*game->GetWindow()), {0, 0, 1920, 55}, IsNotBackground), 0);
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());

    // The Hud clock works without its texts; pausing reports once more.
    Timer& clock = *game->GetHud()->GetTimer();
    game->HandleEvent(LeftClick(10, 500));
    EXPECT_FALSE(clock.IsPaused());
    game->HandleEvent(KeyReleased(sf::Keyboard::Escape));
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(clock.IsPaused());
    EXPECT_EQ(reports("PauseMenu"), 2);
    game->HandleEvent(KeyReleased(sf::Keyboard::Escape));
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_FALSE(clock.IsPaused());

    // Shop: drawn as nothing, no button answers.
    ClearLevel(*game);
    ASSERT_TRUE(RunUntilShop(*game));
    EXPECT_TRUE(game->GetShopMenu()->GetDrawables().empty());
    const int coins = game->GetState()->GetCoins();
    for (const sf::Vector2i& p : std::vector<sf::Vector2i>{{150, 870}, {850, 870}, {1550, 870}, {800, 130}})
        game->HandleEvent(LeftClick(p.x, p.y));
    EXPECT_EQ(game->GetState()->GetCoins(), coins);
    EXPECT_TRUE(game->GetState()->IsShopOpen());
    EXPECT_FALSE(game->IsPadReturning());

    // Game over: reported once, nothing drawn, its buttons never answer.
    EXPECT_EQ(reports("GameOverMenu"), 0);
    game->GameOver();
    ASSERT_TRUE(game->IsGameOver());
    EXPECT_EQ(reports("GameOverMenu"), 1);
    EXPECT_TRUE(game->GetGameOverMenu()->GetDrawables().empty());
    for (const sf::Vector2i& p : std::vector<sf::Vector2i>{{960, 490}, {960, 590}})
        game->HandleEvent(LeftClick(p.x, p.y));
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->IsWindowOpen());
    game->Render();
    EXPECT_EQ(reports("Hud"), 1);
    EXPECT_EQ(reports("ShopMenu"), 1);
}

namespace {

// A text is drawn where its button answers: lit pixels inside its bounds
// (one pixel of slack for smoothing) and none in the ring around them.
template <class Test>
void ExpectDrawnWithinBounds(const sf::Image& frame, const sf::Text& text, Test lit)
{
    SCOPED_TRACE(text.getString().toAnsiString());
    const sf::FloatRect b = text.getGlobalBounds();
    const auto grown = [&](int margin) {
        const int left = static_cast<int>(std::floor(b.left)) - margin;
        const int top = static_cast<int>(std::floor(b.top)) - margin;
        return sf::IntRect(left, top, static_cast<int>(std::ceil(b.left + b.width)) + margin - left,
                           static_cast<int>(std::ceil(b.top + b.height)) + margin - top);
    };
    const int inside = CountIn(frame, grown(1), lit);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(CountIn(frame, grown(8), lit), inside);
}

} // namespace

class ScreensAsDrawn : public GameTest {
protected:
    // Also written out as pictures when QB_SCREENSHOT_DIR is set (tools/menu_screenshots.sh).
    sf::Image Frame(const char* name)
    {
        game->Render();
        const sf::Image frame = Capture(*game->GetWindow());
        if (const char* dir = std::getenv("QB_SCREENSHOT_DIR")) {
            EXPECT_TRUE(frame.saveToFile(std::string(dir) + "/" + name + ".png"));
        }
        return frame;
    }
};

TEST_F(ScreensAsDrawn, MenusAndShopAreDrawnWhereTheirButtonsAnswer)
{
    // Start menu: a translucent band from x = 640 to 1280, the Hud's coins row above the bricks.
    sf::Image frame = Frame("start_menu");
    EXPECT_EQ(frame.getPixel(639, 300), kBackground);
    EXPECT_LT(frame.getPixel(640, 300).r, 20);
    EXPECT_LT(frame.getPixel(1279, 300).r, 20);
    EXPECT_EQ(frame.getPixel(1280, 300), kBackground);
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetPlayText(), IsBright);
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetLeaveText(), IsBright);
    EXPECT_GT(CountIn(frame, {0, 0, 400, 58}, IsBright), 50);
    EXPECT_EQ(CountIn(frame, {1300, 0, 500, 55}, IsNotBackground), 0);

    StartPlaying();
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyReleased(sf::Keyboard::Escape));
    frame = Frame("pause_menu");
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetPlayText(), IsBright);
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetLeaveText(), IsBright);
    Send(KeyPressed(sf::Keyboard::Escape));

    ClearLevel(*game);
    ASSERT_TRUE(RunUntilShop(*game));
    frame = Frame("shop");
    const ShopMenu& shop = *game->GetShopMenu();
    for (const sf::Drawable* drawable : shop.GetDrawables())
        ExpectDrawnWithinBounds(frame, *static_cast<const sf::Text*>(drawable), IsBright);
    EXPECT_GT(CountIn(frame, {0, 15, 400, 40}, IsBright), 20);

    // Level 2, then a loss: a wider band, a red title and two white buttons.
    Send(ClickOn(shop.GetContinueText()));
    ASSERT_TRUE(RunUntilPadIsBack(*game));
    game->GameOver();
    frame = Frame("game_over");
    const GameOverMenu& over = *game->GetGameOverMenu();
    EXPECT_EQ(frame.getPixel(400, 300), kBackground);
    EXPECT_LT(frame.getPixel(420, 300).r, 20);
    EXPECT_LT(frame.getPixel(1500, 300).r, 20);
    EXPECT_EQ(frame.getPixel(1520, 300), kBackground);
    ExpectDrawnWithinBounds(frame, over.GetTitleText(), IsRed);
    EXPECT_EQ(CountIn(frame, sf::IntRect(over.GetTitleText().getGlobalBounds()), IsBright), 0);
    ExpectDrawnWithinBounds(frame, over.GetRestartText(), IsBright);
    ExpectDrawnWithinBounds(frame, over.GetQuitText(), IsBright);
}
