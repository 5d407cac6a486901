// Checks the files the asset build puts next to the game: that SFML opens each
// of them, and that they are what the game needs (white pad texture, shaded
// brick, quiet click-free sounds, music that loops without a seam), and that
// the generator writes the same bytes every time.
//
// Needs these compile definitions on the test executable:
//   target_compile_definitions(quadrabash_tests PRIVATE QB_ASSETGEN_PATH="$<TARGET_FILE:quadrabash_assetgen>")
//   QB_GAME_DIR="<absolute path of the ready-to-play folder>"

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef QB_GAME_DIR
#error "QB_GAME_DIR must name the folder the game assets are built into"
#endif
#ifndef QB_ASSETGEN_PATH
#error "QB_ASSETGEN_PATH must name the quadrabash_assetgen executable"
#endif

namespace fs = std::filesystem;

namespace
{

const fs::path GameDir = QB_GAME_DIR;

const char* const GeneratedFiles[] = {
    "blanc.png",
    "Brick.jpg",
    "Sounds/Last_Boss_Trove_Shadow_Tower.wav",
    "Sounds/Calm_hub.wav",
    "Sounds/ball_tap_pad.wav",
    "Sounds/ball_tap_brick.wav",
};

const char* const MusicFiles[] = {"Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav"};
const char* const EffectFiles[] = {"Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"};

constexpr double FullScale = 32767.0;
// -3 dBFS: room for the mixer and for the resampler's overshoot.
const double PeakLimit = FullScale * std::pow(10.0, -3.0 / 20.0);
constexpr std::uintmax_t MaxSoundBytes = 4u * 1024u * 1024u;

struct DecodedSound
{
    std::vector<sf::Int16> samples;
    unsigned sampleRate = 0;
    unsigned channelCount = 0;

