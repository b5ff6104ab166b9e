// The finance windows opened through their routes: a receipt typed and saved against a sale,
// browsed and reversed; a payment refused for a unit not in the list; the statement listed,
// printed and exported; the accounts.
#include "BillTestSupport.h"
#include "ModalDriver.h"

#include "app/CommandRouting.h"
#include "basic/GoodsStore.h"
#include "bills/CBill.h"
#include "finance/Balances.h"
#include "finance/CChild_Caiwu_DuizhangDlg.h"
#include "finance/CChild_Caiwu_FukuanDlg.h"
#include "finance/CChild_Caiwu_ShoukuanDlg.h"
#include "finance/CChild_Caiwu_ZhanghuDlg.h"
#include "finance/FundBillRows.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/SaveFileDialog.h"
#include "store/CDataStore.h"
#include "text/Clock.h"
#include "widgets/CUnderLineEdit.h"

#include <QDateEdit>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <ctime>

namespace {
QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// Every bill number is taken one second after the last, from 2026-12-07 09:30:15 local time.
void StartClock() {
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    tm.tm_isdst = -1;
    auto now = std::make_shared<std::time_t>(std::mktime(&tm));
    SetClockForTest([now] { return (*now)++; });
}

// A trade bill of `quantity` 可乐 at `price` with `paid` paid, posted through the core.
void PostTrade(BillKind kind, const std::string& number, const std::string& date,
               const std::string& unit, const std::string& quantity, const std::string& price,
               const std::string& paid) {
    CBill bill(kind);
    bill.GiveNumber(number);
    bill.m_date = date;
    bill.m_customer = unit;
    bill.m_department = "销售部";
    bill.m_employee = "李四";
    bill.m_warehouse = "一号库";
    bill.m_account = "工行";
    bill.m_paid = paid;
    CDataStore store;
    QVERIFY(store.ConnectMain());
    auto cola = FindGoods(store, "G001");
    QVERIFY(cola);
    bill.AppendGoods(*cola);
    bill.m_lines.back().quantity = quantity;
    bill.m_lines.back().price = price;
    CScopedScriptedPort port;
    QCOMPARE(bill.Save(), PostOutcome::Posted);
}

// 乙客户 bought 100.00 of goods and paid 30.00 at once; 甲供应商 sold us 100.00 and got 40.00.
void SeedTrades() {
    SeedBillData();
    PostTrade(BillKind::Purchase, "JH-1", "2026-11-02", "甲供应商", "10", "10", "40.00");
    PostTrade(BillKind::Sale, "XS-1", "2026-11-03", "乙客户", "4", "25", "30.00");
}

std::string Receivable(const std::string& unit) {
    CDataStore store;
    if (!store.ConnectMain())
        return "no file";
    auto r = ReceivableOf(store, unit);
    return r ? r->Format2() : "none";
}

// Types text as an input method commits it: Chinese is not typed key by key.
void Type(QWidget* field, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(field, &commit);
}

void Click(QAbstractButton* button) {
    QVERIFY2(button->isEnabled(), qPrintable(button->text() + " is disabled"));
    QTest::mouseClick(button, Qt::LeftButton);
}

QList<bool> BrowseButtons(const CBillEntryDlg& w) {
    return {w.m_prev->isEnabled(), w.m_next->isEnabled(), w.m_redo->isEnabled()};
}

QStringList Row(const CQueryTableModel* model, int row) {
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->Cell(row, c);
    return cells;
}
} // namespace

