#include "history_cache.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace tavro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool Before(const HistoryRow& a, const HistoryRow& b) {
    return a.timeMs != b.timeMs ? a.timeMs < b.timeMs : a.id < b.id;
}

}  // namespace

void HistoryCache::Clear() {
    channel_ = -1;
    maxId_ = 0;
    times_.clear();
    ids_.clear();
    values_.clear();
    receptions_.clear();
    levels_.clear();
}

void HistoryCache::Load(int channel, std::vector<HistoryRow> rows) {
    Clear();
    if (!std::is_sorted(rows.begin(), rows.end(), Before)) std::sort(rows.begin(), rows.end(), Before);
    times_.reserve(rows.size());
    ids_.reserve(rows.size());
    values_.reserve(rows.size());
    receptions_.reserve(rows.size());
    for (const HistoryRow& r : rows) {
        times_.push_back(r.timeMs);
        ids_.push_back(r.id);
        values_.push_back(r.value);
        receptions_.push_back(static_cast<std::uint32_t>(r.receptions));
    }
    channel_ = channel;
    maxId_ = ids_.empty() ? 0 : *std::max_element(ids_.begin(), ids_.end());
    Rebuild();
}

void HistoryCache::FillOldTimes(std::span<HistoryChange> changes) const {
    std::unordered_map<std::int64_t, HistoryChange*> wanted;
    for (HistoryChange& c : changes) {
        c.oldTimeMs.reset();
        if (c.row.id <= maxId_) wanted.emplace(c.row.id, &c);  // a newer beacon cannot be here
    }
    for (std::size_t i = 0; i < ids_.size() && !wanted.empty(); ++i)
        if (auto it = wanted.find(ids_[i]); it != wanted.end()) {
            it->second->oldTimeMs = times_[i];
            wanted.erase(it);
        }
}

std::size_t HistoryCache::Find(std::int64_t timeMs, std::int64_t id) const {
    auto it = std::lower_bound(times_.begin(), times_.end(), timeMs);
    std::size_t i = static_cast<std::size_t>(it - times_.begin());
    while (i < times_.size() && times_[i] == timeMs && ids_[i] < id) ++i;
    return i;
}

void HistoryCache::Apply(std::span<const HistoryChange> changes) {
    if (!Loaded() || changes.empty()) return;
    for (const HistoryChange& c : changes) maxId_ = std::max(maxId_, c.row.id);
    std::vector<HistoryRow> moved;  // to insert where they belong
    std::vector<std::size_t> removed;
    const std::size_t before = times_.size();
    for (const HistoryChange& c : changes) {
        if (c.oldTimeMs) {
            const std::size_t i = Find(*c.oldTimeMs, c.row.id);
            if (i >= times_.size() || ids_[i] != c.row.id) continue;  // not here: the caller reloads on doubt
            if (*c.oldTimeMs == c.row.timeMs) {
                receptions_[i] = static_cast<std::uint32_t>(c.row.receptions);
                continue;
            }
            removed.push_back(i);
            moved.push_back(c.row);
        } else if (times_.empty() || Before(HistoryRow{ids_.back(), times_.back(), 0, 0}, c.row)) {
            if (!moved.empty() || !removed.empty()) {
                moved.push_back(c.row);
                continue;
            }
            times_.push_back(c.row.timeMs);
            ids_.push_back(c.row.id);
            values_.push_back(c.row.value);
            receptions_.push_back(static_cast<std::uint32_t>(c.row.receptions));
        } else {
            moved.push_back(c.row);
        }
    }
    if (moved.empty()) {
        const std::size_t blocks = (times_.size() + kBlock - 1) / kBlock;
        if (levels_.empty() || levels_[0].size() != blocks) {
            Rebuild();
            return;
        }
        for (const HistoryChange& c : changes)
            if (c.oldTimeMs && *c.oldTimeMs == c.row.timeMs) {
                const std::size_t i = Find(c.row.timeMs, c.row.id);
                if (i < times_.size()) RebuildBlock(i / kBlock), RebuildAbove(i / kBlock);
            }
        for (std::size_t b = before / kBlock; times_.size() > before && b < blocks; ++b) RebuildBlock(b), RebuildAbove(b);
        return;
    }
    // Out of order: take the moved rows out and merge everything again.
    std::vector<HistoryRow> rows;
    rows.reserve(times_.size() + moved.size());
    std::sort(removed.begin(), removed.end());
    for (std::size_t i = 0, r = 0; i < times_.size(); ++i) {
        if (r < removed.size() && removed[r] == i) {
            ++r;
            continue;
        }
        rows.push_back({ids_[i], times_[i], values_[i], receptions_[i]});
    }
    std::sort(moved.begin(), moved.end(), Before);
    const std::size_t middle = rows.size();
    rows.insert(rows.end(), moved.begin(), moved.end());
    std::inplace_merge(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(middle), rows.end(), Before);
    Load(channel_, std::move(rows));
}

HistoryCache::Node HistoryCache::Leaf(std::size_t i) const {
    const double v = values_[i];
    if (std::isfinite(v)) return {v, v, receptions_[i]};
    return {kInf, -kInf, receptions_[i]};
}

