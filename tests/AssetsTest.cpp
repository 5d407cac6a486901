#include "TestSupport.hpp"

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const char* const kMusicFiles[] = {"Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav"};
const char* const kEffectFiles[] = {"Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"};
const char* const kGeneratedFiles[] = {"blanc.png", "Brick.jpg", kMusicFiles[0], kMusicFiles[1],
                                       kEffectFiles[0], kEffectFiles[1]};
constexpr double kFullScale = 32767.0;

struct Decoded {
    std::vector<sf::Int16> samples;
    unsigned rate = 0;
    unsigned channels = 0;
    double Seconds() const { return static_cast<double>(samples.size()) / channels / rate; }
};

// Decodes without an audio device, so the checks hold whatever OpenAL finds.
Decoded Decode(const std::string& name)
{
    Decoded sound;
    sf::InputSoundFile file;
    if (!file.openFromFile(GameDir() + "/" + name))
        return sound;
    sound.rate = file.getSampleRate();
    sound.channels = file.getChannelCount();
    sound.samples.resize(static_cast<std::size_t>(file.getSampleCount()));
    sound.samples.resize(static_cast<std::size_t>(file.read(sound.samples.data(), sound.samples.size())));
    return sound;
}

int Peak(std::vector<sf::Int16>::const_iterator begin, std::vector<sf::Int16>::const_iterator end)
{
    int peak = 0;
    for (auto it = begin; it != end; ++it)
        peak = std::max(peak, std::abs(static_cast<int>(*it)));
    return peak;
}

double MeanLuminance(const sf::Image& image, unsigned left, unsigned top, unsigned width, unsigned height)
{
    double sum = 0.0;
    for (unsigned y = top; y < top + height; ++y)
        for (unsigned x = left; x < left + width; ++x) {
            const sf::Color c = image.getPixel(x, y);
            sum += 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
        }
    return sum / (width * height);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int RunGenerator(const std::string& arguments)
{
    return std::system(("'" + std::string(QB_ASSETGEN_PATH) + "' " + arguments + " > /dev/null 2>&1").c_str());
}

} // namespace

TEST(GameAssets, ImagesAndFontLoadAndLookRight)
{
    sf::Image white;
    ASSERT_TRUE(white.loadFromFile(GameDir() + "/blanc.png"));
    // The pad samples 200 x 20 from it; any tint must show its exact colour.
    EXPECT_GE(white.getSize().x, 200u);
    EXPECT_GE(white.getSize().y, 20u);
    for (unsigned y = 0; y < white.getSize().y; ++y)
        for (unsigned x = 0; x < white.getSize().x; ++x)
            ASSERT_EQ(white.getPixel(x, y), sf::Color::White) << x << ", " << y;

    sf::Image brick;
    ASSERT_TRUE(brick.loadFromFile(GameDir() + "/Brick.jpg"));
    ASSERT_EQ(brick.getSize(), sf::Vector2u(100, 50));
    // Lit from the upper left, and light grey so the tints show.
    EXPECT_GT(MeanLuminance(brick, 10, 0, 80, 3) - MeanLuminance(brick, 10, 47, 80, 3), 40.0);
    EXPECT_GT(MeanLuminance(brick, 0, 10, 3, 30) - MeanLuminance(brick, 97, 10, 3, 30), 40.0);
    EXPECT_GT(MeanLuminance(brick, 0, 0, 100, 50), 170.0);
    const sf::Color centre = brick.getPixel(50, 25);
    EXPECT_LT(std::abs(centre.r - centre.g) + std::abs(centre.g - centre.b), 12) << "not neutral grey";

    sf::Texture texture;
    EXPECT_TRUE(texture.loadFromFile(GameDir() + "/blanc.png"));
    EXPECT_TRUE(texture.loadFromFile(GameDir() + "/Brick.jpg"));

    sf::Font font;
    ASSERT_TRUE(font.loadFromFile(GameDir() + "/Pixel_Coleco.otf"));
    // The shop writes French: é must be a real glyph.
    EXPECT_GT(font.getGlyph(0xE9, 40, false).bounds.width, 0.f);
    EXPECT_NE(ReadBytes(GameDir() + "/Pixel_Coleco-LICENSE.txt").find("OFL"), std::string::npos);
}

