#include "entities/Collision.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const sf::Vector2f kLeft(100.f, 300.f);
const sf::Vector2f kRight(200.f, 300.f);
const sf::Vector2f kBottom(100.f, 350.f);
const float kRadius = 10.f;

float Above(float value)
{
    return std::nextafter(value, 1e9f);
}

bool Hits(sf::Vector2f centre, sf::Vector2f a = kLeft, sf::Vector2f b = kRight, float r = kRadius)
{
    return CircleIntersectsSegment(centre, r, a, b);
}

} // namespace

// A ball that only touches an edge does not bounce; one that dips into it does.
TEST(CollisionTest, BallHitsAnEdgeOnlyWhenStrictlyCloserThanItsRadius)
{
    EXPECT_FALSE(Hits({150.f, 290.f}));
    EXPECT_FALSE(Hits({150.f, 310.f}));
    EXPECT_FALSE(Hits({200.f, 290.f}));
    EXPECT_FALSE(Hits({90.f, 320.f}, kLeft, kBottom));
    EXPECT_TRUE(Hits({150.f, 290.f}, kLeft, kRight, Above(kRadius)));
    EXPECT_TRUE(Hits({150.f, Above(290.f)}));
    EXPECT_TRUE(Hits({Above(90.f), 320.f}, kLeft, kBottom));
    // Diagonal: (0, 10) is 7.07 from y = x, (0, 15) is 10.6.
    EXPECT_TRUE(Hits({0.f, 10.f}, {-20.f, -20.f}, {20.f, 20.f}));
    EXPECT_FALSE(Hits({0.f, 15.f}, {-20.f, -20.f}, {20.f, 20.f}));
}

TEST(CollisionTest, OnlyCentresProjectingOntoTheEdgeCountEndsIncluded)
{
    // The corner lies well inside the ball, but the centre projects outside.
    for (bool reversed : {false, true}) {
        const sf::Vector2f a = reversed ? kRight : kLeft;
        const sf::Vector2f b = reversed ? kLeft : kRight;
        EXPECT_FALSE(Hits({98.f, 295.f}, a, b));
        EXPECT_FALSE(Hits({202.f, 295.f}, a, b));
        // Projection parameter exactly 0 and exactly 1.
        EXPECT_TRUE(Hits({100.f, 295.f}, a, b));
        EXPECT_TRUE(Hits({200.f, 305.f}, a, b));
    }
    EXPECT_FALSE(Hits({std::nextafter(100.f, 0.f), 300.f}));
    EXPECT_TRUE(Hits({105.f, 350.f}, kLeft, kBottom));
}

TEST(CollisionTest, ZeroLengthEdgeIsNeverHit)
{
    EXPECT_FALSE(Hits(kLeft, kLeft, kLeft));
    EXPECT_FALSE(Hits({103.f, 302.f}, kLeft, kLeft));
    EXPECT_FALSE(Hits(kLeft, {0.f, 0.f}, {0.f, 0.f}, 1000.f));
}

// The moving brick against the pad: touching rectangles count.
TEST(CollisionTest, RectanglesOverlapWhenTouchingAndNotAHairApart)
{
    // Second rectangle to the right, below, and at the corner of a 100 x 50 one.
    const float touching[][2] = {{100.f, 0.f}, {0.f, 50.f}, {100.f, 50.f}};
    for (const auto& at : touching) {
        SCOPED_TRACE(testing::Message() << at[0] << ", " << at[1]);
        EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, at[0], at[1], 200.f, 20.f));
        EXPECT_TRUE(RectanglesOverlap(at[0], at[1], 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
        const float x = at[0] > 0.f ? Above(at[0]) : 0.f;
        const float y = at[1] > 0.f ? Above(at[1]) : 0.f;
        EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, x, y, 200.f, 20.f));
        EXPECT_FALSE(RectanglesOverlap(x, y, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    }
    // Inside, crossing like a plus sign, and apart on one axis only.
    EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 100.f, 40.f, 40.f, 10.f, 10.f));
    EXPECT_TRUE(RectanglesOverlap(40.f, 0.f, 10.f, 100.f, 0.f, 40.f, 100.f, 10.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 50.f, 60.f, 100.f, 50.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 110.f, 10.f, 100.f, 50.f));
}
