#pragma once
// Runs brevink-sandbox (the local stand-in for the account service, the webmaster platform,
// the rank service and the linking pages) for one test: started on free ports in the
// constructor, stopped in the destructor. Reads what the sandbox received through its
// /sandbox/ control paths. See sandbox/README.md for the accounts, sites and rules.
//
//   brevink::test::SandboxProcess sandbox;               // 250 links, 8 page hosts
//   ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
//   const std::string cookie = sandbox.SessionCookie();  // a logged-in "demo" session
//   FetchSiteList(sandbox.Endpoints(), cookie);
//   EXPECT_EQ(sandbox.Count("sites"), 1);
//
// Create it on the test's main thread: the sandbox is told to stop when the thread that
// started it ends (so a crashed test leaves no server behind).
#include <sys/types.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/endpoints.h"

namespace brevink::test {

struct SandboxOptions {
    int links = 250;         // --links: links of the main site www.example-a.com
    int countOffset = 0;     // --count-offset: the main site reports links + countOffset
    int pageHosts = 8;       // --page-hosts: linking pages on 127.0.1.1 .. 127.0.1.pageHosts
    int delayMs = 0;         // --delay-ms: delay before every reply
    std::string dataFile;    // --data: sites and links from a file
    bool anyCookie = false;  // --any-cookie: the platform takes every cookie as logged in
    std::vector<std::string> extraArgs;  // further command-line arguments
};

// One request the sandbox received (the fields of sandbox/README.md, decoded).
struct SandboxRecord {
    long long seq = 0;  // order of arrival over all kinds
    std::string kind;   // token, captcha-code, captcha-image, login, sites, detail, reject,
                        // portal, rank, page, flaky
    std::string key;    // login: account (UTF-8); detail/reject: site host; rank: queryurl;
                        // page: the 127.0.1.x address reached
    std::string method;
    std::string target;  // path and query exactly as received
    std::string local;   // address:port that received it
    std::string body;    // as received
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::string> urls;  // reject: the batch's URLs, decoded (GBK bytes as sent)
    std::map<std::string, std::string> notes;  // e.g. err_no, logged-in, entries

    std::string Header(std::string_view name) const;  // ignoring case; "" when absent
    std::string Note(const std::string& name) const;  // "" when absent
};

class SandboxProcess final {
  public:
    explicit SandboxProcess(const SandboxOptions& options = {});
    ~SandboxProcess();
    SandboxProcess(const SandboxProcess&) = delete;
    SandboxProcess& operator=(const SandboxProcess&) = delete;

    bool Started() const { return pid_ > 0 && error_.empty(); }
    const std::string& Error() const { return error_; }  // why it did not start

    // Account, portal, platform and rank hosts ("127.0.0.1:port") and the CA file to trust.
    const brevink::Endpoints& Endpoints() const { return endpoints_; }
    // The [Endpoints] section as the sandbox printed it, for a settings file ("\n" lines).
    const std::string& EndpointsSection() const { return section_; }
    int PagesPort() const { return pagesPort_; }
    // "http://127.0.1.<host>:<port>/page/<k>": linking page k on page host `host` (from 1).
    std::string PageUrl(int host, long long k) const;

    // GET on the sandbox's control port; the body ("" on failure), and the status if asked.
    std::string Get(const std::string& pathAndQuery, int* status = nullptr) const;
    std::vector<SandboxRecord> Requests(const std::string& kind = "") const;      // "": all kinds
    long long Count(const std::string& kind, const std::string& key = "") const;  // key "": all
    bool Reset() const;  // forgets records and counters, restarts the err_no=4 repeats
    // The cookie text ("name=value;" pairs) of a fresh logged-in session, without a login.
    std::string SessionCookie(const std::string& account = "demo") const;
    // The answer of a captcha code ("" : the latest one issued).
    std::string CaptchaAnswer(const std::string& code = "") const;
    // The title (UTF-8) a linking-page URL should show; "" for a page without one.
    std::string ExpectedTitle(const std::string& url) const;

    void Stop();  // SIGTERM, then waits (SIGKILL after 5 s); the destructor does it too

  private:
    bool Launch(const std::vector<std::string>& args);
    bool ReadReady(int fd);
    void ApplyReadyLines(const std::map<std::string, std::string>& values);

    pid_t pid_ = -1;
    std::string error_;
    brevink::Endpoints endpoints_;
    std::string section_;
    int controlPort_ = 0;
    int pagesPort_ = 0;
};

// Where the sandbox binary is: $BREVINK_SANDBOX, else the path the build compiled in.
std::string SandboxBinary();

}  // namespace brevink::test
