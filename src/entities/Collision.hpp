#pragma once

#include <SFML/System/Vector2.hpp>

// True when the circle strictly crosses the segment ab, with the centre
// projecting onto the segment (ends included). A zero-length segment never hits.
bool CircleIntersectsSegment(sf::Vector2f center, float radius, sf::Vector2f a, sf::Vector2f b);

// Axis-aligned overlap where touching edges count.
bool RectanglesOverlap(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                       float h2);
