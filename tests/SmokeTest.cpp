#include "TestSupport.hpp"
#include "state/GameState.hpp"

using namespace testsupport;

class SmokeTest : public GameTest {};

TEST_F(SmokeTest, OpensOnStartMenu)
{
    EXPECT_TRUE(game->GetState()->IsPaused());
}
