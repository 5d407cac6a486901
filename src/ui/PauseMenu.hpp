#pragma once

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>
#include <vector>

class Game;
class GameState;

// The start menu ("Start the game") and the pause screen ("Resume"), with
// "Leave" under either.
class PauseMenu {
public:
    PauseMenu(Game* game, bool startMode);

    // drawables points into this object: never copy or move it.
    PauseMenu(const PauseMenu&) = delete;
    PauseMenu& operator=(const PauseMenu&) = delete;
    PauseMenu(PauseMenu&&) = delete;
    PauseMenu& operator=(PauseMenu&&) = delete;

    const std::vector<const sf::Drawable*>& GetDrawables() const { return drawables; }
    // May close this menu (through the resume); the game frees it once the
    // event is handled.
    void HandleClick(sf::Vector2i position);
    bool IsStartMenu() const { return startMode; }

    const sf::Text& GetPlayText() const { return playText; }
    const sf::Text& GetLeaveText() const { return leaveText; }
    const sf::RectangleShape& GetBackdrop() const { return backdrop; }

private:
    sf::Font font;
    sf::Text playText;
    sf::Text leaveText;
    sf::RectangleShape backdrop;
    std::vector<const sf::Drawable*> drawables;
    Game* game;
    GameState* state;
    bool startMode;
};
