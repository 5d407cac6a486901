#include "TestSupport.hpp"

#include "core/Resources.hpp"
#include "state/RandomFloat.hpp"

#include <random>


// A player without a plan: keys pressed and released at random, the window
// losing focus, and clicks on the buttons on screen, near them and anywhere.
// The buttons that end the program are left to chance clicks.
static std::vector<sf::Event> ActAtRandom(std::mt19937& random, bool& heldA, const Game& game)
{
    const auto roll = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const sf::Keyboard::Key keys[] = {sf::Keyboard::Left, sf::Keyboard::Right, sf::Keyboard::Escape, sf::Keyboard::A};
    const int dice = roll(1000);
    if (dice < 30) {
        // A is the level-clear key: pressed rarely, so levels get played too.
        const sf::Keyboard::Key key = keys[roll(dice < 2 ? 4 : 3)];
        const bool pressed = roll(2);
        heldA = key == sf::Keyboard::A ? pressed : heldA;
        return {pressed ? KeyPressed(key) : KeyReleased(key)};
    }
    if (dice < 33)
        return {sf::Event{roll(2) ? sf::Event::LostFocus : sf::Event::GainedFocus, {}}};
    if (dice >= 50)
        return dice < 60 && std::exchange(heldA, false) ? std::vector<sf::Event>{KeyReleased(sf::Keyboard::A)} : std::vector<sf::Event>{};
    std::vector<const sf::Text*> buttons;
    if (const PauseMenu* menu = game.GetPauseMenu())
        buttons.push_back(&menu->GetPlayText());
    if (const GameOverMenu* menu = game.GetGameOverMenu())
        buttons.push_back(&menu->GetRestartText());
    if (const ShopMenu& shop = *game.GetShopMenu(); game.GetState()->IsShopOpen())
        buttons.insert(buttons.end(), {&shop.GetDamageBuyText(), &shop.GetSpeedBuyText(), &shop.GetBallsBuyText(), &shop.GetContinueText()});
    const int how = roll(4);
    if (how == 0 || buttons.empty())
        return {LeftClick(roll(1920), roll(1080))};
    const sf::Vector2i at = CentreOf(*buttons[static_cast<std::size_t>(roll(static_cast<int>(buttons.size())))]);
    const int spread = how == 1 ? 40 : 3;
    return {LeftClick(at.x + roll(2 * spread + 1) - spread, at.y + roll(2 * spread + 1) - spread)};
}

// What a player relies on after every step; empty when all hold.
static std::string BrokenInvariant(const Game& game, bool focusLost, int hitPointsBefore)
{
    const std::vector<Entity*>& entities = game.GetEntities();
    const std::pair<bool, const char*> broken[] = {
        {game.GetState()->GetBallsInPlay() != CountOf<Ball>(entities), "the ball count differs from the balls on the field"},
        {std::count(entities.begin(), entities.end(), game.GetPad()) != 1, "the pad is not in the list exactly once"},
        {game.GetRemainingBricks() != CountOf<StaticBrick>(entities) + CountOf<MovableBrick>(entities),
         "the brick count differs from the bricks on the field"},
        {(game.GetState()->IsPaused() || game.IsGameOver() || game.GetRemainingBricks() == 0 || game.IsBetweenLevels()) &&
             game.GetShakeStrength() != 0.f,
         "the screen shakes outside play"},
        {game.GetPauseMenu() && game.GetGameOverMenu(), "two menus are open"},
        {game.IsGameOver() && !game.GetGameOverMenu(), "the game is over without its menu"},
        {focusLost && (game.IsLeftPressed() || game.IsRightPressed() || game.IsClearKeyPressed()), "a key stays held after the focus is lost"},
        {game.GetPad()->GetHitPoints() > hitPointsBefore, "the pad healed"}};
    for (const auto& [failed, what] : broken)
        if (failed)
            return what;
    return {};
}

static void PlayOneSeed(std::uint32_t seed)
{
    SeedRandomForTesting(seed);
    escapeHeld = false;
    std::mt19937 random(seed);
    bool heldA = false;
    CapturedStdout out;
    std::unique_ptr<Game> game;
    const Pad* pad = nullptr;
    int hitPoints = 0;
    for (int step = 0; step < 20000; ++step) {
        if (!game || !game->IsWindowOpen()) {
            game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
            game->Init();
            ASSERT_TRUE(game->IsWindowOpen()) << "no window: run the tests under xvfb-run";
        }
        bool focusLost = false;
        for (const sf::Event& event : ActAtRandom(random, heldA, *game))
            game->HandleEvent(event), focusLost = focusLost || event.type == sf::Event::LostFocus;
        if (!game->GetState()->IsPaused())
            game->Update();
        if (step % 100 == 0)
            game->Render();
        // A restarted game's pad may reuse the lost one's memory: count afresh.
        const std::string broken = BrokenInvariant(*game, focusLost, game->GetPad() == pad ? hitPoints : game->GetPad()->GetHitPoints());
        ASSERT_TRUE(broken.empty()) << "seed " << seed << ", step " << step << ": " << broken;
        hitPoints = game->GetPad()->GetHitPoints();
        pad = game->IsGameOver() ? nullptr : game->GetPad();
    }
    EXPECT_EQ(out.Text(), "") << "seed " << seed << ": a normal session prints nothing";
}


TEST(RandomPlay, InvariantsHoldThroughAHundredThousandRandomSteps)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u})
        ASSERT_NO_FATAL_FAILURE(PlayOneSeed(seed));
}
