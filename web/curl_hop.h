#pragma once
// The libcurl handles of one engine call, and one request on the wire within the limits.
#include <curl/curl.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "web/curl_transfer.h"

namespace brevink::engine {

// One request of a call: the first one or one that a redirect asks for.
struct Hop {
    std::string url;
    std::string method;
    bool sendBody = false;
    std::vector<std::string> lines;  // header lines in the order they go out
};

// What the callbacks see of the reply while it arrives.
struct HopProgress {
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastActivity;
    std::optional<Clock::time_point> connectedAt;
    std::optional<Clock::time_point> headersAt;  // set when the final header block has ended
    std::vector<std::string> lines;
    std::string body;
    curl_off_t uploaded = 0;
};

class CurlCall final {
  public:
    // Sets what holds for every request of the call; `request` must outlive the object.
    explicit CurlCall(const TransferRequest& request);
    ~CurlCall();
    CurlCall(const CurlCall&) = delete;
    CurlCall& operator=(const CurlCall&) = delete;

    bool Ready() const { return easy_ != nullptr && multi_ != nullptr; }

    // Sends one request and reads its reply; the limits turn a stalled or slow reply into
    // NoReply (before the header block ended) or BodyFailed (after it).
    TransferReply Send(const Hop& hop);

    // The absolute address that the last reply's Location names; empty when there is none.
    std::string RedirectUrl() const;

  private:
    void SetCallOptions();
    void SetHopOptions(const Hop& hop, curl_slist* headers);
    CURLcode Drive();
    std::optional<HopProgress::Clock::time_point> NextDeadline() const;
    TransferReply TakeReply(CURLcode result);

    const TransferRequest& request_;
    CURL* easy_;
    CURLM* multi_;
    HopProgress progress_;
};

}  // namespace brevink::engine
