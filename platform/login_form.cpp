#include <time.h>

#include <ctime>
#include <string>

#include "platform/login_exchange.h"
#include "web/codepage.h"
#include "web/text.h"

namespace brevink {

namespace {

// Texts typed by the user go into the form as their UTF-8 bytes, URL-encoded, so that "&",
// "=", "+", "%" and Chinese characters reach the service as typed.
std::string FormValueOfTyped(const std::string& text) {
    return UrlEncode(GbkToUtf8(text));
}

}  // namespace

std::string LoginTimeStampOf(long long secondsSinceBase, unsigned long long uptimeMs) {
    std::string uptime = std::to_string(uptimeMs);
    if (uptime.size() > 3) {
        uptime.erase(0, uptime.size() - 3);
    }
    return std::to_string(secondsSinceBase) + uptime;
}

std::string LoginTimeStamp() {
    // Both ends are local wall-clock times, so the difference is the UTC seconds plus the
    // local offset, less the eight hours of the base time.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long long seconds = static_cast<long long>(now) + local.tm_gmtoff - 8 * 3600;
    timespec uptime{};
    clock_gettime(CLOCK_BOOTTIME, &uptime);
    const unsigned long long uptimeMs =
        static_cast<unsigned long long>(uptime.tv_sec) * 1000ULL +
        static_cast<unsigned long long>(uptime.tv_nsec) / 1000000ULL;
    return LoginTimeStampOf(seconds, uptimeMs);
}

std::string LoginFormBody(const Endpoints& endpoints, const std::string& token,
                          const std::string& timeStamp, const std::string& codeString,
                          const std::string& account, const std::string& password,
                          const std::string& verifyCode, int ppuiLoginTime) {
    // The portal host is plain ASCII letters, digits, "." and "-" (unchanged by the encoding);
    // a ":port" of a local stand-in is encoded like the rest of the address.
    const std::string portal = UrlEncode(endpoints.portalHost);
    std::string body;
    body += "staticpage=http%3A%2F%2F" + portal + "%2Fcache%2Fuser%2Fhtml%2Fv3Jump.html";
    body += "&charset=utf-8";
    body += "&token=" + token;
    body += "&tpl=mn&apiver=v3";
    body += "&tt=" + timeStamp;
    body += "&codestring=" + codeString;
    body += "&safeflg=0";
    body += "&u=http%3A%2F%2F" + portal + "%2F";
    body += "&isPhone=false&quick_user=0&loginmerge=true&logintype=dialogLogin&splogin=rate";
    body += "&username=" + FormValueOfTyped(account);
    body += "&password=" + FormValueOfTyped(password);
    body += "&verifycode=" + FormValueOfTyped(verifyCode);
    body += "&mem_pass=on";
    body += "&ppui_logintime=" + std::to_string(ppuiLoginTime);
    body += "&callback=parent.bd__pcbs__1swx5s";
    return body;
}

}  // namespace brevink
