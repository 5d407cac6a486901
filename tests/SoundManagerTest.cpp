#include "TestSupport.hpp"

#include "audio/SoundManager.hpp"
#include "core/Resources.hpp"
#include "state/GameState.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

using namespace testsupport;

namespace {

const char* const kMainMusic = "Main_music";
const char* const kMenuMusic = "Menu_music";
const char* const kPadSound = "Ball_tap_pad";
const char* const kBrickSound = "Ball_tap_brick";

const char* const kMainMusicFile = "Sounds/Last_Boss_Trove_Shadow_Tower.wav";
const char* const kMenuMusicFile = "Sounds/Calm_hub.wav";
const char* const kPadSoundFile = "Sounds/ball_tap_pad.wav";
const char* const kBrickSoundFile = "Sounds/ball_tap_brick.wav";

std::vector<std::string> AllAssetsBut(const std::vector<std::string>& missing)
{
    std::vector<std::string> kept;
    for (const std::string& name : AllAssetNames())
        if (std::find(missing.begin(), missing.end(), name) == missing.end())
            kept.push_back(name);
    return kept;
}

// Holds OpenAL's mixer still while alive, so that a playing source keeps its
// status and offset for as long as the test looks at them, however busy the
// machine is. Needs an open audio device, so build it after the sounds.
class FrozenMixer {
public:
    FrozenMixer()
    {
        using ContextFn = void* (*)();
        using DeviceFn = void* (*)(void*);
        const auto currentContext =
            reinterpret_cast<ContextFn>(dlsym(RTLD_DEFAULT, "alcGetCurrentContext"));
        const auto contextsDevice =
            reinterpret_cast<DeviceFn>(dlsym(RTLD_DEFAULT, "alcGetContextsDevice"));
        pause = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDevicePauseSOFT"));
        resume = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDeviceResumeSOFT"));
        if (!currentContext || !contextsDevice || !pause || !resume)
            return;
        if (void* context = currentContext())
            device = contextsDevice(context);
        if (device)
            pause(device);
    }
    ~FrozenMixer()
    {
        if (device)
            resume(device);
    }
    FrozenMixer(const FrozenMixer&) = delete;
    FrozenMixer& operator=(const FrozenMixer&) = delete;

    bool IsFrozen() const { return device != nullptr; }

private:
    using DeviceCall = void (*)(void*);
    DeviceCall pause = nullptr;
    DeviceCall resume = nullptr;
    void* device = nullptr;
};

// The manager hands out read-only players; a test may still move the play
// head of a player it owns the scene of.
sf::Music& Writable(const sf::Music* music)
{
    return const_cast<sf::Music&>(*music);
}

sf::Sound& Writable(const sf::Sound* sound)
{
    return const_cast<sf::Sound&>(*sound);
}

sf::Uint64 SampleCountOf(const std::string& file)
{
    sf::SoundBuffer buffer;
    EXPECT_TRUE(buffer.loadFromFile(GameDir() + "/" + file)) << file;
    return buffer.getSampleCount();
}

} // namespace

TEST(SoundManagerTest, LoadsEveryTrackAndEffectWithItsSettingsAndPrintsNothing)
{
    CapturedStdout out;
    SoundManager sounds;
    EXPECT_EQ(out.Text(), "");

    for (const char* name : {kMainMusic, kMenuMusic}) {
        SCOPED_TRACE(name);
        const sf::Music* music = sounds.FindMusic(name);
        ASSERT_NE(music, nullptr);
        EXPECT_FLOAT_EQ(music->getVolume(), 50.f);
        EXPECT_TRUE(music->getLoop());
        EXPECT_EQ(music->getStatus(), sf::SoundSource::Stopped) << "nothing plays at start-up";
    }
    EXPECT_NE(sounds.FindMusic(kMainMusic), sounds.FindMusic(kMenuMusic));
    EXPECT_GT(sounds.FindMusic(kMainMusic)->getDuration(), sf::Time::Zero);

    const sf::Sound* pad = sounds.FindSound(kPadSound);
    const sf::Sound* brick = sounds.FindSound(kBrickSound);
    ASSERT_NE(pad, nullptr);
    ASSERT_NE(brick, nullptr);
    EXPECT_FLOAT_EQ(pad->getVolume(), 15.f);
    EXPECT_FLOAT_EQ(brick->getVolume(), 75.f);
    EXPECT_FALSE(pad->getLoop());
    EXPECT_FALSE(brick->getLoop());
    EXPECT_EQ(pad->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Stopped);

    // Both effects are loaded through one scratch buffer: each must keep a
    // copy of its own samples, not the scratch buffer nor the other's.
    ASSERT_NE(pad->getBuffer(), nullptr);
    ASSERT_NE(brick->getBuffer(), nullptr);
    EXPECT_NE(pad->getBuffer(), brick->getBuffer());
    EXPECT_EQ(pad->getBuffer()->getSampleCount(), SampleCountOf(kPadSoundFile));
    EXPECT_EQ(brick->getBuffer()->getSampleCount(), SampleCountOf(kBrickSoundFile));
    EXPECT_NE(SampleCountOf(kPadSoundFile), SampleCountOf(kBrickSoundFile))
        << "the two effects must differ for the check above to mean anything";
}

