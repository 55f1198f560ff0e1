#include "support/sandbox_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace brevink::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartLimit = std::chrono::seconds(20);
constexpr auto kStopLimit = std::chrono::seconds(5);

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PercentEncode(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || b == '-' || b == '.' || b == '_' || b == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

void ApplyField(SandboxRecord& record, std::string_view name, std::string value) {
    if (name == "seq")
        record.seq = std::atoll(value.c_str());
    else if (name == "kind")
        record.kind = std::move(value);
    else if (name == "key")
        record.key = std::move(value);
    else if (name == "method")
        record.method = std::move(value);
    else if (name == "target")
        record.target = std::move(value);
    else if (name == "local")
        record.local = std::move(value);
    else if (name == "body")
        record.body = std::move(value);
    else if (name == "url")
        record.urls.push_back(std::move(value));
    else if (name.rfind("header.", 0) == 0)
        record.headers.emplace_back(name.substr(7), value);
    else if (name.rfind("note.", 0) == 0)
        record.notes[std::string(name.substr(5))] = value;
}

SandboxRecord ParseRecord(std::string_view line) {
    SandboxRecord record;
    for (std::string_view field : Split(line, '\t')) {
        const size_t eq = field.find('=');
        if (eq == std::string_view::npos)
            continue;
        ApplyField(record, field.substr(0, eq), PercentDecode(field.substr(eq + 1)));
    }
    return record;
}

std::vector<std::string> Arguments(const SandboxOptions& options) {
    std::vector<std::string> args = {SandboxBinary(),
                                     "--links",
                                     std::to_string(options.links),
                                     "--count-offset",
                                     std::to_string(options.countOffset),
                                     "--page-hosts",
                                     std::to_string(options.pageHosts),
                                     "--delay-ms",
                                     std::to_string(options.delayMs)};
    if (!options.dataFile.empty())
        args.insert(args.end(), {"--data", options.dataFile});
    if (options.anyCookie)
        args.push_back("--any-cookie");
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    return args;
}

// One HTTP/1.1 exchange over a fresh loopback connection that the server closes after it.
std::string Exchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return "";
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        char buffer[16384];
        ssize_t got = 0;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<size_t>(got));
        }
    }
    close(fd);
    return reply;
}

}  // namespace

std::string SandboxRecord::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() &&
            std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return value;
        }
    }
    return "";
}

std::string SandboxRecord::Note(const std::string& name) const {
    const auto found = notes.find(name);
    return found == notes.end() ? "" : found->second;
}

std::string SandboxBinary() {
    if (const char* path = std::getenv("BREVINK_SANDBOX"); path != nullptr && *path != '\0') {
        return path;
    }
#ifdef BREVINK_SANDBOX
    return BREVINK_SANDBOX;
#else
    return "brevink-sandbox";
#endif
}

SandboxProcess::SandboxProcess(const SandboxOptions& options) {
    if (!Launch(Arguments(options)))
        Stop();
}

SandboxProcess::~SandboxProcess() {
    Stop();
}

bool SandboxProcess::Launch(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return false;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {  // only async-signal-safe calls until exec
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(126);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(out[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    if (pid_ < 0) {
        close(out[0]);
        error_ = "fork failed";
        return false;
    }
    const bool ready = ReadReady(out[0]);
    close(out[0]);
    return ready;
}

bool SandboxProcess::ReadReady(int fd) {
    std::map<std::string, std::string> values;
    std::string pending;
    bool sandboxPart = false;  // the lines after "[Sandbox]" are not for a settings file
    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            sandboxPart = sandboxPart || line == "[Sandbox]";
            if (!sandboxPart)
                section_ += line + "\n";
            const size_t eq = line.find('=');
            if (eq != std::string::npos)
                values[line.substr(0, eq)] = line.substr(eq + 1);
            if (line == "Ready=1") {
                ApplyReadyLines(values);
                return true;
            }
        }
    }
    error_ = "brevink-sandbox (" + SandboxBinary() + ") did not report ready";
    return false;
}

void SandboxProcess::ApplyReadyLines(const std::map<std::string, std::string>& values) {
    auto value = [&values](const char* key) {
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    };
    while (section_.size() >= 2 && section_.compare(section_.size() - 2, 2, "\n\n") == 0) {
        section_.pop_back();
    }
    endpoints_.accountHost = value("AccountHost");
    endpoints_.portalHost = value("PortalHost");
    endpoints_.platformHost = value("PlatformHost");
    endpoints_.rankHost = value("RankHost");
    endpoints_.caFile = value("CaFile");
    const std::string control = value("ControlHost");
    controlPort_ = std::atoi(control.substr(control.rfind(':') + 1).c_str());
    pagesPort_ = std::atoi(value("PagesPort").c_str());
}

void SandboxProcess::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + kStopLimit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
}

std::string SandboxProcess::PageUrl(int host, long long k) const {
    return "http://127.0.1." + std::to_string(host) + ":" + std::to_string(pagesPort_) + "/page/" +
           std::to_string(k);
}

std::string SandboxProcess::Get(const std::string& pathAndQuery, int* status) const {
    if (status != nullptr)
        *status = 0;
    if (!Started())
        return "";
    const std::string reply =
        Exchange(controlPort_, "GET " + pathAndQuery + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                   std::to_string(controlPort_) + "\r\nConnection: close\r\n\r\n");
    const size_t split = reply.find("\r\n\r\n");
    if (reply.rfind("HTTP/1.1 ", 0) != 0 || split == std::string::npos)
        return "";
    const int code = std::atoi(reply.c_str() + 9);
    if (status != nullptr)
        *status = code;
    return code == 200 ? reply.substr(split + 4) : "";
}

std::vector<SandboxRecord> SandboxProcess::Requests(const std::string& kind) const {
    std::vector<SandboxRecord> records;
    const std::string text = Get("/sandbox/requests?kind=" + PercentEncode(kind));
    for (std::string_view line : Split(text, '\n')) {
        if (!line.empty())
            records.push_back(ParseRecord(line));
    }
    return records;
}

long long SandboxProcess::Count(const std::string& kind, const std::string& key) const {
    long long total = 0;
    const std::string text = Get("/sandbox/counts");
    for (std::string_view line : Split(text, '\n')) {
        const auto fields = Split(line, '\t');
        if (fields.size() == 3 && fields[0] == kind &&
            (key.empty() || PercentDecode(fields[1]) == key)) {
            total += std::atoll(std::string(fields[2]).c_str());
        }
    }
    return total;
}

bool SandboxProcess::Reset() const {
    return Get("/sandbox/reset") == "ok\n";
}

std::string SandboxProcess::SessionCookie(const std::string& account) const {
    return Get("/sandbox/session?account=" + PercentEncode(account));
}

std::string SandboxProcess::CaptchaAnswer(const std::string& code) const {
    return Get("/sandbox/captcha?code=" + PercentEncode(code));
}

std::string SandboxProcess::ExpectedTitle(const std::string& url) const {
    return Get("/sandbox/title?url=" + PercentEncode(url));
}

}  // namespace brevink::test
