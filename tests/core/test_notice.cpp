#include "LoopbackHttpServer.h"
#include "TestSupport.h"

#include "net/NoticeFetch.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
using Server = CLoopbackHttpServer;

const std::string kGoodNotice = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<config>\n"
                                "  <item type=\"title\" content=\"系统通知\"/>\n"
                                "  <item type=\"content\" content=\"新版本 &amp; 新功能\"/>\n"
                                "  <item type=\"url\" content=\"http://notice.example/v2\"/>\n"
                                "</config>\n";

CHttpDownload::Timeouts Quick() {
    CHttpDownload::Timeouts t;
    t.connectMs = 2000;
    t.connectBackoffMs = 10;
    t.connectRetries = 0;
    t.receiveMs = 1000;
    return t;
}

// Serves the notice path (whatever the machine) from `answer`, and the other targets by table.
Server::Handler NoticeServer(std::optional<std::string> answer,
                             std::map<std::string, std::string> others = {}) {
    return [answer, others](const std::string& target,
                            const std::string&) -> std::optional<std::string> {
        if (target.rfind("/system/notice.php?type=jxc&version=1.5&machine=", 0) == 0)
            return answer;
        auto it = others.find(target);
        if (it != others.end())
            return it->second;
        return Server::Answer(404, "Not Found", "");
    };
}

class NoticeTest : public ProgramFolderTest {
protected:
    NoticeFetchResult Fetch(const Server& server) {
        return FetchNotice(server.Base(), Dir(), Quick());
    }
};
} // namespace

TEST_F(NoticeTest, GoodNoticeGivesItsThreeTextsAndIsKeptInTemp) {
    Server server(NoticeServer(Server::Answer(200, "OK", kGoodNotice)));
    NoticeFetchResult r = Fetch(server);
    ASSERT_TRUE(r.notice) << r.error;
    EXPECT_EQ(r.notice->title, "系统通知");
    EXPECT_EQ(r.notice->content, "新版本 & 新功能");
    EXPECT_EQ(r.notice->url, "http://notice.example/v2");
    EXPECT_EQ(r.error, "");

    // Temp did not exist: it was made, and the copy holds the answer line by line.
    std::string crlf;
    for (char c : kGoodNotice)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ReadFile("Temp/tempx.data"), crlf);

    // The request names this machine by its identifier.
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find(" HTTP/")),
              "GET /system/notice.php?type=jxc&version=1.5&machine=" + MachineIdentifier());
}

TEST_F(NoticeTest, LaterItemsWinAndOtherTypesAreIgnored) {
    Server server(NoticeServer(Server::Answer(200, "OK",
                                              "<config>"
                                              "<item type=\"title\" content=\"first\"/>"
                                              "<item type=\"banner\" content=\"ignored\"/>"
                                              "<item type=\"title\" content=\"second\"/>"
                                              "<item type=\"Title\" content=\"case differs\"/>"
                                              "<item type=\"content\" content='single'/>"
                                              "</config>")));
    NoticeFetchResult r = Fetch(server);
    ASSERT_TRUE(r.notice) << r.error;
    EXPECT_EQ(r.notice->title, "second");
    EXPECT_EQ(r.notice->content, "single");
    EXPECT_EQ(r.notice->url, ""); // no url item: nothing to open
}

TEST_F(NoticeTest, NoticeInGbkIsReadByItsDeclaredEncoding) {
    Server server(NoticeServer(
        Server::Answer(200, "OK",
                       "<?xml version=\"1.0\" encoding=\"gbk\"?>\r\n<config>\r\n"
                       "<item type=\"title\" content=\"\xCF\xB5\xCD\xB3\xCD\xA8\xD6\xAA\"/>\r\n"
                       "<item type=\"content\" content=\"&#x5347;&#32423;\"/>\r\n</config>")));
    NoticeFetchResult r = Fetch(server);
    ASSERT_TRUE(r.notice) << r.error;
    EXPECT_EQ(r.notice->title, "系统通知");
    EXPECT_EQ(r.notice->content, "升级");
}

TEST_F(NoticeTest, AnswersThatAreNoNoticeShowNothing) {
    fs::create_directory(Dir() / "Temp");
    {
        std::ofstream earlier(Dir() / "Temp/tempx.data");
        earlier << "earlier copy";
    }
    const std::pair<const char*, std::string> answers[] = {
        {"without config", "<notice><item type=\"title\" content=\"x\"/></notice>"},
        {"config only first", "config <item type=\"title\" content=\"x\"/>"},
        {"empty", ""},
    };
    for (const auto& [what, body] : answers) {
        Server server(NoticeServer(Server::Answer(200, "OK", body)));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice) << what;
        EXPECT_EQ(r.error, "回应不是通知文档") << what;
    }
    EXPECT_EQ(ReadFile("Temp/tempx.data"), "earlier copy");

    // "config" is there, but this is no notice document.
    for (std::string body : {"<html><p>config</p></html>", "<config><item type=\"title\""}) {
        Server server(NoticeServer(Server::Answer(200, "OK", body)));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice) << body;
        EXPECT_EQ(r.error, "通知文档格式错误") << body;
    }
    EXPECT_TRUE(LooksLikeNotice("<config/>"));
    EXPECT_TRUE(LooksLikeNotice("config and config"));
    EXPECT_FALSE(LooksLikeNotice("config"));
    EXPECT_FALSE(LooksLikeNotice("Config <CONFIG/>"));
}

