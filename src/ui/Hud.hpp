#pragma once

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Text.hpp>
#include <memory>
#include <string>

class Game;
class Timer;

// Coins, played time, pad hit points and score in the top-left corner. It
// owns the played-time clock that the rest of the game pauses and resumes.
class Hud {
public:
    explicit Hud(Game* game);
    ~Hud();

    Hud(const Hud&) = delete;
    Hud& operator=(const Hud&) = delete;

    void Draw();
    Timer* GetTimer() const { return timer.get(); }

    const sf::Text& GetCoinsValue() const { return coinsValue; }
    const sf::Text& GetHpValue() const { return hpValue; }
    const sf::Text& GetScoreValue() const { return scoreValue; }

    // Seconds as shown: "%f" cut after the second decimal, never rounded.
    static std::string FormatTime(double seconds);

private:
    void Refresh();

    Game* game;
    sf::Font font;
    sf::Text coinsValue;
    sf::Text coinsLabel;
    sf::Text timerValue;
    sf::Text timerLabel;
    sf::Text hpLabel;
    sf::Text hpValue;
    sf::Text scoreLabel;
    sf::Text scoreValue;
    std::unique_ptr<Timer> timer;
};
