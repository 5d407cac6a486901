// Fault caught: a hit, bounce, damage, reward, sound, combo or erasure that the
// fast collision pass skips, adds or does in another order than the plain pass
// below, shown at the first step where two replays of one seeded game part.
#include "TestSupport.hpp"
#include "audio/SoundManager.hpp"
#include "entities/Ball.hpp"
#include "entities/Collision.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/ShopMenu.hpp"
#include <algorithm>
#include <cmath>

// Every ball against every other entity, four edge tests each, written plainly.
struct BallReferencePass {
    static void Run(Ball& updating)
    {
        Game& game = *updating.game;
        GameState& state = *game.GetState();
        std::vector<Entity*>& entities = game.GetEntities();
        std::vector<std::size_t> toRemove;
        for (std::size_t i = 0; i < entities.size(); ++i) {
            if (typeid(*entities[i]) != typeid(Ball))
                continue;
            Ball& ball = static_cast<Ball&>(*entities[i]);
            for (std::size_t j = 0; j < entities.size(); ++j) {
                Entity& e = *entities[j];
                if (typeid(e) == typeid(Ball) || !Bounce(ball, e))
                    continue;
                if (typeid(e) == typeid(MovableBrick) || typeid(e) == typeid(StaticBrick)) {
                    game.GetSoundManager()->PlaySound("Ball_tap_brick");
                    Brick& brick = static_cast<Brick&>(e);
                    const int d = state.GetBallDamage();
                    brick.TakeDamage(ball.combo == 0 ? d : d * ball.combo);
                    const int n = ball.combo += 1;
                    const auto g = static_cast<sf::Uint8>(std::max(0, 255 - 45 * n));
                    const auto b = static_cast<sf::Uint8>(std::max(0, 255 - 15 * n));
                    ball.SetColor(sf::Color(255, g, b, 255));
                    if (brick.IsBroken()) {
                        const double reward = std::pow(static_cast<double>(n), 1.2);
                        state.AddCoins(static_cast<int>(std::trunc(10 * reward)));
                        state.SetScore(
                            static_cast<int>(std::trunc(state.GetScore() + 3 * reward)));
                        toRemove.push_back(j);
                    }
                } else if (typeid(e) == typeid(Pad)) {
                    game.GetSoundManager()->PlaySound("Ball_tap_pad");
                    ball.combo = 0;
                    ball.SetColor(sf::Color(255, 255, 255, 255));
                }
                if (&ball == &updating)
                    state.SetCombo(ball.combo);
            }
            for (auto it = toRemove.rbegin(); it != toRemove.rend(); ++it) {
                game.Discard(entities[*it]);
                entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(*it));
                game.AddRemainingBricks(-1);
            }
            toRemove.clear();
        }
    }

    // All four edge tests first, then the bounces of those that hit; true on a hit.
    static bool Bounce(Ball& ball, const Entity& e)
    {
        const sf::Vector2f c(ball.position.x + ball.radius, ball.position.y + ball.radius);
        const float r = ball.radius, x = e.GetPosition().x, y = e.GetPosition().y;
        const float w = static_cast<float>(e.GetSize().x), h = static_cast<float>(e.GetSize().y);
        const bool top = CircleIntersectsSegment(c, r, {x, y}, {x + w, y});
        const bool right = CircleIntersectsSegment(c, r, {x + w, y}, {x + w, y + h});
        const bool left = CircleIntersectsSegment(c, r, {x, y}, {x, y + h});
        const bool bottom = CircleIntersectsSegment(c, r, {x, y + h}, {x + w, y + h});
        if (top) ball.direction.y = -std::abs(ball.direction.y);
        if (bottom) ball.direction.y = std::abs(ball.direction.y);
        if (right) ball.direction.x = std::abs(ball.direction.x);
        if (left) ball.direction.x = -std::abs(ball.direction.x);
        return top || right || left || bottom;
    }
};

