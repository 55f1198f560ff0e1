// The sandbox's own paths under /sandbox/ on the platform's port: what was received, counters,
// a reset, ready-made sessions and captcha answers for tests.
#include <string>

#include "sandbox/link_pages.h"
#include "sandbox/service_context.h"

namespace sandbox {
namespace {

void PlainText(httplib::Response& res, const std::string& text) {
    res.set_content(text, "text/plain; charset=utf-8");
}

void Reset(ServiceContext& context, httplib::Response& res) {
    context.recorder.Reset();
    context.accounts.ResetCounters();
    PlainText(res, "ok\n");
}

}  // namespace

void AddControlRoutes(httplib::Server& server, ServiceContext& context) {
    server.Get("/sandbox/requests",
               [&context](const httplib::Request& req, httplib::Response& res) {
                   PlainText(res, context.recorder.RecordsText(req.get_param_value("kind")));
               });
    server.Get("/sandbox/counts", [&context](const httplib::Request&, httplib::Response& res) {
        PlainText(res, context.recorder.CountsText());
    });
    server.Get("/sandbox/reset", [&context](const httplib::Request&, httplib::Response& res) {
        Reset(context, res);
    });
    server.Post("/sandbox/reset", [&context](const httplib::Request&, httplib::Response& res) {
        Reset(context, res);
    });
    server.Get("/sandbox/session", [&context](const httplib::Request& req, httplib::Response& res) {
        const std::string account = req.get_param_value("account");
        const std::string cookies =
            context.accounts.SessionCookieText(account.empty() ? "demo" : account);
        if (cookies.empty())
            res.status = 404;
        PlainText(res, cookies);
    });
    server.Get("/sandbox/captcha", [&context](const httplib::Request& req, httplib::Response& res) {
        const std::string answer = context.accounts.CaptchaText(req.get_param_value("code"));
        if (answer.empty())
            res.status = 404;
        PlainText(res, answer);
    });
    server.Get("/sandbox/title", [](const httplib::Request& req, httplib::Response& res) {
        PlainText(res, ExpectedTitle(req.get_param_value("url")));
    });
}

}  // namespace sandbox
