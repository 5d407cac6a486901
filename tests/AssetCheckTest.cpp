// Faults caught: a sound or picture SFML 2.5 cannot load safely reaching it
// (each file of fuzz/corpus once did: a crash, an abort or gigabytes), and a
// well-formed file the game could play being refused.
#include "assets/AssetCheck.hpp"
#include "TestSupport.hpp"
#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/Graphics/Image.hpp>
#include <fstream>

// Little-endian, as in WAVE files.
static std::string Le(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

// The game's own sounds, 16-bit mono, passing is shown by every test that
// starts the game and hears nothing from it.
TEST(AssetCheck, SoundsSfmlReadsSafelyPassAndOthersAreRefused)
{
    const auto chunk = [](const std::string& id, const std::string& body) {
        return id + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
    };
    const auto wav = [&](const std::string& chunks) { return chunk("RIFF", "WAVE" + chunks); };
    // A format chunk at 22050 Hz, and WAVE_FORMAT_EXTENSIBLE's tail for the subformat 1 (PCM) or 3.
    const auto fmt = [&](int tag, int channels, int bits, const std::string& tail = "") {
        const int block = channels * bits / 8;
        return chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(22050, 4) + Le(22050 * block, 4) +
                                 Le(block, 2) + Le(bits, 2) + tail);
    };
    const auto extensible = [](int bits, int subformat) {
        return Le(22, 2) + Le(bits, 2) + Le(3, 4) + Le(subformat, 1) +
               std::string("\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 15);
    };
    const std::string data = chunk("data", std::string(24, '\0'));
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"8 channels of 24 bits", wav(fmt(1, 8, 24) + data), true},
        {"8-bit stereo after a LIST chunk", wav(chunk("LIST", "INFO") + fmt(1, 2, 8) + data), true},
        {"extensible PCM", wav(fmt(0xFFFE, 2, 16, extensible(16, 1)) + data), true},
        {"extensible float", wav(fmt(0xFFFE, 2, 32, extensible(32, 3)) + data), false},
        {"nine channels", wav(fmt(1, 9, 16) + data), false},
        {"format cut short", wav(chunk("fmt ", Le(1, 2) + Le(1, 2)) + data), false},
        {"no data", wav(fmt(1, 1, 16)), false},
        {"not a RIFF file", "Not a sound at all", false},
    };
    for (const auto& [what, file, safe] : cases) {
        std::istringstream in(file);
        ASSERT_EQ(IsSafeSound(in), safe) << what;
        sf::SoundBuffer buffer;
        EXPECT_TRUE(!safe || buffer.loadFromMemory(file.data(), file.size()))
            << what << " is refused by SFML";
    }
}

// The game's own assets passing is shown by every test that starts the game
// and hears nothing from it. Each picture is a whole PNG as SFML writes it:
// stb_image reads past the header chunk, further in newer releases.
TEST(AssetCheck, PicturesUpToTheSizeLimitPassAndTheCorpusIsRefused)
{
    const ScratchFolder folder;
    for (const auto& [width, height, safe] :
         {std::tuple{4096u, 1u, true}, {1u, 4096u, true}, {4097u, 1u, false}, {1u, 4097u, false}}) {
        sf::Image picture;
        picture.create(width, height);
        ASSERT_TRUE(picture.saveToFile("picture.png"));
        EXPECT_EQ(IsSafeImageFile("picture.png"), safe) << width << " x " << height;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QB_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const bool sound = entry.path().filename().string().rfind("sound-", 0) == 0;
        EXPECT_FALSE(sound ? IsSafeSound(in) : IsSafeImage(in)) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 10) << "the regression corpus is missing";
}
