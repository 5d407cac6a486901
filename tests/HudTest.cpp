#include "ui/Hud.hpp"

#include <gtest/gtest.h>

// "%f" first, then cut after the second decimal: the clock never shows a
// hundredth it has not reached.
TEST(HudTest, PlayedTimeIsCutAfterTwoDecimalsNotRounded)
{
    for (const auto& [seconds, shown] : {std::pair<double, const char*>{9.999, "9.99"},
                                         {10.0, "10.00"},
                                         {83.456789, "83.45"},
                                         {0.009, "0.00"}})
        EXPECT_EQ(Hud::FormatTime(seconds), shown) << seconds;
}
