#include "CHttpDownload.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const char* const kInvalidUrl = "非法的URL";
const char* const kNoConnection = "无法与服务器建立连接";
const char* const kCannotAddHeaders = "网络错误－无法发送请求报头";
const char* const kCannotSend = "无法发送http报头，可能网络状况有问题";
const char* const kNoStatus = "网络错误－无法查询反馈代码";
const char* const kReceiveError = "接收数据错误";
const char* const kNoLocation = "Error: Site redirects with no new location";
const char* const kTooManyRedirects = "Error: Site redirects too many times";

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// libcurl's global set-up is not safe to race with other threads' first use.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The parts of an address or reference: scheme ":" "//" authority path "?" query "#" fragment.
struct UrlParts {
    std::optional<std::string> scheme, authority, query;
    std::string path;
};

UrlParts SplitUrl(const std::string& text) {
    UrlParts parts;
    size_t pos = 0;
    size_t colon = text.find_first_of(":/?#");
    if (colon != std::string::npos && colon > 0 && text[colon] == ':' && IsAsciiAlpha(text[0])) {
        bool valid = true;
        for (size_t i = 1; i < colon && valid; ++i) {
            char c = text[i];
            valid = IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.';
        }
        if (valid) {
            parts.scheme = text.substr(0, colon);
            pos = colon + 1;
        }
    }
    if (text.compare(pos, 2, "//") == 0) {
        size_t end = text.find_first_of("/?#", pos + 2);
        if (end == std::string::npos)
            end = text.size();
        parts.authority = text.substr(pos + 2, end - pos - 2);
        pos = end;
    }
    size_t pathEnd = text.find_first_of("?#", pos);
    if (pathEnd == std::string::npos)
        pathEnd = text.size();
    parts.path = text.substr(pos, pathEnd - pos);
    pos = pathEnd;
    if (pos < text.size() && text[pos] == '?') {
        size_t end = text.find('#', pos);
        if (end == std::string::npos)
            end = text.size();
        parts.query = text.substr(pos + 1, end - pos - 1);
    }
    return parts;
}

// "." and ".." segments of a path are taken out; ".." above the root stays at the root.
std::string RemoveDotSegments(std::string in) {
    std::string out;
    auto dropLastSegment = [&out] {
        size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!in.empty()) {
        if (in.compare(0, 3, "../") == 0) {
            in.erase(0, 3);
        } else if (in.compare(0, 2, "./") == 0) {
            in.erase(0, 2);
        } else if (in.compare(0, 3, "/./") == 0) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.compare(0, 4, "/../") == 0) {
            in.erase(0, 3);
            dropLastSegment();
        } else if (in == "/..") {
            in = "/";
            dropLastSegment();
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            if (next == std::string::npos)
                next = in.size();
            out.append(in, 0, next);
            in.erase(0, next);
        }
    }
    return out;
}

std::string EscapeUnsafeBytes(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string JoinUrl(const UrlParts& p) {
    std::string out;
    if (p.scheme)
        out += *p.scheme + ":";
    if (p.authority)
        out += "//" + *p.authority;
    else if (p.path.compare(0, 2, "//") == 0)
        out += "/."; // or the path's first segment would read as a server name
    out += p.path;
    if (p.query)
        out += "?" + *p.query;
    return out;
}

// The answer's lines, each ended by CR LF whatever the server used.
std::string ToCrLfLines(const std::string& raw) {
    std::string out;
    out.reserve(raw.size() + raw.size() / 32 + 2);
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t nl = raw.find('\n', pos);
        size_t end = nl == std::string::npos ? raw.size() : nl;
        size_t lineEnd = (end > pos && raw[end - 1] == '\r') ? end - 1 : end;
        out.append(raw, pos, lineEnd - pos);
        out += "\r\n";
        pos = nl == std::string::npos ? raw.size() : nl + 1;
    }
    return out;
}

struct CurlUrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value)
        return {};
    std::string out = value;
    curl_free(value);
    return out;
}

} // namespace

CHttpDownload::CHttpDownload() : CHttpDownload(Timeouts{}) {}

