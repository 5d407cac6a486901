#include "TestSupport.hpp"

#include "core/Timer.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/Hud.hpp"


using namespace testsupport;

namespace {

void ExpectHudText(const sf::Text& text, const char* string, float x, float y)
{
    SCOPED_TRACE(string);
    EXPECT_EQ(text.getString().toAnsiString(), string);
    EXPECT_EQ(text.getPosition(), sf::Vector2f(x, y));
    EXPECT_EQ(text.getCharacterSize(), 30u);
    EXPECT_EQ(text.getFillColor(), sf::Color::White);
    EXPECT_NE(text.getFont(), nullptr);
    EXPECT_EQ(text.getOrigin(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(text.getScale(), sf::Vector2f(1.f, 1.f));
}

} // namespace

// The clock text is "%f" cut after the second decimal: the six-decimal
// rounding of "%f" happens first, the cut itself never rounds.
TEST(HudClockText, CutsAfterTheSecondDecimalWithoutRounding)
{
    EXPECT_EQ(Hud::FormatTime(9.999), "9.99");
    EXPECT_EQ(Hud::FormatTime(10.0), "10.00");
    EXPECT_EQ(Hud::FormatTime(83.456789), "83.45");
    EXPECT_EQ(Hud::FormatTime(0.999), "0.99");
    EXPECT_EQ(Hud::FormatTime(7.0), "7.00");
    EXPECT_EQ(Hud::FormatTime(0.0), "0.00");
    EXPECT_EQ(Hud::FormatTime(0.009), "0.00");
    EXPECT_EQ(Hud::FormatTime(3599.99), "3599.99");
    // "%f" gives 10.000000 for this one, so the display shows 10.00.
    EXPECT_EQ(Hud::FormatTime(9.9999999), "10.00");
}

TEST(HudClockText, KeepsTheMinusSignOfNegativeTimes)
{
    EXPECT_EQ(Hud::FormatTime(-1.0), "-1.00");
    EXPECT_EQ(Hud::FormatTime(-0.5), "-0.50");
    EXPECT_EQ(Hud::FormatTime(-12.349), "-12.34");
}

class HudTest : public GameTest {
protected:
    Hud& hud() { return *game->GetHud(); }
};

TEST_F(HudTest, ShowsFourLabelledRowsInTheTopLeftCorner)
{
    ExpectHudText(hud().GetCoinsLabel(), "Coins : ", 5.f, 20.f);
    ExpectHudText(hud().GetTimerLabel(), "Timer :  ", 5.f, 60.f);
    ExpectHudText(hud().GetHpLabel(), "HP :  ", 5.f, 100.f);
    ExpectHudText(hud().GetScoreLabel(), "Score :  ", 5.f, 140.f);

    // Values have no text until the first frame is drawn.
    ExpectHudText(hud().GetCoinsValue(), "", 155.f, 20.f);
    ExpectHudText(hud().GetTimerValue(), "", 155.f, 60.f);
    ExpectHudText(hud().GetHpValue(), "", 155.f, 100.f);
    ExpectHudText(hud().GetScoreValue(), "", 155.f, 140.f);

    hud().Draw();
    ExpectHudText(hud().GetCoinsValue(), "0", 155.f, 20.f);
    // The clock was paused right after the Hud was built; loading the font
    // in between may take a moment on a busy machine.
    ExpectHudText(hud().GetTimerValue(),
                  Hud::FormatTime(hud().GetTimer()->GetElapsedTime()).c_str(), 155.f, 60.f);
    ExpectHudText(hud().GetHpValue(), "5", 155.f, 100.f);
    ExpectHudText(hud().GetScoreValue(), "0", 155.f, 140.f);

    // While the clock is paused its text stands still from frame to frame.
    Timer& clock = *hud().GetTimer();
    ASSERT_TRUE(clock.IsPaused());
    const std::string first = hud().GetTimerValue().getString().toAnsiString();
    const double elapsed = clock.GetElapsedTime();
    hud().Draw();
    EXPECT_EQ(hud().GetTimerValue().getString().toAnsiString(), first);
    EXPECT_EQ(clock.GetElapsedTime(), elapsed);
}

TEST_F(HudTest, ValuesFollowTheGameOnEveryFrame)
{
    GameState& state = *game->GetState();
    state.SetCoins(1234);
    state.SetScore(-40);
    game->GetPad()->TakeDamage(2);
    hud().Draw();
    EXPECT_EQ(hud().GetCoinsValue().getString().toAnsiString(), "1234");
    EXPECT_EQ(hud().GetScoreValue().getString().toAnsiString(), "-40");
    EXPECT_EQ(hud().GetHpValue().getString().toAnsiString(), "3");

    // Nothing is cached between frames.
    state.SetCoins(1000000);
    state.AddCoins(-1);
    hud().Draw();
    EXPECT_EQ(hud().GetCoinsValue().getString().toAnsiString(), "999999");

    // A restart swaps the game state under the Hud without telling it.
    game->Restart();
    hud().Draw();
    EXPECT_EQ(hud().GetCoinsValue().getString().toAnsiString(), "0");
    EXPECT_EQ(hud().GetScoreValue().getString().toAnsiString(), "0");
    EXPECT_EQ(hud().GetHpValue().getString().toAnsiString(), "5");
    EXPECT_EQ(hud().GetTimerValue().getString().toAnsiString(), "0.00");
}

