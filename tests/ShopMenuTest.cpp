#include "ScreenTestSupport.hpp"

#include "entities/Pad.hpp"
#include "ui/ShopMenu.hpp"

using namespace testsupport;
using namespace screentest;

namespace {

std::u32string Utf32(const sf::String& s) { return std::u32string(s.getData(), s.getData() + s.getSize()); }

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
    void Click(const sf::Text& button) { shop().HandleClick(CentreOf(button.getGlobalBounds())); }
    std::string PriceText(const sf::Text& text) { return text.getString().toAnsiString(); }
    void ReachTheShop()
    {
        ClearLevel(*game);
        ASSERT_TRUE(RunUntilShop(*game));
    }
};

TEST_F(ShopMenuTest, ThreeColumnsWithFrenchLabelsAndNoClickBeforeTheFirstFrame)
{
    ShopMenu& s = shop();
    // Until its first frame the shop has no game state: clicks do nothing.
    state().SetCoins(10000);
    Click(s.GetDamageBuyText());
    Click(s.GetContinueText());
    EXPECT_EQ(state().GetCoins(), 10000);
    EXPECT_EQ(state().GetBallDamage(), 5);
    EXPECT_EQ(s.GetDamagePrice(), 50);
    EXPECT_FALSE(game->IsPadReturning());

    std::vector<const sf::Drawable*> order;
    const auto expect = [&](const sf::Text& text, const std::u32string& string, unsigned size, float x, float y) {
        SCOPED_TRACE(sf::String::fromUtf32(string.begin(), string.end()).toAnsiString());
        EXPECT_EQ(Utf32(text.getString()), string);
        EXPECT_EQ(text.getCharacterSize(), size);
        EXPECT_EQ(text.getFillColor(), sf::Color::White);
        EXPECT_EQ(text.getPosition(), sf::Vector2f(x, y));
        order.push_back(&text);
    };
    ASSERT_GT(s.GetContinueText().getLocalBounds().width, 0.f);
    expect(s.GetContinueText(), U"Continuer", 70, 960.f - s.GetContinueText().getLocalBounds().width, 100.f);
    expect(s.GetDamagePriceText(), U"", 40, 100.f, 800.f);
    expect(s.GetDamageBuyText(), U"Acheter", 40, 100.f, 850.f);
    expect(s.GetDamageLabel(), U"Vos balles font plus de d\u00e9gats", 25, 50.f, 700.f);
    expect(s.GetSpeedPriceText(), U"", 40, 800.f, 800.f);
    expect(s.GetSpeedBuyText(), U"Acheter", 40, 800.f, 850.f);
    expect(s.GetSpeedLabel(), U"Vos balles sont plus rapides", 25, 750.f, 700.f);
    expect(s.GetBallsPriceText(), U"", 40, 1300.f, 800.f);
    expect(s.GetBallsBuyText(), U"Acheter", 40, 1500.f, 850.f);
    expect(s.GetBallsLabel(), U"Vous avez plus de balles au d\u00e9part", 25, 1450.f, 700.f);
    EXPECT_EQ(s.GetDrawables(), order);

    s.RefreshPrices();
    EXPECT_EQ(PriceText(s.GetDamagePriceText()), "Prix : 50 Coins");
    EXPECT_EQ(PriceText(s.GetSpeedPriceText()), "Prix : 50 Coins");
    EXPECT_EQ(PriceText(s.GetBallsPriceText()), "Prix : 500 Coins");
}

TEST_F(ShopMenuTest, PricesGrowWithEachPurchaseOfTheSameKind)
{
    ShopWithCoins(1000000);
    int coins = 1000000;
    float speed = state().GetBallSpeed();
    const int damageAndSpeed[] = {50, 100, 200, 350, 550, 800};
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(shop().GetDamagePrice(), damageAndSpeed[n]);
        Click(shop().GetDamageBuyText());
        coins -= damageAndSpeed[n];
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallDamage(), 5 + 5 * (n + 1));

        ASSERT_EQ(shop().GetSpeedPrice(), damageAndSpeed[n]);
        Click(shop().GetSpeedBuyText());
        coins -= damageAndSpeed[n];
        speed += 0.2f;
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallSpeed(), speed);
    }
    const int balls[] = {500, 1000, 2000, 3500, 5500};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(shop().GetBallsPrice(), balls[n]);
        Click(shop().GetBallsBuyText());
        coins -= balls[n];
        EXPECT_EQ(state().GetCoins(), coins);
        EXPECT_EQ(state().GetBallsPerLevel(), n + 2);
    }
    EXPECT_EQ(shop().GetBallsPrice(), balls[4]);
}

