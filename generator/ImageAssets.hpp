#pragma once

#include <SFML/Graphics/Image.hpp>

namespace qbgen {

// Plain opaque white: the pad and the balls take their colour from the tint alone.
sf::Image MakeWhiteImage();

// A 100 x 50 bevelled block in light greys, so that both the near-white tint of
// static bricks and the red of moving bricks show through with their shading.
sf::Image MakeBrickImage();

// The menu icon, size x size pixels: bricks along the top, a ball in flight and
// the pad below, on the game's dark red, drawn at each size rather than scaled
// so that the 64-pixel icon stays sharp.
sf::Image MakeIcon(unsigned size);

} // namespace qbgen
