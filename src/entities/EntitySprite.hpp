#pragma once

#include "entities/Entity.hpp"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Sprite.hpp>

// An entity drawn as a textured, tinted sprite; its texture rectangle is
// also its collision box.
class EntitySprite : public Entity {
public:
    EntitySprite(sf::Vector2f position, sf::Vector2i textureOrigin, sf::Vector2i size,
                 const std::string& texturePath, sf::Vector2f scale, sf::Color color);
    ~EntitySprite() override;

    sf::Drawable* GetDrawable() override;
    void SetPosition(sf::Vector2f newPosition) override;

protected:
    EntitySprite(const EntitySprite& other);

    sf::Sprite sprite;
    sf::Vector2f scale;
    sf::Color color;
};