TEST_F(ShopMenuTest, ExactCoinsBuyAndOneCoinShortChangesNothing)
{
    struct Case {
        const sf::Text& button;
        int price;
        int (ShopMenu::*priceOf)() const;
    };
    const Case cases[] = {{shop().GetDamageBuyText(), 50, &ShopMenu::GetDamagePrice},
                          {shop().GetSpeedBuyText(), 50, &ShopMenu::GetSpeedPrice},
                          {shop().GetBallsBuyText(), 500, &ShopMenu::GetBallsPrice}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.price);
        const float speed = state().GetBallSpeed();
        const int damage = state().GetBallDamage();
        const int balls = state().GetBallsPerLevel();
        ShopWithCoins(c.price - 1);
        Click(c.button);
        EXPECT_EQ(state().GetCoins(), c.price - 1);
        EXPECT_EQ((shop().*c.priceOf)(), c.price);
        EXPECT_EQ(state().GetBallSpeed(), speed);
        EXPECT_EQ(state().GetBallDamage(), damage);
        EXPECT_EQ(state().GetBallsPerLevel(), balls);

        state().SetCoins(c.price);
        Click(c.button);
        EXPECT_EQ(state().GetCoins(), 0);
        EXPECT_EQ((shop().*c.priceOf)(), c.price * 2);
    }
    EXPECT_EQ(state().GetBallDamage(), 10);
    EXPECT_EQ(state().GetBallsPerLevel(), 2);
}

TEST_F(ShopMenuTest, OnlyTheBuyButtonsBuyEachClickOnceAndEdgesFollowTheHitRule)
{
    ShopWithCoins(10000);
    shop().RefreshPrices();
    for (const sf::Text* text : {&shop().GetDamageLabel(), &shop().GetDamagePriceText(),
                                 &shop().GetSpeedLabel(), &shop().GetBallsPriceText()})
        Click(*text);
    EXPECT_EQ(state().GetCoins(), 10000);
    EXPECT_FALSE(game->IsPadReturning());

    ShopWithCoins(1000000);
    for (const sf::Text* button :
         {&shop().GetDamageBuyText(), &shop().GetSpeedBuyText(), &shop().GetBallsBuyText()}) {
        const EdgeClicks clicks = ClicksAround(button->getGlobalBounds());
        for (const sf::Vector2i& p : clicks.outside) {
            const int coins = state().GetCoins();
            shop().HandleClick(p);
            EXPECT_EQ(state().GetCoins(), coins) << "outside " << p.x << "," << p.y;
        }
        for (const sf::Vector2i& p : clicks.inside) {
            const int coins = state().GetCoins();
            shop().HandleClick(p);
            EXPECT_LT(state().GetCoins(), coins) << "inside " << p.x << "," << p.y;
        }
    }
    // Five clicks inside each button, one purchase each: 50 x (1 + 5*6/2).
    EXPECT_EQ(shop().GetDamagePrice(), 800);
    EXPECT_EQ(shop().GetSpeedPrice(), 800);
    EXPECT_EQ(shop().GetBallsPrice(), 8000);
    EXPECT_FALSE(game->IsPadReturning());
}

TEST_F(ShopMenuTest, BuyingDamageTwiceThenContinueKeepsTheCoinsForTheNextLevel)
{
    StartPlaying();
    ReachTheShop();
    state().SetCoins(150);
    const int damage = state().GetBallDamage();
    const sf::Event buy = ClickOn(shop().GetDamageBuyText());
    Send(buy);
    game->Render();
    EXPECT_EQ(PriceText(shop().GetDamagePriceText()), "Prix : 100 Coins");
    Send(buy);
    game->Render();
    EXPECT_EQ(state().GetBallDamage(), damage + 10);
    EXPECT_EQ(state().GetCoins(), 0);
    EXPECT_EQ(PriceText(shop().GetDamagePriceText()), "Prix : 200 Coins");
    EXPECT_EQ(PriceText(shop().GetSpeedPriceText()), "Prix : 50 Coins");

    state().SetCoins(70);
    Send(ClickOn(shop().GetContinueText()));
    EXPECT_FALSE(state().IsShopOpen());
    EXPECT_TRUE(game->IsPadReturning());
    EXPECT_LT(game->GetPad()->GetDirection().y, 0.f);
    // The shop no longer takes clicks.
    Send(ClickOn(shop().GetSpeedBuyText()));
    EXPECT_EQ(state().GetCoins(), 70);

    ASSERT_TRUE(RunUntilPadIsBack(*game));
    EXPECT_EQ(state().GetLevel(), 2);
    EXPECT_EQ(state().GetCoins(), 70);
    EXPECT_EQ(state().GetBallDamage(), damage + 10);
    // Prices carry over to the next shop of the same game.
    ReachTheShop();
    EXPECT_EQ(PriceText(shop().GetDamagePriceText()), "Prix : 200 Coins");
}
