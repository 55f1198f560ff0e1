#pragma once
// A loopback HTTP server on raw sockets for the engine tests: it keeps the exact bytes of
// every request it receives and answers each one with a scripted reply, which may also
// stall, trickle, cut a body short or never answer. One request per connection.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brevink::test {

struct ReplyStep {
    enum class Kind { Send, Pause, Hold };  // Hold: keep the connection open until the end
    Kind kind = Kind::Send;
    std::string bytes;
    int ms = 0;
};
using Reply = std::vector<ReplyStep>;

ReplyStep Send(std::string bytes);
ReplyStep Pause(int ms);
ReplyStep Hold();

// "HTTP/1.1 <status>", the header lines, a Content-Length line for the body, the body.
std::string HttpReply(std::string_view status, const std::vector<std::string>& headers = {},
                      std::string_view body = {});

struct RecordedRequest {
    std::string head;  // request line and header lines, through the blank line
    std::string body;

    std::string RequestLine() const;
    std::string Target() const;              // the path of the request line
    std::vector<std::string> Lines() const;  // the head's lines without line ends and blank line
};

class RecordingServer final {
  public:
    using Handler = std::function<Reply(const RecordedRequest&)>;

    explicit RecordingServer(std::string address = "127.0.0.1");
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    int Port() const { return port_; }
    std::string HostPort() const;                  // "127.0.0.1:port"
    std::string Url(std::string_view path) const;  // "http://127.0.0.1:port" + path

    void Answer(Reply reply);                      // for every request without its own answer
    void Answer(std::string target, Reply reply);  // for one request target
    void Answer(Handler handler);                  // worked out per request, after the routes

    std::vector<RecordedRequest> Requests() const;
    int MaxOpenConnections() const { return maxOpen_; }

    // Stops listening, ends held connections and waits for every connection thread.
    void Stop();

  private:
    void AcceptLoop();
    void Serve(int fd);
    Reply ReplyFor(const RecordedRequest& request);
    bool Play(int fd, const Reply& reply);
    void CountOpen(int change);

    std::string address_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::map<std::string, Reply> routes_;
    Reply fallback_;
    Handler handler_;
    std::vector<std::thread> connections_;
    int open_ = 0;
    std::atomic<int> maxOpen_{0};
    std::thread acceptor_;
};

}  // namespace brevink::test
