#include "sandbox/data_set.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace sandbox {
namespace {

uint64_t Mix(uint64_t x) {  // splitmix64: a cheap, well-spread hash of the link's position
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// The tail of a linking page's URL after "/page/K": a few shapes of real-looking addresses.
std::string UrlTail(uint64_t h) {
    const std::string n = std::to_string((h >> 8) % 900000 + 100000);
    switch (h % 6) {
        case 1:
            return "/forum-thread-" + n + "-1-1.html";
        case 2:
            return "?mod=viewthread&tid=" + n + "&extra=page%3D1";
        case 3:
            return "/news/20" + std::to_string(10 + (h >> 4) % 14) + "/0" +
                   std::to_string(1 + (h >> 12) % 9) + "15/article_" + n + ".shtml";
        case 4:
            return "/blog/archives/" + n + ".html?from=timeline&isappinstalled=0";
        case 5:
            return "/";
        default:
            return "";
    }
}

Site MakeSite(std::string listed, long long reported, long long delivered) {
    Site site;
    site.host = BareHost(listed);
    site.listed = std::move(listed);
    site.reported = reported;
    site.delivered = delivered;
    return site;
}

std::string TrimLine(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

}  // namespace

std::string BareHost(std::string_view text) {
    const size_t scheme = text.find("://");
    if (scheme != std::string_view::npos)
        text.remove_prefix(scheme + 3);
    text = text.substr(0, text.find('/'));
    text = text.substr(0, text.find(':'));
    std::string host(text);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

std::string GeneratedAnchor(long long k) {
    const std::string n = std::to_string(k);
    if (k % 10 == 0)
        return "";
    if (k % 50 == 7)
        return "Hangul \xED\x95\x9C\xEA\xB8\x80 " + n;  // not in GBK
    switch (k % 3) {
        case 0:
            return "seo tools " + n;
        case 1:
            return "\xE4\xBC\x98\xE8\xB4\xA8\xE5\xA4\x96\xE9\x93\xBE" + n +
                   "\xE5\x8F\xB7";  // 优质外链 k 号
        default:
            return "\xE7\xBD\x91\xE7\xAB\x99\xE5\xBB\xBA\xE8\xAE\xBE \xE6\x95\x99\xE7\xA8\x8B " +
                   n;  // 网站建设 教程 k
    }
}

DataSet DataSet::Generated(const Options& options, int pagesPort) {
    DataSet set;
    set.seed_ = options.seed;
    set.pageHosts_ = options.pageHosts;
    set.pagesPort_ = pagesPort;
    set.sites_.push_back(
        MakeSite("www.example-a.com", options.links + options.countOffset, options.links));
    set.sites_.push_back(MakeSite("http://shop.example-b.cn/", 120, 120));
    set.sites_.push_back(MakeSite("empty.example-c.net", 0, 0));
    set.sites_.push_back(MakeSite("more.example-d.org", 150, 180));
    set.sites_.push_back(MakeSite("fewer.example-e.org", 150, 120));
    return set;
}

bool DataSet::FromFile(const std::string& path, int pagesPort, DataSet& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    out = DataSet();
    out.pagesPort_ = pagesPort;
    std::vector<bool> counted;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = TrimLine(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("site ", 0) == 0) {
            out.sites_.push_back(MakeSite(line.substr(5), 0, 0));
            counted.push_back(false);
        } else if (out.sites_.empty()) {
            error = path + ":" + std::to_string(number) + ": a link before the first site line";
            return false;
        } else if (line.rfind("count ", 0) == 0) {
            out.sites_.back().reported = std::strtoll(line.c_str() + 6, nullptr, 10);
            counted.back() = true;
        } else {
            const size_t tab = line.find('\t');
            Link link{ReplaceAll(line.substr(0, tab), "{port}", std::to_string(pagesPort)),
                      tab == std::string::npos ? "" : line.substr(tab + 1)};
            out.sites_.back().links.push_back(std::move(link));
        }
    }
    for (size_t i = 0; i < out.sites_.size(); ++i) {
        Site& site = out.sites_[i];
        site.delivered = static_cast<long long>(site.links.size());
        if (!counted[i])
            site.reported = site.delivered;
    }
    return true;
}

const Site* DataSet::FindByHost(std::string_view host) const {
    for (const Site& site : sites_) {
        if (site.host == host)
            return &site;
    }
    return nullptr;
}

Link DataSet::LinkAt(const Site& site, long long index) const {
    if (!site.links.empty())
        return site.links[static_cast<size_t>(index)];
    return GeneratedLink(static_cast<size_t>(&site - sites_.data()), index);
}

Link DataSet::GeneratedLink(size_t siteIndex, long long index) const {
    const long long k = index + 1;
    const long long pageNumber = static_cast<long long>(siteIndex) * 1'000'000 + k;
    const uint64_t h =
        Mix((static_cast<uint64_t>(seed_) << 40) ^ (siteIndex << 32) ^ static_cast<uint64_t>(k));
    const int host = static_cast<int>(h % static_cast<uint64_t>(pageHosts_)) + 1;
    std::string url = "http://127.0.1." + std::to_string(host) + ":" + std::to_string(pagesPort_) +
                      "/page/" + std::to_string(pageNumber) + UrlTail(h >> 16);
    return {std::move(url), GeneratedAnchor(k)};
}

}  // namespace sandbox
