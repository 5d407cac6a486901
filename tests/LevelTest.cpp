#include "TestSupport.hpp"

// The bricks of a level row by row after the pad, at five hit points a level,
// about one in five of them red and moving, then its balls resting on the pad.
// The counts are the random play's to check.
static void ExpectLevel(const Game& game, int hitPoints, int balls, float ballX)
{
    const std::vector<Entity*>& entities = game.GetEntities();
    ASSERT_EQ(entities.size(), 55u + static_cast<unsigned>(balls));
    const std::pair<int, sf::Vector2f> placed[] = {
        {1, {15.f, 60.f}}, {2, {120.f, 60.f}}, {19, {15.f, 115.f}}, {54, {1800.f, 170.f}}};
    for (const auto& [i, at] : placed)
        EXPECT_EQ(entities[i]->GetPosition(), at) << "brick " << i;
    int movingBricks = 0;
    for (int i = 1; i <= 54; ++i) {
        EXPECT_EQ(dynamic_cast<const BreakableComponent&>(*entities[i]).GetHitPoints(), hitPoints);
        const auto* moving = dynamic_cast<const MovableBrick*>(entities[i]);
        EXPECT_TRUE(!moving || moving->GetHomePosition() == moving->GetPosition()) << "brick " << i;
        EXPECT_EQ(static_cast<sf::Sprite*>(entities[i]->GetDrawable())->getColor(),
                  moving ? sf::Color::Red : sf::Color(255, 250, 255))
            << "brick " << i;
        movingBricks += moving != nullptr;
    }
    EXPECT_NEAR(movingBricks, 53 / 5.0, 6) << "not one brick in five moves";
    for (int i = 55; i < 55 + balls; ++i)
        EXPECT_EQ(entities[i]->GetPosition(), sf::Vector2f(ballX, 900.f));
}

class LevelTest : public GameTest {};

// As when the last brick breaks with a ball on the field: the view stops shaking at once. An arrow
// held since before still steers in that first step (885 to 900), and never again: the pad glides 8
// steps of 5 pixels onto the centre line at 860 and climbs 96 steps of 10 until wholly above the
// window, taking the level's bricks and balls with it.
TEST_F(LevelTest, ClearedLevelFliesThePadOutToTheShopAndContinueLaysTheNextLevel)
{
    ExpectLevel(*game, 5, 1, 975.f);
    Press(sf::Keyboard::Escape);
    ClearField();
    State().SpawnBall();
    State().SetCombo(5);
    Send(KeyEvent(sf::Keyboard::Right));
    game->AddRemainingBricks(-54);
    game->Render();
    Step();
    game->Render();
    const sf::RenderWindow& window = *game->GetWindow();
    EXPECT_EQ(window.getView().getCenter(), window.getDefaultView().getCenter())
        << "the shake goes on into the exit";
    EXPECT_EQ(StepUntil([this] { return State().IsShopOpen(); }), 104);
    Send(KeyEvent(sf::Keyboard::Right, sf::Event::KeyReleased));
    EXPECT_EQ(game->GetEntities(), std::vector<Entity*>{&ThePad()});
    EXPECT_EQ(ScreenOf(*game), "shop main-music");

    State().SetBallsPerLevel(2);
    game->Render();
    Click(game->GetShopMenu()->GetContinueText());
    EXPECT_EQ(StepUntil([this] { return game->GetScreen() != Game::Screen::LevelEntry; }), 24);
    Step();
    EXPECT_EQ(ThePad().GetPosition(), sf::Vector2f(860.f, 930.f)) << "the pad stays on its line";
    ExpectLevel(*game, 10, 2, 950.f);
    EXPECT_EQ(ScreenOf(*game), "waiting main-music");
}
