#include "entities/Pad.hpp"

#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/Resources.hpp"

Pad::Pad(sf::Vector2f position_, float speed_, sf::Vector2f size_, int hitPoints_, sf::Color color_,
         Game* game_)
    : EntitySprite(position_, sf::Vector2i(0, 0),
                   sf::Vector2i(static_cast<int>(size_.x), static_cast<int>(size_.y)),
                   resourceRoot + assetFile::whiteImage, sf::Vector2f(1.f, 1.f), color_),
      MovingComponent(this, sf::Vector2f(0.f, 0.f), speed_), BreakableComponent(this, hitPoints_),
      game(game_)
{}

Pad::Pad(const Pad& other)
    : EntitySprite(other), MovingComponent(this, other), BreakableComponent(this, other),
      game(other.game)
{}

Pad::~Pad() = default;

Pad* Pad::Clone() const
{
    return new Pad(*this);
}

void Pad::Update()
{
    // The frame update keeps the pad inside the window, not the pad itself.
    Move();
}

void Pad::MoveLeft()
{
    direction.x = -1;
}

void Pad::MoveRight()
{
    direction.x = 1;
}

void Pad::Stop()
{
    direction = sf::Vector2f(0.f, 0.f);
}

float Pad::CenterLine() const
{
    const int width = static_cast<int>(game->GetWindowSize().x);
    return static_cast<float>(width / 2 - size.x / 2);
}

void Pad::MoveTowardCenter()
{
    game->SetPadControl(false);
    const float c = CenterLine();
    if (c > position.x) {
        direction.x = 1;
        speed = 5;
    } else if (position.x > c) {
        direction.x = -1;
        speed = 5;
    } else if (position.x == c) {
        direction.x = 0;
    }
}

void Pad::RiseIfCentered()
{
    // Exact equality: the glide moves in whole steps that land on the line.
    if (position.x == CenterLine()) {
        game->SetPadControl(false);
        direction = sf::Vector2f(0.f, -1.f);
        speed = 10;
    }
}
