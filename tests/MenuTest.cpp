#include "TestSupport.hpp"

#include "ui/TextLayout.hpp"

#include <cmath>

class MenuTest : public GameTest {};

// Each text is centred on the window by its bounds, at its own height from
// the middle, over a band that darkens the middle of the window, and answers
// clicks where it is drawn.
TEST_F(MenuTest, MenusAreCentredOnTheirBands)
{
    const PauseMenu pause(game.get(), false);
    const GameOverMenu over(game.get());
    EXPECT_EQ(pause.GetBackdrop().getPosition().x, 640.f) << "its width is seen end to end";
    EXPECT_LT(pause.GetBackdrop().getFillColor().a, 255) << "the band hides the field behind it";
    EXPECT_NEAR(over.GetBackdrop().getPosition().x, 411.43f, 0.01f);
    EXPECT_NEAR(over.GetBackdrop().getSize().x, 1097.14f, 0.01f);
    const std::pair<const sf::Text*, float> texts[] = {{&pause.GetPlayText(), -50.f},
                                                       {&pause.GetLeaveText(), 50.f},
                                                       {&over.GetTitleText(), -200.f},
                                                       {&over.GetRestartText(), -50.f},
                                                       {&over.GetQuitText(), 50.f}};
    for (const auto& [text, offset] : texts) {
        SCOPED_TRACE(text->getString().toAnsiString());
        const sf::FloatRect b = text->getLocalBounds();
        EXPECT_NEAR(text->getPosition().x + b.width / 2.f, 960.f, 0.01f);
        EXPECT_NEAR(text->getPosition().y + b.height / 2.f, 540.f + offset, 0.01f);
        // A click counts where the text is drawn: from its first whole pixel, not the one before.
        const sf::FloatRect drawn = text->getGlobalBounds();
        const sf::Vector2i first(int(std::ceil(drawn.left)), int(std::ceil(drawn.top)));
        EXPECT_TRUE(IsHit(*text, first) && !IsHit(*text, first - sf::Vector2i(1, 0)));
    }
}

// The display shows this game's coins, score, with its sign, and the pad's hit
// points, and the played time cut to hundredths, never rounded up.
TEST_F(MenuTest, HudShowsTheNumbersOfTheGameInPlay)
{
    State().SetCoins(37);
    State().SetScore(-12);
    ThePad().TakeDamage(1);
    game->Render();
    const Hud& hud = *game->GetHud();
    const auto shown = [](const sf::Text& value) { return value.getString().toAnsiString(); };
    EXPECT_EQ(shown(hud.GetCoinsValue()) + " " + shown(hud.GetScoreValue()) + " " +
                  shown(hud.GetHpValue()),
              "37 -12 4");
    EXPECT_EQ(Hud::FormatTime(9.999) + " " + Hud::FormatTime(83.456789) + " " + Hud::FormatTime(7),
              "9.99 83.45 7.00");
}
