#pragma once

#include "entities/BreakableComponent.hpp"
#include "entities/EntityCircle.hpp"
#include "entities/MovingComponent.hpp"

#include <vector>

class Game;

// The projectile. Its update moves it, keeps it on the pad until launch,
// bounces it off the window and runs the collision pass of every ball.
class Ball final : public EntityCircle, public MovingComponent, public BreakableComponent {
public:
    Ball(sf::Vector2f position, sf::Vector2f direction, float speed, int hitPoints, int damage,
         float radius, Game* game, sf::Color color);
    ~Ball() override;

    void Update() override;
    Ball* Clone() const override;

    int GetCombo() const { return combo; }

private:
    Ball(const Ball& other);

    // What a ball does on contact with an entity, by its exact type.
    enum class Kind : unsigned char { Ball, Brick, Pad, Other };
    static std::vector<Kind> KindsOf(const std::vector<Entity*>& entities);

    // One move at the current speed; the last move of a step runs the full
    // collision pass. Returns false once the ball has fallen out.
    bool MoveOnce(bool lastOfStep);
    // Bounces off the window edges; returns false when the ball fell out.
    bool ApplyEdges();
    void CollisionPass();
    // Tests one ball against every other entity, in list order, and takes
    // the bricks it broke out of the list. Returns whether it hit anything.
    bool CollideWithField(Ball& ball, const std::vector<Kind>& kinds);
    // Bounces the ball off one entity and applies the hit; broken is set
    // when a brick broke. Returns whether the ball touched it.
    bool Collide(Ball& ball, Entity& target, Kind kind, bool& broken);

    int damage;
    int combo;
    Game* game;
};
