#include "TestSupport.hpp"

#include "core/AssetCheck.hpp"

#include <SFML/Audio/SoundBuffer.hpp>
#include <filesystem>
#include <fstream>

using namespace testsupport;

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

std::string Fmt(int tag, int channels, int bits, const std::string& extension = "")
{
    const int block = channels * bits / 8;
    return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(22050, 4) + Le(22050 * block, 4) +
                             Le(block, 2) + Le(bits, 2) + extension);
}

std::string Wav(const std::string& chunks)
{
    return "RIFF" + Le(static_cast<std::uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

std::string Extensible(int bits, char subformat)
{
    const std::string guid("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return Le(22, 2) + Le(bits, 2) + Le(3, 4) + std::string(1, subformat) + std::string(1, '\0') + guid;
}

std::string Data(int bytes)
{
    return Chunk("data", std::string(static_cast<std::size_t>(bytes), '\0'));
}

// Signature and header chunk: all a picture's size is read from.
std::string Png(std::uint32_t width, std::uint32_t height)
{
    const auto be = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 0xFF),
                           static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
    };
    return std::string("\x89PNG\r\n\x1a\n", 8) + be(13) + "IHDR" + be(width) + be(height) +
           std::string("\x08\x06\x00\x00\x00", 5) + be(0);
}

} // namespace

TEST(AssetCheck, SoundsSfmlReadsSafelyPassAndOthersAreRefused)
{
    struct Case {
        const char* what;
        std::string file;
        bool safe;
    };
    const Case cases[] = {
        {"16-bit mono", Wav(Fmt(1, 1, 16) + Data(8)), true},
        {"8 channels of 24 bits", Wav(Fmt(1, 8, 24) + Data(24)), true},
        {"8-bit stereo after a LIST chunk", Wav(Chunk("LIST", "INFO") + Fmt(1, 2, 8) + Data(4)), true},
        {"extensible PCM", Wav(Fmt(0xFFFE, 2, 16, Extensible(16, 1)) + Data(8)), true},
        {"extensible float", Wav(Fmt(0xFFFE, 2, 32, Extensible(32, 3)) + Data(8)), false},
        {"nine channels", Wav(Fmt(1, 9, 16) + Data(18)), false},
        {"format cut short", Wav(Chunk("fmt ", Le(1, 2) + Le(1, 2)) + Data(8)), false},
        {"no data", Wav(Fmt(1, 1, 16)), false},
        {"not a RIFF file", "Not a sound at all", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.file);
        ASSERT_EQ(IsSafeSound(in), c.safe);
        sf::SoundBuffer buffer;
        if (c.safe) {
            EXPECT_TRUE(buffer.loadFromMemory(c.file.data(), c.file.size())) << "refused by SFML";
        }
    }
}

TEST(AssetCheck, PicturesUpToTheSizeLimitPass)
{
    const std::pair<std::string, bool> cases[] = {
        {Png(4096, 4096), true}, {Png(1, 4097), false}, {Png(4097, 1), false}, {"", false}};
    for (const auto& [file, safe] : cases) {
        std::istringstream in(file);
        EXPECT_EQ(IsSafeImage(in), safe) << file.size() << " bytes";
    }
}

TEST(AssetCheck, TheGamesOwnAssetsPassAndTheMalformedCorpusIsRefused)
{
    for (const char* image : {"blanc.png", "Brick.jpg"})
        EXPECT_TRUE(IsSafeImageFile(GameDir() + "/" + image)) << image;
    for (const std::string& name : AllAssetNames()) {
        if (name.rfind("Sounds/", 0) == 0) {
            EXPECT_TRUE(IsSafeSoundFile(GameDir() + "/" + name)) << name;
        }
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QB_CORPUS_DIR)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        const bool sound = name.rfind("sound-", 0) == 0;
        EXPECT_FALSE(sound ? IsSafeSound(in) : IsSafeImage(in)) << name;
        ++files;
    }
    EXPECT_GE(files, 10) << "the regression corpus is missing";
}
