// The login form body and the time stamp that goes into it.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/login_exchange.h"
#include "web/codepage.h"

namespace brevink {
namespace {

const std::string kPlainBody =
    "staticpage=http%3A%2F%2Fwww.baidu.com%2Fcache%2Fuser%2Fhtml%2Fv3Jump.html&charset=utf-8"
    "&token=TOK123&tpl=mn&apiver=v3&tt=1400000000123&codestring=&safeflg=0"
    "&u=http%3A%2F%2Fwww.baidu.com%2F&isPhone=false&quick_user=0&loginmerge=true"
    "&logintype=dialogLogin&splogin=rate&username=user_1&password=pass-word.1&verifycode="
    "&mem_pass=on&ppui_logintime=9000&callback=parent.bd__pcbs__1swx5s";

TEST(LoginFormBody, WithoutCaptchaIsTheExactForm) {
    EXPECT_EQ(LoginFormBody(Endpoints{}, "TOK123", "1400000000123", "", "user_1", "pass-word.1", "",
                            9000),
              kPlainBody);
}

struct TypedCase {
    const char* name;
    std::string typed;  // GBK, as the user typed it
    std::string sent;
};

class TypedFieldTest : public ::testing::TestWithParam<TypedCase> {};

// Account, password and captcha answer all go in as URL-encoded UTF-8.
TEST_P(TypedFieldTest, IsSentAsEncodedUtf8) {
    const std::string body = LoginFormBody(Endpoints{}, "T", "1", "CODE", GetParam().typed,
                                           GetParam().typed, GetParam().typed, 8000);
    const std::string& v = GetParam().sent;
    EXPECT_NE(body.find("&username=" + v + "&password=" + v + "&verifycode=" + v + "&mem_pass"),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("&codestring=CODE&safeflg=0"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedFieldTest,
    ::testing::Values(TypedCase{"Chinese", Gbk(u8"张三"), "%E5%BC%A0%E4%B8%89"},
                      TypedCase{"Blank", "a b", "a+b"},
                      TypedCase{"FormCharacters", "a&b=c+d%e", "a%26b%3Dc%2Bd%25e"},
                      TypedCase{"MixedChinese", Gbk(u8"密码&1"), "%E5%AF%86%E7%A0%81%261"},
                      TypedCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoginFormBody, PortalWithPortIsEncodedInBothAddresses) {
    Endpoints endpoints;
    endpoints.portalHost = "127.0.0.1:8443";
    const std::string body = LoginFormBody(endpoints, "T", "1", "", "u", "p", "", 8000);
    EXPECT_EQ(body.rfind("staticpage=http%3A%2F%2F127.0.0.1%3A8443%2Fcache%2F", 0), 0u);
    EXPECT_NE(body.find("&u=http%3A%2F%2F127.0.0.1%3A8443%2F&"), std::string::npos);
}

TEST(LoginTimeStampOf, AppendsTheLastThreeDigitsOfTheUptime) {
    EXPECT_EQ(LoginTimeStampOf(86400, 7654123), "86400123");
    EXPECT_EQ(LoginTimeStampOf(86400, 99), "8640099");
    EXPECT_EQ(LoginTimeStampOf(86400, 5), "864005");
    EXPECT_EQ(LoginTimeStampOf(86400, 1000), "86400000");
}

TEST(LoginTimeStamp, IsLocalSecondsSinceTheBaseFollowedByThreeDigits) {
    const std::string stamp = LoginTimeStamp();
    ASSERT_GT(stamp.size(), 3u);
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << stamp;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long long expected = now + local.tm_gmtoff - 8 * 3600;
    const long long seconds = std::stoll(stamp.substr(0, stamp.size() - 3));
    EXPECT_LE(std::llabs(seconds - expected), 2) << stamp;
}

}  // namespace
}  // namespace brevink
