#include "entities/EntitySprite.hpp"

#include <SFML/Graphics/Texture.hpp>

EntitySprite::EntitySprite(sf::Vector2f position_, sf::Vector2i textureOrigin_, sf::Vector2i size_,
                           const std::string& texturePath, sf::Vector2f scale_, sf::Color color_)
    : Entity(position_, textureOrigin_, size_, texturePath), scale(scale_), color(color_)
{
    sprite.setTexture(*texture, false);
    sprite.setTextureRect(sf::IntRect(textureOrigin.x, textureOrigin.y, size.x, size.y));
    sprite.setScale(scale);
    sprite.setPosition(position);
    sprite.setColor(color);
}

EntitySprite::EntitySprite(const EntitySprite& other)
    : Entity(other), sprite(other.sprite), scale(other.scale), color(other.color)
{
    // The copied sprite still points at the source's texture: rebind it.
    sprite.setTexture(*texture, false);
}

EntitySprite::~EntitySprite() = default;

sf::Drawable* EntitySprite::GetDrawable()
{
    return &sprite;
}

void EntitySprite::SetPosition(sf::Vector2f newPosition)
{
    position = newPosition;
    sprite.setPosition(newPosition);
}
