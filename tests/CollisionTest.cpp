#include "entities/Collision.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const sf::Vector2f kLeft(100.f, 300.f);
const sf::Vector2f kRight(200.f, 300.f);
const float kRadius = 10.f;

float Above(float value)
{
    return std::nextafter(value, std::numeric_limits<float>::infinity());
}

float Below(float value)
{
    return std::nextafter(value, -std::numeric_limits<float>::infinity());
}

} // namespace

// The edge tests of the ball against bricks and the pad: a ball that only
// touches an edge does not bounce, one that dips into it does.
TEST(CollisionTest, BallExactlyOneRadiusFromAnEdgeDoesNotHitIt)
{
    // Above the middle of a horizontal edge, on its two ends, and beside a
    // vertical edge.
    EXPECT_FALSE(CircleIntersectsSegment({150.f, 290.f}, kRadius, kLeft, kRight));
    EXPECT_FALSE(CircleIntersectsSegment({150.f, 310.f}, kRadius, kLeft, kRight));
    EXPECT_FALSE(CircleIntersectsSegment({100.f, 290.f}, kRadius, kLeft, kRight));
    EXPECT_FALSE(CircleIntersectsSegment({200.f, 290.f}, kRadius, kLeft, kRight));
    EXPECT_FALSE(CircleIntersectsSegment({90.f, 320.f}, kRadius, {100.f, 300.f}, {100.f, 350.f}));

    // The same with a radius a hair larger, or the centre a hair closer.
    EXPECT_TRUE(CircleIntersectsSegment({150.f, 290.f}, Above(kRadius), kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({150.f, Above(290.f)}, kRadius, kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({150.f, Below(310.f)}, kRadius, kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({Above(90.f), 320.f}, kRadius, {100.f, 300.f},
                                        {100.f, 350.f}));
}

TEST(CollisionTest, BallBesideTheEndOfAnEdgeMissesItEvenWithTheCornerInside)
{
    // The corner (100, 300) lies 5.4 px from the centre, well inside the
    // ball, but the centre projects before the start of the edge.
    EXPECT_FALSE(CircleIntersectsSegment({98.f, 295.f}, kRadius, kLeft, kRight));
    // And past its end.
    EXPECT_FALSE(CircleIntersectsSegment({202.f, 295.f}, kRadius, kLeft, kRight));
    // A centre sitting right on the end point but off the line beyond it.
    EXPECT_FALSE(CircleIntersectsSegment({Below(100.f), 300.f}, kRadius, kLeft, kRight));
    // The same segment walked the other way round.
    EXPECT_FALSE(CircleIntersectsSegment({98.f, 295.f}, kRadius, kRight, kLeft));
    EXPECT_FALSE(CircleIntersectsSegment({202.f, 295.f}, kRadius, kRight, kLeft));
}

TEST(CollisionTest, CentreProjectingExactlyOntoAnEndOfTheEdgeStillHits)
{
    // Projection parameter exactly 0 and exactly 1.
    EXPECT_TRUE(CircleIntersectsSegment({100.f, 295.f}, kRadius, kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({200.f, 295.f}, kRadius, kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({100.f, 305.f}, kRadius, kRight, kLeft));
    // On a vertical edge too.
    EXPECT_TRUE(CircleIntersectsSegment({95.f, 300.f}, kRadius, {100.f, 300.f}, {100.f, 350.f}));
    EXPECT_TRUE(CircleIntersectsSegment({105.f, 350.f}, kRadius, {100.f, 300.f}, {100.f, 350.f}));
}

TEST(CollisionTest, BallCrossingTheMiddleOfAnEdgeHits)
{
    EXPECT_TRUE(CircleIntersectsSegment({150.f, 300.f}, kRadius, kLeft, kRight));
    EXPECT_TRUE(CircleIntersectsSegment({150.f, 295.5f}, kRadius, kLeft, kRight));
    // A diagonal segment: distance from (0, 10) to the line y = x is 7.07.
    EXPECT_TRUE(CircleIntersectsSegment({0.f, 10.f}, kRadius, {-20.f, -20.f}, {20.f, 20.f}));
    EXPECT_FALSE(CircleIntersectsSegment({0.f, 15.f}, kRadius, {-20.f, -20.f}, {20.f, 20.f}));
}

TEST(CollisionTest, ZeroLengthEdgeIsNeverHit)
{
    const sf::Vector2f point(100.f, 300.f);
    EXPECT_FALSE(CircleIntersectsSegment(point, kRadius, point, point));
    EXPECT_FALSE(CircleIntersectsSegment({103.f, 302.f}, kRadius, point, point));
    EXPECT_FALSE(CircleIntersectsSegment({100.f, 300.f}, 1000.f, {0.f, 0.f}, {0.f, 0.f}));
}

// The moving brick against the pad: touching rectangles count.
TEST(CollisionTest, RectanglesSharingAnEdgeOrACornerOverlap)
{
    // Side by side, one on top of the other, corner to corner.
    EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 100.f, 0.f, 200.f, 20.f));
    EXPECT_TRUE(RectanglesOverlap(100.f, 0.f, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 0.f, 50.f, 200.f, 20.f));
    EXPECT_TRUE(RectanglesOverlap(0.f, 50.f, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 100.f, 50.f, 200.f, 20.f));
    EXPECT_TRUE(RectanglesOverlap(100.f, 50.f, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    // One inside the other, and crossing like a plus sign.
    EXPECT_TRUE(RectanglesOverlap(0.f, 0.f, 100.f, 100.f, 40.f, 40.f, 10.f, 10.f));
    EXPECT_TRUE(RectanglesOverlap(40.f, 0.f, 10.f, 100.f, 0.f, 40.f, 100.f, 10.f));
}

TEST(CollisionTest, RectanglesJustApartDoNotOverlap)
{
    const float gapX = Above(100.f);
    const float gapY = Above(50.f);
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, gapX, 0.f, 200.f, 20.f));
    EXPECT_FALSE(RectanglesOverlap(gapX, 0.f, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 0.f, gapY, 200.f, 20.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, gapY, 200.f, 20.f, 0.f, 0.f, 100.f, 50.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, gapX, gapY, 200.f, 20.f));
    // Overlapping on one axis only is not enough.
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 50.f, 60.f, 100.f, 50.f));
    EXPECT_FALSE(RectanglesOverlap(0.f, 0.f, 100.f, 50.f, 110.f, 10.f, 100.f, 50.f));
}
