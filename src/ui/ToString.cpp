#include "ui/ToString.hpp"

#include <sstream>

sf::String ToString(int value)
{
    std::stringstream stream;
    stream << value;
    return sf::String(stream.str());
}

sf::String FromLatin1(const std::string& bytes)
{
    sf::String text;
    for (const char byte : bytes)
        text += static_cast<sf::Uint32>(static_cast<unsigned char>(byte));
    return text;
}
