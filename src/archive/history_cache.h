// One channel's history in memory, for every store: the beacons with time,
// sorted by (time, first-stored order), and a min/max pyramid over them, so
// a series of C columns over any span costs O(C log n), whatever n is.
//
//   Load(channel 10, rows of 1000000 beacons)   once, from the store
//   Apply(changes of the last Add)              new beacons, new receptions
//   Series(span, 1600 columns)                  one point per column with beacons
//
// Leaves are grouped in blocks of 64; the pyramid's first level holds each
// block's smallest and largest finite value and its receptions, every next
// level pairs of the one below. NaN and +-Inf count in no minimum or
// maximum (a column of them only gives NaN, NaN).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "archive.h"

namespace tavro {

struct HistoryRow {
    std::int64_t id = 0;      // first-stored order
    std::int64_t timeMs = 0;  // the beacon's time (beacons without time are never here)
    double value = 0;
    long long receptions = 0;
};

// What one Add did to a beacon with time, as it stands after the Add.
struct HistoryChange {
    HistoryRow row;
    std::optional<std::int64_t> oldTimeMs;  // its time before the Add; unset: it was not in the history
};

class HistoryCache {
public:
    bool Loaded() const { return channel_ >= 0; }
    int Channel() const { return channel_; }
    void Clear();
    // rows in any order.
    void Load(int channel, std::vector<HistoryRow> rows);
    // changes: each beacon once. Values of a beacon never change.
    void Apply(std::span<const HistoryChange> changes);
    void Series(const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) const;
    // Sets each change's oldTimeMs to the time its beacon has here (left
    // unset for a beacon not here): for changes read from the store, which
    // knows a beacon's time now but not the time it had before.
    void FillOldTimes(std::span<HistoryChange> changes) const;

    std::size_t Size() const { return times_.size(); }
    std::size_t MemoryBytes() const;

private:
    struct Node {
        double min, max;  // of the finite values; min > max: none
        long long receptions;
    };
    static constexpr std::size_t kBlock = 64;

    std::size_t Find(std::int64_t timeMs, std::int64_t id) const;  // first position not before (timeMs, id)
    void Rebuild();
    void RebuildBlock(std::size_t block);
    void RebuildAbove(std::size_t block);
    Node Range(std::size_t a, std::size_t b) const;  // over leaves [a, b)
    Node Leaf(std::size_t i) const;

    int channel_ = -1;
    std::int64_t maxId_ = 0;  // the largest id here
    std::vector<std::int64_t> times_, ids_;
    std::vector<double> values_;
    std::vector<std::uint32_t> receptions_;
    std::vector<std::vector<Node>> levels_;  // levels_[0]: one node per block
};

}  // namespace tavro
