#include "AudioTestSupport.hpp"
#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace testsupport;

namespace {

const char* const kMainMusicFile = "Sounds/Last_Boss_Trove_Shadow_Tower.wav";
const char* const kMenuMusicFile = "Sounds/Calm_hub.wav";
const char* const kPadSoundFile = "Sounds/ball_tap_pad.wav";
const char* const kBrickSoundFile = "Sounds/ball_tap_brick.wav";

sf::Uint64 SampleCountOf(const std::string& file)
{
    sf::SoundBuffer buffer;
    EXPECT_TRUE(buffer.loadFromFile(GameDir() + "/" + file)) << file;
    return buffer.getSampleCount();
}

// Checks what did load: its settings and its own samples.
void ExpectLoadedRight(SoundManager& sounds)
{
    for (const char* name : {"Main_music", "Menu_music"})
        if (const sf::Music* music = sounds.FindMusic(name)) {
            EXPECT_FLOAT_EQ(music->getVolume(), 50.f) << name;
            EXPECT_TRUE(music->getLoop()) << name;
            EXPECT_EQ(music->getStatus(), sf::SoundSource::Stopped) << name;
        }
    const std::tuple<const char*, const char*, float> effects[] = {
        {"Ball_tap_pad", kPadSoundFile, 15.f}, {"Ball_tap_brick", kBrickSoundFile, 75.f}};
    for (const auto& [name, file, volume] : effects)
        if (const sf::Sound* sound = sounds.FindSound(name)) {
            EXPECT_FLOAT_EQ(sound->getVolume(), volume) << name;
            EXPECT_FALSE(sound->getLoop()) << name;
            ASSERT_NE(sound->getBuffer(), nullptr) << name;
            EXPECT_EQ(sound->getBuffer()->getSampleCount(), SampleCountOf(file)) << name;
        }
}

} // namespace

TEST(SoundManagerTest, LoadsEveryTrackAndEffectWithItsSettingsAndPrintsNothing)
{
    CapturedStdout out;
    SoundManager sounds;
    EXPECT_EQ(out.Text(), "");
    ASSERT_NE(sounds.FindMusic("Main_music"), nullptr);
    ASSERT_NE(sounds.FindMusic("Menu_music"), nullptr);
    ASSERT_NE(sounds.FindSound("Ball_tap_pad"), nullptr);
    ASSERT_NE(sounds.FindSound("Ball_tap_brick"), nullptr);
    EXPECT_NE(sounds.FindMusic("Main_music"), sounds.FindMusic("Menu_music"));
    // Both effects go through one scratch buffer: each must keep its own copy.
    EXPECT_NE(sounds.FindSound("Ball_tap_pad")->getBuffer(),
              sounds.FindSound("Ball_tap_brick")->getBuffer());
    ASSERT_NE(SampleCountOf(kPadSoundFile), SampleCountOf(kBrickSoundFile));
    ExpectLoadedRight(sounds);
}

TEST(SoundManagerTest, EachMissingFileIsReportedOnceAndTheOthersStillLoad)
{
    const std::string music = "Failed to load Music";
    const std::string sound = "Failed to load Sound";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{kMenuMusicFile}, {music}},
        {{kPadSoundFile}, {sound}},
        {{kMainMusicFile, kBrickSoundFile}, {music, sound}},
        {{kMainMusicFile, kMenuMusicFile, kPadSoundFile, kBrickSoundFile},
         {music, music, sound, sound}},
    };
    for (const auto& [missing, lines] : cases) {
        SCOPED_TRACE("missing " + missing.front() + " and " + std::to_string(missing.size() - 1) +
                     " more");
        const auto isMissing = [&m = missing](const char* file) {
            return std::find(m.begin(), m.end(), file) != m.end();
        };
        std::vector<std::string> kept;
        for (const std::string& name : AllAssetNames())
            if (!isMissing(name.c_str()))
                kept.push_back(name);
        TempDir dir;
        CopyAssets(dir.Path(), kept);
        ScopedWorkingDirectory cwd(dir.Path());
        CapturedStdout out;
        SoundManager sounds;
        EXPECT_EQ(out.Lines(), lines);

        EXPECT_EQ(sounds.FindMusic("Main_music") == nullptr, isMissing(kMainMusicFile));
        EXPECT_EQ(sounds.FindMusic("Menu_music") == nullptr, isMissing(kMenuMusicFile));
        EXPECT_EQ(sounds.FindSound("Ball_tap_pad") == nullptr, isMissing(kPadSoundFile));
        EXPECT_EQ(sounds.FindSound("Ball_tap_brick") == nullptr, isMissing(kBrickSoundFile));
        ExpectLoadedRight(sounds);

        // Asking for what is missing is reported on every call.
        out.Clear();
        if (isMissing(kMenuMusicFile)) {
            sounds.PlayMusic("Menu_music");
            sounds.PauseMusic("Menu_music");
            sounds.StopMusic("Menu_music");
            EXPECT_EQ(out.Lines(), std::vector<std::string>(3, "Music Menu_music not found"));
        }
        out.Clear();
        if (isMissing(kPadSoundFile)) {
            sounds.PlaySound("Ball_tap_pad");
            sounds.PlaySound("Ball_tap_pad");
            EXPECT_EQ(out.Lines(), std::vector<std::string>(2, "Sound Ball_tap_pad not found"));
        }
    }
}

