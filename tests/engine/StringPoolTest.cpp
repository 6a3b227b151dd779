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

// Texts interned into a part taken from another pool stay where the index found them when more pools are taken,
// and a pool moved from starts again from nothing.
TEST(StringPool, InternedTextsOutliveLaterPartsAndAMovedPoolStartsEmpty) {
    StringPool pool;
    pool.append("head");
    StringPool a;
    a.append("a");
    pool.appendAll(std::move(a));
    const std::string longText(40, 'k');
    const uint32_t id = pool.intern(longText);
    for (int i = 0; i < 100; ++i) {
        StringPool more;
        more.append("m" + std::to_string(i));
        pool.appendAll(std::move(more));
    }
    EXPECT_EQ(pool.intern(longText), id);
    EXPECT_EQ(pool.get(id), longText);

    StringPool moved(std::move(pool));
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_EQ(pool.append("again"), 0u);
    EXPECT_EQ(pool.get(0), "again");
    EXPECT_EQ(moved.get(id), longText);
    EXPECT_EQ(moved.size(), 103u);
}

// A text carried from another pool is stored once however often it is carried; another pool's ids are never taken
// for the first one's, also when pools come and go, and a pool that grows after it was carried from still maps.
TEST(StringPool, CarriedTextsAreStoredOnceAndPoolsAreNeverTakenForEachOther) {
    StringPool target;
    target.append("own");
    StringPool first;
    first.append("a");
    first.append("b");
    EXPECT_EQ(target.carry(first, 1), 1u);
    EXPECT_EQ(target.carry(first, 1), 1u);
    EXPECT_EQ(target.carry(first, 0), 2u);
    EXPECT_EQ(target.size(), 3u);

    StringPool second;
    second.append("x");
    second.append("y");
    EXPECT_EQ(target.get(target.carry(second, 1)), "y");
    EXPECT_EQ(target.get(target.carry(first, 1)), "b"); // back to the first: the texts are the first's again

    first.append("c");
    EXPECT_EQ(target.get(target.carry(first, 2)), "c");

    // A new pool in place of the first (same address, other texts) maps afresh.
    first = StringPool();
    first.append("z");
    EXPECT_EQ(target.get(target.carry(first, 0)), "z");

    // Many texts, carried row by row: each once.
    StringPool big;
    for (int i = 0; i < 5000; ++i)
        big.append("t" + std::to_string(i % 100));
    StringPool rows;
    for (int pass = 0; pass < 3; ++pass)
        for (uint32_t id = 0; id < 5000; ++id)
            ASSERT_EQ(rows.get(rows.carry(big, id)), big.get(id));
    EXPECT_EQ(rows.size(), 5000u);
}
