// The stock count window opened from the stock panel: picking the warehouse, loading, typing
// counted quantities into the grid, and the three outcomes of saving.
#include "BillTestSupport.h"

#include "app/CommandRouting.h"
#include "bills/BillStore.h"
#include "bills/CChild_Kucun_PandianDlg.h"
#include "store/CDataStore.h"
#include "text/Clock.h"
#include "widgets/CEditEx.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CListCtrlModel.h"
#include "widgets/CUnderLineEdit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <ctime>

namespace {
// 2026-12-07 09:30:15 local time, for every reading of the clock.
void FixClock() {
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    tm.tm_isdst = -1;
    const std::time_t now = std::mktime(&tm);
    SetClockForTest([now] { return now; });
}

void PutStock(const char* warehouse, const char* code, const char* name, int64_t quantity) {
    CDataStore store;
    QVERIFY(store.ConnectMain());
    QVERIFY(store.IncreaseStock(warehouse, code, name, quantity, "1"));
}

std::optional<int64_t> Stock(const char* warehouse, const char* code) {
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    return store.GetStockNumber(warehouse, code);
}

// The grid's rows, cells joined by "|".
QStringList Rows(const CListCtrlEx* grid) {
    QStringList rows;
    for (int r = 0; r < grid->GetItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->GetColumnCount(); ++c)
            cells << grid->GetItemText(r, c);
        rows << cells.join('|');
    }
    return rows;
}

// Clicks the cell, types over its text in the edit box that opens and presses Enter.
void TypeIntoCell(CListCtrlEx* grid, int row, const QString& column, const QString& text,
                  std::source_location where = std::source_location::current()) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      GridCellCentre(grid, row, column, where));
    auto* edit = qobject_cast<CEditEx*>(grid->ActiveEditor());
    QVERIFY2(edit, "no edit box over the cell");
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!grid->ActiveEditor());
}

// Chooses a class with the arrow keys, as from the keyboard.
void ChooseClass(QComboBox* box, const QString& name) {
    const int target = box->findText(name);
    QVERIFY(target >= 0);
    box->setFocus();
    while (box->currentIndex() < target)
        QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > target)
        QTest::keyClick(box, Qt::Key_Up);
}

std::vector<BillDetailRecord> Rows(BillTable table, const QString& number) {
    CDataStore store;
    if (!store.ConnectMain())
        return {};
    return ListStockBillLines(store, table, number.toStdString());
}
} // namespace

