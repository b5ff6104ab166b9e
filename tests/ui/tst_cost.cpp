// What stock is worth and what sales earned: the profit report, the stock warnings, the stock
// view's value columns and the status bar's warning, on bills posted through the real path.
#include "BillTestSupport.h"
#include "UiTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "app/Cferix_razazDlg.h"
#include "app/CommandRouting.h"
#include "app/MainPanels.h"
#include "bills/CBill.h"
#include "cost/CReportProfitDlg.h"
#include "query/CChild_Kucun_ViewDlg.h"
#include "query/CChild_Kucun_YujingDlg.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/SaveFileDialog.h"
#include "store/CDataStore.h"
#include "store/LineSummary.h"
#include "text/Clock.h"

#include <QAbstractButton>
#include <QBrush>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <fstream>

namespace {
void Sql(const std::string& sql) {
    CDataStore store;
    if (!store.ConnectMain() || !store.ExecuteSql(sql, {}))
        throw std::runtime_error("statement failed: " + sql);
}

void Post(BillKind kind, const char* code, const char* name, const char* warehouse, int quantity,
          const char* price) {
    CBill bill(kind);
    bill.m_customer = kind == BillKind::Sale ? "乙客户" : "甲供应商";
    bill.m_department = "销售部";
    bill.m_warehouse = warehouse;
    bill.m_employee = "李四";
    bill.m_account = "工行";
    GoodsRecord g;
    g.Code = code;
    g.ProductName = name;
    bill.AppendGoods(g);
    bill.ChooseCell(0, BillColumn(kind, "单位"), "瓶");
    bill.EditCell(0, BillColumn(kind, "数量"), std::to_string(quantity));
    bill.EditCell(0, BillColumn(kind, "单价"), price);
    CScopedScriptedPort quiet;
    if (bill.Save() != PostOutcome::Posted)
        throw std::runtime_error("posting failed: " +
                                 (quiet.Texts().empty() ? "" : quiet.Texts().back()));
}

// 可乐: 10 @ 10.00 and 10 @ 20.00 into 一号库 (cost 15.0000), 5 sold @ 30.00; lower limit 20.
// 橙汁: 3 @ 5.00 into 二号库; upper limit 2. 薯片: a lower limit that is no number.
void SetUpTrade() {
    LoginAsAdmin();
    SeedBillData();
    Post(BillKind::Purchase, "G001", "可乐", "一号库", 10, "10.00");
    Post(BillKind::Purchase, "G001", "可乐", "一号库", 10, "20.00");
    Post(BillKind::Sale, "G001", "可乐", "一号库", 5, "30.00");
    Post(BillKind::Purchase, "G002", "橙汁", "二号库", 3, "5.00");
    Sql("update ferix_product set InventoryLow = '20' where Code = 'G001'");
    Sql("update ferix_product set InventoryHigh = '2' where Code = 'G002'");
    Sql("insert into ferix_product(Code, ProductName, ClassName, InventoryLow) values"
        " ('G003', '薯片', '饮料', 'abc')");
}

QStringList Row(const CQueryTableModel* model, int row) {
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->Cell(row, c);
    return out;
}

QByteArray ReadFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// A click on a radio button's mark (the button may be wider than its text).
void ClickRadio(QRadioButton* radio) {
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
}

QDate Today() {
    return QDate::fromString(QString::fromStdString(TodayIso()), Qt::ISODate);
}

// A main window after login, shown, with `panel` chosen by a click on its module button.
void ShowPanel(Cferix_razazDlg& w, int panel) {
    w.BuildAfterLogin();
    w.resize(1200, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.ModuleButton(panel), Qt::LeftButton);
    QVERIFY(w.Panel(panel)->isVisible());
}
} // namespace

