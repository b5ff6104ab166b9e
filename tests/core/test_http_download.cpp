#include "LoopbackHttpServer.h"

#include "net/CHttpDownload.h"

#include <gtest/gtest.h>

#include <map>

namespace {
using Server = CLoopbackHttpServer;

// Quick time-outs so that failing cases end at once.
CHttpDownload::Timeouts QuickTimeouts() {
    CHttpDownload::Timeouts t;
    t.connectMs = 2000;
    t.connectBackoffMs = 10;
    t.connectRetries = 1;
    t.receiveMs = 1000;
    return t;
}

// Answers from a fixed table of targets; anything else is a 404.
Server::Handler Routes(std::map<std::string, std::string> routes) {
    return [routes](const std::string& target, const std::string&) -> std::optional<std::string> {
        auto it = routes.find(target);
        if (it == routes.end())
            return Server::Answer(404, "Not Found", "<html>no</html>");
        return it->second;
    };
}

std::string HeaderValue(const std::string& request, const std::string& name) {
    size_t p = request.find("\r\n" + name + ": ");
    if (p == std::string::npos)
        return "<missing>";
    p += name.size() + 4;
    return request.substr(p, request.find("\r\n", p) - p);
}
} // namespace

TEST(HttpDownload, GoodAnswerComesBackLineByLineWithTheProgramsHeaders) {
    Server server(Routes({{"/system/notice.php?type=jxc&x=1",
                           Server::Answer(200, "OK", "line one\nline two\r\n\nlast")}}));
    CHttpDownload http(QuickTimeouts());
    std::string body = "old";
    ASSERT_TRUE(http.Get(server.Base() + "/system/notice.php?type=jxc&x=1#top", body))
        << http.ErrorText();
    EXPECT_EQ(body, "line one\r\nline two\r\n\r\nlast\r\n");
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.ErrorText(), "");
    EXPECT_EQ(http.ServerName(), "127.0.0.1");
    EXPECT_EQ(http.Port(), server.Port());
    EXPECT_EQ(http.ObjectPath(), "/system/notice.php?type=jxc&x=1");
    EXPECT_EQ(http.RawHeaders().substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(http.RawHeaders().find("Content-Length: 24\r\n"), std::string::npos);

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, 42), "GET /system/notice.php?type=jxc&x=1 HTTP/1");
    EXPECT_EQ(HeaderValue(requests[0], "Accept"), "*/*");
    EXPECT_EQ(HeaderValue(requests[0], "User-Agent"),
              "Mozilla/5.0 (Windows NT 5.1; rv:2.0.1) Gecko/20100101 Firefox/4.0.1");
    EXPECT_EQ(HeaderValue(requests[0], "Keep-Alive"), "115");
    EXPECT_EQ(HeaderValue(requests[0], "Connection"), "Keep-Alive");

    // An empty answer is a success with an empty body.
    Server empty(Routes({{"/", Server::Answer(204, "No Content", "")}}));
    body = "old";
    EXPECT_TRUE(http.Get(empty.Base() + "/", body));
    EXPECT_EQ(body, "");
}

TEST(HttpDownload, StatusesOutsideSuccessAndRedirectFailWithTheirText) {
    Server server([](const std::string& target, const std::string&) -> std::optional<std::string> {
        int status = std::stoi(target.substr(1));
        return Server::Answer(status, "Whatever", "an error page\n");
    });
    const std::map<int, std::string> expected = {
        {400, "错误请求 [Bad Request]"},
        {403, "禁止访问 [Forbidden]"},
        {404, "没有找到网页 [Not Found]"},
        {410, "对该文件访问失败 [Gone]"},
        {416, "队列请求失败 [Requested range not satisfiable]"},
        {500, "服务器内部错误 [Internal Server Error]"},
        {503, "没有找到服务器 [Service Unavailable]"},
        {505, "服务器不支持系统使用的HTTP版本 [HTTP Version not supported]"},
        {418, ""}, // no text of its own
        {309, ""},
        {600, ""},
    };
    CHttpDownload http(QuickTimeouts());
    for (const auto& [status, text] : expected) {
        std::string body = "old";
        EXPECT_FALSE(http.Get(server.Base() + "/" + std::to_string(status), body)) << status;
        EXPECT_EQ(http.ErrorText(), text) << status;
        EXPECT_EQ(http.StatusCode(), status);
        EXPECT_EQ(body, "") << status;
    }
    EXPECT_EQ(CHttpDownload::StatusErrorText(101), "客户方错误-交换协议 [witching Protocols]");
    EXPECT_EQ(CHttpDownload::StatusErrorText(100), "客户方错误-继续 [Continue]");
    EXPECT_EQ(CHttpDownload::StatusErrorText(407),
              "该文件需要代理认证 [Proxy Authentication Required]");
    EXPECT_EQ(CHttpDownload::StatusErrorText(200), "");
}

