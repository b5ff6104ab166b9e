// The home page (首页): its figures against the reports behind them, on a small shop of known
// bills; clicks that open those reports on what was clicked; the page on a small screen; the
// role's rights and hidden prices; a sale posted in its window read as the page shows again, and
// the status bar's warning count taken from the page.
#include "BillTestSupport.h"
#include "UiTestSupport.h"

#include "admin/RoleAdmin.h"
#include "app/Cferix_razazDlg.h"
#include "app/CommandRouting.h"
#include "app/MainPanels.h"
#include "bills/CBillEntryDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"
#include "cost/CReportProfitDlg.h"
#include "cost/ProfitReport.h"
#include "finance/CChild_Caiwu_DuizhangDlg.h"
#include "home/CHomePage.h"
#include "query/CChild_Kucun_YujingDlg.h"
#include "query/CQueryTableModel.h"
#include "query/CReportDlg.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"
#include "text/Clock.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

#include <atomic>
#include <chrono>
#include <ctime>
#include <semaphore>

namespace {
// 2026-03-15, noon: last month is February, the 30 days start on 2026-02-14.
std::time_t FixedNoon() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 15;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

void Post(BillKind kind, const char* date, const char* customer, const char* code, const char* name,
          int quantity, const char* price) {
    CBill bill(kind);
    bill.m_date = date;
    bill.m_customer = customer;
    bill.m_department = "销售部";
    bill.m_warehouse = "一号库";
    bill.m_employee = "李四";
    bill.m_account = "工行";
    bill.m_paid = "0";
    GoodsRecord g;
    g.Code = code;
    g.ProductName = name;
    bill.AppendGoods(g);
    bill.EditCell(0, BillColumn(kind, "数量"), std::to_string(quantity));
    bill.EditCell(0, BillColumn(kind, "单价"), price);
    CScopedScriptedPort quiet;
    if (bill.Save() != PostOutcome::Posted)
        throw std::runtime_error("posting failed: " +
                                 (quiet.Texts().empty() ? "" : quiet.Texts().back()));
}

// Costs: 可乐 10.00, 橙汁 5.00. February sells 4 可乐 @ 20.00 to 丙客户 (80.00, profit 40.00);
// March sells 5 可乐 @ 30.00 (150.00, profit 100.00) on the 1st, takes 1 back @ 30.00 on the
// 14th (-30.00, profit -20.00) and sells 3 橙汁 @ 8.00 (24.00, profit 9.00) today, all 乙客户's,
// nothing paid. Stock left: 可乐 12 under its lower limit 15, 橙汁 7 over its 5.
void SetUpShop() {
    LoginAsAdmin();
    SeedBillData();
    {
        CDataStore store;
        BusinessUnitRecord third;
        third.CustomerCode = "C02";
        third.CustomerName = "丙客户";
        third.CustomerType = "客户";
        if (!store.ConnectMain() || !store.AddBusinessUnit(third) ||
            !store.ExecuteSql("update ferix_product set InventoryLow = '15' where Code = 'G001'",
                              {}) ||
            !store.ExecuteSql("update ferix_product set InventoryLow = '5' where Code = 'G002'",
                              {}))
            throw std::runtime_error("seeding the shop failed");
    }
    Post(BillKind::Purchase, "2026-02-01", "甲供应商", "G001", "可乐", 20, "10.00");
    Post(BillKind::Purchase, "2026-02-01", "甲供应商", "G002", "橙汁", 10, "5.00");
    Post(BillKind::Sale, "2026-02-10", "丙客户", "G001", "可乐", 4, "20.00");
    Post(BillKind::Sale, "2026-03-01", "乙客户", "G001", "可乐", 5, "30.00");
    Post(BillKind::SaleReturn, "2026-03-14", "乙客户", "G001", "可乐", 1, "30.00");
    Post(BillKind::Sale, "2026-03-15", "乙客户", "G002", "橙汁", 3, "8.00");
}

struct FixedClock {
    FixedClock() : previous(SetClockForTest([] { return FixedNoon(); })) {}
    ~FixedClock() { SetClockForTest(previous); }
    std::function<std::time_t()> previous;
};

// The page's warnings and receivables, read on a thread of their own, drawn.
void WaitForLists(const CHomePage* home) {
    QTRY_VERIFY(home->Figures().listsRead);
}

// The main window after login, shown at a fixed size, its home page read whole.
void Show(Cferix_razazDlg& w) {
    w.BuildAfterLogin();
    w.resize(1280, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    WaitForLists(w.HomePage());
}

QString Tile(const CHomeTile* t) {
    return t->m_value->text() + " | " + t->m_note->text();
}

QStringList Debtors(const QTableWidget* list) {
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << list->item(r, 0)->text() + " " + list->item(r, 1)->text();
    return out;
}

// A list's row as "cell|cell|..." by the headers named.
QString ListRow(const CQueryTableModel* model, int row, const QStringList& headers) {
    QStringList cells;
    for (const QString& h : headers)
        cells << model->Cell(row, ColumnOf(model, h));
    return cells.join('|');
}

QString Range(const QDateEdit* from, const QDateEdit* to) {
    return from->date().toString(Qt::ISODate) + " " + to->date().toString(Qt::ISODate);
}

// The value axis of a line chart: "min max" as drawn.
QString ValueAxis(const QChartView* view) {
    const auto axes = view->chart()->axes(Qt::Vertical);
    auto* axis = qobject_cast<QValueAxis*>(axes.value(0));
    return axis ? QString::number(axis->min()) + " " + QString::number(axis->max()) +
                      (axis->titleText().isEmpty() ? QString() : " " + axis->titleText())
                : QStringLiteral("none");
}

// The column of the profit report's rows headed `header`.
std::string ProfitCell(const std::vector<std::string>& row, ProfitKey key, const char* header) {
    const auto headers = ProfitHeaders(key);
    return row[static_cast<size_t>(std::find(headers.begin(), headers.end(), header) -
                                   headers.begin())];
}
} // namespace

class TestHome : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void cleanup() {
        SetWindowOpenerForTest(nullptr);
        CHomePage::BeforeListsReadForTest(nullptr);
    }

