#include "support/recording_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace brevink::test {

namespace {

constexpr int kPollMs = 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        lines.emplace_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

size_t ContentLength(const std::string& head) {
    for (const std::string& line : SplitLines(head)) {
        if (Lower(line).starts_with("content-length:")) {
            return std::stoul(line.substr(15));
        }
    }
    return 0;
}

// True when the socket has bytes (or its end) to read; false after kPollMs without any.
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, kPollMs) > 0;
}

}  // namespace

ReplyStep Send(std::string bytes) {
    return {ReplyStep::Kind::Send, std::move(bytes), 0};
}

ReplyStep Pause(int ms) {
    return {ReplyStep::Kind::Pause, {}, ms};
}

ReplyStep Hold() {
    return {ReplyStep::Kind::Hold, {}, 0};
}

std::string HttpReply(std::string_view status, const std::vector<std::string>& headers,
                      std::string_view body) {
    std::string reply = "HTTP/1.1 " + std::string(status) + "\r\n";
    for (const std::string& line : headers) {
        reply += line + "\r\n";
    }
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    reply += body;
    return reply;
}

std::string RecordedRequest::RequestLine() const {
    return head.substr(0, head.find("\r\n"));
}

std::string RecordedRequest::Target() const {
    const std::string line = RequestLine();
    const size_t first = line.find(' ');
    const size_t last = line.rfind(' ');
    return first == last ? std::string() : line.substr(first + 1, last - first - 1);
}

std::vector<std::string> RecordedRequest::Lines() const {
    return SplitLines(std::string_view(head).substr(0, head.size() - 2));
}

RecordingServer::RecordingServer(std::string address) : address_(std::move(address)) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    inet_pton(AF_INET, address_.c_str(), &where.sin_addr);
    socklen_t size = sizeof where;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&where), size) != 0 ||
        listen(listenFd_, 1024) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        throw std::runtime_error("recording server cannot listen on " + address_);
    }
    port_ = ntohs(where.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

RecordingServer::~RecordingServer() {
    Stop();
}

std::string RecordingServer::HostPort() const {
    return address_ + ":" + std::to_string(port_);
}

std::string RecordingServer::Url(std::string_view path) const {
    return "http://" + HostPort() + std::string(path);
}

void RecordingServer::Answer(Reply reply) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(reply);
}

void RecordingServer::Answer(std::string target, Reply reply) {
    std::lock_guard lock(mutex_);
    routes_[std::move(target)] = std::move(reply);
}

void RecordingServer::Answer(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<RecordedRequest> RecordingServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RecordingServer::Stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    acceptor_.join();
    close(listenFd_);
    for (std::thread& connection : connections_) {
        connection.join();
    }
}

void RecordingServer::AcceptLoop() {
    while (!stopping_) {
        if (!Readable(listenFd_)) {
            continue;
        }
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd >= 0) {
            CountOpen(+1);
            connections_.emplace_back([this, fd] { Serve(fd); });
        }
    }
}

void RecordingServer::CountOpen(int change) {
    std::lock_guard lock(mutex_);
    open_ += change;
    maxOpen_ = std::max(maxOpen_.load(), open_);
}

void RecordingServer::Serve(int fd) {
    std::string bytes;
    size_t headEnd = std::string::npos;
    size_t wanted = 0;
    char chunk[65536];
    while (!stopping_ && (headEnd == std::string::npos || bytes.size() < wanted)) {
        if (!Readable(fd)) {
            continue;
        }
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
        if (headEnd == std::string::npos && (headEnd = bytes.find("\r\n\r\n")) != bytes.npos) {
            wanted = headEnd + 4 + ContentLength(bytes.substr(0, headEnd + 4));
        }
    }
    if (headEnd != std::string::npos && bytes.size() >= wanted) {
        RecordedRequest request{bytes.substr(0, headEnd + 4), bytes.substr(headEnd + 4)};
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        Play(fd, ReplyFor(request));
    }
    // The count drops before the socket closes, so a client never finishes a reply that
    // still counts as open here.
    CountOpen(-1);
    shutdown(fd, SHUT_WR);
    close(fd);
}

Reply RecordingServer::ReplyFor(const RecordedRequest& request) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        const auto route = routes_.find(request.Target());
        if (route != routes_.end()) {
            return route->second;
        }
        if (!handler_) {
            return fallback_;
        }
        handler = handler_;
    }
    return handler(request);
}

bool RecordingServer::Play(int fd, const Reply& reply) {
    for (const ReplyStep& step : reply) {
        if (step.kind == ReplyStep::Kind::Send) {
            for (size_t sent = 0; sent < step.bytes.size();) {
                const ssize_t n =
                    send(fd, step.bytes.data() + sent, step.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    return false;
                }
                sent += static_cast<size_t>(n);
            }
        } else if (step.kind == ReplyStep::Kind::Pause) {
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(step.ms);
            while (!stopping_ && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        } else {
            char sink[4096];
            while (!stopping_) {
                if (Readable(fd) && read(fd, sink, sizeof sink) <= 0) {
                    return false;  // the client gave up
                }
            }
        }
    }
    return true;
}

}  // namespace brevink::test
