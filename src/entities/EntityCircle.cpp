#include "entities/EntityCircle.hpp"

#include <SFML/Graphics/Texture.hpp>

EntityCircle::EntityCircle(sf::Vector2f position_, sf::Vector2i textureOrigin_, sf::Vector2i size_,
                           const std::string& texturePath, float radius_, sf::Color color_)
    : Entity(position_, textureOrigin_, size_, texturePath), color(color_), shape(0.f, 30),
      radius(radius_)
{
    shape.setTexture(texture, false);
    shape.setTextureRect(sf::IntRect(textureOrigin.x, textureOrigin.y, size.x, size.y));
    shape.setRadius(radius);
    shape.setPosition(position);
    shape.setFillColor(color);
}

EntityCircle::EntityCircle(const EntityCircle& other)
    : Entity(other), color(other.color), shape(other.shape), radius(other.radius)
{
    // The copied shape still points at the source's texture: rebind it.
    shape.setTexture(texture, false);
}

EntityCircle::~EntityCircle() = default;

sf::Drawable* EntityCircle::GetDrawable()
{
    return &shape;
}

void EntityCircle::SetPosition(sf::Vector2f newPosition)
{
    position = newPosition;
    shape.setPosition(newPosition);
}

void EntityCircle::SetColor(sf::Color newColor)
{
    // A ball is re-tinted at every hit, mostly with the tint it has, and each
    // change rewrites every vertex of the circle.
    if (newColor == color)
        return;
    color = newColor;
    shape.setFillColor(newColor);
}