    void homePageShowsTheReportsFiguresAndOpensTheirWindows() {
        CTempProgramFolder folder;
        FixedClock clock;
        SetUpShop();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        Show(w);
        CHomePage* home = w.HomePage();
        // After login the home page is what shows, its button first and checked.
        QVERIFY(home->isVisible());
        QVERIFY(w.ModuleButton(0)->isChecked());
        QCOMPARE(w.ModuleButton(0)->text(), QStringLiteral("首页"));
        for (int panel = 1; panel <= 7; ++panel)
            QVERIFY(!w.Panel(panel)->isVisible());
        SaveShot(&w, "home");

        QCOMPARE(home->m_date->text(), QStringLiteral("2026年3月15日 星期日"));
        QCOMPARE(Tile(home->m_todaySales), QStringLiteral("24.00 | 销售减退货"));
        QCOMPARE(Tile(home->m_todayProfit), QStringLiteral("9.00 | 销售金额减销售成本"));
        // (150 - 30 + 24) against 80: +80%; (100 - 20 + 9) against 40: +122.5%.
        QCOMPARE(Tile(home->m_monthSales), QStringLiteral("144.00 | 上月 80.00，+80.00%"));
        QCOMPARE(Tile(home->m_monthProfit), QStringLiteral("89.00 | 上月 40.00，+122.50%"));
        QCOMPARE(Tile(home->m_warnings), QStringLiteral("1 种 | 需要补货"));
        QCOMPARE(Tile(home->m_receivables), QStringLiteral("224.00 | 全部往来单位"));
        QCOMPARE(Debtors(home->m_debtors), QStringList({"乙客户 144.00", "丙客户 80.00"}));

        // The figures are the profit report's: by month over the twelve months, by goods over
        // this month, by month over today alone.
        const HomeFigures& f = home->Figures();
        const auto months = RunProfitReport(ProfitKey::Month, "2025-04-01", "2026-03-15");
        QVERIFY(months.ok);
        QCOMPARE(months.rows.size(), size_t(3)); // February, March, the total
        QCOMPARE(f.monthly.size(), size_t(12));
        QCOMPARE(f.monthly.front().period, std::string("2025-04"));
        for (const auto& row : months.rows) {
            const auto point = std::find_if(f.monthly.begin(), f.monthly.end(),
                                            [&](const auto& p) { return p.period == row[0]; });
            if (row[0] == "统计汇总")
                continue;
            QVERIFY(point != f.monthly.end());
            QCOMPARE(point->amount.Format2(), ProfitCell(row, ProfitKey::Month, "销售金额"));
        }
        const auto today = RunProfitReport(ProfitKey::Month, "2026-03-15", "2026-03-15");
        QCOMPARE(f.todayProfit.Format2(), ProfitCell(today.rows.back(), ProfitKey::Month, "毛利"));
        const auto goods = RunProfitReport(ProfitKey::Goods, "2026-03-01", "2026-03-15");
        QCOMPARE(f.bestSellers.size(), goods.rows.size() - 1);
        QCOMPARE(f.bestSellers[0].code + " " + std::to_string(f.bestSellers[0].quantity) + " " +
                     f.bestSellers[0].amount.Format2(),
                 std::string("G001 4 120.00"));
        QCOMPARE(std::to_string(f.bestSellers[1].quantity) + " " +
                     f.bestSellers[1].amount.Format2(),
                 ProfitCell(goods.rows[1], ProfitKey::Goods, "销售数量") + " " +
                     ProfitCell(goods.rows[1], ProfitKey::Goods, "销售金额"));
        // Every one of the 30 days, February's sale before them: 1st, 14th and 15th of March.
        QCOMPARE(f.daily.size(), size_t(30));
        QCOMPARE(f.daily.front().period, std::string("2026-02-14"));
        QStringList days;
        for (const auto& d : f.daily)
            if (d.amount.Units() != 0)
                days << QString::fromStdString(d.period + " " + d.amount.Format2());
        QCOMPARE(days, QStringList({"2026-03-01 150.00", "2026-03-14 -30.00", "2026-03-15 24.00"}));
        // The charts hold the same: 30 and 12 points, the two goods' bars.
        auto* daily = qobject_cast<QLineSeries*>(home->m_daily->chart()->series().value(0));
        QVERIFY(daily);
        QCOMPARE(daily->count(), 30);
        QCOMPARE(daily->at(29).y(), 24.0);
        QCOMPARE(home->m_monthly->chart()->series().size(), 1);
        QCOMPARE(home->m_bestSellers->chart()->series().size(), 1);

        // A click on each opens the window behind it, through the routing.
        QStringList opened;
        SetWindowOpenerForTest([&](const QString& window, const QString& command) {
            opened << window + (command.isEmpty() ? QString() : " " + command);
        });
        for (QWidget* target :
             {static_cast<QWidget*>(home->m_todaySales), static_cast<QWidget*>(home->m_monthProfit),
              static_cast<QWidget*>(home->m_warnings), static_cast<QWidget*>(home->m_receivables),
              home->m_daily->viewport(), home->m_bestSellers->viewport(),
              home->m_debtors->viewport()})
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(opened, QStringList({"CReportDlg run_sale_product", "CReportProfitDlg",
                                      "CChild_Kucun_YujingDlg", "CChild_Caiwu_DuizhangDlg",
                                      "CReportDlg run_sale_product", "CReportDlg run_sale_product",
                                      "CChild_Caiwu_DuizhangDlg"}));
        // Another module and back, by their buttons.
        QTest::mouseClick(w.ModuleButton(2), Qt::LeftButton);
        QVERIFY(w.Panel(2)->isVisible() && !home->isVisible());
        QTest::mouseClick(w.ModuleButton(0), Qt::LeftButton);
        QVERIFY(home->isVisible() && !w.Panel(2)->isVisible());
        QVERIFY(port.Texts().empty());
    }

