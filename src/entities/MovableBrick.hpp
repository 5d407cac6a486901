#pragma once

#include "entities/Brick.hpp"
#include "entities/MovingComponent.hpp"

class Game;

// A red brick that now and then drops onto the pad's line and climbs back
// home. The frame update steers it; its own update moves it and hurts the pad.
class MovableBrick final : public Brick, public MovingComponent {
public:
    MovableBrick(Game* game, sf::Vector2f position, sf::Vector2i textureOrigin, sf::Vector2i size,
                 sf::Vector2f scale, sf::Color color, sf::Vector2f direction, float speed,
                 int hitPoints);
    ~MovableBrick() override;

    void Update() override;
    // The copy has no home yet: the level layout gives it one.
    MovableBrick* Clone() const override;

    sf::Vector2f GetHomePosition() const { return homePosition; }
    void SetHomePosition(sf::Vector2f home) { homePosition = home; }
    bool IsReturning() const { return returning; }
    void SetReturning(bool value) { returning = value; }

private:
    MovableBrick(const MovableBrick& other);

    Game* game;
    sf::Vector2f homePosition;
    bool returning;
};
