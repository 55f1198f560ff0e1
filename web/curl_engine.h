#pragma once
// The engine's process-wide parts: libcurl set up once, the limit of connections at once to
// one server, and the engine's own cookie store for requests that bring no cookie text.
#include <curl/curl.h>

#include <string>

namespace brevink::engine {

inline constexpr int kConnectionsPerServer = 10;

// Sets libcurl up for the process; safe to call from any thread, any number of times.
void InitCurlOnce();

// The program is closing: every request in flight ends within a fraction of a second with
// no reply, and every later request fails at once. There is no way back.
void AbortAllRequests();
bool RequestsAborted();

// The engine's own cookie store: a share handle whose cookies every cookie-less request
// reads and writes, locked for use from many threads at once.
CURLSH* EngineCookieStore();

// Holds one of the kConnectionsPerServer places of a server ("host:port") while it lives;
// the constructor waits while all of them are taken.
class ServerSlot final {
  public:
    explicit ServerSlot(std::string server);
    ~ServerSlot();
    ServerSlot(const ServerSlot&) = delete;
    ServerSlot& operator=(const ServerSlot&) = delete;

  private:
    std::string server_;
};

}  // namespace brevink::engine
