#include "TestSupport.hpp"
#include "state/RandomFloat.hpp"

#include <cstdint>
#include <random>
#include <thread>
#include <utility>
#include <vector>

using testsupport::ReplayedRandom;

namespace {

// Seeds whose first MT19937 output lies at an end of the range, checked below.
constexpr std::uint32_t kSeedWithTopOutput = 14784396u;
constexpr std::uint32_t kSeedWithTinyOutput = 68341133u;

} // namespace

TEST(RandomFloatTest, FollowsTheReferenceMersenneTwisterOneOutputPerCall)
{
    std::mt19937 reference(5489u);
    ASSERT_EQ(reference(), 3499211612u);
    SeedRandomForTesting(5489u);
    // The nearest float to 3499211612 is 3499211520.
    EXPECT_EQ(RandomFloat(0.f, 1.f), 3499211520.0f * 0x1p-32f);

    // Any call that took two outputs, or none, would put every later value off.
    ReplayedRandom replay(5489u);
    replay.Skip(1);
    const std::pair<float, float> bounds[] = {
        {0.f, 10.f}, {-1.f, 0.f}, {-0.7f, 0.7f}, {-0.5f, 0.5f}, {0.f, 500.f}, {7.f, 3.f}};
    int mismatches = 0;
    for (int call = 0; call < 10000; ++call) {
        const auto [min, max] = bounds[call % 6];
        mismatches += RandomFloat(min, max) != replay.Next(min, max);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(RandomFloatTest, ExtremeOutputsGiveExactlyTheBounds)
{
    std::mt19937 top(kSeedWithTopOutput);
    ASSERT_GE(top(), 0xFFFFFF80u);
    std::mt19937 tiny(kSeedWithTinyOutput);
    ASSERT_LT(tiny(), 128u);
    const std::pair<float, float> bounds[] = {
        {-1.f, 0.f}, {0.f, 500.f}, {-0.7f, 0.7f}, {5.f, 7.5f}};
    for (const auto& [min, max] : bounds) {
        // The top 128 outputs round to 2^32 in single precision.
        SeedRandomForTesting(kSeedWithTopOutput);
        EXPECT_EQ(RandomFloat(min, max), max) << min << ", " << max;
    }
    // Below 2^-25 the sum rounds back to -1: the launch can go straight up.
    SeedRandomForTesting(kSeedWithTinyOutput);
    EXPECT_EQ(RandomFloat(-1.f, 0.f), -1.f);
    SeedRandomForTesting(12345u);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(RandomFloat(5.f, 5.f), 5.f);
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
    std::vector<float> first, second;
    std::thread([&] { first = drawFour(); }).join();
    std::thread([&] { second = drawFour(); }).join();
    const float defaultSeedFirst = 3499211520.0f * 0x1p-32f;
    EXPECT_NE(first, second);
    EXPECT_TRUE(first[0] != defaultSeedFirst && second[0] != defaultSeedFirst);
    // The other threads did not advance this one's generator.
    EXPECT_EQ(RandomFloat(0.f, 1.f), defaultSeedFirst);
}
