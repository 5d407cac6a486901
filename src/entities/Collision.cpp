#include "entities/Collision.hpp"

#include <cmath>

bool CircleIntersectsSegment(sf::Vector2f center, float radius, sf::Vector2f a, sf::Vector2f b)
{
    const sf::Vector2f d = b - a;
    const float dot = (center.y - a.y) * d.y + (center.x - a.x) * d.x;
    const double dx = d.x;
    const double dy = d.y;
    const float len = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    const double lenD = len;
    const float t = static_cast<float>(static_cast<double>(dot) / (lenD * lenD));
    // Written so that NaN (0 / 0 for a zero-length segment) fails too.
    if (!(t >= 0.f && t <= 1.f))
        return false;
    const float qx = d.x * t + a.x - center.x;
    const float qy = d.y * t + a.y - center.y;
    const double dist = std::sqrt(static_cast<double>(qx) * qx + static_cast<double>(qy) * qy);
    return radius > dist;
}

bool RectanglesOverlap(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                       float h2)
{
    return x1 + w1 >= x2 && x2 + w2 >= x1 && y1 + h1 >= y2 && y2 + h2 >= y1;
}