TEST(SoundManagerTest, EachMissingFileIsReportedOnceAndTheOthersStillLoad)
{
    struct Case {
        std::vector<std::string> missing;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {{kMenuMusicFile}, {"Failed to load Music"}},
        {{kPadSoundFile}, {"Failed to load Sound"}},
        {{kMainMusicFile, kBrickSoundFile}, {"Failed to load Music", "Failed to load Sound"}},
        {{kMainMusicFile, kMenuMusicFile, kPadSoundFile, kBrickSoundFile},
         {"Failed to load Music", "Failed to load Music", "Failed to load Sound",
          "Failed to load Sound"}},
    };

    for (const Case& c : cases) {
        std::string label;
        for (const std::string& name : c.missing)
            label += name + " ";
        SCOPED_TRACE("missing: " + label);

        TempDir dir;
        CopyAssets(dir.Path(), AllAssetsBut(c.missing));
        ScopedWorkingDirectory cwd(dir.Path());
        CapturedStdout out;
        SoundManager sounds;
        EXPECT_EQ(out.Lines(), c.lines);

        const auto isMissing = [&](const char* file) {
            return std::find(c.missing.begin(), c.missing.end(), file) != c.missing.end();
        };
        EXPECT_EQ(sounds.FindMusic(kMainMusic) == nullptr, isMissing(kMainMusicFile));
        EXPECT_EQ(sounds.FindMusic(kMenuMusic) == nullptr, isMissing(kMenuMusicFile));
        EXPECT_EQ(sounds.FindSound(kPadSound) == nullptr, isMissing(kPadSoundFile));
        EXPECT_EQ(sounds.FindSound(kBrickSound) == nullptr, isMissing(kBrickSoundFile));

        // What did load keeps its own settings and samples.
        if (const sf::Music* menu = sounds.FindMusic(kMenuMusic)) {
            EXPECT_FLOAT_EQ(menu->getVolume(), 50.f);
            EXPECT_TRUE(menu->getLoop());
        }
        if (const sf::Sound* pad = sounds.FindSound(kPadSound)) {
            EXPECT_FLOAT_EQ(pad->getVolume(), 15.f);
            ASSERT_NE(pad->getBuffer(), nullptr);
            EXPECT_EQ(pad->getBuffer()->getSampleCount(), SampleCountOf(kPadSoundFile));
        }
        if (const sf::Sound* brick = sounds.FindSound(kBrickSound)) {
            EXPECT_FLOAT_EQ(brick->getVolume(), 75.f);
            ASSERT_NE(brick->getBuffer(), nullptr);
            EXPECT_EQ(brick->getBuffer()->getSampleCount(), SampleCountOf(kBrickSoundFile));
        }

        // Asking for what is missing is reported on every call, and nothing
        // else is disturbed.
        out.Clear();
        if (isMissing(kMenuMusicFile)) {
            sounds.PlayMusic(kMenuMusic);
            sounds.PauseMusic(kMenuMusic);
            sounds.StopMusic(kMenuMusic);
            EXPECT_EQ(out.Lines(), std::vector<std::string>(3, "Music Menu_music not found"));
        }
        out.Clear();
        if (isMissing(kPadSoundFile)) {
            sounds.PlaySound(kPadSound);
            sounds.PlaySound(kPadSound);
            EXPECT_EQ(out.Lines(), std::vector<std::string>(2, "Sound Ball_tap_pad not found"));
        }
        if (const sf::Music* main = sounds.FindMusic(kMainMusic)) {
            EXPECT_EQ(main->getStatus(), sf::SoundSource::Stopped);
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
    sounds.PlaySound("Ball_Tap_Pad");
    sounds.PlaySound(kMainMusic);
    sounds.PlayMusic(kBrickSound);

    const std::vector<std::string> expected = {
        "Music main_music not found",     "Music MENU_MUSIC not found",
        "Music Main_music  not found",    "Sound ball_tap_brick not found",
        "Sound Ball_Tap_Pad not found",   "Sound Main_music not found",
        "Music Ball_tap_brick not found",
    };
    EXPECT_EQ(out.Lines(), expected);

    EXPECT_EQ(sounds.FindMusic("main_music"), nullptr);
    EXPECT_EQ(sounds.FindSound("ball_tap_brick"), nullptr);
    // A near miss must not reach the player it resembles.
    EXPECT_EQ(sounds.FindMusic(kMainMusic)->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(sounds.FindMusic(kMenuMusic)->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(sounds.FindSound(kBrickSound)->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(sounds.FindSound(kPadSound)->getStatus(), sf::SoundSource::Stopped);
}

TEST(SoundManagerTest, PausedMusicResumesWhereItWasAndStopRewinds)
{
    SoundManager sounds;
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";
    CapturedStdout out;

    const sf::Music* main = sounds.FindMusic(kMainMusic);
    const sf::Music* menu = sounds.FindMusic(kMenuMusic);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(menu, nullptr);
    const sf::Time into = sf::seconds(3.f);
    ASSERT_GT(main->getDuration(), into + sf::seconds(1.f));

    sounds.PlayMusic(kMainMusic);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);
    Writable(main).setPlayingOffset(into);
    EXPECT_NEAR(main->getPlayingOffset().asSeconds(), into.asSeconds(), 0.01);

    sounds.PauseMusic(kMainMusic);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Paused);
    EXPECT_NEAR(main->getPlayingOffset().asSeconds(), into.asSeconds(), 0.01);

    sounds.PlayMusic(kMainMusic);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);
    EXPECT_NEAR(main->getPlayingOffset().asSeconds(), into.asSeconds(), 0.01)
        << "resuming must continue from the pause point, not start over";

    sounds.StopMusic(kMainMusic);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(main->getPlayingOffset(), sf::Time::Zero);

    sounds.PlayMusic(kMainMusic);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);
    EXPECT_LT(main->getPlayingOffset().asSeconds(), 0.01f) << "after a stop it starts over";

    // The other track was never touched.
    EXPECT_EQ(menu->getStatus(), sf::SoundSource::Stopped);
    EXPECT_EQ(out.Text(), "");
    sounds.StopMusic(kMainMusic);
}

TEST(SoundManagerTest, ReplayingAnEffectRestartsItsOnlyPlayer)
{
    SoundManager sounds;
    FrozenMixer mixer;
    ASSERT_TRUE(mixer.IsFrozen()) << "cannot reach OpenAL's device to hold the mixer";

    const sf::Sound* brick = sounds.FindSound(kBrickSound);
    const sf::Sound* pad = sounds.FindSound(kPadSound);
    ASSERT_NE(brick, nullptr);
    ASSERT_NE(pad, nullptr);
    const sf::Time halfway = brick->getBuffer()->getDuration() / sf::Int64(2);
    ASSERT_GT(halfway, sf::milliseconds(5));

    sounds.PlaySound(kBrickSound);
    ASSERT_EQ(sounds.FindSound(kBrickSound), brick) << "one player for the whole run";
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Playing);
    Writable(brick).setPlayingOffset(halfway);
    ASSERT_NEAR(brick->getPlayingOffset().asSeconds(), halfway.asSeconds(), 0.002);

    // A second hit while the first still sounds: the same player goes back
    // to the start instead of a second voice joining in.
    sounds.PlaySound(kBrickSound);
    ASSERT_EQ(sounds.FindSound(kBrickSound), brick);
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Playing);
    EXPECT_LT(brick->getPlayingOffset().asSeconds(), 0.002f);

    // Effects are independent players.
    EXPECT_EQ(pad->getStatus(), sf::SoundSource::Stopped);
    sounds.PlaySound(kPadSound);
    EXPECT_EQ(pad->getStatus(), sf::SoundSource::Playing);
    EXPECT_EQ(brick->getStatus(), sf::SoundSource::Playing);
}