namespace testsupport {
namespace {

const Game* observed = nullptr;
std::string sounds;

// Everything a pass can change, floats in hex so that equal text means equal bits.
std::string Snapshot(const Game& game)
{
    std::ostringstream out;
    const GameState& s = *game.GetState();
    out << std::hexfloat << s.GetCoins() << ' ' << s.GetScore() << ' ' << s.GetCombo() << ' '
        << game.GetShakeStrength() << ' ' << game.GetRemainingBricks() << ' ' << s.GetBallsInPlay();
    for (const Entity* e : game.GetEntities()) {
        out << '\n' << typeid(*e).name() << ' ' << e->GetPosition().x << ' ' << e->GetPosition().y;
        if (const auto* hp = dynamic_cast<const BreakableComponent*>(e))
            out << " hp " << hp->GetHitPoints();
        if (const auto* ball = dynamic_cast<const Ball*>(e))
            out << " dir " << ball->GetDirection().x << ' ' << ball->GetDirection().y << " combo "
                << ball->GetCombo() << " tint " << ball->GetColor().toInteger();
    }
    return out.str() + '\n';
}

// Each sound with a digest of the whole game as it was heard, so that a sound
// moved before or after another effect shows.
void HearSound(const std::string& name)
{
    sounds += name + ' ' + std::to_string(std::hash<std::string>()(Snapshot(*observed))) + '\n';
}

// Balls: most in play, fed in rows. Low damage keeps bricks alive through many
// passes. The A key empties the first level at step clearAt.
struct Scenario {
    std::uint32_t seed;
    int balls, damage, clearAt, nextBalls, steps;
};

class CollisionPassReplayTest : public GameTest {
protected:
    void TearDown() override
    {
        Ball::collisionPassForTesting = nullptr;
        SoundManager::soundPlayedForTesting = nullptr;
        GameTest::TearDown();
    }

    // One scenario's game, after every step, through one pass or the other.
    std::vector<std::string> Play(const Scenario& run, bool reference)
    {
        TearDown();
        SetUp();
        SeedRandomForTesting(run.seed);
        observed = game.get();
        Ball::collisionPassForTesting = reference ? &BallReferencePass::Run : nullptr;
        SoundManager::soundPlayedForTesting = &HearSound;
        GameState& state = *game->GetState();
        state.SetBallDamage(run.damage);
        StartPlaying();
        std::vector<std::string> steps;
        for (int k = 0; k < run.steps; ++k) {
            if (k % 40 == 0) { // the pad sweeps to and fro and catches some balls
                Send(KeyReleased(k % 80 ? sf::Keyboard::Left : sf::Keyboard::Right));
                Send(KeyPressed(k % 80 ? sf::Keyboard::Right : sf::Keyboard::Left));
            }
            Send(k == run.clearAt ? KeyPressed(sf::Keyboard::A) : KeyReleased(sf::Keyboard::A));
            if (state.IsShopOpen()) {
                state.SetBallsPerLevel(run.nextBalls);
                game->Render();
                Click(game->GetShopMenu()->GetContinueText());
            }
            if (!game->IsPadReturning() && !game->IsBallLaunched())
                Send(LeftClick(10, 500));
            // Rows of balls a brick apart meet a row of bricks in one step: an earlier
            // brick leaves the list while a later ball still touches a later brick.
            if (k % 30 == 0 && game->IsBallLaunched() && !game->IsBetweenLevels()) {
                const float dx = RandomFloat(-0.7f, 0.7f);
                const sf::Vector2f direction(dx, RandomFloat(-1.f, -0.2f));
                for (int b = 0; b < 6 && CountOf<Ball>(game->GetEntities()) < run.balls; ++b) {
                    state.SpawnBall();
                    auto* ball = static_cast<Ball*>(game->GetEntities().back());
                    ball->SetPosition(ball->GetPosition() + sf::Vector2f(105.f * b - 260.f, 0.f));
                    ball->SetDirection(direction);
                }
            }
            sounds.clear();
            Step();
            steps.push_back(Snapshot(*game) + sounds);
        }
        return steps;
    }
};

TEST_F(CollisionPassReplayTest, EveryStepMatchesThePlainPass)
{
    const Scenario scenarios[] = {{22u, 30, 1, 250, 4, 750}, {31u, 30, 5, 250, 4, 750}};
    for (const Scenario& run : scenarios) {
        const std::vector<std::string> expected = Play(run, true);
        const std::vector<std::string> actual = Play(run, false);
        for (std::size_t k = 0; k < expected.size(); ++k)
            ASSERT_EQ(actual[k], expected[k]) << "seed " << run.seed << ", step " << k;
        // Worth something only if both kinds of contact and the next level happened.
        for (const char* sound : {"Ball_tap_brick", "Ball_tap_pad"}) {
            const auto heard = [sound](const std::string& step) {
                return step.find(sound) != std::string::npos;
            };
            EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), heard)) << sound;
        }
        EXPECT_EQ(game->GetState()->GetLevel(), 2) << "seed " << run.seed;
    }
}

} // namespace
} // namespace testsupport
