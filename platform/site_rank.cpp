#include "platform/inbound_links.h"
#include "platform/lookups.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

bool RankCache::Lookup(const std::string& host, std::string& rank) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = ranks_.find(host);
    if (found == ranks_.end()) {
        return false;
    }
    rank = found->second;
    return true;
}

void RankCache::Store(const std::string& host, const std::string& rank) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ranks_.emplace(host, rank);
}

size_t RankCache::Size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return ranks_.size();
}

std::string RankOfReply(const std::string& replyText) {
    const size_t hash = replyText.find('#');
    return hash == std::string::npos ? std::string() : replyText.substr(0, hash);
}

std::string FetchSiteRank(const Endpoints& endpoints, RankCache& cache, const std::string& url) {
    const std::string host = HostOf(url);
    std::string rank;
    if (cache.Lookup(host, rank)) {
        return rank;
    }
    WebRequestArgs args;
    args.url = "http://" + endpoints.rankHost + "/ajaxAction/baidurank.php?queryurl=" + host;
    args.caFile = endpoints.caFile;
    std::string reply;
    for (int attempt = 0; attempt < 3 && reply.empty(); ++attempt) {
        reply = BytesToText(WebRequest(args));
    }
    rank = RankOfReply(reply);
    // An empty answer is kept too, so that the host is not asked for again.
    cache.Store(host, rank);
    return rank;
}

}  // namespace brevink
