#include "platform/login_exchange.h"

#include <random>

#include "web/checked_request.h"
#include "web/codepage.h"
#include "web/text.h"
#include "web/web_request.h"

namespace brevink {

namespace {

int RandomLoginTime() {
    std::random_device device;
    return std::uniform_int_distribution<int>(8000, 16000)(device);
}

// Counts one more round for an err_no reply; false once the counter has passed 3 (it then
// starts again from 0 for the next attempt).
bool AnotherRound(int& retries) {
    if (++retries > 3) {
        retries = 0;
        return false;
    }
    return true;
}

// One call of the exchange: the working cookie text, the captcha mode and the last reply.
class LoginCall final {
  public:
    LoginCall(const Endpoints& endpoints, LoginState& state, const std::string& account,
              const std::string& password, std::string& captchaAnswer, std::string& cookieOut,
              std::string& captchaImage)
        : endpoints_(endpoints),
          state_(state),
          account_(account),
          password_(password),
          captchaAnswer_(captchaAnswer),
          cookieOut_(cookieOut),
          captchaImage_(captchaImage) {}

    LoginResult Run() {
        captchaImage_.clear();
        captchaMode_ = !captchaAnswer_.empty();
        for (;;) {
            if (state_.LoginToken.empty()) {
                FetchToken();
            }
            if (captchaMode_ && captchaAnswer_.empty()) {
                FetchCaptcha();
                return LoginResult::Captcha;
            }
            if (captchaMode_) {
                cookies_ = cookieOut_;
                PostLogin(state_.CaptchaCode, captchaAnswer_);
                captchaAnswer_.clear();
                state_.LoginToken.clear();
                state_.CaptchaCode.clear();
            } else {
                PostLogin("", "");
                if (accepted_) {
                    return LoginResult::Success;
                }
            }
            if (!GoRoundAgain()) {
                return accepted_ ? LoginResult::Success : LoginResult::Failure;
            }
        }
    }

  private:
    std::string AccountUrl(const std::string& pathAndQuery) const {
        return "https://" + endpoints_.accountHost + pathAndQuery;
    }

    // A GET to the account service; the reply's cookies are merged into the working cookie
    // text when `withCookies` is set.
    std::string AccountGet(const std::string& pathAndQuery, bool withCookies) {
        std::string headers;
        WebRequestArgs args;
        args.url = AccountUrl(pathAndQuery);
        args.caFile = endpoints_.caFile;
        if (withCookies) {
            args.responseHeaders = &headers;
            args.cookies = &cookies_;
        }
        return WebRequest(args);
    }

    void FetchToken() {
        static const std::string fullWidthBlank = Gbk(u8"\u3000");
        cookies_ = "BAIDUID= ;UBI= ;PASSID= ;";
        std::string reply = BytesToText(
            AccountGet("/v2/api/?getapi&tpl=mn&apiver=v3&tt=" + LoginTimeStamp() +
                           "&class=login&logintype=dialogLogin&callback=bd__cbs__z5fcs2",
                       true));
        // The service may quote the token and put blanks around the colon.
        reply = ReplaceAll(reply, "\"", "");
        reply = ReplaceAll(reply, " ", "");
        reply = ReplaceAll(reply, fullWidthBlank, "");
        state_.LoginToken = TextBetween(reply, "token:", ",");
    }

    void FetchCaptcha() {
        const std::string reply = BytesToText(
            AccountGet("/v2/?reggetcodestr&token=" + state_.LoginToken +
                           "&tpl=mn&apiver=v3&tt=" + LoginTimeStamp() + "&callback=bd__cbs__vtsljd",
                       true));
        state_.CaptchaCode = TextBetween(reply, "\"verifyStr\" : \"", "\"");
        captchaImage_ = AccountGet("/cgi-bin/genimage?" + state_.CaptchaCode, false);
        cookieOut_ = cookies_;
    }

    void PostLogin(const std::string& codeString, const std::string& verifyCode) {
        std::string headerBlock;
        std::string cookiesAfter;
        CheckedRequestArgs args;
        args.sessionOut = &cookieOut_;
        args.url = AccountUrl("/v2/api/?login");
        args.usePost = 1;
        args.body = LoginFormBody(endpoints_, state_.LoginToken, LoginTimeStamp(), codeString,
                                  account_, password_, verifyCode, RandomLoginTime());
        args.checkIn = 2;
        args.successMarker = "Set-Cookie: PTOKEN";
        args.bodyText = &reply_;
        args.headerBlock = &headerBlock;
        args.cookiesOut = &cookiesAfter;
        args.cookiesIn = cookies_;
        args.caFile = endpoints_.caFile;
        accepted_ = CheckedRequest(args);
    }

    // The reply check: true when the exchange goes round again from the token step.
    bool GoRoundAgain() {
        if (ContainsText(reply_, "err_no=6", false) || ContainsText(reply_, "err_no=257", false)) {
            captchaMode_ = true;
            return true;
        }
        if (ContainsText(reply_, "err_no=4&", false)) {
            return AnotherRound(state_.ErrNo4Retries);
        }
        if (ContainsText(reply_, "err_no=5&", false)) {
            return AnotherRound(state_.ErrNo5Retries);
        }
        return false;
    }

    const Endpoints& endpoints_;
    LoginState& state_;
    const std::string& account_;
    const std::string& password_;
    std::string& captchaAnswer_;
    std::string& cookieOut_;
    std::string& captchaImage_;
    std::string cookies_;  // the working cookie text of this call
    std::string reply_;    // the last login reply, decoded
    bool captchaMode_ = false;
    bool accepted_ = false;
};

}  // namespace

LoginResult LoginExchange(const Endpoints& endpoints, LoginState& state, const std::string& account,
                          const std::string& password, std::string& captchaAnswer,
                          std::string& cookieOut, std::string& captchaImage) {
    return LoginCall(endpoints, state, account, password, captchaAnswer, cookieOut, captchaImage)
        .Run();
}

}  // namespace brevink
