#pragma once

#include <SFML/System/Vector2.hpp>
#include <string>

// The window is a fixed 1920 x 1080 canvas; layout code reads it directly.
extern const sf::Vector2u windowSize;

// Put in front of every asset file name, without a separator. Empty, so
// assets are opened by bare name from the working directory.
extern const std::string resourceRoot;