TEST_F(NoticeTest, DownloadFailuresShowNothingAndKeepTheirText) {
    {
        Server server(NoticeServer(Server::Answer(404, "Not Found", "<config/>")));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice);
        EXPECT_EQ(r.error, "没有找到网页 [Not Found]");
    }
    {
        Server server(NoticeServer(Server::Redirect(302, "/system/notice.php?type=jxc&"
                                                         "version=1.5&machine=again")));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice);
        EXPECT_EQ(r.error, "Error: Site redirects too many times");
        EXPECT_EQ(server.Requests().size(), 11u);
    }
    {
        Server server(NoticeServer(std::nullopt));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice);
        EXPECT_EQ(r.error, "无法发送http报头，可能网络状况有问题");
    }
    {
        Server server(NoticeServer(Server::Answer(418, "Teapot", "<config/>")));
        NoticeFetchResult r = Fetch(server);
        EXPECT_FALSE(r.notice);
        EXPECT_EQ(r.error, "HTTP 418"); // the status has no text of its own
    }
    NoticeFetchResult r =
        FetchNotice("http://127.0.0.1:" + std::to_string(Server::UnusedPort()), Dir(), Quick());
    EXPECT_EQ(r.error, "无法与服务器建立连接");
    EXPECT_FALSE(fs::exists(Dir() / "Temp/tempx.data"));
}

TEST_F(NoticeTest, RedirectedNoticeArrives) {
    Server elsewhere(
        [](const std::string& target, const std::string&) -> std::optional<std::string> {
            if (target == "/moved/notice.xml")
                return Server::Answer(200, "OK", kGoodNotice);
            return Server::Answer(404, "Not Found", "");
        });
    Server absolute(NoticeServer(Server::Redirect(301, elsewhere.Base() + "/moved/notice.xml")));
    NoticeFetchResult r = Fetch(absolute);
    ASSERT_TRUE(r.notice) << r.error;
    EXPECT_EQ(r.notice->title, "系统通知");

    Server relative(
        NoticeServer(Server::Redirect(302, "../news/today.xml?x=1"),
                     {{"/news/today.xml?x=1", Server::Answer(200, "OK", kGoodNotice)}}));
    r = Fetch(relative);
    ASSERT_TRUE(r.notice) << r.error;
    EXPECT_EQ(r.notice->url, "http://notice.example/v2");
}

TEST_F(NoticeTest, UnwritableCopyMeansNoNotice) {
    {
        std::ofstream blocker(Dir() / "Temp"); // a file where the folder should be
    }
    Server server(NoticeServer(Server::Answer(200, "OK", kGoodNotice)));
    NoticeFetchResult r = Fetch(server);
    EXPECT_FALSE(r.notice);
    EXPECT_EQ(r.error, "无法写入 Temp/tempx.data");
}

TEST_F(NoticeTest, MachineIdentifierIsAStableHashOfTheMachineId) {
    auto write = [this](const char* name, const std::string& text) {
        std::ofstream(Dir() / name, std::ios::binary) << text;
        return Dir() / name;
    };
    fs::path a = write("a", "0123456789abcdef0123456789abcdef\n");
    fs::path same = write("same", "0123456789abcdef0123456789abcdef");
    fs::path b = write("b", "fedcba9876543210fedcba9876543210\n");
    std::string id = MachineIdentifier(a);
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(MachineIdentifier(a), id);
    EXPECT_EQ(MachineIdentifier(same), id);
    EXPECT_NE(MachineIdentifier(b), id);
    EXPECT_EQ(id.find("0123456789abcdef"), std::string::npos); // the id itself is not sent

    // Without the file (or with an empty one) the host name stands in.
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    fs::path hostFile = write("host", host);
    EXPECT_EQ(MachineIdentifier(Dir() / "missing"), MachineIdentifier(hostFile));
    EXPECT_EQ(MachineIdentifier(write("empty", "\n")), MachineIdentifier(hostFile));
}

TEST_F(NoticeTest, HostComesFromTheEnvironmentOrTheBuiltInDefault) {
    const char* saved = std::getenv("FERIX_NOTICE_HOST");
    std::string previous = saved ? saved : "";
    unsetenv("FERIX_NOTICE_HOST");
    std::string fallback = NoticeHost();
    EXPECT_EQ(fallback.rfind("http://", 0), 0u);
    setenv("FERIX_NOTICE_HOST", "", 1);
    EXPECT_EQ(NoticeHost(), fallback);
    setenv("FERIX_NOTICE_HOST", "http://127.0.0.1:8080/", 1);
    EXPECT_EQ(NoticeHost(), "http://127.0.0.1:8080");
    EXPECT_EQ(NoticeAddress(NoticeHost(), "abc"),
              "http://127.0.0.1:8080/system/notice.php?type=jxc&version=1.5&machine=abc");
    if (saved)
        setenv("FERIX_NOTICE_HOST", previous.c_str(), 1);
    else
        unsetenv("FERIX_NOTICE_HOST");
}
