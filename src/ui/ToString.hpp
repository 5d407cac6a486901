#pragma once

#include <SFML/System/String.hpp>
#include <string>

// Decimal text of an integer, as the display and the shop show numbers.
sf::String ToString(int value);

// UI strings are single bytes, each shown as the code point of the same value
// (Latin-1): the é of the shop's texts is the byte 0xE9, as in Windows-1252.
sf::String FromLatin1(const std::string& bytes);
