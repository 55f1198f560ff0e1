#pragma once
// The query run: every inbound link of one site into the link table, then the lookups that the
// user ticked. Plain C++ over a LinkList, so that it runs the same against the window's table
// and against a list in memory.
#include <chrono>
#include <functional>
#include <string>

#include "platform/endpoints.h"
#include "platform/lookups.h"
#include "table/link_list.h"
#include "table/link_state.h"
#include "table/lookup_workers.h"

namespace brevink {

struct QueryProgress {
    int count = 0;  // links the platform reports
    int pages = 0;  // pages fetched
    int links = 0;  // rows added
    LookupProgress lookups;
    bool pagePhase = true;
    bool finished = false;
};

struct QueryRunInputs {
    Endpoints endpoints;
    std::string cookie;  // the run's own copy of AccountSession
    std::string site;    // the item chosen in the site box
    // Read once, after the last page: the user may still change them while pages arrive.
    std::function<bool()> titlesTicked;
    std::function<bool()> ranksTicked;
    std::function<void(bool)> setStartEnabled;
    std::function<void(const QueryProgress&)> progress;  // optional; called on the run's thread
    int titleWorkers = kTitleWorkers;
    int rankWorkers = kRankWorkers;
};

// The body of the query thread. Expects TitlesDone and RanksDone true and PagePhase and
// QueryRunning set (the click sets them); clears PagePhase after the last page and
// QueryRunning at the end. Returns only when every worker it started has ended; with
// StopRequested set it stops at its next step.
void RunQuery(LinkList& list, LinkTableState& state, RankCache& rankCache,
              const QueryRunInputs& inputs);

// How often the run's wait reports progress; a pool's flag ends the wait at once.
inline constexpr std::chrono::milliseconds kProgressInterval{250};

}  // namespace brevink
