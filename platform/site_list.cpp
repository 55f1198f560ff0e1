#include "platform/site_list.h"

#include "web/codepage.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

std::string SiteListOfPage(const std::string& page) {
    static const std::string label = Gbk(u8"请输入您想查询的网站地址：</label>");
    const std::string section = TextBetween(page, label, "</ul>");
    std::string list;
    for (const std::string& site : AllTextsBetween(section, "data-value=\"", "\"")) {
        list += site + "\r\n";
    }
    return list;
}

std::string FetchSiteList(const Endpoints& endpoints, const std::string& cookie) {
    // The reply's cookies are merged into a copy that is dropped: the session stays as it is.
    std::string cookieCopy = cookie;
    WebRequestArgs args;
    args.url = "http://" + endpoints.platformHost + "/inbound/index";
    args.cookies = &cookieCopy;
    args.caFile = endpoints.caFile;
    return SiteListOfPage(Utf8ToGbk(WebRequest(args)));
}

std::vector<std::string> SiteComboItems(const std::string& siteList) {
    return SplitText(siteList, "\r\n");
}

}  // namespace brevink