TEST(SoundManagerTest, GameWithoutMenuMusicReportsItAtEveryMenuChange)
{
    TempDir dir;
    CopyAssets(dir.Path(), AllAssetsBut({kMenuMusicFile}));
    ScopedWorkingDirectory cwd(dir.Path());
    escapeHeld = false;

    CapturedStdout out;
    auto game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    game->Init();
    ASSERT_TRUE(game->IsWindowOpen()) << "no window: run the tests under xvfb-run";
    EXPECT_EQ(out.Lines(),
              (std::vector<std::string>{"Failed to load Music", "Music Menu_music not found"}));

    // Leaving the start menu stops the menu music and starts the main one.
    out.Clear();
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    game->HandleEvent(KeyReleased(sf::Keyboard::Escape));
    ASSERT_FALSE(game->GetState()->IsPaused());
    EXPECT_EQ(out.Lines(), std::vector<std::string>{"Music Menu_music not found"});
    const sf::Music* main = game->GetSoundManager()->FindMusic(kMainMusic);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Playing);

    // Pausing in play pauses the main music and asks for the menu music
    // again. (Launch first: pausing before the launch also reports the
    // already paused clock, which is not this test's business.)
    game->HandleEvent(LeftClick(10, 500));
    ASSERT_TRUE(game->IsBallLaunched());
    out.Clear();
    game->HandleEvent(KeyPressed(sf::Keyboard::Escape));
    ASSERT_TRUE(game->GetState()->IsPaused());
    EXPECT_EQ(out.Lines(), std::vector<std::string>{"Music Menu_music not found"});
    EXPECT_EQ(main->getStatus(), sf::SoundSource::Paused);

    game.reset();
    escapeHeld = false;
}

