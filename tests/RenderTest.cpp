#include "TestSupport.hpp"

#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>

using namespace testsupport;

namespace {

const sf::Color background(36, 4, 4, 255);

// The background under the menus' black band at alpha 191: 36 * 64 / 255.
bool IsUnderOneBand(sf::Color c)
{
    return std::abs(c.r - 9) <= 1 && c.g <= 2 && c.b <= 2;
}

bool IsBright(sf::Color c)
{
    return c.r > 128 && c.g > 128 && c.b > 128;
}

int CountBright(const sf::Image& image, sf::IntRect area)
{
    int count = 0;
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            count += IsBright(image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)));
    return count;
}

std::string Describe(sf::Color c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

// The first row of the Hud, "Coins : ", above the bricks.
const sf::IntRect coinsRow(5, 15, 300, 43);
// The damage price of the shop, "Prix : 50 Coins", below the bricks.
const sf::IntRect shopPriceRow(100, 800, 300, 45);

class RenderTest : public GameTest {
protected:
    // Draws one frame and reads back what it shows.
    sf::Image RenderAndCapture()
    {
        game->Render();
        sf::RenderWindow& window = *game->GetWindow();
        sf::Texture texture;
        EXPECT_TRUE(texture.create(window.getSize().x, window.getSize().y));
        texture.update(window);
        return texture.copyToImage();
    }
};

} // namespace

TEST_F(RenderTest, OverlaysAndHudFollowTheScreen)
{
    // Start menu: the band darkens the field, the Hud is drawn, no shop.
    sf::Image frame = RenderAndCapture();
    EXPECT_EQ(frame.getPixel(1900, 600), background);
    EXPECT_TRUE(IsUnderOneBand(frame.getPixel(700, 800))) << Describe(frame.getPixel(700, 800));
    EXPECT_EQ(frame.getPixel(450, 800), background);
    EXPECT_GT(CountBright(frame, coinsRow), 10);
    EXPECT_EQ(CountBright(frame, shopPriceRow), 0);

    // Playing: no band.
    LeaveStartMenu();
    frame = RenderAndCapture();
    EXPECT_EQ(frame.getPixel(700, 800), background);
    EXPECT_EQ(frame.getPixel(450, 800), background);
    EXPECT_GT(CountBright(frame, coinsRow), 10);

    // Lost while the pause menu is open: only the wider game over band is
    // drawn, so the pause band does not darken the middle a second time.
    Send(KeyPressed(sf::Keyboard::Escape));
    ASSERT_NE(game->GetPauseMenu(), nullptr);
    game->GameOver();
    frame = RenderAndCapture();
    EXPECT_TRUE(IsUnderOneBand(frame.getPixel(700, 800))) << Describe(frame.getPixel(700, 800));
    EXPECT_TRUE(IsUnderOneBand(frame.getPixel(450, 800))) << Describe(frame.getPixel(450, 800));
    EXPECT_EQ(frame.getPixel(1900, 600), background);
    EXPECT_GT(CountBright(frame, coinsRow), 10);
}

TEST_F(RenderTest, ShopIsDrawnBetweenLevelsOverAnEmptyField)
{
    LeaveStartMenu();
    sf::Image frame = RenderAndCapture();
    EXPECT_EQ(CountBright(frame, shopPriceRow), 0);
    // The pad is on screen while playing.
    EXPECT_NE(frame.getPixel(985, 940), background);

    Send(KeyPressed(sf::Keyboard::A));
    for (int i = 0; i < 400 && !game->GetState()->IsShopOpen(); ++i)
        Step();
    Send(KeyReleased(sf::Keyboard::A));
    ASSERT_TRUE(game->GetState()->IsShopOpen());

    frame = RenderAndCapture();
    EXPECT_GT(CountBright(frame, shopPriceRow), 10);
    EXPECT_GT(CountBright(frame, coinsRow), 10);
    // Only the pad is left, parked below the window; the bricks are gone.
    EXPECT_EQ(frame.getPixel(985, 940), background);
    EXPECT_EQ(frame.getPixel(1850, 195), background);
}

