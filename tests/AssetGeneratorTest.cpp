#include "TestSupport.hpp"

TEST(AssetGeneratorTest, WritesTheSameBytesOnEveryRunAndNeedsAnOutputFolder)
{
    const TempDir first, second;
    ASSERT_EQ(RunGenerator("'" + first.Path() + "'"), 0);
    ASSERT_EQ(RunGenerator("'" + second.Path() + "'"), 0);
    for (const char* name :
         {"blanc.png", "Brick.jpg", "Sounds/Last_Boss_Trove_Shadow_Tower.wav",
          "Sounds/Calm_hub.wav", "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"}) {
        const std::string bytes = ReadBytes(first.Path() + "/" + name);
        EXPECT_TRUE(!bytes.empty() && bytes == ReadBytes(second.Path() + "/" + name))
            << name << " differs between runs";
    }
    EXPECT_NE(RunGenerator(""), 0);
}
