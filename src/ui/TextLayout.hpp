#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/System/String.hpp>
#include <SFML/System/Vector2.hpp>

namespace sf {
class Font;
class RectangleShape;
class Text;
} // namespace sf

// Shared by the screens: every text is set up as font, string, size, colour.
void SetUpText(sf::Text& text, const sf::Font& font, const sf::String& string,
               unsigned int characterSize, sf::Color color);

// Centres a text horizontally on the window and around its vertical middle,
// shifted by offset; measured while the text still stands at (0, 0).
void CentreText(sf::Text& text, float verticalOffset);

// A full-height translucent band, window width / widthDivisor wide, centred.
void SetUpBackdrop(sf::RectangleShape& backdrop, float widthDivisor);

// Half-open hit test on the text's global bounds: left/top edges hit.
bool IsHit(const sf::Text& text, sf::Vector2i position);

// One line on standard output for a screen whose font did not load.
void ReportFontFailure(const char* className);
