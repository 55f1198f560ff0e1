#pragma once
// An HTTPS server on loopback for the engine tests: `openssl s_server -HTTP` run in a fresh
// folder with a certificate for 127.0.0.1 made at start by the openssl command. It answers
// "GET /<name>" with the file <name>, which holds a whole HTTP reply (Put).
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace brevink::test {

class TlsServer final {
  public:
    TlsServer();  // throws std::runtime_error when openssl cannot make the certificate or serve
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    void Put(const std::string& name, std::string_view reply) const;
    int Port() const { return port_; }
    std::string Url(std::string_view path) const;  // "https://127.0.0.1:port" + path
    std::string CertFile() const;                  // the PEM to trust

  private:
    bool Start();

    std::filesystem::path dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace brevink::test
