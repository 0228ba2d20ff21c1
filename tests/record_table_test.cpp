// The record table: 10000 records, frames beyond counted, clean records after a reset.
#include <gtest/gtest.h>

#include "record_table.h"

namespace tavro {
namespace {

TEST(RecordTable, HoldsTenThousandAndCountsTheRest) {
    RecordTable table;
    EXPECT_EQ(table.RecordCount(), 0);
    for (int k = 0; k < RecordTable::kCapacity; ++k) {
        TelemetryRecord* r = table.Append();
        ASSERT_NE(r, nullptr) << k;
        r->Channels[0] = k;
    }
    EXPECT_EQ(table.RecordCount(), 10000);
    EXPECT_EQ(table.FramesNotStored(), 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(table.Append(), nullptr);
    EXPECT_EQ(table.RecordCount(), 10000);
    EXPECT_EQ(table.FramesNotStored(), 3);
    EXPECT_EQ(table[9999].Channels[0], 9999);  // the frames not stored changed no record
    EXPECT_EQ(table[0].Channels[0], 0);

    table.Reset();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.FramesNotStored(), 0);
}

TEST(RecordTable, AppendAfterResetGivesACleanRecord) {
    RecordTable table;
    for (int k = 0; k < 10; ++k) {
        TelemetryRecord* r = table.Append();
        r->TimeText = "12:00:00.000 UTC";
        r->StampValue1 = r->StampValue2 = r->StampValue3 = 5;
        r->Channels.fill(7);
    }
    table.Reset();
    for (int k = 0; k < 3; ++k) {
        const TelemetryRecord* r = table.Append();
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->TimeText, "");
        EXPECT_EQ(r->StampValue1, 0);
        EXPECT_EQ(r->StampValue2, 0);
        EXPECT_EQ(r->StampValue3, 0);
        for (double v : r->Channels) EXPECT_EQ(v, 0);
    }
    EXPECT_EQ(table.RecordCount(), 3);
}

TEST(TelemetryStore, ResetForOpenKeepsTheTimeText) {
    TelemetryStore store;
    store.CurrentTimeText = "09:05:00.000 UTC";
    store.table.Append();
    store.ResetForOpen();
    EXPECT_EQ(store.table.RecordCount(), 0);
    EXPECT_EQ(store.CurrentTimeText, "09:05:00.000 UTC");  // carries over from file to file
}

TEST(FrameBuffer, PositionsOneTo512) {
    FrameBuffer f;
    for (int p = 1; p <= FrameBuffer::kSize; ++p) EXPECT_EQ(f(p), 0);
    f(1) = 0xC0;
    f(512) = 0xDB;
    EXPECT_EQ(f.Bytes().front(), 0xC0);
    EXPECT_EQ(f.Bytes().back(), 0xDB);
    f.Clear();
    EXPECT_EQ(f(1), 0);
    EXPECT_EQ(f(512), 0);
}

}  // namespace
}  // namespace tavro
