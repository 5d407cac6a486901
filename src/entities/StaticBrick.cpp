#include "entities/StaticBrick.hpp"

void StaticBrick::Update()
{}

StaticBrick* StaticBrick::Clone() const
{
    return new StaticBrick(*this);
}
