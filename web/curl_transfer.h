#pragma once
// One request and its redirects over libcurl: the one place where both engines' time limits,
// TLS trust, header lines and reply capture are set.
#include <string>
#include <vector>

namespace brevink::engine {

struct TransferLimits {
    long connectMs = 5000;   // name lookup, TCP and TLS handshake
    long stallMs = 5000;     // longest pause in sending or receiving once connected
    long headersMs = 15000;  // the whole header block, counted from the connection
    long bodyMs = 15000;     // the whole body, counted from the header block; 0: no limit
};

struct HeaderLine {
    std::string text;           // "Name: value"
    bool withBodyOnly = false;  // dropped when a redirect turns the request into a GET
    bool sameHostOnly = false;  // not sent on to another host by a redirect
};

struct Credentials {
    bool given = false;
    std::string user;
    std::string password;
};

struct TransferRequest {
    std::string url;     // absolute http:// or https:// URL; blanks in it go out as %20
    std::string method;  // upper case, one HTTP token
    std::string body;
    bool sendBody = false;            // also an empty body: a POST carries its length
    std::vector<HeaderLine> headers;  // in the order they go out (curl's Host line first)
    std::string proxy;                // empty: a direct connection, whatever the environment says
    Credentials proxyLogin;
    Credentials serverLogin;
    bool useCookieStore = false;  // the engine's own cookie store reads and writes cookies
    bool followRedirects = true;
    std::string caFile;  // extra trusted certificates beside the system store
    TransferLimits limits;
};

enum class TransferOutcome {
    NoHandles,   // libcurl's handles could not be made
    Unusable,    // the URL or the method cannot make an HTTP request
    NoReply,     // no header block: no connection, TLS refused, time-out, redirect loop
    BodyFailed,  // the header block came, the body did not complete
    Complete,
};

struct TransferReply {
    TransferOutcome outcome = TransferOutcome::NoHandles;
    int status = 0;
    std::vector<std::string> headerLines;  // final reply, status line first, line ends removed
    std::string body;
};

inline constexpr int kMaxRedirects = 10;

// A proxy text: the address, then optionally the user name and the password, each after the
// character with code 1.
void UseProxy(const std::string& proxyText, TransferRequest& request);

TransferReply RunTransfer(const TransferRequest& request);

}  // namespace brevink::engine
