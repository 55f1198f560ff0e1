// The login exchange against the sandbox's account service.
#include <gtest/gtest.h>

#include "platform/login_exchange.h"
#include "support/sandbox_suite.h"
#include "web/codepage.h"

namespace brevink {
namespace {

// One login attempt as the login flow makes it: the state and the session outlive calls.
class LoginTest : public SandboxSuiteTest {
  protected:
    LoginResult Login(const std::string& account, const std::string& password) {
        return LoginExchange(Services(), state, account, password, answer, session, image);
    }

    std::vector<test::SandboxRecord> Logins() const { return Sandbox().Requests("login"); }

    LoginState state;
    std::string answer;
    std::string session;
    std::string image;
};

bool HoldsCookie(const std::string& cookieText, const std::string& name) {
    return cookieText.rfind(name + "=", 0) == 0 ||
           cookieText.find(";" + name + "=") != std::string::npos;
}

bool IsPng(const std::string& bytes) {
    return bytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

TEST_F(LoginTest, WithoutCaptchaLogsInWithTokenAndLoginOnly) {
    EXPECT_EQ(Login("demo", "secret"), LoginResult::Success);
    for (const char* name : {"BAIDUID", "UBI", "PASSID", "BDUSS", "PTOKEN", "STOKEN"}) {
        EXPECT_TRUE(HoldsCookie(session, name)) << name << " in " << session;
    }
    EXPECT_TRUE(image.empty());
    EXPECT_FALSE(state.LoginToken.empty());  // kept: the next attempt posts with it
    EXPECT_EQ(Sandbox().Count("token"), 1);
    EXPECT_EQ(Sandbox().Count("captcha-code"), 0);
    const auto logins = Logins();
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].Note("fields-as-expected"), "1") << logins[0].Note("fields");
    EXPECT_EQ(logins[0].Note("err_no"), "0");
    // The token request's cookies go with the login.
    EXPECT_NE(logins[0].Header("Cookie").find("BAIDUID="), std::string::npos);
}

TEST_F(LoginTest, TypedTextsReachTheServiceAsTyped) {
    struct Case {
        std::string account;
        std::string password;
    };
    for (const Case& c :
         {Case{Gbk(u8"测试帐号"), "secret"}, Case{"symbols", Gbk(u8"p&=+% 密码")}}) {
        SCOPED_TRACE(c.account);
        state = LoginState{};
        session.clear();
        EXPECT_EQ(Login(c.account, c.password), LoginResult::Success);
        EXPECT_TRUE(HoldsCookie(session, "BDUSS"));
    }
    const auto logins = Logins();
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[0].key, reinterpret_cast<const char*>(u8"测试帐号"));
    EXPECT_EQ(logins[1].Note("password"), reinterpret_cast<const char*>(u8"p&=+% 密码"));
}

TEST_F(LoginTest, CaptchaRoundThenAnswer) {
    ASSERT_EQ(Login("captcha", "secret"), LoginResult::Captcha);
    EXPECT_TRUE(IsPng(image));
    ASSERT_FALSE(state.CaptchaCode.empty());
    EXPECT_TRUE(HoldsCookie(session, "BAIDUID"));  // the round's cookies are handed out
    EXPECT_FALSE(HoldsCookie(session, "BDUSS"));
    EXPECT_EQ(Sandbox().Count("token"), 1);
    EXPECT_EQ(Sandbox().Count("captcha-code"), 1);
    EXPECT_EQ(Sandbox().Count("captcha-image"), 1);

    answer = Sandbox().CaptchaAnswer(state.CaptchaCode);
    ASSERT_EQ(answer.size(), 4u);
    const std::string code = state.CaptchaCode;
    EXPECT_EQ(Login("captcha", "secret"), LoginResult::Success);
    EXPECT_TRUE(HoldsCookie(session, "BDUSS"));
    EXPECT_TRUE(answer.empty());
    EXPECT_TRUE(state.LoginToken.empty());
    EXPECT_TRUE(state.CaptchaCode.empty());
    const auto logins = Logins();
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[0].Note("err_no"), "257");
    EXPECT_EQ(logins[1].Note("err_no"), "0");
    EXPECT_NE(logins[1].body.find("&codestring=" + code + "&"), std::string::npos);
}

TEST_F(LoginTest, WrongCaptchaAnswerFetchesANewCaptcha) {
    ASSERT_EQ(Login("captcha", "secret"), LoginResult::Captcha);
    const std::string firstCode = state.CaptchaCode;
    answer = "wrong";
    EXPECT_EQ(Login("captcha", "secret"), LoginResult::Captcha);
    EXPECT_TRUE(IsPng(image));
    EXPECT_FALSE(state.CaptchaCode.empty());
    EXPECT_NE(state.CaptchaCode, firstCode);
    EXPECT_FALSE(HoldsCookie(session, "BDUSS"));
    EXPECT_EQ(Sandbox().Count("token"), 2);  // the used token was dropped
    EXPECT_EQ(Sandbox().Count("captcha-code"), 2);
    const auto logins = Logins();
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[1].Note("err_no"), "6");
}

TEST_F(LoginTest, ErrNo4RepeatsUntilTheServiceLetsIn) {
    EXPECT_EQ(Login("retry4", "secret"), LoginResult::Success);
    EXPECT_EQ(Logins().size(), 4u);     // three err_no=4 replies, then the login
    EXPECT_EQ(state.ErrNo4Retries, 3);  // a success does not reset the counter
}

TEST_F(LoginTest, ErrNo4CounterCarriedOverGivesUpEarlier) {
    state.ErrNo4Retries = 1;
    session = "before=1;";
    EXPECT_EQ(Login("retry4", "secret"), LoginResult::Failure);
    EXPECT_EQ(Logins().size(), 3u);
    EXPECT_EQ(state.ErrNo4Retries, 0);
    EXPECT_EQ(session, "before=1;");
}

TEST_F(LoginTest, ErrNo5FourTimesThenFailure) {
    EXPECT_EQ(Login("retry5", "secret"), LoginResult::Failure);
    EXPECT_EQ(Logins().size(), 4u);
    EXPECT_EQ(state.ErrNo5Retries, 0);
    EXPECT_EQ(Sandbox().Count("token"), 1);  // every repeat posts with the same token
}

TEST_F(LoginTest, WrongPasswordFailsAndKeepsTheSession) {
    session = "before=1;";
    EXPECT_EQ(Login("demo", "not-the-password"), LoginResult::Failure);
    EXPECT_EQ(session, "before=1;");
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_EQ(Logins()[0].Note("err_no"), "7");
}

TEST(LoginUnreachable, FailsWithoutAToken) {
    Endpoints endpoints;
    endpoints.accountHost = kDeadHost;
    LoginState state;
    std::string answer, session = "before=1;", image;
    EXPECT_EQ(LoginExchange(endpoints, state, "demo", "secret", answer, session, image),
              LoginResult::Failure);
    EXPECT_TRUE(state.LoginToken.empty());
    EXPECT_EQ(session, "before=1;");
    EXPECT_TRUE(image.empty());
}

}  // namespace
}  // namespace brevink
