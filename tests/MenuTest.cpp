#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/Hud.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"
#include "ui/TextLayout.hpp"
#include "ui/ToString.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

using namespace testsupport;

namespace {

// Integer clicks just inside and just outside each edge of a button, under
// the rule that the left and top edges belong to it and the right and bottom
// edges do not.
struct EdgeClicks {
    std::vector<sf::Vector2i> inside;
    std::vector<sf::Vector2i> outside;
};

EdgeClicks ClicksAround(const sf::FloatRect& b)
{
    const int midX = static_cast<int>(b.left + b.width / 2);
    const int midY = static_cast<int>(b.top + b.height / 2);
    const int firstInX = static_cast<int>(std::ceil(b.left));
    const int firstOutRight = static_cast<int>(std::ceil(b.left + b.width));
    const int firstInY = static_cast<int>(std::ceil(b.top));
    const int firstOutBottom = static_cast<int>(std::ceil(b.top + b.height));
    EdgeClicks clicks;
    clicks.inside = {{firstInX, midY}, {firstOutRight - 1, midY}, {midX, firstInY},
                     {midX, firstOutBottom - 1}};
    clicks.outside = {{firstInX - 1, midY}, {firstOutRight, midY}, {midX, firstInY - 1},
                      {midX, firstOutBottom}};
    return clicks;
}

sf::Music::Status MusicStatus(Game& game, const std::string& name)
{
    const sf::Music* music = game.GetSoundManager()->FindMusic(name);
    EXPECT_NE(music, nullptr) << name;
    return music ? music->getStatus() : sf::Music::Stopped;
}

// A text is centred by its size measured at (0, 0): its local bounds, since
// no menu text is scaled, rotated or moved off its origin.
void ExpectCentred(const sf::Text& text, const std::string& string, unsigned size,
                   sf::Color colour, float offset)
{
    SCOPED_TRACE(string);
    EXPECT_EQ(text.getString().toAnsiString(), string);
    EXPECT_EQ(text.getCharacterSize(), size);
    EXPECT_EQ(text.getFillColor(), colour);
    EXPECT_NE(text.getFont(), nullptr);
    EXPECT_EQ(text.getOrigin(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(text.getScale(), sf::Vector2f(1.f, 1.f));
    EXPECT_EQ(text.getRotation(), 0.f);
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
    EXPECT_EQ(band.getOutlineThickness(), 0.f);
}

sf::Image Capture(sf::RenderWindow& window)
{
    sf::Texture texture;
    EXPECT_TRUE(texture.create(window.getSize().x, window.getSize().y));
    texture.update(window);
    return texture.copyToImage();
}

int CountPixelsUnlike(const sf::Image& image, sf::Color background, sf::IntRect area)
{
    int count = 0;
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            count += image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)) == background
                         ? 0
                         : 1;
    return count;
}

const sf::Color kBackground(36, 4, 4);

} // namespace

// ---------------------------------------------------------------- building blocks

TEST(MenuBuildingBlocks, NumbersAreWrittenPlainWithoutGrouping)
{
    EXPECT_EQ(ToString(0).toAnsiString(), "0");
    EXPECT_EQ(ToString(-12).toAnsiString(), "-12");
    EXPECT_EQ(ToString(1000000).toAnsiString(), "1000000");
    EXPECT_EQ(ToString(7).toAnsiString(), "7");
    EXPECT_EQ(ToString(INT_MAX).toAnsiString(), "2147483647");
    EXPECT_EQ(ToString(INT_MIN).toAnsiString(), "-2147483648");
}

TEST(MenuBuildingBlocks, Windows1252BytesBecomeTheCodePointOfTheSameValue)
{
    const sf::String text = FromWindows1252("d\xE9gats");
    ASSERT_EQ(text.getSize(), 6u);
    EXPECT_EQ(text[0], U'd');
    EXPECT_EQ(text[1], 0xE9u);
    EXPECT_EQ(text[2], U'g');
    // Bytes above 0x7F must not turn negative or into replacement characters.
    const sf::String high = FromWindows1252("\x80\xA0\xFF");
    ASSERT_EQ(high.getSize(), 3u);
    EXPECT_EQ(high[0], 0x80u);
    EXPECT_EQ(high[1], 0xA0u);
    EXPECT_EQ(high[2], 0xFFu);
    EXPECT_EQ(FromWindows1252("").getSize(), 0u);
}

