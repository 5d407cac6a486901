#pragma once

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>
#include <vector>

class Game;

// "You are bad!" with "Restart the game" and "Ragequit".
class GameOverMenu {
public:
    explicit GameOverMenu(Game* game);

    // drawables points into this object: never copy or move it.
    GameOverMenu(const GameOverMenu&) = delete;
    GameOverMenu& operator=(const GameOverMenu&) = delete;
    GameOverMenu(GameOverMenu&&) = delete;
    GameOverMenu& operator=(GameOverMenu&&) = delete;

    const std::vector<const sf::Drawable*>& GetDrawables() const { return drawables; }
    // May close this menu (through the restart), which the game frees once the
    // event is handled; the lost game's state is gone at once.
    void HandleClick(sf::Vector2i position);

    const sf::Text& GetTitleText() const { return titleText; }
    const sf::Text& GetRestartText() const { return restartText; }
    const sf::Text& GetQuitText() const { return quitText; }
    const sf::RectangleShape& GetBackdrop() const { return backdrop; }

private:
    sf::Font font;
    sf::Text titleText;
    sf::Text restartText;
    sf::Text quitText;
    sf::RectangleShape backdrop;
    std::vector<const sf::Drawable*> drawables;
    Game* game;
};
