// The sandbox's account service over HTTPS, checked with plain libcurl requests: the token and
// captcha replies carry the markers the client cuts, and each account behaves as documented.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/plain_http.h"
#include "support/sandbox_process.h"

namespace brevink::test {
namespace {

std::string Between(const std::string& text, const std::string& left, const std::string& right) {
    const size_t start = text.find(left);
    if (start == std::string::npos)
        return "";
    const size_t end = text.find(right, start + left.size());
    return end == std::string::npos ? ""
                                    : text.substr(start + left.size(), end - start - left.size());
}

std::string ErrNo(const std::string& page) {
    return Between(page, "err_no=", "&");
}

class SandboxAccountTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        SandboxOptions options;
        options.pageHosts = 1;
        sandbox_ = std::make_unique<SandboxProcess>(options);
    }
    static void TearDownTestSuite() { sandbox_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(sandbox_->Started()) << sandbox_->Error();
        ASSERT_TRUE(sandbox_->Reset());
    }

    static PlainReply Account(const std::string& pathAndQuery, const std::string& method = "GET",
                              const std::string& body = "") {
        return PlainFetch({"https://" + sandbox_->Endpoints().accountHost + pathAndQuery,
                           method,
                           body,
                           {},
                           sandbox_->Endpoints().caFile});
    }
    // The token as the client cuts it: quotes and blanks removed, then "token:" up to ",".
    static std::string Token() {
        std::string reply = Account(
                                "/v2/api/?getapi&tpl=mn&apiver=v3&tt=1&class=login"
                                "&logintype=dialogLogin&callback=bd__cbs__z5fcs2")
                                .body;
        reply.erase(
            std::remove_if(reply.begin(), reply.end(), [](char c) { return c == '"' || c == ' '; }),
            reply.end());
        return Between(reply, "token:", ",");
    }
    static PlainReply Login(const std::string& token, const std::string& account,
                            const std::string& password, const std::string& code = "",
                            const std::string& answer = "") {
        const std::string body =
            "staticpage=http%3A%2F%2F127.0.0.1%2Fcache%2Fuser%2Fhtml%2Fv3Jump.html&charset=utf-8"
            "&token=" +
            token + "&tpl=mn&apiver=v3&tt=1&codestring=" + code +
            "&safeflg=0&u=http%3A%2F%2F127.0.0.1%2F&isPhone=false&quick_user=0&loginmerge=true"
            "&logintype=dialogLogin&splogin=rate&username=" +
            FormEncode(account) + "&password=" + FormEncode(password) +
            "&verifycode=" + FormEncode(answer) +
            "&mem_pass=on&ppui_logintime=9000&callback=parent.bd__pcbs__1swx5s";
        return Account("/v2/api/?login", "POST", body);
    }
    static std::string CaptchaCode() {
        return Between(Account("/v2/?reggetcodestr&token=x&tpl=mn&apiver=v3&tt=1"
                               "&callback=bd__cbs__vtsljd")
                           .body,
                       "\"verifyStr\" : \"", "\"");
    }

    static std::unique_ptr<SandboxProcess> sandbox_;
};

std::unique_ptr<SandboxProcess> SandboxAccountTest::sandbox_;

TEST_F(SandboxAccountTest, TokenReplyCarriesTheTokenAndItsCookies) {
    const PlainReply reply = Account("/v2/api/?getapi&tpl=mn&callback=bd__cbs__z5fcs2");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body.rfind("bd__cbs__z5fcs2(", 0), 0u);
    for (const char* cookie : {"Set-Cookie: BAIDUID=", "Set-Cookie: UBI=", "Set-Cookie: PASSID="}) {
        EXPECT_NE(reply.headers.find(cookie), std::string::npos) << cookie;
    }
    const std::string token = Token();
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(sandbox_->Requests("token").back().Note("token"), token);
}

