// CSV file of all records, lines ended by CR LF:
//   OPS mode;Boot cnt;...;SMDH diff cnt;      the 47 channel names, each followed by ";"
//   4.00;12.00;...;0.00;                      one line per record: the 47 values as "0.00"
// The decimal separator is the user's; there is no quoting.
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "record_table.h"

namespace tavro {

// The file in pieces of whole lines, kPieceRecords lines each (the first
// also has the header), so that an export writes it while it is made and
// never holds all of it:
//   CsvPieces pieces(table, '.');
//   for (std::string_view piece; !(piece = pieces.Next()).empty();) write(piece);
// A second thread makes pieces ahead while the caller writes; the caller
// makes the next one itself when the helper has not begun it, or a later
// one while the helper finishes it. Both cores make lines all the time, so
// a full table's text takes about half the time.
// The table must not change while the pieces are taken.
class CsvPieces {
public:
    static constexpr int kPieceRecords = 256;  // about 100 KB of random-valued lines

    CsvPieces(const RecordTable& table, char decimalSeparator);
    ~CsvPieces();
    CsvPieces(const CsvPieces&) = delete;
    CsvPieces& operator=(const CsvPieces&) = delete;

    // The next piece, valid until the next call; empty after the last line.
    std::string_view Next();

private:
    static constexpr int kSlots = 4;  // pieces made and not yet given back, at most
    struct Slot {
        std::string bytes;  // the piece and room behind it: grows when a line may not fit
        std::size_t size = 0;
        int made = -1;      // the piece it holds, once made
    };
    // Claims the next piece for making, when one is left and its slot free; -1: none.
    int ClaimLocked();
    void MakeInto(int piece);
    void MakeAhead();

    const RecordTable& table_;
    const char separator_;
    const int pieces_;
    std::array<Slot, kSlots> slots_;  // piece k in slot k % kSlots
    int next_ = 0;                    // the piece Next() gives next (the caller's)
    std::mutex mutex_;
    std::condition_variable changed_;
    int claimed_ = 0;   // pieces below are being made or made
    int released_ = 0;  // pieces below are written: their slots are free
    bool stop_ = false;
    std::thread helper_;  // only when there are two pieces or more
};

// The whole text at once.
std::string CsvText(const RecordTable& table, char decimalSeparator);

// The header line, and one record's line, as CsvText writes them.
std::string CsvHeader();
void AppendCsvRow(std::string& out, const TelemetryRecord& record, char decimalSeparator);

}  // namespace tavro
