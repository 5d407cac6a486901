#include "TestSupport.hpp"

#include "core/Resources.hpp"
#include "entities/Ball.hpp"
#include "entities/MovableBrick.hpp"
#include "entities/Pad.hpp"
#include "entities/StaticBrick.hpp"
#include "state/GameState.hpp"
#include "state/RandomFloat.hpp"
#include "ui/GameOverMenu.hpp"
#include "ui/PauseMenu.hpp"
#include "ui/ShopMenu.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>

using namespace testsupport;

namespace {

constexpr int kSteps = 20000;
constexpr int kDrawEvery = 100;

// A player without a plan: keys pressed and released at random, the window
// losing focus, and clicks on the buttons on screen, near them and anywhere.
class RandomPlayer {
public:
    explicit RandomPlayer(std::uint32_t seed) : random(seed) {}

    std::vector<sf::Event> Act(const Game& game)
    {
        static const sf::Keyboard::Key keys[] = {sf::Keyboard::Left, sf::Keyboard::Right,
                                                 sf::Keyboard::Escape, sf::Keyboard::A};
        std::vector<sf::Event> events;
        const int roll = Roll(1000);
        if (roll < 30) {
            // A is the level-clear key: pressed rarely, so levels get played too.
            const sf::Keyboard::Key key = keys[Roll(roll < 2 ? 4 : 3)];
            events.push_back(Roll(2) ? KeyPressed(key) : KeyReleased(key));
        } else if (roll < 33) {
            sf::Event focus;
            focus.type = Roll(2) ? sf::Event::LostFocus : sf::Event::GainedFocus;
            events.push_back(focus);
        } else if (roll < 50) {
            events.push_back(Click(game));
        } else if (roll < 60 && heldA) {
            events.push_back(KeyReleased(sf::Keyboard::A));
        }
        for (const sf::Event& e : events) {
            const bool key = e.type == sf::Event::KeyPressed || e.type == sf::Event::KeyReleased;
            if (key && e.key.code == sf::Keyboard::A)
                heldA = e.type == sf::Event::KeyPressed;
        }
        return events;
    }

private:
    int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    sf::Event Click(const Game& game)
    {
        // The buttons that end the program are left to chance clicks.
        std::vector<const sf::Text*> buttons;
        if (const PauseMenu* menu = game.GetPauseMenu())
            buttons.push_back(&menu->GetPlayText());
        if (const GameOverMenu* menu = game.GetGameOverMenu())
            buttons.push_back(&menu->GetRestartText());
        if (game.GetState()->IsShopOpen()) {
            const ShopMenu& shop = *game.GetShopMenu();
            buttons.insert(buttons.end(), {&shop.GetDamageBuyText(), &shop.GetSpeedBuyText(),
                                           &shop.GetBallsBuyText(), &shop.GetContinueText()});
        }
        const int how = Roll(4);
        if (how == 0 || buttons.empty())
            return LeftClick(Roll(1920), Roll(1080));
        const sf::Text& button = *buttons[static_cast<std::size_t>(Roll(static_cast<int>(buttons.size())))];
        const sf::Vector2i at = CentreOf(button.getGlobalBounds());
        const int spread = how == 1 ? 40 : 3;
        return LeftClick(at.x + Roll(2 * spread + 1) - spread, at.y + Roll(2 * spread + 1) - spread);
    }

    std::mt19937 random;
    bool heldA = false;
};

// What a player relies on after every step; empty when all hold.
std::string BrokenInvariant(const Game& game)
{
    const std::vector<Entity*>& entities = game.GetEntities();
    if (game.GetState()->GetBallsInPlay() != CountOf<Ball>(entities))
        return "the ball count differs from the balls on the field";
    if (std::count(entities.begin(), entities.end(), game.GetPad()) != 1)
        return "the pad is not in the list exactly once";
    if (game.GetRemainingBricks() != CountOf<StaticBrick>(entities) + CountOf<MovableBrick>(entities))
        return "the brick count differs from the bricks on the field";
    if (!game.IsPlaying() && game.GetShakeStrength() != 0.f)
        return "the screen shakes outside play";
    if (game.GetPauseMenu() && game.GetGameOverMenu())
        return "two menus are open";
    if (game.IsGameOver() && !game.GetGameOverMenu())
        return "the game is over without its menu";
    return {};
}

void PlayOneSeed(std::uint32_t seed)
{
    SeedRandomForTesting(seed);
    escapeHeld = false;
    RandomPlayer player(seed);
    CapturedStdout out;
    std::unique_ptr<Game> game;
    const Pad* pad = nullptr;
    int hitPoints = 0;
    for (int step = 0; step < kSteps; ++step) {
        if (!game || !game->IsWindowOpen()) {
            game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
            game->Init();
            ASSERT_TRUE(game->IsWindowOpen()) << "no window: run the tests under xvfb-run";
        }
        for (const sf::Event& event : player.Act(*game)) {
            game->HandleEvent(event);
            ASSERT_FALSE(event.type == sf::Event::LostFocus &&
                         (game->IsLeftPressed() || game->IsRightPressed() || game->IsClearKeyPressed()))
                << "seed " << seed << ", step " << step << ": a key stays held after the focus is lost";
        }
        if (!game->GetState()->IsPaused())
            game->Update();
        if (step % kDrawEvery == 0)
            game->Render();
        const std::string broken = BrokenInvariant(*game);
        ASSERT_TRUE(broken.empty()) << "seed " << seed << ", step " << step << ": " << broken;
        if (game->GetPad() != pad)
            hitPoints = game->GetPad()->GetHitPoints();
        ASSERT_LE(game->GetPad()->GetHitPoints(), hitPoints)
            << "seed " << seed << ", step " << step << ": the pad healed";
        hitPoints = game->GetPad()->GetHitPoints();
        // A restarted game's pad may reuse the lost one's memory: count afresh.
        pad = game->IsGameOver() ? nullptr : game->GetPad();
    }
    EXPECT_EQ(out.Text(), "") << "seed " << seed << ": a normal session prints nothing";
}

} // namespace

TEST(RandomPlay, InvariantsHoldThroughAHundredThousandRandomSteps)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        PlayOneSeed(seed);
        if (HasFatalFailure())
            return;
    }
}
