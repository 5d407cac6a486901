// The frame the game draws while waiting for the launch click, drawn by SFML
// alone and as often as the machine can: the floor under the game's frame
// rate. It takes the game's window settings, with the samples a pixel gets as
// its argument (8 by default), and the game's own images and font from the
// working directory (the game folder), and draws until its window is closed.
//   quadrabash_bareframe [SAMPLES]

#include "AssetFiles.hpp"
#include "core/WindowPlacement.hpp"

#include <SFML/Graphics.hpp>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    const unsigned int samples = argc > 1 ? static_cast<unsigned int>(std::atoi(argv[1])) : 8;
    const sf::ContextSettings settings(0, 0, samples, 1, 1);
    sf::RenderWindow window;
    window.create(sf::VideoMode(1920, 1080, 32), "Quadrabash", sf::Style::Default, settings);
    WindowPlacement::Apply(window, sf::Vector2u(1920, 1080));

    sf::Texture brickTexture;
    sf::Texture white;
    sf::Font font;
    if (!brickTexture.loadFromFile(assetFile::brickImage) ||
        !white.loadFromFile(assetFile::whiteImage) || !font.loadFromFile(assetFile::font)) {
        std::cout << "run from the game folder: its images and font are missing" << std::endl;
        return 1;
    }

    // 18 x 3 bricks of 100 x 50 with 5 pixels between them, one in five red.
    std::vector<sf::Sprite> bricks;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 18; ++column) {
            sf::Sprite brick(brickTexture, sf::IntRect(0, 0, 100, 50));
            brick.setPosition(15.f + 105.f * column, 60.f + 55.f * row);
            brick.setColor((row * 18 + column) % 5 == 0 ? sf::Color(255, 0, 0)
                                                        : sf::Color(255, 250, 255));
            bricks.push_back(brick);
        }
    }
    sf::Sprite pad(white, sf::IntRect(0, 0, 200, 20));
    pad.setPosition(860.f, 930.f);
    sf::CircleShape ball(10.f);
    ball.setTexture(&white);
    ball.setTextureRect(sf::IntRect(0, 0, 20, 20));
    ball.setPosition(950.f, 900.f);

    std::vector<sf::Text> hud;
    const char* rows[][2] = {
        {"Coins : ", "0"}, {"Timer :  ", "0.00"}, {"HP :  ", "5"}, {"Score :  ", "0"}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 2; ++c) {
            sf::Text text(rows[r][c], font, 30);
            text.setPosition(c == 0 ? 5.f : 155.f, 20.f + 40.f * r);
            text.setFillColor(sf::Color::White);
            hud.push_back(text);
        }
    }

    while (window.isOpen()) {
        sf::Event event;
        while (window.pollEvent(event)) {
            if (event.type == sf::Event::Closed)
                window.close();
        }
        window.clear(sf::Color(36, 4, 4, 255));
        for (const sf::Sprite& brick : bricks)
            window.draw(brick);
        window.draw(pad);
        window.draw(ball);
        // The game sets the display's values anew every frame.
        for (int r = 0; r < 4; ++r)
            hud[2 * r + 1].setString(rows[r][1]);
        for (const sf::Text& text : hud)
            window.draw(text);
        window.display();
    }
    return 0;
}
