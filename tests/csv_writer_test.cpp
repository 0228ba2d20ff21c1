// The CSV text made in pieces and the file written piece by piece: no line
// lost, doubled or cut where one piece ends and the next begins; the dump's
// texts of values that are not finite. (The lines' values: worked_frames_test;
// the "0.00" rule: value_text_test; an empty table's header alone: cli_test.)
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "atomic_file.h"
#include "csv_writer.h"
#include "test_support.h"

using namespace tavro;

namespace {

// A full table; record k reads k in its first channel and -k - 0.125 in its last.
RecordTable NumberedTable() {
    RecordTable table;
    for (int k = 0; k < RecordTable::kCapacity; ++k) {
        TelemetryRecord* r = table.Append();
        r->Channels[0] = k;
        r->Channels[46] = -k - 0.125;
        table.Commit();
    }
    return table;
}

}  // namespace

TEST(CsvPieces, EveryLineOnceAndWholeInItsPiece) {
    const RecordTable table = NumberedTable();
    CsvPieces pieces(table, ',');
    std::string text;
    int count = 0;
    for (std::string_view piece; !(piece = pieces.Next()).empty(); ++count) {
        EXPECT_TRUE(piece.ends_with("\r\n")) << "piece " << count << " ends inside a line";
        text += piece;
    }
    EXPECT_GE(count, 5);  // 10000 lines of about 240 bytes
    EXPECT_TRUE(pieces.Next().empty());

    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("OPS mode;Boot cnt;")) << line;
    int k = 0;
    for (; std::getline(lines, line); ++k) {
        const std::string first = std::to_string(k) + ",00;";
        const std::string last = ";-" + std::to_string(k) + ",13;\r";  // -k.125 rounds away from zero
        ASSERT_TRUE(line.starts_with(first) && line.ends_with(last)) << "line " << k + 2 << ": " << line;
    }
    EXPECT_EQ(k, 10000);
    EXPECT_EQ(CsvText(table, ','), text);
}

// Pieces across the megabytes whose writeback starts early: the file is their concatenation.
TEST(AtomicFilePieces, FileIsThePiecesInOrder) {
    const test::TempDir dir{"pieces"};
    const std::string path = dir.Path("pass1.csv");
    std::string expected;
    std::string piece;
    int n = 0;
    const ContentPieces next = [&]() -> std::string_view {
        if (n == 40) return {};
        piece.assign(static_cast<std::size_t>(70000 + n), static_cast<char>('a' + n % 26));
        ++n;
        expected += piece;
        return piece;
    };
    ASSERT_TRUE(WriteFileAtomically(path, next).ok);
    EXPECT_EQ(n, 40);
    EXPECT_TRUE(test::FileText(path) == expected) << "file of " << test::FileText(path).size() << " bytes, expected "
                                                   << expected.size();
}

// The dump writes numbers that are not finite as "nan", "inf" and "-inf"
// (a NaN with its sign bit too), the others as the shortest exact text.
TEST(DumpText, NotFiniteValues) {
    constexpr double kInf = std::numeric_limits<double>::infinity(), kNaN = std::numeric_limits<double>::quiet_NaN();
    RecordTable table;
    TelemetryRecord* r = table.Append();
    r->Channels[0] = kNaN, r->Channels[1] = -kNaN, r->Channels[2] = kInf, r->Channels[3] = -kInf, r->Channels[4] = 0.1;
    r->StampValue1 = -kInf, r->StampValue3 = kNaN;
    table.Commit();
    const auto lines = test::Lines(DumpText(table));
    ASSERT_EQ(lines.size(), 2u);
    std::string expected = "1\t\t-inf\t0\tnan\tnan\tnan\tinf\t-inf\t0.1";
    for (int k = 5; k < 47; ++k) expected += "\t0";
    EXPECT_EQ(lines[1], expected);
}
