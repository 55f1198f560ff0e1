#pragma once
// One engine request, its reply decoded and checked for a marker.
#include <string>

namespace brevink {

struct CheckedRequestArgs {
    std::string* sessionOut = nullptr;  // receives the merged cookie text on success only
    std::string url;
    int usePost = 0;  // 1: POST, else GET
    std::string headers;
    std::string body;
    int checkIn = 0;            // 1: the body text, 2: the header block, else the result is false
    std::string successMarker;  // when not empty, success = it occurs (exact case)
    std::string failureMarker;  // else success = it does not occur (exact case)
    std::string* bodyText = nullptr;     // out
    std::string* headerBlock = nullptr;  // out
    std::string* cookiesOut = nullptr;   // out, always written
    std::string cookiesIn;
    std::string caFile;
};

bool CheckedRequest(const CheckedRequestArgs& args);

}  // namespace brevink