CHttpDownload::CHttpDownload(const Timeouts& timeouts) : m_timeouts(timeouts) {
    InitCurlOnce();
}

CHttpDownload::~CHttpDownload() {
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

bool CHttpDownload::Get(const std::string& address, std::string& body) {
    body.clear();
    m_errorText.clear();
    std::string current = address;
    for (int redirects = 0;; ++redirects) {
        std::string next;
        switch (GetOnce(current, body, next)) {
        case Outcome::Done:
            return true;
        case Outcome::Failed:
            body.clear();
            return false;
        case Outcome::Redirect:
            body.clear();
            if (redirects == kMaxRedirects) {
                m_errorText = kTooManyRedirects;
                return false;
            }
            current = next;
            break;
        }
    }
}

void CHttpDownload::ResetRequestState() {
    m_statusCode = 0;
    m_rawHeaders.clear();
    m_received.clear();
    m_connected = false;
    m_headersDone = false;
    m_bodyRefused = false;
    m_tooLarge = false;
    m_lastActivityMs = NowMs();
}

CHttpDownload::Outcome CHttpDownload::GetOnce(const std::string& address, std::string& body,
                                              std::string& next) {
    ResetRequestState();
    m_serverName.clear();
    m_objectPath.clear();
    m_port = 0;
    std::unique_ptr<CURLU, CurlUrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
        m_errorText = kInvalidUrl;
        return Outcome::Failed;
    }
    std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    m_serverName = UrlPart(url.get(), CURLUPART_HOST);
    if ((scheme != "http" && scheme != "https") || m_serverName.empty()) {
        m_errorText = kInvalidUrl;
        return Outcome::Failed;
    }
    m_port = std::atoi(UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
    m_objectPath = UrlPart(url.get(), CURLUPART_PATH);
    std::string query = UrlPart(url.get(), CURLUPART_QUERY);
    if (!query.empty())
        m_objectPath += "?" + query;
    // The fragment is never sent.
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    std::string cleanAddress = UrlPart(url.get(), CURLUPART_URL);

    if (!m_curl)
        m_curl = curl_easy_init();
    if (!m_curl) {
        m_errorText = kNoConnection;
        return Outcome::Failed;
    }

    curl_slist* list = nullptr;
    for (const char* h : {"Accept: */*",
                          "User-Agent: Mozilla/5.0 (Windows NT 5.1; rv:2.0.1) Gecko/20100101 "
                          "Firefox/4.0.1",
                          "Keep-Alive: 115", "Connection: Keep-Alive"}) {
        curl_slist* grown = curl_slist_append(list, h);
        if (!grown) {
            curl_slist_free_all(list);
            m_errorText = kCannotAddHeaders;
            return Outcome::Failed;
        }
        list = grown;
    }
    std::unique_ptr<curl_slist, CurlListDeleter> headers(list);

    int attempt = 0;
    CURLcode rc = CURLE_OK;
    for (;;) {
        curl_easy_reset(m_curl); // keeps the open connections for reuse
        ResetRequestState();
        bool optionsSet =
            curl_easy_setopt(m_curl, CURLOPT_URL, cleanAddress.c_str()) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, m_timeouts.connectMs) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CHttpDownload::OnHeader) ==
                CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CHttpDownload::OnBody) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CHttpDownload::OnProgress) ==
                CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this) == CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_PREREQFUNCTION, &CHttpDownload::OnConnected) ==
                CURLE_OK &&
            curl_easy_setopt(m_curl, CURLOPT_PREREQDATA, this) == CURLE_OK;
        if (!optionsSet) {
            m_errorText = kNoConnection;
            return Outcome::Failed;
        }
        if (curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers.get()) != CURLE_OK) {
            m_errorText = kCannotAddHeaders;
            return Outcome::Failed;
        }
        rc = curl_easy_perform(m_curl);
        bool connectFailed =
            !m_connected && (rc == CURLE_COULDNT_CONNECT || rc == CURLE_OPERATION_TIMEDOUT);
        if (!connectFailed || attempt >= m_timeouts.connectRetries)
            break;
        ++attempt;
        std::this_thread::sleep_for(std::chrono::milliseconds(m_timeouts.connectBackoffMs));
    }
    // The options point at our local list; drop them before it goes.
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);

    if (!m_connected) {
        m_errorText = kNoConnection;
        return Outcome::Failed;
    }
    if (!m_headersDone) {
        m_errorText = (rc == CURLE_WEIRD_SERVER_REPLY || rc == CURLE_UNSUPPORTED_PROTOCOL)
                          ? kNoStatus
                          : kCannotSend;
        return Outcome::Failed;
    }
    if (curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &m_statusCode) != CURLE_OK) {
        m_errorText = kNoStatus;
        return Outcome::Failed;
    }

    if (m_statusCode >= 200 && m_statusCode <= 299) {
        if (rc != CURLE_OK || m_tooLarge) {
            m_errorText = kReceiveError;
            return Outcome::Failed;
        }
        body = ToCrLfLines(m_received);
        m_received.clear();
        return Outcome::Done;
    }
    // 307 and 308 are redirects like the others for a GET.
    if (m_statusCode >= 300 && m_statusCode <= 308) {
        std::optional<std::string> location = FindLocation(m_rawHeaders);
        if (!location) {
            m_errorText = kNoLocation;
            return Outcome::Failed;
        }
        std::optional<std::string> resolved = ResolveRedirect(cleanAddress, *location);
        if (!resolved) {
            m_errorText = kInvalidUrl;
            return Outcome::Failed;
        }
        next = *resolved;
        return Outcome::Redirect;
    }
    m_errorText = StatusErrorText(m_statusCode);
    return Outcome::Failed;
}

