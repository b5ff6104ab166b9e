#pragma once
// A Unix-socket relay between the program and the test server that can cut a connection at its
// COMMIT, so a test meets a lost reply exactly where it wants it, without racing the server.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class CCommitCuttingProxy {
public:
    enum class Cut {
        None,
        BeforeCommit,         // the COMMIT never reaches the server: it rolls the work back
        AfterCommit,          // the server commits, and its reply is dropped
        AfterCommitAndRefuse, // as AfterCommit, and every other connection is cut and new ones
                              // refused, until StopRefusing: the server seems gone
    };

    // Listens in `folder` for the server whose socket is in `serverFolder` (same port 5432).
    CCommitCuttingProxy(const std::filesystem::path& folder,
                        const std::filesystem::path& serverFolder)
        : m_server(serverFolder / ".s.PGSQL.5432") {
        m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = Address(folder / ".s.PGSQL.5432");
        if (::bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listen, 8) != 0)
            throw std::runtime_error("the proxy cannot listen");
        if (::pipe(m_stop) != 0)
            throw std::runtime_error("no pipe");
        m_accepting = std::thread([this] { Accept(); });
    }

    ~CCommitCuttingProxy() {
        if (::write(m_stop[1], "x", 1) != 1)
            std::terminate();
        m_accepting.join();
        // Relays still running end when their sockets do; each takes the mutex as it ends, so
        // they are joined without holding it.
        std::vector<std::thread> relays;
        {
            std::lock_guard lock(m_mutex);
            for (int fd : m_open)
                ::shutdown(fd, SHUT_RDWR);
            relays.swap(m_relays);
        }
        for (auto& t : relays)
            t.join();
        ::close(m_listen);
        ::close(m_stop[0]);
        ::close(m_stop[1]);
    }

    // The next COMMIT any connection sends is cut so; later ones pass.
    void CutNextCommit(Cut cut) {
        m_cut = cut;
        m_refusing = false;
    }
    void StopRefusing() { m_refusing = false; }

private:
    static sockaddr_un Address(const std::filesystem::path& path) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        return a;
    }

    void Accept() {
        for (;;) {
            pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            ::poll(fds, 2, -1);
            if (fds[1].revents)
                return;
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0)
                continue;
            if (m_refusing) {
                ::close(client);
                continue;
            }
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const sockaddr_un address = Address(m_server);
            if (::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
                ::close(client);
                ::close(server);
                continue;
            }
            std::lock_guard lock(m_mutex);
            // Refusing may have begun while this one was being connected: the cut of the kept
            // connections (under this lock) must not miss it.
            if (m_refusing) {
                ::close(client);
                ::close(server);
                continue;
            }
            m_open.insert(client);
            m_open.insert(server);
            m_relays.emplace_back([this, client, server] { Relay(client, server); });
        }
    }

    static bool SendAll(int fd, const char* data, size_t size) {
        while (size) {
            const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    static uint32_t Length(const std::string& buffer, size_t at) {
        return (uint32_t(uint8_t(buffer[at])) << 24) | (uint32_t(uint8_t(buffer[at + 1])) << 16) |
               (uint32_t(uint8_t(buffer[at + 2])) << 8) | uint32_t(uint8_t(buffer[at + 3]));
    }

    // Relays whole client messages (the first ones untyped: start-up, encryption requests) and
    // the server's bytes as they come; a simple-query COMMIT meets the armed cut.
    void Relay(int client, int server) {
        std::string fromClient;
        bool started = false;
        char chunk[8192];
        for (;;) {
            pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            ::poll(fds, 3, -1);
            if (fds[2].revents)
                break;
            if (fds[1].revents) {
                const ssize_t n = ::recv(server, chunk, sizeof chunk, 0);
                if (n <= 0 || !SendAll(client, chunk, static_cast<size_t>(n)))
                    break;
            }
            if (!fds[0].revents)
                continue;
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            fromClient.append(chunk, static_cast<size_t>(n));
            bool cut = false;
            for (;;) {
                const size_t head = started ? 1 : 0;
                if (fromClient.size() < head + 4)
                    break;
                const size_t size = head + Length(fromClient, head);
                if (fromClient.size() < size)
                    break;
                const std::string message = fromClient.substr(0, size);
                fromClient.erase(0, size);
                // An encryption request (80877103, 80877104) is followed by the start-up.
                if (!started && !(size == 8 && (Length(message, 4) == 80877103 ||
                                                Length(message, 4) == 80877104)))
                    started = true;
                const bool commit =
                    started && message[0] == 'Q' && std::strcmp(message.c_str() + 5, "COMMIT") == 0;
                const Cut armed = commit ? m_cut.exchange(Cut::None) : Cut::None;
                if (armed == Cut::BeforeCommit) {
                    cut = true;
                    break;
                }
                if (!SendAll(server, message.data(), message.size())) {
                    cut = true;
                    break;
                }
                if (armed != Cut::None) {
                    // The server's whole answer, up to ReadyForQuery, is read and dropped.
                    std::string reply;
                    for (size_t at = 0;;) {
                        if (reply.size() >= at + 5) {
                            if (reply[at] == 'Z')
                                break;
                            at += 1 + Length(reply, at + 1);
                            continue;
                        }
                        const ssize_t got = ::recv(server, chunk, sizeof chunk, 0);
                        if (got <= 0)
                            break;
                        reply.append(chunk, static_cast<size_t>(got));
                    }
                    if (armed == Cut::AfterCommitAndRefuse) {
                        m_refusing = true;
                        // Kept connections of the program would otherwise answer the look-up.
                        std::lock_guard lock(m_mutex);
                        for (int fd : m_open)
                            ::shutdown(fd, SHUT_RDWR);
                    }
                    cut = true;
                    break;
                }
            }
            if (cut)
                break;
        }
        std::lock_guard lock(m_mutex);
        m_open.erase(client);
        m_open.erase(server);
        ::close(client);
        ::close(server);
    }

    std::filesystem::path m_server;
    int m_listen = -1;
    int m_stop[2] = {-1, -1};
    std::atomic<Cut> m_cut = Cut::None;
    std::atomic<bool> m_refusing = false;
    std::mutex m_mutex;
    std::vector<std::thread> m_relays;
    std::set<int> m_open; // the sockets of the relays still running
    std::thread m_accepting;
};
