#pragma once
// The sites and inbound links that the platform reports: generated from a seed (links are made
// on demand, so 100,000 links cost no memory) or read from a data file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox/options.h"

namespace sandbox {

struct Link {
    std::string url;
    std::string anchor;  // UTF-8; the platform sends it with backslash-u escapes
};

struct Site {
    std::string listed;       // the data-value text of the site page
    std::string host;         // lower-case bare host, matched against the "d" parameter
    long long reported = 0;   // the count the platform reports
    long long delivered = 0;  // the links it delivers
    std::vector<Link> links;  // file sites only; generated sites make theirs on demand
};

class DataSet {
  public:
    // The built-in sites (README.md): the main site with options.links links and a few small
    // ones, with URLs on the linking-page hosts at `pagesPort`.
    static DataSet Generated(const Options& options, int pagesPort);
    // Sites read from a data file; false with a message for a file that cannot be read.
    static bool FromFile(const std::string& path, int pagesPort, DataSet& out, std::string& error);

    const std::vector<Site>& Sites() const { return sites_; }
    const Site* FindByHost(std::string_view host) const;
    Link LinkAt(const Site& site, long long index) const;  // index from 0, below delivered

  private:
    Link GeneratedLink(size_t siteIndex, long long index) const;

    std::vector<Site> sites_;
    uint32_t seed_ = 1;
    int pageHosts_ = 50;
    int pagesPort_ = 0;
};

// Lower-case bare host of a site text or URL: scheme, path and port removed.
std::string BareHost(std::string_view text);

// The anchor of generated link k (from 1), UTF-8 (rule in README.md).
std::string GeneratedAnchor(long long k);

}  // namespace sandbox
