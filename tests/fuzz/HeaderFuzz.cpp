// libFuzzer target, built once for sounds and once for pictures: whatever the
// header check lets through must load in SFML the way the game loads it,
// without a crash or a huge allocation.
#include "assets/AssetCheck.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/Graphics/Image.hpp>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
#ifdef QB_FUZZ_SOUND
    if (IsSafeSound(in)) {
        sf::SoundBuffer effect;
        (void)effect.loadFromMemory(data, size);
        sf::Music music;
        (void)music.openFromMemory(data, size);
    }
#else
    sf::Image image;
    if (IsSafeImage(in))
        (void)image.loadFromMemory(data, size);
#endif
    return 0;
}