class TestCost : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void cleanup() { SetSaveFileNameForTest(nullptr); }

    void profitReportGroupsSalesAndNotesUnknownCosts() {
        CTempProgramFolder folder;
        SetUpTrade();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        ShowPanel(w, 2);
        SaveShot(&w, "cost_sales_panel");
        bool ran = false;
        OnNextModal([&](QDialog* opened) {
            auto* dlg = qobject_cast<CReportProfitDlg*>(opened);
            QVERIFY(dlg);
            ran = true;
            QCOMPARE(dlg->windowTitle(), QStringLiteral("销售利润报表"));
            QStringList radios;
            for (QRadioButton* r : dlg->m_radios)
                radios << r->text();
            QCOMPARE(radios, QStringList({"按商品", "按客户", "按经手人", "按月份"}));
            QVERIFY(dlg->m_radios[0]->isChecked());
            QCOMPARE(dlg->m_run->text(), QStringLiteral("查看报表"));
            QCOMPARE(dlg->m_model->Headers(),
                     QStringList({"商品编码", "商品名称", "单位", "销售数量", "销售金额",
                                  "销售成本", "毛利", "毛利率"}));
            QCOMPARE(dlg->m_model->rowCount(), 0);
            dlg->m_from->setDate(Today().addDays(-1));
            dlg->m_to->setDate(Today());
            QTest::mouseClick(dlg->m_run, Qt::LeftButton);
            // Cost 15.0000 after the two purchases: 5 sold cost 75.00 and earned 75.00.
            const QStringList cola = {"G001",   "可乐",  "瓶",    "5",
                                      "150.00", "75.00", "75.00", "50.00%"};
            QCOMPARE(Row(dlg->m_model, 0), cola);
            QCOMPARE(Row(dlg->m_model, 1),
                     QStringList({"统计汇总", "", "", "5", "150.00", "75.00", "75.00", "50.00%"}));
            QCOMPARE(dlg->m_model->rowCount(), 2);
            QVERIFY(dlg->m_model->IsMarked(1));
            QVERIFY(!dlg->m_model->IsMarked(0));
            QVERIFY(dlg->m_note->isHidden());
            const QModelIndex amount = dlg->m_model->index(0, ColumnOf(dlg->m_model, "销售金额"));
            QCOMPARE(dlg->m_model->data(amount, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                     Qt::AlignRight | Qt::AlignVCenter);

            // A sale line kept from before costs were recorded: in the amount, not the profit.
            Sql("insert into EnterSale_Detail(Bill_ID, Bill_Date, Customer, Employee, Product_ID,"
                " Product_Name, Product_Unit, Product_Number, Product_Price, Product_Total)"
                " values ('XS-OLD', '" +
                TodayIso() + "', '丙', '王五', 'G002', '橙汁', '瓶', '2', '4.00', '8.00')");
            {
                // The summaries take it in, as the upgrade of a file holding it does.
                CDataStore store;
                QVERIFY(store.ConnectMain() && RebuildLineSummaries(store));
            }
            ClickRadio(dlg->m_radios[1]);
            QCOMPARE(dlg->Key(), ProfitKey::Customer);
            QCOMPARE(dlg->m_model->rowCount(), 0); // a new grouping waits for the button
            QCOMPARE(dlg->m_model->Headers(),
                     QStringList({"客户", "销售数量", "销售金额", "销售成本", "毛利", "毛利率"}));
            QTest::mouseClick(dlg->m_run, Qt::LeftButton);
            QCOMPARE(Row(dlg->m_model, 0), QStringList({"丙", "2", "8.00", "0.00", "0.00", ""}));
            QCOMPARE(Row(dlg->m_model, 1),
                     QStringList({"乙客户", "5", "150.00", "75.00", "75.00", "50.00%"}));
            QCOMPARE(Row(dlg->m_model, 2),
                     QStringList({"统计汇总", "7", "158.00", "75.00", "75.00", "50.00%"}));
            QVERIFY(dlg->m_note->isVisible());
            QCOMPARE(dlg->m_note->text(), QStringLiteral("1 行销售缺少成本，未计入毛利"));
            SaveShot(dlg, "cost_profit");

            ClickRadio(dlg->m_radios[3]);
            QVERIFY(dlg->m_note->isHidden());
            QTest::mouseClick(dlg->m_run, Qt::LeftButton);
            const QString month = Today().toString("yyyy-MM");
            QCOMPARE(ColumnTexts(dlg->m_model, "月份"), QStringList({month, "统计汇总"}));
            QCOMPARE(CellText(dlg->m_model, 0, "销售金额"), QStringLiteral("158.00"));

            // The list as CSV, its total row included.
            const QString csv = QString::fromStdString((folder.Dir() / "profit.csv").string());
            QString proposed;
            SetSaveFileNameForTest([&](const QString&, const QString& suggested) {
                proposed = suggested;
                return csv;
            });
            QTest::mouseClick(dlg->m_export, Qt::LeftButton);
            QCOMPARE(proposed, QStringLiteral("销售利润报表.csv"));
            QCOMPARE(ReadFile(csv), QByteArray("\xEF\xBB\xBF") +
                                        ("月份,销售数量,销售金额,销售成本,毛利,毛利率\r\n" + month +
                                         ",7,158.00,75.00,75.00,50.00%\r\n"
                                         "统计汇总,7,158.00,75.00,75.00,50.00%\r\n")
                                            .toUtf8());

            // A day without sales: the total row alone, of zeros, and no note.
            dlg->m_from->setDate(Today().addDays(1));
            dlg->m_to->setDate(Today().addDays(1));
            QTest::mouseClick(dlg->m_run, Qt::LeftButton);
            QCOMPARE(Row(dlg->m_model, 0),
                     QStringList({"统计汇总", "0", "0.00", "0.00", "0.00", ""}));
            QVERIFY(dlg->m_note->isHidden());
        });
        QTest::mouseClick(w.Panel(2)->FindItem(QStringLiteral("■ 销售利润报表")), Qt::LeftButton);
        QVERIFY(ran);
        QVERIFY(port.Texts().empty());
    }

    void stockWarningsListShortAndSurplusGoodsAndTheStatusBarOpensThem() {
        CTempProgramFolder folder;
        SetUpTrade();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        ShowPanel(w, 3);
        // Counted by the home page's read of its lists, on a thread of its own.
        QTRY_COMPARE(w.StatusColumns()->text(), QStringLiteral("库存预警：1 种商品低于下限"));
        // A clerk may not look at the warnings: its status bar does not name them.
        QCOMPARE(AddOperator("clerk", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("clerk", "营业员"), AdminResult::Done);
        {
            CDataStore store;
            QVERIFY(store.ConnectOther() && store.CheckLogin("clerk", ""));
            Cferix_razazDlg clerkWindow;
            clerkWindow.BuildAfterLogin();
            QCOMPARE(clerkWindow.StatusColumns()->text(), QStringLiteral("分栏"));
        }
        LoginAsAdmin();
        port.Clear();
        const QString badNote = QStringLiteral("以下商品的库存上下限不是整数，未参与预警：薯片");
        bool ran = false;
        OnNextModal([&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Kucun_YujingDlg*>(opened);
            QVERIFY(dlg);
            ran = true;
            QCOMPARE(dlg->windowTitle(), QStringLiteral("库存预警"));
            QCOMPARE(dlg->m_warehouse->currentText(), QStringLiteral("全部"));
            QCOMPARE(dlg->m_model->Headers(),
                     QStringList({"商品编码", "商品名称", "单位", "当前库存", "库存下限",
                                  "库存上限", "状态", "建议采购量", "折合"}));
            QCOMPARE(dlg->m_model->rowCount(), 2);
            QCOMPARE(Row(dlg->m_model, 0),
                     QStringList({"G001", "可乐", "瓶", "15", "20", "", "低于下限", "5", "15瓶"}));
            QCOMPARE(Row(dlg->m_model, 1),
                     QStringList({"G002", "橙汁", "", "3", "", "2", "高于上限", "", "3"}));
            // Only what must be bought is drawn in red.
            const CQueryTableModel* m = dlg->m_model;
            const int code = ColumnOf(m, "商品编码");
            QCOMPARE(m->data(m->index(0, code), Qt::ForegroundRole).value<QBrush>().color(),
                     QColor(Qt::red));
            QVERIFY(!m->data(m->index(1, code), Qt::ForegroundRole).isValid());
            QVERIFY(dlg->m_note->isVisible());
            QCOMPARE(dlg->m_note->text(), badNote);
            SaveShot(dlg, "cost_warnings");

            // One warehouse: 二号库 holds no 可乐, so all 20 are wanted there.
            QTest::keyClick(dlg->m_warehouse, Qt::Key_Up); // 二号库 sorts before 全部
            QCOMPARE(dlg->m_warehouse->currentText(), QStringLiteral("二号库"));
            QCOMPARE(Row(dlg->m_model, 0),
                     QStringList({"G001", "可乐", "瓶", "0", "20", "", "低于下限", "20", "0瓶"}));
            QCOMPARE(ColumnTexts(dlg->m_model, "状态"), QStringList({"低于下限", "高于上限"}));
            dlg->m_warehouse->setCurrentText(QStringLiteral("一号库"));
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"), QStringList({"G001"}));
            QCOMPARE(dlg->m_note->text(), badNote);

            const QString csv = QString::fromStdString((folder.Dir() / "warn.csv").string());
            SetSaveFileNameForTest([&](const QString&, const QString&) { return csv; });
            QTest::mouseClick(dlg->m_export, Qt::LeftButton);
            QCOMPARE(
                ReadFile(csv),
                QByteArray("\xEF\xBB\xBF") +
                    QStringLiteral("商品编码,商品名称,单位,当前库存,库存下限,库存上限,状态,"
                                   "建议采购量,折合\r\nG001,可乐,瓶,15,20,,低于下限,5,15瓶\r\n")
                        .toUtf8());
            QTest::mouseClick(dlg->m_ok, Qt::LeftButton);
            QVERIFY(!dlg->isVisible());
        });
        QTest::mouseClick(w.Panel(3)->FindItem(QStringLiteral("库存预警")), Qt::LeftButton);
        QVERIFY(ran);

        // A click on the status bar's notice opens the same window.
        SaveShot(&w, "cost_main_status");
        ran = false;
        OnNextModal([&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Kucun_YujingDlg*>(opened);
            QVERIFY(dlg);
            ran = true;
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"), QStringList({"G001", "G002"}));
            // 5 more 可乐 arrive while the window is open: 20 is no longer short.
            Post(BillKind::Purchase, "G001", "可乐", "一号库", 5, "15.00");
        });
        QTest::mouseClick(w.StatusColumns(), Qt::LeftButton);
        QVERIFY(ran);
        // Counted again once the window closed: nothing short, the pane as it was.
        QCOMPARE(w.StatusColumns()->text(), QStringLiteral("分栏"));
        QStringList opened;
        SetWindowOpenerForTest([&](const QString& window, const QString&) { opened << window; });
        QTest::mouseClick(w.StatusColumns(), Qt::LeftButton);
        SetWindowOpenerForTest(nullptr);
        QVERIFY(opened.isEmpty());
        QVERIFY(port.Texts().empty());
    }

    void stockViewShowsCostValueAndTotalAndPrintsTheValue() {
        CTempProgramFolder folder;
        SetUpTrade();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        ShowPanel(w, 3);
        bool ran = false;
        OnNextModal([&](QDialog* opened) {
            auto* dlg = qobject_cast<CChild_Kucun_ViewDlg*>(opened);
            QVERIFY(dlg);
            ran = true;
            const CQueryTableModel* m = dlg->m_model;
            QCOMPARE(m->Headers(),
                     QStringList({"商品编码", "商品名称", "商品数量", "商品单价", "首次入库时间",
                                  "所在仓库", "成本单价", "库存金额", "折合"}));
            // The last goods item first; 15 × 15.0000 and 3 × 5.0000; the 合计 row last.
            QCOMPARE(ColumnTexts(m, "商品编码"), QStringList({"G002", "G001", "合计"}));
            QCOMPARE(ColumnTexts(m, "成本单价"), QStringList({"5.0000", "15.0000", ""}));
            QCOMPARE(ColumnTexts(m, "库存金额"), QStringList({"15.00", "225.00", "240.00"}));
            QCOMPARE(ColumnTexts(m, "商品数量"), QStringList({"3", "15", "18"}));
            QVERIFY(m->IsMarked(2));
            for (const char* header : {"成本单价", "库存金额"})
                QCOMPARE(m->data(m->index(0, ColumnOf(m, header)), Qt::TextAlignmentRole)
                             .value<Qt::Alignment>(),
                         Qt::AlignRight | Qt::AlignVCenter);
            SaveShot(dlg, "cost_stock_view");

            // One warehouse: its rows and their own total.
            dlg->m_warehouse->setCurrentText(QStringLiteral("一号库"));
            QCOMPARE(Row(m, 1), QStringList({"合计", "", "15", "", "", "", "", "225.00", ""}));

            // The print lists the stock rows only, and the value of them all.
            dlg->m_warehouse->setCurrentText(QStringLiteral("全部"));
            bool printed = false;
            OnNextModal(
                [&](QDialog* shown) {
                    auto* print = qobject_cast<CPrintDlg*>(shown);
                    QVERIFY(print);
                    printed = true;
                    QVERIFY(print->m_browser->toPlainText().contains(
                        QStringLiteral("库存金额合计：240.00")));
                },
                dlg);
            QTest::mouseClick(dlg->m_print, Qt::LeftButton);
            QVERIFY(printed);
            std::ifstream page(folder.Dir() / "PrintView/temp_kucun_view.html");
            const std::string html((std::istreambuf_iterator<char>(page)), {});
            QVERIFY(html.find("<td class=\"num\">2</td><td>G001</td>") != std::string::npos);
            QVERIFY(html.find("<td class=\"num\">3</td><td>") == std::string::npos);
            QVERIFY(html.find("<td>合计</td>") == std::string::npos);
        });
        QTest::mouseClick(w.Panel(3)->FindItem(QStringLiteral("查看库存")), Qt::LeftButton);
        QVERIFY(ran);
        QVERIFY(port.Texts().empty());
    }
};

QTEST_MAIN(TestCost)
#include "tst_cost.moc"