TEST(MenuBuildingBlocks, ButtonOwnsItsLeftAndTopEdgesButNotItsRightAndBottomEdges)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile(resourceRoot + "Pixel_Coleco.otf"));
    sf::Text button;
    SetUpText(button, font, "Acheter", 40, sf::Color::White);
    const sf::FloatRect local = button.getLocalBounds();
    ASSERT_GT(local.width, 2.f);
    ASSERT_GT(local.height, 2.f);

    // Place the text so that its left and top edges fall on whole pixels.
    button.setPosition(100.f - local.left, 200.f - local.top);
    sf::FloatRect b = button.getGlobalBounds();
    ASSERT_EQ(b.left, 100.f);
    ASSERT_EQ(b.top, 200.f);
    const int midY = static_cast<int>(b.top + b.height / 2);
    const int midX = static_cast<int>(b.left + b.width / 2);
    EXPECT_TRUE(IsHit(button, {100, midY}));
    EXPECT_FALSE(IsHit(button, {99, midY}));
    EXPECT_TRUE(IsHit(button, {midX, 200}));
    EXPECT_FALSE(IsHit(button, {midX, 199}));
    EXPECT_TRUE(IsHit(button, {100, 200}));

    // And now its right and bottom edges.
    button.setPosition(300.f - (local.left + local.width), 400.f - (local.top + local.height));
    b = button.getGlobalBounds();
    ASSERT_EQ(b.left + b.width, 300.f);
    ASSERT_EQ(b.top + b.height, 400.f);
    const int midY2 = static_cast<int>(b.top + b.height / 2);
    const int midX2 = static_cast<int>(b.left + b.width / 2);
    EXPECT_FALSE(IsHit(button, {300, midY2}));
    EXPECT_TRUE(IsHit(button, {299, midY2}));
    EXPECT_FALSE(IsHit(button, {midX2, 400}));
    EXPECT_TRUE(IsHit(button, {midX2, 399}));
    EXPECT_FALSE(IsHit(button, {300, 400}));
    EXPECT_TRUE(IsHit(button, {299, 399}));
}

TEST(MenuBuildingBlocks, ATextWithoutFontCannotBeHit)
{
    sf::Text empty;
    EXPECT_FALSE(IsHit(empty, {0, 0}));
    EXPECT_FALSE(IsHit(empty, {1, 1}));
}

// ---------------------------------------------------------------- pause menu

class PauseMenuTest : public GameTest {
protected:
    PauseMenu& menu()
    {
        PauseMenu* m = game->GetPauseMenu();
        EXPECT_NE(m, nullptr);
        return *m;
    }
    void PauseDuringPlay()
    {
        Send(KeyPressed(sf::Keyboard::Escape));
        Send(KeyReleased(sf::Keyboard::Escape));
    }
};

TEST_F(PauseMenuTest, BandWithTwoButtonsStackedAroundTheCentreInBothModes)
{
    PauseMenu& m = menu();
    ExpectBand(m.GetBackdrop(), 640.f);
    EXPECT_FLOAT_EQ(m.GetBackdrop().getPosition().x, 640.f);
    ExpectCentred(m.GetPlayText(), "Start the game", 30, sf::Color::White, -50.f);
    ExpectCentred(m.GetLeaveText(), "Leave", 30, sf::Color::White, 50.f);

    const std::vector<const sf::Drawable*>& drawables = m.GetDrawables();
    ASSERT_EQ(drawables.size(), 3u);
    EXPECT_EQ(drawables[0], static_cast<const sf::Drawable*>(&m.GetBackdrop()));
    EXPECT_EQ(drawables[1], static_cast<const sf::Drawable*>(&m.GetPlayText()));
    EXPECT_EQ(drawables[2], static_cast<const sf::Drawable*>(&m.GetLeaveText()));

    // The two buttons do not overlap: "Leave" sits below the first button.
    EXPECT_LT(m.GetPlayText().getGlobalBounds().top + m.GetPlayText().getGlobalBounds().height,
              m.GetLeaveText().getGlobalBounds().top);

    // Paused during play, the same menu reads "Resume".
    StartPlaying();
    PauseDuringPlay();
    PauseMenu& paused = menu();
    ExpectBand(paused.GetBackdrop(), 640.f);
    ExpectCentred(paused.GetPlayText(), "Resume", 30, sf::Color::White, -50.f);
    ExpectCentred(paused.GetLeaveText(), "Leave", 30, sf::Color::White, 50.f);
    ASSERT_EQ(paused.GetDrawables().size(), 3u);
    EXPECT_EQ(paused.GetDrawables()[1], static_cast<const sf::Drawable*>(&paused.GetPlayText()));
}

