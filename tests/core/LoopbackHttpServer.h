#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// A tiny HTTP server on 127.0.0.1 (a free port) running in its own thread, for tests of code
// that downloads. The handler gets the request target ("/a/b?c") and the raw request and
// returns the raw answer, or nullopt to keep the connection open without ever answering.
// Header-only, so that the window tests can use it too.
class CLoopbackHttpServer {
public:
    using Handler =
        std::function<std::optional<std::string>(const std::string& target, const std::string&)>;

    explicit CLoopbackHttpServer(Handler handler);
    ~CLoopbackHttpServer();
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    std::string Base() const;
    // Raw requests received so far, oldest first.
    std::vector<std::string> Requests() const;
    // Ends the connections that were never answered (the client sees them closed).
    void DropHeldConnections();

    // A complete answer that closes the connection afterwards.
    static std::string Answer(int status, const std::string& reason, const std::string& body,
                              const std::string& extraHeaders = "");
    static std::string Redirect(int status, const std::string& location);

    // A port on 127.0.0.1 that nobody listens on (just released).
    static int UnusedPort();

private:
    void Run();
    void Serve(int fd);

    Handler m_handler;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::vector<int> m_held;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

namespace loopback_detail {
inline int ListenOnLoopback(int* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        close(fd);
        throw std::runtime_error("bind/listen");
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}
} // namespace loopback_detail

inline CLoopbackHttpServer::CLoopbackHttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_listen = loopback_detail::ListenOnLoopback(&m_port);
    if (pipe(m_wake) != 0)
        throw std::runtime_error("pipe");
    m_thread = std::thread([this] { Run(); });
}

inline CLoopbackHttpServer::~CLoopbackHttpServer() {
    m_stop = true;
    char c = 0;
    (void)!write(m_wake[1], &c, 1);
    m_thread.join();
    for (int fd : m_held)
        close(fd);
    close(m_listen);
    close(m_wake[0]);
    close(m_wake[1]);
}

inline std::string CLoopbackHttpServer::Base() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

inline std::vector<std::string> CLoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

inline void CLoopbackHttpServer::DropHeldConnections() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int fd : m_held)
        shutdown(fd, SHUT_RDWR);
}

inline std::string CLoopbackHttpServer::Answer(int status, const std::string& reason,
                                               const std::string& body,
                                               const std::string& extraHeaders) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
           extraHeaders + "\r\n" + body;
}

inline std::string CLoopbackHttpServer::Redirect(int status, const std::string& location) {
    return Answer(status, "Moved", "moved\n", "Location: " + location + "\r\n");
}

inline int CLoopbackHttpServer::UnusedPort() {
    int port = 0;
    close(loopback_detail::ListenOnLoopback(&port));
    return port;
}

inline void CLoopbackHttpServer::Run() {
    while (!m_stop) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (m_stop)
            break;
        if (fds[0].revents & POLLIN) {
            int fd = accept(m_listen, nullptr, nullptr);
            if (fd >= 0)
                Serve(fd);
        }
    }
}

inline void CLoopbackHttpServer::Serve(int fd) {
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || m_stop) {
            close(fd);
            return;
        }
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) {
            close(fd);
            return;
        }
        request.append(buf, size_t(n));
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    size_t sp1 = request.find(' ');
    size_t sp2 = request.find(' ', sp1 + 1);
    std::string target = request.substr(sp1 + 1, sp2 - sp1 - 1);
    std::optional<std::string> answer = m_handler(target, request);
    if (!answer) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.push_back(fd); // never answered; closed when the server stops
        return;
    }
    size_t sent = 0;
    while (sent < answer->size()) {
        ssize_t n = send(fd, answer->data() + sent, answer->size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += size_t(n);
    }
    shutdown(fd, SHUT_WR);
    close(fd);
}
