#pragma once
// A plain libcurl request for tests that check a server on its own, apart from the program's
// request engine (for instance the sandbox's contract).
#include <string>
#include <vector>

namespace brevink::test {

struct PlainRequest {
    std::string url;
    std::string method = "GET";        // GET or POST
    std::string body;                  // POST body
    std::vector<std::string> headers;  // "Name: value" lines
    std::string caFile;                // extra trusted certificates (PEM) for HTTPS
};

struct PlainReply {
    long status = 0;      // 0: no reply
    std::string headers;  // the raw header block
    std::string body;
};

PlainReply PlainFetch(const PlainRequest& request);

// Form URL-encoding as the program sends it: A-Z a-z 0-9 - . _ unchanged, a blank as "+",
// every other byte as "%" and two upper-case hex digits.
std::string FormEncode(const std::string& bytes);

PlainReply PlainGet(const std::string& url, const std::vector<std::string>& headers = {});
PlainReply PlainPost(const std::string& url, const std::string& body,
                     const std::vector<std::string>& headers = {});

}  // namespace brevink::test
