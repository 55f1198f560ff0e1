#pragma once
// Where the outside services are. Read from the [Endpoints] section of the settings file;
// a missing key keeps its default.
#include <string>

namespace brevink {

struct Endpoints {
    std::string accountHost = "passport.baidu.com";    // HTTPS, may carry ":port"
    std::string portalHost = "www.baidu.com";          // only inside the login form
    std::string platformHost = "zhanzhang.baidu.com";  // HTTP, may carry ":port"
    std::string rankHost = "mytool.chinaz.com";        // HTTP, may carry ":port"
    std::string adPage;                                // empty: the page bundled with the program
    std::string helpPage;                              // empty: the guide bundled with the program
    std::string caFile;  // extra trusted certificates (PEM); empty: system store only
};

}  // namespace brevink
