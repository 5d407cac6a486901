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
#include <limits>
#include <typeinfo>
#include <utility>

enum class Ball::Kind : unsigned char { Ball, Brick, Pad, Other };

void (*Ball::collisionPassForTesting)(Ball& updating) = nullptr;

namespace {
int TextureSide(float radius)
{
    return static_cast<int>(2 * radius);
}

// A ball can only hit an entity whose rectangle, grown by the ball's radius,
// holds the ball's centre: exactly so across each edge, and give or take the
// rounding of the float edge tests along it, a few units in the last place of
// the coordinates. While every coordinate stays under kExactRange pixels that
// is below 0.05 pixel, far inside kMargin, so skipping an entity out of reach
// by the radius plus the margin never skips a hit. Balls and entities beyond
// the range, or not finite, are always tested in full.
constexpr float kExactRange = 65536.f;
constexpr float kMargin = 1.f;

// Horizontal bands sort the targets by height, so that a ball looks only at
// those near its own height: each target is listed in every band within
// kBandPadding of its rectangle, which serves balls whose reach is at most
// half of it and leaves rounding far behind.
// With a few balls, laying out the bands costs more than it saves.
constexpr double kBandPadding = 32.0;
constexpr double kBandHeight = 32.0;
constexpr double kMaxBands = 64.0;
constexpr std::size_t kBandsFromBalls = 12;

bool InExactRange(float v)
{
    return std::abs(v) < kExactRange;
}
} // namespace

// What one collision pass needs to know of the list, read once: the kind of
// every entity, and the reach of every one that is not a ball. Nothing in the
// pass moves or resizes an entity, so this holds until bricks are erased.
struct Ball::PassTargets {
    // An entity that is not a ball: where it is in the list, and the
    // rectangle whose edges the ball is tested against.
    struct Target {
        std::size_t index;
        Kind kind;
        float left, right, top, bottom;
    };

    std::vector<Kind> kinds;
    std::vector<Target> targets;
    // Targets by band, in list order; none when some target is out of the
    // exact range, and then every ball looks at every target.
    std::vector<std::vector<std::size_t>> bands;
    std::size_t bandCount = 0;
    double bandOrigin = 0.0;
    double bandHeight = kBandHeight;
    std::vector<std::size_t> everyTarget;
    std::vector<std::size_t> inReach;
    std::vector<std::size_t> toRemove;

    // The kind of each type met so far, by the address of its type_info: an
    // address names one type, so only types not seen yet are compared in full.
    std::vector<std::pair<const std::type_info*, Kind>> knownTypes;

    Kind KindOf(const Entity& e)
    {
        const std::type_info& type = typeid(e);
        for (const auto& known : knownTypes) {
            if (known.first == &type)
                return known.second;
        }
        Kind k = Kind::Other;
        if (type == typeid(Ball))
            k = Kind::Ball;
        else if (type == typeid(StaticBrick) || type == typeid(MovableBrick))
            k = Kind::Brick;
        else if (type == typeid(Pad))
            k = Kind::Pad;
        knownTypes.emplace_back(&type, k);
        return k;
    }

    // Monotonic in v, so a point between two heights falls between their
    // bands. Only ever given heights in the exact range.
    long BandOf(double v) const
    {
        const double q = (v - bandOrigin) / bandHeight;
        const long band = static_cast<long>(q);
        return q < static_cast<double>(band) ? band - 1 : band;
    }

