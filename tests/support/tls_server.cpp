#include "support/tls_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace brevink::test {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return where;
}

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where = Loopback(0);
    socklen_t size = sizeof where;
    bind(fd, reinterpret_cast<sockaddr*>(&where), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    close(fd);
    return ntohs(where.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in where = Loopback(port);
    const bool open = connect(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
    close(fd);
    return open;
}

}  // namespace

TlsServer::TlsServer() {
    char pattern[] = "/tmp/brevink-tls-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("no temporary folder for the TLS server");
    }
    dir_ = pattern;
    const std::string make =
        "cd '" + dir_.string() +
        "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
        "-keyout key.pem -out cert.pem -days 2 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        std::filesystem::remove_all(dir_);
        throw std::runtime_error("openssl could not make the test certificate");
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (Start()) {
            return;
        }
    }
    std::filesystem::remove_all(dir_);
    throw std::runtime_error("openssl s_server did not start");
}

TlsServer::~TlsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(dir_);
}

bool TlsServer::Start() {
    port_ = FreeLoopbackPort();
    const std::string accept = "127.0.0.1:" + std::to_string(port_);
    const std::string dir = dir_.string();
    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (chdir(dir.c_str()) == 0) {
            execlp("openssl", "openssl", "s_server", "-quiet", "-accept", accept.c_str(), "-cert",
                   "cert.pem", "-key", "key.pem", "-HTTP", static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    for (int wait = 0; wait < 100; ++wait) {
        if (Accepts(port_)) {
            return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;  // it ended: the port was taken meanwhile
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return false;
}

void TlsServer::Put(const std::string& name, std::string_view reply) const {
    std::ofstream(dir_ / name, std::ios::binary) << reply;
}

std::string TlsServer::Url(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string TlsServer::CertFile() const {
    return (dir_ / "cert.pem").string();
}

}  // namespace brevink::test