TEST_F(PauseMenuTest, FirstButtonSwitchesTheMusicAndOnlyTheNextClickLaunches)
{
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Playing);
    EXPECT_NE(MusicStatus(*game, "Main_music"), sf::Music::Playing);

    Send(LeftClick(CentreOf(menu().GetPlayText().getGlobalBounds()).x,
                   CentreOf(menu().GetPlayText().getGlobalBounds()).y));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(game->IsBallLaunched());
    EXPECT_TRUE(game->GetHud()->GetTimer()->IsPaused());
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Stopped);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    // The frame after the click shows no overlay and takes no menu click.
    game->Render();

    Send(LeftClick(960, 500));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(game->GetHud()->GetTimer()->IsPaused());

    // Pausing swaps the music the other way, "Resume" swaps it back.
    PauseDuringPlay();
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Paused);
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Playing);
    const sf::Vector2i resume = CentreOf(menu().GetPlayText().getGlobalBounds());
    Send(LeftClick(resume.x, resume.y));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_EQ(MusicStatus(*game, "Main_music"), sf::Music::Playing);
    EXPECT_EQ(MusicStatus(*game, "Menu_music"), sf::Music::Stopped);
    // Still launched: resuming does not put the ball back on the pad.
    EXPECT_TRUE(game->IsBallLaunched());
}

