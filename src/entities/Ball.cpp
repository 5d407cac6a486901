#include "entities/Ball.hpp"

#include "AssetFiles.hpp"
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

// A ball must move less than this in one step. A ball touches an edge only
// while its centre is closer than its radius (10), so at 20 pixels a step it
// can land just on the pad's (20 high) top edge band and next just past its
// bottom edge band, and pass through without touching either.
constexpr float kLongestMove = 20.f;

// The edge tests can only hit a target whose rectangle, grown by the radius,
// holds the ball's centre; the margin keeps the float rounding of those tests
// on the safe side, so the reject never skips a hit.
bool InReach(const Ball& ball, const Entity& target)
{
    const float reach = ball.GetRadius() + 1.f;
    const sf::Vector2f centre =
        ball.GetPosition() + sf::Vector2f(ball.GetRadius(), ball.GetRadius());
    const sf::Vector2f p = target.GetPosition();
    const sf::Vector2f size(target.GetSize());
    return centre.x >= p.x - reach && centre.x <= p.x + size.x + reach && centre.y >= p.y - reach &&
           centre.y <= p.y + size.y + reach;
}
} // namespace

Ball::Ball(sf::Vector2f position_, sf::Vector2f direction_, float speed_, int hitPoints_,
           int damage_, float radius_, Game* game_, sf::Color color_)
    : EntityCircle(position_, sf::Vector2i(0, 0),
                   sf::Vector2i(TextureSide(radius_), TextureSide(radius_)),
                   resourceRoot + assetFile::whiteImage, radius_, color_),
      MovingComponent(this, direction_, speed_), BreakableComponent(this, hitPoints_),
      damage(damage_), combo(0), game(game_)
{}

Ball::Ball(const Ball& other)
    : EntityCircle(other), MovingComponent(this, other), BreakableComponent(this, other),
      damage(other.damage), combo(other.combo), game(other.game)
{}

Ball::~Ball() = default;

Ball* Ball::Clone() const
{
    return new Ball(*this);
}

void Ball::Update()
{
    // From kLongestMove a step on, the ball moves in equal sub-steps, each
    // tested like the step of a slower ball; below it nothing changes.
    const int moves = std::max(1, static_cast<int>(speed / kLongestMove) + 1);
    // A division by one is exact: a slow ball moves as it always did.
    const float fullSpeed = speed;
    speed = fullSpeed / static_cast<float>(moves);
    for (int k = 1; k <= moves; ++k) {
        if (!MoveOnce(k == moves))
            break;
    }
    speed = fullSpeed;
}

bool Ball::MoveOnce(bool lastOfStep)
{
    Move();
    if (!game->IsBallLaunched()) {
        // Only the field moves: the drawn circle catches up at the next Move.
        const Pad* pad = game->GetPad();
        position.x = static_cast<float>(pad->GetSize().x / 2) + pad->GetPosition().x - 10;
    }
    const bool onField = ApplyEdges();
    // Each step ends with the pass over every ball, even for a ball that just
    // fell out: the other balls are tested once per ball update.
    if (lastOfStep || !onField)
        CollisionPass();
    else if (CollideWithField(*this, KindsOf(game->GetEntities())))
        game->GetState()->SetCombo(combo);
    return onField;
}

bool Ball::ApplyEdges()
{
    const float x = position.x;
    const float y = position.y;
    const float diameter = radius + radius;
    const sf::Vector2u window = game->GetWindowSize();
    bool onField = true;
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
        onField = false;
    }
    if (y < 0)
        direction.y = std::abs(direction.y);
    return onField;
}

std::vector<Ball::Kind> Ball::KindsOf(const std::vector<Entity*>& entities)
{
    std::vector<Kind> kinds;
    kinds.reserve(entities.size());
    for (const Entity* e : entities) {
        const std::type_info& type = typeid(*e);
        if (type == typeid(Ball))
            kinds.push_back(Kind::Ball);
        else if (type == typeid(StaticBrick) || type == typeid(MovableBrick))
            kinds.push_back(Kind::Brick);
        else if (type == typeid(Pad))
            kinds.push_back(Kind::Pad);
        else
            kinds.push_back(Kind::Other);
    }
    return kinds;
}

void Ball::CollisionPass()
{
    // Every ball's update tests every ball, not only its own: a ball resting
    // against a brick hits it again at each other ball's update, so with two
    // balls in play each contact counts twice a step.
    std::vector<Entity*>& entities = game->GetEntities();
    std::vector<Kind> kinds = KindsOf(entities);
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (kinds[i] != Kind::Ball)
            continue;
        Ball& ball = static_cast<Ball&>(*entities[i]);
        const std::size_t before = entities.size();
        if (CollideWithField(ball, kinds) && &ball == this)
            game->GetState()->SetCombo(combo);
        if (entities.size() != before)
            kinds = KindsOf(entities);
    }
}

bool Ball::CollideWithField(Ball& ball, const std::vector<Kind>& kinds)
{
    std::vector<Entity*>& entities = game->GetEntities();
    std::vector<std::size_t> brokenBricks;
    bool hit = false;
    for (std::size_t j = 0; j < entities.size(); ++j) {
        if (kinds[j] == Kind::Ball || !InReach(ball, *entities[j]))
            continue;
        bool broken = false;
        if (!Collide(ball, *entities[j], kinds[j], broken))
            continue;
        hit = true;
        if (broken)
            brokenBricks.push_back(j);
    }
    // From the back, so the indices still to erase stay valid.
    for (auto it = brokenBricks.rbegin(); it != brokenBricks.rend(); ++it) {
        Entity* brick = entities[*it];
        entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(*it));
        game->Discard(brick);
        game->AddRemainingBricks(-1);
    }
    return hit;
}

bool Ball::Collide(Ball& ball, Entity& e, Kind kind, bool& broken)
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

    if (kind == Kind::Brick) {
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
            broken = true;
        }
    } else if (kind == Kind::Pad) {
        game->GetSoundManager()->PlaySound("Ball_tap_pad");
        ball.combo = 0;
        ball.SetColor(sf::Color(255, 255, 255, 255));
    }
    return true;
}
