// The notice window: its texts, place and slide, the clicks, and the fetch behind it.
#include "../core/LoopbackHttpServer.h"
#include "UiTestSupport.h"

#include "app/CTipDlg.h"
#include "app/UrlOpener.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {
using Server = CLoopbackHttpServer;

Server::Handler Always(std::optional<std::string> answer) {
    return [answer](const std::string&, const std::string&) { return answer; };
}

const char* const kNotice = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n"
                            "<item type=\"title\" content=\"系统通知\"/>\n"
                            "<item type=\"content\" content=\"新版本已发布，请及时升级。\"/>\n"
                            "<item type=\"url\" content=\"http://notice.example/v2\"/>\n"
                            "</config>\n";
} // namespace

class TestNotice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void init() {
        m_opened.clear();
        SetUrlOpenerForTest([this](const QUrl& url) { m_opened.push_back(url); });
    }
    void cleanup() { SetUrlOpenerForTest(nullptr); }

    void noticeSlidesInAtTheBottomRightWithItsTexts() {
        CTipDlg tip;
        QVERIFY(!tip.isVisible());
        tip.ShowNotice({"系统通知", "第一行\n第二行", "http://notice.example/v2"});
        QVERIFY(tip.isVisible());
        QCOMPARE(tip.Title(), QStringLiteral("系统通知"));
        QCOMPARE(tip.Text(), QStringLiteral("第一行\n第二行"));
        QCOMPARE(tip.size(), QSize(303, 187));
        QVERIFY(tip.windowFlags() & Qt::FramelessWindowHint);

        QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QPoint rest(area.x() + area.width() - 5 - 303, area.y() + area.height() - 187);
        QCOMPARE(tip.RestingPosition(), rest);
        QCOMPARE(tip.SlideAnimation()->duration(), 800);
        QCOMPARE(tip.SlideAnimation()->endValue().toPoint(), rest);
        QVERIFY(tip.SlideAnimation()->startValue().toPoint().y() > rest.y());
        QTRY_COMPARE(tip.pos(), rest);
        SaveShot(&tip, "notice");

        // Markup from the network is shown as it stands.
        tip.ShowNotice({"<b>bold</b>", "<img src=x>", ""});
        QCOMPARE(tip.TitleLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(tip.Text(), QStringLiteral("<img src=x>"));
    }

    void titleAndTextOpenTheAddressAndClosePictureHides() {
        CTipDlg tip;
        tip.ShowNotice({"标题", "正文", "http://notice.example/v2?a=1"});
        QTest::mouseClick(tip.TitleLabel(), Qt::LeftButton);
        QCOMPARE(m_opened.size(), size_t(1));
        QCOMPARE(m_opened[0], QUrl("http://notice.example/v2?a=1"));
        QVERIFY(!tip.isVisible());

        tip.ShowNotice({"标题", "正文", "https://notice.example/x"});
        QTest::mouseClick(tip.TextBox()->viewport(), Qt::LeftButton);
        QCOMPARE(m_opened.size(), size_t(2));
        QCOMPARE(m_opened[1], QUrl("https://notice.example/x"));
        QVERIFY(!tip.isVisible());

        // A right click on the text is not a click on the notice.
        tip.ShowNotice({"标题", "正文", "http://notice.example/v2"});
        QTest::mouseClick(tip.TextBox()->viewport(), Qt::RightButton);
        QVERIFY(tip.isVisible());

        tip.CloseButton()->click();
        QVERIFY(!tip.isVisible());
        QCOMPARE(m_opened.size(), size_t(2));

        // No address, or one that is not a web address: the window closes, nothing opens.
        for (const char* url : {"", "file:///etc/passwd", "/usr/bin/xterm"}) {
            tip.ShowNotice({"标题", "正文", url});
            QTest::mouseClick(tip.TitleLabel(), Qt::LeftButton);
            QVERIFY2(!tip.isVisible(), url);
        }
        QCOMPARE(m_opened.size(), size_t(2));
    }

    void fetchedNoticeIsShownAndAFailedOneIsNot() {
        CTempProgramFolder folder(false);
        Server good(Always(Server::Answer(200, "OK", kNotice)));
        CTipDlg tip;
        QSignalSpy ended(&tip, &CTipDlg::FetchEnded);
        tip.StartFetch(good.Base(), folder.Dir());
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toBool(), true);
        QVERIFY(tip.isVisible());
        QCOMPARE(tip.Title(), QStringLiteral("系统通知"));
        QCOMPARE(tip.Text(), QStringLiteral("新版本已发布，请及时升级。"));
        QCOMPARE(tip.Url(), QStringLiteral("http://notice.example/v2"));
        QVERIFY(std::filesystem::exists(folder.Dir() / "Temp" / "tempx.data"));

        Server missing(Always(Server::Answer(404, "Not Found", "<html>config</html>")));
        CTipDlg quiet;
        QSignalSpy quietEnded(&quiet, &CTipDlg::FetchEnded);
        quiet.StartFetch(missing.Base(), folder.Dir());
        QTRY_COMPARE(quietEnded.count(), 1);
        QCOMPARE(quietEnded[0][0].toBool(), false);
        QVERIFY(!quiet.isVisible());
        QTRY_COMPARE(CTipDlg::RunningFetches(), 0);
    }

    void windowCanGoWhileItsFetchHangs() {
        CTempProgramFolder folder(false);
        Server silent(Always(std::nullopt));
        auto tip = std::make_unique<CTipDlg>();
        QSignalSpy ended(tip.get(), &CTipDlg::FetchEnded);
        tip->StartFetch(silent.Base(), folder.Dir());
        QTRY_COMPARE(silent.Requests().size(), size_t(1));
        QCOMPARE(CTipDlg::RunningFetches(), 1);
        // Destroying the window does not wait for the fetch...
        tip.reset();
        QCOMPARE(CTipDlg::RunningFetches(), 1);
        // ...and the fetch ending afterwards leaves the gone window alone.
        silent.DropHeldConnections();
        QTRY_COMPARE(CTipDlg::RunningFetches(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 0);
    }

private:
    std::vector<QUrl> m_opened;
};

QTEST_MAIN(TestNotice)
#include "tst_notice.moc"
