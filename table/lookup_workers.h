#pragma once
// The title and rank worker pools of one query run. Each worker takes a task from its queue
// under TableLock, fetches without the lock, and writes the row's cell and record under it;
// the last worker of a pool to find the queue empty sets the pool's done flag.
//
// The pools own their threads: the destructor joins them, so no worker outlives the run that
// started it. StopRequested makes each worker count itself out at its next task instead of
// taking it (a fetch in progress still runs to the engine's time limit).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/endpoints.h"
#include "platform/lookups.h"
#include "table/link_list.h"
#include "table/link_state.h"

namespace brevink {

enum class LookupKind { Title, Rank };

// What the workers of one run share. Lives in LookupPools, which outlives every worker.
struct LookupContext {
    LookupContext(LinkList& linkList, LinkTableState& tableState, const Endpoints& services,
                  RankCache& cache)
        : list(linkList), state(tableState), endpoints(services), rankCache(cache) {}
    LinkList& list;
    LinkTableState& state;
    const Endpoints& endpoints;
    RankCache& rankCache;
    std::atomic<int> titlesWritten{0};
    std::atomic<int> ranksWritten{0};
    // Wakes the run's wait when a pool's flag is set.
    std::mutex wakeMutex;
    std::condition_variable wake;
    // Hosts whose rank is being asked for: a second worker with the same host waits for the
    // answer (then in RankCache) instead of asking the rank service again.
    std::mutex flightMutex;
    std::condition_variable flightLanded;
    std::set<std::string> hostsInFlight;
};

// The two thread bodies.
void TitleWorker(LookupContext& context);
void RankWorker(LookupContext& context);

struct LookupProgress {
    int titlesDone = 0;
    int titlesTotal = 0;
    int ranksDone = 0;
    int ranksTotal = 0;
};

class LookupPools final {
  public:
    LookupPools(LinkList& list, LinkTableState& state, const Endpoints& endpoints,
                RankCache& rankCache);
    ~LookupPools();
    LookupPools(const LookupPools&) = delete;
    LookupPools& operator=(const LookupPools&) = delete;

    // Clears the pool's flag and sets its counter, then starts its threads.
    void Start(LookupKind kind, int workers);
    // Waits until TitlesDone and RanksDone are both true, at most `timeout`; true when they are.
    bool WaitUntilDone(std::chrono::milliseconds timeout);
    void Join();
    bool Started() const { return !threads_.empty(); }
    LookupProgress Progress() const;

  private:
    LookupContext context_;
    std::vector<std::thread> threads_;
    int titlesTotal_ = 0;
    int ranksTotal_ = 0;
};

}  // namespace brevink