TEST_F(RenderTest, EntitiesAreDrawnInListOrder)
{
    LeaveStartMenu();
    std::vector<Entity*>& entities = game->GetEntities();
    const std::vector<MovableBrick*> moving = AllOf<MovableBrick>(entities);
    ASSERT_FALSE(moving.empty()) << "the seeded layout should hold moving bricks";
    MovableBrick* brick = moving.front();
    Ball* ball = AllOf<Ball>(entities).front();
    ASSERT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
    // The red brick straddles the pad's top edge and lies under the resting
    // ball, whose centre is at (985, 910).
    brick->SetPosition(sf::Vector2f(935.f, 900.f));

    sf::Image frame = RenderAndCapture();
    const sf::Color padOnly = frame.getPixel(900, 940);
    const sf::Color brickOnPad = frame.getPixel(1020, 940);
    const sf::Color ballOnBrick = frame.getPixel(985, 910);
    EXPECT_TRUE(IsBright(padOnly)) << Describe(padOnly);
    // Red tint: no green or blue left, but clearly drawn over the pad.
    EXPECT_LE(brickOnPad.g, 2) << Describe(brickOnPad);
    EXPECT_LE(brickOnPad.b, 2) << Describe(brickOnPad);
    EXPECT_GT(brickOnPad.r, 60) << Describe(brickOnPad);
    EXPECT_TRUE(IsBright(ballOnBrick)) << Describe(ballOnBrick);

    // The list decides, not the kind: a ball listed before the brick is
    // hidden by it.
    std::iter_swap(std::find(entities.begin(), entities.end(), static_cast<Entity*>(brick)),
                   std::find(entities.begin(), entities.end(), static_cast<Entity*>(ball)));
    frame = RenderAndCapture();
    const sf::Color brickOnBall = frame.getPixel(985, 910);
    EXPECT_LE(brickOnBall.g, 2) << Describe(brickOnBall);
    EXPECT_LE(brickOnBall.b, 2) << Describe(brickOnBall);
}

TEST_F(RenderTest, ScreenShakeMovesTheViewFromTheNextFrameAndSettles)
{
    LeaveStartMenu();
    sf::RenderWindow& window = *game->GetWindow();
    const float strength = 2.5f;
    game->SetShakeStrength(strength);
    // The strength is new: this frame was drawn with the view of the last.
    EXPECT_EQ(window.getView().getCenter(), sf::Vector2f(960.f, 540.f));

    const std::uint32_t seed = 31337u;
    SeedRandomForTesting(seed);
    ReplayedRandom replay(seed);
    for (int frame = 0; frame < 2; ++frame) {
        game->Render();
        // Two draws per frame, x first.
        const double dx = replay.Next(-0.5f, 0.5f) * 2.0 * strength;
        const double dy = replay.Next(-0.5f, 0.5f) * 2.0 * strength;
        const sf::Vector2f centre = window.getView().getCenter();
        EXPECT_FLOAT_EQ(centre.x, static_cast<float>(960.0 + dx)) << "frame " << frame;
        EXPECT_FLOAT_EQ(centre.y, static_cast<float>(540.0 + dy)) << "frame " << frame;
        EXPECT_LE(std::abs(centre.x - 960.f), strength);
        EXPECT_LE(std::abs(centre.y - 540.f), strength);
        // Only the centre moves.
        EXPECT_EQ(window.getView().getSize(), sf::Vector2f(1920.f, 1080.f));
    }

    // Settled: the default view is back after one frame and nothing is drawn.
    game->SetShakeStrength(0.f);
    game->Render();
    EXPECT_EQ(window.getView().getCenter(), sf::Vector2f(960.f, 540.f));
    EXPECT_EQ(window.getView().getViewport(), window.getDefaultView().getViewport());
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f));
}
