#pragma once

#include "entities/BreakableComponent.hpp"
#include "entities/EntitySprite.hpp"

// A target the balls break. Its tint never changes with its hit points.
class Brick : public EntitySprite, public BreakableComponent {
public:
    Brick(sf::Vector2f position, sf::Vector2i textureOrigin, sf::Vector2i size, sf::Vector2f scale,
          sf::Color color, int hitPoints);
    ~Brick() override;

protected:
    Brick(const Brick& other);
};
