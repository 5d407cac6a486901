#pragma once

#include "entities/Brick.hpp"

class StaticBrick final : public Brick {
public:
    using Brick::Brick;

    void Update() override;
    StaticBrick* Clone() const override;

private:
    StaticBrick(const StaticBrick& other) = default;
};
