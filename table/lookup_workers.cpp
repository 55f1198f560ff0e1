#include "table/lookup_workers.h"

#include <functional>
#include <system_error>

#include "platform/inbound_links.h"
#include "web/text.h"

namespace brevink {
namespace {

struct PoolParts {
    std::deque<LookupTask> LinkTableState::*queue;
    int LinkTableState::*left;
    std::atomic<bool> LinkTableState::*done;
    std::atomic<int> LookupContext::*written;
    int column;
};

PoolParts PartsOf(LookupKind kind) {
    if (kind == LookupKind::Title) {
        return {&LinkTableState::TitleQueue, &LinkTableState::TitleWorkersLeft,
                &LinkTableState::TitlesDone, &LookupContext::titlesWritten, 3};
    }
    return {&LinkTableState::RankQueue, &LinkTableState::RankWorkersLeft,
            &LinkTableState::RanksDone, &LookupContext::ranksWritten, 4};
}

// One rank request per host: holds the host while its rank is fetched.
class HostFlight final {
  public:
    HostFlight(LookupContext& context, std::string host)
        : context_(context), host_(std::move(host)) {
        std::unique_lock lock(context_.flightMutex);
        context_.flightLanded.wait(lock,
                                   [this] { return !context_.hostsInFlight.contains(host_); });
        context_.hostsInFlight.insert(host_);
    }
    ~HostFlight() {
        std::lock_guard lock(context_.flightMutex);
        context_.hostsInFlight.erase(host_);
        context_.flightLanded.notify_all();
    }
    HostFlight(const HostFlight&) = delete;
    HostFlight& operator=(const HostFlight&) = delete;

  private:
    LookupContext& context_;
    std::string host_;
};

std::string FetchResult(LookupContext& context, LookupKind kind, const std::string& url) {
    if (kind == LookupKind::Title) {
        return FetchPageTitle(context.endpoints, url);
    }
    const HostFlight flight(context, HostOf(url));
    return FetchSiteRank(context.endpoints, context.rankCache, url);
}

void WriteRecord(LinkRecord& record, LookupKind kind, const std::string& result) {
    if (kind == LookupKind::Title) {
        record.title = result;
        record.titleLength = static_cast<int>(result.size());
    } else {
        record.rank = TextToInt(result);
    }
}

// Called under TableLock. The last worker of the pool sets its flag and wakes the run.
void CountOut(LookupContext& context, const PoolParts& parts, int workers) {
    LinkTableState& state = context.state;
    state.*parts.left -= workers;
    if (state.*parts.left > 0) {
        return;
    }
    (state.*parts.done).store(true);
    std::lock_guard wakeLock(context.wakeMutex);
    context.wake.notify_all();
}

// Takes the next task with its row's URL, or counts the worker out and returns false.
bool TakeTask(LookupContext& context, const PoolParts& parts, LookupTask& task, std::string& url) {
    LinkTableState& state = context.state;
    std::lock_guard lock(state.TableLock);
    auto& queue = state.*parts.queue;
    while (!queue.empty() && !state.StopRequested.load()) {
        task = queue.front();
        queue.pop_front();
        if (task.row >= 0 && task.row < static_cast<int>(state.LinkRecords.size())) {
            url = state.LinkRecords[task.row].url;
            return true;
        }
    }
    CountOut(context, parts, 1);
    return false;
}

void WriteResult(LookupContext& context, LookupKind kind, const PoolParts& parts,
                 const LookupTask& task, const std::string& result) {
    LinkTableState& state = context.state;
    std::lock_guard lock(state.TableLock);
    context.list.SetCell(task.row, parts.column, result);
    if (task.row >= 0 && task.row < static_cast<int>(state.LinkRecords.size())) {
        WriteRecord(state.LinkRecords[task.row], kind, result);
    }
    (context.*parts.written).fetch_add(1);
}

void WorkerLoop(LookupContext& context, LookupKind kind) {
    const PoolParts parts = PartsOf(kind);
    LookupTask task;
    std::string url;
    while (TakeTask(context, parts, task, url)) {
        WriteResult(context, kind, parts, task, FetchResult(context, kind, url));
    }
}

}  // namespace

void TitleWorker(LookupContext& context) {
    WorkerLoop(context, LookupKind::Title);
}

void RankWorker(LookupContext& context) {
    WorkerLoop(context, LookupKind::Rank);
}

LookupPools::LookupPools(LinkList& list, LinkTableState& state, const Endpoints& endpoints,
                         RankCache& rankCache)
    : context_(list, state, endpoints, rankCache) {}

LookupPools::~LookupPools() {
    Join();
}

void LookupPools::Start(LookupKind kind, int workers) {
    if (workers < 1) {
        return;
    }
    const PoolParts parts = PartsOf(kind);
    LinkTableState& state = context_.state;
    {
        std::lock_guard lock(state.TableLock);
        (kind == LookupKind::Title ? titlesTotal_ : ranksTotal_) =
            static_cast<int>((state.*parts.queue).size());
        (state.*parts.done).store(false);
        state.*parts.left = workers;
    }
    void (*body)(LookupContext&) = kind == LookupKind::Title ? TitleWorker : RankWorker;
    for (int started = 0; started < workers; ++started) {
        try {
            threads_.emplace_back(body, std::ref(context_));
        } catch (const std::system_error&) {
            // Threads that could not start count themselves out, so that the flag still comes.
            std::lock_guard lock(state.TableLock);
            CountOut(context_, parts, workers - started);
            return;
        }
    }
}

bool LookupPools::WaitUntilDone(std::chrono::milliseconds timeout) {
    const LinkTableState& state = context_.state;
    std::unique_lock lock(context_.wakeMutex);
    return context_.wake.wait_for(
        lock, timeout, [&state] { return state.TitlesDone.load() && state.RanksDone.load(); });
}

void LookupPools::Join() {
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    threads_.clear();
}

LookupProgress LookupPools::Progress() const {
    return {context_.titlesWritten.load(), titlesTotal_, context_.ranksWritten.load(), ranksTotal_};
}

}  // namespace brevink