    void aSalePostedInItsWindowShowsOnTheHomePageAsItShowsAgain() {
        CTempProgramFolder folder;
        FixedClock clock;
        SetUpShop();
        CScopedScriptedPort port;
        port.QueueAnswer(false); // no further bill after the posting
        Cferix_razazDlg w;
        Show(w);
        CHomePage* home = w.HomePage();
        QCOMPARE(home->m_todaySales->m_value->text(), QStringLiteral("24.00"));
        QTest::mouseClick(w.ModuleButton(2), Qt::LeftButton);
        CPickerScript picks;
        bool posted = false;
        OnNextModal([&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Xiaoshou_KaidanDlg*>(opened);
            QVERIFY(dlg);
            picks.Pick("丙客户", "单位名称");
            picks.Pick("销售部", "部门名称");
            picks.Pick("一号库", "仓库名称");
            picks.Pick("李四", "员工姓名");
            picks.Pick("工行", "银行账户");
            for (QLineEdit* field : {static_cast<QLineEdit*>(dlg->m_customer),
                                     static_cast<QLineEdit*>(dlg->m_department),
                                     static_cast<QLineEdit*>(dlg->m_warehouse),
                                     static_cast<QLineEdit*>(dlg->m_employee),
                                     static_cast<QLineEdit*>(dlg->m_account)})
                dlg->PickerIcon(field)->click();
            picks.Pick("G002", "商品编码");
            dlg->m_add->click();
            // 2 橙汁 @ 8.00: 16.00 more today, a cost of 10.00.
            for (const auto& [column, text] : {std::pair{"数量", "2"}, std::pair{"单价", "8"}}) {
                QTest::mouseClick(dlg->m_grid->viewport(), Qt::LeftButton, {},
                                  GridCellCentre(dlg->m_grid, 0, column));
                auto* edit = qobject_cast<QLineEdit*>(dlg->m_grid->ActiveEditor());
                QVERIFY(edit);
                edit->selectAll();
                edit->insert(QString::fromUtf8(text));
                QTest::keyClick(edit, Qt::Key_Return);
            }
            QTest::mouseClick(dlg->m_save, Qt::LeftButton);
            posted = !dlg->isVisible(); // posted: no further bill, the window closed
        });
        QTest::mouseClick(w.Panel(2)->FindItem(QStringLiteral("销售单")), Qt::LeftButton);
        QVERIFY(posted);
        // Hidden behind the sales panel the page reads nothing; it does as it shows again.
        QCoreApplication::processEvents();
        QCOMPARE(home->m_todaySales->m_value->text(), QStringLiteral("24.00"));
        QTest::mouseClick(w.ModuleButton(0), Qt::LeftButton);
        QVERIFY(home->isVisible());
        WaitForLists(home);
        QCOMPARE(home->m_todaySales->m_value->text(), QStringLiteral("40.00"));
        QCOMPARE(home->m_todayProfit->m_value->text(), QStringLiteral("15.00"));
        QCOMPARE(Debtors(home->m_debtors), QStringList({"乙客户 144.00", "丙客户 96.00"}));
    }

