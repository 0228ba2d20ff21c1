#include "csv_writer.h"

#include <algorithm>

#include "two_decimals.h"

namespace tavro {

namespace {

// Room a line may need: every value at its longest, its ";", and CR LF.
constexpr std::size_t kRowRoom = kChannelCount * (kTwoDecimalsRoom + 1) + 2;

char* WriteCsvRow(char* p, const TelemetryRecord& r, char sep) {
    for (double v : r.Channels) {
        p = WriteTwoDecimals(p, v, sep);
        *p++ = ';';
    }
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

}  // namespace

std::string CsvHeader() {
    std::string out;
    for (const ChannelInfo& c : ChannelCatalogue) {
        out += c.name;
        out += ';';
    }
    return out + "\r\n";
}

void AppendCsvRow(std::string& out, const TelemetryRecord& r, char sep) {
    char line[kRowRoom];
    out.append(line, WriteCsvRow(line, r, sep));
}

CsvPieces::CsvPieces(const RecordTable& table, char sep)
    : table_(table), separator_(sep), pieces_(std::max(1, (table.RecordCount() + kPieceRecords - 1) / kPieceRecords)) {
    if (pieces_ > 1) helper_ = std::thread([this] { MakeOddPieces(); });
}

CsvPieces::~CsvPieces() {
    if (!helper_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    helper_.join();
}

std::size_t CsvPieces::Make(int piece, Buffer& into) const {
    std::string& bytes = into.bytes;
    std::size_t used = 0;
    if (piece == 0) {
        bytes = CsvHeader();
        used = bytes.size();
    }
    const int end = std::min(table_.RecordCount(), (piece + 1) * kPieceRecords);
    for (int k = piece * kPieceRecords; k < end; ++k) {
        // Room for lines of 512 characters, and more when they are longer.
        if (bytes.size() - used < kRowRoom) bytes.resize(std::max(2 * bytes.size(), kPieceRecords * 512 + kRowRoom));
        used = static_cast<std::size_t>(WriteCsvRow(bytes.data() + used, table_[k], separator_) - bytes.data());
    }
    return used;
}

void CsvPieces::MakeOddPieces() {
    for (int piece = 1; piece < pieces_; piece += 2) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || ready_ < 0; });
            if (stop_) return;
        }
        const std::size_t size = Make(piece, theirs_);
        {
            const std::lock_guard lock(mutex_);
            theirs_.size = size;
            ready_ = piece;
        }
        changed_.notify_all();
    }
}

std::string_view CsvPieces::Next() {
    if (handedOut_) {  // the caller is done with the second thread's piece
        {
            const std::lock_guard lock(mutex_);
            ready_ = -1;
            handedOut_ = false;
        }
        changed_.notify_all();
    }
    if (next_ >= pieces_) return {};
    const int piece = next_++;
    if (piece % 2 == 0) {
        mine_.size = Make(piece, mine_);
        return {mine_.bytes.data(), mine_.size};
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ready_ == piece; });
    handedOut_ = true;
    return {theirs_.bytes.data(), theirs_.size};
}

std::string CsvText(const RecordTable& table, char sep) {
    std::string out;
    CsvPieces pieces(table, sep);
    for (std::string_view piece; !(piece = pieces.Next()).empty();) out += piece;
    return out;
}

}  // namespace tavro
