#pragma once

#include <SFML/System/String.hpp>
#include <SFML/System/Vector2.hpp>
#include <memory>
#include <vector>

namespace sf {
class Event;
class RenderWindow;
}
class Entity;
class GameOverMenu;
class GameState;
class Hud;
class Pad;
class PauseMenu;
class ShopMenu;
class SoundManager;

// Set when Escape pauses play; resuming with Escape waits for its release.
extern bool escapeHeld;

// Owns the window, the play state, the screens, the audio and the entities,
// and runs one frame at a time for the main loop.
class Game {
public:
    Game(sf::Vector2u size, sf::String title);
    // Takes everything down in reverse order of creation.
    ~Game();

    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void Init();

    void HandleEvents();
    void HandleEvent(const sf::Event& event);
    void Update();
    void Render();

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
    bool IsBallLaunched() const { return ballLaunched; }
    void SetBetweenLevels(bool value) { betweenLevels = value; }
    void SetBallLaunched(bool value) { ballLaunched = value; }
    void SetPadReturning(bool value) { padReturning = value; }
    // Takes ownership of the pad; it also stands first in the entity list.
    void SetPad(Pad* newPad);
    void SetPadControl(bool value) { padControlEnabled = value; }
    void SetShakeStrength(float value) { shakeStrength = value; }
    void AddRemainingBricks(int amount) { remainingBricks += amount; }

    // Every live entity in update and draw order. The game owns the ones in
    // the list (the pad through its own pointer).
    std::vector<Entity*>& GetEntities() { return entities; }
    const std::vector<Entity*>& GetEntities() const { return entities; }

    // An entity taken out of the list is kept alive until the current frame
    // step is over, so an entity may take itself out during its own update.
    void Discard(Entity* entity);
    // Cuts the list down to the pad, discarding the rest.
    void DiscardAllButPad();
    void FreeDiscarded();
    std::size_t GetDiscardedCount() const { return discarded.size(); }

    PauseMenu* GetPauseMenu() const { return pauseMenu.get(); }
    GameOverMenu* GetGameOverMenu() const { return gameOverMenu.get(); }
    ShopMenu* GetShopMenu() const { return shopMenu.get(); }
    bool IsRightPressed() const { return rightPressed; }
    bool IsLeftPressed() const { return leftPressed; }
    bool IsClearKeyPressed() const { return clearKeyPressed; }
    bool IsPadControlEnabled() const { return padControlEnabled; }
    bool IsBetweenLevels() const { return betweenLevels; }
    bool IsGameOver() const { return gameOver; }
    bool IsPadReturning() const { return padReturning; }
    int GetRemainingBricks() const { return remainingBricks; }
    // Not paused, not lost, a level with bricks left: the only time the
    // screen may shake.
    bool IsPlaying() const;
    float GetShakeStrength() const { return shakeStrength; }
    const sf::String& GetTitle() const { return title; }
    bool IsWindowOpen() const;

private:
    void CentreWindowOnDesktop();
    // Empties the list, discarding everything but the pad.
    void DropEntities();
    sf::Vector2i MapClick(int x, int y) const;
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
    // Whether the Hud clock ran when the pause menu opened, so that closing
    // the menu gives back exactly the clock state play had.
    bool clockRanBeforePause = false;
};
