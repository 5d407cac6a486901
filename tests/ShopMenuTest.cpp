#include "TestSupport.hpp"

class ShopMenuTest : public GameTest {};

// Each purchase adds 5 damage, 0.2 speed or a ball and raises the next price
// of its kind by the step times the number bought; one coin short buys nothing.
TEST_F(ShopMenuTest, PricesGrowWithEachPurchaseAndOneCoinShortBuysNothing)
{
    ShopMenu& shop = *game->GetShopMenu();
    shop.UpdateGameState();
    GameState& state = State();
    const int damage = state.GetBallDamage(), balls = state.GetBallsPerLevel();
    const float speed = state.GetBallSpeed();
    const std::pair<const sf::Text*, std::vector<int>> buttons[] = {
        {&shop.GetDamageBuyText(), {50, 100, 200, 350, 550}},
        {&shop.GetSpeedBuyText(), {50, 100, 200, 350, 550}},
        {&shop.GetBallsBuyText(), {500, 1000, 2000, 3500, 5500}}};
    for (const auto& [button, prices] : buttons) {
        for (int price : prices) {
            state.SetCoins(price - 1);
            shop.HandleClick(CentreOf(*button));
            state.SetCoins(price);
            shop.HandleClick(CentreOf(*button));
            EXPECT_EQ(state.GetCoins(), 0) << "price " << price;
        }
    }
    EXPECT_EQ(state.GetBallDamage(), damage + 5 * 5);
    EXPECT_NEAR(state.GetBallSpeed(), speed + 5 * 0.2f, 1e-4);
    EXPECT_EQ(state.GetBallsPerLevel(), balls + 5);
    shop.RefreshPrices();
    EXPECT_EQ(shop.GetDamagePriceText().getString().toAnsiString(), "Prix : 800 Coins");
    // The extra-ball button stands to the right of its price, the others under theirs.
    const auto left = [](const sf::Text& text) { return text.getPosition().x; };
    EXPECT_EQ(left(shop.GetDamageBuyText()), left(shop.GetDamagePriceText()));
    EXPECT_EQ(left(shop.GetSpeedBuyText()) - 700.f, left(shop.GetDamagePriceText()));
    EXPECT_EQ(left(shop.GetBallsBuyText()) - 1400.f, left(shop.GetDamagePriceText()));
}
