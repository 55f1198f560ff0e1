#include "sandbox/account_store.h"

#include <algorithm>
#include <random>

#include "sandbox/text_codec.h"

namespace sandbox {
namespace {

constexpr int kErrUnknownToken = 1;
constexpr int kErrRetry4 = 4;
constexpr int kErrRetry5 = 5;
constexpr int kErrWrongCaptcha = 6;
constexpr int kErrWrongPassword = 7;
constexpr int kErrCaptchaNeeded = 257;

std::string RandomDigits(size_t count) {
    static thread_local std::mt19937 engine{std::random_device{}()};
    std::string digits;
    for (size_t i = 0; i < count; ++i)
        digits += static_cast<char>('0' + engine() % 10);
    return digits;
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

}  // namespace

AccountStore::AccountStore() {
    const std::string secret = "secret";
    accounts_["demo"] = {secret, Kind::Plain, 0};
    accounts_["demo user"] = {secret, Kind::Plain, 0};
    accounts_["captcha"] = {secret, Kind::Captcha, 0};
    accounts_["retry4"] = {secret, Kind::Retry4, 0};
    accounts_["retry5"] = {secret, Kind::Retry5, 0};
    accounts_["\xE6\xB5\x8B\xE8\xAF\x95\xE5\xB8\x90\xE5\x8F\xB7"] = {secret, Kind::Plain,
                                                                     0};        // 测试帐号
    accounts_["symbols"] = {"p&=+% \xE5\xAF\x86\xE7\xA0\x81", Kind::Plain, 0};  // p&=+% 密码
}

std::string AccountStore::IssueToken() {
    std::lock_guard lock(mutex_);
    std::string token = RandomHex(32);
    std::transform(token.begin(), token.end(), token.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    tokens_[token] = true;
    return token;
}

bool AccountStore::KnowsToken(const std::string& token) const {
    std::lock_guard lock(mutex_);
    return tokens_.count(token) > 0;
}

std::string AccountStore::IssueCaptcha() {
    std::lock_guard lock(mutex_);
    const std::string code = "jxG" + RandomHex(40);
    captchas_[code] = RandomDigits(4);
    latestCaptcha_ = code;
    return code;
}

std::string AccountStore::CaptchaText(const std::string& code) const {
    std::lock_guard lock(mutex_);
    const auto found = captchas_.find(code.empty() ? latestCaptcha_ : code);
    return found == captchas_.end() ? "" : found->second;
}

// A code is good for one answer, right or wrong, as on the real service.
bool AccountStore::CheckCaptcha(const LoginAttempt& attempt, LoginOutcome& outcome) {
    const auto found = captchas_.find(attempt.codeString);
    const bool right = found != captchas_.end() && Trimmed(attempt.verifyCode) == found->second;
    if (found != captchas_.end())
        captchas_.erase(found);
    if (!right) {
        outcome.errNo = kErrWrongCaptcha;
        outcome.reason = "wrong captcha answer";
    }
    return right;
}

LoginOutcome AccountStore::Login(const LoginAttempt& attempt) {
    std::lock_guard lock(mutex_);
    LoginOutcome outcome;
    if (tokens_.count(attempt.token) == 0) {
        outcome.errNo = kErrUnknownToken;
        outcome.reason = "unknown token";
        return outcome;
    }
    const bool answered = !attempt.verifyCode.empty() || !attempt.codeString.empty();
    if (answered && !CheckCaptcha(attempt, outcome))
        return outcome;
    const auto account = accounts_.find(attempt.account);
    if (account != accounts_.end() && account->second.kind == Kind::Captcha && !answered) {
        outcome.errNo = kErrCaptchaNeeded;
        outcome.reason = "captcha needed";
        return outcome;
    }
    if (account == accounts_.end() || account->second.password != attempt.password) {
        outcome.errNo = kErrWrongPassword;
        outcome.reason = account == accounts_.end() ? "unknown account" : "wrong password";
        return outcome;
    }
    Account& a = account->second;
    if (a.kind == Kind::Retry5 || (a.kind == Kind::Retry4 && a.retries < 3)) {
        outcome.errNo = a.kind == Kind::Retry5 ? kErrRetry5 : kErrRetry4;
        outcome.reason = "busy, try again";
        ++a.retries;
        return outcome;
    }
    a.retries = 0;
    outcome.reason = "logged in";
    outcome.setCookies = NewSessionLocked(attempt.account);
    return outcome;
}

std::vector<std::string> AccountStore::NewSessionLocked(const std::string& account) {
    const std::string bduss = RandomHex(64);
    sessions_[bduss] = account;
    const std::string attributes = "; path=/; httponly";
    return {"BDUSS=" + bduss + attributes, "PTOKEN=" + RandomHex(32) + attributes,
            "STOKEN=" + RandomHex(32) + attributes};
}

std::string AccountStore::SessionCookieText(const std::string& account) {
    std::lock_guard lock(mutex_);
    if (accounts_.count(account) == 0)
        return "";
    std::string text;
    for (const std::string& cookie : NewSessionLocked(account)) {
        text += cookie.substr(0, cookie.find(';')) + ";";
    }
    return text;
}

std::string AccountStore::AccountOfCookie(const std::string& cookieHeader) const {
    const std::string bduss = CookieValue(cookieHeader, "BDUSS");
    std::lock_guard lock(mutex_);
    const auto found = sessions_.find(bduss);
    return found == sessions_.end() ? "" : found->second;
}

void AccountStore::ResetCounters() {
    std::lock_guard lock(mutex_);
    for (auto& [name, account] : accounts_)
        account.retries = 0;
}

}  // namespace sandbox