class TestCount : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void init() { FixClock(); }
    void cleanup() { SetClockForTest(nullptr); }

    void countFromThePanelLoadsEditsAndPostsTheDifferences() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        PutStock("一号库", "G001", "可乐", 10);
        PutStock("一号库", "G002", "橙汁", 6);
        PutStock("二号库", "G001", "可乐", 3);
        {
            // 可乐 also comes in boxes of four: its book quantities are told in them (折合).
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(AddGoodsUnit(store, {"G001", "箱", 4, "", "", ""}));
        }
        CScopedScriptedPort port;
        CPickerScript picks;
        QString gain, loss;
        QVERIFY(DriveModal<CChild_Kucun_PandianDlg>(
            [] { QVERIFY(OpenRoute(nullptr, Place::Kucun, "盘点单")); },
            [&](CChild_Kucun_PandianDlg& w) {
                QCOMPARE(w.windowTitle(), QStringLiteral("盘点单"));
                QCOMPARE(w.m_title->text(), QStringLiteral("盘点单"));
                QCOMPARE(w.m_linesGroup->title(), QStringLiteral("商品列表"));
                QCOMPARE(w.m_class->currentText(), QStringLiteral("所有商品"));
                QCOMPARE(w.m_class->count(), 4);

                // Nothing loaded, no warehouse: both are asked for.
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("请先载入库存！"));
                QTest::mouseClick(w.m_load, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("请输入仓库！"));

                picks.Pick("一号库", "仓库名称");
                QTest::mouseClick(w.m_warehouseIcon, Qt::LeftButton);
                QCOMPARE(picks.Kinds(), QStringList{"palette_cangku"});
                QCOMPARE(w.m_warehouse->text(), QStringLiteral("一号库"));
                QTest::mouseClick(w.m_load, Qt::LeftButton);
                QCOMPARE(w.m_number->text(), QStringLiteral("PD-261207-093015"));
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|10|2箱2瓶|10|0", "G002|橙汁||6|6|6|0"}));
                // Book quantities are not typed over.
                QTest::mouseClick(w.m_grid->viewport(), Qt::LeftButton, {},
                                  GridCellCentre(w.m_grid, 0, "账面数量"));
                QVERIFY(!w.m_grid->ActiveEditor());

                // As loaded: no difference, nothing written.
                port.Clear();
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(port.Texts().size(), size_t(1));
                QCOMPARE(QString::fromStdString(port.Texts()[0]), QStringLiteral("盘点无差异。"));

                // A class narrows the count; another choice drops what was loaded.
                ChooseClass(w.m_class, "果汁");
                QCOMPARE(w.m_grid->GetItemCount(), 0);
                QTest::mouseClick(w.m_load, Qt::LeftButton);
                QCOMPARE(Rows(w.m_grid), QStringList({"G002|橙汁||6|6|6|0"}));
                ChooseClass(w.m_class, "所有商品");
                QTest::mouseClick(w.m_load, Qt::LeftButton);

                // The difference follows the typing; a quantity that is no count is refused.
                TypeIntoCell(w.m_grid, 0, "实盘数量", "12");
                TypeIntoCell(w.m_grid, 1, "实盘数量", "1.5");
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|10|2箱2瓶|12|2", "G002|橙汁||6|6|1.5|"}));
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("商品“橙汁”的实盘数量必须是不小于零的整数！"));
                TypeIntoCell(w.m_grid, 1, "实盘数量", "4");
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|10|2箱2瓶|12|2", "G002|橙汁||6|6|4|-2"}));
                SaveShot(&w, "count");

                // A bill posted meanwhile: nothing written, the typed counts stay.
                PutStock("一号库", "G002", "橙汁", 1);
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("商品“橙汁”的库存在盘点期间发生了变化，请重新载入库存！"));
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|10|2箱2瓶|12|2", "G002|橙汁||6|6|4|-2"}));
                QCOMPARE(Stock("一号库", "G001"), std::optional<int64_t>(10));

                // Reloaded and counted again: one gain and one loss bill, then a fresh count.
                QTest::mouseClick(w.m_load, Qt::LeftButton);
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|10|2箱2瓶|10|0", "G002|橙汁||7|7|7|0"}));
                TypeIntoCell(w.m_grid, 0, "实盘数量", "12");
                TypeIntoCell(w.m_grid, 1, "实盘数量", "4");
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("盘点单保存成功！\r\n报溢单：BY-261207-093015\r\n"
                                        "报损单：BS-261207-093015"));
                gain = "BY-261207-093015";
                loss = "BS-261207-093015";
                QCOMPARE(Rows(w.m_grid),
                         QStringList({"G001|可乐|瓶|12|3箱|12|0", "G002|橙汁||4|4|4|0"}));
                QTest::mouseClick(w.m_cancel, Qt::LeftButton);
                QVERIFY(!w.isVisible());
            }));
        QCOMPARE(Stock("一号库", "G001"), std::optional<int64_t>(12));
        QCOMPARE(Stock("一号库", "G002"), std::optional<int64_t>(4));
        QCOMPARE(Stock("二号库", "G001"), std::optional<int64_t>(3));
        const auto gains = Rows(BillTable::BaoYiDan, gain);
        QCOMPARE(gains.size(), size_t(1));
        QCOMPARE(QString::fromStdString(gains[0].Product_ID + "|" + gains[0].Product_Number + "|" +
                                        gains[0].Introduction),
                 QStringLiteral("G001|2|盘点 PD-261207-093015"));
        const auto losses = Rows(BillTable::BaoSunDan, loss);
        QCOMPARE(losses.size(), size_t(1));
        QCOMPARE(QString::fromStdString(losses[0].Product_ID + "|" + losses[0].Product_Number),
                 QStringLiteral("G002|3"));
        QCOMPARE(picks.Pending(), size_t(0));
    }
};

QTEST_MAIN(TestCount)
#include "tst_count.moc"
