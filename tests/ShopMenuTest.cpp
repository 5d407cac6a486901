#include "TestSupport.hpp"

#include "core/Resources.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/Font.hpp>
#include <cmath>
#include <string>

using namespace testsupport;

namespace {

// After n purchases of one kind, the next one costs base x (1 + n(n+1)/2).
int PriceAfter(int base, int bought)
{
    return base * (1 + bought * (bought + 1) / 2);
}

std::u32string Utf32(const sf::String& s)
{
    return std::u32string(s.getData(), s.getData() + s.getSize());
}

void ExpectShopText(const sf::Text& text, const std::u32string& string, unsigned size, float x,
                    float y)
{
    SCOPED_TRACE(sf::String::fromUtf32(string.begin(), string.end()).toAnsiString());
    EXPECT_EQ(Utf32(text.getString()), string);
    EXPECT_EQ(text.getCharacterSize(), size);
    EXPECT_EQ(text.getFillColor(), sf::Color::White);
    EXPECT_NE(text.getFont(), nullptr);
    EXPECT_EQ(text.getOrigin(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(text.getScale(), sf::Vector2f(1.f, 1.f));
    EXPECT_FLOAT_EQ(text.getPosition().x, x);
    EXPECT_FLOAT_EQ(text.getPosition().y, y);
}

bool Overlap(const sf::FloatRect& a, const sf::FloatRect& b)
{
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Integer clicks just inside and just outside each edge of a button, under
// the rule that the left and top edges belong to it and the right and bottom
// edges do not.
void EdgeClicks(const sf::FloatRect& b, std::vector<sf::Vector2i>& inside,
                std::vector<sf::Vector2i>& outside)
{
    const int midX = static_cast<int>(b.left + b.width / 2);
    const int midY = static_cast<int>(b.top + b.height / 2);
    const int firstInX = static_cast<int>(std::ceil(b.left));
    const int firstOutRight = static_cast<int>(std::ceil(b.left + b.width));
    const int firstInY = static_cast<int>(std::ceil(b.top));
    const int firstOutBottom = static_cast<int>(std::ceil(b.top + b.height));
    inside = {{firstInX, midY}, {firstOutRight - 1, midY}, {midX, firstInY},
              {midX, firstOutBottom - 1}, {firstInX, firstInY}};
    outside = {{firstInX - 1, midY}, {firstOutRight, midY}, {midX, firstInY - 1},
               {midX, firstOutBottom}, {firstInX - 1, firstInY - 1}};
}

} // namespace

class ShopMenuTest : public GameTest {
protected:
    ShopMenu& shop() { return *game->GetShopMenu(); }
    GameState& state() { return *game->GetState(); }
    // The shop learns the game state when it is drawn, as in a real frame.
    void ShopWithCoins(int coins)
    {
        state().SetCoins(coins);
        shop().UpdateGameState();
    }
    void Click(const sf::Text& button)
    {
        shop().HandleClick(CentreOf(button.getGlobalBounds()));
    }
    // Clears the level with the A key and runs the pad out of the window.
    void ReachTheShop()
    {
        if (state().IsPaused())
            LeaveStartMenu();
        Send(KeyPressed(sf::Keyboard::A));
        Step();
        Send(KeyReleased(sf::Keyboard::A));
        for (int i = 0; i < 400 && !state().IsShopOpen(); ++i)
            Step();
        ASSERT_TRUE(state().IsShopOpen());
        game->Render();
    }
};

TEST_F(ShopMenuTest, TextsStandInThreeColumnsWithFrenchLabels)
{
    ShopMenu& s = shop();
    // Built before the game state, the shop learns it at its first frame:
    // until then clicks do nothing.
    state().SetCoins(10000);
    Click(s.GetDamageBuyText());
    Click(s.GetBallsBuyText());
    Click(s.GetContinueText());
    EXPECT_EQ(state().GetCoins(), 10000);
    EXPECT_EQ(state().GetBallDamage(), 5);
    EXPECT_EQ(s.GetDamagePrice(), 50);
    EXPECT_EQ(s.GetBallsPrice(), 500);
    EXPECT_FALSE(game->IsPadReturning());

    const sf::Text& cont = s.GetContinueText();
    ExpectShopText(cont, U"Continuer", 70, 960.f - cont.getLocalBounds().width, 100.f);
    EXPECT_GT(cont.getLocalBounds().width, 0.f);

    ExpectShopText(s.GetDamagePriceText(), U"", 40, 100.f, 800.f);
    ExpectShopText(s.GetDamageBuyText(), U"Acheter", 40, 100.f, 850.f);
    ExpectShopText(s.GetDamageLabel(), U"Vos balles font plus de d\u00e9gats", 25, 50.f, 700.f);
    ExpectShopText(s.GetSpeedPriceText(), U"", 40, 800.f, 800.f);
    ExpectShopText(s.GetSpeedBuyText(), U"Acheter", 40, 800.f, 850.f);
    ExpectShopText(s.GetSpeedLabel(), U"Vos balles sont plus rapides", 25, 750.f, 700.f);
    ExpectShopText(s.GetBallsPriceText(), U"", 40, 1300.f, 800.f);
    ExpectShopText(s.GetBallsBuyText(), U"Acheter", 40, 1500.f, 850.f);
    ExpectShopText(s.GetBallsLabel(), U"Vous avez plus de balles au d\u00e9part", 25, 1450.f,
                   700.f);

    const std::vector<const sf::Drawable*> expected = {
        &s.GetContinueText(), &s.GetDamagePriceText(), &s.GetDamageBuyText(),
        &s.GetDamageLabel(),  &s.GetSpeedPriceText(),  &s.GetSpeedBuyText(),
        &s.GetSpeedLabel(),   &s.GetBallsPriceText(),  &s.GetBallsBuyText(),
        &s.GetBallsLabel()};
    EXPECT_EQ(s.GetDrawables(), expected);

    s.RefreshPrices();
    EXPECT_EQ(s.GetDamagePriceText().getString().toAnsiString(), "Prix : 50 Coins");
    EXPECT_EQ(s.GetSpeedPriceText().getString().toAnsiString(), "Prix : 50 Coins");
    EXPECT_EQ(s.GetBallsPriceText().getString().toAnsiString(), "Prix : 500 Coins");

    // No two buttons share a pixel, so a click can only ever reach one.
    const sf::FloatRect buttons[] = {
        s.GetDamageBuyText().getGlobalBounds(), s.GetSpeedBuyText().getGlobalBounds(),
        s.GetBallsBuyText().getGlobalBounds(), s.GetContinueText().getGlobalBounds()};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_FALSE(Overlap(buttons[i], buttons[j])) << i << " and " << j;

    // The accent sits above the letter, so é is taller than e in the font.
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile(resourceRoot + "Pixel_Coleco.otf"));
    const sf::Glyph& accented = font.getGlyph(0xE9, 25, false);
    const sf::Glyph& plain = font.getGlyph(U'e', 25, false);
    EXPECT_GT(accented.bounds.height, plain.bounds.height);
    EXPECT_GT(accented.advance, 0.f);

    // The label holds the letter itself, no stand-in for it.
    const sf::String label = s.GetDamageLabel().getString();
    EXPECT_EQ(label.find(sf::String(static_cast<sf::Uint32>(0xFFFD))), sf::String::InvalidPos);
    EXPECT_EQ(label.find(sf::String("?")), sf::String::InvalidPos);
}

TEST_F(ShopMenuTest, PricesGrowWithEachPurchaseOfTheSameKind)
{
    ShopWithCoins(1000000);
    int coins = 1000000;
    const int damageAndSpeed[] = {50, 100, 200, 350, 550, 800};
    float speed = state().GetBallSpeed();
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(shop().GetDamagePrice(), damageAndSpeed[n]);
        ASSERT_EQ(shop().GetDamagePrice(), PriceAfter(50, n));
        Click(shop().GetDamageBuyText());
        coins -= damageAndSpeed[n];
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallDamage(), 5 + 5 * (n + 1));

        ASSERT_EQ(shop().GetSpeedPrice(), PriceAfter(50, n));
        Click(shop().GetSpeedBuyText());
        coins -= damageAndSpeed[n];
        speed += 0.2f;
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallSpeed(), speed);
    }
    EXPECT_EQ(shop().GetDamagePrice(), PriceAfter(50, 6));

    const int balls[] = {500, 1000, 2000, 3500, 5500, 8000};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(shop().GetBallsPrice(), balls[n]);
        ASSERT_EQ(shop().GetBallsPrice(), PriceAfter(500, n));
        Click(shop().GetBallsBuyText());
        coins -= balls[n];
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallsPerLevel(), 1 + n + 1);
    }
    EXPECT_EQ(shop().GetBallsPrice(), balls[4]);
    // Buying one kind never touched the others' prices.
    EXPECT_EQ(shop().GetSpeedPrice(), PriceAfter(50, 6));
}

