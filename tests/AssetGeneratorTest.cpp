#include "TestSupport.hpp"

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Graphics/Image.hpp>

TEST(AssetGeneratorTest, WritesTheSameBytesOnEveryRunAndNeedsAnOutputFolder)
{
    const TempDir first, second;
    ASSERT_EQ(RunGenerator("'" + first.Path() + "'"), 0);
    ASSERT_EQ(RunGenerator("'" + second.Path() + "'"), 0);
    for (const char* name : {"blanc.png", "Brick.jpg", "Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav",
                             "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"})
        EXPECT_TRUE(ReadBytes(first.Path() + "/" + name) == ReadBytes(second.Path() + "/" + name) && ReadBytes(first.Path() + "/" + name).size() > 0) << name;
    EXPECT_NE(RunGenerator(""), 0);
}

// The pad and the ball tint a white picture; a brick shows one whole 100 x 50
// image. Sounds are mono, between -20 and -3 dBFS, short effects and long loops.
TEST(AssetGeneratorTest, AssetsHaveTheSizesColoursAndLoudnessTheGameNeeds)
{
    sf::Image white, brick;
    ASSERT_TRUE(white.loadFromFile("blanc.png") && brick.loadFromFile("Brick.jpg"));
    for (unsigned y = 0; y < 20; ++y)
        for (unsigned x = 0; x < 200; ++x)
            ASSERT_EQ(white.getPixel(x, y), sf::Color::White) << x << ", " << y;
    EXPECT_EQ(brick.getSize(), sf::Vector2u(100, 50));
    const std::tuple<const char*, float, float> sounds[] = {{"Sounds/ball_tap_pad.wav", 0.02f, 0.15f},
        {"Sounds/ball_tap_brick.wav", 0.02f, 0.15f}, {"Sounds/Calm_hub.wav", 20, 40}, {"Sounds/Last_Boss_Trove_Shadow_Tower.wav", 20, 40}};
    for (const auto& [name, shortest, longest] : sounds) {
        sf::InputSoundFile file;
        ASSERT_TRUE(file.openFromFile(name));
        std::vector<sf::Int16> samples(static_cast<std::size_t>(file.getSampleCount()));
        samples.resize(static_cast<std::size_t>(file.read(samples.data(), samples.size())));
        const int peak = std::abs(static_cast<int>(*std::max_element(samples.begin(), samples.end(), [](int a, int b) { return std::abs(a) < std::abs(b); })));
        EXPECT_TRUE(file.getChannelCount() == 1 && peak > 3277 && peak < 23197) << name << " peaks at " << peak;
        EXPECT_TRUE(file.getDuration().asSeconds() >= shortest && file.getDuration().asSeconds() <= longest) << name;
    }
}
