#include "core/Resources.hpp"

const sf::Vector2u windowSize(1920u, 1080u);
const std::string resourceRoot;
