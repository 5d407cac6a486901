#pragma once

#include "entities/BreakableComponent.hpp"
#include "entities/EntitySprite.hpp"
#include "entities/MovingComponent.hpp"

class Game;

// The player's paddle: steered by the frame update, and moved automatically
// between levels.
class Pad final : public EntitySprite, public MovingComponent, public BreakableComponent {
public:
    Pad(sf::Vector2f position, float speed, sf::Vector2f size, int hitPoints, sf::Color color,
        Game* game);
    ~Pad() override;

    void Update() override;
    Pad* Clone() const override;

    void MoveLeft();
    void MoveRight();
    void Stop();
    void MoveTowardCenter();
    void RiseIfCentered();

private:
    Pad(const Pad& other);
    float CenterLine() const;

    Game* game;
};
