#pragma once
#include <string>
#include <vector>

#include "platform/endpoints.h"

namespace brevink {

// The account's sites, each followed by "\r\n". The cookie text is not changed.
std::string FetchSiteList(const Endpoints& endpoints, const std::string& cookie);

// The site page's list cut out of the page (GBK text) as FetchSiteList does it.
std::string SiteListOfPage(const std::string& page);

// The combo box items of a site list text: split at every "\r\n", an empty piece between two
// separators kept, none after a final separator.
std::vector<std::string> SiteComboItems(const std::string& siteList);

}  // namespace brevink
