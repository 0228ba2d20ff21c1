// The record table: 10000 records; the frames beyond and the duplicates are counted until the
// next reset. (Reading into the table, its capacity and clean records: the reader tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "record_table.h"

using namespace tavro;

// Merging: equal bit for bit is a duplicate (a NaN equals the same NaN, -0 is not 0),
// and a duplicate does not count against the capacity.
TEST(RecordTable, MergesDuplicatesBitForBitAndCountsUntilReset) {
    RecordTable table;
    table.SetMergeDuplicates(true);
    const auto add = [&](double value, const char* time) {
        TelemetryRecord* r = table.Append();
        if (!r) return;
        r->TimeText = time;
        r->Channels[21] = value;
        table.Commit();
    };
    for (double v : {1.0, 1.0, double(NAN), double(NAN), 0.0, -0.0, 2.0}) add(v, v == 1.0 && table.RecordCount() ? "second" : "first");
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(table.Duplicates(), 2);
    EXPECT_EQ(table[0].TimeText, "first");  // the first one stored keeps its time
    for (int k = 5; k < RecordTable::kCapacity; ++k) add(k + 0.5, "");
    add(double(NAN), ""), add(3.0, "");  // full: a duplicate is still a duplicate, a new one is not stored
    EXPECT_EQ(std::tuple(table.RecordCount(), table.Duplicates(), table.FramesNotStored()), std::tuple(10000, 3, 1));
    EXPECT_EQ(table[9999].Channels[21], 9999.5);
    table.Reset();
    add(2.0, "");  // no duplicate of a record gone
    EXPECT_EQ(std::tuple(table.RecordCount(), table.Duplicates(), table.FramesNotStored()), std::tuple(1, 0, 0));
}

// Time texts are kept whole whatever their length: inside the record up to 28 bytes,
// on the heap beyond, and a copy owns its own bytes.
TEST(RecordTable, TimeTextsOfEveryLengthKeptWholeInCopies) {
    const std::string stamps[] = {"", "10:14:00.000 UTC", "2026-12-06 10:14:03.250 UTC", std::string(28, '\xE9'),
                                  std::string(29, 'x'), std::string(511, '\x85')};
    for (const std::string& first : stamps) {
        for (const std::string& second : stamps) {
            TelemetryRecord a;
            a.TimeText = first;
            TelemetryRecord b = a;  // copied, then the original changes
            a.TimeText = second;
            const TelemetryRecord c = std::move(a);
            EXPECT_TRUE(a.TimeText.empty());  // NOLINT: a moved-from text reads as empty, never past its room
            TelemetryRecord d;
            d = b;
            d.TimeText = d.TimeText.View();  // its own text again
            EXPECT_EQ(std::tuple(b.TimeText.View(), c.TimeText.View(), d.TimeText.View()),
                      std::tuple(std::string_view(first), std::string_view(second), std::string_view(first)))
                << first.size() << " then " << second.size() << " bytes";
        }
    }
}
