#include "ui/TextLayout.hpp"

#include "core/Resources.hpp"

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>
#include <iostream>

void SetUpText(sf::Text& text, const sf::Font& font, const sf::String& string,
               unsigned int characterSize, sf::Color color)
{
    text.setFont(font);
    text.setString(string);
    text.setCharacterSize(characterSize);
    text.setFillColor(color);
}

void CentreText(sf::Text& text, float verticalOffset)
{
    const sf::FloatRect bounds = text.getGlobalBounds();
    const float x = static_cast<float>(windowSize.x / 2) - bounds.width * 0.5f;
    const float y = static_cast<float>(windowSize.y / 2) - bounds.height * 0.5f + verticalOffset;
    text.setPosition(x, y);
}

void SetUpBackdrop(sf::RectangleShape& backdrop, float widthDivisor)
{
    const float width = static_cast<float>(windowSize.x) / widthDivisor;
    backdrop.setSize(sf::Vector2f(width, static_cast<float>(windowSize.y)));
    backdrop.setFillColor(sf::Color(0, 0, 0, 191));
    backdrop.setOutlineThickness(0.f);
    backdrop.setPosition(static_cast<float>(windowSize.x / 2) - width / 2.f, 0.f);
}

bool IsHit(const sf::Text& text, sf::Vector2i position)
{
    return text.getGlobalBounds().contains(static_cast<float>(position.x),
                                           static_cast<float>(position.y));
}

void ReportFontFailure(const char* className)
{
    std::cout << className << "() => Cannot load custom font." << std::endl;
}
