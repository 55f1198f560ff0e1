#pragma once
// The sandbox's httplib servers: bound on loopback, each with a listen backlog and a thread
// pool large enough for 100 clients at once, run on threads of their own and stopped together.
#include <httplib.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sandbox {

class ServerSet final {
  public:
    explicit ServerSet(int delayMs);
    ~ServerSet();
    ServerSet(const ServerSet&) = delete;
    ServerSet& operator=(const ServerSet&) = delete;

    // A new plain HTTP server with a pool of `threads` (0: the pool shared by the page hosts).
    httplib::Server& AddHttp(size_t threads);
    // A new HTTPS server with the given identity (kept by the server) and a pool of `threads`.
    httplib::Server& AddHttps(X509* cert, EVP_PKEY* key, size_t threads);

    // Binds `server` to host:port (port 0: a free one). Returns the port, or -1.
    int Bind(httplib::Server& server, const std::string& host, int port);
    // Binds the servers to the hosts, all on one port (0: a free one common to all hosts,
    // found by retrying). Returns the port, or -1.
    int BindAll(const std::vector<httplib::Server*>& servers, const std::vector<std::string>& hosts,
                int port);

    void Start();  // every bound server accepts from now on
    void Stop();   // stops every server and waits for the threads (also done on destruction)

  private:
    struct Entry;
    httplib::Server& Keep(std::unique_ptr<Entry> entry, size_t threads);
    Entry* Find(const httplib::Server& server) const;

    int delayMs_;
    std::unique_ptr<httplib::ThreadPool> sharedPool_;
    std::vector<std::unique_ptr<Entry>> entries_;
    bool stopped_ = false;
};

}  // namespace sandbox