    void Read(const std::vector<Entity*>& entities)
    {
        kinds.resize(entities.size());
        // Written in place: the list is read once per pass, for every ball.
        targets.resize(entities.size());
        everyTarget.resize(entities.size());
        std::size_t count = 0;
        bool exact = true;
        std::size_t balls = 0;
        float highest = std::numeric_limits<float>::infinity();
        float lowest = -highest;
        for (std::size_t j = 0; j < entities.size(); ++j) {
            const Entity& e = *entities[j];
            const Kind kind = KindOf(e);
            kinds[j] = kind;
            if (kind == Kind::Ball) {
                ++balls;
                continue;
            }
            // The far corner is rounded exactly as the edge tests round it.
            const sf::Vector2f position = e.GetPosition();
            const sf::Vector2i size = e.GetSize();
            const float w = static_cast<float>(size.x);
            const float h = static_cast<float>(size.y);
            const float xw = position.x + w;
            const float yh = position.y + h;
            Target& target = targets[count];
            target.index = j;
            target.kind = kind;
            if (InExactRange(position.x) && InExactRange(position.y) && InExactRange(w) &&
                InExactRange(h)) {
                target.left = std::min(position.x, xw);
                target.right = std::max(position.x, xw);
                target.top = std::min(position.y, yh);
                target.bottom = std::max(position.y, yh);
                highest = std::min(highest, target.top);
                lowest = std::max(lowest, target.bottom);
            } else {
                const float inf = std::numeric_limits<float>::infinity();
                target.left = target.top = -inf;
                target.right = target.bottom = inf;
                exact = false;
            }
            everyTarget[count] = count;
            ++count;
        }
        targets.resize(count);
        everyTarget.resize(count);
        for (std::size_t b = 0; b < bandCount; ++b)
            bands[b].clear();
        bandCount = 0;
        if (!exact || targets.empty() || balls < kBandsFromBalls)
            return;
        bandOrigin = static_cast<double>(highest) - kBandPadding;
        const double span = static_cast<double>(lowest) + kBandPadding - bandOrigin;
        bandHeight = std::max(kBandHeight, span / kMaxBands);
        const long lastBand = BandOf(static_cast<double>(lowest) + kBandPadding);
        bandCount = static_cast<std::size_t>(lastBand) + 1;
        if (bands.size() < bandCount)
            bands.resize(bandCount);
        for (std::size_t t = 0; t < targets.size(); ++t) {
            const long first = BandOf(static_cast<double>(targets[t].top) - kBandPadding);
            const long last = BandOf(static_cast<double>(targets[t].bottom) + kBandPadding);
            for (long b = first; b <= last; ++b)
                bands[static_cast<std::size_t>(b)].push_back(t);
        }
    }

    // The targets whose rectangle, grown by the ball's radius and the margin,
    // holds the ball's centre, in list order.
    const std::vector<std::size_t>& InReachOf(const Ball& ball)
    {
        const float r = ball.radius;
        const float cx = ball.position.x + r;
        const float cy = ball.position.y + r;
        const bool exact = InExactRange(cx) && InExactRange(cy) && InExactRange(r);
        const float reach = exact ? r + kMargin : std::numeric_limits<float>::infinity();
        inReach.clear();
        const std::vector<std::size_t>* candidates = &everyTarget;
        if (bandCount > 0 && static_cast<double>(reach) <= kBandPadding / 2) {
            const long b = BandOf(static_cast<double>(cy));
            if (b < 0 || static_cast<std::size_t>(b) >= bandCount)
                return inReach;
            candidates = &bands[static_cast<std::size_t>(b)];
        }
        const float fromLeft = cx + reach;
        const float fromRight = cx - reach;
        const float fromTop = cy + reach;
        const float fromBottom = cy - reach;
        // A NaN keeps a target, which the edge tests then reject.
        for (std::size_t t : *candidates) {
            const Target& target = targets[t];
            if (!(fromLeft < target.left) && !(fromRight > target.right) &&
                !(fromTop < target.top) && !(fromBottom > target.bottom))
                inReach.push_back(t);
        }
        return inReach;
    }
};

Ball::PassTargets& Ball::Targets()
{
    // Kept from pass to pass so that a step allocates nothing once warm. The
    // pass never runs inside another, so one set per thread is enough.
    thread_local PassTargets targets;
    return targets;
}

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
    if (collisionPassForTesting)
        collisionPassForTesting(*this);
    else
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
    PassTargets& targets = Targets();
    targets.Read(entities);
    std::vector<std::size_t>& toRemove = targets.toRemove;
    toRemove.clear();
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (targets.kinds[i] != Kind::Ball)
            continue;
        Ball& ball = static_cast<Ball&>(*entities[i]);
        // The targets out of reach would not hit: only the rest, in list
        // order, can have effects.
        for (std::size_t t : targets.InReachOf(ball)) {
            const std::size_t j = targets.targets[t].index;
            if (Collide(ball, *entities[j], targets.targets[t].kind, j, toRemove) && &ball == this)
                game->GetState()->SetCombo(ball.combo);
        }
        if (toRemove.empty())
            continue;
        // Indices were recorded in ascending order: erase from the back so the
        // rest stay valid.
        for (auto it = toRemove.rbegin(); it != toRemove.rend(); ++it) {
            Entity* broken = entities[*it];
            entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(*it));
            game->Discard(broken);
            game->AddRemainingBricks(-1);
        }
        toRemove.clear();
        targets.Read(entities);
    }
}

bool Ball::Collide(Ball& ball, Entity& e, Kind kind, std::size_t j,
                   std::vector<std::size_t>& toRemove)
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
            toRemove.push_back(j);
        }
    } else if (kind == Kind::Pad) {
        game->GetSoundManager()->PlaySound("Ball_tap_pad");
        ball.combo = 0;
        ball.SetColor(sf::Color(255, 255, 255, 255));
    }
    return true;
}
