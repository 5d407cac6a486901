#pragma once

#include <cstdint>

// The game's single source of randomness: uniform in [min, max], both ends
// reachable, from a per-thread MT19937 seeded once from the platform.
float RandomFloat(float min, float max);

// Tests only: reseed this thread's generator so runs are reproducible. The
// game itself never calls it.
void SeedRandomForTesting(std::uint32_t seed);