// ---------------------------------------------------------------------------
// The effect really reaches the speakers: OpenAL Soft's "wave" backend writes
// everything it mixes into a file. The backend is chosen once per process at
// the first audio use, so the recording runs in a child copy of this test
// binary, started with the backend's environment.

namespace {

const char* const kRecordInto = "QB_TEST_RECORD_EFFECT";

struct Recording {
    bool parsed = false;
    std::string error;
    int channels = 0;
    std::size_t frames = 0;
    double peak = 0.0; // full scale is 1.0
};

std::uint32_t ReadLe(const std::string& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// Reads a RIFF/WAVE file of 8, 16 or 32-bit integer or 32-bit float PCM,
// plain or extensible, and measures the loudest sample.
Recording ReadWave(const std::string& path)
{
    Recording rec;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        rec.error = "not a RIFF/WAVE file (" + std::to_string(bytes.size()) + " bytes)";
        return rec;
    }
    int format = 0;
    int bits = 0;
    std::size_t dataAt = 0;
    std::size_t dataSize = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = ReadLe(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            format = static_cast<int>(ReadLe(bytes, body, 2));
            rec.channels = static_cast<int>(ReadLe(bytes, body + 2, 2));
            bits = static_cast<int>(ReadLe(bytes, body + 14, 2));
            // Extensible: the real format is the start of the sub-format GUID.
            if (format == 0xFFFE && size >= 40 && body + 26 <= bytes.size())
                format = static_cast<int>(ReadLe(bytes, body + 24, 2));
        } else if (id == "data") {
            dataAt = body;
            // A writer killed before it closed leaves the size unset.
            dataSize = (size == 0 || size == 0xFFFFFFFFu) ? bytes.size() - body
                                                          : std::min(size, bytes.size() - body);
            break;
        }
        at = body + size + (size & 1u);
    }
    if (dataAt == 0 || rec.channels <= 0 || bits == 0) {
        rec.error = "no fmt or data chunk";
        return rec;
    }
    const std::size_t width = static_cast<std::size_t>(bits / 8);
    const std::size_t samples = dataSize / width;
    rec.frames = samples / static_cast<std::size_t>(rec.channels);
    for (std::size_t s = 0; s < samples; ++s) {
        const std::size_t at = dataAt + s * width;
        double value = 0.0;
        if (format == 1 && bits == 8) {
            value = (static_cast<int>(ReadLe(bytes, at, 1)) - 128) / 128.0;
        } else if (format == 1 && bits == 16) {
            value = static_cast<std::int16_t>(ReadLe(bytes, at, 2)) / 32768.0;
        } else if (format == 1 && bits == 32) {
            value = static_cast<std::int32_t>(ReadLe(bytes, at, 4)) / 2147483648.0;
        } else if (format == 3 && bits == 32) {
            const std::uint32_t raw = ReadLe(bytes, at, 4);
            float f;
            std::memcpy(&f, &raw, sizeof f);
            value = f;
        } else {
            rec.error = "unsupported sample format " + std::to_string(format) + "/" +
                        std::to_string(bits) + " bits";
            return rec;
        }
        rec.peak = std::max(rec.peak, std::abs(value));
    }
    rec.parsed = true;
    return rec;
}