// Each account's answers to logins in a row, all with the right password.
TEST_F(SandboxAccountTest, AccountsAnswerAsDocumented) {
    const struct {
        std::string account, password;
        std::vector<std::string> errNos;
    } cases[] = {
        {"demo", "secret", {"0", "0"}},
        {"\xE6\xB5\x8B\xE8\xAF\x95\xE5\xB8\x90\xE5\x8F\xB7", "secret", {"0"}},  // 测试帐号
        {"symbols", "p&=+% \xE5\xAF\x86\xE7\xA0\x81", {"0"}},
        {"symbols", "p", {"7"}},
        {"demo", "wrong", {"7"}},
        {"nobody", "secret", {"7"}},
        {"captcha", "secret", {"257", "257"}},
        {"retry4", "secret", {"4", "4", "4", "0", "4"}},
        {"retry5", "secret", {"5", "5", "5", "5", "5"}},
        {"demo user", "secret", {"0"}},
    };
    const std::string token = Token();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.account + " / " + c.password);
        for (const std::string& expected : c.errNos) {
            const PlainReply reply = Login(token, c.account, c.password);
            EXPECT_EQ(ErrNo(reply.body), expected);
            EXPECT_EQ(reply.headers.find("Set-Cookie: PTOKEN=") != std::string::npos,
                      expected == "0");
        }
    }
    EXPECT_EQ(sandbox_->Count("login", "retry4"), 5);
    const SandboxRecord first = sandbox_->Requests("login").front();
    EXPECT_EQ(first.Note("fields-as-expected"), "1") << first.Note("fields");
    EXPECT_EQ(ErrNo(Login("not-issued", "demo", "secret").body), "1");
}

TEST_F(SandboxAccountTest, CaptchaRoundNeedsTheAnswerOfTheImage) {
    const std::string token = Token();
    EXPECT_EQ(ErrNo(Login(token, "captcha", "secret").body), "257");
    const std::string code = CaptchaCode();
    ASSERT_FALSE(code.empty());
    const PlainReply image = Account("/cgi-bin/genimage?" + code);
    EXPECT_EQ(image.body.rfind("\x89PNG\r\n\x1A\n", 0), 0u);
    EXPECT_NE(image.headers.find("image/png"), std::string::npos);
    const std::string answer = sandbox_->CaptchaAnswer(code);
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_EQ(sandbox_->CaptchaAnswer(), answer) << "the latest code";

    EXPECT_EQ(
        ErrNo(Login(token, "captcha", "secret", code, answer == "0000" ? "1111" : "0000").body),
        "6");
    EXPECT_EQ(ErrNo(Login(token, "captcha", "secret", code, answer).body), "6") << "used up";
    const std::string next = CaptchaCode();
    const PlainReply in = Login(token, "captcha", "secret", next, sandbox_->CaptchaAnswer(next));
    EXPECT_EQ(ErrNo(in.body), "0");
    EXPECT_NE(in.headers.find("Set-Cookie: PTOKEN="), std::string::npos);
    EXPECT_EQ(Account("/cgi-bin/genimage?unknown").status, 404);
}

// The cookies of a login open the platform's site page.
TEST_F(SandboxAccountTest, LoginCookiesOpenThePlatform) {
    const PlainReply in = Login(Token(), "demo", "secret");
    std::string cookie;
    size_t pos = 0;
    while ((pos = in.headers.find("Set-Cookie: ", pos)) != std::string::npos) {
        pos += 12;
        cookie += in.headers.substr(pos, in.headers.find(';', pos) - pos) + ";";
    }
    const std::string page =
        PlainGet("http://" + sandbox_->Endpoints().platformHost + "/inbound/index",
                 {"Cookie: " + cookie})
            .body;
    EXPECT_NE(page.find("data-value=\"www.example-a.com\""), std::string::npos) << cookie;
    EXPECT_EQ(sandbox_->Count("sites", "demo"), 1);
}

TEST_F(SandboxAccountTest, RefusesAClientThatDoesNotTrustItsCertificate) {
    const PlainReply reply =
        PlainGet("https://" + sandbox_->Endpoints().accountHost + "/v2/api/?getapi");
    EXPECT_EQ(reply.status, 0);
}

}  // namespace
}  // namespace brevink::test
