// Lookup phase: 10,000 links on 50 loopback page hosts, every reply 50 ms late. The floor
// with 100 title workers is 10,000 x 50 ms / 100 = 5 s; the rank service should see one
// request per distinct host.
//
//   build-xxx/lookup_bench [links] [delay-ms]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "bench/bench_sandbox.h"
#include "platform/inbound_links.h"
#include "table/memory_link_list.h"
#include "table/query_run.h"

using namespace brevink;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int links = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int delayMs = argc > 2 ? std::atoi(argv[2]) : 50;
    bench::BenchSandbox sandbox({"--links", std::to_string(links), "--page-hosts", "50",
                                 "--delay-ms", std::to_string(delayMs)});
    if (!sandbox.Started()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    MemoryLinkList list;
    LinkTableState state;
    RankCache cache;
    state.TitlesDone = state.RanksDone = state.PagePhase = state.QueryRunning = true;

    Clock::time_point lookupsFrom;
    QueryRunInputs inputs;
    inputs.endpoints = sandbox.Endpoints();
    inputs.cookie = sandbox.SessionCookie();
    inputs.site = "www.example-a.com";
    inputs.titlesTicked = [&lookupsFrom] {
        lookupsFrom = Clock::now();  // read right after the last page
        return true;
    };
    inputs.ranksTicked = [] { return true; };
    const auto start = Clock::now();
    RunQuery(list, state, cache, inputs);
    const auto end = Clock::now();

    std::set<std::string> hosts;
    int titled = 0;
    for (const LinkRecord& record : state.LinkRecords) {
        hosts.insert(HostOf(record.url));
        titled += record.title.empty() ? 0 : 1;
    }
    const double pageSeconds = std::chrono::duration<double>(lookupsFrom - start).count();
    const double lookupSeconds = std::chrono::duration<double>(end - lookupsFrom).count();
    const double floorSeconds = links * (delayMs / 1000.0) / kTitleWorkers;
    std::printf("links %d, delay %d ms, page hosts %zu\n", list.RowCount(), delayMs, hosts.size());
    std::printf("page phase         %.2f s\n", pageSeconds);
    std::printf("lookup phase       %.2f s (floor %.2f s, ratio %.3f, target <= 1.25)\n",
                lookupSeconds, floorSeconds, lookupSeconds / floorSeconds);
    std::printf("titles written     %d (page requests %lld)\n", titled, sandbox.Count("page"));
    std::printf("rank requests      %lld for %zu distinct hosts\n", sandbox.Count("rank"),
                hosts.size());
    std::fflush(stdout);
    return 0;
}
