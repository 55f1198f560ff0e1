#include "table/sort_table.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>

#include "table/tick_commands.h"

namespace brevink {

namespace {

constexpr unsigned kDigitBits = 16;
constexpr uint32_t kDigitMask = (1u << kDigitBits) - 1;

// Every negative key shares bucket 0, so key k lands in bucket k + 1.
uint32_t BucketOf(int key) {
    return key < 0 ? 0u : static_cast<uint32_t>(key) + 1u;
}

// One stable bucket pass over the 16-bit digit at `shift`: each position goes to the end of
// its digit's bucket, and the buckets are read back from the lowest digit up.
void BucketPass(const std::vector<uint32_t>& buckets, const std::vector<size_t>& in,
                std::vector<size_t>& out, unsigned shift, uint32_t largestDigit) {
    std::vector<size_t> start(static_cast<size_t>(largestDigit) + 2, 0);
    for (size_t p : in) {
        ++start[((buckets[p] >> shift) & kDigitMask) + 1];
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (size_t p : in) {
        out[start[(buckets[p] >> shift) & kDigitMask]++] = p;
    }
}

std::string RankText(int rank) {
    return rank == -1 ? std::string() : std::to_string(rank);
}

}  // namespace

bool CanReorderTable(const LinkTableState& state) {
    return state.TitlesDone && state.RanksDone && !state.PagePhase && !state.QueryRunning;
}

std::vector<size_t> StableOrderByKey(const std::vector<int>& keys) {
    std::vector<uint32_t> buckets(keys.size());
    uint32_t largest = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        buckets[i] = BucketOf(keys[i]);
        largest = std::max(largest, buckets[i]);
    }
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<size_t> next(keys.size());
    // Two digits cover every key; the second pass only runs for keys of 65536 and above,
    // which keeps the bucket array small whatever the largest key is.
    for (unsigned shift = 0; shift < 32; shift += kDigitBits) {
        if (shift > 0 && (largest >> shift) == 0) {
            break;
        }
        BucketPass(buckets, order, next, shift, std::min(largest >> shift, kDigitMask));
        order.swap(next);
    }
    return order;
}

void ReorderRecords(LinkTableState& state, const std::vector<size_t>& order) {
    std::vector<LinkRecord> moved;
    moved.reserve(order.size());
    for (size_t p : order) {
        moved.push_back(std::move(state.LinkRecords[p]));
    }
    state.LinkRecords.swap(moved);
}

int SortKeyOf(const LinkRecord& record, int column) {
    switch (column) {
        case 1:
            return record.urlLength;
        case 2:
            return record.anchorLength;
        case 3:
            return record.titleLength;
        case 4:
            return record.rank;
        default:
            return 0;
    }
}

void SortTable(LinkList& list, LinkTableState& state, int column, bool ascending) {
    SyncTicksFromList(list, state);
    std::vector<int> keys;
    keys.reserve(state.LinkRecords.size());
    for (const LinkRecord& record : state.LinkRecords) {
        keys.push_back(SortKeyOf(record, column));
    }
    std::vector<size_t> order = StableOrderByKey(keys);
    if (!ascending) {
        std::reverse(order.begin(), order.end());
    }
    ReorderRecords(state, order);
    RefillTable(list, state);
}

void RefillTable(LinkList& list, const LinkTableState& state) {
    const std::vector<LinkRecord>& records = state.LinkRecords;
    const int rows = std::min(list.RowCount(), static_cast<int>(records.size()));
    list.SetVisible(false);
    for (int row = 0; row < rows; ++row) {
        const LinkRecord& record = records[static_cast<size_t>(row)];
        list.SetCell(row, 1, record.url);
        list.SetCell(row, 2, record.anchor);
        list.SetCell(row, 3, record.title);
        list.SetCell(row, 4, RankText(record.rank));
        list.SetCheckState(row, record.checked ? 1 : 0);
    }
    list.SetVisible(true);
}

HeaderClick OnHeaderClicked(LinkList& list, LinkTableState& state, int column) {
    if (!CanReorderTable(state)) {
        return HeaderClick::Refused;
    }
    if (column < 1 || column > static_cast<int>(state.SortAscending.size())) {
        return HeaderClick::Ignored;
    }
    bool& ascending = state.SortAscending[static_cast<size_t>(column - 1)];
    ascending = !ascending;
    SortTable(list, state, column, ascending);
    return HeaderClick::Sorted;
}

}  // namespace brevink
