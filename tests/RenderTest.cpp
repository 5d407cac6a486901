#include "TestSupport.hpp"

#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <cstdlib>

using namespace testsupport;

namespace {

const sf::Color kBackground(36, 4, 4, 255);
// The first Hud row, "Coins : ", and the shop's damage price row.
const sf::IntRect kCoinsRow(5, 15, 300, 43);
const sf::IntRect kShopPriceRow(100, 800, 300, 45);

// The background under one menu band at alpha 191: 36 * 64 / 255.
bool UnderOneBand(sf::Color c)
{
    return std::abs(c.r - 9) <= 1 && c.g <= 2 && c.b <= 2;
}

bool IsBright(sf::Color c)
{
    return c.r > 128 && c.g > 128 && c.b > 128;
}

bool IsRed(sf::Color c)
{
    return c.r > 60 && c.g <= 2 && c.b <= 2;
}

int CountBright(const sf::Image& image, sf::IntRect area)
{
    int count = 0;
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            count += IsBright(image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)));
    return count;
}

class RenderTest : public GameTest {
protected:
    sf::Image Frame()
    {
        game->Render();
        sf::Texture texture;
        EXPECT_TRUE(texture.create(1920, 1080));
        texture.update(*game->GetWindow());
        return texture.copyToImage();
    }
};

} // namespace

TEST_F(RenderTest, OverlaysHudAndShopFollowTheScreen)
{
    // Start menu: the band darkens the middle only; Hud drawn, no shop.
    sf::Image frame = Frame();
    EXPECT_EQ(frame.getPixel(1900, 600), kBackground);
    EXPECT_TRUE(UnderOneBand(frame.getPixel(700, 800)));
    EXPECT_EQ(frame.getPixel(450, 800), kBackground);
    EXPECT_GT(CountBright(frame, kCoinsRow), 10);
    EXPECT_EQ(CountBright(frame, kShopPriceRow), 0);

    LeaveStartMenu();
    frame = Frame();
    EXPECT_EQ(frame.getPixel(700, 800), kBackground);
    EXPECT_NE(frame.getPixel(985, 940), kBackground) << "no pad";
    EXPECT_GT(CountBright(frame, kCoinsRow), 10);

    // Lost with the pause menu open: only the wider game over band, once.
    Send(KeyPressed(sf::Keyboard::Escape));
    game->GameOver();
    frame = Frame();
    EXPECT_TRUE(UnderOneBand(frame.getPixel(700, 800)));
    EXPECT_TRUE(UnderOneBand(frame.getPixel(450, 800)));
    EXPECT_EQ(frame.getPixel(1900, 600), kBackground);
    EXPECT_GT(CountBright(frame, kCoinsRow), 10);
}

TEST_F(RenderTest, ShopIsDrawnBetweenLevelsOverAnEmptyField)
{
    LeaveStartMenu();
    ReachShop();
    const sf::Image frame = Frame();
    EXPECT_GT(CountBright(frame, kShopPriceRow), 10);
    EXPECT_GT(CountBright(frame, kCoinsRow), 10);
    // The pad is parked below the window and the bricks are gone.
    EXPECT_EQ(frame.getPixel(985, 940), kBackground);
    EXPECT_EQ(frame.getPixel(1850, 195), kBackground);
}

TEST_F(RenderTest, EntitiesAreDrawnInListOrderNotByKind)
{
    LeaveStartMenu();
    std::vector<Entity*>& entities = game->GetEntities();
    const std::vector<MovableBrick*> moving = AllOf<MovableBrick>(entities);
    ASSERT_FALSE(moving.empty()) << "the seeded layout should hold moving bricks";
    Entity* brick = moving.front();
    Entity* ball = AllOf<Ball>(entities).front();
    ASSERT_EQ(ball->GetPosition(), sf::Vector2f(975.f, 900.f));
    // The red brick straddles the pad's top edge and lies under the ball's centre (985, 910).
    brick->SetPosition(sf::Vector2f(935.f, 900.f));
    sf::Image frame = Frame();
    EXPECT_TRUE(IsBright(frame.getPixel(900, 940)));
    EXPECT_TRUE(IsRed(frame.getPixel(1020, 940)));
    EXPECT_TRUE(IsBright(frame.getPixel(985, 910)));

    std::iter_swap(std::find(entities.begin(), entities.end(), brick),
                   std::find(entities.begin(), entities.end(), ball));
    frame = Frame();
    EXPECT_TRUE(IsRed(frame.getPixel(985, 910)));
}

TEST_F(RenderTest, ScreenShakeMovesTheViewFromTheNextFrameAndSettles)
{
    LeaveStartMenu();
    sf::RenderWindow& window = *game->GetWindow();
    const float strength = 2.5f;
    game->SetShakeStrength(strength);
    SeedRandomForTesting(31337u);
    ReplayedRandom replay(31337u);
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
        EXPECT_EQ(window.getView().getSize(), sf::Vector2f(1920.f, 1080.f));
    }
    // Settled: the default view is back and no number is drawn.
    game->SetShakeStrength(0.f);
    game->Render();
    EXPECT_EQ(window.getView().getCenter(), sf::Vector2f(960.f, 540.f));
    EXPECT_EQ(RandomFloat(0.f, 1.f), replay.Next(0.f, 1.f));
}
