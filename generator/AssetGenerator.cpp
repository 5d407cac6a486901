// Writes every image and sound the game opens into one folder:
//   quadrabash_assetgen <output-folder>
// or the desktop menu icons, quadrabash-<size>.png, into another:
//   quadrabash_assetgen --icons <output-folder>
// The output depends on nothing but this program, so two runs give the same bytes.

#include "AssetFiles.hpp"
#include "ImageAssets.hpp"
#include "SoundAssets.hpp"

#include <SFML/Audio/OutputSoundFile.hpp>
#include <SFML/Graphics/Image.hpp>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool MakeFolder(const fs::path& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        std::cerr << "quadrabash_assetgen: cannot create " << path << ": " << error.message()
                  << '\n';
        return false;
    }
    return true;
}

// Written straight through the sound file writer: sf::SoundBuffer::saveToFile
// asks OpenAL for the channel count, and on a build machine without an audio
// device that comes back as 0 and the WAV header is broken.
bool WriteSound(const fs::path& path, const qbgen::PcmSound& sound)
{
    if (!MakeFolder(path.parent_path()))
        return false;
    sf::OutputSoundFile file;
    if (!file.openFromFile(path.string(), sound.sampleRate, 1)) {
        std::cerr << "quadrabash_assetgen: cannot write " << path << '\n';
        return false;
    }
    file.write(sound.samples.data(), sound.samples.size());
    return true;
}

bool WriteImage(const fs::path& path, const sf::Image& image)
{
    if (!MakeFolder(path.parent_path()))
        return false;
    if (!image.saveToFile(path.string())) {
        std::cerr << "quadrabash_assetgen: cannot write " << path << '\n';
        return false;
    }
    return true;
}

// The sizes the desktop's icon theme asks for most: a menu, a launcher, a store page.
int WriteIcons(const fs::path& root)
{
    bool ok = true;
    for (const unsigned size : {64u, 128u, 256u})
        ok &= WriteImage(root / ("quadrabash-" + std::to_string(size) + ".png"),
                         qbgen::MakeIcon(size));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string icons = "--icons";
    if (argc == 3 && argv[1] == icons)
        return WriteIcons(argv[2]);
    if (argc != 2 || argv[1] == icons) {
        const char* self = argc > 0 ? argv[0] : "quadrabash_assetgen";
        std::cerr << "usage: " << self << " <output-folder>\n"
                  << "       " << self << " --icons <output-folder>\n";
        return 2;
    }

    const fs::path root = argv[1];
    try {
        bool ok = true;
        ok &= WriteImage(root / assetFile::whiteImage, qbgen::MakeWhiteImage());
        ok &= WriteImage(root / assetFile::brickImage, qbgen::MakeBrickImage());
        ok &= WriteSound(root / assetFile::mainMusic, qbgen::MakeMainMusic());
        ok &= WriteSound(root / assetFile::menuMusic, qbgen::MakeMenuMusic());
        ok &= WriteSound(root / assetFile::ballTapPad, qbgen::MakeBallTapPad());
        ok &= WriteSound(root / assetFile::ballTapBrick, qbgen::MakeBallTapBrick());
        return ok ? 0 : 1;
    } catch (const std::exception& failure) {
        // A typo in a score or a tempo that does not loop cleanly ends up here.
        std::cerr << "quadrabash_assetgen: " << failure.what() << '\n';
        return 1;
    }
}
