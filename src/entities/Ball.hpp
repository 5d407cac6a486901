#pragma once

#include "entities/BreakableComponent.hpp"
#include "entities/EntityCircle.hpp"
#include "entities/MovingComponent.hpp"

#include <cstddef>
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
    int GetDamage() const { return damage; }

    // Tests only: when set, runs in place of the collision pass, so that a
    // test can replay a game through a reference pass and compare.
    static void (*collisionPassForTesting)(Ball& updating);
    // The reference pass of the tests, which needs the combo and the game.
    friend struct BallReferencePass;

private:
    Ball(const Ball& other);

    // What a ball does on contact with an entity, by its exact type.
    enum class Kind : unsigned char;
    // The entities one collision pass can hit, read once per pass.
    struct PassTargets;
    static PassTargets& Targets();

    void ApplyEdges();
    void CollisionPass();
    // Tests one ball against one entity; returns true when it hit. Broken
    // bricks are recorded in toRemove.
    bool Collide(Ball& ball, Entity& e, Kind kind, std::size_t j,
                 std::vector<std::size_t>& toRemove);

    int damage;
    int combo;
    Game* game;
};
