#pragma once
// The platform's inbound-link list of a site.
#include <string>

#include "platform/endpoints.h"

namespace brevink {

// GBK "完成": the platform did not return the page asked for; no pages follow.
const std::string& DoneMarker();

std::string HostOf(const std::string& text);

// The request URL for a page of the site's links.
std::string InboundDetailUrl(const Endpoints& endpoints, const std::string& site, int page);

int FetchInboundCount(const Endpoints& endpoints, const std::string& cookie,
                      const std::string& site);
// The done marker, or lines "url|anchor\r\n".
std::string FetchInboundPage(const Endpoints& endpoints, const std::string& cookie,
                             const std::string& site, int page);

// The parsing halves of the two fetches, over the reply decoded to GBK (for tests).
int InboundCountOfReply(const std::string& reply);
std::string InboundPageOfReply(const std::string& reply, int page);

}  // namespace brevink
