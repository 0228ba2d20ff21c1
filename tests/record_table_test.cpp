// The record table: 10000 records; the frames beyond are counted until the next reset.
#include <gtest/gtest.h>

#include "record_table.h"

using namespace tavro;

// Reading into the table (capacity, clean records) is covered by the reader tests.
TEST(RecordTable, CountsFramesBeyondTheCapacityUntilReset) {
    RecordTable table;
    for (int k = 0; k < RecordTable::kCapacity; ++k) {
        TelemetryRecord* r = table.Append();
        ASSERT_NE(r, nullptr) << k;
        r->Channels[2] = k;
        table.Commit();
    }
    EXPECT_EQ(table.Append(), nullptr);
    EXPECT_EQ(table.FramesNotStored(), 1);
    EXPECT_EQ(table[9999].Channels[2], 9999);
    table.Reset();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.FramesNotStored(), 0);
}
