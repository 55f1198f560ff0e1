#pragma once
// The linking pages: "/page/K..." on every page host, in one of eight forms chosen by K (the
// charset and the way it is declared, the case of the title markers), with a title that is a
// function of K alone. Also the rank rule, a function of the host alone.
#include <string>
#include <string_view>

namespace sandbox {

struct PageReply {
    std::string body;
    std::string contentType;
};

// The title of page K in UTF-8 (also for the forms without a title element).
std::string PageTitle(long long k);
// Whether page K holds a title element (every form but K % 8 == 7).
bool PageHasTitle(long long k);
// Page K as the page host sends it.
PageReply LinkPage(long long k);
// The title a client should show for a linking-page URL (UTF-8); empty when the URL is not a
// "/page/K" or "/flaky/N/K" page or its page has no title.
std::string ExpectedTitle(std::string_view url);

// The rank service's reply for a host (README.md: the rank rule).
std::string RankReply(const std::string& host);

}  // namespace sandbox
