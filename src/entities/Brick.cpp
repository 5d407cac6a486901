#include "entities/Brick.hpp"

#include "AssetFiles.hpp"
#include "core/Resources.hpp"

Brick::Brick(sf::Vector2f position_, sf::Vector2i textureOrigin_, sf::Vector2i size_,
             sf::Vector2f scale_, sf::Color color_, int hitPoints_)
    : EntitySprite(position_, textureOrigin_, size_, resourceRoot + assetFile::brickImage, scale_,
                   color_),
      BreakableComponent(this, hitPoints_)
{}

Brick::Brick(const Brick& other) : EntitySprite(other), BreakableComponent(this, other)
{}

Brick::~Brick() = default;