size_t CHttpDownload::OnHeader(char* data, size_t size, size_t count, void* selfPtr) {
    auto* self = static_cast<CHttpDownload*>(selfPtr);
    size_t n = size * count;
    std::string line(data, n);
    self->m_lastActivityMs = NowMs();
    // A new status line starts a new answer (after a "100 Continue", say).
    if (line.compare(0, 5, "HTTP/") == 0)
        self->m_rawHeaders.clear();
    self->m_rawHeaders += line;
    if (line == "\r\n" || line == "\n") {
        long status = 0;
        curl_easy_getinfo(self->m_curl, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200)
            self->m_headersDone = true;
    }
    return n;
}

size_t CHttpDownload::OnBody(char* data, size_t size, size_t count, void* selfPtr) {
    auto* self = static_cast<CHttpDownload*>(selfPtr);
    size_t n = size * count;
    self->m_lastActivityMs = NowMs();
    long status = 0;
    curl_easy_getinfo(self->m_curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        // Only the status and headers of such an answer matter; stop reading it.
        self->m_bodyRefused = true;
        return 0;
    }
    if (self->m_received.size() + n > kMaxBodyBytes) {
        self->m_tooLarge = true;
        return 0;
    }
    self->m_received.append(data, n);
    return n;
}

int CHttpDownload::OnProgress(void* selfPtr, long long, long long, long long, long long) {
    auto* self = static_cast<CHttpDownload*>(selfPtr);
    // Connecting has a time-out of its own.
    if (!self->m_connected)
        return 0;
    return NowMs() - self->m_lastActivityMs > self->m_timeouts.receiveMs ? 1 : 0;
}

int CHttpDownload::OnConnected(void* selfPtr, char*, char*, int, int) {
    auto* self = static_cast<CHttpDownload*>(selfPtr);
    self->m_connected = true;
    self->m_lastActivityMs = NowMs();
    return CURL_PREREQFUNC_OK;
}

