#include "entities/BreakableComponent.hpp"

BreakableComponent::BreakableComponent(Entity* owner_, int hitPoints_)
    : owner(owner_), hitPoints(hitPoints_)
{}

BreakableComponent::BreakableComponent(Entity* owner_, const BreakableComponent& other)
    : owner(owner_), hitPoints(other.hitPoints), broken(other.broken),
      invulnerable(other.invulnerable)
{}

void BreakableComponent::TakeDamage(int damage)
{
    hitPoints -= damage;
    if (!(hitPoints > 0)) {
        hitPoints = 0;
        broken = true;
    }
}