TEST_F(ShopMenuTest, ExactCoinsBuyAndOneCoinShortChangesNothing)
{
    ShopWithCoins(50);
    Click(shop().GetDamageBuyText());
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(state().GetBallDamage(), 10);
    EXPECT_EQ(shop().GetDamagePrice(), 100);

    state().SetCoins(99);
    Click(shop().GetDamageBuyText());
    EXPECT_EQ(state().GetCoins(), 99);
    EXPECT_EQ(state().GetBallDamage(), 10);
    EXPECT_EQ(shop().GetDamagePrice(), 100);

    state().SetCoins(49);
    const float speed = state().GetBallSpeed();
    Click(shop().GetSpeedBuyText());
    EXPECT_EQ(state().GetCoins(), 49);
    EXPECT_EQ(state().GetBallSpeed(), speed);
    EXPECT_EQ(shop().GetSpeedPrice(), 50);

    state().SetCoins(499);
    Click(shop().GetBallsBuyText());
    EXPECT_EQ(state().GetCoins(), 499);
    EXPECT_EQ(state().GetBallsPerLevel(), 1);
    EXPECT_EQ(shop().GetBallsPrice(), 500);

    state().SetCoins(500);
    Click(shop().GetBallsBuyText());
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(state().GetBallsPerLevel(), 2);
    EXPECT_EQ(shop().GetBallsPrice(), 1000);

    // Negative coins (never reached in play) must not buy either.
    state().SetCoins(-10);
    Click(shop().GetSpeedBuyText());
    EXPECT_EQ(state().GetCoins(), -10);
    EXPECT_EQ(shop().GetSpeedPrice(), 50);
}

