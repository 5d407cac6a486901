#include "TestSupport.hpp"

#include "assets/AssetCheck.hpp"

#include <SFML/Graphics/Image.hpp>
#include <fstream>

// The mix a player hears: both tracks at half volume, looping, the pad's tap
// well under the brick's, each from its own file.
TEST(SoundManagerTest, TracksLoopAtHalfVolumeAndThePadTapIsTheQuietEffect)
{
    const SoundManager all;
    EXPECT_NE(all.FindSound("Ball_tap_pad")->getBuffer()->getDuration(),
              all.FindSound("Ball_tap_brick")->getBuffer()->getDuration());
    EXPECT_NE(all.FindMusic("Main_music")->getDuration(),
              all.FindMusic("Menu_music")->getDuration())
        << "the menus play the battle track";
    for (const char* name : {"Main_music", "Menu_music"}) {
        EXPECT_NEAR(all.FindMusic(name)->getVolume(), 50.f, 0.01) << name;
        EXPECT_TRUE(all.FindMusic(name)->getLoop()) << name;
    }
    EXPECT_NEAR(all.FindSound("Ball_tap_pad")->getVolume(), 15.f, 0.01);
    EXPECT_NEAR(all.FindSound("Ball_tap_brick")->getVolume(), 75.f, 0.01);
}

// A machine without a sound device, or one unplugged during play, is told
// once; after that no call fails aloud and no music stream is left running.
TEST(SoundManagerTest, WithoutADeviceTheGameSaysSoOnceAndPlaysSilently)
{
    for (const bool lostDuringPlay : {false, true}) {
        SCOPED_TRACE(lostDuringPlay ? "lost during play" : "none at start");
        const CapturedOutput err(std::cerr), out;
        SoundManager sound(lostDuringPlay);
        sound.PlayMusic("Menu_music");
        sound.CheckDevice(true);
        for (int check = 0; check < 2; ++check)
            sound.CheckDevice(false);
        sound.PlayMusic("Main_music");
        sound.PlaySound("Ball_tap_brick");
        EXPECT_EQ(err.Text(), "quadrabash: no audio device; playing without sound\n");
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(sound.FindMusic("Menu_music"), nullptr) << "a stream still runs";
    }
}

// With no asset at all, or with files SFML would choke on, start-up reports
// each kind of failure, and the game draws and steps with nothing more to say.
// The broken ones: pictures wider than the game accepts, and WAV files whose
// data comes before their format, on which SFML 2.5 divides by zero.
TEST(StartupTest, EveryMissingOrBrokenAssetIsReportedAndTheGameStillRuns)
{
    const std::string dataFirst("RIFF\x2c\0\0\0WAVEdata\x08\0\0\0\0\0\0\0\0\0\0\0"
                                "fmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0",
                                52);
    for (const bool broken : {false, true}) {
        const ScratchFolder folder;
        if (broken) {
            sf::Image tooWide;
            tooWide.create(maxImageSide + 1, 1);
            ASSERT_TRUE(tooWide.saveToFile(assetFile::whiteImage) &&
                        tooWide.saveToFile(assetFile::brickImage));
            for (const char* file : {assetFile::mainMusic, assetFile::menuMusic,
                                     assetFile::ballTapPad, assetFile::ballTapBrick}) {
                std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                std::ofstream(file, std::ios::binary) << dataFirst;
            }
        }
        CapturedOutput out;
        Game game(sf::Vector2u(1920, 1080), "Quadrabash");
        game.Init();
        const std::string atStart = out.Text();
        for (int frame = 0; frame < 3; ++frame) {
            game.Update();
            game.Render();
        }
        SCOPED_TRACE(broken ? "broken assets" : "no assets");
        EXPECT_EQ(out.Text(), atStart) << "reported again as the game runs";
        for (const char* failure : {"Hud() =>", "PauseMenu() =>", "ShopMenu() =>", "Music\n",
                                    "Sound\n", "Loading texture failed.\n"})
            EXPECT_NE(atStart.find(failure), std::string::npos) << failure;
    }
}
