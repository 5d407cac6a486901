#include "TestSupport.hpp"

#include <optional>
#include <random>
#include <set>

namespace {

using Screen = Game::Screen;

// A player without a plan. Keys are held for long stretches and let go on
// whatever screen comes; the window loses focus; clicks land on the buttons
// on screen, near them and anywhere. Now and then the last brick breaks with
// the balls still in flight, and the balls are lost in the very step the pad
// leaves the top, so that a loss and the shop come together.
class RandomPlayer {
public:
    explicit RandomPlayer(std::uint32_t seed) : random(seed) {}

    std::optional<sf::Event> Act(Game& game)
    {
        const int dice = Roll(1000);
        if (dice < 20) {
            // A clears the level at once: pressed rarely, so levels get played too.
            const sf::Keyboard::Key keys[] = {sf::Keyboard::Left, sf::Keyboard::Right,
                                              sf::Keyboard::Escape, sf::Keyboard::A};
            const sf::Keyboard::Key key = keys[Roll(dice < 3 ? 4 : 3)];
            if (held.erase(key) > 0)
                return KeyEvent(key, sf::Event::KeyReleased);
            held.insert(key);
            return KeyEvent(key);
        }
        if (dice < 23)
            return sf::Event{Roll(2) ? sf::Event::LostFocus : sf::Event::GainedFocus, {}};
        if (dice < 40)
            return Click(game);
        if (dice < 42 && game.IsPlaying())
            BreakEveryBrick(game);
        // One step from leaving the top: the pad climbs 10 pixels a step.
        if (game.GetScreen() == Screen::LevelExit && game.GetPad()->GetPosition().y < -10.f &&
            Roll(2))
            LoseEveryBall(game);
        return {};
    }

    bool HoldsAnyKey() const { return !held.empty(); }

private:
    int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    sf::Event Click(const Game& game)
    {
        std::vector<const sf::Text*> buttons;
        if (const PauseMenu* menu = game.GetPauseMenu())
            buttons.push_back(&menu->GetPlayText());
        if (const GameOverMenu* menu = game.GetGameOverMenu())
            buttons.push_back(&menu->GetRestartText());
        const ShopMenu& shop = *game.GetShopMenu();
        if (game.GetState()->IsShopOpen())
            buttons.insert(buttons.end(), {&shop.GetDamageBuyText(), &shop.GetSpeedBuyText(),
                                           &shop.GetBallsBuyText(), &shop.GetContinueText()});
        const int how = Roll(4);
        if (how == 0 || buttons.empty())
            return MouseClick(Roll(1920), Roll(1080));
        const sf::Vector2i at = CentreOf(*buttons[Roll(static_cast<int>(buttons.size()))]);
        const int spread = how == 1 ? 40 : 3;
        return MouseClick(at.x + Roll(2 * spread + 1) - spread,
                          at.y + Roll(2 * spread + 1) - spread);
    }

    static void BreakEveryBrick(Game& game)
    {
        std::vector<Entity*>& entities = game.GetEntities();
        for (std::size_t i = entities.size(); i-- > 0;) {
            if (dynamic_cast<Brick*>(entities[i])) {
                game.Discard(entities[i]);
                entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(i));
                game.AddRemainingBricks(-1);
            }
        }
    }

    std::mt19937 random;
    std::set<sf::Keyboard::Key> held;
};

// What a player relies on after every step.
void ExpectInvariants(const Game& game)
{
    const std::vector<Entity*>& entities = game.GetEntities();
    const Screen screen = game.GetScreen();
    ASSERT_EQ(game.GetState()->GetBallsInPlay(), CountOf<Ball>(entities)) << "balls in play";
    ASSERT_EQ(std::count(entities.begin(), entities.end(), game.GetPad()), 1) << "pads listed";
    ASSERT_EQ(game.GetRemainingBricks(),
              CountOf<StaticBrick>(entities) + CountOf<MovableBrick>(entities))
        << "bricks left";
    ASSERT_TRUE(screen == Screen::Playing || screen == Screen::WaitingForLaunch ||
                game.GetShakeStrength() == 0.f)
        << "the screen shakes outside play";
    ASSERT_FALSE(game.GetPauseMenu() && game.GetGameOverMenu()) << "two menus are open";
    ASSERT_FALSE(screen == Screen::GameOver && !game.GetGameOverMenu()) << "game over, no menu";
    ASSERT_FALSE(screen == Screen::GameOver && game.GetState()->IsShopOpen()) << "a shop on it";
}

