#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <string>

namespace sf {
class Drawable;
class Texture;
} // namespace sf

// Anything on the play field. Each entity owns its own texture so that a
// clone stays drawable after its source is gone.
class Entity {
public:
    Entity(sf::Vector2f position, sf::Vector2i textureOrigin, sf::Vector2i size,
           const std::string& texturePath);
    virtual ~Entity();

    virtual sf::Drawable* GetDrawable() = 0;
    virtual void Update() = 0;
    virtual Entity* Clone() const = 0;
    virtual void SetPosition(sf::Vector2f newPosition);

    sf::Vector2f GetPosition() const { return position; }
    sf::Vector2i GetSize() const { return size; }

    Entity& operator=(const Entity&) = delete;

protected:
    // Copies give the copy a texture of its own.
    Entity(const Entity& other);

    sf::Vector2f position;
    sf::Vector2i textureOrigin;
    sf::Texture* texture;
    sf::Vector2i size;
};
