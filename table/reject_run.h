#pragma once
// The reject run: the ticked rows' links posted to the platform's disavow function in
// batches of up to 1000, one request after the other, on the caller's thread.
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/endpoints.h"
#include "table/link_list.h"

namespace brevink {

struct RejectOutcome {
    size_t links = 0;          // ticked links collected
    size_t batches = 0;        // requests that were due (the final one also when empty)
    size_t failedLinks = 0;    // links whose batch got no success answer or was never sent
    size_t failedBatches = 0;  // requests without a success answer, or never sent
    bool stopped = false;      // the program was closing: the remaining batches were dropped
    bool Succeeded() const { return failedBatches == 0; }
};

// Column 1 of every row whose check state is exactly 1, top to bottom.
std::vector<std::string> TickedUrls(const LinkList& list);

// Reads the ticked links, then sends BuildRejectBodies' bodies to the site with a copy of the
// cookie text each. `stop` is looked at between batches.
RejectOutcome RejectRun(const LinkList& list, const Endpoints& endpoints, const std::string& site,
                        const std::string& cookies, const std::atomic<bool>& stop);

// The sending half of RejectRun, for URLs already collected.
RejectOutcome SubmitRejects(const std::vector<std::string>& urls, const Endpoints& endpoints,
                            const std::string& site, const std::string& cookies,
                            const std::atomic<bool>& stop);

// The message (GBK) that closes a run: the completion text only when every batch got a
// success answer; otherwise how many links could not be submitted.
std::string RejectMessage(const RejectOutcome& outcome);

}  // namespace brevink
