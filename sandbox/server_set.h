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
    ServerSet();
    ~ServerSet();
    ServerSet(const ServerSet&) = delete;
    ServerSet& operator=(const ServerSet&) = delete;

    // A new plain HTTP server with a pool of `threads` (0: the pool shared by the page hosts)
    // that waits `delayMs` before each reply (but those of the /sandbox/ paths).
    httplib::Server& AddHttp(size_t threads, int delayMs);
    // A new HTTPS server with the given identity (kept by the server), as AddHttp.
    httplib::Server& AddHttps(X509* cert, EVP_PKEY* key, size_t threads, int delayMs);

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
    httplib::Server& Keep(std::unique_ptr<Entry> entry, size_t threads, int delayMs);
    Entry* Find(const httplib::Server& server) const;

    std::unique_ptr<httplib::ThreadPool> sharedPool_;
    std::vector<std::unique_ptr<Entry>> entries_;
    bool stopped_ = false;
};

}  // namespace sandbox
