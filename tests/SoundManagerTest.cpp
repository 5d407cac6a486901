#include "TestSupport.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>

// Each file missing alone: its own line, the others still load, and every
// use of the missing name is reported.
TEST(SoundManagerTest, MissingFileIsReportedAndTheOthersStillLoad)
{
    const char* files[] = {"Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav", "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"};
    const char* names[] = {"Main_music", "Menu_music", "Ball_tap_pad", "Ball_tap_brick"};
    for (int missing = 0; missing < 4; ++missing) {
        const TempDir dir;
        std::filesystem::create_directory(dir.Path() + "/Sounds");
        for (int i = 0; i < 4; ++i)
            if (i != missing)
                std::filesystem::copy_file(GameDir() + "/" + files[i], dir.Path() + "/" + files[i]);
        const ScopedWorkingDirectory cwd(dir.Path());
        CapturedStdout out;
        SoundManager sounds;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ((i < 2 ? static_cast<const void*>(sounds.FindMusic(names[i])) : sounds.FindSound(names[i])) == nullptr, i == missing) << names[i];
        const std::string name = names[missing];
        if (missing < 2)
            sounds.PlayMusic(name), sounds.PauseMusic(name), sounds.StopMusic(name);
        else
            sounds.PlaySound(name);
        std::vector<std::string> expected(missing < 2 ? 3 : 1, (missing < 2 ? "Music " : "Sound ") + name + " not found");
        expected.insert(expected.begin(), missing < 2 ? "Failed to load Music" : "Failed to load Sound");
        EXPECT_EQ(out.Lines(), expected) << files[missing];
    }
    const SoundManager sounds;
    EXPECT_TRUE(sounds.FindMusic("Main_music")->getLoop() && sounds.FindMusic("Menu_music")->getLoop());
    EXPECT_NE(sounds.FindSound("Ball_tap_pad")->getBuffer(), sounds.FindSound("Ball_tap_brick")->getBuffer());
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
    EXPECT_EQ(out.Lines(), (std::vector<std::string>{"Hud() => Cannot load custom font.", "Failed to load Music",
                               "Failed to load Music", "Failed to load Sound", "Failed to load Sound", "Music Menu_music not found",
                               "ShopMenu() => Cannot load custom font.", "Loading texture failed.", "Loading texture failed.",
                               "Loading texture failed.", "Loading texture failed.", "PauseMenu() => Cannot load custom font."}));
    game.HandleEvent(KeyPressed(sf::Keyboard::Escape));
    game.HandleEvent(LeftClick(10, 500));
    for (int i = 0; i < 100; ++i)
        game.Update(), game.Render();
    EXPECT_TRUE(game.IsWindowOpen());
}
