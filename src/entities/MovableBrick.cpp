#include "entities/MovableBrick.hpp"

#include "core/Game.hpp"
#include "entities/Collision.hpp"
#include "entities/Pad.hpp"

#include <typeinfo>

MovableBrick::MovableBrick(Game* game_, sf::Vector2f position_, sf::Vector2i textureOrigin_,
                           sf::Vector2i size_, sf::Vector2f scale_, sf::Color color_,
                           sf::Vector2f direction_, float speed_, int hitPoints_)
    : Brick(position_, textureOrigin_, size_, scale_, color_, hitPoints_),
      MovingComponent(this, direction_, speed_), game(game_), homePosition(position_),
      returning(false)
{}

MovableBrick::MovableBrick(const MovableBrick& other)
    : Brick(other), MovingComponent(this, other), game(other.game), homePosition(0.f, 0.f),
      returning(false)
{}

MovableBrick::~MovableBrick() = default;

MovableBrick* MovableBrick::Clone() const
{
    return new MovableBrick(*this);
}

void MovableBrick::Update()
{
    Move();
    Pad* pad = game->GetPad();
    const std::vector<Entity*>& entities = game->GetEntities();
    const sf::Vector2f padPosition = pad->GetPosition();
    const sf::Vector2i padSize = pad->GetSize();
    for (std::size_t j = 0; j < entities.size(); ++j) {
        if (typeid(*entities[j]) != typeid(MovableBrick))
            continue;
        const MovableBrick& m = static_cast<const MovableBrick&>(*entities[j]);
        // One hit point per pass, however many moving bricks overlap the pad.
        if (RectanglesOverlap(m.position.x, m.position.y, static_cast<float>(m.size.x),
                              static_cast<float>(m.size.y), padPosition.x, padPosition.y,
                              static_cast<float>(padSize.x), static_cast<float>(padSize.y)) &&
            !pad->IsInvulnerable()) {
            pad->TakeDamage(1);
            pad->SetInvulnerable(true);
            if (pad->IsBroken())
                game->GameOver();
        }
    }
    pad->SetInvulnerable(false);
}
