#pragma once

class Entity;

// Hit points of an entity that can be broken. Once broken, always broken.
class BreakableComponent {
public:
    BreakableComponent(Entity* owner, int hitPoints);
    // Copies the values of another component for a new owner (clones).
    BreakableComponent(Entity* owner, const BreakableComponent& other);

    void TakeDamage(int damage);
    bool IsBroken() const { return broken; }
    int GetHitPoints() const { return hitPoints; }
    bool IsInvulnerable() const { return invulnerable; }
    void SetInvulnerable(bool value) { invulnerable = value; }

    BreakableComponent(const BreakableComponent&) = delete;
    BreakableComponent& operator=(const BreakableComponent&) = delete;

protected:
    Entity* owner;
    int hitPoints;
    bool broken = false;
    bool invulnerable = false;
};
