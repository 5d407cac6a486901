#include "ImageAssets.hpp"

#include "Synth.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace qbgen {

namespace {

// The pad reads the top-left 200 x 20 pixels and a ball 20 x 20.
constexpr unsigned WhiteWidth = 200;
constexpr unsigned WhiteHeight = 20;

constexpr int BrickWidth = 100;
constexpr int BrickHeight = 50;
constexpr int Bevel = 5;

// Coarse random grid smoothly interpolated: soft blotches, like a worn glaze.
class ValueNoise final {
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
    double GridAt(int column, int row) const
    {
        return grid[static_cast<std::size_t>(row * Columns + column)];
    }

    std::array<double, Columns * Rows> grid{};
};

enum class Edge { None, Top, Left, Bottom, Right };

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

// Premultiplied colour, so that sub-pixel samples average without dark fringes.
struct Paint {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 0.0;
};

Paint Opaque(double grey)
{
    return {grey, grey, grey, 1.0};
}
Paint Opaque(double r, double g, double b)
{
    return {r, g, b, 1.0};
}

Paint Over(const Paint& top, const Paint& bottom)
{
    const double keep = 1.0 - top.a;
    return {top.r + bottom.r * keep, top.g + bottom.g * keep, top.b + bottom.b * keep,
            top.a + bottom.a * keep};
}

// An axis-aligned box in icon pixels whose edges fall on whole pixels, so the
// bricks and the pad keep hard edges even at 64 pixels.
struct PixelBox {
    double left;
    double top;
    double right;
    double bottom;

    static PixelBox FromUnits(double left, double top, double right, double bottom, unsigned size)
    {
        const auto snap = [size](double unit) { return std::round(unit * size); };
        return {snap(left), snap(top), snap(right), snap(bottom)};
    }

    bool Contains(double x, double y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
};

// Light from the upper left, as on the brick texture: bright top and left
// bevels, dark bottom and right ones, a face in between.
double BevelledGrey(const PixelBox& box, double x, double y, double bevel, double face)
{
    const double fromLeft = x - box.left;
    const double fromTop = y - box.top;
    const double fromRight = box.right - x;
    const double fromBottom = box.bottom - y;
    const double nearest = std::min({fromLeft, fromTop, fromRight, fromBottom});
    if (nearest >= bevel)
        return face;
    if (nearest == fromTop && fromTop <= fromRight)
        return 252.0;
    if (nearest == fromLeft && fromLeft <= fromBottom)
        return 238.0;
    if (nearest == fromBottom)
        return 112.0;
    return 138.0;
}

bool InsideRoundedBox(double x, double y, double left, double top, double right, double bottom,
                      double radius)
{
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    const double dx = x - cx;
    const double dy = y - cy;
    return x >= left && x <= right && y >= top && y <= bottom &&
           dx * dx + dy * dy <= radius * radius;
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
    for (int y = 0; y < BrickHeight; ++y) {
        for (int x = 0; x < BrickWidth; ++x) {
            int depth = 0;
            const Edge edge = BevelEdgeAt(x, y, depth);
            const double inward = static_cast<double>(depth);
            double value = 0.0;
            switch (edge) {
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
            case Edge::None: {
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
            image.setPixel(static_cast<unsigned>(x), static_cast<unsigned>(y),
                           sf::Color(grey, grey, grey));
        }
    }
    return image;
}

sf::Image MakeIcon(unsigned size)
{
    const double pixels = static_cast<double>(size);
    const double bevel = std::max(1.0, std::round(pixels / 48.0));

    // Two rows of three bricks; the ball has just knocked out the last one of
    // the lower row and the middle one of that row is a red moving brick.
    struct IconBrick {
        PixelBox box;
        bool red;
    };
    std::vector<IconBrick> bricks;
    const double brickTops[] = {0.13, 0.265};
    const double brickLefts[] = {0.11, 0.375, 0.64};
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (row == 1 && column == 2)
                continue;
            const double left = brickLefts[column];
            const double top = brickTops[row];
            bricks.push_back({PixelBox::FromUnits(left, top, left + 0.25, top + 0.11, size),
                              row == 1 && column == 1});
        }
    }
    const PixelBox pad = PixelBox::FromUnits(0.22, 0.80, 0.66, 0.875, size);

    // The ball and two fading copies of it on the way up from the pad.
    struct Disc {
        double x;
        double y;
        double radius;
        double alpha;
    };
    const Disc trail[] = {{0.48, 0.72, 0.045, 0.18}, {0.57, 0.64, 0.055, 0.35}};
    const Disc ball{0.67, 0.545, 0.075, 1.0};

    const auto sceneAt = [&](double x, double y) {
        const double u = x / pixels;
        const double v = y / pixels;
        Paint paint;
        if (!InsideRoundedBox(u, v, 0.02, 0.02, 0.98, 0.98, 0.17))
            return paint;
        // The game's dark red, a little lighter towards the top.
        paint = Opaque(62.0 - 36.0 * v, 9.0 - 6.0 * v, 9.0 - 6.0 * v);

        for (const IconBrick& brick : bricks) {
            if (!brick.box.Contains(x, y))
                continue;
            const double grey = BevelledGrey(brick.box, x, y, bevel, 214.0);
            paint = brick.red ? Opaque(grey, grey * 0.16, grey * 0.16) : Opaque(grey);
        }

        if (InsideRoundedBox(x, y, pad.left, pad.top, pad.right, pad.bottom,
                             (pad.bottom - pad.top) / 2.0))
            paint = Opaque(y < pad.top + bevel ? 255.0 : (y >= pad.bottom - bevel ? 150.0 : 226.0));

        for (const Disc& disc : trail) {
            const double dx = u - disc.x;
            const double dy = v - disc.y;
            if (dx * dx + dy * dy <= disc.radius * disc.radius)
                paint =
                    Over({255.0 * disc.alpha, 255.0 * disc.alpha, 255.0 * disc.alpha, disc.alpha},
                         paint);
        }
        const double dx = u - ball.x;
        const double dy = v - ball.y;
        if (dx * dx + dy * dy <= ball.radius * ball.radius) {
            // A soft highlight up and to the left makes the disc read as a ball.
            const double hx = (u - (ball.x - 0.3 * ball.radius)) / ball.radius;
            const double hy = (v - (ball.y - 0.3 * ball.radius)) / ball.radius;
            paint = Opaque(255.0 - 45.0 * std::min(1.0, 0.6 * (hx * hx + hy * hy)));
        }
        return paint;
    };

    // Four by four samples a pixel smooth the round tile corners and the ball.
    constexpr int Samples = 4;
    sf::Image image;
    image.create(size, size, sf::Color::Transparent);
    for (unsigned py = 0; py < size; ++py) {
        for (unsigned px = 0; px < size; ++px) {
            Paint sum;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const Paint sample =
                        sceneAt(px + (sx + 0.5) / Samples, py + (sy + 0.5) / Samples);
                    sum.r += sample.r;
                    sum.g += sample.g;
                    sum.b += sample.b;
                    sum.a += sample.a;
                }
            }
            if (sum.a <= 0.0)
                continue;
            const auto channel = [](double value) {
                return static_cast<sf::Uint8>(std::clamp(std::lround(value), 0L, 255L));
            };
            image.setPixel(px, py,
                           sf::Color(channel(sum.r / sum.a), channel(sum.g / sum.a),
                                     channel(sum.b / sum.a),
                                     channel(255.0 * sum.a / (Samples * Samples))));
        }
    }
    return image;
}

} // namespace qbgen
