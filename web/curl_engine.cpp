#include "web/curl_engine.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace brevink::engine {

namespace {

std::atomic<bool> aborted{false};

// Places in use and waiters per server; an entry lives while either is above zero.
class ServerLimit final {
  public:
    void Acquire(const std::string& server) {
        std::unique_lock lock(mutex_);
        Entry& entry = entries_.try_emplace(server).first->second;
        ++entry.waiting;
        entry.freed.wait(lock,
                         [&] { return entry.inUse < kConnectionsPerServer || aborted.load(); });
        --entry.waiting;
        ++entry.inUse;
    }

    void Release(const std::string& server) {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(server);
        Entry& entry = it->second;
        --entry.inUse;
        if (entry.inUse == 0 && entry.waiting == 0) {
            entries_.erase(it);
        } else {
            entry.freed.notify_one();
        }
    }

    void WakeAll() {
        std::lock_guard lock(mutex_);
        for (auto& [server, entry] : entries_) {
            entry.freed.notify_all();
        }
    }

  private:
    struct Entry {
        int inUse = 0;
        int waiting = 0;
        std::condition_variable freed;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

// Kept for the life of the process and never torn down: a forgotten worker thread may still
// be inside a request while the program exits.
ServerLimit& TheServerLimit() {
    static ServerLimit* limit = new ServerLimit;
    return *limit;
}

std::array<std::mutex, CURL_LOCK_DATA_LAST>& ShareLocks() {
    static auto* locks = new std::array<std::mutex, CURL_LOCK_DATA_LAST>;
    return *locks;
}

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) {
    ShareLocks()[data].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void*) {
    ShareLocks()[data].unlock();
}

CURLSH* MakeCookieStore() {
    CURLSH* share = curl_share_init();
    if (share != nullptr) {
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    return share;
}

}  // namespace

void AbortAllRequests() {
    aborted.store(true);
    TheServerLimit().WakeAll();
}

bool RequestsAborted() {
    return aborted.load();
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* EngineCookieStore() {
    InitCurlOnce();
    static CURLSH* store = MakeCookieStore();
    return store;
}

ServerSlot::ServerSlot(std::string server) : server_(std::move(server)) {
    TheServerLimit().Acquire(server_);
}

ServerSlot::~ServerSlot() {
    TheServerLimit().Release(server_);
}

}  // namespace brevink::engine