    double Seconds() const { return static_cast<double>(samples.size()) / channelCount / sampleRate; }
};

// Decodes through SFML's file reader, which needs no audio device, so the
// sample checks stay meaningful whatever OpenAL finds on the machine.
DecodedSound Decode(const fs::path& path)
{
    DecodedSound sound;
    sf::InputSoundFile file;
    if (!file.openFromFile(path.string()))
        return sound;
    sound.sampleRate = file.getSampleRate();
    sound.channelCount = file.getChannelCount();
    sound.samples.resize(static_cast<std::size_t>(file.getSampleCount()));
    sound.samples.resize(static_cast<std::size_t>(file.read(sound.samples.data(), sound.samples.size())));
    return sound;
}

int Peak(const std::vector<sf::Int16>& samples)
{
    int peak = 0;
    for (sf::Int16 sample : samples)
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

double Rms(const std::vector<sf::Int16>& samples)
{
    double sum = 0.0;
    for (sf::Int16 sample : samples)
        sum += static_cast<double>(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

double ZeroCrossingsPerSecond(const DecodedSound& sound)
{
    int crossings = 0;
    for (std::size_t i = 1; i < sound.samples.size(); ++i)
        if ((sound.samples[i - 1] < 0) != (sound.samples[i] < 0))
            ++crossings;
    return crossings / sound.Seconds();
}

double Luminance(sf::Color color)
{
    return 0.299 * color.r + 0.587 * color.g + 0.114 * color.b;
}

double MeanLuminance(const sf::Image& image, unsigned left, unsigned top, unsigned width, unsigned height)
{
    double sum = 0.0;
    for (unsigned y = top; y < top + height; ++y)
        for (unsigned x = left; x < left + width; ++x)
            sum += Luminance(image.getPixel(x, y));
    return sum / (width * height);
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int RunGenerator(const std::string& arguments)
{
    const std::string command = std::string("'") + QB_ASSETGEN_PATH + "' " + arguments + " > /dev/null 2>&1";
    return std::system(command.c_str());
}

// A fresh folder per test process, removed again when the test ends.
class ScratchDir final
{
public:
    explicit ScratchDir(const std::string& name)
        : path(fs::temp_directory_path() / ("quadrabash_assets_" + std::to_string(::getpid()) + "_" + name))
    {
        fs::remove_all(path);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path path;
};

} // namespace

TEST(GameAssets, EveryFileTheGameOpensIsInTheGameFolder)
{
    for (const char* name : GeneratedFiles)
        EXPECT_TRUE(fs::is_regular_file(GameDir / name)) << name;
    EXPECT_TRUE(fs::is_regular_file(GameDir / "Pixel_Coleco.otf"));
}

TEST(GameAssets, PadAndBallTextureIsOpaqueWhite)
{
    sf::Image image;
    ASSERT_TRUE(image.loadFromFile((GameDir / "blanc.png").string()));
    // The pad samples 200 x 20 from the top-left corner, a ball 20 x 20.
    EXPECT_GE(image.getSize().x, 200u);
    EXPECT_GE(image.getSize().y, 20u);

    unsigned offWhite = 0;
    for (unsigned y = 0; y < image.getSize().y; ++y)
        for (unsigned x = 0; x < image.getSize().x; ++x)
            if (image.getPixel(x, y) != sf::Color::White)
                ++offWhite;
    EXPECT_EQ(offWhite, 0u) << "a tinted pad or ball would not show its exact colour";

    sf::Texture texture;
    EXPECT_TRUE(texture.loadFromFile((GameDir / "blanc.png").string()));
}

TEST(GameAssets, BrickIsOneLightBevelledBlock)
{
    sf::Image image;
    ASSERT_TRUE(image.loadFromFile((GameDir / "Brick.jpg").string()));
    ASSERT_EQ(image.getSize(), sf::Vector2u(100, 50));

    // Light from the upper left: the top edge catches it, the bottom is in shade.
    const double topRows = MeanLuminance(image, 10, 0, 80, 3);
    const double bottomRows = MeanLuminance(image, 10, 47, 80, 3);
    EXPECT_GT(topRows - bottomRows, 40.0);
    const double leftColumns = MeanLuminance(image, 0, 10, 3, 30);
    const double rightColumns = MeanLuminance(image, 97, 10, 3, 30);
    EXPECT_GT(leftColumns - rightColumns, 40.0);

    // Mostly light grey, so that the brick tints show as their own colour.
    EXPECT_GT(MeanLuminance(image, 0, 0, 100, 50), 170.0);
    const sf::Color centre = image.getPixel(50, 25);
    EXPECT_EQ(centre.a, 255);
    EXPECT_LT(std::abs(centre.r - centre.g) + std::abs(centre.g - centre.b), 12) << "the face should be neutral grey";

    sf::Texture texture;
    EXPECT_TRUE(texture.loadFromFile((GameDir / "Brick.jpg").string()));
}

TEST(GameAssets, FontLoadsWithTheShopAccentAndTravelsWithItsLicence)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile((GameDir / "Pixel_Coleco.otf").string()));
    // The shop writes French: é must be a real glyph, not an empty box.
    EXPECT_GT(font.getGlyph(0xE9, 40, false).bounds.width, 0.f);
    EXPECT_GT(font.getGlyph('A', 30, false).bounds.height, 0.f);

    const std::string licence = ReadBytes(GameDir / "Pixel_Coleco-LICENSE.txt");
    EXPECT_NE(licence.find("OFL"), std::string::npos);
    EXPECT_NE(licence.find("DotGothic16"), std::string::npos);
}

TEST(GameAssets, SoundsAreQuietSmallMono16BitFiles)
{
    for (const char* name : {MusicFiles[0], MusicFiles[1], EffectFiles[0], EffectFiles[1]})
    {
        SCOPED_TRACE(name);
        const fs::path path = GameDir / name;
        EXPECT_LE(fs::file_size(path), MaxSoundBytes);

        const DecodedSound sound = Decode(path);
        ASSERT_FALSE(sound.samples.empty());
        EXPECT_EQ(sound.channelCount, 1u);
        EXPECT_LT(Peak(sound.samples), PeakLimit) << "too close to clipping";
        EXPECT_GT(Peak(sound.samples), FullScale / 10.0) << "almost silent";

        // What the game itself does with the file must work too.
        sf::SoundBuffer buffer;
        ASSERT_TRUE(buffer.loadFromFile(path.string()));
        EXPECT_EQ(buffer.getChannelCount(), 1u) << "no audio device? run with ALSOFT_DRIVERS=null";
        EXPECT_EQ(buffer.getSampleRate(), sound.sampleRate);
    }
}

TEST(GameAssets, EffectsAreShortAndFadedAtBothEnds)
{
    for (const char* name : EffectFiles)
    {
        SCOPED_TRACE(name);
        const DecodedSound sound = Decode(GameDir / name);
        ASSERT_GT(sound.samples.size(), 10u);
        EXPECT_LT(sound.Seconds(), 0.150);
        EXPECT_GT(sound.Seconds(), 0.020);

        // A sample far from zero at either end is a click in the speaker.
        const int nearZero = static_cast<int>(FullScale / 100.0);
        EXPECT_LE(std::abs(static_cast<int>(sound.samples.front())), nearZero);
        EXPECT_LE(std::abs(static_cast<int>(sound.samples.back())), nearZero);
        const std::vector<sf::Int16> lastMillisecond(sound.samples.end() - sound.sampleRate / 1000,
                                                     sound.samples.end());
        EXPECT_LT(Peak(lastMillisecond), FullScale / 20.0) << "not faded out";
    }

    // The pad knocks low, the brick cracks bright; swapped files would sound wrong.
    const double pad = ZeroCrossingsPerSecond(Decode(GameDir / "Sounds/ball_tap_pad.wav"));
    const double brick = ZeroCrossingsPerSecond(Decode(GameDir / "Sounds/ball_tap_brick.wav"));
    EXPECT_GT(brick, 4.0 * pad);
}

TEST(GameAssets, MusicLoopsForHalfAMinuteWithoutASeam)
{
    for (const char* name : MusicFiles)
    {
        SCOPED_TRACE(name);
        const DecodedSound sound = Decode(GameDir / name);
        ASSERT_GT(sound.samples.size(), 1u);
        EXPECT_GE(sound.Seconds(), 20.0);
        EXPECT_LE(sound.Seconds(), 40.0);

        // The loop jumps from the last sample back to the first.
        const int seam = std::abs(sound.samples.back() - sound.samples.front());
        EXPECT_LT(seam, static_cast<int>(FullScale / 50.0)) << "the loop point clicks";

        double sum = 0.0;
        for (sf::Int16 sample : sound.samples)
            sum += sample;
        EXPECT_LT(std::fabs(sum / static_cast<double>(sound.samples.size())), FullScale / 100.0)
            << "a DC offset thumps when the music starts or stops";
        EXPECT_GT(Rms(sound.samples), FullScale / 30.0) << "too quiet to hear under the effects";

        sf::Music music;
        ASSERT_TRUE(music.openFromFile((GameDir / name).string()));
        EXPECT_NEAR(music.getDuration().asSeconds(), sound.Seconds(), 0.01);
    }
}

TEST(AssetGenerator, WritesTheSameBytesOnEveryRun)
{
    const ScratchDir first("first");
    const ScratchDir second("second");
    ASSERT_EQ(RunGenerator("'" + first.path.string() + "'"), 0);
    ASSERT_EQ(RunGenerator("'" + second.path.string() + "'"), 0);

    for (const char* name : GeneratedFiles)
    {
        SCOPED_TRACE(name);
        const std::string bytes = ReadBytes(first.path / name);
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(bytes == ReadBytes(second.path / name)) << "output differs between two runs";
    }
}

TEST(AssetGenerator, RefusesToRunWithoutAnOutputFolder)
{
    EXPECT_NE(RunGenerator(""), 0);
}
