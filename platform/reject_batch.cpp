#include "platform/reject_batch.h"

#include <utility>

#include "web/scripted_request.h"
#include "web/text.h"

namespace brevink {

std::vector<std::string> BuildRejectBodies(const std::vector<std::string>& urls) {
    std::vector<std::string> bodies;
    bodies.reserve(urls.size() / kRejectBatchSize + 1);
    std::string body;
    size_t entries = 0;
    for (size_t k = 0; k < urls.size(); ++k) {
        body += "urls%5B%5D=" + UrlEncode(urls[k]) + "+url";
        if (++entries == kRejectBatchSize) {
            bodies.push_back(std::move(body));
            body.clear();
            entries = 0;
        }
        if (!body.empty() && k + 1 != urls.size()) {
            body += '&';
        }
    }
    // The last body goes out also when it is empty (no URL, or a multiple of 1000).
    bodies.push_back(std::move(body));
    return bodies;
}

RejectReply SendRejectBatch(const Endpoints& endpoints, const std::string& site,
                            const std::string& body, const std::string& cookies) {
    // The platform takes the site unencoded, in both parameters.
    std::string url = "http://" + endpoints.platformHost +
                      "/inbound/addrejectbatch?site=http%3A%2F%2F" + site + "%2F&d=" + site;
    // The reply's cookies replace this copy only, so every batch of a run sends the same text.
    std::string cookieCopy = cookies;
    RejectReply reply;
    ScriptedRequestArgs args;
    args.url = &url;
    args.method = "post";
    args.headers = "X-Request-By: baidu.ajax\r\nX-Requested-With: XMLHttpRequest";
    args.body = body;
    args.cookies = &cookieCopy;
    args.statusCode = &reply.status;
    args.caFile = endpoints.caFile;
    ScriptedRequest(args);
    reply.answered = reply.status >= 200 && reply.status < 400;
    return reply;
}

}  // namespace brevink