TEST_F(PauseMenuTest, HoldingEscapePausesOnceUntilItIsReleased)
{
    StartPlaying();
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_TRUE(game->GetState()->IsPaused());
    const PauseMenu* first = game->GetPauseMenu();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(escapeHeld);

    // Key repeats of the held Escape.
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), first);

    Send(KeyReleased(sf::Keyboard::Escape));
    EXPECT_FALSE(escapeHeld);
    EXPECT_TRUE(game->GetState()->IsPaused());
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_FALSE(escapeHeld);
    // A repeat of that same press pauses again: pausing ignores the latch.
    Send(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(game->GetState()->IsPaused());
    Send(KeyReleased(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_FALSE(game->GetState()->IsPaused());

    // Escape and a click in one batch: the click reaches the menu that the
    // Escape has just opened, whose first button is centred 50 pixels above
    // the window's middle.
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(LeftClick(960, 490));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
}

TEST_F(PauseMenuTest, OnlyClicksInsideAButtonAct)
{
    const PauseMenu* before = game->GetPauseMenu();
    const sf::FloatRect play = menu().GetPlayText().getGlobalBounds();
    const sf::FloatRect leave = menu().GetLeaveText().getGlobalBounds();
    std::vector<sf::Vector2i> misses = {
        {700, 100}, {1279, 540}, {640, 1079}, {960, 10},
        // Between the two buttons.
        {960, static_cast<int>(std::ceil(play.top + play.height)) + 1},
        // Beside the buttons, at their height.
        {static_cast<int>(play.left) - 5, CentreOf(play).y},
        {static_cast<int>(leave.left + leave.width) + 5, CentreOf(leave).y},
        // Off the band altogether.
        {100, 540}, {1800, 540}};
    // Just outside each edge of "Leave".
    for (const sf::Vector2i& p : ClicksAround(leave).outside)
        misses.push_back(p);
    for (const sf::Vector2i& p : misses) {
        SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
        Send(LeftClick(p.x, p.y));
        EXPECT_TRUE(game->GetState()->IsPaused());
        EXPECT_EQ(game->GetPauseMenu(), before);
        EXPECT_TRUE(game->IsWindowOpen());
    }
    // Only the left button acts.
    Send(RightClick(CentreOf(play).x, CentreOf(play).y));
    Send(RightClick(CentreOf(leave).x, CentreOf(leave).y));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_TRUE(game->IsWindowOpen());
    EXPECT_FALSE(game->IsBallLaunched());

    // The first button owns its left and top edges, not its right and
    // bottom ones. Each hit resumes; pause again for the next one.
    LeaveStartMenu();
    Send(LeftClick(10, 500));
    PauseDuringPlay();
    const EdgeClicks clicks = ClicksAround(menu().GetPlayText().getGlobalBounds());
    for (const sf::Vector2i& p : clicks.outside) {
        SCOPED_TRACE(::testing::Message() << "outside " << p.x << "," << p.y);
        Send(LeftClick(p.x, p.y));
        EXPECT_TRUE(game->GetState()->IsPaused());
    }
    for (const sf::Vector2i& p : clicks.inside) {
        SCOPED_TRACE(::testing::Message() << "inside " << p.x << "," << p.y);
        ASSERT_TRUE(game->GetState()->IsPaused());
        Send(LeftClick(p.x, p.y));
        EXPECT_FALSE(game->GetState()->IsPaused());
        EXPECT_EQ(game->GetPauseMenu(), nullptr);
        PauseDuringPlay();
    }
}

TEST_F(PauseMenuTest, LeaveOnTheStartMenuClosesTheWindow)
{
    const sf::Vector2i leave = CentreOf(menu().GetLeaveText().getGlobalBounds());
    Send(LeftClick(leave.x, leave.y));
    EXPECT_FALSE(game->IsWindowOpen());
    // Nothing else happened: still on the start menu.
    EXPECT_TRUE(game->GetState()->IsPaused());
}

TEST_F(PauseMenuTest, LeaveOnThePauseMenuClosesTheWindow)
{
    StartPlaying();
    PauseDuringPlay();
    const EdgeClicks clicks = ClicksAround(menu().GetLeaveText().getGlobalBounds());
    // The top-left corner pixel of the button is still the button.
    Send(LeftClick(clicks.inside[0].x, clicks.inside[2].y));
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_TRUE(game->GetState()->IsPaused());
}

// ---------------------------------------------------------------- game over menu

class GameOverMenuTest : public GameTest {
protected:
    GameOverMenu& menu()
    {
        GameOverMenu* m = game->GetGameOverMenu();
        EXPECT_NE(m, nullptr);
        return *m;
    }
};

TEST_F(GameOverMenuTest, RedTitleAboveTwoButtonsAndOnlyRestartStartsAFreshGame)
{
    StartPlaying();
    game->GetState()->SetCoins(321);
    game->GameOver();
    GameOverMenu& m = menu();
    ExpectBand(m.GetBackdrop(), 1920.f / 1.75f);
    ExpectCentred(m.GetTitleText(), "You are bad!", 75, sf::Color::Red, -200.f);
    ExpectCentred(m.GetRestartText(), "Restart the game", 30, sf::Color::White, -50.f);
    ExpectCentred(m.GetQuitText(), "Ragequit", 30, sf::Color::White, 50.f);

    const std::vector<const sf::Drawable*>& drawables = m.GetDrawables();
    ASSERT_EQ(drawables.size(), 4u);
    EXPECT_EQ(drawables[0], static_cast<const sf::Drawable*>(&m.GetBackdrop()));
    EXPECT_EQ(drawables[1], static_cast<const sf::Drawable*>(&m.GetTitleText()));
    EXPECT_EQ(drawables[2], static_cast<const sf::Drawable*>(&m.GetRestartText()));
    EXPECT_EQ(drawables[3], static_cast<const sf::Drawable*>(&m.GetQuitText()));

    // The title, the keys, the right button and near misses do nothing.
    const GameOverMenu* first = game->GetGameOverMenu();
    const sf::Vector2i title = CentreOf(m.GetTitleText().getGlobalBounds());
    Send(LeftClick(title.x, title.y));
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyPressed(sf::Keyboard::Left));
    const sf::Vector2i restart = CentreOf(m.GetRestartText().getGlobalBounds());
    Send(RightClick(restart.x, restart.y));
    for (const sf::Vector2i& p : ClicksAround(m.GetRestartText().getGlobalBounds()).outside)
        Send(LeftClick(p.x, p.y));
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_EQ(game->GetGameOverMenu(), first);
    EXPECT_EQ(game->GetState()->GetCoins(), 321);
    EXPECT_FALSE(game->IsLeftPressed());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->IsWindowOpen());

    // The top-left corner pixel of the button restarts.
    const EdgeClicks clicks = ClicksAround(m.GetRestartText().getGlobalBounds());
    Send(LeftClick(clicks.inside[0].x, clicks.inside[2].y));
    EXPECT_FALSE(game->IsGameOver());
    EXPECT_EQ(game->GetGameOverMenu(), nullptr);
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetState()->GetCoins(), 0);
    EXPECT_EQ(game->GetState()->GetLevel(), 1);
    game->Render();
}

