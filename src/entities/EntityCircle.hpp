#pragma once

#include "entities/Entity.hpp"

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/Color.hpp>

// An entity drawn as a textured circle whose top-left corner is its position.
class EntityCircle : public Entity {
public:
    EntityCircle(sf::Vector2f position, sf::Vector2i textureOrigin, sf::Vector2i size,
                 const std::string& texturePath, float radius, sf::Color color);
    ~EntityCircle() override;

    sf::Drawable* GetDrawable() override;
    void SetPosition(sf::Vector2f newPosition) override;
    virtual void SetColor(sf::Color newColor);

    float GetRadius() const { return radius; }
    const sf::CircleShape& GetShape() const { return shape; }

protected:
    EntityCircle(const EntityCircle& other);

    sf::Color color;
    sf::CircleShape shape;
    float radius;
};
