#include "TestSupport.hpp"

#include "assets/AssetCheck.hpp"
#include "audio/SoundManager.hpp"

#include <SFML/Graphics/Image.hpp>
#include <fstream>

// The mix a player hears: both tracks at half volume, looping, the pad's tap
// well under the brick's. With the menu music and the pad's sound missing: each failure is
// reported, the others still load under their own names, and every use of a missing name is
// reported.
TEST(SoundManagerTest, MissingFilesAreReportedAndTheOthersStillLoad)
{
    const SoundManager all;
    EXPECT_NE(all.FindSound("Ball_tap_pad")->getBuffer(),
              all.FindSound("Ball_tap_brick")->getBuffer());
    for (const auto& [name, volume] :
         {std::pair<const char*, float>{"Main_music", 50.f}, {"Menu_music", 50.f}}) {
        EXPECT_NEAR(all.FindMusic(name)->getVolume(), volume, 0.01) << name;
        EXPECT_TRUE(all.FindMusic(name)->getLoop()) << name;
    }
    for (const auto& [name, volume] :
         {std::pair<const char*, float>{"Ball_tap_pad", 15.f}, {"Ball_tap_brick", 75.f}})
        EXPECT_NEAR(all.FindSound(name)->getVolume(), volume, 0.01) << name;
    const TempDir dir;
    std::filesystem::copy(GameDir() + "/Sounds", dir.Path() + "/Sounds");
    std::filesystem::remove(dir.Path() + "/Sounds/Calm_hub.wav");
    std::filesystem::remove(dir.Path() + "/Sounds/ball_tap_pad.wav");
    const ScopedWorkingDirectory cwd(dir.Path());
    CapturedStdout out;
    SoundManager sounds;
    ASSERT_TRUE(sounds.FindMusic("Main_music") && !sounds.FindMusic("Menu_music") &&
                !sounds.FindSound("Ball_tap_pad") && sounds.FindSound("Ball_tap_brick"));
    sounds.PlayMusic("Menu_music");
    sounds.PauseMusic("Menu_music");
    sounds.StopMusic("Menu_music");
    sounds.PlaySound("Ball_tap_pad");
    EXPECT_EQ(out.Lines(), (std::vector<std::string>{
                               "Failed to load Music", "Failed to load Sound",
                               "Music Menu_music not found", "Music Menu_music not found",
                               "Music Menu_music not found", "Sound Ball_tap_pad not found"}));
}

// With no asset at all, start-up reports each failure once, in the order the
// parts are built, and the game still plays.
// With no asset at all, or with files SFML would choke on, start-up reports
// each failure once, in the order the parts are built, and the game still
// plays. The broken ones: pictures wider than the game accepts, and WAV files
// whose data comes before their format, on which SFML 2.5 divides by zero.
TEST(StartupTest, EveryMissingOrBrokenAssetIsReportedInTheOrderOfStartUp)
{
    const TempDir empty, broken;
    std::filesystem::create_directory(broken.Path() + "/Sounds");
    sf::Image tooWide;
    tooWide.create(maxImageSide + 1, 1);
    for (const char* name : {"/blanc.png", "/Brick.jpg"})
        ASSERT_TRUE(tooWide.saveToFile(broken.Path() + name));
    const std::string dataFirst("RIFF\x2c\0\0\0WAVEdata\x08\0\0\0\0\0\0\0\0\0\0\0"
                                "fmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0",
                                52);
    for (const char* name :
         {"Last_Boss_Trove_Shadow_Tower", "Calm_hub", "ball_tap_pad", "ball_tap_brick"})
        std::ofstream(broken.Path() + "/Sounds/" + name + ".wav", std::ios::binary) << dataFirst;
    for (const TempDir* folder : {&empty, &broken}) {
        const ScopedWorkingDirectory cwd(folder->Path());
        CapturedStdout out;
        Game game(sf::Vector2u(1920, 1080), "Quadrabash");
        game.Init();
        EXPECT_EQ(
            out.Lines(),
            (std::vector<std::string>{
                "Hud() => Cannot load custom font.", "Failed to load Music", "Failed to load Music",
                "Failed to load Sound", "Failed to load Sound", "Music Menu_music not found",
                "ShopMenu() => Cannot load custom font.", "Loading texture failed.",
                "Loading texture failed.", "Loading texture failed.", "Loading texture failed.",
                "PauseMenu() => Cannot load custom font."}))
            << (folder == &empty ? "no assets" : "broken assets");
    }
}
