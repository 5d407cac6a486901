#pragma once

#include <SFML/System/String.hpp>
#include <string>

// Decimal text of an integer, as the display and the shop show numbers.
sf::String ToString(int value);

// UI strings are kept in Windows-1252; each byte maps to the code point of
// the same value, so 0xE9 shows as é.
sf::String FromWindows1252(const std::string& bytes);
