#pragma once
// The data behind the link table, shared by the query run, the lookup workers and the table
// commands. Element i of LinkRecords belongs to row i of the list.
#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace brevink {

struct LinkRecord {
    bool checked = false;
    std::string url;
    std::string anchor;
    std::string title;
    int rank = 0;  // -1: not looked up
    int urlLength = 0;
    int anchorLength = 0;
    int titleLength = 0;
};

// One entry of a lookup queue: the row to fill. The worker copies the row's URL from its record
// when it takes the task (records do not move while a run is in progress); a URL copy in each
// queue would add two copies of every URL, some 24 MB at 100,000 links.
struct LookupTask {
    int row = 0;
};

inline constexpr int kTitleWorkers = 100;
inline constexpr int kRankWorkers = 13;

struct LinkTableState {
    std::vector<LinkRecord> LinkRecords;
    std::deque<LookupTask> TitleQueue;
    std::deque<LookupTask> RankQueue;
    // Guards the queues, the worker counters and the workers' writes into the list and the
    // records. The UI thread never takes it.
    std::mutex TableLock;
    int TitleWorkersLeft = 0;
    int RankWorkersLeft = 0;
    std::atomic<bool> TitlesDone{false};
    std::atomic<bool> RanksDone{false};
    // Our own flags: a run is adding rows (page phase) / a run is in progress at all.
    std::atomic<bool> PagePhase{false};
    std::atomic<bool> QueryRunning{false};
    // Set when the program is closing: every run and worker stops at its next step.
    std::atomic<bool> StopRequested{false};
    std::array<bool, 4> SortAscending{};  // columns 1 to 4
};

}  // namespace brevink
