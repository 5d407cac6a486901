#include "core/WindowPlacement.hpp"

#include <SFML/Window/VideoMode.hpp>
#include <SFML/Window/Window.hpp>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>

std::vector<WindowPlacement::Monitor> WindowPlacement::ListMonitors()
{
    std::vector<Monitor> monitors;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return monitors;
    int eventBase = 0;
    int errorBase = 0;
    int count = 0;
    XRRMonitorInfo* listed = nullptr;
    if (XRRQueryExtension(display, &eventBase, &errorBase))
        listed = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = listed[i];
        monitors.push_back({sf::IntRect(m.x, m.y, m.width, m.height), m.primary != 0});
    }
    if (listed)
        XRRFreeMonitors(listed);
    XCloseDisplay(display);
    return monitors;
}

sf::IntRect WindowPlacement::Place(sf::Vector2u canvas, const std::vector<Monitor>& monitors,
                                   sf::Vector2u desktop)
{
    sf::IntRect area(0, 0, static_cast<int>(desktop.x), static_cast<int>(desktop.y));
    if (!monitors.empty()) {
        const auto primary = std::find_if(monitors.begin(), monitors.end(),
                                          [](const Monitor& m) { return m.primary; });
        area = (primary != monitors.end() ? *primary : monitors.front()).area;
    }
    sf::Vector2i size(static_cast<int>(canvas.x), static_cast<int>(canvas.y));
    if (size.x > area.width || size.y > area.height) {
        const double scale = std::min(0.9 * area.width / canvas.x, 0.9 * area.height / canvas.y);
        size = sf::Vector2i(static_cast<int>(canvas.x * scale), static_cast<int>(canvas.y * scale));
    }
    return sf::IntRect(area.left + (area.width - size.x) / 2, area.top + (area.height - size.y) / 2,
                       size.x, size.y);
}

void WindowPlacement::Apply(sf::Window& window, sf::Vector2u canvas)
{
    const sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
    const sf::IntRect place =
        Place(canvas, ListMonitors(), sf::Vector2u(desktop.width, desktop.height));
    const sf::Vector2u size(static_cast<unsigned int>(place.width),
                            static_cast<unsigned int>(place.height));
    if (size != window.getSize())
        window.setSize(size);
    // SFML 2.5 on X11 centres a new window vertically by the screen's width,
    // and on the whole X screen rather than on one monitor.
    window.setPosition(sf::Vector2i(place.left, place.top));
}
