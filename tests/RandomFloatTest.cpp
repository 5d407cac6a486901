#include "state/RandomFloat.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The conversion rule: the output rounded to the nearest float, scaled by
// 2^-32, then (max - min) first, the product, and the sum, all in float.
float FromOutput(std::uint32_t y, float min, float max)
{
    const float u = static_cast<float>(y) * 0x1p-32f;
    const float range = max - min;
    const float scaled = u * range;
    return scaled + min;
}

// Seeds whose first MT19937 output lies at an end of the range; the tests
// confirm that with the standard library's generator before relying on it.
constexpr std::uint32_t kSeedWithTopOutput = 14784396u;
constexpr std::uint32_t kSeedWithTinyOutput = 68341133u;

} // namespace

TEST(RandomFloatTest, FollowsTheReferenceMersenneTwisterOneOutputPerCall)
{
    std::mt19937 reference(5489u);
    SeedRandomForTesting(5489u);

    const std::uint32_t first = reference();
    ASSERT_EQ(first, 3499211612u);
    // The nearest float to 3499211612 is 3499211520.
    ASSERT_EQ(static_cast<float>(first), 3499211520.0f);
    EXPECT_EQ(RandomFloat(0.f, 1.f), 3499211520.0f * 0x1p-32f);

    // Bounds the game uses, taken in turn; any call that took two outputs,
    // or none, would make every later value disagree.
    const std::pair<float, float> bounds[] = {
        {0.f, 10.f}, {-1.f, 0.f}, {-0.7f, 0.7f}, {-0.5f, 0.5f}, {0.f, 500.f}, {0.f, 1.f}};
    int mismatches = 0;
    std::uint32_t y = 0;
    for (int call = 2; call <= 10000; ++call) {
        y = reference();
        const auto [min, max] = bounds[call % 6];
        const float got = RandomFloat(min, max);
        if (got != FromOutput(y, min, max) && ++mismatches <= 5)
            ADD_FAILURE() << "call " << call << " bounds " << min << ", " << max << ": " << got
                          << " instead of " << FromOutput(y, min, max);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(y, 4123659995u);
}

TEST(RandomFloatTest, TopOutputsGiveExactlyTheUpperBound)
{
    std::mt19937 reference(kSeedWithTopOutput);
    ASSERT_GE(reference(), 0xFFFFFF80u);
    // 2^32 is the nearest float to each of the top 128 outputs.
    ASSERT_EQ(static_cast<float>(0xFFFFFF80u), 0x1p32f);

    const std::pair<float, float> bounds[] = {
        {-1.f, 0.f}, {0.f, 1.f}, {0.f, 500.f}, {-0.7f, 0.7f}, {0.f, 10.f}, {5.f, 7.5f}};
    for (const auto& [min, max] : bounds) {
        SeedRandomForTesting(kSeedWithTopOutput);
        EXPECT_EQ(RandomFloat(min, max), max) << min << ", " << max;
    }
}

TEST(RandomFloatTest, TinyOutputsGiveExactlyTheLowerBound)
{
    std::mt19937 reference(kSeedWithTinyOutput);
    const std::uint32_t y = reference();
    ASSERT_LT(y, 128u);

    // Below 2^-25 the sum rounds back to -1: the launch can go straight up.
    SeedRandomForTesting(kSeedWithTinyOutput);
    EXPECT_EQ(RandomFloat(-1.f, 0.f), -1.f);
    SeedRandomForTesting(kSeedWithTinyOutput);
    EXPECT_EQ(RandomFloat(0.f, 1.f), static_cast<float>(y) * 0x1p-32f);
}

TEST(RandomFloatTest, EqualBoundsAlwaysGiveThatValue)
{
    SeedRandomForTesting(12345u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(RandomFloat(5.f, 5.f), 5.f) << "draw " << i;
}

TEST(RandomFloatTest, ReversedBoundsStillGiveAValueBetweenThem)
{
    std::mt19937 reference(777u);
    SeedRandomForTesting(777u);
    for (int i = 0; i < 1000; ++i) {
        const float value = RandomFloat(7.f, 3.f);
        ASSERT_EQ(value, FromOutput(reference(), 7.f, 3.f)) << "draw " << i;
        ASSERT_GE(value, 3.f);
        ASSERT_LE(value, 7.f);
    }
}

TEST(RandomFloatTest, EachThreadGetsItsOwnUnpredictableGenerator)
{
    auto drawFour = [] {
        std::vector<float> values;
        for (int i = 0; i < 4; ++i)
            values.push_back(RandomFloat(0.f, 1.f));
        return values;
    };
    SeedRandomForTesting(5489u);
    std::vector<float> first;
    std::vector<float> second;
    std::thread a([&] { first = drawFour(); });
    a.join();
    std::thread b([&] { second = drawFour(); });
    b.join();

    // A generator left on its default seed would start with 0.81472367 every run.
    const float defaultSeedFirst = 3499211520.0f * 0x1p-32f;
    EXPECT_NE(first, second) << "two fresh generators drew the same values";
    EXPECT_NE(first[0], defaultSeedFirst);
    EXPECT_NE(second[0], defaultSeedFirst);
    // The draws on other threads did not advance this thread's generator.
    EXPECT_EQ(RandomFloat(0.f, 1.f), defaultSeedFirst);
}
