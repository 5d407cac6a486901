#include "TestSupport.hpp"

#include <SFML/Graphics/Image.hpp>

// An install puts each icon in the hicolor folder named after its size: a
// picture of another size there is scaled blurrily or skipped by the desktop.
// Without its folder, --icons must be refused, not taken as the name of a
// folder to fill with the game's assets. That the generator writes the same
// bytes on every run the package test shows by building the package twice.
TEST(IconTest, DrawsEachMenuIconAtItsSizeAndNeedsAFolder)
{
    const ScratchFolder folder;
    const std::string generator = "'" QB_ASSETGEN_PATH "' --icons";
    ASSERT_EQ(std::system((generator + " . >/dev/null 2>&1").c_str()), 0);
    for (const unsigned size : {64u, 128u, 256u}) {
        const std::string name = "quadrabash-" + std::to_string(size) + ".png";
        sf::Image icon;
        EXPECT_TRUE(icon.loadFromFile(name) && icon.getSize() == sf::Vector2u(size, size)) << name;
    }
    EXPECT_NE(std::system((generator + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists("--icons"));
}
