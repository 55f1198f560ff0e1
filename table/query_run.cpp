#include "table/query_run.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/inbound_links.h"
#include "web/text.h"

namespace brevink {
namespace {

// A platform that reports an absurd count must not make the run reserve memory for it;
// records beyond this grow as links arrive.
constexpr int kMaxPresizedRecords = 1'000'000;

void EmptyTableState(LinkList& list, LinkTableState& state) {
    list.DeleteAllRows();
    std::vector<LinkRecord>().swap(state.LinkRecords);
    std::deque<LookupTask>().swap(state.TitleQueue);
    std::deque<LookupTask>().swap(state.RankQueue);
}

void Report(const QueryRunInputs& inputs, const QueryProgress& progress) {
    if (inputs.progress) {
        inputs.progress(progress);
    }
}

// One row, one record and two tasks for a line "url|anchor".
void AddLink(LinkList& list, LinkTableState& state, const std::string& line) {
    const std::vector<std::string> fields = SplitText(line, "|");
    const std::string url = fields.empty() ? std::string() : fields[0];
    const std::string anchor = fields.size() > 1 ? fields[1] : std::string();

    const int row = list.InsertRow(std::to_string(list.RowCount() + 1));
    list.SetCell(row, 1, url);
    list.SetCell(row, 2, anchor);
    state.TitleQueue.push_back({row});
    state.RankQueue.push_back({row});
    if (row >= static_cast<int>(state.LinkRecords.size())) {
        state.LinkRecords.resize(row + 1);  // more links than the platform's count
    }
    LinkRecord& record = state.LinkRecords[row];
    record.url = url;
    record.anchor = anchor;
    record.urlLength = static_cast<int>(url.size());
    record.anchorLength = static_cast<int>(anchor.size());
    record.rank = -1;
    list.ScrollToRow(row);
}

void FetchAllPages(LinkList& list, LinkTableState& state, const QueryRunInputs& inputs,
                   QueryProgress& progress) {
    progress.count = FetchInboundCount(inputs.endpoints, inputs.cookie, inputs.site);
    state.LinkRecords.resize(std::clamp(progress.count, 0, kMaxPresizedRecords));
    Report(inputs, progress);
    for (int page = 1; page <= progress.count && !state.StopRequested.load(); ++page) {
        const std::string result =
            FetchInboundPage(inputs.endpoints, inputs.cookie, inputs.site, page);
        if (result == DoneMarker()) {
            break;
        }
        for (const std::string& line : SplitText(result, "\r\n")) {
            AddLink(list, state, line);
        }
        progress.pages = page;
        progress.links = list.RowCount();
        Report(inputs, progress);
    }
    // Records that got no row (fewer links than the count) go: one record per row.
    state.LinkRecords.resize(list.RowCount());
}

void StartLookups(LookupPools& pools, const LinkTableState& state, const QueryRunInputs& inputs) {
    if (state.StopRequested.load()) {
        return;
    }
    if (inputs.titlesTicked && inputs.titlesTicked()) {
        pools.Start(LookupKind::Title, inputs.titleWorkers);
    }
    if (inputs.ranksTicked && inputs.ranksTicked()) {
        pools.Start(LookupKind::Rank, inputs.rankWorkers);
    }
}

void AwaitLookups(LookupPools& pools, const LinkTableState& state, const QueryRunInputs& inputs,
                  QueryProgress& progress) {
    while (!pools.WaitUntilDone(kProgressInterval)) {
        if (state.StopRequested.load() && !pools.Started()) {
            break;  // flags left false by the caller; nothing to wait for
        }
        progress.lookups = pools.Progress();
        Report(inputs, progress);
    }
    pools.Join();
    progress.lookups = pools.Progress();
}

}  // namespace

void RunQuery(LinkList& list, LinkTableState& state, RankCache& rankCache,
              const QueryRunInputs& inputs) {
    if (inputs.setStartEnabled) {
        inputs.setStartEnabled(false);
    }
    EmptyTableState(list, state);
    QueryProgress progress;
    FetchAllPages(list, state, inputs, progress);
    state.PagePhase.store(false);
    progress.pagePhase = false;
    Report(inputs, progress);
    {
        LookupPools pools(list, state, inputs.endpoints, rankCache);
        StartLookups(pools, state, inputs);
        AwaitLookups(pools, state, inputs, progress);
    }
    state.QueryRunning.store(false);
    progress.finished = true;
    Report(inputs, progress);
    if (inputs.setStartEnabled) {
        inputs.setStartEnabled(true);
    }
}

}  // namespace brevink
