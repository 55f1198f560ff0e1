#include "sandbox/options.h"

#include <charconv>
#include <cstring>
#include <functional>
#include <map>

namespace sandbox {
namespace {

const char kUsage[] =
    "usage: brevink-sandbox [options]\n"
    "  --links N            links of the main site www.example-a.com (default 250)\n"
    "  --count-offset D     the main site reports N + D links (D may be negative)\n"
    "  --page-hosts N       linking pages on 127.0.1.1 .. 127.0.1.N (default 50, max 250)\n"
    "  --delay-ms D         wait D ms before every reply (benchmarks)\n"
    "  --delay SERVICE=D    the same for one service: account, platform, rank or pages\n"
    "  --seed S             seed of the generated data set (default 1)\n"
    "  --data FILE          read sites and links from FILE (see README.md)\n"
    "  --state-dir DIR      write the certificate (sandbox-ca.pem) into DIR\n"
    "  --endpoints-file F   also write the printed [Endpoints] section to F\n"
    "  --any-cookie         the platform treats every request as logged in\n"
    "  --account-port P, --platform-port P, --rank-port P, --pages-port P\n"
    "                       fixed ports (default 0: free ports, printed at start)\n";

bool ParseInt(const char* text, long long low, long long high, long long& value) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

constexpr long long kMaxDelayMs = 600'000;

// "SERVICE=D" for one of the four services.
bool SetOneDelay(Options::Delays& delays, const std::string& text) {
    const size_t eq = text.find('=');
    const std::map<std::string, int*> services = {{"account", &delays.account},
                                                  {"platform", &delays.platform},
                                                  {"rank", &delays.rank},
                                                  {"pages", &delays.pages}};
    const auto service = services.find(text.substr(0, eq));
    long long value = 0;
    if (eq == std::string::npos || service == services.end() ||
        !ParseInt(text.c_str() + eq + 1, 0, kMaxDelayMs, value)) {
        return false;
    }
    *service->second = static_cast<int>(value);
    return true;
}

using Setter = std::function<bool(const char*)>;

Setter IntSetter(int& field, long long low, long long high) {
    return [&field, low, high](const char* text) {
        long long value = 0;
        if (!ParseInt(text, low, high, value))
            return false;
        field = static_cast<int>(value);
        return true;
    };
}

Setter TextSetter(std::string& field) {
    return [&field](const char* text) {
        field = text;
        return !field.empty();
    };
}

std::map<std::string, Setter> Setters(Options& o) {
    return {
        {"--links", IntSetter(o.links, 0, 10'000'000)},
        {"--count-offset", IntSetter(o.countOffset, -10'000'000, 10'000'000)},
        {"--page-hosts", IntSetter(o.pageHosts, 1, 250)},
        {"--delay-ms",
         [&o](const char* text) {
             long long value = 0;
             if (!ParseInt(text, 0, kMaxDelayMs, value))
                 return false;
             const int ms = static_cast<int>(value);
             o.delays = {ms, ms, ms, ms};
             return true;
         }},
        {"--delay", [&o](const char* text) { return SetOneDelay(o.delays, text); }},
        {"--seed",
         [&o](const char* text) {
             long long value = 0;
             if (!ParseInt(text, 0, 0xFFFFFFFFLL, value))
                 return false;
             o.seed = static_cast<uint32_t>(value);
             return true;
         }},
        {"--data", TextSetter(o.dataFile)},
        {"--state-dir", TextSetter(o.stateDir)},
        {"--endpoints-file", TextSetter(o.endpointsFile)},
        {"--account-port", IntSetter(o.accountPort, 0, 65535)},
        {"--platform-port", IntSetter(o.platformPort, 0, 65535)},
        {"--rank-port", IntSetter(o.rankPort, 0, 65535)},
        {"--pages-port", IntSetter(o.pagesPort, 0, 65535)},
    };
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    const auto setters = Setters(options);
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            error = kUsage;
            return false;
        }
        if (name == "--any-cookie") {
            options.anyCookie = true;
            continue;
        }
        if (name == "--print-endpoints")
            continue;  // the endpoints are always printed
        const auto setter = setters.find(name);
        if (setter == setters.end()) {
            error = "unknown option " + name + "\n" + kUsage;
            return false;
        }
        if (i + 1 >= argc || !setter->second(argv[i + 1])) {
            error = "bad or missing value for " + name + "\n" + kUsage;
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace sandbox
