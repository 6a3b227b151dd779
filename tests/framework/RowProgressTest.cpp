#include "framework/RowProgress.h"
#include "support/ScriptedHost.h"

#include <gtest/gtest.h>

using tabrix::framework::RowProgress;

TEST(RowProgress, FewLinesForManyRowsAndTheLastRowExactlyAtTheEnd) {
    tabrix::test::ScriptedHost host;
    RowProgress progress(host);
    for (uint64_t row = 1; row <= 200000; ++row)
        progress.row(row);
    progress.finish();
    ASSERT_FALSE(host.logLines.empty());
    EXPECT_LT(host.logLines.size(), 1000u);
    EXPECT_EQ(host.logLines.front(), "处理第1行数据");
    EXPECT_EQ(host.logLines.back(), "处理第200000行数据");
    EXPECT_EQ(host.pumps, int(host.logLines.size()));
}

TEST(RowProgress, NoRowsNoLine) {
    tabrix::test::ScriptedHost host;
    RowProgress progress(host);
    progress.finish();
    EXPECT_TRUE(host.logLines.empty());
}
