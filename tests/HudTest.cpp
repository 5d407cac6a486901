#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/Hud.hpp"

using namespace testsupport;

namespace {

std::string TextOf(const sf::Text& text) { return text.getString().toAnsiString(); }

} // namespace

// "%f" first, then cut after the second decimal: the cut never rounds.
TEST(HudClockText, CutsAfterTheSecondDecimalWithoutRoundingAndKeepsTheSign)
{
    const std::pair<double, const char*> cases[] = {
        {9.999, "9.99"},   {10.0, "10.00"},   {83.456789, "83.45"}, {0.009, "0.00"},
        {9.9999999, "10.00"}, {-0.5, "-0.50"}, {-12.349, "-12.34"}};
    for (const auto& [seconds, shown] : cases)
        EXPECT_EQ(Hud::FormatTime(seconds), shown) << seconds;
}

class HudTest : public GameTest {
protected:
    Hud& hud() { return *game->GetHud(); }
};

TEST_F(HudTest, ShowsFourLabelledRowsInTheTopLeftCorner)
{
    struct Row {
        const sf::Text& label;
        const char* text;
        const sf::Text& value;
        const char* shown;
    };
    hud().Draw();
    const Row rows[] = {{hud().GetCoinsLabel(), "Coins : ", hud().GetCoinsValue(), "0"},
                        {hud().GetTimerLabel(), "Timer :  ", hud().GetTimerValue(), nullptr},
                        {hud().GetHpLabel(), "HP :  ", hud().GetHpValue(), "5"},
                        {hud().GetScoreLabel(), "Score :  ", hud().GetScoreValue(), "0"}};
    float y = 20.f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(TextOf(row.label), row.text);
        EXPECT_EQ(row.label.getPosition(), sf::Vector2f(5.f, y));
        EXPECT_EQ(row.value.getPosition(), sf::Vector2f(155.f, y));
        for (const sf::Text* t : {&row.label, &row.value}) {
            EXPECT_EQ(t->getCharacterSize(), 30u);
            EXPECT_EQ(t->getFillColor(), sf::Color::White);
            EXPECT_NE(t->getFont(), nullptr);
        }
        if (row.shown) {
            EXPECT_EQ(TextOf(row.value), row.shown);
        }
        y += 40.f;
    }

    // The clock stands still before the launch, and so does its text.
    Timer& clock = *hud().GetTimer();
    ASSERT_TRUE(clock.IsPaused());
    const double elapsed = clock.GetElapsedTime();
    EXPECT_EQ(TextOf(hud().GetTimerValue()), Hud::FormatTime(elapsed));
    hud().Draw();
    EXPECT_EQ(clock.GetElapsedTime(), elapsed);
    EXPECT_EQ(TextOf(hud().GetTimerValue()), Hud::FormatTime(elapsed));
}

TEST_F(HudTest, ValuesAreReadAfreshEveryFrameEvenAfterARestart)
{
    GameState& state = *game->GetState();
    state.SetCoins(1000000);
    state.AddCoins(-1);
    state.SetScore(-40);
    game->GetPad()->TakeDamage(2);
    hud().Draw();
    EXPECT_EQ(TextOf(hud().GetCoinsValue()), "999999");
    EXPECT_EQ(TextOf(hud().GetScoreValue()), "-40");
    EXPECT_EQ(TextOf(hud().GetHpValue()), "3");

    // A restart swaps the game state under the Hud without telling it.
    game->Restart();
    hud().Draw();
    EXPECT_EQ(TextOf(hud().GetCoinsValue()), "0");
    EXPECT_EQ(TextOf(hud().GetScoreValue()), "0");
    EXPECT_EQ(TextOf(hud().GetHpValue()), "5");
    EXPECT_EQ(TextOf(hud().GetTimerValue()), "0.00");
}
