#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"

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
TEST(StartupTest, EveryMissingAssetIsReportedInTheOrderOfStartUp)
{
    const TempDir empty;
    const ScopedWorkingDirectory cwd(empty.Path());
    CapturedStdout out;
    Game game(sf::Vector2u(1920, 1080), "Quadrabash");
    game.Init();
    EXPECT_EQ(out.Lines(),
              (std::vector<std::string>{
                  "Hud() => Cannot load custom font.", "Failed to load Music",
                  "Failed to load Music", "Failed to load Sound", "Failed to load Sound",
                  "Music Menu_music not found", "ShopMenu() => Cannot load custom font.",
                  "Loading texture failed.", "Loading texture failed.", "Loading texture failed.",
                  "Loading texture failed.", "PauseMenu() => Cannot load custom font."}));
}
