#pragma once
#include <optional>
#include <string>

typedef void CURL;

// A small HTTP GET client on libcurl. Redirects are followed here rather than by libcurl, so
// that the rules for Location and the limit on their number are ours.
// One object serves one thread; several objects may run in parallel.
class CHttpDownload {
public:
    struct Timeouts {
        long connectMs = 5000;
        long connectBackoffMs = 1000; // pause before each new connect attempt
        int connectRetries = 3;
        long receiveMs = 60000; // longest wait for the next piece of the answer
    };
    // A redirect loop ends here, as a failed download.
    static constexpr int kMaxRedirects = 10;
    // Nothing the program fetches comes near this; an endless answer stops here.
    static constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;

    CHttpDownload();
    explicit CHttpDownload(const Timeouts& timeouts);
    ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // Fetches `address` (http or https). On success `body` holds the answer, every line ended
    // by "\r\n". On failure `body` is empty and ErrorText() says why (empty for a status that
    // has no text of its own; StatusCode() then tells which it was).
    bool Get(const std::string& address, std::string& body);

    const std::string& ErrorText() const { return m_errorText; }
    // Of the last request made: server, object path with its query, port, status, headers.
    const std::string& ServerName() const { return m_serverName; }
    const std::string& ObjectPath() const { return m_objectPath; }
    int Port() const { return m_port; }
    long StatusCode() const { return m_statusCode; }
    const std::string& RawHeaders() const { return m_rawHeaders; }

    // The error text for an HTTP status; empty for the statuses without one.
    static std::string StatusErrorText(long status);
    // The value of the Location header in a block of raw response headers.
    static std::optional<std::string> FindLocation(const std::string& rawHeaders);
    // The address a redirect from `current` to `location` leads to: an absolute location as it
    // stands, "/x" from the server's root, anything else relative to the current folder, with
    // "../" stepping up and "./" staying. Fragments are dropped and bytes that cannot stand in
    // an address are %-escaped. nullopt when `current` is not an absolute address.
    static std::optional<std::string> ResolveRedirect(const std::string& current,
                                                      const std::string& location);

private:
    enum class Outcome { Done, Redirect, Failed };
    Outcome GetOnce(const std::string& address, std::string& body, std::string& next);
    void ResetRequestState();

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, long long, long long, long long, long long);
    static int OnConnected(void* self, char*, char*, int, int);

    Timeouts m_timeouts;
    CURL* m_curl = nullptr;

    std::string m_errorText;
    std::string m_serverName, m_objectPath;
    int m_port = 0;
    long m_statusCode = 0;
    std::string m_rawHeaders;

    // State of the request in flight.
    std::string m_received;
    bool m_connected = false;
    bool m_headersDone = false;
    bool m_bodyRefused = false; // the answer was not 2xx, its body was not wanted
    bool m_tooLarge = false;
    long long m_lastActivityMs = 0;
};
