#pragma once

#include <cstdint>

class Game;
class StaticBrick;
class MovableBrick;

// The numbers of one game in progress, and the sequences that move it
// between phases (pause, launch, level exit and entry).
class GameState {
public:
    explicit GameState(Game* game);
    ~GameState();

    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

    bool IsPaused() const { return paused; }
    void SetPaused(bool value) { paused = value; }
    void Pause(bool pause);
    void ShowStartMenu();
    bool IsShopOpen() const { return shopOpen; }
    void SetShopOpen(bool value) { shopOpen = value; }
    int GetScore() const { return score; }
    void SetScore(int value) { score = value; }
    int GetCoins() const { return coins; }
    void SetCoins(int value) { coins = value; }
    void AddCoins(int amount) { coins += amount; }
    int GetBallsInPlay() const { return ballsInPlay; }
    void AddBallsInPlay(int amount);
    // Balls taken off the field by the A key or the level exit: they leave
    // the count without being lost, until a ball is put in play again.
    void TakeBallsAway(int count);
    bool AreBallsTakenAway() const { return ballsTakenAway; }
    int GetBallDamage() const { return ballDamage; }
    void SetBallDamage(int value) { ballDamage = value; }
    float GetBallSpeed() const { return ballSpeed; }
    void SetBallSpeed(float value) { ballSpeed = value; }
    int GetBallsPerLevel() const { return ballsPerLevel; }
    void SetBallsPerLevel(int value) { ballsPerLevel = value; }
    int GetLevel() const { return level; }
    void SetCombo(int value);
    double GetFrameTime() const { return frameTime; }
    void StartPlay();
    void StartPadReturn();

    // Level layout and the passage between levels.
    void BuildLevel();
    void LayBricks(StaticBrick* staticTemplate, MovableBrick* movableTemplate, int columns,
                   int rows, int gapX, int gapY);
    void SpawnBall();
    void UpdateLevelCleared();
    void UpdatePadReturn();

private:
    bool paused = false;
    bool shopOpen = false;
    int score = 0;
    int coins = 0;
    int ballsInPlay = 0;
    Game* game;
    std::int16_t level = 1;
    int ballDamage = 5;
    float ballSpeed = 13.0f;
    int ballsPerLevel = 1;
    int combo = 0;
    bool ballsTakenAway = false;
    // 1/60 in single precision, widened: the loop paces on exactly this value.
    double frameTime = static_cast<double>(1.0f / 60.0f);
};