class TestFinance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void init() { StartClock(); }
    void cleanup() {
        SetClockForTest(nullptr);
        SetSaveFileNameForTest(nullptr);
    }

    void receiptTypedSavedBrowsedAndReversed() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedTrades();
        CScopedScriptedPort port;
        CPickerScript picks;
        QString number;
        const bool found = DriveModal<CChild_Caiwu_ShoukuanDlg>(
            [] { QVERIFY(OpenRoute(nullptr, Place::Xiaoshou, "收款单")); },
            [&](CChild_Caiwu_ShoukuanDlg& w) {
                QCOMPARE(w.windowTitle(), QStringLiteral("收款单"));
                QCOMPARE(w.m_title->text(), QStringLiteral("收款单"));
                QCOMPARE(w.m_owedLabel->text(), QStringLiteral("当前应收："));
                QCOMPARE(w.m_accountLabel->text(), QStringLiteral("收款账户："));
                QVERIFY(w.m_number->text().startsWith("SK-261207-0930"));
                QCOMPARE(w.m_date->date(), QDate(2026, 12, 7));
                QCOMPARE(BrowseButtons(w), QList<bool>({false, false, false}));
                QCOMPARE(w.m_owed->text(), QString());

                // The unit, account and handler come from the picker; the owed sum follows.
                picks.Pick("乙客户", "单位名称");
                picks.Pick("工行", "银行账户");
                picks.Pick("李四", "员工姓名");
                Click(w.PickerIcon(w.m_customer));
                QCOMPARE(w.m_customer->text(), QStringLiteral("乙客户"));
                QCOMPARE(w.m_owed->text(), QStringLiteral("70.00"));
                Click(w.PickerIcon(w.m_account));
                Click(w.PickerIcon(w.m_employee));
                // A receipt's unit picker offers the customers.
                QCOMPARE(picks.Kinds(),
                         QStringList({"palette_kehu", "palette_account", "palette_employees"}));

                // More than is owed: asked, and No keeps the bill as typed.
                QTest::keyClicks(w.m_paid, "70.5");
                port.QueueAnswer(false);
                Click(w.m_save);
                QCOMPARE(Text(port.Texts().back()),
                         QStringLiteral("金额大于当前应收，确定要继续吗？"));
                QCOMPARE(Receivable("乙客户"), std::string("70.00"));
                QCOMPARE(w.m_paid->text(), QStringLiteral("70.5"));

                // 50.00 received: saved with Enter, the window goes on with the next receipt.
                w.m_paid->selectAll();
                QTest::keyClicks(w.m_paid, "50");
                Type(w.m_introduction, "十一月货款");
                SaveShot(&w, "finance_receipt");
                number = w.m_number->text();
                port.QueueAnswer(true);
                QTest::keyClick(w.m_paid, Qt::Key_Return);
                QCOMPARE(Text(port.Texts().back()),
                         QStringLiteral("收款操作成功！是否继续收款操作？"));
                QVERIFY(w.isVisible());
                QCOMPARE(w.m_paid->text(), QString());
                QCOMPARE(w.m_owed->text(), QStringLiteral("20.00"));
                QVERIFY(w.m_number->text() != number);
                QCOMPARE(BrowseButtons(w), QList<bool>({true, false, false}));

                // 上一张 shows it read-only; 红冲 asks, reverses, and the sum comes back.
                Click(w.m_prev);
                QCOMPARE(w.m_number->text(), number);
                QCOMPARE(w.m_paid->text(), QStringLiteral("50.00"));
                QVERIFY(w.m_paid->isReadOnly());
                QCOMPARE(w.m_introduction->text(), QStringLiteral("十一月货款"));
                QCOMPARE(BrowseButtons(w), QList<bool>({false, true, true}));
                port.QueueAnswer(true);
                Click(w.m_redo);
                QCOMPARE(Text(port.Texts().back()), QStringLiteral("红冲成功！"));
                QCOMPARE(w.m_standing->text(), QStringLiteral("已红冲"));
                QCOMPARE(w.m_owed->text(), QStringLiteral("70.00"));
                SaveShot(&w, "finance_receipt_reversed");
                Click(w.m_next);
                QCOMPARE(w.m_number->text(), number + "-H");
                QCOMPARE(w.m_paid->text(), QStringLiteral("-50.00"));
                QCOMPARE(w.m_standing->text(), QStringLiteral("红字单据"));
                QVERIFY(!w.m_redo->isEnabled());
                Click(w.m_next); // back to a new receipt
                QVERIFY(!w.IsViewMode());
                QVERIFY(!w.m_paid->isReadOnly());
                Click(w.m_cancel); // nothing asked without goods lines
            });
        QVERIFY(found);
        QCOMPARE(picks.Pending(), size_t(0));
        QCOMPARE(Receivable("乙客户"), std::string("70.00"));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        auto stored = FindFundBill(store, number.toStdString());
        QVERIFY(stored);
        QCOMPARE(
            QStringList({Text(stored->Kind), Text(stored->Customer), Text(stored->Bank),
                         Text(stored->Employee), Text(stored->Amount), Text(stored->Canceled)}),
            QStringList({"收款", "乙客户", "工行", "李四", "50.00", "1"}));
    }

    void paymentRefusesAUnitNotInTheList() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedTrades();
        CScopedScriptedPort port;
        QVERIFY(DriveModal<CChild_Caiwu_FukuanDlg>(
            [] { QVERIFY(OpenRoute(nullptr, Place::Caigou, "付款单")); },
            [&](CChild_Caiwu_FukuanDlg& w) {
                QCOMPARE(w.windowTitle(), QStringLiteral("付款单"));
                QCOMPARE(w.m_owedLabel->text(), QStringLiteral("当前应付："));
                QVERIFY(w.m_number->text().startsWith("FK-"));
                Type(w.m_customer, "无名公司");
                Type(w.m_account, "工行");
                Type(w.m_employee, "张三");
                QTest::keyClicks(w.m_paid, "5");
                Click(w.m_save);
                QCOMPARE(Text(port.Texts().back()),
                         QStringLiteral("往来单位“无名公司”不在往来单位列表中！"));
                QVERIFY(w.isVisible());
                // The supplier owes nothing to us; we owe it 60.00, and 60 pays it off.
                w.m_customer->selectAll();
                Type(w.m_customer, "甲供应商");
                QCOMPARE(w.m_owed->text(), QStringLiteral("60.00"));
                w.m_paid->selectAll();
                QTest::keyClicks(w.m_paid, "60");
                SaveShot(&w, "finance_payment");
                port.QueueAnswer(false); // no next payment
                Click(w.m_save);
                QCOMPARE(Text(port.Texts().back()),
                         QStringLiteral("付款操作成功！是否继续付款操作？"));
            }));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        QCOMPARE(Text(PayableOf(store, "甲供应商")->Format2()), QStringLiteral("0.00"));
    }

    void statementListedPrintedAndExported() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedTrades();
        {
            CBill receipt(BillKind::Receipt);
            receipt.GiveNumber("SK-1");
            receipt.m_date = "2026-11-10";
            receipt.m_customer = "乙客户";
            receipt.m_employee = "李四";
            receipt.m_account = "工行";
            receipt.m_paid = "50";
            CScopedScriptedPort quiet;
            QCOMPARE(receipt.Save(), PostOutcome::Posted);
        }
        PostTrade(BillKind::SaleReturn, "XSTH-1", "2026-11-20", "乙客户", "1", "10", "10.00");
        CScopedScriptedPort port;
        const QString csv = QString::fromStdString((folder.Dir() / "对账.csv").string());
        SetSaveFileNameForTest([&](const QString&, const QString&) { return csv; });
        CModalDriver driver;
        QString page, proposedPdf;
        driver.Then<CChild_Caiwu_DuizhangDlg>([&](CChild_Caiwu_DuizhangDlg& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("往来对账"));
            w.show();
            // Printing before a query says what to do.
            Click(w.m_print);
            QCOMPARE(Text(port.Texts().back()), QStringLiteral("请先查询对账明细！"));
            Type(w.m_unit, "乙客户");
            w.m_from->setDate(QDate(2026, 11, 5));
            w.m_to->setDate(QDate(2026, 11, 30));
            Click(w.m_run);
            QCOMPARE(w.m_model->rowCount(), 4);
            QCOMPARE(Row(w.m_model, 0),
                     QStringList({"2026-11-05", "", "期初余额", "", "", "70.00"}));
            QCOMPARE(Row(w.m_model, 1),
                     QStringList({"2026-11-10", "SK-1", "收款单", "", "50.00", "20.00"}));
            QCOMPARE(Row(w.m_model, 2), QStringList({"2026-11-20", "XSTH-1", "销售退货单", "10.00",
                                                     "10.00", "20.00"}));
            QCOMPARE(Row(w.m_model, 3),
                     QStringList({"2026-11-30", "", "期末余额", "10.00", "60.00", "20.00"}));
            QVERIFY(w.m_model->IsMarked(0) && w.m_model->IsMarked(3) && !w.m_model->IsMarked(1));
            QCOMPARE(w.m_closing->text(), QStringLiteral("20.00"));
            SaveShot(&w, "finance_statement");

            driver.Then<CPrintDlg>([&](CPrintDlg& print) {
                QFile f(print.Address());
                QVERIFY(f.open(QIODevice::ReadOnly));
                page = QString::fromUtf8(f.readAll());
                print.resize(900, 600);
                SaveShot(&print, "finance_statement_print");
                // Its PDF is proposed under the statement's own name (cancelled here).
                SetSaveFileNameForTest([&](const QString&, const QString& suggested) {
                    proposedPdf = suggested;
                    return QString();
                });
                Click(print.m_pdf);
                SetSaveFileNameForTest([&](const QString&, const QString&) { return csv; });
            });
            Click(w.m_print);
            Click(w.m_export);
        });
        QVERIFY(OpenRoute(nullptr, Place::Caiwu, "往来对账"));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        QCOMPARE(proposedPdf, QStringLiteral("往来对账单.pdf"));
        QVERIFY(page.contains(
            QStringLiteral("往来单位：乙客户</td><td>期间：2026-11-05 至 2026-11-30")));
        QVERIFY(page.contains(
            QStringLiteral("<tr><td class=\"num\">1</td><td>2026-11-10</td><td>SK-1</td><td>收款单"
                           "</td><td class=\"num\"></td><td class=\"num\">50.00</td><td "
                           "class=\"num\">20.00</td></tr>")));
        QVERIFY(page.contains(QStringLiteral("期末余额</td><td class=\"num\">10.00</td><td "
                                             "class=\"num\">60.00</td><td class=\"num\">20.00")));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(),
                 QByteArray("\xEF\xBB\xBF") +
                     QStringLiteral("日期,单据编号,单据类型,增加,减少,余额\r\n"
                                    "2026-11-05,,期初余额,,,70.00\r\n"
                                    "2026-11-10,SK-1,收款单,,50.00,20.00\r\n"
                                    "2026-11-20,XSTH-1,销售退货单,10.00,10.00,20.00\r\n"
                                    "2026-11-30,,期末余额,10.00,60.00,20.00\r\n")
                         .toUtf8());
    }

    void accountsShowMoneyInAndOut() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedTrades();
        CModalDriver driver;
        driver.Then<CChild_Caiwu_ZhanghuDlg>([&](CChild_Caiwu_ZhanghuDlg& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("账户余额"));
            w.show();
            QCOMPARE(w.m_model->rowCount(), 2);
            QCOMPARE(Row(w.m_model, 0), QStringList({"工行", "30.00", "40.00", "-10.00"}));
            // A payment made meanwhile shows after 刷新.
            CBill payment(BillKind::Payment);
            payment.GiveNumber("FK-1");
            payment.m_customer = "甲供应商";
            payment.m_employee = "张三";
            payment.m_account = "工行";
            payment.m_paid = "25.50";
            {
                CScopedScriptedPort quiet;
                QCOMPARE(payment.Save(), PostOutcome::Posted);
            }
            Click(w.m_refresh);
            QCOMPARE(Row(w.m_model, 0), QStringList({"工行", "30.00", "65.50", "-35.50"}));
            QCOMPARE(Row(w.m_model, 1), QStringList({"合计", "30.00", "65.50", "-35.50"}));
            QVERIFY(w.m_model->IsMarked(1));
            SaveShot(&w, "finance_accounts");
        });
        QVERIFY(OpenRoute(nullptr, Place::Menu, "账户余额"));
        QCOMPARE(driver.Problems(), QStringList());
    }
};

QTEST_MAIN(TestFinance)
#include "tst_finance.moc"
