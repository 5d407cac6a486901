#include "TestSupport.hpp"

#include <SFML/Graphics/Image.hpp>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

using namespace testsupport;

namespace {

int RunGenerator(const std::string& arguments)
{
    return std::system(("'" + std::string(QB_ASSETGEN_PATH) + "' " + arguments + " > /dev/null 2>&1").c_str());
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

// An install puts each icon in the hicolor folder named after its size: a
// picture of another size there is scaled blurrily or skipped by the desktop,
// and a picture that changes from build to build makes the package differ.
TEST(AssetGenerator, DrawsEachMenuIconAtItsSizeTheSameOnEveryRun)
{
    const TempDir first;
    const TempDir second;
    ASSERT_EQ(RunGenerator("--icons '" + first.Path() + "'"), 0);
    ASSERT_EQ(RunGenerator("--icons '" + second.Path() + "'"), 0);
    for (const unsigned size : {64u, 128u, 256u}) {
        const std::string name = "quadrabash-" + std::to_string(size) + ".png";
        SCOPED_TRACE(name);
        sf::Image icon;
        ASSERT_TRUE(icon.loadFromFile(first.Path() + "/" + name));
        EXPECT_EQ(icon.getSize().x, size);
        EXPECT_EQ(icon.getSize().y, size);
        EXPECT_TRUE(ReadBytes(first.Path() + "/" + name) == ReadBytes(second.Path() + "/" + name))
            << "output differs between runs";
    }
}

// Without its folder, --icons must be refused, not taken as the name of a
// folder to fill with the game's assets.
TEST(AssetGenerator, RefusesIconsWithoutAFolder)
{
    const TempDir folder;
    const ScopedWorkingDirectory inside(folder.Path());
    EXPECT_NE(RunGenerator("--icons"), 0);
    EXPECT_FALSE(std::ifstream("--icons/blanc.png").good());
}
