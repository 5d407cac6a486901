#include "entities/MovingComponent.hpp"

#include "entities/Entity.hpp"

MovingComponent::MovingComponent(Entity* owner_, sf::Vector2f direction_, float speed_)
    : direction(direction_), speed(speed_), owner(owner_)
{}

MovingComponent::MovingComponent(Entity* owner_, const MovingComponent& other)
    : direction(other.direction), speed(other.speed), owner(owner_)
{}

void MovingComponent::Move()
{
    const sf::Vector2f p = owner->GetPosition();
    const float dx = direction.x * speed;
    const float dy = direction.y * speed;
    owner->SetPosition(sf::Vector2f(p.x + dx, p.y + dy));
}
