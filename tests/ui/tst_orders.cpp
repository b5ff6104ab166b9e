// The order windows: an order entered and saved, delivered in part from the list, the delivery
// reversed and the order closed; 按订单 with the over-delivery question; hidden purchase prices
// and the rights the order windows need.
#include "BillTestSupport.h"
#include "ModalDriver.h"

#include "admin/RoleAdmin.h"
#include "app/CommandRouting.h"
#include "basic/GoodsStore.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "orders/CChild_Dingdan_KaidanDlg.h"
#include "orders/CChild_Dingdan_ViewDlg.h"
#include "orders/COrderPickDlg.h"
#include "orders/Orders.h"
#include "query/CChild_Kucun_YujingDlg.h"
#include "query/CQueryTableModel.h"
#include "store/CDataStore.h"
#include "text/Clock.h"
#include "widgets/CComboBoxExt.h"
#include "widgets/CEditEx.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <ctime>

namespace {
// Bill numbers one second apart from 2026-12-07 09:30:15.
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

// G003 (矿泉水) counted in 个 at 5.00, bought by the 箱 of 12 at 50.00.
void SeedBoxes() {
    SeedBillData();
    CDataStore store;
    QVERIFY(store.ConnectMain());
    GoodsRecord water;
    water.Code = "G003";
    water.ProductName = "矿泉水";
    water.ClassName = "饮料";
    water.Unit = "个";
    water.PriceIn = "5.00";
    QVERIFY(store.AddGoods(water));
    QVERIFY(store.ExecuteSql("insert into GoodsUnit(Product_ID, Unit, Factor, BarCode, PriceIn)"
                             " values('G003', '箱', '12', '6903012', '50.00')"));
}

// Types into a grid cell's edit box (opened by a click) and commits with Enter.
void EditCell(CListCtrlEx* grid, int row, const QString& column, const QString& text) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, GridCellCentre(grid, row, column));
    auto* edit = qobject_cast<CEditEx*>(grid->ActiveEditor());
    QVERIFY2(edit, "no edit box over the cell");
    edit->selectAll();
    edit->insert(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Chooses `unit` in the unit cell's list of a grid row.
void ChooseUnit(CListCtrlEx* grid, int row, const QString& unit) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, GridCellCentre(grid, row, "单位"));
    auto* units = qobject_cast<CComboBoxExt*>(grid->ActiveEditor());
    QVERIFY2(units, "no unit list over the cell");
    const int index = units->findText(unit);
    QVERIFY(index >= 0);
    units->setCurrentIndex(index);
    emit units->activated(index);
    grid->setFocus();
}

// A click on row `row` of a list, as the user makes it.
void ClickRow(QTableView* view, int row) {
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

// One line of a grid: quantity, unit, price, amount.
QString GridLine(const CListCtrlEx* grid, int row) {
    return QStringList({GridText(grid, row, "数量"), GridText(grid, row, "单位"),
                        GridText(grid, row, "单价"), GridText(grid, row, "金额")})
        .join(' ');
}

// The list's row: its status; the lines below: 订购 / 已交 / 未交 of each.
QString Status(const CChild_Dingdan_ViewDlg& w, int row = 0) {
    return CellText(w.m_model, row, "状态");
}
QStringList Progress(const CChild_Dingdan_ViewDlg& w) {
    QStringList lines;
    for (int r = 0; r < w.m_lineModel->rowCount(); ++r)
        lines << CellText(w.m_lineModel, r, "订购") + " / " + CellText(w.m_lineModel, r, "已交") +
                     " / " + CellText(w.m_lineModel, r, "未交");
    return lines;
}

QString Shots() {
    return QStringLiteral("order_");
}

// Posts a purchase order of 3 箱 of G003 (36 个) from 甲供应商 into 一号库; its number.
std::string PostOrderOfThreeBoxes() {
    CBill order(BillKind::PurchaseOrder);
    order.m_customer = "甲供应商";
    order.m_department = "采购部";
    order.m_warehouse = "一号库";
    order.m_employee = "张三";
    GoodsRecord water;
    water.Code = "G003";
    water.ProductName = "矿泉水";
    water.Unit = "个";
    water.PriceIn = "5.00";
    order.AppendGoods(water);
    order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "数量"), "3");
    order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "单位"), "箱");
    order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "单价"), "50.00");
    CScopedScriptedPort quiet;
    if (order.Save() != PostOutcome::Posted)
        QTest::qFail("the order was not posted", __FILE__, __LINE__);
    return order.m_number;
}

