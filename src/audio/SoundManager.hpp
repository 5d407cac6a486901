#pragma once

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <map>
#include <memory>
#include <string>

// Loads the music and sound effects once and plays them by name. Unknown
// names are reported, never fatal.
class SoundManager {
public:
    SoundManager();
    ~SoundManager();

    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    void PlayMusic(const std::string& name);
    void PauseMusic(const std::string& name);
    void StopMusic(const std::string& name);
    void PlaySound(const std::string& name);

    // Null when the name is not registered.
    const sf::Music* FindMusic(const std::string& name) const;
    const sf::Sound* FindSound(const std::string& name) const;

private:
    void LoadMusic(const std::string& name, const std::string& file);
    void LoadSound(sf::SoundBuffer& scratch, const std::string& name, const std::string& file,
                   float volume);
    sf::Music* Music(const std::string& name);

    // Declared in this order so that the sounds go before the buffers they play.
    std::map<std::string, sf::SoundBuffer> buffers;
    std::map<std::string, std::unique_ptr<sf::Music>> musics;
    std::map<std::string, std::unique_ptr<sf::Sound>> sounds;
};