TEST_F(GameOverMenuTest, RagequitClosesTheWindow)
{
    StartPlaying();
    game->GameOver();
    const sf::Vector2i quit = CentreOf(menu().GetQuitText().getGlobalBounds());
    Send(LeftClick(quit.x, quit.y));
    EXPECT_FALSE(game->IsWindowOpen());
    EXPECT_TRUE(game->IsGameOver());
}

// ---------------------------------------------------------------- missing font

namespace {

int CountLines(const CapturedStdout& out, const std::string& line)
{
    const std::vector<std::string> lines = out.Lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

} // namespace

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
    EXPECT_EQ(CountLines(out, "Hud() => Cannot load custom font."), 1) << out.Text();
    EXPECT_EQ(CountLines(out, "PauseMenu() => Cannot load custom font."), 1) << out.Text();
    EXPECT_EQ(CountLines(out, "ShopMenu() => Cannot load custom font."), 1) << out.Text();
    EXPECT_EQ(CountLines(out, "GameOverMenu() => Cannot load custom font."), 0) << out.Text();
    EXPECT_FALSE(game->GetHud()->IsFontLoaded());

    // Start menu: nothing drawn, no click lands, Escape still starts play.
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    EXPECT_TRUE(game->GetPauseMenu()->GetDrawables().empty());
    for (const sf::Vector2i& p : std::vector<sf::Vector2i>{{0, 0}, {960, 490}, {960, 590}}) {
        game->HandleEvent(LeftClick(p.x, p.y));
        EXPECT_TRUE(game->GetState()->IsPaused());
        EXPECT_TRUE(game->IsWindowOpen());
    }
    game->Render();
    // No band, no Hud: the strip above the bricks is bare background.
    EXPECT_EQ(CountPixelsUnlike(Capture(*game->GetWindow()), kBackground,
                                sf::IntRect(0, 0, 1920, 55)),
              0);
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(game->GetPauseMenu(), nullptr);

    // The Hud clock works without its texts.
    Timer& clock = *game->GetHud()->GetTimer();
    EXPECT_TRUE(clock.IsPaused());
    game->HandleEvent(LeftClick(10, 500));
    EXPECT_TRUE(game->IsBallLaunched());
    EXPECT_FALSE(clock.IsPaused());
    EXPECT_GE(clock.GetElapsedTime(), 0.0);

    // Each pause menu built reports once more; Escape resumes as before.
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_TRUE(game->GetState()->IsPaused());
    EXPECT_EQ(CountLines(out, "PauseMenu() => Cannot load custom font."), 2);
    EXPECT_TRUE(clock.IsPaused());
    game->HandleEvent(KeyReleased(sf::Keyboard::Escape));
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    EXPECT_FALSE(game->GetState()->IsPaused());
    EXPECT_FALSE(clock.IsPaused());

