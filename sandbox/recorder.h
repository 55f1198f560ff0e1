#pragma once
// What the sandbox received: a bounded list of recorded requests per kind and exact counters
// per kind and key, read by the tests through the /sandbox/ control paths.
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace sandbox {

struct Record {
    long long seq = 0;   // order of arrival over all kinds, from 1 (set by the recorder)
    std::string kind;    // token, captcha-code, captcha-image, login, sites, detail, reject, ...
    std::string key;     // what the counter counts by (account, host, site)
    std::string method;  // as received
    std::string target;  // path and query as received
    std::string local;   // the address:port the request reached
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::vector<std::string> urls;  // reject: the decoded URLs of the batch, in order
    std::vector<std::pair<std::string, std::string>> notes;  // what the sandbox made of it
};

class Recorder final {
  public:
    // Returns how many records of the record's kind and key have come, this one included.
    long long Add(Record record);
    void Reset();
    long long Count(const std::string& kind, const std::string& key) const;  // key "": all

    // One line per record of `kind` ("" for all), oldest first: TAB-separated name=value fields
    // with the values percent-encoded (README.md).
    std::string RecordsText(const std::string& kind) const;
    // One line per counter: kind TAB key TAB count (key percent-encoded).
    std::string CountsText() const;

  private:
    static constexpr size_t kMaxRecordsPerKind = 100'000;

    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Record>> records_;
    std::map<std::pair<std::string, std::string>, long long> counts_;
    long long nextSeq_ = 1;
};

}  // namespace sandbox
