#pragma once
// Title and rank lookups of one link.
#include <map>
#include <mutex>
#include <string>

#include "platform/endpoints.h"

namespace brevink {

// Host -> rank text; every host asked for is stored, also with an empty answer. Thread-safe.
class RankCache final {
  public:
    bool Lookup(const std::string& host, std::string& rank) const;
    // Keeps an existing entry (the first store wins).
    void Store(const std::string& host, const std::string& rank);
    size_t Size() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> ranks_;
};

std::string FetchPageTitle(const Endpoints& endpoints, const std::string& url);
std::string DetectPageCharset(const std::string& pageBytes);  // "UTF8", "GB2312" or ""
// The charset a page is read with ("UTF8", "GB2312" or ""): a UTF-8 byte-order mark, else the
// charset that the reply headers or the page declare (when it is one we read), else detection.
std::string PageCharset(const std::string& body, const std::string& responseHeaders);
// The title of a page body (charset from the reply headers, the page, or detection).
std::string TitleOfPage(const std::string& body, const std::string& responseHeaders);

std::string FetchSiteRank(const Endpoints& endpoints, RankCache& cache, const std::string& url);
std::string RankOfReply(const std::string& replyText);  // the text before the first "#"

}  // namespace brevink
