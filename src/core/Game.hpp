#pragma once

#include <SFML/System/String.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Keyboard.hpp>
#include <memory>
#include <optional>
#include <vector>

namespace sf {
class Event;
class RenderWindow;
} // namespace sf
class Entity;
class GameOverMenu;
class GameState;
class Hud;
class Pad;
class PauseMenu;
class ShopMenu;
class SoundManager;

// Set when Escape pauses play; resuming with Escape waits for its release.
// A global rather than a field of the game: the latch outlives a restart, as
// the Escape key itself does.
extern bool escapeHeld;

// Owns the window, the play state, the screens, the audio and the entities,
// and runs one frame at a time for the main loop. The other objects reach
// each other through the game they are given at construction.
//
// Game.cpp: life cycle, ownership and screen transitions; GameInput.cpp:
// events; GameFrame.cpp: the simulation step and drawing.
class Game {
public:
    // What the player sees, derived from the flags of the game and its state.
    enum class Screen {
        StartMenu,
        WaitingForLaunch,
        Playing,
        Paused,
        LevelExit,
        Shop,
        LevelEntry,
        GameOver
    };

    Game(sf::Vector2u size, sf::String title);
    // Takes everything down in reverse order of creation.
    ~Game();

    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void Init();

    // Returns whether any event came.
    bool HandleEvents();
    void HandleEvent(const sf::Event& event);
    void Update();
    void Render();

    Screen GetScreen() const;
    // Bricks on the field and no menu: the only time the screen may shake.
    bool IsPlaying() const;
    // Nothing on screen can have moved since the last frame: a menu or the
    // shop, the same screen the last frame showed.
    bool IsStill() const;

    void OpenStartMenu();
    void OpenPauseMenu();
    void ClosePauseMenu();
    void GameOver();
    void Restart();

    // The played-time clock of the Hud, paused only while it runs (true when
    // it did pause it) and resumed only while it is paused.
    bool PausePlayClock();
    void ResumePlayClock();

    GameState* GetState() const { return state.get(); }
    Hud* GetHud() const { return hud.get(); }
    Pad* GetPad() const { return pad.get(); }
    sf::RenderWindow* GetWindow() const { return window.get(); }
    sf::Vector2u GetWindowSize() const { return sf::Vector2u(width, height); }
    SoundManager* GetSoundManager() const { return soundManager.get(); }
    PauseMenu* GetPauseMenu() const { return pauseMenu.get(); }
    GameOverMenu* GetGameOverMenu() const { return gameOverMenu.get(); }
    ShopMenu* GetShopMenu() const { return shopMenu.get(); }
    bool IsWindowOpen() const;

    bool IsBallLaunched() const { return ballLaunched; }
    void SetBallLaunched(bool value) { ballLaunched = value; }
    void SetBetweenLevels(bool value) { betweenLevels = value; }
    void SetPadReturning(bool value) { padReturning = value; }
    void SetPadControl(bool value) { padControlEnabled = value; }
    bool IsPadControlEnabled() const { return padControlEnabled; }
    bool IsAnyKeyHeld() const { return leftPressed || rightPressed || clearKeyPressed; }
    float GetShakeStrength() const { return shakeStrength; }
    void SetShakeStrength(float value) { shakeStrength = value; }
    int GetRemainingBricks() const { return remainingBricks; }
    void AddRemainingBricks(int amount) { remainingBricks += amount; }

    // Takes ownership of the pad; it also stands first in the entity list.
    void SetPad(Pad* newPad);
    // Every live entity in update and draw order. The game owns the ones in
    // the list (the pad through its own pointer).
    std::vector<Entity*>& GetEntities() { return entities; }
    const std::vector<Entity*>& GetEntities() const { return entities; }
    // An entity taken out of the list is kept alive until the current step
    // is over, so an entity may take itself out during its own update.
    void Discard(Entity* entity);
    // Takes the bricks and balls off the field and keeps the pad. The balls
    // were taken away, not lost: they leave the count without ending the game.
    void ClearFieldButPad();
    // Frees what was discarded, and a menu closed from its own click handler.
    void FreeDiscarded();

private:
    // Empties the list; everything in it but the pad is discarded.
    void EmptyEntityList();
    // (Re)creates the window with that many samples, placed on the monitor.
    void OpenWindow(unsigned int samples);
    // Where a left button press lands in the game's own coordinates; nothing
    // for any other event.
    std::optional<sf::Vector2i> LeftClickAt(const sf::Event& event) const;
    void ReleaseKey(sf::Keyboard::Key key);
    void HandleGameOverEvent(const sf::Event& event);
    void HandlePausedEvent(const sf::Event& event);
    void HandlePlayingEvent(const sf::Event& event);
    void SteerPad(Pad& p);
    void SteerMovingBrick(Entity& entity, const Pad& p);
    void StopShake();

    unsigned int width;
    unsigned int height;
    sf::String title;
    bool rightPressed = false;
    bool leftPressed = false;
    bool clearKeyPressed = false;
    bool padControlEnabled = true;
    bool betweenLevels = false;
    bool gameOver = false;
    bool padReturning = false;
    bool ballLaunched = false;
    std::unique_ptr<Hud> hud;
    int remainingBricks = 0;
    float shakeStrength = 0.f;
    std::unique_ptr<sf::RenderWindow> window;
    std::unique_ptr<GameState> state;
    std::unique_ptr<PauseMenu> pauseMenu;
    std::unique_ptr<GameOverMenu> gameOverMenu;
    std::unique_ptr<ShopMenu> shopMenu;
    std::unique_ptr<SoundManager> soundManager;
    std::unique_ptr<Pad> pad;
    std::vector<Entity*> entities;

    // Taken out of the list during this step, freed after it.
    std::vector<std::unique_ptr<Entity>> discarded;
    // Menus closed while their own click handler runs, freed after the event.
    std::unique_ptr<PauseMenu> closedPauseMenu;
    std::unique_ptr<GameOverMenu> closedGameOverMenu;
    // What the last frame showed; nothing before the first frame.
    std::optional<Screen> drawnScreen;
    // Whether the Hud clock ran when the pause menu opened, so that closing
    // the menu gives back exactly the clock state play had.
    bool clockRanBeforePause = false;
};