TEST_F(ShopMenuTest, BuyingDamageTwiceAddsTenAndShowsThePrice200)
{
    ReachTheShop();
    state().SetCoins(150);
    const int damage = state().GetBallDamage();
    const sf::Vector2i buy = CentreOf(shop().GetDamageBuyText().getGlobalBounds());
    Send(LeftClick(buy.x, buy.y));
    game->Render();
    EXPECT_EQ(shop().GetDamagePriceText().getString().toAnsiString(), "Prix : 100 Coins");
    Send(LeftClick(buy.x, buy.y));
    game->Render();
    EXPECT_EQ(state().GetBallDamage(), damage + 10);
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(shop().GetDamagePriceText().getString().toAnsiString(), "Prix : 200 Coins");
    EXPECT_EQ(shop().GetSpeedPriceText().getString().toAnsiString(), "Prix : 50 Coins");
    EXPECT_EQ(shop().GetBallsPriceText().getString().toAnsiString(), "Prix : 500 Coins");
}

TEST_F(ShopMenuTest, OnlyTheBuyButtonsBuyAndEachClickBuysOnce)
{
    ShopWithCoins(10000);
    shop().RefreshPrices();
    const sf::Text* notButtons[] = {&shop().GetDamageLabel(), &shop().GetDamagePriceText(),
                                    &shop().GetSpeedLabel(),  &shop().GetSpeedPriceText(),
                                    &shop().GetBallsLabel(),  &shop().GetBallsPriceText()};
    for (const sf::Text* text : notButtons) {
        ASSERT_GT(text->getGlobalBounds().width, 0.f);
        Click(*text);
    }
    EXPECT_EQ(state().GetCoins(), 10000);
    EXPECT_EQ(shop().GetDamagePrice(), 50);
    EXPECT_EQ(shop().GetSpeedPrice(), 50);
    EXPECT_EQ(shop().GetBallsPrice(), 500);
    EXPECT_FALSE(game->IsPadReturning());

    // One click, one purchase: the price moves one step, not two.
    Click(shop().GetDamageBuyText());
    EXPECT_EQ(state().GetCoins(), 9950);
    EXPECT_EQ(shop().GetDamagePrice(), 100);
    EXPECT_EQ(shop().GetSpeedPrice(), 50);
    EXPECT_FALSE(game->IsPadReturning());

    // Buttons own their left and top edges, not their right and bottom ones.
    ShopWithCoins(1000000);
    const sf::Text* buttons[] = {&shop().GetDamageBuyText(), &shop().GetSpeedBuyText(),
                                 &shop().GetBallsBuyText()};
    for (const sf::Text* button : buttons) {
        std::vector<sf::Vector2i> inside, outside;
        EdgeClicks(button->getGlobalBounds(), inside, outside);
        for (const sf::Vector2i& p : outside) {
            SCOPED_TRACE(::testing::Message() << "outside " << p.x << "," << p.y);
            const int coins = state().GetCoins();
            shop().HandleClick(p);
            EXPECT_EQ(state().GetCoins(), coins);
        }
        for (const sf::Vector2i& p : inside) {
            SCOPED_TRACE(::testing::Message() << "inside " << p.x << "," << p.y);
            const int coins = state().GetCoins();
            shop().HandleClick(p);
            EXPECT_LT(state().GetCoins(), coins);
        }
    }
    // Five purchases of each kind went through, after the first one above.
    EXPECT_EQ(shop().GetDamagePrice(), PriceAfter(50, 6));
    EXPECT_EQ(shop().GetSpeedPrice(), PriceAfter(50, 5));
    EXPECT_EQ(shop().GetBallsPrice(), PriceAfter(500, 5));
}

