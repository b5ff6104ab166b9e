// Login window, main window, panels, menu and routing.
#include "../core/LoopbackHttpServer.h"
#include "UiTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "app/CAboutDlg.h"
#include "app/CHelpDlg.h"
#include "app/CLoginDlg.h"
#include "app/CTipDlg.h"
#include "app/Cferix_razazApp.h"
#include "app/Cferix_razazDlg.h"
#include "app/CommandRouting.h"
#include "app/DesktopProgram.h"
#include "app/MainPanels.h"
#include "app/ProgramFolderSetup.h"
#include "app/QtMessagePort.h"
#include "app/UrlOpener.h"
#include "basic/SimpleListWindows.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"
#include "home/CHomePage.h"
#include "rights/Functions.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"
#include "store/StoreEngine.h"
#include "text/Clock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {
// Logs in as `user` (empty password) without the login window.
bool CanLogIn(const char* user) {
    CDataStore store;
    return store.ConnectOther() && store.CheckLogin(user, "");
}

// The texts of the buttons of the next message box, as shown (without the mnemonic); the box is
// answered with a click on the button whose text is `press`, after its picture is saved when
// `shot` names one.
void ReadNextMessageBox(QStringList* texts, const QString& press, const QString& shot = {}) {
    OnNextModal([texts, press, shot](QDialog* dlg) {
        auto* box = qobject_cast<QMessageBox*>(dlg);
        if (!box)
            return;
        if (!shot.isEmpty())
            SaveShot(box, shot);
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
            QString text = b->text();
            text.remove(QRegularExpression(QStringLiteral("\\(&.\\)"))).remove('&');
            *texts << text;
            if (text == press)
                chosen = b;
        }
        if (chosen)
            QTest::mouseClick(chosen, Qt::LeftButton);
    });
}

// The module buttons whose face is filled, i.e. that look like the shown module: each one's
// face is read from a picture of the whole bar, beside the icon and the text.
QList<int> LitModuleButtons(const Cferix_razazDlg& w) {
    QWidget* bar = w.ModuleButton(1)->parentWidget();
    const QImage picture = bar->grab().toImage();
    const QColor barColor = picture.pixelColor(2, 2);
    QList<int> lit;
    for (int i = 0; i <= 7; ++i) { // 0: 首页
        const QToolButton* b = w.ModuleButton(i);
        if (!b->isVisible())
            continue;
        const QPoint face = b->geometry().topLeft() + QPoint(5, b->height() / 2);
        if (picture.pixelColor(face) != barColor)
            lit << i;
    }
    return lit;
}

// A PostgreSQL cluster of the test's own in a temporary folder (its socket there, no TCP), that
// the test stops and starts; as root it runs as the user nobody, as the server demands.
class CPrivateCluster {
public:
    CPrivateCluster() {
        for (const char* dir : {"/usr/lib/postgresql/17/bin", "/usr/lib/postgresql/16/bin",
                                "/usr/lib/postgresql/15/bin", "/usr/local/bin", "/usr/bin"}) {
            if (::access((std::string(dir) + "/initdb").c_str(), X_OK) == 0 &&
                ::access((std::string(dir) + "/pg_ctl").c_str(), X_OK) == 0) {
                m_bin = dir;
                break;
            }
        }
        if (m_bin.empty())
            return;
        std::string tmpl = (std::filesystem::temp_directory_path() / "ferix-pgt-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            return;
        m_dir = tmpl;
        if (::getuid() == 0) {
            m_as = "runuser -u nobody -- ";
            Shell("chown nobody " + m_dir);
        }
        m_ready = Shell(m_as + m_bin + "/initdb -D " + m_dir + "/data -U ferix --auth=trust" +
                        " --encoding=UTF8 --locale=C -N >" + m_dir + "/initdb.log 2>&1");
    }
    ~CPrivateCluster() {
        CloseKeptServerConnections();
        if (m_ready)
            Stop();
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir);
    }
    bool Ready() const { return m_ready; }
    std::string Conninfo() const { return "host=" + m_dir + " user=ferix dbname=postgres"; }
    const std::string& SocketFolder() const { return m_dir; }
    bool Start() {
        return Shell(m_as + m_bin + "/pg_ctl -D " + m_dir + "/data -l " + m_dir +
                     "/server.log -w -s -o \"-k " + m_dir +
                     " -c listen_addresses= -c fsync=off\" start");
    }
    bool Stop() {
        CloseKeptServerConnections();
        return Shell(m_as + m_bin + "/pg_ctl -D " + m_dir + "/data -m fast -w -s stop");
    }

private:
    // From "/": the user nobody may not enter the test's program folder.
    static bool Shell(const std::string& command) {
        return std::system(("cd / && " + command).c_str()) == 0;
    }
    std::string m_bin, m_dir, m_as;
    bool m_ready = false;
};