TEST(SoundManagerTest, UnknownNamesAreReportedAndNamesAreCaseSensitive)
{
    SoundManager sounds;
    CapturedStdout out;
    sounds.PlayMusic("main_music");
    sounds.PauseMusic("MENU_MUSIC");
    sounds.StopMusic("Main_music ");
    sounds.PlaySound("ball_tap_brick");
    sounds.PlaySound("Main_music");
    sounds.PlayMusic("Ball_tap_brick");
    EXPECT_EQ(out.Lines(), (std::vector<std::string>{
                               "Music main_music not found", "Music MENU_MUSIC not found",
                               "Music Main_music  not found", "Sound ball_tap_brick not found",
                               "Sound Main_music not found", "Music Ball_tap_brick not found"}));
    // A near miss must not reach the player it resembles.
    EXPECT_EQ(sounds.FindMusic("main_music"), nullptr);
    EXPECT_EQ(sounds.FindMusic("Main_music")->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(sounds.FindSound("Ball_tap_brick")->getStatus(), sf::SoundSource::Stopped);
}

TEST(SoundManagerTest, PausedMusicResumesWhereItWasAndStopRewinds)
{
    SoundManager sounds;
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";
    CapturedStdout out;
    const sf::Music* main = sounds.FindMusic("Main_music");
    ASSERT_NE(main, nullptr);
    const float into = 3.f;

    sounds.PlayMusic("Main_music");
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);
    const_cast<sf::Music*>(main)->setPlayingOffset(sf::seconds(into));
    sounds.PauseMusic("Main_music");
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Paused);
    sounds.PlayMusic("Main_music");
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);
    EXPECT_NEAR(main->getPlayingOffset().asSeconds(), into, 0.01) << "resuming starts over";

    sounds.StopMusic("Main_music");
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(main->getPlayingOffset(), sf::Time::Zero);
    sounds.PlayMusic("Main_music");
    EXPECT_LT(main->getPlayingOffset().asSeconds(), 0.01f);
    EXPECT_EQ(sounds.FindMusic("Menu_music")->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(out.Text(), "");
}

TEST(SoundManagerTest, ReplayingAnEffectRestartsItsOnlyPlayer)
{
    SoundManager sounds;
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";
    const sf::Sound* brick = sounds.FindSound("Ball_tap_brick");
    const sf::Sound* pad = sounds.FindSound("Ball_tap_pad");
    ASSERT_NE(brick, nullptr);
    ASSERT_NE(pad, nullptr);

    sounds.PlaySound("Ball_tap_brick");
    const_cast<sf::Sound*>(brick)->setPlayingOffset(brick->getBuffer()->getDuration() / sf::Int64(2));
    ASSERT_GT(brick->getPlayingOffset().asSeconds(), 0.005f);
    // A second hit rewinds the same player instead of a second voice joining in.
    sounds.PlaySound("Ball_tap_brick");
    EXPECT_EQ(sounds.FindSound("Ball_tap_brick"), brick);
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Playing);
    EXPECT_LT(brick->getPlayingOffset().asSeconds(), 0.002f);
    EXPECT_EQ(pad->getStatus(), sf::SoundSource::Stopped);
    sounds.PlaySound("Ball_tap_pad");
    EXPECT_EQ(pad->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Playing);
}