    // Refreshes while the lists are read (postings in other windows) do not wait for that read:
    // it is dropped when it ends, and one read after it answers them all, its figures drawn once;
    // the lists read before stay drawn meanwhile.
    void refreshesWhileTheListsAreReadAreAnsweredByOneReadAfterIt() {
        CTempProgramFolder folder;
        FixedClock clock;
        SetUpShop();
        CScopedScriptedPort port;
        std::atomic<int> reads = 0;
        std::counting_semaphore<2> held(0); // each read waits for the test (at most a while)
        Cferix_razazDlg w;
        Show(w);
        CHomePage* home = w.HomePage();
        const auto releaseAll = qScopeGuard([&] { held.release(2); }); // before `w` goes
        CHomePage::BeforeListsReadForTest([&] {
            reads.fetch_add(1);
            (void)held.try_acquire_for(std::chrono::seconds(20));
        });
        QSignalSpy read(home, &CHomePage::FiguresRead);
        auto carried = [&] {
            QVERIFY(!home->Figures().listsRead);
            QCOMPARE(Tile(home->m_warnings), QStringLiteral("1 种 | 需要补货"));
            QCOMPARE(Tile(home->m_receivables), QStringLiteral("224.00 | 全部往来单位"));
            QCOMPARE(Debtors(home->m_debtors), QStringList({"乙客户 144.00", "丙客户 80.00"}));
            QCOMPARE(read.count(), 0);
        };
        home->Refresh();
        QTRY_COMPARE(reads.load(), 1);
        home->Refresh();
        home->Refresh();
        QCOMPARE(reads.load(), 1); // neither waited for the held read
        carried();
        held.release();
        QTRY_COMPARE(reads.load(), 2); // the first dropped, the last refresh's own begun
        carried();
        held.release();
        WaitForLists(home);
        QCOMPARE(reads.load(), 2);
        QCOMPARE(read.count(), 1);
        QCOMPARE(Tile(home->m_warnings), QStringLiteral("1 种 | 需要补货"));
        QCOMPARE(Tile(home->m_receivables), QStringLiteral("224.00 | 全部往来单位"));
        QCOMPARE(Debtors(home->m_debtors), QStringList({"乙客户 144.00", "丙客户 80.00"}));
    }

