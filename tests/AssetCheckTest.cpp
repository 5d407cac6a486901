// Faults caught: a sound or picture SFML 2.5 cannot load safely reaching it
// (each file of fuzz/corpus once did: a crash, an abort or gigabytes), and a
// well-formed file the game could play being refused.
#include "assets/AssetCheck.hpp"
#include "TestSupport.hpp"
#include <SFML/Audio/SoundBuffer.hpp>
#include <filesystem>
#include <fstream>

namespace {

std::string Le(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

std::string Chunk(const std::string& id, const std::string& body)
{
    return id + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// A WAVE file of the given chunks; a format chunk at 22050 Hz; 8 zero bytes of samples.
std::string Wav(const std::string& chunks)
{
    return "RIFF" + Le(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}
std::string Fmt(int tag, int channels, int bits, const std::string& extension = "")
{
    const int block = channels * bits / 8;
    return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(22050, 4) + Le(22050 * block, 4) +
                             Le(block, 2) + Le(bits, 2) + extension);
}
const std::string data = Chunk("data", std::string(24, '\0'));
// WAVE_FORMAT_EXTENSIBLE's tail, with the subformat 1 (PCM) or 3 (float).
std::string Extension(int bits, char subformat)
{
    return Le(22, 2) + Le(bits, 2) + Le(3, 4) + subformat +
           std::string("\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 15);
}

// Signature and header chunk: all a picture's size is read from.
std::string Png(std::uint32_t width, std::uint32_t height)
{
    std::string ihdr = "IHDR" + Le(width, 4) + Le(height, 4) + std::string("\x08\x06\0\0\0", 5);
    std::reverse(ihdr.begin() + 4, ihdr.begin() + 8);
    std::reverse(ihdr.begin() + 8, ihdr.begin() + 12);
    return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + ihdr + Le(0, 4);
}

} // namespace

TEST(AssetCheck, SoundsSfmlReadsSafelyPassAndOthersAreRefused)
{
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"16-bit mono", Wav(Fmt(1, 1, 16) + data), true},
        {"8 channels of 24 bits", Wav(Fmt(1, 8, 24) + data), true},
        {"8-bit stereo after a LIST chunk", Wav(Chunk("LIST", "INFO") + Fmt(1, 2, 8) + data), true},
        {"extensible PCM", Wav(Fmt(0xFFFE, 2, 16, Extension(16, 1)) + data), true},
        {"extensible float", Wav(Fmt(0xFFFE, 2, 32, Extension(32, 3)) + data), false},
        {"nine channels", Wav(Fmt(1, 9, 16) + data), false},
        {"format cut short", Wav(Chunk("fmt ", Le(1, 2) + Le(1, 2)) + data), false},
        {"no data", Wav(Fmt(1, 1, 16)), false},
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
// and hears nothing from it.
TEST(AssetCheck, PicturesUpToTheSizeLimitPassAndTheCorpusIsRefused)
{
    const std::pair<std::string, bool> cases[] = {
        {Png(4096, 4096), true}, {Png(1, 4097), false}, {Png(4097, 1), false}};
    for (const auto& [file, safe] : cases) {
        std::istringstream in(file);
        EXPECT_EQ(IsSafeImage(in), safe) << file.size() << " bytes";
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
