// Adding records to the SQLite archive: one transaction in four steps.
//
//  1. Find the beacons the records may be, by hash, 64 hashes a statement.
//  2. In memory: each record's beacon (one found, one new earlier in this
//     Add, or a new one with the next id), and the receptions and time every
//     beacon touched ends with.
//  3. Write: new beacons 16 rows a statement, receptions 32 rows a
//     statement, then one UPDATE for each beacon that was there before.
//  4. The minute and hour summaries: what the Add brought merged in, the
//     minutes and hours a beacon left summed again from the beacons.
//
// Few large statements: SQLite's cost for each statement run (cursors
// opened and closed, the statement ended) was a third of an Add that wrote
// one row a statement. Multi-row statements are INSERT OR FAIL: a failure
// rolls the whole transaction back anyway, and plain INSERT of several rows
// would keep a statement journal for nothing.
#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>

#include "archive_columns.h"
#include "beacon_bits.h"
#include "sqlite_archive.h"

namespace tavro {
namespace {

constexpr int kFindHashes = 64, kBeaconRows = 16, kReceptionRows = 32, kSummaryKeys = 64;
constexpr int kBeaconParams = 6 + kChannelCount, kReceptionParams = 7;

// "(?, ?, ?), (?, ?, ?)" : rows groups of params marks.
std::string Marks(int rows, int params) {
    std::string row = "(?";
    for (int i = 1; i < params; ++i) row += ", ?";
    row += ")";
    std::string out = row;
    for (int r = 1; r < rows; ++r) out += ", " + row;
    return out;
}

std::string InList(int n) {
    std::string out = "?";
    for (int i = 1; i < n; ++i) out += ", ?";
    return out;
}

// A beacon this Add touches: found in the archive, or new.
struct Touched {
    std::int64_t id = 0, hash = 0;
    const BeaconValues* values = nullptr;
    RecordLayout layout = RecordLayout::Kiss;
    bool isNew = false;
    std::optional<std::int64_t> time0, time;  // before and after the Add
    long long receptions0 = 0, receptions = 0;
};

}  // namespace

bool SqliteArchive::PrepareAdding() {
    std::string columns = "id, hash, layout, time_ms, receptions, raw";
    for (const std::string& c : ChannelColumns()) columns += ", " + c;
    const std::string insert = "INSERT OR FAIL INTO beacon (" + columns + ") VALUES ";
    const std::string reception =
        "INSERT OR FAIL INTO receptions (beacon, source, kind, time_text, time_ms, station, source_bytes) VALUES ";
    std::string found = "id, time_ms, receptions, layout, raw";
    for (const std::string& c : ChannelColumns()) found += ", " + c;
    return findMany_.Prepare(db_, "SELECT " + found + ", hash FROM beacon WHERE hash IN (" + InList(kFindHashes) + ")") &&
           insertBeacons_.Prepare(db_, insert + Marks(kBeaconRows, kBeaconParams)) &&
           insertBeacon_.Prepare(db_, insert + Marks(1, kBeaconParams)) &&
           insertReceptions_.Prepare(db_, reception + Marks(kReceptionRows, kReceptionParams)) &&
           insertReception_.Prepare(db_, reception + Marks(1, kReceptionParams)) &&
           updateBeacon_.Prepare(db_, "UPDATE beacon SET receptions = ?, time_ms = ? WHERE id = ?") &&
           maxBeaconId_.Prepare(db_, "SELECT coalesce(max(id), 0) FROM beacon");
}

bool SqliteArchive::Add(std::span<const ArchiveRecord> records, AddCounts& counts) {
    std::lock_guard lock(mutex_);
    counts = {};
    if (readOnly_) {
        error_ = "the archive " + path_ + " is read-only: nothing can be added to it";
        return false;
    }
    if (!TakeLoaded(false)) return false;
    if (!db_.Exec("BEGIN IMMEDIATE")) return Fail("add to");
    // Another program's beacons first, so that ours follow them in the history.
    if (!RefreshCache()) return false;
    if (maxBeaconId_.Step() != SQLITE_ROW) return maxBeaconId_.Reset(), Fail("read");
    std::int64_t nextId = maxBeaconId_.Int(0) + 1;
    maxBeaconId_.Reset();
    if (nextId > std::numeric_limits<std::int64_t>::max() - static_cast<std::int64_t>(records.size())) {
        error_ = "the archive " + path_ + " has no beacon numbers left";
        db_.Exec("ROLLBACK");
        return false;
    }

    // 1 and 2: every record's beacon.
    std::vector<Touched> touched;
    std::deque<BeaconValues> foundValues;
    std::unordered_map<std::int64_t, std::vector<std::size_t>> byHash;  // hash -> its beacons in touched
    std::vector<std::size_t> beaconOf(records.size());
    std::vector<std::int64_t> hashes(records.size());
    Beacon b;
    for (std::size_t start = 0; start < records.size(); start += kFindHashes) {
        const std::size_t end = std::min(records.size(), start + kFindHashes);
        int asked = 0;
        std::int64_t firstAsked = 0;
        for (std::size_t r = start; r < end; ++r) {
            hashes[r] = BeaconHash(records[r].values);
            if (!byHash.try_emplace(hashes[r]).second) continue;  // asked before
            if (asked == 0) firstAsked = hashes[r];
            findMany_.Bind(++asked, hashes[r]);
        }
        if (asked > 0) {
            for (int i = asked + 1; i <= kFindHashes; ++i) findMany_.Bind(i, firstAsked);  // the same row once
            int rc;
            while ((rc = findMany_.Step()) == SQLITE_ROW) {
                if (!ReadBeacon(findMany_, b)) continue;  // damaged raw bytes: never this record's beacon
                Touched t;
                t.id = b.id;
                t.hash = findMany_.Int(5 + kChannelCount);
                t.values = &foundValues.emplace_back(b.values);
                t.layout = b.layout;
                t.time0 = t.time = b.timeMs;
                t.receptions0 = t.receptions = b.receptions;
                byHash[t.hash].push_back(touched.size());
                touched.push_back(t);
            }
            findMany_.Reset();
            if (rc != SQLITE_DONE) return Fail("read");
        }
        for (std::size_t r = start; r < end; ++r) {
            const ArchiveRecord& rec = records[r];
            std::vector<std::size_t>& same = byHash[hashes[r]];
            std::size_t k = 0;
            while (k < same.size() && !SameBits(*touched[same[k]].values, rec.values)) ++k;
            if (k == same.size()) {
                Touched t;
                t.id = nextId++;
                t.hash = hashes[r];
                t.values = &rec.values;
                t.layout = rec.layout;
                t.isNew = true;
                same.push_back(touched.size());
                touched.push_back(t);
            }
            Touched& t = touched[same[k]];
            ++t.receptions;
            if (rec.reception.utcMs && (!t.time || *rec.reception.utcMs < *t.time)) t.time = rec.reception.utcMs;
            beaconOf[r] = same[k];
        }
    }

    // 3: the rows.
    AddCounts done;
    std::vector<const Touched*> fresh;
    for (const Touched& t : touched)
        if (t.isNew) fresh.push_back(&t);
    done.beaconsNew = static_cast<long long>(fresh.size());
    std::string raw[kBeaconRows];
    for (std::size_t start = 0; start < fresh.size();) {
        const bool many = fresh.size() - start >= kBeaconRows;
        sqlite::Stmt& st = many ? insertBeacons_ : insertBeacon_;
        const int rows = many ? kBeaconRows : 1;
        for (int row = 0; row < rows; ++row) {
            const Touched& t = *fresh[start + static_cast<std::size_t>(row)];
            const int p = row * kBeaconParams;
            st.Bind(p + 1, t.id);
            st.Bind(p + 2, t.hash);
            st.Bind(p + 3, static_cast<std::int64_t>(t.layout));
            st.Bind(p + 4, t.time);
            st.Bind(p + 5, static_cast<std::int64_t>(t.receptions));
            if (NeedsRawBits(*t.values)) raw[row] = RawBytes(*t.values), st.BindBlob(p + 6, raw[row]);
            else st.BindNull(p + 6);
            for (int i = 0; i < kChannelCount; ++i) st.Bind(p + 7 + i, (*t.values)[static_cast<std::size_t>(i)]);
        }
        const int rc = st.Step();
        st.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
        start += static_cast<std::size_t>(rows);
    }
    for (std::size_t start = 0; start < records.size();) {
        const bool many = records.size() - start >= kReceptionRows;
        sqlite::Stmt& st = many ? insertReceptions_ : insertReception_;
        const int rows = many ? kReceptionRows : 1;
        for (int row = 0; row < rows; ++row) {
            const std::size_t r = start + static_cast<std::size_t>(row);
            const Reception& rec = records[r].reception;
            const int p = row * kReceptionParams;
            st.Bind(p + 1, touched[beaconOf[r]].id);
            st.Bind(p + 2, rec.source);
            st.Bind(p + 3, SourceKindText(rec.kind));
            st.Bind(p + 4, rec.timeText);
            st.Bind(p + 5, rec.utcMs);
            st.Bind(p + 6, rec.station);
            st.BindBlob(p + 7, records[r].sourceBytes);
        }
        const int rc = st.Step();
        st.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
        start += static_cast<std::size_t>(rows);
    }
    done.receptionsAdded = static_cast<long long>(records.size());
    for (const Touched& t : touched) {
        if (t.isNew || t.receptions == t.receptions0) continue;
        updateBeacon_.Bind(1, static_cast<std::int64_t>(t.receptions));
        updateBeacon_.Bind(2, t.time);
        updateBeacon_.Bind(3, t.id);
        const int rc = updateBeacon_.Step();
        updateBeacon_.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
    }
    const std::int64_t lastReception = sqlite3_last_insert_rowid(db_.Handle());

    // 4: the summaries, and what the history in memory learns.
    std::map<std::int64_t, MinuteSummary> minutes, hours;
    std::set<std::int64_t> leftMinutes, leftHours;
    const auto at = [](std::map<std::int64_t, MinuteSummary>& sums, std::int64_t key) -> MinuteSummary& {
        auto it = sums.lower_bound(key);
        if (it == sums.end() || it->first != key) it = sums.emplace_hint(it, key, MinuteSummary::Empty());
        return it->second;
    };
    const auto bring = [&](std::int64_t timeMs, const auto& change) { change(at(minutes, MinuteOf(timeMs))); };
    const bool follow = cache_.Loaded();
    const std::size_t channel = static_cast<std::size_t>(cache_.Channel());
    std::vector<HistoryChange> changes;
    for (const Touched& t : touched) {
        if (t.receptions == t.receptions0) continue;  // found, but none of the records' beacon
        if (!t.time) continue;
        if (t.time == t.time0) {
            bring(*t.time, [&](MinuteSummary& m) { m.receptions += t.receptions - t.receptions0; });
        } else {  // new, or moved to an earlier time with all its receptions
            if (t.time0) leftMinutes.insert(MinuteOf(*t.time0)), leftHours.insert(HourOf(*t.time0));
            bring(*t.time, [&](MinuteSummary& m) { m.AddBeacon(*t.time, *t.values, t.receptions); });
        }
        if (follow) changes.push_back({{t.id, *t.time, (*t.values)[channel], t.receptions}, t.time0});
    }
    // An hour brings what its minutes bring (a minute left has its hour left too).
    for (const auto& [m, delta] : minutes) at(hours, m >= 0 ? m / 60 : -((-m + 59) / 60)).Merge(delta);
    if (hasMinutes_ && (!SaveSummary(minutes_, minutes, leftMinutes) || !SaveSummary(hours_, hours, leftHours))) return false;
    if (!db_.Exec("COMMIT")) return Fail("add to");
    counts = done;
    if (follow) {
        cache_.Apply(changes);
        if (!records.empty()) cacheSeenReception_ = lastReception;
    }
    return true;
}

bool SqliteArchive::PrepareMinutes() {
    for (SummaryStatements* s : {&minutes_, &hours_}) {
        const std::string table = s->summary.table, key = s->summary.key;
        std::string put = "INSERT OR REPLACE INTO " + table + " VALUES (?, ?, ?, ?, ?";
        for (int c = 0; c < kChannelCount; ++c) put += ", ?, ?";
        if (!s->get.Prepare(db_, "SELECT " + key + ", first_ms, last_ms, beacons, receptions, " + MinuteValueColumns() + " FROM " +
                                     table + " WHERE " + key + " IN (" + InList(kSummaryKeys) + ")") ||
            !s->put.Prepare(db_, put + ")") || !s->drop.Prepare(db_, "DELETE FROM " + table + " WHERE " + key + " = ?") ||
            !s->refill.Prepare(db_, sqlite_minutes::FillSql(s->summary, "AND time_ms >= ?1 AND time_ms < ?2")))
            return false;
    }
    return true;
}

bool SqliteArchive::SaveSummary(SummaryStatements& st, std::map<std::int64_t, MinuteSummary>& deltas,
                                const std::set<std::int64_t>& left) {
    for (std::int64_t m : left) deltas.erase(m);  // summed again below
    // What is there already, kSummaryKeys rows a statement, merged into the deltas.
    for (auto it = deltas.begin(); it != deltas.end();) {
        auto from = it;
        int asked = 0;
        for (; it != deltas.end() && asked < kSummaryKeys; ++it) st.get.Bind(++asked, it->first);
        for (int i = asked + 1; i <= kSummaryKeys; ++i) st.get.Bind(i, from->first);
        int rc;
        while ((rc = st.get.Step()) == SQLITE_ROW) {
            MinuteSummary sum = MinuteSummary::Empty();
            sum.firstMs = st.get.Int(1);
            sum.lastMs = st.get.Int(2);
            sum.beacons = st.get.Int(3);
            sum.receptions = st.get.Int(4);
            for (int c = 0; c < kChannelCount; ++c) {
                const std::size_t i = static_cast<std::size_t>(c);
                if (!st.get.Null(5 + 2 * c)) sum.min[i] = st.get.Real(5 + 2 * c);
                if (!st.get.Null(6 + 2 * c)) sum.max[i] = st.get.Real(6 + 2 * c);
            }
            MinuteSummary& delta = deltas.at(st.get.Int(0));
            sum.Merge(delta);
            delta = sum;
        }
        st.get.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
    }
    for (const auto& [m, sum] : deltas) {
        st.put.Bind(1, m);
        st.put.Bind(2, sum.firstMs);
        st.put.Bind(3, sum.lastMs);
        st.put.Bind(4, static_cast<std::int64_t>(sum.beacons));
        st.put.Bind(5, static_cast<std::int64_t>(sum.receptions));
        for (int c = 0; c < kChannelCount; ++c) {
            const std::size_t i = static_cast<std::size_t>(c);
            if (sum.min[i] <= sum.max[i]) st.put.Bind(6 + 2 * c, sum.min[i]), st.put.Bind(7 + 2 * c, sum.max[i]);
            else st.put.BindNull(6 + 2 * c), st.put.BindNull(7 + 2 * c);
        }
        const int rc = st.put.Step();
        st.put.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
    }
    const std::int64_t unit = st.summary.unitMs;
    for (std::int64_t m : left) {
        st.drop.Bind(1, m);
        int rc = st.drop.Step();
        st.drop.Reset();
        st.refill.Bind(1, m * unit);
        st.refill.Bind(2, m * unit + unit);
        if (rc == SQLITE_DONE) rc = st.refill.Step();
        st.refill.Reset();
        if (rc != SQLITE_DONE) return Fail("add to");
    }
    return true;
}

}  // namespace tavro
