#include "entities/Collision.hpp"

#include <gtest/gtest.h>

// The ball (radius 10) against a brick's top edge from (100, 300) to (200, 300)
// and its left edge down to (100, 350): only a centre strictly inside the
// radius whose projection falls on the edge, its ends included, hits.
TEST(CollisionTest, BallHitsAnEdgeOnlyWhenStrictlyInsideItsRadius)
{
    const sf::Vector2f top(200.f, 300.f), left(100.f, 350.f);
    const std::tuple<sf::Vector2f, sf::Vector2f, bool> cases[] = {
        {{150.f, 290.f}, top, false},  {{150.f, 290.5f}, top, true}, {{150.f, 309.5f}, top, true},
        {{100.f, 295.f}, top, true},   {{200.f, 305.f}, top, true},  {{99.5f, 295.f}, top, false},
        {{200.5f, 295.f}, top, false}, {{90.f, 320.f}, left, false}, {{90.5f, 320.f}, left, true},
        {{105.f, 350.f}, left, true}};
    for (const auto& [centre, end, hit] : cases)
        EXPECT_EQ(CircleIntersectsSegment(centre, 10.f, {100.f, 300.f}, end), hit)
            << centre.x << ", " << centre.y;
}

// A moving brick (100 x 50) against the pad (200 x 20 at (885, 930)): touching edges count.
TEST(CollisionTest, RectanglesOverlapWhenTheirEdgesTouch)
{
    const std::pair<sf::Vector2f, bool> bricks[] = {
        {{900.f, 880.f}, true},  {{900.f, 875.f}, false}, {{785.f, 900.f}, true},
        {{780.f, 900.f}, false}, {{1085.f, 950.f}, true}, {{1090.f, 950.f}, false},
        {{900.f, 955.f}, false}};
    for (const auto& [at, overlap] : bricks)
        EXPECT_EQ(RectanglesOverlap(at.x, at.y, 100.f, 50.f, 885.f, 930.f, 200.f, 20.f), overlap)
            << at.x << ", " << at.y;
}
