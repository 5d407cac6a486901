#include "ui/ShopMenu.hpp"

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "state/GameState.hpp"
#include "ui/TextLayout.hpp"
#include "ui/ToString.hpp"

#include <SFML/Graphics/RenderWindow.hpp>

ShopMenu::ShopMenu(Game* game_) : game(game_)
{
    if (!font.loadFromFile(resourceRoot + assetFile::font)) {
        ReportFontFailure("ShopMenu");
        return;
    }
    const sf::Color white = sf::Color::White;
    SetUpText(continueText, font, "Continuer", 70, white);
    // Not centred: the button ends at the window's middle.
    continueText.setPosition(static_cast<float>(game->GetWindowSize().x / 2) -
                                 continueText.getGlobalBounds().width,
                             100.f);

    struct Column {
        sf::Text& price;
        sf::Text& buy;
        sf::Text& label;
        const char* description;
        sf::Vector2f pricePosition;
        sf::Vector2f buyPosition;
        sf::Vector2f labelPosition;
    };
    // One row a column, left to right, as the player reads them.
    // clang-format off
    const Column columns[] = {
        {damagePriceText, damageBuyText, damageLabel, "Vos balles font plus de d\xE9gats",
         {100.f, 800.f}, {100.f, 850.f}, {50.f, 700.f}},
        {speedPriceText, speedBuyText, speedLabel, "Vos balles sont plus rapides",
         {800.f, 800.f}, {800.f, 850.f}, {750.f, 700.f}},
        {ballsPriceText, ballsBuyText, ballsLabel, "Vous avez plus de balles au d\xE9part",
         {1300.f, 800.f}, {1500.f, 850.f}, {1450.f, 700.f}},
    };
    // clang-format on
    drawables.push_back(&continueText);
    for (const Column& column : columns) {
        SetUpText(column.price, font, sf::String(), 40, white);
        column.price.setPosition(column.pricePosition);
        SetUpText(column.buy, font, "Acheter", 40, white);
        column.buy.setPosition(column.buyPosition);
        SetUpText(column.label, font, FromLatin1(column.description), 25, white);
        column.label.setPosition(column.labelPosition);
        drawables.push_back(&column.price);
        drawables.push_back(&column.buy);
        drawables.push_back(&column.label);
    }
}

sf::String ShopMenu::PriceText(int price)
{
    return sf::String("Prix : ") + ToString(price) + sf::String(" Coins");
}

void ShopMenu::UpdateGameState()
{
    state = game->GetState();
}

void ShopMenu::RefreshPrices()
{
    damagePriceText.setString(PriceText(damagePrice));
    speedPriceText.setString(PriceText(speedPrice));
    ballsPriceText.setString(PriceText(ballsPrice));
}

void ShopMenu::Draw()
{
    RefreshPrices();
    sf::RenderWindow* window = game->GetWindow();
    for (const sf::Drawable* drawable : drawables)
        window->draw(*drawable, sf::RenderStates::Default);
}

bool ShopMenu::Buy(int& price, int& bought, int priceStep)
{
    const int coins = state->GetCoins();
    if (coins < price)
        return false;
    state->SetCoins(coins - price);
    bought += 1;
    price += bought * priceStep;
    return true;
}

void ShopMenu::HandleClick(sf::Vector2i position)
{
    // A click before the first frame of the shop has no game to act on.
    if (!state)
        return;
    if (IsHit(damageBuyText, position)) {
        const int damage = state->GetBallDamage();
        if (Buy(damagePrice, damageBought, 50))
            state->SetBallDamage(damage + 5);
    } else if (IsHit(speedBuyText, position)) {
        const float speed = state->GetBallSpeed();
        if (Buy(speedPrice, speedBought, 50))
            state->SetBallSpeed(speed + 0.2f);
    } else if (IsHit(ballsBuyText, position)) {
        const int balls = state->GetBallsPerLevel();
        if (Buy(ballsPrice, ballsBought, 500))
            state->SetBallsPerLevel(balls + 1);
    } else if (IsHit(continueText, position)) {
        state->SetShopOpen(false);
        state->StartPadReturn();
        state->UpdatePadReturn();
    }
}