TEST(GameAssets, SoundsAreSmallMonoAndLoudWithoutClipping)
{
    for (const char* name : {kMusicFiles[0], kMusicFiles[1], kEffectFiles[0], kEffectFiles[1]}) {
        SCOPED_TRACE(name);
        EXPECT_LE(fs::file_size(GameDir() + "/" + name), 4u * 1024u * 1024u);
        const Decoded sound = Decode(name);
        ASSERT_FALSE(sound.samples.empty());
        EXPECT_EQ(sound.channels, 1u);
        // Below -3 dBFS leaves room for the mixer; above -20 dBFS is audible.
        const int peak = Peak(sound.samples.begin(), sound.samples.end());
        EXPECT_LT(peak, kFullScale * std::pow(10.0, -3.0 / 20.0));
        EXPECT_GT(peak, kFullScale / 10.0);
        sf::SoundBuffer buffer;
        ASSERT_TRUE(buffer.loadFromFile(GameDir() + "/" + name));
        EXPECT_EQ(buffer.getSampleRate(), sound.rate);
    }
}

TEST(GameAssets, EffectsAreShortAndFadedAtBothEnds)
{
    double crossingsPerSecond[2] = {};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kEffectFiles[i]);
        const Decoded sound = Decode(kEffectFiles[i]);
        ASSERT_GT(sound.samples.size(), sound.rate / 1000);
        EXPECT_GT(sound.Seconds(), 0.020);
        EXPECT_LT(sound.Seconds(), 0.150);
        // A sample far from zero at either end clicks in the speaker.
        EXPECT_LE(std::abs(sound.samples.front()), kFullScale / 100.0);
        EXPECT_LE(std::abs(sound.samples.back()), kFullScale / 100.0);
        EXPECT_LT(Peak(sound.samples.end() - sound.rate / 1000, sound.samples.end()), kFullScale / 20.0);
        int crossings = 0;
        for (std::size_t s = 1; s < sound.samples.size(); ++s)
            crossings += (sound.samples[s - 1] < 0) != (sound.samples[s] < 0) ? 1 : 0;
        crossingsPerSecond[i] = crossings / sound.Seconds();
    }
    // The pad knocks low, the brick cracks bright: swapped files would sound wrong.
    EXPECT_GT(crossingsPerSecond[1], 4.0 * crossingsPerSecond[0]);
}

TEST(GameAssets, MusicLoopsForHalfAMinuteWithoutASeam)
{
    for (const char* name : kMusicFiles) {
        SCOPED_TRACE(name);
        const Decoded sound = Decode(name);
        ASSERT_GT(sound.samples.size(), 1u);
        EXPECT_GE(sound.Seconds(), 20.0);
        EXPECT_LE(sound.Seconds(), 40.0);
        EXPECT_LT(std::abs(sound.samples.back() - sound.samples.front()), kFullScale / 50.0)
            << "the loop point clicks";
        double sum = 0.0;
        double squares = 0.0;
        for (sf::Int16 sample : sound.samples) {
            sum += sample;
            squares += static_cast<double>(sample) * sample;
        }
        const double n = static_cast<double>(sound.samples.size());
        EXPECT_LT(std::fabs(sum / n), kFullScale / 100.0) << "a DC offset thumps at start and stop";
        EXPECT_GT(std::sqrt(squares / n), kFullScale / 30.0) << "too quiet under the effects";
        sf::Music music;
        ASSERT_TRUE(music.openFromFile(GameDir() + "/" + name));
        EXPECT_NEAR(music.getDuration().asSeconds(), sound.Seconds(), 0.01);
    }
}

TEST(AssetGenerator, WritesTheSameBytesOnEveryRunAndNeedsAnOutputFolder)
{
    const TempDir first;
    const TempDir second;
    ASSERT_EQ(RunGenerator("'" + first.Path() + "'"), 0);
    ASSERT_EQ(RunGenerator("'" + second.Path() + "'"), 0);
    for (const char* name : kGeneratedFiles) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadBytes(first.Path() + "/" + name);
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(bytes == ReadBytes(second.Path() + "/" + name)) << "output differs between runs";
    }
    EXPECT_NE(RunGenerator(""), 0);
}
