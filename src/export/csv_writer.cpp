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
    if (pieces_ > 1) helper_ = std::thread([this] { MakeAhead(); });
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

int CsvPieces::ClaimLocked() {
    if (claimed_ >= pieces_ || claimed_ >= released_ + kSlots) return -1;
    return claimed_++;
}

// Made outside the lock: no one else reads or writes a claimed piece's slot.
void CsvPieces::MakeInto(int piece) {
    Slot& slot = slots_[static_cast<std::size_t>(piece % kSlots)];
    std::string& bytes = slot.bytes;
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
    slot.size = used;
}

void CsvPieces::MakeAhead() {
    std::unique_lock lock(mutex_);
    while (true) {
        int piece = -1;
        changed_.wait(lock, [&] { return stop_ || (piece = ClaimLocked()) >= 0; });
        if (stop_) return;
        lock.unlock();
        MakeInto(piece);
        lock.lock();
        slots_[static_cast<std::size_t>(piece % kSlots)].made = piece;
        changed_.notify_all();
    }
}

std::string_view CsvPieces::Next() {
    std::unique_lock lock(mutex_);
    if (released_ < next_) {  // the caller is done with the piece given last
        released_ = next_;
        changed_.notify_all();
    }
    if (next_ >= pieces_) return {};
    const int piece = next_++;
    Slot& slot = slots_[static_cast<std::size_t>(piece % kSlots)];
    while (slot.made != piece) {
        // Not begun: made here. Begun by the helper: a later one made here meanwhile.
        const int claim = ClaimLocked();
        if (claim < 0) {
            changed_.wait(lock);
            continue;
        }
        lock.unlock();
        MakeInto(claim);
        lock.lock();
        slots_[static_cast<std::size_t>(claim % kSlots)].made = claim;
        changed_.notify_all();
    }
    return {slot.bytes.data(), slot.size};
}

std::string CsvText(const RecordTable& table, char sep) {
    std::string out;
    CsvPieces pieces(table, sep);
    for (std::string_view piece; !(piece = pieces.Next()).empty();) out += piece;
    return out;
}

}  // namespace tavro
