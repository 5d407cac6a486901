#include "ui/Hud.hpp"

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "entities/Pad.hpp"
#include "state/GameState.hpp"
#include "ui/TextLayout.hpp"
#include "ui/ToString.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <cstdio>

namespace {
void SetUpRow(sf::Text& label, sf::Text& value, const sf::Font& font, const char* caption, float y)
{
    label.setFont(font);
    value.setFont(font);
    label.setPosition(5.f, y);
    label.setString(caption);
    label.setCharacterSize(30);
    label.setFillColor(sf::Color::White);
    value.setPosition(155.f, y);
    value.setCharacterSize(30);
    value.setFillColor(sf::Color::White);
}
} // namespace

Hud::Hud(Game* game_) : game(game_)
{
    // Everyone pauses and resumes this clock without checking, so it must
    // exist even when the font is missing.
    timer = std::make_unique<Timer>();
    timer->StartTimer();
    if (!font.loadFromFile(resourceRoot + assetFile::font)) {
        ReportFontFailure("Hud");
        return;
    }
    SetUpRow(coinsLabel, coinsValue, font, "Coins : ", 20.f);
    SetUpRow(timerLabel, timerValue, font, "Timer :  ", 60.f);
    SetUpRow(hpLabel, hpValue, font, "HP :  ", 100.f);
    SetUpRow(scoreLabel, scoreValue, font, "Score :  ", 140.f);
}

Hud::~Hud() = default;

std::string Hud::FormatTime(double seconds)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", seconds);
    std::string text(buffer);
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos && dot + 3 < text.size())
        text.resize(dot + 3);
    return text;
}

void Hud::Refresh()
{
    const GameState* state = game->GetState();
    coinsValue.setString(ToString(state->GetCoins()));
    timerValue.setString(FormatTime(timer->GetElapsedTime()));
    hpValue.setString(ToString(game->GetPad()->GetHitPoints()));
    scoreValue.setString(ToString(state->GetScore()));
}

void Hud::Draw()
{
    Refresh();
    sf::RenderWindow* window = game->GetWindow();
    const sf::Text* order[] = {&coinsLabel, &coinsValue, &timerLabel, &timerValue,
                               &hpLabel,    &hpValue,    &scoreLabel, &scoreValue};
    for (const sf::Text* text : order)
        window->draw(*text, sf::RenderStates::Default);
}
