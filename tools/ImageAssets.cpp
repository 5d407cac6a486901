#include "ImageAssets.hpp"

#include "Synth.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace qbgen
{

namespace
{

// The pad reads the top-left 200 x 20 pixels and a ball 20 x 20.
constexpr unsigned WhiteWidth = 200;
constexpr unsigned WhiteHeight = 20;

constexpr int BrickWidth = 100;
constexpr int BrickHeight = 50;
constexpr int Bevel = 5;

// Coarse random grid smoothly interpolated: soft blotches, like a worn glaze.
class ValueNoise final
{
public:
    explicit ValueNoise(Lcg& random)
    {
        for (double& value : grid)
            value = random.NextBipolar();
    }

    double At(double x, double y) const
    {
        const double gx = x / CellSize;
        const double gy = y / CellSize;
        const int x0 = static_cast<int>(gx);
        const int y0 = static_cast<int>(gy);
        const double fx = Smooth(gx - x0);
        const double fy = Smooth(gy - y0);
        const double top = Lerp(GridAt(x0, y0), GridAt(x0 + 1, y0), fx);
        const double bottom = Lerp(GridAt(x0, y0 + 1), GridAt(x0 + 1, y0 + 1), fx);
        return Lerp(top, bottom, fy);
    }

private:
    static constexpr double CellSize = 8.0;
    static constexpr int Columns = BrickWidth / 8 + 2;
    static constexpr int Rows = BrickHeight / 8 + 2;

    static double Smooth(double t) { return t * t * (3.0 - 2.0 * t); }
    static double Lerp(double a, double b, double t) { return a + (b - a) * t; }
    double GridAt(int column, int row) const { return grid[static_cast<std::size_t>(row * Columns + column)]; }

    std::array<double, Columns * Rows> grid{};
};

enum class Edge
{
    None,
    Top,
    Left,
    Bottom,
    Right
};

// Which bevel a pixel lies on; the corners are split along their diagonals
// like a mitred picture frame.
Edge BevelEdgeAt(int x, int y, int& depth)
{
    const int fromLeft = x;
    const int fromTop = y;
    const int fromRight = BrickWidth - 1 - x;
    const int fromBottom = BrickHeight - 1 - y;
    depth = std::min({fromLeft, fromTop, fromRight, fromBottom});
    if (depth >= Bevel)
        return Edge::None;
    // Light edges win ties at the top-left, dark ones at the bottom-right,
    // which is how light from the upper left falls on a raised block.
    if (fromTop == depth && fromTop <= fromRight)
        return Edge::Top;
    if (fromLeft == depth && fromLeft <= fromBottom)
        return Edge::Left;
    if (fromBottom == depth)
        return Edge::Bottom;
    return Edge::Right;
}

} // namespace

sf::Image MakeWhiteImage()
{
    sf::Image image;
    image.create(WhiteWidth, WhiteHeight, sf::Color::White);
    return image;
}

sf::Image MakeBrickImage()
{
    Lcg random(0xB1C4u);
    const ValueNoise blotches(random);

    sf::Image image;
    image.create(BrickWidth, BrickHeight, sf::Color::White);
    for (int y = 0; y < BrickHeight; ++y)
    {
        for (int x = 0; x < BrickWidth; ++x)
        {
            int depth = 0;
            const Edge edge = BevelEdgeAt(x, y, depth);
            const double inward = static_cast<double>(depth);
            double value = 0.0;
            switch (edge)
            {
            case Edge::Top:
                value = 253.0 - 3.0 * inward;
                break;
            case Edge::Left:
                value = 243.0 - 3.0 * inward;
                break;
            case Edge::Bottom:
                value = 118.0 + 12.0 * inward;
                break;
            case Edge::Right:
                value = 138.0 + 9.0 * inward;
                break;
            case Edge::None:
            {
                // The face darkens slightly downward, away from the light.
                const double down = static_cast<double>(y - Bevel) / (BrickHeight - 2 * Bevel - 1);
                value = 220.0 - 18.0 * down + 7.0 * blotches.At(x, y) + 2.5 * random.NextBipolar();
                // A thin groove just inside the bevel makes the face read as a raised panel.
                if (depth == Bevel && (x == Bevel || y == Bevel))
                    value -= 14.0;
                if (depth == Bevel && (x == BrickWidth - 1 - Bevel || y == BrickHeight - 1 - Bevel))
                    value += 10.0;
                break;
            }
            }
            const auto grey = static_cast<sf::Uint8>(std::clamp(std::lround(value), 0L, 255L));
            image.setPixel(static_cast<unsigned>(x), static_cast<unsigned>(y), sf::Color(grey, grey, grey));
        }
    }
    return image;
}

} // namespace qbgen
