// SPDX-License-Identifier: MIT
// Outside a strict module the strict platform makes no choice at all: every stand-in and
// service built with it behaves as on the plain simulated platform.
#include "simstrict.h"

#include <gtest/gtest.h>

TEST(StrictPlatformOff, NothingIsChosenOrCounted) {
    ASSERT_FALSE(orvo_sim_strict()) << "this test runs outside any simulated module";
    for (int i = 0; i < 1000; i++) {
        EXPECT_FALSE(orvo_sim_strict_chance(1000));
        EXPECT_FALSE(orvo_sim_strict_chance(1));
        EXPECT_EQ(orvo_sim_strict_draw(7), 0u);
    }
    orvo_sim_strict_count(ORVO_STRICT_EINTR);
    EXPECT_EQ(orvo_sim_strict_counted(ORVO_STRICT_EINTR), 0u);
    EXPECT_EQ(orvo_sim_strict_seed(), 0u);
}
