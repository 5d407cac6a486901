#include "entities/Entity.hpp"

#include "assets/AssetCheck.hpp"

#include <SFML/Graphics/Texture.hpp>
#include <iostream>

Entity::Entity(sf::Vector2f position_, sf::Vector2i textureOrigin_, sf::Vector2i size_,
               const std::string& texturePath)
    : position(position_), textureOrigin(textureOrigin_), texture(new sf::Texture), size(size_)
{
    if (!IsSafeImageFile(texturePath) || !texture->loadFromFile(texturePath, sf::IntRect()))
        std::cout << "Loading texture failed." << std::endl;
    texture->setSmooth(true);
}

Entity::Entity(const Entity& other)
    : position(other.position), textureOrigin(other.textureOrigin),
      texture(new sf::Texture(*other.texture)), size(other.size)
{}

Entity::~Entity()
{
    delete texture;
}

void Entity::SetPosition(sf::Vector2f newPosition)
{
    position = newPosition;
}
