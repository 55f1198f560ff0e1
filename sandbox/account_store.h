#pragma once
// The accounts of the account service and what it has issued: login tokens, captcha codes
// and logged-in sessions (README.md lists the accounts).
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sandbox {

struct LoginAttempt {
    std::string account;   // UTF-8, decoded from the form
    std::string password;  // decoded from the form
    std::string token;
    std::string codeString;
    std::string verifyCode;
};

struct LoginOutcome {
    int errNo = 0;                        // 0: logged in
    std::string reason;                   // for the record
    std::vector<std::string> setCookies;  // Set-Cookie values of a successful login
};

class AccountStore final {
  public:
    AccountStore();

    std::string IssueToken();
    bool KnowsToken(const std::string& token) const;
    std::string IssueCaptcha();                              // the new code string
    std::string CaptchaText(const std::string& code) const;  // "" for an unknown code;
                                                             // code "": the latest one
    LoginOutcome Login(const LoginAttempt& attempt);

    // The cookie text ("name=value;" pairs) of a fresh logged-in session of `account`, as a
    // login would make it; empty for an unknown account.
    std::string SessionCookieText(const std::string& account);
    // The account whose session the Cookie header carries; empty when none.
    std::string AccountOfCookie(const std::string& cookieHeader) const;

    void ResetCounters();  // the err_no=4 repeats start over

  private:
    enum class Kind { Plain, Captcha, Retry4, Retry5 };
    struct Account {
        std::string password;
        Kind kind = Kind::Plain;
        int retries = 0;
    };

    bool CheckCaptcha(const LoginAttempt& attempt, LoginOutcome& outcome);
    std::vector<std::string> NewSessionLocked(const std::string& account);

    mutable std::mutex mutex_;
    std::map<std::string, Account> accounts_;
    std::map<std::string, bool> tokens_;
    std::map<std::string, std::string> captchas_;  // code -> text
    std::string latestCaptcha_;
    std::map<std::string, std::string> sessions_;  // BDUSS -> account
};

}  // namespace sandbox
