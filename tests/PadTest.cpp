#include "TestSupport.hpp"
#include "entities/Pad.hpp"

#include <cmath>
#include <memory>

using namespace testsupport;

namespace {

// 1920 / 2 - 200 / 2: where the pad must stand before it may rise.
const float kCentre = 860.f;

class PadTest : public GameTest {
protected:
    std::unique_ptr<Pad> MakePad(float x, sf::Vector2f size = {200.f, 20.f})
    {
        return std::make_unique<Pad>(sf::Vector2f(x, 930.f), 15.f, size, 5, sf::Color::White,
                                     game.get());
    }
    void Glide(Pad& pad)
    {
        pad.Update();
        pad.MoveTowardCenter();
        pad.RiseIfCentered();
    }
};

} // namespace

TEST_F(PadTest, TheGamesPadGlidesToTheCentreAtFiveThenRisesAtTenAndKeepsThatSpeed)
{
    Pad& pad = *game->GetPad();
    ASSERT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));
    ASSERT_TRUE(game->IsPadControlEnabled());
    pad.MoveTowardCenter();
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(-1.f, 0.f));
    EXPECT_EQ(pad.GetSpeed(), 5.f);
    // 885 is five 5-pixel steps right of the centre.
    int frames = 0;
    for (; pad.GetDirection().y == 0.f && frames < 100; ++frames)
        Glide(pad);
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, -1.f));
    EXPECT_EQ(pad.GetSpeed(), 10.f);
    // Asked to glide again, a centred rising pad keeps rising.
    pad.MoveTowardCenter();
    pad.Update();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre, 920.f));
    // Nothing gives the construction speed back: the player now steers at 10.
    pad.Stop();
    pad.MoveLeft();
    pad.Update();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre - 10.f, 920.f));
}

TEST_F(PadTest, ArrowsSetOnlyTheSidewaysPartAndGlidingRightOrOnTheCentre)
{
    auto pad = MakePad(885.f);
    pad->SetDirection({0.f, -1.f});
    pad->MoveLeft();
    pad->MoveRight();
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(900.f, 915.f));
    pad->Stop();
    EXPECT_EQ(pad->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(pad->GetSpeed(), 15.f);

    auto left = MakePad(700.f);
    left->MoveTowardCenter();
    EXPECT_EQ(left->GetDirection(), sf::Vector2f(1.f, 0.f));
    auto centred = MakePad(kCentre);
    centred->SetDirection({1.f, 0.f});
    centred->MoveTowardCenter();
    EXPECT_EQ(centred->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(centred->GetSpeed(), 15.f);
}

TEST_F(PadTest, PadRisesOnlyWhenExactlyOnTheCentre)
{
    for (float x : {885.f, std::nextafter(kCentre, 2000.f), std::nextafter(kCentre, 0.f)}) {
        SCOPED_TRACE(x);
        auto pad = MakePad(x);
        pad->SetDirection({1.f, 0.f});
        pad->RiseIfCentered();
        EXPECT_TRUE(game->IsPadControlEnabled());
        EXPECT_EQ(pad->GetDirection(), sf::Vector2f(1.f, 0.f));
        EXPECT_EQ(pad->GetSpeed(), 15.f);
    }
    // 1920 / 2 - 201 / 2 = 960 - 100: the halves are cut to whole pixels.
    auto odd = MakePad(kCentre, {201.f, 20.f});
    odd->RiseIfCentered();
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(odd->GetDirection(), sf::Vector2f(0.f, -1.f));

    // Off the 5-pixel grid it swings around the centre and never rises.
    auto offGrid = MakePad(862.f);
    for (int frame = 0; frame < 200; ++frame)
        Glide(*offGrid);
    EXPECT_EQ(offGrid->GetPosition().y, 930.f);
    EXPECT_GT(offGrid->GetPosition().x, kCentre - 5.f);
    EXPECT_LT(offGrid->GetPosition().x, kCentre + 5.f);
}
