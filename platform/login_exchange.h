#pragma once
// The login exchange with the account service: token, captcha code and image, login form.
#include <string>

#include "platform/endpoints.h"

namespace brevink {

// What outlives one call of LoginExchange.
struct LoginState {
    std::string LoginToken;
    std::string CaptchaCode;
    int ErrNo4Retries = 0;
    int ErrNo5Retries = 0;
};

enum class LoginResult { Success, Failure, Captcha };  // "成功", "失败", "验证码"

// account and password are GBK texts as typed. captchaAnswer: in/out (cleared once sent).
// cookieOut: the account's cookie text (the caller passes its session). captchaImage: out.
LoginResult LoginExchange(const Endpoints& endpoints, LoginState& state, const std::string& account,
                          const std::string& password, std::string& captchaAnswer,
                          std::string& cookieOut, std::string& captchaImage);

// Seconds since 1970-01-01 08:00:00 local time, followed by the last three digits of the uptime
// in milliseconds.
std::string LoginTimeStamp();
// The same from its two parts (exposed for tests).
std::string LoginTimeStampOf(long long secondsSinceBase, unsigned long long uptimeMs);

// The login form body (exposed for tests). ppuiLoginTime: 8000..16000.
std::string LoginFormBody(const Endpoints& endpoints, const std::string& token,
                          const std::string& timeStamp, const std::string& codeString,
                          const std::string& account, const std::string& password,
                          const std::string& verifyCode, int ppuiLoginTime);

}  // namespace brevink
