#pragma once

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Text.hpp>
#include <vector>

class Game;
class GameState;

// The French upgrade shop between levels: more damage, faster balls, one
// more ball per level, and "Continuer" to send the pad back.
class ShopMenu {
public:
    explicit ShopMenu(Game* game);

    // drawables points into this object: never copy or move it.
    ShopMenu(const ShopMenu&) = delete;
    ShopMenu& operator=(const ShopMenu&) = delete;
    ShopMenu(ShopMenu&&) = delete;
    ShopMenu& operator=(ShopMenu&&) = delete;

    void UpdateGameState();
    void Draw();
    void RefreshPrices();
    void HandleClick(sf::Vector2i position);

    int GetDamagePrice() const { return damagePrice; }
    int GetSpeedPrice() const { return speedPrice; }
    int GetBallsPrice() const { return ballsPrice; }
    const std::vector<const sf::Drawable*>& GetDrawables() const { return drawables; }
    const sf::Text& GetContinueText() const { return continueText; }
    const sf::Text& GetDamagePriceText() const { return damagePriceText; }
    const sf::Text& GetDamageBuyText() const { return damageBuyText; }
    const sf::Text& GetSpeedBuyText() const { return speedBuyText; }
    const sf::Text& GetBallsBuyText() const { return ballsBuyText; }

    // "Prix : <price> Coins".
    static sf::String PriceText(int price);

private:
    // Pays and raises the price when the coins suffice; false otherwise.
    bool Buy(int& price, int& bought, int priceStep);

    sf::Font font;
    sf::Text continueText;
    sf::Text damagePriceText;
    sf::Text damageBuyText;
    sf::Text damageLabel;
    sf::Text speedPriceText;
    sf::Text speedBuyText;
    sf::Text speedLabel;
    sf::Text ballsPriceText;
    sf::Text ballsBuyText;
    sf::Text ballsLabel;
    std::vector<const sf::Drawable*> drawables;
    Game* game;
    GameState* state = nullptr;
    int damagePrice = 50;
    int damageBought = 0;
    int speedPrice = 50;
    int speedBought = 0;
    int ballsPrice = 500;
    int ballsBought = 0;
};
