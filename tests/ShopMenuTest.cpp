#include "TestSupport.hpp"

class ShopMenuTest : public GameTest {};

// Each purchase of a kind raises its next price by the step times the number
// bought; one coin short buys nothing.
TEST_F(ShopMenuTest, PricesGrowWithEachPurchaseAndOneCoinShortBuysNothing)
{
    ShopMenu& shop = *game->GetShopMenu();
    shop.UpdateGameState();
    GameState& state = State();
    const std::tuple<const sf::Text&, std::vector<int>, std::function<double()>, double> cases[] = {
        {shop.GetDamageBuyText(),
         {50, 100, 200, 350, 550},
         [&] { return state.GetBallDamage(); },
         5.0},
        {shop.GetSpeedBuyText(),
         {50, 100, 200, 350, 550},
         [&] { return state.GetBallSpeed(); },
         0.2},
        {shop.GetBallsBuyText(),
         {500, 1000, 2000, 3500, 5500},
         [&] { return state.GetBallsPerLevel(); },
         1.0}};
    for (const auto& [button, prices, upgrade, step] : cases) {
        for (int price : prices) {
            const double before = upgrade();
            state.SetCoins(price - 1);
            shop.HandleClick(CentreOf(button));
            state.SetCoins(price);
            shop.HandleClick(CentreOf(button));
            EXPECT_EQ(state.GetCoins(), 0) << "price " << price;
            EXPECT_NEAR(upgrade(), before + step, 1e-5) << "price " << price;
        }
    }
    shop.RefreshPrices();
    EXPECT_EQ(shop.GetDamagePriceText().getString().toAnsiString(), "Prix : 800 Coins");
    // The extra-ball button stands to the right of its price, the others under theirs.
    const auto left = [](const sf::Text& text) { return text.getPosition().x; };
    EXPECT_EQ(left(shop.GetDamageBuyText()), left(shop.GetDamagePriceText()));
    EXPECT_EQ(left(shop.GetSpeedBuyText()) - 700.f, left(shop.GetDamagePriceText()));
    EXPECT_EQ(left(shop.GetBallsBuyText()) - 1400.f, left(shop.GetDamagePriceText()));
}
