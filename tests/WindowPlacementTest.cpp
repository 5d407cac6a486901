#include "core/WindowPlacement.hpp"
#include "core/Multisampling.hpp"

#include <gtest/gtest.h>

// The window opens on the primary monitor, or on the first listed, fitted to
// it with the game's shape when the monitor is smaller, and centred on it;
// with no monitor listed, on the whole desktop (here two monitors wide).
TEST(WindowPlacementTest, OpensFittedAndCentredOnThePrimaryMonitor)
{
    // A laptop beside a larger monitor, primary; the primary right of the
    // laptop; stacked, the primary below; none primary; none listed.
    const std::pair<std::vector<WindowPlacement::Monitor>, sf::IntRect> layouts[] = {
        {{{{0, 0, 1366, 768}, true}, {{1366, 0, 1920, 1080}, false}}, {69, 38, 1228, 691}},
        {{{{0, 0, 1366, 768}, false}, {{1366, 0, 2560, 1440}, true}}, {1686, 180, 1920, 1080}},
        {{{{0, 0, 1920, 1080}, false}, {{160, 1080, 1600, 900}, true}}, {240, 1125, 1440, 810}},
        {{{{0, 0, 1280, 1024}, false}, {{1280, 0, 1920, 1080}, false}}, {64, 188, 1152, 648}},
        {{}, {683, 0, 1920, 1080}}};
    for (const auto& [monitors, window] : layouts)
        EXPECT_EQ(WindowPlacement::Place({1920, 1080}, monitors, {3286, 1080}), window)
            << window.left << ", " << window.top;
}

// Multisampled frames cost a software rasterizer six times a plain one; a
// graphics card's name can hold LLVM too. The middle frame decides, so that a
// first frame loading the textures does not.
TEST(MultisamplingTest, DropsTheSamplesWhereFramesOutlastAStep)
{
    const std::pair<const char*, bool> renderers[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"zink Vulkan 1.3(llvmpipe (LLVM 19.1.7, 256 bits) (MESA_LLVMPIPE))", true},
        {"AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false}};
    for (const auto& [renderer, software] : renderers)
        EXPECT_EQ(Multisampling::IsSoftwareRenderer(renderer), software) << renderer;
    const std::pair<std::vector<double>, bool> frames[] = {
        {{0.031, 0.029, 0.030, 0.030, 0.032}, true},
        {{0.25, 0.04, 0.002, 0.002, 0.002}, false},
        {{0.016, 0.0165, 0.2, 0.0166, 0.016}, false}};
    for (const auto& [seconds, tooSlow] : frames)
        EXPECT_EQ(Multisampling::TooSlow(seconds, 1.0 / 60), tooSlow) << seconds[0] << " first";
}
