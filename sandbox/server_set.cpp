#include "sandbox/server_set.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace sandbox {
namespace {

constexpr int kBacklog = 1024;          // the library's 5 makes 100 clients at once stall
constexpr size_t kSharedThreads = 192;  // page hosts: 100 title workers with a delay each

class SocketAccess {
  public:
    virtual ~SocketAccess() = default;
    virtual int ListeningSocket() const = 0;
    virtual void CloseSocket() = 0;
};

template <class Base>
class LoopbackServer final : public Base, public SocketAccess {
  public:
    using Base::Base;
    int ListeningSocket() const override { return this->svr_sock_; }
    void CloseSocket() override {
        const int sock = this->svr_sock_.exchange(INVALID_SOCKET);
        if (sock != INVALID_SOCKET)
            ::close(sock);
    }
};

// Hands a server's connections to the pool shared by all page hosts; the set shuts that pool
// down itself once every server has stopped.
class SharedQueue final : public httplib::TaskQueue {
  public:
    explicit SharedQueue(httplib::ThreadPool& pool) : pool_(pool) {}
    void enqueue(std::function<void()> fn) override { pool_.enqueue(std::move(fn)); }
    void shutdown() override {}

  private:
    httplib::ThreadPool& pool_;
};

// SO_REUSEADDR only: SO_REUSEPORT (which the library's defaults may set) would let two
// sandboxes share a port.
void ReuseAddressOnly(socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

struct ServerSet::Entry {
    std::unique_ptr<httplib::Server> server;
    SocketAccess* socket = nullptr;
    bool bound = false;
    std::thread thread;
};

ServerSet::ServerSet() = default;

ServerSet::~ServerSet() {
    Stop();
}

httplib::Server& ServerSet::AddHttp(size_t threads, int delayMs) {
    auto entry = std::make_unique<Entry>();
    auto server = std::make_unique<LoopbackServer<httplib::Server>>();
    entry->socket = server.get();
    entry->server = std::move(server);
    return Keep(std::move(entry), threads, delayMs);
}

httplib::Server& ServerSet::AddHttps(X509* cert, EVP_PKEY* key, size_t threads, int delayMs) {
    auto entry = std::make_unique<Entry>();
    auto server = std::make_unique<LoopbackServer<httplib::SSLServer>>(cert, key);
    entry->socket = server.get();
    entry->server = std::move(server);
    return Keep(std::move(entry), threads, delayMs);
}

httplib::Server& ServerSet::Keep(std::unique_ptr<Entry> entry, size_t threads, int delayMs) {
    httplib::Server& server = *entry->server;
    if (threads == 0) {
        if (!sharedPool_)
            sharedPool_ = std::make_unique<httplib::ThreadPool>(kSharedThreads);
        httplib::ThreadPool* pool = sharedPool_.get();
        server.new_task_queue = [pool] { return new SharedQueue(*pool); };
    } else {
        server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    }
    server.set_socket_options(ReuseAddressOnly);
    server.set_tcp_nodelay(true);  // replies go out in two writes; no waiting for an ACK
    server.set_keep_alive_timeout(1);
    server.set_pre_routing_handler([delayMs](const httplib::Request& req, httplib::Response&) {
        if (delayMs > 0 && req.path.rfind("/sandbox/", 0) != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    entries_.push_back(std::move(entry));
    return server;
}

ServerSet::Entry* ServerSet::Find(const httplib::Server& server) const {
    for (const auto& entry : entries_) {
        if (entry->server.get() == &server)
            return entry.get();
    }
    return nullptr;
}

int ServerSet::Bind(httplib::Server& server, const std::string& host, int port) {
    return BindAll({&server}, {host}, port);
}

int ServerSet::BindAll(const std::vector<httplib::Server*>& servers,
                       const std::vector<std::string>& hosts, int port) {
    if (servers.empty() || servers.size() != hosts.size())
        return -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int chosen = port != 0 ? (servers[0]->bind_to_port(hosts[0], port) ? port : -1)
                                     : servers[0]->bind_to_any_port(hosts[0]);
        if (chosen <= 0)
            return -1;
        size_t bound = 1;
        while (bound < servers.size() && servers[bound]->bind_to_port(hosts[bound], chosen)) {
            ++bound;
        }
        if (bound == servers.size()) {
            for (httplib::Server* server : servers)
                Find(*server)->bound = true;
            return chosen;
        }
        for (size_t i = 0; i < bound; ++i)
            Find(*servers[i])->socket->CloseSocket();
        if (port != 0)
            return -1;
    }
    return -1;
}

void ServerSet::Start() {
    for (const auto& entry : entries_) {
        if (!entry->bound)
            continue;
        ::listen(entry->socket->ListeningSocket(), kBacklog);
        httplib::Server* server = entry->server.get();
        entry->thread = std::thread([server] { server->listen_after_bind(); });
    }
    // stop() only reaches a server that has entered its accept loop.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const auto& entry : entries_) {
        while (entry->bound && !entry->server->is_running() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void ServerSet::Stop() {
    if (stopped_)
        return;
    stopped_ = true;
    for (const auto& entry : entries_) {
        if (entry->thread.joinable()) {
            entry->server->stop();
        } else {
            entry->socket->CloseSocket();
        }
    }
    for (const auto& entry : entries_) {
        if (entry->thread.joinable())
            entry->thread.join();
    }
    if (sharedPool_)
        sharedPool_->shutdown();
}

}  // namespace sandbox
