// Body building of a reject run for 100,000 ticked rows: collecting the ticked links from an
// in-memory list and building the batch bodies, against copying the same URL bytes into one
// string (the floor of any builder), in the same run. Best of the rounds.
//
//   build-xxx/bench/reject_bodies_bench [rows] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/reject_batch.h"
#include "table/memory_link_list.h"
#include "table/reject_run.h"
#include "web/codepage.h"

using namespace brevink;

namespace {

double BestMs(int rounds, const std::function<void()>& body) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    MemoryLinkList list;
    const std::string chinese = Gbk(u8"中文");
    for (int i = 0; i < rows; ++i) {
        const int row = list.InsertRow(std::to_string(i + 1));
        list.SetCell(row, 1,
                     "http://www" + std::to_string(i % 5000) + ".example.com/path/" +
                         std::to_string(i) + (i % 7 == 0 ? "/" + chinese + " page~x" : "/a-b_c"));
        list.SetCheckState(row, 1);
    }

    std::vector<std::string> urls;
    const double collect = BestMs(rounds, [&] { urls = TickedUrls(list); });
    size_t bodyBytes = 0;
    size_t bodies = 0;
    const double build = BestMs(rounds, [&] {
        const std::vector<std::string> built = BuildRejectBodies(urls);
        bodies = built.size();
        bodyBytes = 0;
        for (const std::string& body : built) {
            bodyBytes += body.size();
        }
    });
    size_t urlBytes = 0;
    const double floor = BestMs(rounds, [&] {
        std::string all;
        for (const std::string& url : urls) {
            all += url;
        }
        urlBytes = all.size();
    });
    std::printf("%d ticked rows, best of %d rounds\n", rows, rounds);
    std::printf("| step | time (ms) | bytes |\n|---|---|---|\n");
    std::printf("| TickedUrls (in-memory list) | %.1f | %zu |\n", collect, urlBytes);
    std::printf("| BuildRejectBodies (%zu bodies) | %.1f | %zu |\n", bodies, build, bodyBytes);
    std::printf("| floor: concatenating the URLs | %.1f | %zu |\n", floor, urlBytes);
    return 0;
}
