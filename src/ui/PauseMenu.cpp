#include "ui/PauseMenu.hpp"

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "state/GameState.hpp"
#include "ui/TextLayout.hpp"

#include <SFML/Graphics/RenderWindow.hpp>

PauseMenu::PauseMenu(Game* game_, bool startMode_)
    : game(game_), state(game_->GetState()), startMode(startMode_)
{
    if (!font.loadFromFile(resourceRoot + assetFile::font)) {
        ReportFontFailure("PauseMenu");
        return;
    }
    SetUpBackdrop(backdrop, 3.f);
    drawables.push_back(&backdrop);
    SetUpText(playText, font, startMode_ ? "Start the game" : "Resume", 30, sf::Color::White);
    CentreText(playText, -50.f);
    drawables.push_back(&playText);
    SetUpText(leaveText, font, "Leave", 30, sf::Color::White);
    CentreText(leaveText, 50.f);
    drawables.push_back(&leaveText);
}

void PauseMenu::HandleClick(sf::Vector2i position)
{
    if (IsHit(playText, position)) {
        // Resuming closes this menu: return without touching a member.
        state->Pause(false);
        return;
    }
    if (IsHit(leaveText, position))
        game->GetWindow()->close();
}
