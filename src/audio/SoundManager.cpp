#include "audio/SoundManager.hpp"

#include "AssetFiles.hpp"
#include "assets/AssetCheck.hpp"
#include "core/Resources.hpp"

#include <iostream>

SoundManager::SoundManager(bool deviceOpens)
{
    if (!deviceOpens) {
        GoSilent();
        return;
    }
    LoadMusic("Main_music", assetFile::mainMusic);
    LoadMusic("Menu_music", assetFile::menuMusic);
    sf::SoundBuffer scratch;
    LoadSound(scratch, "Ball_tap_pad", assetFile::ballTapPad, 15.f);
    LoadSound(scratch, "Ball_tap_brick", assetFile::ballTapBrick, 75.f);
}

// Members go in reverse order: sounds before the buffers they play, and each
// music stops its streaming thread in its own destructor.
SoundManager::~SoundManager() = default;

void SoundManager::LoadMusic(const std::string& name, const std::string& file)
{
    auto music = std::make_unique<sf::Music>();
    const std::string path = resourceRoot + file;
    if (!IsSafeSoundFile(path) || !music->openFromFile(path)) {
        std::cout << "Failed to load Music" << std::endl;
        return;
    }
    sf::Music& registered = *(musics[name] = std::move(music));
    registered.setLoop(true);
    registered.setVolume(50.f);
}

void SoundManager::LoadSound(sf::SoundBuffer& scratch, const std::string& name,
                             const std::string& file, float volume)
{
    const std::string path = resourceRoot + file;
    if (!IsSafeSoundFile(path) || !scratch.loadFromFile(path)) {
        std::cout << "Failed to load Sound" << std::endl;
        return;
    }
    // The sound plays the stored copy, whose map node never moves.
    sf::SoundBuffer& stored = buffers[name] = scratch;
    auto sound = std::make_unique<sf::Sound>(stored);
    sound->setVolume(volume);
    sounds[name] = std::move(sound);
}

void SoundManager::GoSilent()
{
    std::cerr << "quadrabash: no audio device; playing without sound" << std::endl;
    silent = true;
    sounds.clear();
    musics.clear();
    buffers.clear();
}

void SoundManager::CheckDevice(bool connected)
{
    if (!connected && !silent)
        GoSilent();
}

sf::Music* SoundManager::Music(const std::string& name)
{
    if (silent)
        return nullptr;
    auto it = musics.find(name);
    if (it == musics.end()) {
        std::cout << "Music " << name << " not found" << std::endl;
        return nullptr;
    }
    return it->second.get();
}

void SoundManager::PlayMusic(const std::string& name)
{
    if (sf::Music* music = Music(name))
        music->play();
}

void SoundManager::PauseMusic(const std::string& name)
{
    if (sf::Music* music = Music(name))
        music->pause();
}

void SoundManager::StopMusic(const std::string& name)
{
    if (sf::Music* music = Music(name))
        music->stop();
}

void SoundManager::PlaySound(const std::string& name)
{
    if (silent)
        return;
    auto it = sounds.find(name);
    if (it == sounds.end()) {
        std::cout << "Sound " << name << " not found" << std::endl;
        return;
    }
    it->second->play();
}

const sf::Music* SoundManager::FindMusic(const std::string& name) const
{
    auto it = musics.find(name);
    return it == musics.end() ? nullptr : it->second.get();
}

const sf::Sound* SoundManager::FindSound(const std::string& name) const
{
    auto it = sounds.find(name);
    return it == sounds.end() ? nullptr : it->second.get();
}
