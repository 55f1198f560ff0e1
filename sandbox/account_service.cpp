// The account service (HTTPS): login token, captcha code, captcha image and the login form.
#include <string>

#include "sandbox/png_image.h"
#include "sandbox/service_context.h"
#include "sandbox/text_codec.h"

namespace sandbox {
namespace {

// The form fields in the order the client sends them.
const char* const kLoginFields[] = {"staticpage", "charset",  "token",          "tpl",
                                    "apiver",     "tt",       "codestring",     "safeflg",
                                    "u",          "isPhone",  "quick_user",     "loginmerge",
                                    "logintype",  "splogin",  "username",       "password",
                                    "verifycode", "mem_pass", "ppui_logintime", "callback"};

std::string Callback(const httplib::Request& req, const char* fallback) {
    const std::string name = req.get_param_value("callback");
    return name.empty() ? fallback : name;
}

void TokenReply(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    const std::string token = context.accounts.IssueToken();
    Record record = RecordOf(req, "token", "");
    record.notes.emplace_back("token", token);
    context.recorder.Add(std::move(record));
    res.set_header("Set-Cookie", "BAIDUID=" + RandomHex(32) + ":FG=1; max-age=31536000; path=/");
    res.set_header("Set-Cookie", "UBI=fi_" + RandomHex(24) + "; path=/; httponly");
    res.set_header("Set-Cookie", "PASSID=" + RandomHex(6) + "; path=/; httponly");
    const std::string body = Callback(req, "bd__cbs__") +
                             "({\"errInfo\":{ \"no\": \"0\" }, \"data\": { "
                             "\"rememberedUserName\" : \"\", \"codeString\" : \"\", "
                             "\"token\" : \"" +
                             token +
                             "\", \"cookie\" : \"1\", \"usernametype\":\"\", "
                             "\"spLogin\" : \"rate\", \"disable\":\"\", "
                             "\"loginrecord\":{ \"email\":[ ], \"phone\":[ ] } }})";
    res.set_content(body, "text/javascript; charset=utf-8");
}

void CaptchaCodeReply(const httplib::Request& req, httplib::Response& res,
                      ServiceContext& context) {
    const std::string code = context.accounts.IssueCaptcha();
    Record record = RecordOf(req, "captcha-code", "");
    record.notes.emplace_back("code", code);
    record.notes.emplace_back("answer", context.accounts.CaptchaText(code));
    record.notes.emplace_back(
        "token-known", context.accounts.KnowsToken(req.get_param_value("token")) ? "1" : "0");
    context.recorder.Add(std::move(record));
    const std::string body = Callback(req, "bd__cbs__") +
                             "({\"errInfo\":{ \"no\": \"0\" }, \"data\": { \"verifyStr\" : \"" +
                             code + "\", \"verifySign\" : \"\" }})";
    res.set_content(body, "text/javascript; charset=utf-8");
}

void CaptchaImageReply(const httplib::Request& req, httplib::Response& res,
                       ServiceContext& context) {
    const size_t query = req.target.find('?');
    const std::string code = query == std::string::npos ? "" : req.target.substr(query + 1);
    const std::string text = code.empty() ? "" : context.accounts.CaptchaText(code);
    context.recorder.Add(RecordOf(req, "captcha-image", ""));
    if (text.empty()) {
        res.status = 404;
        return;
    }
    res.set_content(CaptchaPng(text), "image/png");
}

// The names of the form's fields joined by ",", so that a test can check their order.
std::string FieldNames(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string names;
    for (const auto& pair : pairs)
        names += (names.empty() ? "" : ",") + pair.first;
    return names;
}

std::string LoginPage(int errNo, const std::string& account) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n"
           "<script type=\"text/javascript\">\n"
           "var href = decodeURIComponent(\"https:\\/\\/127.0.0.1\\/v3Jump.html\")+\"?\";\n"
           "href += \"err_no=" +
           std::to_string(errNo) +
           "&callback=parent.bd__pcbs__1swx5s&codeString=&userName=" + PercentEncode(account) +
           "&phoneNumber=&mail=&hao123Param=&u=&tpl=mn&secstate=&gotourl=&authtoken=\";\n"
           "window.location.href = href;\n</script>\n</body></html>\n";
}

void LoginReply(const httplib::Request& req, httplib::Response& res, ServiceContext& context) {
    const auto pairs = FormPairs(req.body);
    LoginAttempt attempt;
    attempt.account = FormValue(req.body, "username");
    attempt.password = FormValue(req.body, "password");
    attempt.token = FormValue(req.body, "token");
    attempt.codeString = FormValue(req.body, "codestring");
    attempt.verifyCode = FormValue(req.body, "verifycode");
    const LoginOutcome outcome = context.accounts.Login(attempt);
    Record record = RecordOf(req, "login", attempt.account);
    record.notes.emplace_back("err_no", std::to_string(outcome.errNo));
    record.notes.emplace_back("reason", outcome.reason);
    record.notes.emplace_back("password", attempt.password);
    record.notes.emplace_back("fields", FieldNames(pairs));
    std::string expected;
    for (const char* name : kLoginFields)
        expected += (expected.empty() ? "" : ",") + std::string(name);
    record.notes.emplace_back("fields-as-expected", FieldNames(pairs) == expected ? "1" : "0");
    context.recorder.Add(std::move(record));
    for (const std::string& cookie : outcome.setCookies)
        res.set_header("Set-Cookie", cookie);
    res.set_content(LoginPage(outcome.errNo, attempt.account), "text/html; charset=utf-8");
}

}  // namespace

void AddAccountRoutes(httplib::Server& server, ServiceContext& context) {
    server.Get("/v2/api/", [&context](const httplib::Request& req, httplib::Response& res) {
        if (req.has_param("getapi")) {
            TokenReply(req, res, context);
        } else {
            res.status = 404;
        }
    });
    server.Get("/v2/", [&context](const httplib::Request& req, httplib::Response& res) {
        if (req.has_param("reggetcodestr")) {
            CaptchaCodeReply(req, res, context);
        } else {
            res.status = 404;
        }
    });
    server.Get("/cgi-bin/genimage",
               [&context](const httplib::Request& req, httplib::Response& res) {
                   CaptchaImageReply(req, res, context);
               });
    server.Post("/v2/api/", [&context](const httplib::Request& req, httplib::Response& res) {
        if (req.has_param("login")) {
            LoginReply(req, res, context);
        } else {
            res.status = 404;
        }
    });
}

}  // namespace sandbox
