// libFuzzer target: every picture the header check lets through must decode
// in SFML without a crash or a huge allocation.
#include "assets/AssetCheck.hpp"

#include <SFML/Graphics/Image.hpp>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (!IsSafeImage(in))
        return 0;
    sf::Image image;
    (void)image.loadFromMemory(data, size);
    return 0;
}