// The effect really reaches the speakers: OpenAL Soft's "wave" backend writes
// what it mixes into a file. It is chosen once per process, so the recording
// runs in a child copy of this binary.
namespace {

const char* const kRecordInto = "QB_TEST_RECORD_EFFECT";

// Loudest sample of a 16-bit wave file, full scale 1.0; -1 if unreadable.
double PeakOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto le = [&](std::size_t at, int width) {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return value;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return -1.0;
    int bits = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::size_t size = le(at + 4, 4);
        if (bytes.compare(at, 4, "fmt ") == 0)
            bits = static_cast<int>(le(at + 8 + 14, 2));
        if (bytes.compare(at, 4, "data") == 0) {
            if (bits != 16)
                return -1.0;
            // A writer killed before it closed leaves the size unset.
            const std::size_t end = (size == 0 || size == 0xFFFFFFFFu)
                                        ? bytes.size()
                                        : std::min(bytes.size(), at + 8 + size);
            double peak = 0.0;
            for (std::size_t s = at + 8; s + 2 <= end; s += 2)
                peak = std::max(peak, std::abs(static_cast<std::int16_t>(le(s, 2)) / 32768.0));
            return peak;
        }
        at += 8 + size + (size & 1u);
    }
    return -1.0;
}

// Polls every 10 ms for up to 10 s: a generous deadline, not a measure of speed.
template <class Condition>
bool EventuallyTrue(Condition condition)
{
    for (int i = 0; i < 1000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

// Runs this test again in a child recording into <dir>/<name>.wav; returns
// the child's exit status.
int RecordInChild(const std::string& dir, const std::string& name)
{
    const std::string conf = dir + "/" + name + ".conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\nsample-type=int16\n[wave]\nfile=" << dir
                        << "/" << name << ".wav\n";
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string command = "ALSOFT_DRIVERS=wave ALSOFT_CONF='" + conf + "' " + kRecordInto +
                                "='" + name + ":" + dir + "/" + name + ".wav' '" +
                                std::filesystem::read_symlink("/proc/self/exe").string() +
                                "' --gtest_filter=" + info->test_suite_name() + "." +
                                info->name() + " > '" + dir + "/" + name + ".log' 2>&1";
    return std::system(command.c_str());
}

} // namespace

TEST(SoundManagerTest, BrickHitIsAudibleOnARecordingBackend)
{
    if (const char* mode = std::getenv(kRecordInto)) {
        // In the child: "effect:<file>" hits a brick's sound, "silence:<file>" plays nothing.
        const std::string value = mode;
        const std::string wave = value.substr(value.find(':') + 1);
        SoundManager sounds;
        const sf::Sound* brick = sounds.FindSound("Ball_tap_brick");
        ASSERT_NE(brick, nullptr);
        if (value.rfind("effect:", 0) == 0) {
            sounds.PlaySound("Ball_tap_brick");
            ASSERT_TRUE(EventuallyTrue([&] { return brick->getStatus() == sf::SoundSource::Stopped; }));
        }
        ASSERT_TRUE(EventuallyTrue([&] {
            std::error_code error;
            return std::filesystem::file_size(wave, error) > 64 * 1024 && !error;
        })) << "the backend wrote nothing to " << wave;
        return;
    }

    TempDir dir;
    ASSERT_EQ(RecordInChild(dir.Path(), "effect"), 0);
    ASSERT_EQ(RecordInChild(dir.Path(), "silence"), 0);
    const double silence = PeakOf(dir.Path() + "/silence.wav");
    const double effect = PeakOf(dir.Path() + "/effect.wav");
    ASSERT_GE(silence, 0.0) << "unreadable recording";
    // A run that plays nothing proves the measure itself hears silence.
    EXPECT_LT(silence, 0.002);
    EXPECT_GT(effect, 0.05) << "the brick effect never reached the output";
}