TEST_F(ShopMenuTest, ContinueKeepsTheCoinsAndSendsThePadBackForTheNextLevel)
{
    StartPlaying();
    ReachTheShop();
    ASSERT_EQ(state().GetCoins(), 10000);
    const sf::Vector2i buy = CentreOf(shop().GetSpeedBuyText().getGlobalBounds());
    Send(LeftClick(buy.x, buy.y));
    const float speed = state().GetBallSpeed();
    const float padY = game->GetPad()->GetPosition().y;
    ASSERT_GT(padY, 1080.f);

    const sf::Vector2i cont = CentreOf(shop().GetContinueText().getGlobalBounds());
    Send(LeftClick(cont.x, cont.y));
    EXPECT_FALSE(state().IsShopOpen());
    EXPECT_TRUE(game->IsPadReturning());
    EXPECT_EQ(state().GetCoins(), 9950);
    // The pad is sent up from below the window.
    EXPECT_LT(game->GetPad()->GetDirection().y, 0.f);
    // Further clicks there are not for the shop any more.
    Send(LeftClick(buy.x, buy.y));
    EXPECT_EQ(state().GetCoins(), 9950);

    for (int i = 0; i < 200 && game->IsPadReturning(); ++i)
        Step();
    ASSERT_FALSE(game->IsPadReturning());
    EXPECT_EQ(state().GetLevel(), 2);
    EXPECT_EQ(game->GetRemainingBricks(), 54);
    EXPECT_EQ(state().GetCoins(), 9950);
    EXPECT_EQ(state().GetBallSpeed(), speed);

    // The prices carry over to the next shop of the same game.
    Send(KeyPressed(sf::Keyboard::A));
    Step();
    Send(KeyReleased(sf::Keyboard::A));
    for (int i = 0; i < 400 && !state().IsShopOpen(); ++i)
        Step();
    ASSERT_TRUE(state().IsShopOpen());
    game->Render();
    EXPECT_EQ(shop().GetSpeedPriceText().getString().toAnsiString(), "Prix : 100 Coins");
    EXPECT_EQ(shop().GetDamagePriceText().getString().toAnsiString(), "Prix : 50 Coins");
}
