#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A tiny HTTP server on 127.0.0.1 (a free port) running in its own thread, for tests of code
// that downloads. The handler gets the request target ("/a/b?c") and the raw request and
// returns the raw answer, or nullopt to keep the connection open without ever answering.
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
