#include "NoticeFetch.h"

#include "config/CXmlDocument.h"

#include <sodium.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {
// A reserved name that never resolves: an installation sets FERIX_NOTICE_HOST to its service.
const char* const kDefaultNoticeHost = "http://notice.ferix-razaz.example";
const char* const kNoticePath = "/system/notice.php?type=jxc&version=1.5&machine=";

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}
} // namespace

std::string NoticeHost() {
    const char* env = std::getenv("FERIX_NOTICE_HOST");
    std::string host = env ? Trim(env) : std::string();
    if (host.empty())
        host = kDefaultNoticeHost;
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    return host;
}

std::string MachineIdentifier(const std::filesystem::path& machineIdFile) {
    std::string source;
    {
        std::ifstream in(machineIdFile, std::ios::binary);
        if (in)
            source.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        source = Trim(source);
    }
    if (source.empty()) {
        char name[256] = {};
        if (gethostname(name, sizeof name - 1) == 0)
            source = name;
    }
    // Keyed, so that the identifier differs from what other programs derive from the same id.
    static const unsigned char key[] = "ferix_razaz notice machine";
    unsigned char hash[16];
    // Picks the fastest hash code; the plain one serves when that fails.
    static const bool sodiumReady = sodium_init() >= 0;
    (void)sodiumReady;
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(source.data()),
                       source.size(), key, sizeof key - 1);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : hash) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string NoticeAddress(const std::string& host, const std::string& machine) {
    return host + kNoticePath + machine;
}

bool LooksLikeNotice(const std::string& body) {
    size_t at = body.find("config");
    if (at == 0)
        at = body.find("config", 1);
    return at != std::string::npos;
}

std::optional<NoticeTexts> ReadNoticeFile(const std::filesystem::path& file) {
    CXmlDocument doc;
    if (!doc.Load(file))
        return std::nullopt;
    // Well-formed XML of some other kind is no notice either.
    if (!doc.FindElement("config"))
        return std::nullopt;
    NoticeTexts notice;
    if (doc.EnterElement()) {
        while (doc.FindElement("item")) {
            std::string type = doc.GetAttribute("type");
            if (type == "title")
                notice.title = doc.GetAttribute("content");
            else if (type == "content")
                notice.content = doc.GetAttribute("content");
            else if (type == "url")
                notice.url = doc.GetAttribute("content");
        }
    }
    return notice;
}

NoticeFetchResult FetchNotice(const std::string& host, const std::filesystem::path& programFolder,
                              const CHttpDownload::Timeouts& timeouts) {
    NoticeFetchResult result;
    CHttpDownload http(timeouts);
    std::string body;
    if (!http.Get(NoticeAddress(host, MachineIdentifier()), body)) {
        result.error = http.ErrorText();
        if (result.error.empty())
            result.error = "HTTP " + std::to_string(http.StatusCode());
        return result;
    }
    if (!LooksLikeNotice(body)) {
        result.error = "回应不是通知文档";
        return result;
    }
    std::filesystem::path dir = programFolder / "Temp";
    std::filesystem::path file = dir / "tempx.data";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(body.data(), std::streamsize(body.size()));
        out.close();
        if (!out) {
            result.error = "无法写入 Temp/tempx.data";
            return result;
        }
    }
    result.notice = ReadNoticeFile(file);
    if (!result.notice)
        result.error = "通知文档格式错误";
    return result;
}
