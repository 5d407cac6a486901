#include "TestSupport.hpp"
#include "entities/Pad.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using namespace testsupport;

namespace {

const sf::Color kWhite(255, 255, 255, 255);
// 1920 / 2 - 200 / 2: where the pad must stand before it may rise.
const float kCentre = 860.f;

class PadTest : public GameTest {
protected:
    std::unique_ptr<Pad> MakePad(float x, sf::Vector2f size = {200.f, 20.f})
    {
        return std::make_unique<Pad>(sf::Vector2f(x, 930.f), 15.f, size, 5, kWhite, game.get());
    }
};

} // namespace

TEST_F(PadTest, TheGamesPadGlidesToTheCentreAtFiveThenRisesAtTenAndKeepsThoseSpeeds)
{
    Pad& pad = *game->GetPad();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(885.f, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(pad.GetSpeed(), 15.f);
    ASSERT_TRUE(game->IsPadControlEnabled());

    // 885 is five 5-pixel steps right of the centre.
    pad.MoveTowardCenter();
    EXPECT_FALSE(game->IsPadControlEnabled());
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(-1.f, 0.f));
    EXPECT_EQ(pad.GetSpeed(), 5.f);
    int frames = 0;
    while (pad.GetDirection().y == 0.f && frames < 100) {
        pad.Update();
        pad.MoveTowardCenter();
        pad.RiseIfCentered();
        ++frames;
    }
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre, 930.f));
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, -1.f));
    EXPECT_EQ(pad.GetSpeed(), 10.f);

    // A centred, rising pad asked to glide again keeps rising.
    pad.MoveTowardCenter();
    EXPECT_EQ(pad.GetDirection(), sf::Vector2f(0.f, -1.f));
    EXPECT_EQ(pad.GetSpeed(), 10.f);
    pad.Update();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre, 920.f));

    // Nothing gives the construction speed back: the player now steers at 10.
    pad.Stop();
    pad.MoveLeft();
    EXPECT_EQ(pad.GetSpeed(), 10.f);
    pad.Update();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre - 10.f, 920.f));
    pad.MoveRight();
    EXPECT_EQ(pad.GetSpeed(), 10.f);
    pad.Update();
    EXPECT_EQ(pad.GetPosition(), sf::Vector2f(kCentre, 920.f));
}

TEST_F(PadTest, SizeIsCutToWholePixelsAndMovesKeepWhatTheyDoNotSet)
{
    auto sized = MakePad(885.f, {200.9f, 20.5f});
    EXPECT_EQ(sized->GetSize(), sf::Vector2i(200, 20));
    EXPECT_EQ(sized->GetSprite().getTextureRect(), sf::IntRect(0, 0, 200, 20));
    EXPECT_EQ(sized->GetSprite().getGlobalBounds(), sf::FloatRect(885.f, 930.f, 200.f, 20.f));

    // Arrow moves set only the sideways part; Stop keeps the speed.
    auto pad = MakePad(885.f);
    pad->SetDirection({0.f, -1.f});
    pad->MoveLeft();
    EXPECT_EQ(pad->GetDirection(), sf::Vector2f(-1.f, -1.f));
    EXPECT_EQ(pad->GetSpeed(), 15.f);
    pad->MoveRight();
    EXPECT_EQ(pad->GetDirection(), sf::Vector2f(1.f, -1.f));
    EXPECT_EQ(pad->GetSpeed(), 15.f);
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(900.f, 915.f));
    pad->Stop();
    EXPECT_EQ(pad->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(pad->GetSpeed(), 15.f);
    pad->Update();
    EXPECT_EQ(pad->GetPosition(), sf::Vector2f(900.f, 915.f));

    // Left of the centre it glides right, and the arrows then move it at 5.
    auto left = MakePad(700.f);
    left->MoveTowardCenter();
    EXPECT_EQ(left->GetDirection(), sf::Vector2f(1.f, 0.f));
    EXPECT_EQ(left->GetSpeed(), 5.f);
    left->MoveLeft();
    left->Update();
    EXPECT_EQ(left->GetPosition(), sf::Vector2f(695.f, 930.f));

    // On the centre it stops gliding sideways and keeps its speed.
    auto centred = MakePad(kCentre);
    centred->SetDirection({1.f, 0.f});
    centred->MoveTowardCenter();
    EXPECT_EQ(centred->GetDirection(), sf::Vector2f(0.f, 0.f));
    EXPECT_EQ(centred->GetSpeed(), 15.f);
}

TEST_F(PadTest, PadRisesOnlyWhenExactlyOnTheCentre)
{
    // Off the centre, even by the smallest step, nothing changes, not even
    // the control flag.
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
    EXPECT_EQ(odd->GetSpeed(), 10.f);

    // A pad off the 5-pixel grid swings around the centre and never rises.
    for (float start : {862.f, 700.5f, std::nextafter(kCentre, 2000.f)}) {
        SCOPED_TRACE(start);
        auto pad = MakePad(start);
        float lowest = start;
        float highest = start;
        for (int frame = 0; frame < 200; ++frame) {
            pad->Update();
            pad->MoveTowardCenter();
            pad->RiseIfCentered();
            EXPECT_EQ(pad->GetPosition().y, 930.f);
            lowest = std::min(lowest, pad->GetPosition().x);
            highest = std::max(highest, pad->GetPosition().x);
        }
        EXPECT_EQ(pad->GetDirection().y, 0.f);
        EXPECT_NE(pad->GetPosition().x, kCentre);
        EXPECT_GT(pad->GetPosition().x, kCentre - 5.f);
        EXPECT_LT(pad->GetPosition().x, kCentre + 5.f);
        EXPECT_LT(lowest, kCentre);
        EXPECT_GT(highest, kCentre);
    }
}
