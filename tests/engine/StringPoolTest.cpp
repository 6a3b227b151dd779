#include "engine/model/StringPool.h"

#include <gtest/gtest.h>

#include <string>

using tabrix::engine::StringPool;

// Pools taken whole keep every id where the caller counted it, take later appends after them, and intern across
// the parts without storing a text twice.
TEST(StringPool, PoolsTakenWholeKeepTheirIdsAndTakeLaterTexts) {
    StringPool pool;
    pool.append("a0");
    pool.intern("shared");
    StringPool second;
    for (int i = 0; i < 1000; ++i)
        second.append("b" + std::to_string(i));
    StringPool third;
    third.append("c0");
    StringPool empty;

    pool.appendAll(std::move(second));
    pool.appendAll(std::move(empty));
    pool.appendAll(std::move(third));
    EXPECT_EQ(second.size(), 0u);
    ASSERT_EQ(pool.size(), 1003u);
    EXPECT_EQ(pool.get(0), "a0");
    EXPECT_EQ(pool.get(1), "shared");
    EXPECT_EQ(pool.get(2), "b0");
    EXPECT_EQ(pool.get(1001), "b999");
    EXPECT_EQ(pool.get(1002), "c0");

    EXPECT_EQ(pool.append("after"), 1003u);
    EXPECT_EQ(pool.get(1003), "after");
    EXPECT_EQ(pool.intern("shared"), 1u);
    const uint32_t fresh = pool.intern("new");
    EXPECT_EQ(fresh, 1004u);
    EXPECT_EQ(pool.intern("new"), fresh);
    EXPECT_EQ(pool.get(fresh), "new");

    // A pool that was empty takes a whole pool as its first part.
    StringPool start;
    StringPool full;
    full.append("x");
    start.appendAll(std::move(full));
    start.append("y");
    EXPECT_EQ(start.get(0), "x");
    EXPECT_EQ(start.get(1), "y");
}
