#include "ui/GameOverMenu.hpp"

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"
#include "ui/TextLayout.hpp"

#include <SFML/Graphics/RenderWindow.hpp>

GameOverMenu::GameOverMenu(Game* game_) : game(game_)
{
    if (!font.loadFromFile(resourceRoot + assetFile::font)) {
        ReportFontFailure("GameOverMenu");
        return;
    }
    SetUpBackdrop(backdrop, 1.75f);
    drawables.push_back(&backdrop);
    SetUpText(titleText, font, "You are bad!", 75, sf::Color::Red);
    CentreText(titleText, -200.f);
    drawables.push_back(&titleText);
    SetUpText(restartText, font, "Restart the game", 30, sf::Color::White);
    CentreText(restartText, -50.f);
    drawables.push_back(&restartText);
    SetUpText(quitText, font, "Ragequit", 30, sf::Color::White);
    CentreText(quitText, 50.f);
    drawables.push_back(&quitText);
}

void GameOverMenu::HandleClick(sf::Vector2i position)
{
    if (IsHit(restartText, position)) {
        // Restart replaces the play state this menu was built with: return at once.
        game->Restart();
        return;
    }
    if (IsHit(quitText, position))
        game->GetWindow()->close();
}