static void Combine(double& mn, double& mx, long long& rec, double nmin, double nmax, long long nrec) {
    mn = std::min(mn, nmin);
    mx = std::max(mx, nmax);
    rec += nrec;
}

void HistoryCache::RebuildBlock(std::size_t block) {
    Node n{kInf, -kInf, 0};
    const std::size_t end = std::min(times_.size(), (block + 1) * kBlock);
    for (std::size_t i = block * kBlock; i < end; ++i) {
        const Node l = Leaf(i);
        Combine(n.min, n.max, n.receptions, l.min, l.max, l.receptions);
    }
    levels_[0][block] = n;
}

void HistoryCache::RebuildAbove(std::size_t block) {
    std::size_t i = block;
    for (std::size_t k = 1; k < levels_.size(); ++k) {
        i /= 2;
        const std::vector<Node>& below = levels_[k - 1];
        Node n = below[2 * i];
        if (2 * i + 1 < below.size()) Combine(n.min, n.max, n.receptions, below[2 * i + 1].min, below[2 * i + 1].max, below[2 * i + 1].receptions);
        levels_[k][i] = n;
    }
}

void HistoryCache::Rebuild() {
    levels_.clear();
    const std::size_t blocks = (times_.size() + kBlock - 1) / kBlock;
    levels_.emplace_back(blocks);
    for (std::size_t b = 0; b < blocks; ++b) RebuildBlock(b);
    while (levels_.back().size() > 1) {
        const std::vector<Node>& below = levels_.back();
        std::vector<Node> up((below.size() + 1) / 2);
        for (std::size_t i = 0; i < up.size(); ++i) {
            up[i] = below[2 * i];
            if (2 * i + 1 < below.size()) Combine(up[i].min, up[i].max, up[i].receptions, below[2 * i + 1].min, below[2 * i + 1].max, below[2 * i + 1].receptions);
        }
        levels_.push_back(std::move(up));
    }
}

HistoryCache::Node HistoryCache::Range(std::size_t a, std::size_t b) const {
    Node n{kInf, -kInf, 0};
    auto leaf = [&](std::size_t i) {
        const Node l = Leaf(i);
        Combine(n.min, n.max, n.receptions, l.min, l.max, l.receptions);
    };
    std::size_t bl = (a + kBlock - 1) / kBlock, br = b / kBlock;  // whole blocks [bl, br)
    if (bl >= br) {
        for (std::size_t i = a; i < b; ++i) leaf(i);
        return n;
    }
    for (std::size_t i = a; i < bl * kBlock; ++i) leaf(i);
    for (std::size_t i = br * kBlock; i < b; ++i) leaf(i);
    for (std::size_t k = 0; bl < br; ++k, bl /= 2, br /= 2) {
        const std::vector<Node>& level = levels_[k];
        if (bl & 1) {
            Combine(n.min, n.max, n.receptions, level[bl].min, level[bl].max, level[bl].receptions);
            ++bl;
        }
        if (br & 1) {
            --br;
            Combine(n.min, n.max, n.receptions, level[br].min, level[br].max, level[br].receptions);
        }
    }
    return n;
}

void HistoryCache::Series(const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) const {
    points.clear();
    if (times_.empty() || columns <= 0) return;
    const std::size_t lo = span.fromMs ? static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), *span.fromMs) - times_.begin()) : 0;
    const std::size_t hi = span.toMs ? static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), *span.toMs) - times_.begin()) : times_.size();
    if (lo >= hi) return;
    if (hi - lo <= static_cast<std::size_t>(columns)) {
        points.reserve(hi - lo);
        for (std::size_t i = lo; i < hi; ++i) points.push_back({times_[i], times_[i], values_[i], values_[i], 1, receptions_[i]});
        return;
    }
    const std::int64_t from = span.fromMs.value_or(times_[lo]);
    const std::int64_t to = span.toMs.value_or(times_[hi - 1] + 1);
    const __int128 width = static_cast<__int128>(to) - from;
    points.reserve(static_cast<std::size_t>(columns));
    std::size_t a = lo;
    for (int c = 1; c <= columns && a < hi; ++c) {
        const std::int64_t edge = c == columns ? to : static_cast<std::int64_t>(from + width * c / columns);
        const std::size_t b = static_cast<std::size_t>(std::lower_bound(times_.begin() + static_cast<std::ptrdiff_t>(a), times_.begin() + static_cast<std::ptrdiff_t>(hi), edge) - times_.begin());
        if (b > a) {
            Node n = Range(a, b);
            const bool none = n.min > n.max;
            const double nan = std::numeric_limits<double>::quiet_NaN();
            points.push_back({times_[a], times_[b - 1], none ? nan : n.min, none ? nan : n.max, static_cast<long long>(b - a), n.receptions});
        }
        a = b;
    }
}

std::size_t HistoryCache::MemoryBytes() const {
    std::size_t bytes = times_.capacity() * 8 + ids_.capacity() * 8 + values_.capacity() * 8 + receptions_.capacity() * 4;
    for (const auto& level : levels_) bytes += level.capacity() * sizeof(Node);
    return bytes;
}

}  // namespace tavro
