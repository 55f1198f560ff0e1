// The rank service (HTTP): "/ajaxAction/baidurank.php?queryurl=HOST" answers "RANK#...".
#include <string>

#include "sandbox/link_pages.h"
#include "sandbox/service_context.h"

namespace sandbox {

void AddRankRoutes(httplib::Server& server, ServiceContext& context) {
    server.Get("/ajaxAction/baidurank.php",
               [&context](const httplib::Request& req, httplib::Response& res) {
                   const std::string host = req.get_param_value("queryurl");
                   context.recorder.Add(RecordOf(req, "rank", host));
                   res.set_content(RankReply(host), "text/plain; charset=utf-8");
               });
}

}  // namespace sandbox