// The purchase window's 按订单 picking the first open order; the window then holds its rest.
void PickFirstOpenOrder(CModalDriver& driver, CChild_Jinhuo_KaidanDlg& w) {
    driver.Then<COrderPickDlg>([](COrderPickDlg& picker) {
        picker.show();
        ClickRow(picker.m_list, 0);
        QTest::mouseClick(picker.m_choose, Qt::LeftButton);
    });
    QTest::mouseClick(w.m_byOrder, Qt::LeftButton);
}

int PurchaseCount() {
    CDataStore store;
    int count = -1;
    if (store.ConnectMain())
        store.Run("select count(*) from EnterStock", {},
                  [&](const CStatement& st) { count = int(st.Int(0)); });
    return count;
}
} // namespace

class TestOrders : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void init() { StartClock(); }
    void cleanup() { SetClockForTest(nullptr); }

    // An order's life through the windows: entered (10 个 + 2 箱 of 12), delivered in part
    // from the list (5 个), that purchase reversed, the order closed.
    void anOrderIsEnteredDeliveredInPartReversedAndClosed() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBoxes();
        CScopedScriptedPort port;
        CPickerScript picks;
        CModalDriver driver;
        QString order, purchase;
        driver.Then<CChild_Dingdan_ViewDlg>([&](CChild_Dingdan_ViewDlg& list) {
            list.show();
            QCOMPARE(list.windowTitle(), QStringLiteral("采购订单"));
            QCOMPARE(list.m_deliver->text(), QStringLiteral("生成进货单"));
            QCOMPARE(list.m_model->rowCount(), 0);

            // 新建: the order window, its header picked, two lines of 矿泉水.
            driver.Then<CChild_Dingdan_KaidanDlg>([&](CChild_Dingdan_KaidanDlg& w) {
                w.show();
                QCOMPARE(w.m_title->text(), QStringLiteral("采购订单"));
                QVERIFY(w.m_number->text().startsWith("CD-261207-0930"));
                QVERIFY(!w.m_account && !w.m_paid && !w.m_redo && !w.m_byOrder);
                picks.Pick("甲供应商", "单位名称");
                picks.Pick("采购部", "部门名称");
                picks.Pick("一号库", "仓库名称");
                picks.Pick("张三", "员工姓名");
                for (QLineEdit* f : {static_cast<QLineEdit*>(w.m_customer),
                                     static_cast<QLineEdit*>(w.m_department),
                                     static_cast<QLineEdit*>(w.m_warehouse),
                                     static_cast<QLineEdit*>(w.m_employee)})
                    QTest::mouseClick(w.PickerIcon(f), Qt::LeftButton);
                w.m_deliveryDate->setDate(QDate(2026, 12, 20));
                picks.Pick("G003", "商品编码");
                QTest::mouseClick(w.m_add, Qt::LeftButton);
                picks.Pick("G003", "商品编码");
                QTest::mouseClick(w.m_add, Qt::LeftButton);
                ChooseUnit(w.m_grid, 0, "个");
                EditCell(w.m_grid, 0, "数量", "10");
                ChooseUnit(w.m_grid, 1, "箱");
                EditCell(w.m_grid, 1, "数量", "2");
                QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("10 个 5.00 50.00"));
                QCOMPARE(GridLine(w.m_grid, 1), QStringLiteral("2 箱 50.00 100.00"));
                QCOMPARE(w.m_quantityTotal->text(), QStringLiteral("34")); // 10 + 2 × 12
                QCOMPARE(w.m_amountTotal->text(), QStringLiteral("150.00"));
                order = w.m_number->text();
                port.QueueAnswer(false); // no next order: the saved one stays on show
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QStringLiteral("采购订单保存成功！是否继续录入采购订单？"));
                QVERIFY(w.IsViewMode());
                QCOMPARE(w.ShownNumber().value_or(""), order.toStdString());
                QVERIFY(!w.m_save->isEnabled() && !w.m_add->isEnabled());
                QVERIFY(w.m_printBill->isEnabled());
                QCOMPARE(w.m_deliveryDate->date(), QDate(2026, 12, 20));
                QCOMPARE(GridLine(w.m_grid, 1), QStringLiteral("2 箱 50.00 100.00"));
                SaveShot(&w, Shots() + "entered");
                QTest::mouseClick(w.m_cancel, Qt::LeftButton);
            });
            QTest::mouseClick(list.m_new, Qt::LeftButton);
            QCOMPARE(list.m_model->rowCount(), 1);
            QCOMPARE(list.m_model->Rows()[0],
                     (CQueryTableModel::Row{order.toStdString(), "2026-12-07", "甲供应商", "一号库",
                                            "张三", "150.00", "2026-12-20", "未交货"}));
            ClickRow(list.m_list, 0);
            QCOMPARE(Progress(list), QStringList({"10个 / 0个 / 10个", "2箱 / 0个 / 2箱"}));

            // 生成进货单: the purchase window holds the open rest; 5 个 of the first line go.
            driver.Then<CChild_Jinhuo_KaidanDlg>([&](CChild_Jinhuo_KaidanDlg& w) {
                w.show();
                QCOMPARE(w.m_customer->text(), QStringLiteral("甲供应商"));
                QCOMPARE(w.m_warehouse->text(), QStringLiteral("一号库"));
                QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("10 个 5.00 50.00"));
                QCOMPARE(GridLine(w.m_grid, 1), QStringLiteral("2 箱 50.00 100.00"));
                picks.Pick("工行", "银行账户");
                QTest::mouseClick(w.PickerIcon(w.m_account), Qt::LeftButton);
                QTest::mouseClick(w.m_grid->viewport(), Qt::LeftButton, {},
                                  GridCellCentre(w.m_grid, 1, "商品名称"));
                port.QueueAnswer(true); // remove the box line
                QTest::mouseClick(w.m_remove, Qt::LeftButton);
                EditCell(w.m_grid, 0, "数量", "5");
                purchase = w.m_number->text();
                port.QueueAnswer(false); // no further purchase
                QTest::mouseClick(w.m_save, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()),
                         QString::fromUtf8(KindInfo(BillKind::Purchase).successText));
            });
            QTest::mouseClick(list.m_deliver, Qt::LeftButton);
            QCOMPARE(Status(list), QStringLiteral("部分交货"));
            QCOMPARE(Progress(list), QStringList({"10个 / 5个 / 5个", "2箱 / 0个 / 2箱"}));
            SaveShot(&list, Shots() + "partly_delivered");

            // The purchase reversed in its own window: the list read again shows it undone.
            {
                CChild_Jinhuo_KaidanDlg w(&list);
                w.SetStoredBill("run_caigou", purchase);
                w.show();
                port.QueueAnswer(true);
                QTest::mouseClick(w.m_redo, Qt::LeftButton);
                QCOMPARE(QString::fromStdString(port.Texts().back()), QStringLiteral("红冲成功！"));
            }
            QCOMPARE(Status(list), QStringLiteral("部分交货")); // not read again yet
            QTest::mouseClick(list.m_query, Qt::LeftButton);
            QCOMPARE(Status(list), QStringLiteral("未交货"));
            ClickRow(list.m_list, 0);
            QCOMPARE(Progress(list), QStringList({"10个 / 0个 / 10个", "2箱 / 0个 / 2箱"}));
            SaveShot(&list, Shots() + "reversed");

            // 关闭订单 after its question: nothing is open any more, nothing can be delivered.
            port.QueueAnswer(true);
            QTest::mouseClick(list.m_close, Qt::LeftButton);
            QCOMPARE(QString::fromStdString(port.Texts().back()),
                     "确定要关闭订单“" + order + "”吗？\r\n未交的商品将不再交货。");
            QCOMPARE(Status(list), QStringLiteral("已关闭"));
            QCOMPARE(Progress(list), QStringList({"10个 / 0个 / 0个", "2箱 / 0个 / 0个"}));
            QVERIFY(!list.m_deliver->isEnabled() && !list.m_close->isEnabled());
            SaveShot(&list, Shots() + "closed");
            // The status filter shows it among the closed ones only.
            list.m_status->setCurrentText(QStringLiteral("未交货"));
            QCOMPARE(list.m_model->rowCount(), 0);
            list.m_status->setCurrentText(QStringLiteral("已关闭"));
            QCOMPARE(list.m_model->rowCount(), 1);
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "订单"));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        QCOMPARE(picks.Pending(), size_t(0));
    }

    // 按订单 in the purchase window: 7 个 of an order of 3 箱 leave "2箱5个"; then 30 个 of the
    // 29 open are asked about: No posts nothing, Yes posts and completes the order.
    void deliveringMoreThanIsOpenIsAskedFirst() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBoxes();
        const std::string order = PostOrderOfThreeBoxes();
        CScopedScriptedPort port;
        CPickerScript picks;
        CModalDriver driver;
        const QString question = QStringLiteral("超出订单未交数量，确定要继续吗？");
        driver.Then<CChild_Jinhuo_KaidanDlg>([&](CChild_Jinhuo_KaidanDlg& w) {
            w.show();
            QVERIFY(w.m_byOrder->isVisible());
            PickFirstOpenOrder(driver, w);
            QCOMPARE(w.m_customer->text(), QStringLiteral("甲供应商"));
            QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("3 箱 50.00 150.00"));
            picks.Pick("工行", "银行账户");
            QTest::mouseClick(w.PickerIcon(w.m_account), Qt::LeftButton);
            ChooseUnit(w.m_grid, 0, "个");
            EditCell(w.m_grid, 0, "数量", "7");
            QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("7 个 5.00 35.00"));
            port.QueueAnswer(false);
            QTest::mouseClick(w.m_save, Qt::LeftButton);
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "进货开单"));
        // Posted without a question: 7 of 36 are open.
        QCOMPARE(port.Texts(), std::vector<std::string>{KindInfo(BillKind::Purchase).successText});

        driver.Then<CChild_Dingdan_ViewDlg>([&](CChild_Dingdan_ViewDlg& list) {
            list.show();
            ClickRow(list.m_list, 0);
            QCOMPARE(Status(list), QStringLiteral("部分交货"));
            QCOMPARE(Progress(list), QStringList({"3箱 / 7个 / 2箱5个"}));
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "订单"));

        driver.Then<CChild_Jinhuo_KaidanDlg>([&](CChild_Jinhuo_KaidanDlg& w) {
            w.show();
            PickFirstOpenOrder(driver, w);
            // 29 个 are open: not whole boxes, so in pieces, at the order's 50.00 a box of 12.
            QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("29 个 4.1667 120.83"));
            picks.Pick("工行", "银行账户");
            QTest::mouseClick(w.PickerIcon(w.m_account), Qt::LeftButton);
            EditCell(w.m_grid, 0, "数量", "30");
            port.Clear();
            port.QueueAnswer(false);
            QTest::mouseClick(w.m_save, Qt::LeftButton);
            QCOMPARE(port.Texts(), std::vector<std::string>{question.toStdString()});
            QCOMPARE(port.Entries()[0].kind, CScriptedMessagePort::Entry::YesNo); // asked
            QCOMPARE(PurchaseCount(), 1);
            QVERIFY(w.isVisible() && !w.IsViewMode());
            port.QueueAnswer(true);  // deliver the one more
            port.QueueAnswer(false); // no further purchase
            QTest::mouseClick(w.m_save, Qt::LeftButton);
            QCOMPARE(port.Texts().size(), size_t(3));
            QCOMPARE(port.Texts()[1], question.toStdString());
            QCOMPARE(PurchaseCount(), 2);
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "进货开单"));

        CDataStore store;
        QVERIFY(store.ConnectMain());
        const auto stored = FindOrder(store, BillKind::PurchaseOrder, order);
        QVERIFY(stored);
        QCOMPARE(stored->lines.at(0).delivered, int64_t(37)); // 7 + 30 of 36
        QCOMPARE(StatusOf(stored->header, stored->lines), OrderStatus::Complete);
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        QCOMPARE(picks.Pending(), size_t(0));
    }

    // "生成采购订单" in the stock warnings: 矿泉水 (limits 20 to 50, 8 in stock) is ordered
    // 20 − 8 = 12 个 at 5.00; 可乐, above its upper limit, is not ordered.
    void stockWarningsMakeAPurchaseOrderOfWhatIsShort() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBoxes();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.ExecuteSql("update ferix_product set InventoryLow = '20',"
                                     " InventoryHigh = '50' where Code = 'G003'"));
            QVERIFY(store.ExecuteSql(
                "update ferix_product set InventoryHigh = '0' where Code = 'G001'"));
        }
        CBill purchase(BillKind::Purchase);
        purchase.m_customer = "甲供应商";
        purchase.m_department = "采购部";
        purchase.m_warehouse = "一号库";
        purchase.m_employee = "张三";
        purchase.m_account = "工行";
        for (const char* code : {"G001", "G003"}) {
            GoodsRecord g;
            g.Code = code;
            g.ProductName = code;
            g.Unit = "个";
            g.PriceIn = "5.00";
            purchase.AppendGoods(g);
            purchase.EditCell(purchase.m_lines.size() - 1, BillColumn(BillKind::Purchase, "数量"),
                              "8");
        }
        CScopedScriptedPort port;
        const PostOutcome posted = purchase.Save();
        QVERIFY2(posted == PostOutcome::Posted,
                 port.Texts().empty() ? "" : port.Texts().back().c_str());
        CModalDriver driver;
        driver.Then<CChild_Kucun_YujingDlg>([&](CChild_Kucun_YujingDlg& warnings) {
            QCOMPARE(ColumnTexts(warnings.m_model, "商品编码"), QStringList({"G001", "G003"}));
            driver.Then<CChild_Dingdan_KaidanDlg>([&](CChild_Dingdan_KaidanDlg& w) {
                QCOMPARE(w.m_title->text(), QStringLiteral("采购订单"));
                QCOMPARE(GridTexts(w.m_grid, "商品编码"), QStringList({"G003"}));
                QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("12 个 5.00 60.00"));
                QCOMPARE(w.m_amountTotal->text(), QStringLiteral("60.00"));
                QVERIFY(!w.IsViewMode());
            });
            QTest::mouseClick(warnings.m_makeOrder, Qt::LeftButton);
        });
        QVERIFY(OpenRoute(nullptr, Place::Kucun, "库存预警"));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
    }

    // A role hiding 进价 sees "***" for an order's prices and amounts, in the list and in the
    // order window; a role without purchase_order is refused the list, not offered its entry.
    void hiddenPurchasePricesAndTheOrderRights() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBoxes();
        const std::string order = PostOrderOfThreeBoxes();
        QCOMPARE(AddRole("收货", "店长"), AdminResult::Done);
        QCOMPARE(SetRoleHidden("收货", {"进价"}), AdminResult::Done);
        LoginAs("keeper", "收货");
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Dingdan_ViewDlg>([&](CChild_Dingdan_ViewDlg& list) {
            list.show();
            QCOMPARE(CellText(list.m_model, 0, "金额"), QStringLiteral("***"));
            ClickRow(list.m_list, 0);
            QCOMPARE(CellText(list.m_lineModel, 0, "单价"), QStringLiteral("***"));
            QCOMPARE(CellText(list.m_lineModel, 0, "金额"), QStringLiteral("***"));
            driver.Then<CChild_Dingdan_KaidanDlg>([&](CChild_Dingdan_KaidanDlg& w) {
                QCOMPARE(w.ShownNumber().value_or(""), order);
                QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("3 箱 *** ***"));
                QCOMPARE(w.m_amountTotal->text(), QStringLiteral("***"));
            });
            const QModelIndex first = list.m_model->index(0, 0);
            QTest::mouseDClick(list.m_list->viewport(), Qt::LeftButton, {},
                               list.m_list->visualRect(first).center());
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "订单"));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));

        // 营业员 holds sale orders but not purchase orders.
        LoginAs("clerk", "营业员");
        QVERIFY(RouteAllowed(Place::Xiaoshou, "订单"));
        QVERIFY(!RouteAllowed(Place::Caigou, "订单"));
        port.Clear();
        QVERIFY(!OpenRoute(nullptr, Place::Caigou, "订单"));
        QCOMPARE(port.Texts(), std::vector<std::string>{"您没有“采购订单”的“查看”权限！"});
        QVERIFY(!OpenWindow(nullptr, "CChild_Dingdan_KaidanDlg", "run_caigou_dingdan"));
        QCOMPARE(driver.Opened().size(), qsizetype(2));
        // Nor by switching the sale order list to purchase orders.
        driver.Then<CChild_Dingdan_ViewDlg>([&](CChild_Dingdan_ViewDlg& list) {
            list.show();
            port.Clear();
            list.m_kind->setFocus();
            QTest::keyClick(list.m_kind, Qt::Key_Up);
            QCOMPARE(list.m_kind->currentText(), QStringLiteral("采购订单"));
            QCOMPARE(list.m_model->rowCount(), 0); // the list follows the kind at once
            QCOMPARE(port.Texts(), std::vector<std::string>{"您没有“采购订单”的“查看”权限！"});
            port.Clear();
            QTest::mouseClick(list.m_query, Qt::LeftButton);
            QCOMPARE(list.m_model->rowCount(), 0);
            QCOMPARE(port.Texts(), std::vector<std::string>{"您没有“采购订单”的“查看”权限！"});
        });
        QVERIFY(OpenRoute(nullptr, Place::Xiaoshou, "订单"));
        QCOMPARE(driver.Problems(), QStringList());
    }

    // The list shows an order's unit price as money ("120" typed is "120.00"), in its lines and
    // in the order window; a long goods name and note are read whole while the lines' list has
    // room for them.
    void theListShowsMoneyAndLongTextsWhole() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBoxes();
        const QString name = QStringLiteral("天然矿泉水（五百毫升装）");
        const QString note = QStringLiteral("周五前送到二号门，卸货请找仓库李师傅");
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.ExecuteSql("update ferix_product set ProductName = ? where Code = 'G003'",
                                     {name.toStdString()}));
            CBill order(BillKind::PurchaseOrder);
            order.m_customer = "甲供应商";
            order.m_department = "采购部";
            order.m_warehouse = "一号库";
            order.m_employee = "张三";
            order.AppendGoods(*FindGoods(store, "G003"));
            order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "数量"), "2");
            order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "单位"), "箱");
            order.EditCell(0, BillColumn(BillKind::PurchaseOrder, "单价"), "120");
            order.m_lines[0].note = note.toStdString();
            CScopedScriptedPort quiet;
            QCOMPARE(order.Save(), PostOutcome::Posted);
        }
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Dingdan_ViewDlg>([&](CChild_Dingdan_ViewDlg& list) {
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            ClickRow(list.m_list, 0);
            QCOMPARE(CellText(list.m_lineModel, 0, "单价"), QStringLiteral("120.00"));
            QCOMPARE(CellText(list.m_lineModel, 0, "金额"), QStringLiteral("240.00"));
            QCoreApplication::processEvents(); // the columns fit after the fill
            QTableView* lines = list.m_lines;
            int used = 0;
            for (int c = 0; c < list.m_lineModel->columnCount(); ++c)
                used += lines->columnWidth(c);
            // Name and note each as wide as their whole text needs.
            const QAbstractItemView* view = lines;
            for (int c : {1, 9})
                QVERIFY2(lines->columnWidth(c) >= view->sizeHintForColumn(c),
                         qPrintable(list.m_lineModel->Cell(0, c) + " cut at " +
                                    QString::number(lines->columnWidth(c)) + " of " +
                                    QString::number(view->sizeHintForColumn(c))));
            QCOMPARE(used, lines->viewport()->width());
            SaveShot(&list, Shots() + "money_and_long_texts");
            driver.Then<CChild_Dingdan_KaidanDlg>([&](CChild_Dingdan_KaidanDlg& w) {
                QCOMPARE(GridLine(w.m_grid, 0), QStringLiteral("2 箱 120.00 240.00"));
            });
            QTest::mouseDClick(list.m_list->viewport(), Qt::LeftButton, {},
                               list.m_list->visualRect(list.m_model->index(0, 0)).center());
        });
        QVERIFY(OpenRoute(nullptr, Place::Caigou, "订单"));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
    }
};

QTEST_MAIN(TestOrders)
#include "tst_orders.moc"
