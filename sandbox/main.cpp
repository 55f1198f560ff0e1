// brevink-sandbox: a local stand-in for the account service, the webmaster platform, the rank
// service and the linking pages, on loopback only. Stops on SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "sandbox/server_set.h"
#include "sandbox/service_context.h"
#include "sandbox/tls_cert.h"

namespace sandbox {
namespace {

const char kLoopback[] = "127.0.0.1";

struct Ports {
    int account = -1;
    int platform = -1;
    int rank = -1;
    int pages = -1;
};

// Signals are taken by sigwait in main; every thread started later inherits the mask. A stop
// signal that the parent ignored would be discarded, not queued, hence the default first.
sigset_t BlockStopSignals() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return set;
}

std::string EndpointsText(const Options& options, const Ports& ports, const std::string& caFile) {
    const std::string loopback = std::string(kLoopback) + ":";
    return "[Endpoints]\n"
           "AccountHost=" +
           loopback + std::to_string(ports.account) +
           "\n"
           "PortalHost=" +
           loopback + std::to_string(ports.platform) +
           "\n"
           "PlatformHost=" +
           loopback + std::to_string(ports.platform) +
           "\n"
           "RankHost=" +
           loopback + std::to_string(ports.rank) +
           "\n"
           "CaFile=" +
           caFile +
           "\n"
           "\n[Sandbox]\n"
           "ControlHost=" +
           loopback + std::to_string(ports.platform) +
           "\n"
           "PagesPort=" +
           std::to_string(ports.pages) +
           "\n"
           "PageHosts=127.0.1.1-127.0.1." +
           std::to_string(options.pageHosts) +
           "\n"
           "Ready=1\n";
}

bool WriteFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::vector<std::string> PageHosts(int count) {
    std::vector<std::string> hosts;
    for (int i = 1; i <= count; ++i)
        hosts.push_back("127.0.1." + std::to_string(i));
    return hosts;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "brevink-sandbox: %s\n", message.c_str());
    return 1;
}

class StateDir final {
  public:
    explicit StateDir(const std::string& given) : path_(given) {
        if (!path_.empty())
            return;
        char pattern[] = "/tmp/brevink-sandbox-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            path_ = pattern;
            owned_ = true;
        }
    }
    ~StateDir() {
        if (!owned_)
            return;
        std::remove(CaFile().c_str());
        rmdir(path_.c_str());
    }
    StateDir(const StateDir&) = delete;
    StateDir& operator=(const StateDir&) = delete;
    bool Valid() const { return !path_.empty(); }
    std::string CaFile() const { return path_ + "/sandbox-ca.pem"; }

  private:
    std::string path_;
    bool owned_ = false;
};

int Run(const Options& options) {
    const sigset_t stopSignals = BlockStopSignals();
    StateDir state(options.stateDir);
    if (!state.Valid())
        return Fail("cannot make a state directory");
    TlsIdentity identity;
    std::string error;
    if (!MakeTlsIdentity(state.CaFile(), identity, error))
        return Fail(error);

    ServerSet servers;
    Ports ports;
    std::vector<httplib::Server*> pageServers;
    for (int i = 0; i < options.pageHosts; ++i)
        pageServers.push_back(&servers.AddHttp(0, options.delays.pages));
    ports.pages = servers.BindAll(pageServers, PageHosts(options.pageHosts), options.pagesPort);
    if (ports.pages < 0)
        return Fail("cannot bind the page hosts 127.0.1.x (port in use?)");

    DataSet data = DataSet::Generated(options, ports.pages);
    if (!options.dataFile.empty() &&
        !DataSet::FromFile(options.dataFile, ports.pages, data, error)) {
        return Fail(error);
    }
    AccountStore accounts;
    Recorder recorder;
    ServiceContext context{options, data, accounts, recorder};

    const Options::Delays& delays = options.delays;
    httplib::Server& account =
        servers.AddHttps(identity.cert.get(), identity.key.get(), 16, delays.account);
    httplib::Server& platform = servers.AddHttp(32, delays.platform);
    httplib::Server& rank = servers.AddHttp(32, delays.rank);
    AddAccountRoutes(account, context);
    AddPlatformRoutes(platform, context);
    AddControlRoutes(platform, context);
    AddRankRoutes(rank, context);
    for (httplib::Server* server : pageServers)
        AddPageRoutes(*server, context);
    ports.account = servers.Bind(account, kLoopback, options.accountPort);
    ports.platform = servers.Bind(platform, kLoopback, options.platformPort);
    ports.rank = servers.Bind(rank, kLoopback, options.rankPort);
    if (ports.account < 0 || ports.platform < 0 || ports.rank < 0) {
        return Fail("cannot bind a port on 127.0.0.1 (port in use?)");
    }
    servers.Start();

    const std::string endpoints = EndpointsText(options, ports, state.CaFile());
    if (!options.endpointsFile.empty() && !WriteFile(options.endpointsFile, endpoints)) {
        return Fail("cannot write " + options.endpointsFile);
    }
    std::fputs(endpoints.c_str(), stdout);
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    servers.Stop();
    if (!options.endpointsFile.empty())
        std::remove(options.endpointsFile.c_str());
    std::fprintf(stderr, "brevink-sandbox: stopped\n");
    return 0;
}

}  // namespace
}  // namespace sandbox

int main(int argc, char** argv) {
    sandbox::Options options;
    std::string error;
    if (!sandbox::ParseOptions(argc, argv, options, error)) {
        const bool help = error.rfind("usage:", 0) == 0;
        std::fputs(error.c_str(), help ? stdout : stderr);
        return help ? 0 : 2;
    }
    return sandbox::Run(options);
}