    // Shop: drawn as nothing, no button answers.
    game->HandleEvent(KeyPressed(sf::Keyboard::A));
    game->Update();
    game->HandleEvent(KeyReleased(sf::Keyboard::A));
    for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
        game->Update();
    ASSERT_TRUE(game->GetState()->IsShopOpen());
    game->Render();
    EXPECT_TRUE(game->GetShopMenu()->GetDrawables().empty());
    // The pad waits below the window: the whole frame is bare background.
    EXPECT_EQ(CountPixelsUnlike(Capture(*game->GetWindow()), kBackground,
                                sf::IntRect(0, 0, 1920, 1080)),
              0);
    const int coins = game->GetState()->GetCoins();
    for (const sf::Vector2i& p :
         std::vector<sf::Vector2i>{{0, 0}, {150, 870}, {850, 870}, {1550, 870}, {800, 130}}) {
        game->HandleEvent(LeftClick(p.x, p.y));
    }
    EXPECT_EQ(game->GetState()->GetCoins(), coins);
    EXPECT_EQ(game->GetState()->GetBallDamage(), 5);
    EXPECT_EQ(game->GetShopMenu()->GetDamagePrice(), 50);
    EXPECT_TRUE(game->GetState()->IsShopOpen());
    EXPECT_FALSE(game->IsPadReturning());

    // Game over: reported once, nothing drawn, its buttons never answer.
    game->GetState()->AddBallsInPlay(-game->GetState()->GetBallsInPlay());
    game->Update();
    ASSERT_TRUE(game->IsGameOver());
    EXPECT_EQ(CountLines(out, "GameOverMenu() => Cannot load custom font."), 1);
    ASSERT_NE(game->GetGameOverMenu(), nullptr);
    EXPECT_TRUE(game->GetGameOverMenu()->GetDrawables().empty());
    for (const sf::Vector2i& p : std::vector<sf::Vector2i>{{0, 0}, {960, 490}, {960, 590}})
        game->HandleEvent(LeftClick(p.x, p.y));
    EXPECT_TRUE(game->IsGameOver());
    EXPECT_TRUE(game->IsWindowOpen());
    game->Render();

    // The Hud, shop and start menu reported only at their construction.
    EXPECT_EQ(CountLines(out, "Hud() => Cannot load custom font."), 1);
    EXPECT_EQ(CountLines(out, "ShopMenu() => Cannot load custom font."), 1);
    // Closing the window is the way out.
    game->HandleEvent(Closed());
    EXPECT_FALSE(game->IsWindowOpen());
    game.reset();
}

// ---------------------------------------------------------------- what is drawn

