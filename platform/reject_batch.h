#pragma once
// The disavow batches: bodies of up to 1000 encoded URLs, posted one after the other.
#include <string>
#include <vector>

#include "platform/endpoints.h"

namespace brevink {

inline constexpr size_t kRejectBatchSize = 1000;

// The bodies that a reject run sends for the URLs, in order: floor(N / 1000) full bodies and a
// final one with the rest (empty when N is a multiple of 1000, also for N = 0).
std::vector<std::string> BuildRejectBodies(const std::vector<std::string>& urls);

struct RejectReply {
    bool answered = false;  // a reply with a success status (2xx or 3xx) arrived
    int status = 0;         // HTTP status, 0 when none
};

RejectReply SendRejectBatch(const Endpoints& endpoints, const std::string& site,
                            const std::string& body, const std::string& cookies);

}  // namespace brevink