// Everything a new game starts with, once its start menu is gone.
std::string NewGameFlags(const Game& game)
{
    const GameState& s = *game.GetState();
    const ShopMenu& shop = *game.GetShopMenu();
    const Screen screen = game.GetScreen();
    std::ostringstream out;
    out << NameOf(screen == Screen::StartMenu ? Screen::WaitingForLaunch : screen) << ' '
        << game.IsAnyKeyHeld() << game.IsPadControlEnabled() << game.IsBallLaunched() << ' '
        << s.IsShopOpen() << game.GetHud()->GetTimer()->IsPaused() << ' ' << s.GetLevel() << ' '
        << s.GetScore() << ' ' << s.GetCoins() << ' ' << s.GetBallDamage() << ' '
        << s.GetBallSpeed() << ' ' << s.GetBallsPerLevel() << ' ' << s.GetBallsInPlay() << ' '
        << shop.GetDamagePrice() << ' ' << shop.GetSpeedPrice() << ' ' << shop.GetBallsPrice()
        << ' ' << game.GetPad()->GetHitPoints() << ' ' << game.GetPad()->GetPosition().x << ' '
        << game.GetShakeStrength() << ' ' << game.GetRemainingBricks();
    return out.str();
}

void PlayOneSeed(std::uint32_t seed)
{
    SeedRandomForTesting(seed);
    escapeHeld = false;
    RandomPlayer player(seed);
    CapturedOutput out;
    std::unique_ptr<Game> game;
    std::string newGame;
    int stepsOnScreen = 0;
    Screen lastScreen = Screen::StartMenu;
    for (int step = 0; step < 20000; ++step) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", step " << step);
        if (!game || !game->IsWindowOpen()) {
            game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
            game->Init();
            ASSERT_TRUE(game->IsWindowOpen())
                << "no window: run them through ctest, which gives each its own X display";
            newGame = NewGameFlags(*game);
        }
        const Screen before = game->GetScreen();
        const std::optional<sf::Event> event = player.Act(*game);
        if (event)
            game->HandleEvent(*event);
        if (before == Screen::GameOver && game->GetScreen() != Screen::GameOver) {
            ASSERT_EQ(NewGameFlags(*game), newGame) << "a restart differs from a new game";
        }
        const Screen screen = game->GetScreen();
        const float padX = game->GetPad()->GetPosition().x;
        if (!game->GetState()->IsPaused())
            game->Update();
        if (step % 100 == 0)
            game->Render();
        const bool inPlay =
            game->IsPlaying() && (screen == Screen::Playing || screen == Screen::WaitingForLaunch);
        ASSERT_FALSE(inPlay && !player.HoldsAnyKey() && game->GetPad()->GetPosition().x != padX)
            << "the pad moves with no key held";
        stepsOnScreen = game->GetScreen() == lastScreen ? stepsOnScreen + 1 : 0;
        lastScreen = game->GetScreen();
        // Whatever the keys do, the level exit glides at most 175 steps to the
        // centre and climbs 96; the pad's return climbs 24.
        const int stepLimit = lastScreen == Screen::LevelExit    ? 400
                              : lastScreen == Screen::LevelEntry ? 100
                                                                 : 1 << 30;
        ASSERT_LE(stepsOnScreen, stepLimit) << NameOf(lastScreen) << " does not lead on";
        ASSERT_NO_FATAL_FAILURE(ExpectInvariants(*game));
    }
    EXPECT_EQ(out.Text(), "") << "seed " << seed << ": a normal session prints nothing";
}

} // namespace

TEST(RandomPlay, PlayGoesOnAndInvariantsHoldThroughAHundredThousandRandomSteps)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u})
        ASSERT_NO_FATAL_FAILURE(PlayOneSeed(seed));
}