namespace {

bool IsBright(sf::Color c)
{
    return c.r > 180 && c.g > 180 && c.b > 180;
}

bool IsRed(sf::Color c)
{
    return c.r > 180 && c.g < 60 && c.b < 60;
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

sf::IntRect Grown(const sf::FloatRect& b, int margin)
{
    const int left = static_cast<int>(std::floor(b.left)) - margin;
    const int top = static_cast<int>(std::floor(b.top)) - margin;
    const int right = static_cast<int>(std::ceil(b.left + b.width)) + margin;
    const int bottom = static_cast<int>(std::ceil(b.top + b.height)) + margin;
    return sf::IntRect(left, top, right - left, bottom - top);
}

// A text is drawn where its button answers: lit pixels inside its bounds
// (one pixel of slack for smoothing) and none in the ring around them.
template <class Test>
void ExpectDrawnWithinBounds(const sf::Image& frame, const sf::Text& text, Test lit)
{
    SCOPED_TRACE(text.getString().toAnsiString());
    const sf::FloatRect b = text.getGlobalBounds();
    const int inside = CountIn(frame, Grown(b, 1), lit);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(CountIn(frame, Grown(b, 8), lit), inside);
}

// Screens are also written out as pictures when QB_SCREENSHOT_DIR is set
// (tools/menu_screenshots.sh), for a person to look at.
void Keep(const sf::Image& frame, const char* name)
{
    if (const char* dir = std::getenv("QB_SCREENSHOT_DIR")) {
        EXPECT_TRUE(frame.saveToFile(std::string(dir) + "/" + name + ".png"));
    }
}

} // namespace

class ScreensAsDrawn : public GameTest {
protected:
    sf::Image Frame()
    {
        game->Render();
        return Capture(*game->GetWindow());
    }
};

TEST_F(ScreensAsDrawn, MenusAndShopAreDrawnWhereTheirButtonsAnswer)
{
    // Start menu: a translucent band from x = 640 to 1280 over the field.
    sf::Image frame = Frame();
    Keep(frame, "start_menu");
    const PauseMenu& start = *game->GetPauseMenu();
    EXPECT_EQ(frame.getPixel(639, 300), kBackground);
    EXPECT_LT(frame.getPixel(640, 300).r, 20);
    EXPECT_LT(frame.getPixel(1279, 300).r, 20);
    EXPECT_EQ(frame.getPixel(1280, 300), kBackground);
    ExpectDrawnWithinBounds(frame, start.GetPlayText(), IsBright);
    ExpectDrawnWithinBounds(frame, start.GetLeaveText(), IsBright);
    // The Hud over it all: above the first brick row (y = 60) only its
    // Coins row is lit; right of the band and above the bricks, nothing is.
    EXPECT_GT(CountIn(frame, sf::IntRect(0, 0, 400, 58), IsBright), 50);
    EXPECT_EQ(CountPixelsUnlike(frame, kBackground, sf::IntRect(1300, 0, 500, 55)), 0);

    // Pause menu during play.
    StartPlaying();
    Send(KeyPressed(sf::Keyboard::Escape));
    Send(KeyReleased(sf::Keyboard::Escape));
    frame = Frame();
    Keep(frame, "pause_menu");
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetPlayText(), IsBright);
    ExpectDrawnWithinBounds(frame, game->GetPauseMenu()->GetLeaveText(), IsBright);
    Send(KeyPressed(sf::Keyboard::Escape));

    // Shop, reached with the level-clear key.
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
    for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
        Step();
    ASSERT_TRUE(game->GetState()->IsShopOpen());
    frame = Frame();
    Keep(frame, "shop");
    const ShopMenu& shop = *game->GetShopMenu();
    const sf::Text* shopTexts[] = {&shop.GetContinueText(),   &shop.GetDamagePriceText(),
                                   &shop.GetDamageBuyText(),  &shop.GetDamageLabel(),
                                   &shop.GetSpeedPriceText(), &shop.GetSpeedBuyText(),
                                   &shop.GetSpeedLabel(),     &shop.GetBallsPriceText(),
                                   &shop.GetBallsBuyText(),   &shop.GetBallsLabel()};
    for (const sf::Text* text : shopTexts)
        ExpectDrawnWithinBounds(frame, *text, IsBright);
    // The Hud stays in its corner above the shop: the coins row is lit.
    EXPECT_GT(CountIn(frame, sf::IntRect(0, 15, 400, 40), IsBright), 20);

    // On to level 2, where the pad is broken: game over, a wider band, a
    // red title and two white buttons.
    const sf::Vector2i cont = CentreOf(shop.GetContinueText().getGlobalBounds());
    Send(LeftClick(cont.x, cont.y));
    for (int i = 0; i < 200 && game->IsPadReturning(); ++i)
        Step();
    ASSERT_FALSE(game->IsPadReturning());
    game->GameOver();
    frame = Frame();
    Keep(frame, "game_over");
    const GameOverMenu& over = *game->GetGameOverMenu();
    EXPECT_EQ(frame.getPixel(400, 300), kBackground);
    EXPECT_LT(frame.getPixel(420, 300).r, 20);
    EXPECT_LT(frame.getPixel(1500, 300).r, 20);
    EXPECT_EQ(frame.getPixel(1520, 300), kBackground);
    ExpectDrawnWithinBounds(frame, over.GetTitleText(), IsRed);
    EXPECT_EQ(CountIn(frame, Grown(over.GetTitleText().getGlobalBounds(), 1), IsBright), 0);
    ExpectDrawnWithinBounds(frame, over.GetRestartText(), IsBright);
    ExpectDrawnWithinBounds(frame, over.GetQuitText(), IsBright);
}
