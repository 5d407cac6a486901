#pragma once

#include "audio/AudioDevice.hpp"

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <map>
#include <memory>
#include <string>

// Loads the music and sound effects once and plays them by name. Unknown
// names are reported, never fatal. Without an audio device it says so once
// and every call is silent.
class SoundManager {
public:
    explicit SoundManager(bool deviceOpens = AudioDevice::Opens());
    ~SoundManager();

    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    void PlayMusic(const std::string& name);
    void PauseMusic(const std::string& name);
    void StopMusic(const std::string& name);
    void PlaySound(const std::string& name);
    // A device lost during play (a headset unplugged) silences the game as a
    // missing one does: the streams stop instead of failing on every call.
    void CheckDevice(bool connected = AudioDevice::IsConnected());

    // Null when the name is not registered.
    const sf::Music* FindMusic(const std::string& name) const;
    const sf::Sound* FindSound(const std::string& name) const;

private:
    void LoadMusic(const std::string& name, const std::string& file);
    void LoadSound(sf::SoundBuffer& scratch, const std::string& name, const std::string& file,
                   float volume);
    sf::Music* Music(const std::string& name);
    void GoSilent();

    // Declared in this order so that the sounds go before the buffers they play.
    std::map<std::string, sf::SoundBuffer> buffers;
    std::map<std::string, std::unique_ptr<sf::Music>> musics;
    std::map<std::string, std::unique_ptr<sf::Sound>> sounds;
    bool silent = false;
};