// Starts this test binary again, running only the current test, with the
// wave backend writing to <dir>/<name>.wav. Returns the child's pid.
pid_t StartRecordingChild(const std::string& dir, const std::string& name, bool playEffect)
{
    const std::string conf = dir + "/" + name + ".conf";
    const std::string wave = dir + "/" + name + ".wav";
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << wave << "\n";

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("ALSOFT_", 0) != 0 && entry.rfind(kRecordInto, 0) != 0)
            env.push_back(entry);
    }
    env.push_back("ALSOFT_DRIVERS=wave");
    env.push_back("ALSOFT_CONF=" + conf);
    env.push_back(std::string(kRecordInto) + "=" + (playEffect ? "effect:" : "silence:") + wave);

    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::vector<std::string> args = {
        "/proc/self/exe",
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name()};

    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const std::string log = dir + "/" + name + ".log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Polls a condition every 10 ms for up to 10 s: a generous deadline for a
// backend that writes in real time, not a measure of its speed.
template <class Condition>
bool EventuallyTrue(Condition condition)
{
    for (int i = 0; i < 1000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// The child's side: hit a brick's sound (or nothing), wait until the mixer
// has played it through and the backend has written a good stretch of
// output, then close the device with the manager.
void RecordInChild(bool playEffect, const std::string& wavePath)
{
    SoundManager sounds;
    const sf::Sound* brick = sounds.FindSound(kBrickSound);
    ASSERT_NE(brick, nullptr);
    if (playEffect) {
        sounds.PlaySound(kBrickSound);
        ASSERT_TRUE(EventuallyTrue([&] { return brick->getStatus() == sf::SoundSource::Stopped; }))
            << "the effect never finished playing";
    }
    ASSERT_TRUE(EventuallyTrue([&] {
        std::error_code error;
        const auto size = std::filesystem::file_size(wavePath, error);
        return !error && size > 64 * 1024;
    })) << "the backend wrote nothing to " << wavePath;
}

} // namespace

TEST(SoundManagerTest, BrickHitIsAudibleOnARecordingBackend)
{
    if (const char* mode = std::getenv(kRecordInto)) {
        // "effect:<wave file>" or "silence:<wave file>".
        const std::string value = mode;
        const std::size_t colon = value.find(':');
        ASSERT_NE(colon, std::string::npos);
        RecordInChild(value.substr(0, colon) == "effect", value.substr(colon + 1));
        return;
    }

    TempDir dir;
    // A run that plays nothing proves the measure itself hears silence.
    const pid_t loud = StartRecordingChild(dir.Path(), "effect", true);
    const pid_t quiet = StartRecordingChild(dir.Path(), "silence", false);
    ASSERT_GT(loud, 0);
    ASSERT_GT(quiet, 0);
    int loudStatus = 0;
    int quietStatus = 0;
    ASSERT_EQ(waitpid(loud, &loudStatus, 0), loud);
    ASSERT_EQ(waitpid(quiet, &quietStatus, 0), quiet);
    ASSERT_TRUE(WIFEXITED(loudStatus) && WEXITSTATUS(loudStatus) == 0)
        << ReadText(dir.Path() + "/effect.log");
    ASSERT_TRUE(WIFEXITED(quietStatus) && WEXITSTATUS(quietStatus) == 0)
        << ReadText(dir.Path() + "/silence.log");

    const Recording effect = ReadWave(dir.Path() + "/effect.wav");
    const Recording silence = ReadWave(dir.Path() + "/silence.wav");
    ASSERT_TRUE(effect.parsed) << effect.error;
    ASSERT_TRUE(silence.parsed) << silence.error;
    EXPECT_GT(effect.frames, 0u);
    EXPECT_GT(silence.frames, 0u);
    EXPECT_LT(silence.peak, 0.002) << "the device alone must record silence";
    EXPECT_GT(effect.peak, 0.05) << "the brick effect never reached the output";
}
