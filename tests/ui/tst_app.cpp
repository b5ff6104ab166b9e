// Login window, main window, panels, menu and routing.
#include "UiTestSupport.h"

#include "app/CAboutDlg.h"
#include "app/CLoginDlg.h"
#include "app/Cferix_razazApp.h"
#include "app/Cferix_razazDlg.h"
#include "app/CommandRouting.h"
#include "app/MainPanels.h"
#include "app/UrlOpener.h"
#include "store/CDataStore.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

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
        QVERIFY(port.Texts()[0].rfind("连接数据库失败!\r\n错误信息:", 0) == 0);
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
        QVERIFY(w.Panel(1)->isVisible());
        for (int i = 2; i <= 7; ++i)
            QVERIFY(!w.Panel(i)->isVisible());
        const QStringList texts = {"采购管理", " 销售管理", "库存管理", "财务管理",
                                   "预留按钮", "基础数据",  "系统设置"};
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(w.ModuleButton(i)->text(), texts[i - 1]);
        QVERIFY(!w.ModuleButton(4)->isVisible());
        QVERIFY(!w.ModuleButton(5)->isVisible());
        SaveShot(&w, "main_window");

        QTest::mouseClick(w.ModuleButton(7), Qt::LeftButton);
        QVERIFY(w.Panel(7)->isVisible());
        QVERIFY(!w.Panel(1)->isVisible());
        w.SelectPanel(0);
        w.SelectPanel(8);
        QVERIFY(w.Panel(7)->isVisible());
        w.SelectPanel(4); // finance: only programmatically
        QVERIFY(w.Panel(4)->isVisible());

        QCOMPARE(w.StatusReady()->text(), QStringLiteral("就绪"));
        QCOMPARE(w.StatusReady()->width(), 200);
        QCOMPARE(w.StatusColumns()->text(), QStringLiteral("分栏"));

        // Hidden panel buttons stay hidden.
        w.SelectPanel(1);
        QVERIFY(!w.Panel(1)->FindItem("进货付款单(隐藏)")->isVisible());
        w.SelectPanel(6);
        QVERIFY(!w.Panel(6)->FindItem("收入项目(隐藏)")->isVisible());
        QVERIFY(w.Panel(6)->FindItem("地区信息")->isVisible());
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
                                     "报表管理(&R)", "帮助(&H)"}));
        QCOMPARE(entries, QStringList({"系统设置",
                                       "查看日志",
                                       "-",
                                       "管理员管理",
                                       "修改密码",
                                       "-",
                                       "备份数据",
                                       "恢复数据",
                                       "-",
                                       "退出",
                                       "进货开单",
                                       "办理进货退货",
                                       "销售开单",
                                       "办理销售退货",
                                       "报损单",
                                       "报溢单",
                                       "存货调价",
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
                                       "打开帮助内容(&O)",
                                       "检测升级(&U)",
                                       "关于(&A)"}));
    }

    // Every panel item and menu entry routes somewhere, and items with the same action open the
    // same window with the same command word.
    void panelItemsAndMenuEntriesRouteAlike() {
        CTempProgramFolder folder;
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
        QCOMPARE(panelItem(1, "库存状况"), panelItem(3, "查看库存"));
        QCOMPARE(panelItem(2, "库存状况"), panelItem(3, "查看库存"));
        QCOMPARE(menuEntry("系统设置"), panelItem(7, "系统配置"));
        QCOMPARE(menuEntry("查看日志"), panelItem(7, "查看日志"));
        QCOMPARE(menuEntry("管理员管理"), panelItem(7, "管理员管理"));
        QCOMPARE(menuEntry("修改密码"), panelItem(7, "修改密码"));
        QCOMPARE(menuEntry("备份数据"), panelItem(7, "备份数据"));
        QCOMPARE(menuEntry("恢复数据"), panelItem(7, "恢复数据"));
        QCOMPARE(menuEntry("进货历史记录报表"), panelItem(1, "■ 采购记录报表"));
        QCOMPARE(menuEntry("销售历史记录报表"), panelItem(2, "■ 销售记录报表"));
        QCOMPARE(menuEntry("进货退货报表"), panelItem(3, "■ 采购退货记录报表"));
        QCOMPARE(menuEntry("销售退货报表"), panelItem(1, "■ 销售退货记录报表"));
        QCOMPARE(panelItem(1, "√  商品管理"), panelItem(6, "商品管理"));
        QCOMPARE(panelItem(2, "√  往来单位管理"), panelItem(6, "往来单位信息"));
        QCOMPARE(panelItem(3, "√  员工管理"), panelItem(6, "员工管理"));
        QCOMPARE(panelItem(1, "√  部门管理"), panelItem(6, "部门管理"));
        QCOMPARE(panelItem(2, "√  仓库管理"), panelItem(6, "仓库管理"));
        QCOMPARE(menuEntry("按商品统计报表"), P("CReportDlg", "run_caigou_product"));
        QCOMPARE(menuEntry("按部门查看报表"), P("CReportDlg", "run_sale_department"));

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

    void aboutOnlyClosesWithBack() {
        QList<QUrl> urls;
        SetUrlOpenerForTest([&](const QUrl& u) { urls.append(u); });
        CAboutDlg about;
        about.show();
        QCOMPARE(about.m_url->text(), QString::fromLatin1(kHomePageUrl));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(about.isVisible());
        QCOMPARE(urls.size(), 1);
        about.m_open->click();
        QVERIFY(about.isVisible());
        QCOMPARE(urls.size(), 2);
        about.m_back->click();
        QVERIFY(!about.isVisible());
        SetUrlOpenerForTest(nullptr);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
