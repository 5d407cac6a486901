#include "state/RandomFloat.hpp"

#include <memory>
#include <random>

namespace {
std::mt19937& Generator()
{
    thread_local std::unique_ptr<std::mt19937> generator;
    if (!generator) {
        std::random_device source;
        generator = std::make_unique<std::mt19937>(static_cast<std::uint32_t>(source()));
    }
    return *generator;
}
} // namespace

float RandomFloat(float min, float max)
{
    const std::uint32_t y = static_cast<std::uint32_t>(Generator()());
    // Round-to-nearest conversion: outputs from 0xFFFFFF80 up become 2^32, so u can be 1.
    const float u = static_cast<float>(y) * 0x1p-32f;
    const float range = max - min;
    const float scaled = u * range;
    return scaled + min;
}

void SeedRandomForTesting(std::uint32_t seed)
{
    Generator().seed(seed);
}