TEST(HttpDownload, RedirectsAreFollowedRelativeAndAbsolute) {
    Server other(Routes({{"/elsewhere/final.xml", Server::Answer(200, "OK", "far\n")}}));
    Server server(Routes({
        {"/a/b/start", Server::Redirect(302, "next")},
        {"/a/b/next", Server::Redirect(301, "../c/up")},
        {"/a/c/up", Server::Redirect(303, "/root?q=1")},
        {"/root?q=1", Server::Answer(200, "OK", "relative done\n")},
        {"/abs", Server::Redirect(307, other.Base() + "/elsewhere/final.xml")},
        {"/lower", "HTTP/1.1 302 Found\r\nContent-Location: /wrong\r\nlocation:   /root?q=1  "
                   "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
        {"/nowhere", Server::Answer(302, "Found", "", "Content-Location: /root?q=1\r\n")},
        {"/notmodified", Server::Answer(304, "Not Modified", "")},
        {"/ftp", Server::Redirect(302, "ftp://127.0.0.1/file")},
    }));
    CHttpDownload http(QuickTimeouts());
    std::string body;
    ASSERT_TRUE(http.Get(server.Base() + "/a/b/start", body)) << http.ErrorText();
    EXPECT_EQ(body, "relative done\r\n");
    EXPECT_EQ(http.ObjectPath(), "/root?q=1");
    EXPECT_EQ(server.Requests().size(), 4u);

    ASSERT_TRUE(http.Get(server.Base() + "/abs", body)) << http.ErrorText();
    EXPECT_EQ(body, "far\r\n");
    EXPECT_EQ(http.Port(), other.Port());

    ASSERT_TRUE(http.Get(server.Base() + "/lower", body)) << http.ErrorText();
    EXPECT_EQ(body, "relative done\r\n");

    for (const char* target : {"/nowhere", "/notmodified"}) {
        body = "old";
        EXPECT_FALSE(http.Get(server.Base() + target, body)) << target;
        EXPECT_EQ(http.ErrorText(), "Error: Site redirects with no new location") << target;
        EXPECT_EQ(body, "");
    }
    EXPECT_FALSE(http.Get(server.Base() + "/ftp", body));
    EXPECT_EQ(http.ErrorText(), "非法的URL");
}

TEST(HttpDownload, RedirectLoopEndsAfterTenRedirects) {
    Server server([](const std::string& target, const std::string&) -> std::optional<std::string> {
        if (target == "/ping")
            return Server::Redirect(302, "/pong");
        if (target == "/pong")
            return Server::Redirect(302, "ping");
        // A chain of exactly ten redirects still arrives.
        int n = std::stoi(target.substr(7));
        if (n < 10)
            return Server::Redirect(302, "/chain/" + std::to_string(n + 1));
        return Server::Answer(200, "OK", "end of chain");
    });
    CHttpDownload http(QuickTimeouts());
    std::string body = "old";
    EXPECT_FALSE(http.Get(server.Base() + "/ping", body));
    EXPECT_EQ(http.ErrorText(), "Error: Site redirects too many times");
    EXPECT_EQ(body, "");
    EXPECT_EQ(server.Requests().size(), 11u); // the first request and ten redirects

    EXPECT_TRUE(http.Get(server.Base() + "/chain/0", body)) << http.ErrorText();
    EXPECT_EQ(body, "end of chain\r\n");
}

TEST(HttpDownload, NetworkFailuresGiveTheirTexts) {
    CHttpDownload http(QuickTimeouts());
    std::string body = "old";

    for (const char* bad : {"", "no address", "ftp://127.0.0.1/x", "127.0.0.1:80/x", "http://",
                            "file:///etc/passwd"}) {
        EXPECT_FALSE(http.Get(bad, body)) << bad;
        EXPECT_EQ(http.ErrorText(), "非法的URL") << bad;
    }

    EXPECT_FALSE(http.Get("http://127.0.0.1:" + std::to_string(Server::UnusedPort()) + "/x", body));
    EXPECT_EQ(http.ErrorText(), "无法与服务器建立连接");

    // A server that takes the request and never answers: the receive time-out ends it.
    Server silent([](const std::string&, const std::string&) { return std::nullopt; });
    EXPECT_FALSE(http.Get(silent.Base() + "/system/notice.php", body));
    EXPECT_EQ(http.ErrorText(), "无法发送http报头，可能网络状况有问题");
    EXPECT_EQ(body, "");

    Server broken(Routes({
        {"/garbage", "SPLAT nonsense\r\n\r\n"},
        {"/short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nonly "
                   "ten b"},
        {"/closed", ""},
    }));
    EXPECT_FALSE(http.Get(broken.Base() + "/garbage", body));
    EXPECT_EQ(http.ErrorText(), "网络错误－无法查询反馈代码");
    EXPECT_FALSE(http.Get(broken.Base() + "/short", body));
    EXPECT_EQ(http.ErrorText(), "接收数据错误");
    EXPECT_EQ(body, "");
    EXPECT_FALSE(http.Get(broken.Base() + "/closed", body));
    EXPECT_EQ(http.ErrorText(), "无法发送http报头，可能网络状况有问题");
}

TEST(HttpDownload, LocationHeaderIsFoundByNameOnly) {
    EXPECT_EQ(CHttpDownload::FindLocation("HTTP/1.1 302 Found\r\nLocation: /a b\r\n\r\n"), "/a b");
    EXPECT_EQ(CHttpDownload::FindLocation("HTTP/1.1 302 Found\r\nLOCATION:/x\n"), "/x");
    EXPECT_EQ(CHttpDownload::FindLocation("HTTP/1.1 302\r\nContent-Location: /x\r\n\r\n"),
              std::nullopt);
    EXPECT_EQ(CHttpDownload::FindLocation("HTTP/1.1 302\r\nX-Note: Location: /x\r\n\r\n"),
              std::nullopt);
    EXPECT_EQ(CHttpDownload::FindLocation("HTTP/1.1 302\r\nLocation:   \r\n\r\n"), std::nullopt);
    EXPECT_EQ(CHttpDownload::FindLocation(""), std::nullopt);
}

TEST(HttpDownload, RedirectTargetsResolveAgainstTheCurrentAddress) {
    const std::string base = "http://host:8080/system/sub/notice.php?type=jxc#frag";
    const std::pair<const char*, const char*> cases[] = {
        {"http://other/x.xml", "http://other/x.xml"},
        {"HTTP://Other/a/./b/../c", "http://Other/a/c"},
        {"https://secure/n", "https://secure/n"},
        {"//cdn.example/n.xml", "http://cdn.example/n.xml"},
        {"/root.php?a=1", "http://host:8080/root.php?a=1"},
        {"next.php", "http://host:8080/system/sub/next.php"},
        {"./next.php", "http://host:8080/system/sub/next.php"},
        {"../up.php", "http://host:8080/system/up.php"},
        {"../../../../../top.php", "http://host:8080/top.php"},
        {"?type=other", "http://host:8080/system/sub/notice.php?type=other"},
        {"#elsewhere", "http://host:8080/system/sub/notice.php?type=jxc"},
        {"a b/ç.xml", "http://host:8080/system/sub/a%20b/%C3%A7.xml"},
        {"/go?to=http://x/", "http://host:8080/go?to=http://x/"},
        {"ftp://files/x", "ftp://files/x"},
    };
    for (const auto& [location, expected] : cases)
        EXPECT_EQ(CHttpDownload::ResolveRedirect(base, location), expected) << location;
    EXPECT_EQ(CHttpDownload::ResolveRedirect("http://host", "x"), "http://host/x");
    EXPECT_EQ(CHttpDownload::ResolveRedirect("not absolute", "/x"), std::nullopt);
}