const char* const kNotice = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n"
                            "<item type=\"title\" content=\"系统通知\"/>\n"
                            "<item type=\"content\" content=\"今天盘点。\"/>\n"
                            "<item type=\"url\" content=\"http://notice.example/1\"/>\n"
                            "</config>\n";
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

    // On an English system the program still shows Qt's buttons and the dates in Chinese.
    void programSpeaksChineseOnAnySystem() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        PrepareDesktopApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        CTempProgramFolder folder;
        LoginAsAdmin();

        CQtMessagePort qtPort;
        IMessagePort* previous = SetMessagePort(&qtPort);
        QStringList yesNo, okCancel, ok;
        ReadNextMessageBox(&yesNo, QStringLiteral("否"), "question");
        const bool yes = Messages().AskYesNo("确定要退出吗？");
        ReadNextMessageBox(&okCancel, QStringLiteral("取消"));
        const bool okAnswer = Messages().AskOkCancel("是否删除选中的商品？");
        ReadNextMessageBox(&ok, QStringLiteral("确定"));
        Messages().Inform("保存成功！");
        SetMessagePort(previous);
        QVERIFY(!yes);
        QVERIFY(!okAnswer);
        yesNo.sort();
        okCancel.sort();
        QCOMPARE(yesNo, QStringList({"否", "是"}));
        QCOMPARE(okCancel, QStringList({"取消", "确定"}));
        QCOMPARE(ok, QStringList({"确定"}));

        // A bill made on 8 December 2026 shows its date year first.
        std::tm day{};
        day.tm_year = 2026 - 1900;
        day.tm_mon = 11;
        day.tm_mday = 8;
        day.tm_hour = 10;
        day.tm_isdst = -1;
        const std::time_t when = std::mktime(&day);
        const auto clock = SetClockForTest([when] { return when; });
        CChild_Jinhuo_KaidanDlg bill;
        bill.SetCommand("run_jinhuo");
        bill.show();
        SaveShot(&bill, "purchase_bill");
        SetClockForTest(clock);
        QCOMPARE(bill.m_date->text(), QStringLiteral("2026/12/8"));
        QCOMPARE(bill.m_date->date(), QDate(2026, 12, 8));
    }

    // The program's own start, from the folder check to the main window, with a typed login.
    void startUpLogsInLoadsSettingsAndFetchesTheNotice() {
        {
            // No program folder: the question; No ends the program without making one.
            CTempProgramFolder empty(false);
            CScopedScriptedPort port;
            port.QueueAnswer(false);
            int code = -1;
            QVERIFY(!StartDesktopProgram(&code));
            QCOMPARE(code, 0);
            QCOMPARE(port.Texts(), std::vector<std::string>{
                                       "当前文件夹（" + empty.Dir().string() +
                                       "）中没有数据文件。\r\n是否在这里创建一个新的程序文件夹？"});
            QVERIFY(!std::filesystem::exists(empty.Dir() / "Data"));
        }

        CTempProgramFolder folder;
        {
            CDataStore store;
            QVERIFY(store.ConnectOther());
            SettingsRecord settings;
            settings.CompanyName = "华东商贸有限公司";
            settings.CompanyTel = "021-6688";
            settings.CompanyAddr = "上海市长宁路1号";
            QVERIFY(store.SaveSettings(settings));
            QVERIFY(store.AddUser("李四", "pw4", ""));
        }
        CLoopbackHttpServer notice([](const std::string&, const std::string&) {
            return CLoopbackHttpServer::Answer(200, "OK", kNotice);
        });
        const QByteArray savedHost = qgetenv("FERIX_NOTICE_HOST");
        qputenv("FERIX_NOTICE_HOST", QByteArray::fromStdString(notice.Base()));
        const auto restoreHost = qScopeGuard([savedHost] {
            if (savedHost.isNull())
                qunsetenv("FERIX_NOTICE_HOST");
            else
                qputenv("FERIX_NOTICE_HOST", savedHost);
        });
        CScopedScriptedPort port;
        QString loginTitle;
        OnNextModal([&loginTitle](QDialog* dlg) {
            auto* login = qobject_cast<CLoginDlg*>(dlg);
            if (!login)
                return;
            loginTitle = login->windowTitle();
            login->m_user->setCurrentText(QStringLiteral("李四"));
            QTest::keyClicks(login->m_password, "pw4");
            QTest::mouseClick(login->m_login, Qt::LeftButton);
        });
        int code = -1;
        const std::unique_ptr<Cferix_razazDlg> w = StartDesktopProgram(&code);
        QVERIFY(w);
        QCOMPARE(loginTitle, QStringLiteral("用户登陆"));
        QCOMPARE(QString::fromStdString(App().m_currentUser.UserName), QStringLiteral("李四"));
        QCOMPARE(App().m_settings.CompanyName, std::string("华东商贸有限公司"));
        QCOMPARE(App().m_settings.CompanyTel, std::string("021-6688"));
        QCOMPARE(App().m_settings.CompanyAddr, std::string("上海市长宁路1号"));
        QVERIFY(w->isVisible());
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        // After login: the home page, its button first and chosen.
        QVERIFY(w->HomePage()->isVisible());
        QVERIFY(w->ModuleButton(0)->isChecked());
        for (int i = 1; i <= 7; ++i) {
            QVERIFY(!w->Panel(i)->isVisible());
            QVERIFY(!w->ModuleButton(i)->isChecked());
        }
        // The notice is asked for and shown beside the main window.
        auto* tip = w->findChild<CTipDlg*>();
        QVERIFY(tip);
        QTRY_COMPARE(notice.Requests().size(), size_t(1));
        QTRY_VERIFY(tip->isVisible());
        QCOMPARE(tip->Title(), QStringLiteral("系统通知"));
        QCOMPARE(tip->Text(), QStringLiteral("今天盘点。"));
        QVERIFY(port.Texts().empty());
        QTRY_COMPARE(CTipDlg::RunningFetches(), 0);
    }

    // Started against a server that is not up, the program says so once, in Chinese, with
    // libpq's words under it after "详细信息：" and no other button than 重试 and 退出; 重试
    // while it is still down asks again, 重试 once it is up goes on to the login, which lists
    // the server's operators.
    void startAgainstAServerThatIsNotUpSaysSoOnceAndRetries() {
        CPrivateCluster cluster;
        if (!cluster.Ready())
            QSKIP("no PostgreSQL server programs (initdb, pg_ctl) to start a cluster with");
        CTempProgramFolder folder(false);
        QVERIFY(cluster.Start());
        std::string error;
        std::filesystem::create_directories(folder.Dir() / "Data");
        QVERIFY(WriteServerConfig(folder.Dir(), cluster.Conninfo(), &error));
        QVERIFY2(CreateProgramFolder(folder.Dir(), &error), error.c_str());
        QVERIFY(cluster.Stop());

        CScopedScriptedPort port;
        QStringList boxTexts, details, buttons, loginUsers;
        bool started = false;
        // Each box: its texts are read, then 重试 is clicked (the second time after the start).
        std::function<void(QDialog*)> answer = [&](QDialog* dlg) {
            auto* box = qobject_cast<QMessageBox*>(dlg);
            if (!box)
                return;
            boxTexts << box->text();
            details << box->informativeText() + box->detailedText();
            QAbstractButton* retry = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                buttons << b->text();
                if (b->text() == QStringLiteral("重试"))
                    retry = b;
            }
            if (!retry)
                return;
            if (boxTexts.size() == 2)
                started = cluster.Start();
            QTest::mouseClick(retry, Qt::LeftButton);
            if (boxTexts.size() == 1) {
                OnNextModal(answer);
                return;
            }
            OnNextModal([&](QDialog* next) {
                auto* login = qobject_cast<CLoginDlg*>(next);
                if (!login)
                    return;
                for (int i = 0; i < login->m_user->count(); ++i)
                    loginUsers << login->m_user->itemText(i);
                QTest::mouseClick(login->m_cancel, Qt::LeftButton);
            });
        };
        OnNextModal(answer);
        int code = -1;
        QVERIFY(!StartDesktopProgram(&code));
        QVERIFY(started);
        const QString text =
            QStringLiteral("无法连接数据库服务器（%1）：服务器没有运行，或网络不通。"
                           "请确认服务器已启动后重试。")
                .arg(QString::fromStdString(cluster.SocketFolder()));
        QCOMPARE(boxTexts, QStringList({text, text}));
        QCOMPARE(buttons, QStringList({"重试", "退出", "重试", "退出"}));
        // "详细信息：connection to server on socket "…/.s.PGSQL.5432" failed: No such file or
        // directory", then libpq's hint on a line of its own, not indented.
        const QString socket = QString::fromStdString(cluster.SocketFolder());
        const QStringList lines = details.value(0).split(QLatin1Char('\n'));
        QVERIFY2(lines.size() == 2, qPrintable(details.value(0)));
        QVERIFY2(lines[0].startsWith(QStringLiteral("详细信息：connection to server on socket \"") +
                                     socket) &&
                     lines[0].endsWith(QStringLiteral("failed: No such file or directory")),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(QStringLiteral("Is the server running")),
                 qPrintable(lines[1]));
        QCOMPARE(details.value(1), details.value(0));
        QCOMPARE(loginUsers, QStringList{"admin"});
        QVERIFY(port.Texts().empty()); // nothing else was said
    }

    // However the user goes from module to module, exactly one module button looks chosen:
    // the one whose panel is shown.
    void moduleBarShowsOneChosenModule() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(LitModuleButtons(w), QList<int>{0});
        for (int chosen : {7, 3, 6, 2, 1, 6, 0}) {
            QTest::mouseClick(w.ModuleButton(chosen), Qt::LeftButton);
            // The mouse leaves the bar, so no button is lit by the pointer.
            QTest::mouseMove(chosen == 0 ? static_cast<QWidget*>(w.HomePage()) : w.Panel(chosen),
                             QPoint(10, 10));
            QCOMPARE(w.HomePage()->isVisible(), chosen == 0);
            for (int i = 0; i <= 7; ++i) {
                QCOMPARE(w.ModuleButton(i)->isChecked(), i == chosen);
                if (i > 0)
                    QCOMPARE(w.Panel(i)->isVisible(), i == chosen);
            }
            QCOMPARE(LitModuleButtons(w), QList<int>{chosen});
        }
        SaveShot(&w, "module_bar");
    }

    void loginListsOperatorsSortedAndLogsIn() {
        CTempProgramFolder folder;
        {
            CDataStore store;
            QVERIFY(store.ConnectOther());
            QVERIFY(store.AddUser("zoe", "pw", ""));
            QVERIFY(store.AddUser("Bob'%", "x", ""));
        }
        CScopedScriptedPort port;
        CLoginDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("用户登陆"));
        QCOMPARE(dlg.m_user->count(), 3);
        QCOMPARE(dlg.m_user->currentText(), QStringLiteral("Bob'%"));
        QCOMPARE(dlg.m_password->echoMode(), QLineEdit::Password);
        SaveShot(&dlg, "login");

        // A wrong password: the message, the field cleared, the window stays.
        dlg.m_user->setCurrentText("zoe");
        dlg.m_password->setText("%");
        dlg.m_login->click();
        QCOMPARE(port.Texts(), std::vector<std::string>{"密码错误，请重新登陆！"});
        QVERIFY(dlg.m_password->text().isEmpty());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));

        dlg.m_user->setCurrentText("ZOE");
        dlg.m_password->setText("pw");
        dlg.m_login->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(App().m_currentUser.UserName), QStringLiteral("zoe"));
        CDataStore store;
        QVERIFY(store.ConnectOther());
        auto log = store.ListLog();
        QCOMPARE(log.size(), size_t(1));
        QCOMPARE(QString::fromStdString(log[0].Event), QStringLiteral("用户“ZOE”登录成功"));
        QCOMPARE(QString::fromStdString(log[0].User), QStringLiteral("zoe"));
    }

    void loginWithoutDataReportsAndFails() {
        CTempProgramFolder folder(false);
        CScopedScriptedPort port;
        CLoginDlg dlg;
        QCOMPARE(dlg.m_user->count(), 0);
        QVERIFY(port.Texts().size() == 2); // connect failure, then the user list failure
        QVERIFY(port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0) == 0);
        QCOMPARE(QString::fromStdString(port.Texts()[1]), QStringLiteral("读取管理员信息失败！"));
        port.Clear();
        dlg.m_user->setCurrentText("admin");
        dlg.m_login->click();
        QCOMPARE(QString::fromStdString(port.Texts().back()),
                 QStringLiteral("密码错误，请重新登陆！"));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    void mainWindowShowsPurchasingPanelAndSwitches() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.resize(1366, 768);
        w.show();
        QVERIFY(w.HomePage()->isVisible());
        for (int i = 1; i <= 7; ++i)
            QVERIFY(!w.Panel(i)->isVisible());
        QTest::mouseClick(w.ModuleButton(1), Qt::LeftButton);
        QVERIFY(w.Panel(1)->isVisible() && !w.HomePage()->isVisible());
        const QStringList texts = {"采购管理", " 销售管理", "库存管理", "财务管理",
                                   "预留按钮", "基础数据",  "系统设置"};
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(w.ModuleButton(i)->text(), texts[i - 1]);
        QVERIFY(w.ModuleButton(4)->isVisible()); // the finance module is in use
        QVERIFY(!w.ModuleButton(5)->isVisible());
        SaveShot(&w, "main_window");

        QTest::mouseClick(w.ModuleButton(7), Qt::LeftButton);
        QVERIFY(w.Panel(7)->isVisible());
        QVERIFY(!w.Panel(1)->isVisible());
        w.SelectPanel(-1);
        w.SelectPanel(8);
        QVERIFY(w.Panel(7)->isVisible());
        QTest::mouseClick(w.ModuleButton(4), Qt::LeftButton);
        QVERIFY(w.Panel(4)->isVisible());
        QStringList finance;
        for (QAbstractButton* b : w.Panel(4)->Items())
            if (b->isVisible())
                finance << b->text();
        QCOMPARE(finance, QStringList({"收款单", "付款单", "往来对账", "账户余额"}));
        SaveShot(&w, "finance_panel");

        QCOMPARE(w.StatusReady()->text(), QStringLiteral("就绪"));
        QCOMPARE(w.StatusReady()->width(), 200);
        QCOMPARE(w.StatusColumns()->text(), QStringLiteral("分栏"));

        // Hidden panel buttons stay hidden.
        w.SelectPanel(1);
        QVERIFY(w.Panel(1)->FindItem("付款单")->isVisible());
        w.SelectPanel(2);
        QVERIFY(w.Panel(2)->FindItem("收款单")->isVisible());
        w.SelectPanel(1);
        w.SelectPanel(6);
        QVERIFY(!w.Panel(6)->FindItem("收入项目(隐藏)")->isVisible());
        QVERIFY(w.Panel(6)->FindItem("地区信息")->isVisible());
        w.SelectPanel(3);
        QVERIFY(w.Panel(3)->FindItem("移库单")->isVisible());
    }

    void exitAsksAndNoKeepsRunning() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.show();
        CScopedScriptedPort port;
        port.QueueAnswer(false);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(port.Entries().back().kind, CScriptedMessagePort::Entry::YesNo);
        QCOMPARE(QString::fromStdString(port.Texts().back()), QStringLiteral("确定要退出吗？"));

        // The menu's 退出 asks the same question.
        QAction* exit = nullptr;
        for (QAction* m : w.menuBar()->actions())
            for (QAction* a : m->menu()->actions())
                if (a->text() == QStringLiteral("退出"))
                    exit = a;
        QVERIFY(exit);
        port.QueueAnswer(true);
        exit->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(port.Texts().size(), size_t(2));
    }

    void menuHoldsEveryEntry() {
        CTempProgramFolder folder;
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        QStringList menus;
        QStringList entries;
        std::function<void(QMenu*)> walk = [&](QMenu* m) {
            for (QAction* a : m->actions()) {
                if (a->menu()) {
                    entries << "[" + a->text() + "]";
                    walk(a->menu());
                } else if (!a->isSeparator()) {
                    entries << a->text();
                } else {
                    entries << "-";
                }
            }
        };
        for (QAction* m : w.menuBar()->actions()) {
            menus << m->text();
            walk(m->menu());
        }
        QCOMPARE(menus, QStringList({"系统设置(&A)", "进货管理(&C)", "销售管理(&S)", "库存管理(&P)",
                                     "财务管理(&F)", "报表管理(&R)", "帮助(&H)"}));
        QCOMPARE(entries, QStringList({"系统设置",
                                       "查看日志",
                                       "-",
                                       "管理员管理",
                                       "角色管理",
                                       "修改密码",
                                       "-",
                                       "备份数据",
                                       "恢复数据",
                                       "数据校验",
                                       "-",
                                       "退出",
                                       "进货开单",
                                       "办理进货退货",
                                       "采购订单",
                                       "销售开单",
                                       "办理销售退货",
                                       "销售订单",
                                       "报损单",
                                       "报溢单",
                                       "存货调价",
                                       "移库单",
                                       "盘点单",
                                       "库存预警",
                                       "收款单",
                                       "付款单",
                                       "往来对账",
                                       "账户余额",
                                       "[进货报表]",
                                       "按商品统计报表",
                                       "按经手人统计报表",
                                       "按部门统计报表",
                                       "进货历史记录报表",
                                       "[销售报表]",
                                       "按商品查看报表",
                                       "按经手人查看报表",
                                       "按部门查看报表",
                                       "销售历史记录报表",
                                       "进货退货报表",
                                       "销售退货报表",
                                       "移库记录",
                                       "报损记录",
                                       "报溢记录",
                                       "调价记录",
                                       "收款记录",
                                       "付款记录",
                                       "销售利润报表",
                                       "打开帮助内容(&O)",
                                       "检测升级(&U)",
                                       "关于(&A)"}));
    }

    // Every panel item and menu entry routes somewhere, and items with the same action open the
    // same window with the same command word.
    void panelItemsAndMenuEntriesRouteAlike() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        QList<QPair<QString, QString>> opened;
        SetWindowOpenerForTest([&](const QString& window, const QString& command) {
            opened.append({window, command});
        });
        auto openedBy = [&](auto trigger) {
            opened.clear();
            trigger();
            return opened.size() == 1 ? opened[0] : QPair<QString, QString>();
        };
        auto panelItem = [&](int panel, const QString& text) {
            w.SelectPanel(panel);
            QAbstractButton* b = w.Panel(panel)->FindItem(text);
            return openedBy([&] { b->click(); });
        };
        auto menuEntry = [&](const QString& text) {
            QAction* found = nullptr;
            std::function<void(QMenu*)> walk = [&](QMenu* m) {
                for (QAction* a : m->actions()) {
                    if (a->menu())
                        walk(a->menu());
                    else if (a->text() == text)
                        found = a;
                }
            };
            for (QAction* m : w.menuBar()->actions())
                walk(m->menu());
            return openedBy([&] { found->trigger(); });
        };
        using P = QPair<QString, QString>;
        QCOMPARE(panelItem(1, "进货开单"), P("CChild_Jinhuo_KaidanDlg", "run_jinhuo"));
        QCOMPARE(menuEntry("进货开单"), panelItem(1, "进货开单"));
        QCOMPARE(menuEntry("办理进货退货"), panelItem(1, "退货单"));
        QCOMPARE(menuEntry("销售开单"), panelItem(2, "销售单"));
        QCOMPARE(menuEntry("办理销售退货"), panelItem(2, "销售退货单"));
        QCOMPARE(panelItem(2, "销售退货单"), P("CChild_Xiaoshou_KaidanDlg", "run_tuihuo"));
        QCOMPARE(menuEntry("报损单"), panelItem(3, "报损单"));
        QCOMPARE(menuEntry("报溢单"), panelItem(3, "报溢单"));
        QCOMPARE(menuEntry("存货调价"), panelItem(3, "调价单"));
        QCOMPARE(panelItem(3, "移库单"), P("CChild_Kucun_YikuDlg", ""));
        QCOMPARE(menuEntry("移库单"), panelItem(3, "移库单"));
        QCOMPARE(menuEntry("移库记录"), P("CChild_History_ViewDlg", "run_yiku"));
        QCOMPARE(menuEntry("报损记录"), P("CChild_History_ViewDlg", "run_baosun_jilu"));
        QCOMPARE(menuEntry("付款记录"), P("CChild_History_ViewDlg", "run_fukuan"));
        QCOMPARE(menuEntry("盘点单"), panelItem(3, "盘点单"));
        QCOMPARE(panelItem(3, "盘点单"), P("CChild_Kucun_PandianDlg", ""));
        QCOMPARE(panelItem(1, "库存状况"), panelItem(3, "查看库存"));
        QCOMPARE(panelItem(2, "库存状况"), panelItem(3, "查看库存"));
        QCOMPARE(menuEntry("系统设置"), panelItem(7, "系统配置"));
        QCOMPARE(menuEntry("查看日志"), panelItem(7, "查看日志"));
        QCOMPARE(menuEntry("管理员管理"), panelItem(7, "管理员管理"));
        QCOMPARE(menuEntry("修改密码"), panelItem(7, "修改密码"));
        QCOMPARE(menuEntry("备份数据"), panelItem(7, "备份数据"));
        QCOMPARE(menuEntry("恢复数据"), panelItem(7, "恢复数据"));
        QCOMPARE(menuEntry("数据校验"), panelItem(7, "数据校验"));
        QCOMPARE(menuEntry("进货历史记录报表"), panelItem(1, "■ 采购记录报表"));
        QCOMPARE(menuEntry("销售历史记录报表"), panelItem(2, "■ 销售记录报表"));
        QCOMPARE(menuEntry("进货退货报表"), panelItem(3, "■ 采购退货记录报表"));
        QCOMPARE(menuEntry("销售退货报表"), panelItem(1, "■ 销售退货记录报表"));
        QCOMPARE(panelItem(1, "√  商品管理"), panelItem(6, "商品管理"));
        QCOMPARE(panelItem(2, "√  往来单位管理"), panelItem(6, "往来单位信息"));
        QCOMPARE(panelItem(3, "√  员工管理"), panelItem(6, "员工管理"));
        QCOMPARE(panelItem(1, "√  部门管理"), panelItem(6, "部门管理"));
        QCOMPARE(panelItem(2, "√  仓库管理"), panelItem(6, "仓库管理"));
        QCOMPARE(panelItem(4, "收款单"), P("CChild_Caiwu_ShoukuanDlg", ""));
        QCOMPARE(panelItem(2, "收款单"), panelItem(4, "收款单"));
        QCOMPARE(menuEntry("收款单"), panelItem(4, "收款单"));
        QCOMPARE(panelItem(4, "付款单"), P("CChild_Caiwu_FukuanDlg", ""));
        QCOMPARE(panelItem(1, "付款单"), panelItem(4, "付款单"));
        QCOMPARE(menuEntry("付款单"), panelItem(4, "付款单"));
        QCOMPARE(menuEntry("往来对账"), P("CChild_Caiwu_DuizhangDlg", ""));
        QCOMPARE(menuEntry("往来对账"), panelItem(4, "往来对账"));
        QCOMPARE(menuEntry("账户余额"), P("CChild_Caiwu_ZhanghuDlg", ""));
        QCOMPARE(menuEntry("账户余额"), panelItem(4, "账户余额"));
        QCOMPARE(menuEntry("按商品统计报表"), P("CReportDlg", "run_caigou_product"));
        QCOMPARE(menuEntry("按部门查看报表"), P("CReportDlg", "run_sale_department"));
        QCOMPARE(menuEntry("销售利润报表"), P("CReportProfitDlg", ""));
        QCOMPARE(panelItem(2, "■ 销售利润报表"), menuEntry("销售利润报表"));
        QVERIFY(!w.Panel(1)->FindItem("■ 销售利润报表")); // the sales panel's own label
        QCOMPARE(menuEntry("库存预警"), P("CChild_Kucun_YujingDlg", ""));
        QCOMPARE(panelItem(3, "库存预警"), menuEntry("库存预警"));

        // Every visible item of every panel routes to exactly one window.
        for (int p = 1; p <= 7; ++p) {
            w.SelectPanel(p);
            for (QAbstractButton* b : w.Panel(p)->Items()) {
                if (!b->isVisible())
                    continue;
                opened.clear();
                b->click();
                QVERIFY2(opened.size() == 1, qPrintable(b->text()));
            }
        }
        SetWindowOpenerForTest(nullptr);
    }

    // After login the panels, module buttons and menus offer only what the role may open, and
    // the bill and list windows grey the buttons of actions it lacks.
    void theMainWindowOffersOnlyWhatTheRoleMayOpen() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        CScopedScriptedPort port;
        for (const auto& [user, role] : {std::pair{"clerk", "营业员"}, {"keeper", "仓管"}}) {
            QCOMPARE(AddOperator(user, "", ""), AdminResult::Done);
            QCOMPARE(SetOperatorRole(user, role), AdminResult::Done);
        }
        auto offered = [](const Cferix_razazDlg& w, int panel) {
            QStringList texts;
            for (QAbstractButton* b : w.Panel(panel)->Items())
                if (!b->isHidden())
                    texts << b->text();
            return texts;
        };
        auto modules = [](const Cferix_razazDlg& w) {
            QStringList texts;
            for (int i = 1; i <= 7; ++i)
                if (!w.ModuleButton(i)->isHidden())
                    texts << w.ModuleButton(i)->text();
            return texts;
        };
        auto menu = [](const Cferix_razazDlg& w) {
            QStringList texts;
            for (QAction* m : w.menuBar()->actions()) {
                if (!m->isVisible())
                    continue;
                texts << "[" + m->text() + "]";
                for (QAction* a : m->menu()->actions())
                    if (a->isVisible() && !a->isSeparator())
                        texts << a->text();
            }
            return texts;
        };

        {
            QVERIFY(CanLogIn("clerk"));
            Cferix_razazDlg w;
            w.BuildAfterLogin();
            w.resize(1200, 760);
            w.show();
            SaveShot(&w, "main_window_clerk");
            QCOMPARE(modules(w), QStringList({"采购管理", " 销售管理", "库存管理", "财务管理",
                                              "基础数据", "系统设置"}));
            // No purchase entry on the purchasing panel: stock, goods, units and the sales
            // records are what a clerk may open there.
            QCOMPARE(offered(w, 1), QStringList({"库存状况", "√  商品管理", "√  往来单位管理",
                                                 "■ 销售记录报表", "■ 销售退货记录报表"}));
            QCOMPARE(offered(w, 2), QStringList({"销售单", "销售退货单", "库存状况", "收款单",
                                                 "订单", "√  商品管理", "√  往来单位管理",
                                                 "■ 销售记录报表", "■ 销售退货记录报表"}));
            QCOMPARE(offered(w, 4), QStringList({"收款单"}));
            QCOMPARE(offered(w, 7), QStringList({"修改密码"}));
            QCOMPARE(menu(w), QStringList({"[系统设置(&A)]", "修改密码", "退出", "[销售管理(&S)]",
                                           "销售开单", "办理销售退货", "销售订单", "[财务管理(&F)]",
                                           "收款单", "[报表管理(&R)]", "销售报表", "销售退货报表",
                                           "收款记录", "[帮助(&H)]", "打开帮助内容(&O)",
                                           "检测升级(&U)", "关于(&A)"}));

            // 保存 of a purchase greyed, of a sale not; a list's 添加 and 删除 greyed.
            CChild_Jinhuo_KaidanDlg purchase;
            purchase.show();
            QVERIFY(!purchase.m_save->isEnabled());
            CChild_Xiaoshou_KaidanDlg sale;
            sale.show();
            QVERIFY(sale.m_save->isEnabled());
            CChild_Jichu_WarehouseDlg warehouses;
            QVERIFY(!warehouses.m_add->isEnabled() && !warehouses.m_delete->isEnabled());
        }
        {
            // A stock keeper has nothing on the finance panel: its module is not offered.
            QVERIFY(CanLogIn("keeper"));
            Cferix_razazDlg w;
            w.BuildAfterLogin();
            QCOMPARE(modules(w), QStringList({"采购管理", " 销售管理", "库存管理", "系统设置"}));
            QCOMPARE(offered(w, 3),
                     QStringList({"查看库存", "报溢单", "报损单", "移库单", "盘点单"}));
        }
        LoginAsAdmin();
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        QCOMPARE(modules(w).size(), 6);
        QCOMPARE(offered(w, 7), QStringList({"系统配置", "管理员管理", "角色管理", "修改密码",
                                             "备份数据", "恢复数据", "数据校验", "查看日志"}));
        CChild_Jichu_WarehouseDlg warehouses;
        QVERIFY(warehouses.m_add->isEnabled() && warehouses.m_delete->isEnabled());
    }

    void whatTheRoleDoesNotAllowIsRefusedAndNothingOpens() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        QCOMPARE(AddOperator("clerk", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("clerk", "营业员"), AdminResult::Done);
        {
            CDataStore store;
            QVERIFY(store.ConnectOther() && store.CheckLogin("clerk", ""));
        }
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        CScopedScriptedPort port;
        QList<QPair<QString, QString>> opened;
        SetWindowOpenerForTest([&](const QString& window, const QString& command) {
            opened.append({window, command});
        });
        auto guard = qScopeGuard([] { SetWindowOpenerForTest(nullptr); });
        auto click = [&](int panel, const QString& text) {
            w.SelectPanel(panel);
            QAbstractButton* b = w.Panel(panel)->FindItem(text);
            QVERIFY2(b, qPrintable(text));
            QTest::mouseClick(b, Qt::LeftButton);
        };
        click(1, "进货开单");
        click(2, "销售单");
        click(7, "恢复数据");
        click(1, "付款单");
        QCOMPARE(opened,
                 (QList<QPair<QString, QString>>{{"CChild_Xiaoshou_KaidanDlg", "run_xiaoshou"}}));
        QCOMPARE(port.Texts(), (std::vector<std::string>{"您没有“进货开单”的“录入”权限！",
                                                         "您没有“恢复数据”的“录入”权限！",
                                                         "您没有“付款单”的“录入”权限！"}));

        // Every row the routing opens, and every window it can open, names its function.
        for (const auto& r : RouteTable()) {
            const auto need = WindowNeed(r.window, r.command);
            QVERIFY2(need && FindFunction(need->function), r.item);
        }
        for (const auto& row : WindowTable()) {
            bool named = static_cast<bool>(WindowNeed(row.window, ""));
            for (const auto& r : RouteTable())
                named = named || (std::string_view(r.window) == row.window &&
                                  WindowNeed(r.window, r.command));
            QVERIFY2(named, row.window);
        }
    }

    void messageBoxesShowTheirTitleWholeAndErrorsAsErrors() {
        CQtMessagePort qtPort;
        IMessagePort* previous = SetMessagePort(&qtPort);
        auto shown = [](const std::string& text) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            int width = 0;
            OnNextModal([&](QDialog* dlg) {
                auto* box = qobject_cast<QMessageBox*>(dlg);
                if (!box)
                    return;
                icon = box->icon();
                width = box->width();
                box->accept();
            });
            Messages().Inform(text);
            return std::make_pair(icon, width);
        };
        const auto failed = shown("连接数据库失败！\r\n错误信息：no such file");
        const auto refused = shown("请输入 收款账户 ！");
        const auto done = shown("销售退货操作成功！");
        SetMessagePort(previous);
        QCOMPARE(failed.first, QMessageBox::Critical);
        QCOMPARE(refused.first, QMessageBox::Critical);
        QCOMPARE(done.first, QMessageBox::Information);
        // Wide enough for the title, however short the text.
        const int title = QFontMetrics(QApplication::font())
                              .horizontalAdvance(QApplication::applicationDisplayName());
        QVERIFY2(done.second > title + 100, qPrintable(QString::number(done.second)));
    }

    // The secret question: a password field that shows dots, OK hands the typed text back,
    // Cancel nothing.
    void aSecretIsTypedIntoAPasswordFieldAndCancelGivesNothing() {
        CQtMessagePort qtPort;
        IMessagePort* previous = SetMessagePort(&qtPort);
        auto answer = [](const QString& typed, const QString& press, QString* shown,
                         QLineEdit::EchoMode* echo) {
            OnNextModal([=](QDialog* dlg) {
                auto* field = dlg->findChild<QLineEdit*>();
                if (!field)
                    return;
                *echo = field->echoMode();
                for (QLabel* label : dlg->findChildren<QLabel*>())
                    *shown += label->text();
                QTest::keyClicks(field, typed);
                for (QPushButton* b : dlg->findChildren<QPushButton*>())
                    if (b->text() == press)
                        QTest::mouseClick(b, Qt::LeftButton);
            });
        };
        QString label, cancelledLabel;
        QLineEdit::EchoMode echo = QLineEdit::Normal, cancelledEcho = QLineEdit::Normal;
        answer(QStringLiteral("Pw:Se cret-1"), QStringLiteral("确定"), &label, &echo);
        const auto typed = Messages().AskSecret("建表用的数据库连接字符串：");
        answer(QStringLiteral("abc"), QStringLiteral("取消"), &cancelledLabel, &cancelledEcho);
        const auto cancelled = Messages().AskSecret("admin 的新密码：");
        SetMessagePort(previous);
        QCOMPARE(typed, std::optional<std::string>("Pw:Se cret-1"));
        QCOMPARE(label, QStringLiteral("建表用的数据库连接字符串："));
        QCOMPARE(echo, QLineEdit::Password);
        QCOMPARE(cancelled, std::optional<std::string>());
        QCOMPARE(cancelledLabel, QStringLiteral("admin 的新密码："));
        QCOMPARE(cancelledEcho, QLineEdit::Password);
    }

    void helpItemsShowTheHelpPageAndTheVersion() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        QList<QUrl> urls;
        SetUrlOpenerForTest([&](const QUrl& u) { urls.append(u); });
        QMenu* help = nullptr;
        for (QAction* m : w.menuBar()->actions())
            if (m->text() == QStringLiteral("帮助(&H)"))
                help = m->menu();
        QVERIFY(help);
        auto entry = [&](const QString& text) {
            for (QAction* a : help->actions())
                if (a->text() == text)
                    return a;
            return static_cast<QAction*>(nullptr);
        };
        QString page;
        OnNextModal([&](QDialog* dlg) {
            if (auto* shown = qobject_cast<CHelpDlg*>(dlg)) {
                page = shown->m_page->toPlainText();
                SaveShot(shown, "help");
            }
            dlg->accept();
        });
        entry(QStringLiteral("打开帮助内容(&O)"))->trigger();
        for (const char* part :
             {"各模块的用途", "开始一家店", "Data/main_data.tdb", "如何备份", "Backup/"})
            QVERIFY2(page.contains(QString::fromUtf8(part)), part);
        QVERIFY(!page.contains(QStringLiteral("http")));

        entry(QStringLiteral("检测升级(&U)"))->trigger();
        QCOMPARE(port.Texts(),
                 (std::vector<std::string>{
                     "已安装的版本：ferix_razaz 进销存管理 1.5。\r\n"
                     "程序的升级随系统的软件包一起提供，请使用系统的软件包管理器更新。"}));
        QVERIFY(urls.isEmpty());
        SetUrlOpenerForTest(nullptr);
    }

    void aboutOnlyClosesWithBack() {
        QList<QUrl> urls;
        SetUrlOpenerForTest([&](const QUrl& u) { urls.append(u); });
        CAboutDlg about;
        about.show();
        // Name and version, and no web address anywhere in it.
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("ferix_razaz 进销存管理 1.5")));
        QVERIFY(!texts.join(' ').contains(QStringLiteral("http")));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(about.isVisible());
        about.m_back->click();
        QVERIFY(!about.isVisible());
        QVERIFY(urls.isEmpty());
        SetUrlOpenerForTest(nullptr);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
