// WebRequest against the curl command: 10,000 small GET requests from 100 threads to pages on
// 50 loopback addresses (127.0.0.2 ... 127.0.0.51), and the same 10,000 URLs fetched by
// `xargs -P 100 curl` in the same run. Prints both wall times, their ratio and the CPU time
// per request of each side. The page server runs in a child process of its own.
//   web_request_bench [urls per curl process]   (default 1: one process per URL)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "web/web_request.h"

namespace {

constexpr int kRequests = 10000;
constexpr int kThreads = 100;
constexpr int kAddresses = 50;

const std::string kPage =
    "<html><head><title>page</title></head><body>" + std::string(400, 'x') + "</body></html>";

std::string Reply() {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(kPage.size()) + "\r\nConnection: close\r\n\r\n" + kPage;
}

int Listen(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || listen(fd, 1024)) {
        std::perror(address.c_str());
        std::exit(1);
    }
    return fd;
}

int PortOf(int fd) {
    sockaddr_in where{};
    socklen_t size = sizeof where;
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    return ntohs(where.sin_port);
}

// One epoll loop: accept, read the request head, write the page, close.
[[noreturn]] void ServePages(const std::vector<int>& listeners) {
    const int poller = epoll_create1(0);
    for (const int fd : listeners) {
        epoll_event event{EPOLLIN, {.u64 = static_cast<uint64_t>(fd) | (1ull << 32)}};
        epoll_ctl(poller, EPOLL_CTL_ADD, fd, &event);
    }
    const std::string reply = Reply();
    std::unordered_map<int, std::string> heads;
    epoll_event events[256];
    for (;;) {
        const int n = epoll_wait(poller, events, 256, -1);
        for (int e = 0; e < n; ++e) {
            const int fd = static_cast<int>(events[e].data.u64 & 0xffffffff);
            if (events[e].data.u64 >> 32) {
                for (int client; (client = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) {
                    epoll_event event{EPOLLIN, {.u64 = static_cast<uint64_t>(client)}};
                    epoll_ctl(poller, EPOLL_CTL_ADD, client, &event);
                }
                continue;
            }
            char buffer[4096];
            const ssize_t got = read(fd, buffer, sizeof buffer);
            std::string& head = heads[fd];
            if (got > 0) {
                head.append(buffer, static_cast<size_t>(got));
                if (head.find("\r\n\r\n") == std::string::npos) {
                    continue;
                }
                // A small reply fits the socket buffer whole.
                (void)!write(fd, reply.data(), reply.size());
            }
            heads.erase(fd);
            close(fd);
        }
    }
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double wall = 0;
    double cpu = 0;
    int failures = 0;
};

Run RunEngine(const std::vector<std::string>& urls, int count) {
    std::atomic<int> next{0};
    std::atomic<int> failures{0};
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i; (i = next++) < count;) {
                brevink::WebRequestArgs args;
                args.url = urls[static_cast<size_t>(i)];
                if (brevink::WebRequest(args) != kPage) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return {Seconds(std::chrono::steady_clock::now() - start), CpuSeconds(RUSAGE_SELF) - cpuBefore,
            failures.load()};
}

Run RunCurlCommand(const std::vector<std::string>& urls, int perProcess) {
    const std::string list = "/tmp/web_request_bench_urls.txt";
    {
        std::ofstream out(list);
        for (const std::string& url : urls) {
            out << url << "\n";
        }
    }
    const std::string command = "xargs -P " + std::to_string(kThreads) + " -n " +
                                std::to_string(perProcess) + " curl -sf --noproxy '*' < " + list +
                                " > /dev/null";
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    Run run{Seconds(std::chrono::steady_clock::now() - start),
            CpuSeconds(RUSAGE_CHILDREN) - cpuBefore, status == 0 ? 0 : -1};
    std::remove(list.c_str());
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int perProcess = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    std::vector<int> listeners;
    std::vector<std::string> bases;
    for (int a = 0; a < kAddresses; ++a) {
        const std::string address = "127.0.0." + std::to_string(2 + a);
        listeners.push_back(Listen(address));
        bases.push_back("http://" + address + ":" + std::to_string(PortOf(listeners.back())));
    }
    const pid_t server = fork();
    if (server == 0) {
        ServePages(listeners);
    }
    for (const int fd : listeners) {
        close(fd);
    }
    std::vector<std::string> urls;
    for (int i = 0; i < kRequests; ++i) {
        urls.push_back(bases[static_cast<size_t>(i % kAddresses)] + "/page/" + std::to_string(i));
    }
    RunEngine(urls, 500);  // warm-up
    const Run curl = RunCurlCommand(urls, perProcess);
    const Run engine = RunEngine(urls, kRequests);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);

    std::printf("%d GET requests, %d threads / xargs -P %d -n %d, %d loopback addresses\n",
                kRequests, kThreads, kThreads, perProcess, kAddresses);
    std::printf("curl command: %.2f s wall, %.0f req/s, %.0f us CPU per request%s\n", curl.wall,
                kRequests / curl.wall, curl.cpu / kRequests * 1e6,
                curl.failures != 0 ? " (some fetches failed)" : "");
    std::printf("WebRequest:   %.2f s wall, %.0f req/s, %.0f us CPU per request, %d failed\n",
                engine.wall, kRequests / engine.wall, engine.cpu / kRequests * 1e6,
                engine.failures);
    std::printf("ratio engine/curl wall: %.3f\n", engine.wall / curl.wall);
    return engine.failures == 0 ? 0 : 1;
}
