#include "TestSupport.hpp"

class MovingBrickTest : public GameTest {
protected:
    // On a field with only the pad.
    MovableBrick* AddMovingBrick(sf::Vector2f home)
    {
        game->GetEntities().push_back(new MovableBrick(
            game.get(), home, {0, 0}, {100, 50}, {1.f, 1.f}, sf::Color::Red, {0.f, 0.f}, 5.f, 5));
        return static_cast<MovableBrick*>(game->GetEntities().back());
    }
};

// A drop is one chance in 500 per step: thousands of steps make it certain.
TEST_F(MovingBrickTest, DropsOnlyOnceLaunchedTurnsOnThePadLineAndStopsAtHome)
{
    ClearField();
    const sf::Vector2f home(300.f, 60.f);
    MovableBrick* brick = AddMovingBrick(home);
    ThePad().SetPosition({1500.f, 930.f});
    for (int steps = 0; steps < 5000 && brick->GetPosition() == home; ++steps)
        Step();
    EXPECT_EQ(brick->GetPosition(), home) << "it dropped before the launch";
    game->SetBallLaunched(true);
    for (int steps = 0; steps < 50000 && brick->GetPosition() == home; ++steps)
        Step();
    float lowest = brick->GetPosition().y;
    for (int steps = 0;
         steps < 5000 && (brick->GetPosition() != home || brick->GetDirection().y != 0.f);
         ++steps) {
        Step();
        lowest = std::max(lowest, brick->GetPosition().y);
    }
    EXPECT_EQ(lowest, 930.f) << "it turns on the pad's line, never below";
    EXPECT_EQ(brick->GetPosition(), home);
    EXPECT_FALSE(brick->IsReturning());
}

// Every moving brick's update checks them all against the pad, at most one
// hit point per check: the pad loses one point per moving brick on the field,
// however many of them touch it.
TEST_F(MovingBrickTest, PadLosesAPointPerMovingBrickEachStepAndBreakingItEndsTheGame)
{
    ClearField();
    Press(sf::Keyboard::Escape);
    Send(MouseClick(10, 500));
    AddMovingBrick({900.f, 880.f});
    AddMovingBrick({1000.f, 880.f});
    for (int hitPoints : {3, 1, 0}) {
        Step();
        EXPECT_EQ(ThePad().GetHitPoints(), hitPoints);
        EXPECT_EQ(game->GetScreen() == Game::Screen::GameOver, hitPoints == 0);
    }
    EXPECT_EQ(ScreenOf(*game), "game-over main-music");
    EXPECT_TRUE(State().IsPaused()) << "the lost game goes on behind its menu";
}
