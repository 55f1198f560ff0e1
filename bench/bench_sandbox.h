#pragma once
// brevink-sandbox for a benchmark program: started with the given options on free ports,
// stopped (SIGTERM) when the object goes. Header-only, as every bench/*.cpp is a program.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/endpoints.h"
#include "web/web_request.h"

namespace brevink::bench {

class BenchSandbox final {
  public:
    explicit BenchSandbox(const std::vector<std::string>& options) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        std::vector<std::string> args = {Binary()};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            std::vector<char*> argv;
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        ReadEndpoints(fdopen(out[0], "r"));
    }
    ~BenchSandbox() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    BenchSandbox(const BenchSandbox&) = delete;
    BenchSandbox& operator=(const BenchSandbox&) = delete;

    bool Started() const { return ready_; }
    const brevink::Endpoints& Endpoints() const { return endpoints_; }

    std::string Control(const std::string& pathAndQuery) const {
        WebRequestArgs args;
        args.url = "http://" + control_ + pathAndQuery;
        return WebRequest(args);
    }
    std::string SessionCookie() const { return Control("/sandbox/session?account=demo"); }
    // Requests of one kind ("detail", "rank", "page", ...) since the start or the last reset.
    long long Count(const std::string& kind) const {
        std::istringstream lines(Control("/sandbox/counts"));
        long long total = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(kind + "\t", 0) == 0) {
                total += std::atoll(line.c_str() + line.rfind('\t') + 1);
            }
        }
        return total;
    }

  private:
    static std::string Binary() {
        const char* path = std::getenv("BREVINK_SANDBOX");
        return path != nullptr && *path != '\0' ? path : BREVINK_SANDBOX;
    }

    void ReadEndpoints(FILE* out) {
        std::map<std::string, std::string> values;
        char line[4096];
        while (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
                text.pop_back();
            }
            const size_t equals = text.find('=');
            if (equals != std::string::npos) {
                values[text.substr(0, equals)] = text.substr(equals + 1);
            }
            if (text == "Ready=1") {
                ready_ = true;
                break;
            }
        }
        endpoints_.accountHost = values["AccountHost"];
        endpoints_.portalHost = values["PortalHost"];
        endpoints_.platformHost = values["PlatformHost"];
        endpoints_.rankHost = values["RankHost"];
        endpoints_.caFile = values["CaFile"];
        control_ = values["ControlHost"];
        if (out != nullptr) {
            std::fclose(out);  // nothing is printed after "Ready=1"
        }
    }

    pid_t pid_ = -1;
    bool ready_ = false;
    brevink::Endpoints endpoints_;
    std::string control_;
};

}  // namespace brevink::bench
