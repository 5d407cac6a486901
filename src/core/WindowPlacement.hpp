#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <vector>

namespace sf {
class Window;
}

// Where the game window opens: on the monitor the player looks at, fitted to
// it with the canvas's shape, and centred on it.
class WindowPlacement final {
public:
    struct Monitor {
        sf::IntRect area;
        bool primary;
    };

    // The monitors XRandR lists for the display, in its order; none when it
    // lists none or the display has no XRandR.
    static std::vector<Monitor> ListMonitors();

    // The window's place and size on the X screen: on the primary monitor, or
    // the first listed when none is primary, or on the whole desktop when none
    // is listed. A canvas that fits keeps its size; a larger one is scaled to
    // nine tenths of the monitor, leaving room for a title bar and panels.
    static sf::IntRect Place(sf::Vector2u canvas, const std::vector<Monitor>& monitors,
                             sf::Vector2u desktop);
    // Gives a new window of the canvas's size the place and size Place says
    // on this display. It keeps drawing in the canvas's coordinates: its
    // default view stays the whole canvas, stretched over a smaller window.
    static void Apply(sf::Window& window, sf::Vector2u canvas);
};
