#pragma once

#include <SFML/System/Vector2.hpp>

class Entity;

// Direction and speed of an entity that moves by itself. The direction is
// never normalised: a step covers speed times its length.
class MovingComponent {
public:
    MovingComponent(Entity* owner, sf::Vector2f direction, float speed);
    // Copies the values of another component for a new owner (clones).
    MovingComponent(Entity* owner, const MovingComponent& other);

    void Move();
    sf::Vector2f GetDirection() const { return direction; }
    void SetDirection(sf::Vector2f newDirection) { direction = newDirection; }
    float GetSpeed() const { return speed; }

    MovingComponent(const MovingComponent&) = delete;
    MovingComponent& operator=(const MovingComponent&) = delete;

protected:
    sf::Vector2f direction;
    float speed;
    Entity* owner;
};