    void aClickOpensTheWindowBehindOnWhatWasClicked() {
        CTempProgramFolder folder;
        FixedClock clock;
        SetUpShop();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        Show(w);
        CHomePage* home = w.HomePage();
        auto click = [&](QWidget* target, QPoint at, std::function<void(QDialog*)> check) {
            bool opened = false;
            OnNextModal([&](QDialog* dlg) {
                opened = true;
                check(dlg);
            });
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            QVERIFY(opened);
        };
        // 本月销售: the statistics by goods over March, already run: the sale lines alone (可乐 5,
        // 橙汁 3; the return is not a sale), the total row last.
        click(home->m_monthSales, QPoint(40, 40), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CReportDlg*>(opened);
            QVERIFY(dlg);
            QCOMPARE(dlg->Command(), QStringLiteral("run_sale_product"));
            QVERIFY(dlg->m_radios[3]->isChecked()); // 销售报表-按商品
            QCOMPARE(Range(dlg->m_from, dlg->m_to), QStringLiteral("2026-03-01 2026-03-15"));
            const QStringList cols = {"商品编码", "商品名称", "销售数量"};
            QCOMPARE(dlg->m_model->rowCount(), 3);
            QCOMPARE(ListRow(dlg->m_model, 0, cols), QStringLiteral("G001|可乐|5"));
            QCOMPARE(ListRow(dlg->m_model, 1, cols), QStringLiteral("G002|橙汁|3"));
            QCOMPARE(ListRow(dlg->m_model, 2, {"销售数量"}), QStringLiteral("8"));
        });
        // 本月毛利: the profit report by goods over March: 可乐 5 - 1 at 30.00 over a cost of
        // 10.00 (120.00, 80.00), 橙汁 3 at 8.00 over 5.00 (24.00, 9.00), 89.00 in all.
        click(home->m_monthProfit, QPoint(40, 40), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CReportProfitDlg*>(opened);
            QVERIFY(dlg);
            QCOMPARE(dlg->Key(), ProfitKey::Goods);
            QCOMPARE(Range(dlg->m_from, dlg->m_to), QStringLiteral("2026-03-01 2026-03-15"));
            const QStringList cols = {"销售数量", "销售金额", "毛利"};
            QCOMPARE(dlg->m_model->rowCount(), 3);
            QCOMPARE(ListRow(dlg->m_model, 0, cols), QStringLiteral("4|120.00|80.00"));
            QCOMPARE(ListRow(dlg->m_model, 1, cols), QStringLiteral("3|24.00|9.00"));
            QCOMPARE(ListRow(dlg->m_model, 2, cols), QStringLiteral("7|144.00|89.00"));
        });
        // The best sellers' chart: the same statistics over the same month.
        click(home->m_bestSellers->viewport(), QPoint(60, 60), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CReportDlg*>(opened);
            QVERIFY(dlg);
            QCOMPARE(Range(dlg->m_from, dlg->m_to), QStringLiteral("2026-03-01 2026-03-15"));
            QCOMPARE(dlg->m_model->rowCount(), 3);
        });
        // 低于下限的商品: the warnings of every warehouse, 可乐 12 under its 15.
        click(home->m_warnings, QPoint(40, 40), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Kucun_YujingDlg*>(opened);
            QVERIFY(dlg);
            QCOMPARE(dlg->m_model->rowCount(), 1);
            QCOMPARE(ListRow(dlg->m_model, 0, {"商品编码", "当前库存"}), QStringLiteral("G001|12"));
        });
        // The second debtor's row: 丙客户's statement, read at once: nothing at the year's
        // start, February's 80.00 unpaid, 80.00 at the end.
        const QRect second = home->m_debtors->visualItemRect(home->m_debtors->item(1, 0));
        click(home->m_debtors->viewport(), second.center(), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Caiwu_DuizhangDlg*>(opened);
            QVERIFY(dlg);
            QCOMPARE(dlg->m_unit->text(), QStringLiteral("丙客户"));
            QCOMPARE(Range(dlg->m_from, dlg->m_to), QStringLiteral("2026-01-01 2026-03-15"));
            QCOMPARE(dlg->m_model->rowCount(), 3);
            QCOMPARE(ListRow(dlg->m_model, 1, {"日期", "增加", "余额"}),
                     QStringLiteral("2026-02-10|80.00|80.00"));
            QCOMPARE(dlg->m_closing->text(), QStringLiteral("80.00"));
        });
        // 应收合计 is every unit's: the statement opens on none, nothing read.
        click(home->m_receivables, QPoint(40, 40), [&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Caiwu_DuizhangDlg*>(opened);
            QVERIFY(dlg);
            QVERIFY(dlg->m_unit->text().isEmpty());
            QCOMPARE(dlg->m_model->rowCount(), 0);
        });
        QVERIFY(port.Texts().empty());
    }

    void homePageFitsASmallScreenAndItsWarningsCountShowsInTheStatusBar() {
        CTempProgramFolder folder;
        FixedClock clock;
        LoginAsAdmin();
        SeedBillData();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.resize(1024, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(1024, 700));
        CHomePage* home = w.HomePage();
        // Nothing sold: the charts' amounts run from 0 to 100, not over a range of no height.
        QCOMPARE(ValueAxis(home->m_daily), QStringLiteral("0 100"));
        QCOMPARE(ValueAxis(home->m_monthly), QStringLiteral("0 100"));
        SaveShot(&w, "home_1024_empty");

        // A sale of 779,999,992.20 today, cost 10.00: the figure is drawn smaller to fit its
        // tile, the charts count in 万 (77,999.999 22 of them).
        Post(BillKind::Purchase, "2026-03-01", "甲供应商", "G001", "可乐", 20, "10.00");
        Post(BillKind::Sale, "2026-03-15", "乙客户", "G001", "可乐", 1, "779999992.20");
        home->Refresh();
        WaitForLists(home);
        QApplication::processEvents();
        QCOMPARE(home->m_todaySales->m_value->text(), QStringLiteral("779999992.20"));
        QCOMPARE(home->m_monthProfit->m_value->text(), QStringLiteral("779999982.20"));
        for (const CHomeTile* t : {home->m_todaySales, home->m_todayProfit, home->m_monthSales,
                                   home->m_monthProfit, home->m_warnings, home->m_receivables}) {
            const QLabel* v = t->m_value;
            QVERIFY(t->geometry().right() < home->width());
            QVERIFY(v->fontMetrics().horizontalAdvance(v->text()) <= v->width());
        }
        QVERIFY(home->m_todaySales->m_value->font().pixelSize() < 22);
        QCOMPARE(home->m_warnings->m_value->font().pixelSize(), 22); // "1 种" fits as it is
        QCOMPARE(ValueAxis(home->m_daily), QStringLiteral("0 80000 万元"));
        for (QChartView* chart : {home->m_daily, home->m_monthly, home->m_bestSellers})
            QVERIFY(chart->geometry().bottom() < home->height());
        SaveShot(&w, "home_1024_large");

        // The status bar's notice is the page's count: 可乐 has no lower limit yet, so nothing is
        // short and the pane keeps its text; with 20 as its limit its 19 are short, and the
        // page's next read shows it there too.
        QCOMPARE(home->m_warnings->m_value->text(), QStringLiteral("0 种"));
        QCOMPARE(w.StatusColumns()->text(), QStringLiteral("分栏"));
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.ExecuteSql(
                "update ferix_product set InventoryLow = '20' where Code = 'G001'", {}));
        }
        home->Refresh();
        WaitForLists(home);
        QCOMPARE(home->m_warnings->m_value->text(), QStringLiteral("1 种"));
        QCOMPARE(w.StatusColumns()->text(), QStringLiteral("库存预警：1 种商品低于下限"));
        QVERIFY(port.Texts().empty());
    }

    void homePageShowsOnlyWhatTheRoleMayOpenAndHidesItsPrices() {
        CTempProgramFolder folder;
        FixedClock clock;
        SetUpShop();
        {
            // A clerk who may look at the statistics: sales, but no profit (no 成本) and
            // neither warnings nor receivables (their windows are not the clerk's).
            QCOMPARE(GrantRight("营业员", "reports", "查看"), AdminResult::Done);
            LoginAs("clerk", "营业员");
            Cferix_razazDlg w;
            Show(w);
            CHomePage* home = w.HomePage();
            QVERIFY(home->isVisible());
            QVERIFY(home->m_todaySales->isVisible() && home->m_daily->isVisible());
            QCOMPARE(home->m_monthSales->m_value->text(), QStringLiteral("144.00"));
            for (QWidget* hidden :
                 {static_cast<QWidget*>(home->m_todayProfit),
                  static_cast<QWidget*>(home->m_monthProfit),
                  static_cast<QWidget*>(home->m_warnings),
                  static_cast<QWidget*>(home->m_receivables), home->m_debtors->parentWidget()})
                QVERIFY(hidden->isHidden());
        }
        {
            // 财务 with 售价 hidden: every amount "***", the quantities of the bars stay.
            LoginAsAdmin();
            QCOMPARE(AddRole("出纳", "财务"), AdminResult::Done);
            QCOMPARE(SetRoleHidden("出纳", {"售价"}), AdminResult::Done);
            LoginAs("cashier", "出纳");
            Cferix_razazDlg w;
            Show(w);
            CHomePage* home = w.HomePage();
            QCOMPARE(Tile(home->m_todaySales), QStringLiteral("*** | 销售减退货"));
            QCOMPARE(Tile(home->m_todayProfit), QStringLiteral("*** | 销售金额减销售成本"));
            QCOMPARE(Tile(home->m_monthSales), QStringLiteral("*** | 上月 ***"));
            QCOMPARE(Tile(home->m_receivables), QStringLiteral("*** | 全部往来单位"));
            QCOMPARE(Debtors(home->m_debtors), QStringList({"乙客户 ***", "丙客户 ***"}));
            QVERIFY(home->m_daily->chart()->series().isEmpty());
            QVERIFY(home->m_monthly->chart()->series().isEmpty());
            auto* bars =
                qobject_cast<QAbstractBarSeries*>(home->m_bestSellers->chart()->series().value(0));
            QVERIFY(bars);
            QCOMPARE(bars->barSets().value(0)->at(1), 4.0); // 可乐, the most sold, on top
            QVERIFY(home->m_warnings->isHidden());          // 财务 has no stock warnings
        }
        {
            // 仓管 may open none of the windows behind the page: no home page, its first module.
            LoginAsAdmin();
            LoginAs("keeper", "仓管");
            Cferix_razazDlg w;
            Show(w);
            QVERIFY(!w.HomePage()->HasFigures());
            QVERIFY(w.ModuleButton(0)->isHidden() && w.HomePage()->isHidden());
            QVERIFY(w.Panel(1)->isVisible()); // 库存状况 on the purchasing panel
        }
        {
            // A role that sees the warnings alone knows from the folder that its data is on a
            // server (so its page reads again every minute), without connecting to it.
            LoginAsAdmin();
            QCOMPARE(AddRole("预警", "仓管"), AdminResult::Done);
            QCOMPARE(GrantRight("预警", "stock_warnings", "查看"), AdminResult::Done);
            LoginAs("watcher", "预警");
            QVERIFY(!HomeFiguresOf().onServer);
            std::string error;
            QVERIFY(WriteServerConfig(folder.Dir(), "host=/nonexistent dbname=none", &error));
            const HomeFigures f = HomeFiguresOf();
            QVERIFY(f.showsWarnings && !f.showsSales && !f.showsReceivables);
            QVERIFY(f.onServer);
        }
    }
};

QTEST_MAIN(TestHome)
#include "tst_home.moc"