std::string CHttpDownload::StatusErrorText(long status) {
    switch (status) {
    case 100:
        return "客户方错误-继续 [Continue]";
    case 101:
        return "客户方错误-交换协议 [witching Protocols]";
    case 400:
        return "错误请求 [Bad Request]";
    case 401:
        return "网页需要验证信息 [Unauthorized]";
    case 402:
        return "网页需要付费 [Payment Required]";
    case 403:
        return "禁止访问 [Forbidden]";
    case 404:
        return "没有找到网页 [Not Found]";
    case 405:
        return "不允许Http访问该文件 [Method Not Allowed]";
    case 406:
        return "该文件不允许访问 [Not Acceptable]";
    case 407:
        return "该文件需要代理认证 [Proxy Authentication Required]";
    case 408:
        return "对该文件请求超时 [Request Time-out]";
    case 409:
        return "对该文件访问冲突 [Conflict]";
    case 410:
        return "对该文件访问失败 [Gone]";
    case 411:
        return "该文件需要长度信息 [Length Required]";
    case 412:
        return "请求条件失败 [Precondition Failed]";
    case 413:
        return "请求文件实体太大 [Request Entity Too Large]";
    case 414:
        return "请求的URI太长 [Request-URI Too Large]";
    case 415:
        return "不支持媒体类型 [Unsupported Media Type]";
    case 416:
        return "队列请求失败 [Requested range not satisfiable]";
    case 417:
        return "预期失败 [Expectation Failed]";
    case 500:
        return "服务器内部错误 [Internal Server Error]";
    case 501:
        return "未实现请求 [Not Implemented]";
    case 502:
        return "网关失败 [Bad Gateway]";
    case 503:
        return "没有找到服务器 [Service Unavailable]";
    case 504:
        return "网关超时 [Gateway Time-out]";
    case 505:
        return "服务器不支持系统使用的HTTP版本 [HTTP Version not supported]";
    default:
        return {};
    }
}

std::optional<std::string> CHttpDownload::FindLocation(const std::string& rawHeaders) {
    static const std::string name = "location:";
    size_t pos = 0;
    while (pos < rawHeaders.size()) {
        size_t nl = rawHeaders.find('\n', pos);
        size_t end = nl == std::string::npos ? rawHeaders.size() : nl;
        // Header names compare without case; "Content-Location" is not the one.
        bool match = end - pos >= name.size();
        for (size_t i = 0; match && i < name.size(); ++i)
            match = LowerAscii(rawHeaders[pos + i]) == name[i];
        if (match) {
            size_t b = pos + name.size();
            size_t e = end;
            while (b < e && (rawHeaders[b] == ' ' || rawHeaders[b] == '\t'))
                ++b;
            while (e > b && (rawHeaders[e - 1] == '\r' || rawHeaders[e - 1] == ' ' ||
                             rawHeaders[e - 1] == '\t'))
                --e;
            if (e > b)
                return rawHeaders.substr(b, e - b);
            return std::nullopt;
        }
        pos = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> CHttpDownload::ResolveRedirect(const std::string& current,
                                                          const std::string& location) {
    UrlParts base = SplitUrl(current);
    if (!base.scheme || !base.authority)
        return std::nullopt;
    UrlParts ref = SplitUrl(location);
    UrlParts target;
    if (ref.scheme) {
        target = ref;
        target.path = RemoveDotSegments(ref.path);
    } else {
        target.scheme = base.scheme;
        if (ref.authority) {
            target.authority = ref.authority;
            target.path = RemoveDotSegments(ref.path);
            target.query = ref.query;
        } else {
            target.authority = base.authority;
            if (ref.path.empty()) {
                target.path = RemoveDotSegments(base.path);
                target.query = ref.query ? ref.query : base.query;
            } else {
                if (ref.path[0] == '/') {
                    target.path = RemoveDotSegments(ref.path);
                } else {
                    std::string merged;
                    if (base.path.empty()) {
                        merged = "/" + ref.path;
                    } else {
                        size_t slash = base.path.rfind('/');
                        merged = (slash == std::string::npos ? std::string()
                                                             : base.path.substr(0, slash + 1)) +
                                 ref.path;
                    }
                    target.path = RemoveDotSegments(merged);
                }
                target.query = ref.query;
            }
        }
    }
    // Scheme names compare without case.
    for (char& c : *target.scheme)
        c = LowerAscii(c);
    return EscapeUnsafeBytes(JoinUrl(target));
}
