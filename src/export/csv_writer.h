// CSV file of all records, lines ended by CR LF:
//   OPS mode;Boot cnt;...;SMDH diff cnt;      the 47 channel names, each followed by ";"
//   4.00;12.00;...;0.00;                      one line per record: the 47 values as "0.00"
// The decimal separator is the user's; there is no quoting.
#pragma once

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
// A second thread makes every other piece while the caller makes and writes
// the ones between: a full table's text takes half the time on two cores.
// The table must not change while the pieces are taken.
class CsvPieces {
public:
    static constexpr int kPieceRecords = 512;  // about 120 KB of random-valued lines

    CsvPieces(const RecordTable& table, char decimalSeparator);
    ~CsvPieces();
    CsvPieces(const CsvPieces&) = delete;
    CsvPieces& operator=(const CsvPieces&) = delete;

    // The next piece, valid until the next call; empty after the last line.
    std::string_view Next();

private:
    struct Buffer {
        std::string bytes;  // the piece and room behind it: grows when a line may not fit
        std::size_t size = 0;
    };
    std::size_t Make(int piece, Buffer& into) const;
    void MakeOddPieces();

    const RecordTable& table_;
    const char separator_;
    const int pieces_;
    int next_ = 0;       // the piece Next() gives next
    Buffer mine_;        // even pieces, made in Next()
    Buffer theirs_;      // odd pieces, made by the second thread
    std::mutex mutex_;
    std::condition_variable changed_;
    int ready_ = -1;     // the odd piece in theirs_, -1: none (theirs_ is free)
    bool handedOut_ = false;  // theirs_ is the piece Next() gave last
    bool stop_ = false;
    std::thread helper_;  // only when there are two pieces or more
};

// The whole text at once.
std::string CsvText(const RecordTable& table, char decimalSeparator);

// The header line, and one record's line, as CsvText writes them.
std::string CsvHeader();
void AppendCsvRow(std::string& out, const TelemetryRecord& record, char decimalSeparator);

}  // namespace tavro
