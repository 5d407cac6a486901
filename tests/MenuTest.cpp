#include "TestSupport.hpp"

#include "ui/TextLayout.hpp"

// A button owns its left and top edges but not its right and bottom ones, so
// two buttons side by side never both take one click.
TEST(ButtonTest, IsHitInsideItsHalfOpenBounds)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile("Pixel_Coleco.otf"));
    sf::Text button;
    SetUpText(button, font, "Acheter", 40, sf::Color::White);
    const sf::FloatRect local = button.getLocalBounds();
    button.setPosition(100.f - local.left, 200.f - local.top);
    ASSERT_EQ(sf::Vector2f(button.getGlobalBounds().left, button.getGlobalBounds().top),
              sf::Vector2f(100.f, 200.f));
    EXPECT_TRUE(IsHit(button, {100, 200}) && !IsHit(button, {99, 210}) &&
                !IsHit(button, {110, 199}));
    button.setPosition(300.f - local.left - local.width, 400.f - local.top - local.height);
    const sf::FloatRect b = button.getGlobalBounds();
    ASSERT_EQ(sf::Vector2f(b.left + b.width, b.top + b.height), sf::Vector2f(300.f, 400.f));
    EXPECT_TRUE(IsHit(button, {299, 399}) && !IsHit(button, {300, 390}) &&
                !IsHit(button, {290, 400}));
}

class MenuTest : public GameTest {};

// Each text is centred on the window by its bounds, at its own height from
// the middle, over a band that darkens the middle of the window.
TEST_F(MenuTest, MenusAreCentredOnTheirBands)
{
    const PauseMenu pause(game.get(), false);
    const GameOverMenu over(game.get());
    EXPECT_EQ(pause.GetBackdrop().getGlobalBounds(), sf::FloatRect(640.f, 0.f, 640.f, 1080.f));
    EXPECT_LT(pause.GetBackdrop().getFillColor().a, 255) << "the band hides the field behind it";
    EXPECT_NEAR(over.GetBackdrop().getPosition().x, 411.43f, 0.01f);
    EXPECT_NEAR(over.GetBackdrop().getSize().x, 1097.14f, 0.01f);
    const std::pair<const sf::Text*, float> texts[] = {{&pause.GetPlayText(), -50.f},
                                                       {&pause.GetLeaveText(), 50.f},
                                                       {&over.GetTitleText(), -200.f},
                                                       {&over.GetRestartText(), -50.f},
                                                       {&over.GetQuitText(), 50.f}};
    for (const auto& [text, offset] : texts) {
        const sf::FloatRect b = text->getLocalBounds();
        EXPECT_NEAR(text->getPosition().x + b.width / 2.f, 960.f, 0.01f)
            << text->getString().toAnsiString();
        EXPECT_NEAR(text->getPosition().y + b.height / 2.f, 540.f + offset, 0.01f)
            << text->getString().toAnsiString();
    }
}
