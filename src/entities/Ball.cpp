#include "entities/Ball.hpp"

#include "audio/SoundManager.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "entities/Collision.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {
int TextureSide(float radius)
{
    return static_cast<int>(2 * radius);
}
} // namespace

Ball::Ball(sf::Vector2f position_, sf::Vector2f direction_, float speed_, int hitPoints_,
           int damage_, float radius_, Game* game_, sf::Color color_)
    : EntityCircle(position_, sf::Vector2i(0, 0),
                   sf::Vector2i(TextureSide(radius_), TextureSide(radius_)),
                   resourceRoot + "blanc.png", radius_, color_),
      MovingComponent(this, direction_, speed_), BreakableComponent(this, hitPoints_),
      damage(damage_), combo(0), game(game_)
{
}

Ball::Ball(const Ball& other)
    : EntityCircle(other), MovingComponent(this, other), BreakableComponent(this, other),
      damage(other.damage), combo(other.combo), game(other.game)
{
}

Ball::~Ball() = default;

Ball* Ball::Clone() const
{
    return new Ball(*this);
}

void Ball::Update()
{
    Move();
    if (!game->IsBallLaunched()) {
        // Only the field moves: the drawn circle catches up at the next Move.
        const Pad* pad = game->GetPad();
        position.x = static_cast<float>(pad->GetSize().x / 2) + pad->GetPosition().x - 10;
    }
    ApplyEdges();
    CollisionPass();
}

void Ball::ApplyEdges()
{
    const float x = position.x;
    const float y = position.y;
    const float diameter = radius + radius;
    const sf::Vector2u window = game->GetWindowSize();
    if (x < 0)
        direction.x = std::abs(direction.x);
    if (diameter + x > static_cast<float>(window.x))
        direction.x = -std::abs(direction.x);
    if (diameter + y > static_cast<float>(window.y)) {
        direction.y = -std::abs(direction.y);
        TakeDamage(99999);
        game->GetState()->AddBallsInPlay(-1);
        std::vector<Entity*>& entities = game->GetEntities();
        auto it = std::find(entities.begin(), entities.end(), static_cast<Entity*>(this));
        if (it != entities.end()) {
            entities.erase(it);
            // Freed by the game once this update has returned.
            game->Discard(this);
        }
    }
    if (y < 0)
        direction.y = std::abs(direction.y);
}

void Ball::CollisionPass()
{
    std::vector<Entity*>& entities = game->GetEntities();
    std::vector<std::size_t> toRemove;
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (typeid(*entities[i]) != typeid(Ball))
            continue;
        Ball& ball = static_cast<Ball&>(*entities[i]);
        for (std::size_t j = 0; j < entities.size(); ++j) {
            Entity& e = *entities[j];
            if (typeid(e) == typeid(Ball))
                continue;
            if (Collide(ball, e, j, toRemove) && &ball == this)
                game->GetState()->SetCombo(ball.combo);
        }
        // Indices were recorded in ascending order: erase from the back so the
        // rest stay valid.
        for (auto it = toRemove.rbegin(); it != toRemove.rend(); ++it) {
            Entity* broken = entities[*it];
            entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(*it));
            game->Discard(broken);
            game->AddRemainingBricks(-1);
        }
        toRemove.clear();
    }
}

bool Ball::Collide(Ball& ball, Entity& e, std::size_t j, std::vector<std::size_t>& toRemove)
{
    const sf::Vector2f c(ball.position.x + ball.radius, ball.position.y + ball.radius);
    const float r = ball.radius;
    const float x = e.GetPosition().x;
    const float y = e.GetPosition().y;
    const float w = static_cast<float>(e.GetSize().x);
    const float h = static_cast<float>(e.GetSize().y);

    // Every edge is tested before any bounce, so corners resolve the same way
    // whatever the ball did before.
    const bool top = CircleIntersectsSegment(c, r, {x, y}, {x + w, y});
    const bool right = CircleIntersectsSegment(c, r, {x + w, y}, {x + w, y + h});
    const bool left = CircleIntersectsSegment(c, r, {x, y}, {x, y + h});
    const bool bottom = CircleIntersectsSegment(c, r, {x, y + h}, {x + w, y + h});
    if (!top && !right && !left && !bottom)
        return false;

    if (top)
        ball.direction.y = -std::abs(ball.direction.y);
    if (bottom)
        ball.direction.y = std::abs(ball.direction.y);
    if (right)
        ball.direction.x = std::abs(ball.direction.x);
    if (left)
        ball.direction.x = -std::abs(ball.direction.x);

    const std::type_info& type = typeid(e);
    if (type == typeid(MovableBrick) || type == typeid(StaticBrick)) {
        game->GetSoundManager()->PlaySound("Ball_tap_brick");
        GameState* state = game->GetState();
        Brick& brick = static_cast<Brick&>(e);
        const int d = state->GetBallDamage();
        brick.TakeDamage(ball.combo == 0 ? d : d * ball.combo);
        ball.combo += 1;
        const int n = ball.combo;
        ball.SetColor(sf::Color(255, static_cast<sf::Uint8>(std::max(0, 255 - 45 * n)),
                                static_cast<sf::Uint8>(std::max(0, 255 - 15 * n)), 255));
        if (brick.IsBroken()) {
            const double reward = std::pow(static_cast<double>(n), 1.2);
            state->AddCoins(static_cast<int>(std::trunc(10 * reward)));
            state->SetScore(static_cast<int>(std::trunc(state->GetScore() + 3 * reward)));
            toRemove.push_back(j);
        }
    } else if (type == typeid(Pad)) {
        game->GetSoundManager()->PlaySound("Ball_tap_pad");
        ball.combo = 0;
        ball.SetColor(sf::Color(255, 255, 255, 255));
    }
    return true;
}
