// The stock view, the bill history view and the statistics window, each opened from its panel
// item or menu entry.
#include "BillTestSupport.h"
#include "UiTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "app/Cferix_razazApp.h"
#include "app/CommandRouting.h"
#include "basic/CChild_Jichu_Product_AddDlg.h"
#include "bills/BillReversal.h"
#include "bills/CBill.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Kucun_YikuDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"
#include "query/CChild_History_ViewDlg.h"
#include "query/CChild_Kucun_ViewDlg.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/CReportDlg.h"
#include "query/SaveFileDialog.h"
#include "query/StockView.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/Clock.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CSearchBox.h"
#include "widgets/CUnderLineEdit.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>

namespace {
void Sql(const std::string& sql, const SqlValues& values = {}) {
    CDataStore store;
    if (!store.ConnectMain() || !store.ExecuteSql(sql, values))
        throw std::runtime_error("statement failed: " + sql);
}

// While it lives, runs `check` on the next modal window of type Dlg to open and then closes
// that window, so a test can look into a window that an item opens with exec().
template <class Dlg> class CNextModal {
public:
    explicit CNextModal(std::function<void(Dlg*)> check) : m_check(std::move(check)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dlg = qobject_cast<Dlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            m_timer.stop();
            struct Closer {
                Dlg* d;
                ~Closer() { d->reject(); }
            } closer{dlg};
            m_ran = true;
            m_check(dlg);
        });
        m_timer.start();
    }
    bool Ran() const { return m_ran; }

private:
    std::function<void(Dlg*)> m_check;
    QTimer m_timer;
    bool m_ran = false;
};

// The text a widget showed each time it was painted.
class CPaintedTexts : public QObject {
public:
    explicit CPaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    const QStringList& Texts() const { return m_texts; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object == m_label && event->type() == QEvent::Paint)
            m_texts << m_label->text();
        return false;
    }

private:
    QLabel* m_label;
    QStringList m_texts;
};

QTreeWidgetItem* FindItem(QTreeWidget* tree, const QString& text) {
    auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

void SetUpStock(const CTempProgramFolder& folder) {
    Sql("insert into ferix_product_class(parent_name, class_name, class_note) values"
        " ('所有商品', '饮料', ''), ('饮料', '果汁', ''), ('无此类', '零食', '')");
    Sql("insert into ferix_product(Code, ProductName, ClassName) values"
        " ('G1', '可乐', '饮料'), ('G2', '橙汁', '果汁'), ('G3', '薯片<b>', '零食')");
    Sql("insert into StockPile(StoreHouse, ProductCode, ProductName, FirstEnterTime, Number,"
        " Price) values ('一号仓库', 'G1', '可乐', '26-12-01', '5', '2.50'),"
        " ('二号仓库', 'G1', '可乐', '26-12-02', '7', '2.60'),"
        " ('一号仓库', 'G2', '橙汁', '26-12-03', '1', '4.00'),"
        " ('二号仓库', 'G3', '薯片<b>', '26-12-04', '9', '3.00')");
    std::ofstream(folder.Dir() / "Data/ferix_config.data", std::ios::binary | std::ios::trunc)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n<item key=\"warehouse\">"
           "<warehouse name=\"一号仓库\" note=\"\"/><warehouse name=\"二号仓库\" note=\"\"/>"
           "</item>\r\n</config>\r\n";
}
} // namespace

class TestQuery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void cleanup() { SetSaveFileNameForTest(nullptr); }

    void stockViewFiltersByClassAndWarehouseAndPrints() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        SetUpStock(folder);
        CScopedScriptedPort port;
        App().m_settings.CompanyName = "华东贸易";
        CNextModal<CChild_Kucun_ViewDlg> ran([&](CChild_Kucun_ViewDlg* dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("库存状态查看"));
            QCOMPARE(dlg->m_title->text(), QStringLiteral("库存状态"));
            QCOMPARE(dlg->m_title->font().pixelSize(), 26);
            QCOMPARE(dlg->CurrentClass(), QStringLiteral("所有商品"));
            // The class tree: 饮料 under the root, 果汁 under 饮料, 零食 (unknown parent) on top.
            QCOMPARE(dlg->m_tree->topLevelItemCount(), 2);
            QCOMPARE(dlg->m_tree->topLevelItem(0)->text(0), QStringLiteral("所有商品"));
            QCOMPARE(dlg->m_tree->topLevelItem(1)->text(0), QStringLiteral("零食"));
            QCOMPARE(FindItem(dlg->m_tree, "果汁")->parent()->text(0), QStringLiteral("饮料"));
            // "全部" and the warehouses in text order (er, quan, yi); "全部" shown.
            QStringList houses;
            for (int i = 0; i < dlg->m_warehouse->count(); ++i)
                houses << dlg->m_warehouse->itemText(i);
            QCOMPARE(houses, QStringList({"二号仓库", "全部", "一号仓库"}));
            QCOMPARE(dlg->m_warehouse->currentText(), QStringLiteral("全部"));
            QStringList headers;
            for (int c = 0; c < dlg->m_model->columnCount(); ++c) {
                headers << dlg->m_model->headerData(c, Qt::Horizontal).toString();
                QVERIFY(dlg->m_list->columnWidth(c) >= 100); // the starting width at least
            }
            QCOMPARE(headers,
                     QStringList({"商品编码", "商品名称", "商品数量", "商品单价", "首次入库时间",
                                  "所在仓库", "成本单价", "库存金额", "折合"}));
            // Last goods item first; each goods item's rows newest first; the 合计 row last.
            QCOMPARE(ColumnTexts(dlg->m_model, "所在仓库"),
                     QStringList({"二号仓库", "一号仓库", "二号仓库", "一号仓库", ""}));
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"),
                     QStringList({"G3", "G2", "G1", "G1", "合计"}));
            QCOMPARE(ColumnTexts(dlg->m_model, "商品数量"),
                     QStringList({"9", "1", "7", "5", "22"}));
            SaveShot(dlg, "stock_view");

            // A class shows only its own goods (not those of its sub-classes).
            dlg->m_tree->setCurrentItem(FindItem(dlg->m_tree, "饮料"));
            QCOMPARE(dlg->CurrentClass(), QStringLiteral("饮料"));
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"), QStringList({"G1", "G1", "合计"}));
            dlg->m_warehouse->setCurrentText(QStringLiteral("一号仓库"));
            QCOMPARE(ColumnTexts(dlg->m_model, "首次入库时间"), QStringList({"26-12-01", ""}));
            dlg->m_tree->setCurrentItem(dlg->m_tree->topLevelItem(0));
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"), QStringList({"G2", "G1", "合计"}));

            // The list as CSV.
            QString csv = QString::fromStdString((folder.Dir() / "stock.csv").string());
            SetSaveFileNameForTest([&](const QString&, const QString&) { return csv; });
            dlg->m_export->click();
            QFile f(csv);
            QVERIFY(f.open(QIODevice::ReadOnly));
            // The BOM first, then the shown rows, the 合计 row included.
            const QByteArray bytes = f.readAll();
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            QCOMPARE(QString::fromUtf8(bytes).split("\r\n"),
                     QStringList({"商品编码,商品名称,商品数量,商品单价,首次入库时间,所在仓库,"
                                  "成本单价,库存金额,折合",
                                  "G2,橙汁,1,4.00,26-12-03,一号仓库,4.0000,4.00,1",
                                  "G1,可乐,5,2.50,26-12-01,一号仓库,2.5000,12.50,5",
                                  "合计,,6,,,,,16.50,", ""}));

            // "打印" fills the template with the list, top to bottom, and shows it.
            dlg->m_warehouse->setCurrentText(QStringLiteral("全部"));
            CNextModal<CPrintDlg> printed([&](CPrintDlg* print) {
                QString text = print->m_browser->toPlainText();
                QVERIFY(text.contains(QStringLiteral("华东贸易 库存清单")));
                QVERIFY(text.contains(QStringLiteral("仓库：全部")));
                QVERIFY(text.contains(QStringLiteral("类别：所有商品")));
                QVERIFY(text.indexOf("薯片<b>") < text.indexOf("橙汁"));
                QVERIFY(text.indexOf("橙汁") < text.indexOf("可乐"));
            });
            dlg->m_print->click();
            QVERIFY(printed.Ran());
            std::ifstream page(folder.Dir() / "PrintView/temp_kucun_view.html");
            std::string html((std::istreambuf_iterator<char>(page)), {});
            QVERIFY(html.find("<td class=\"num\">4</td><td>G1</td>") != std::string::npos);
            QVERIFY(html.find("薯片&lt;b&gt;") != std::string::npos);
        });
        QVERIFY(OpenRoute(nullptr, Place::Kucun, QStringLiteral("查看库存")));
        QVERIFY(ran.Ran());
        QVERIFY(port.Texts().empty());

        // The purchasing and sales panels open the same window.
        for (const char* place : {Place::Caigou, Place::Xiaoshou}) {
            CNextModal<CChild_Kucun_ViewDlg> opened(
                [](CChild_Kucun_ViewDlg* dlg) { QCOMPARE(dlg->m_model->rowCount(), 5); });
            QVERIFY(OpenRoute(nullptr, place, QStringLiteral("库存状况")));
            QVERIFY(opened.Ran());
        }
    }

    // The search box narrows the stock list with every key, within the class and warehouse.
    void aClerkSeesStarsForPurchasePricesAndCost() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SetUpStock(folder);
        Sql("update ferix_product set PriceIn = '7.3131', Unit = '瓶' where Code = 'G1'");
        Sql("insert into GoodsUnit(Product_ID, Unit, Factor, PriceIn, PriceOut)"
            " values ('G1', '箱', '4', '80', '99')");
        QCOMPARE(AddOperator("clerk", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("clerk", "营业员"), AdminResult::Done);
        // A counter that may change goods but does not see what they cost.
        QCOMPARE(AddRole("柜台", "店长"), AdminResult::Done);
        QCOMPARE(SetRoleHidden("柜台", {"进价"}), AdminResult::Done);
        QCOMPARE(AddOperator("counter", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("counter", "柜台"), AdminResult::Done);
        auto logIn = [](const char* user) {
            CDataStore store;
            return store.ConnectOther() && store.CheckLogin(user, "");
        };
        QVERIFY(logIn("clerk"));
        CScopedScriptedPort port;
        {
            CChild_Kucun_ViewDlg dlg;
            dlg.show();
            const QStringList stars = {"***", "***", "***", "***"};
            QCOMPARE(ColumnTexts(dlg.m_model, "商品单价"), stars + QStringList{""});
            QCOMPARE(ColumnTexts(dlg.m_model, "成本单价"), stars + QStringList{""});
            QCOMPARE(ColumnTexts(dlg.m_model, "库存金额"), stars + QStringList{"***"});
            QCOMPARE(ColumnTexts(dlg.m_model, "商品数量"), QStringList({"9", "1", "7", "5", "22"}));
            QCOMPARE(ColumnTexts(dlg.m_model, "折合"),
                     QStringList({"9", "1", "1箱3瓶", "1箱1瓶", ""}));
        }
        // The goods form: the preset purchase price shows *** and cannot be typed into.
        auto stored = [] {
            CDataStore store;
            std::vector<GoodsRecord> goods;
            if (store.ConnectMain())
                store.ListGoods("所有商品", goods);
            for (const auto& g : goods)
                if (g.Code == "G1")
                    return g;
            return GoodsRecord();
        };
        const GoodsRecord cola = stored();
        QCOMPARE(cola.PriceIn, std::string("7.3131"));
        {
            CChild_Jichu_Product_AddDlg form(cola);
            form.show();
            QCOMPARE(form.m_priceIn->text(), QStringLiteral("***"));
            QVERIFY(form.m_priceIn->isReadOnly());
            QTest::keyClicks(form.m_priceIn, "1");
            QCOMPARE(form.m_priceIn->text(), QStringLiteral("***"));
            // A unit's purchase price is hidden as the goods' is; its sale price is not.
            QCOMPARE(form.m_units->item(0, 3)->text(), QStringLiteral("***"));
            QVERIFY(!(form.m_units->item(0, 3)->flags() & Qt::ItemIsEditable));
            QCOMPARE(form.m_units->item(0, 4)->text(), QStringLiteral("99"));
        }
        // Saving the form keeps the stored price, neither *** nor empty.
        QVERIFY(logIn("counter"));
        {
            CChild_Jichu_Product_AddDlg form(cola);
            form.show();
            QCOMPARE(form.m_priceIn->text(), QStringLiteral("***"));
            QTest::keyClicks(form.m_note, "changed");
            QTest::mouseClick(form.m_ok, Qt::LeftButton);
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QCOMPARE(stored().PriceIn + "/" + stored().Note, std::string("7.3131/changed"));
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            const auto units = *ListGoodsUnits(store, "G1");
            QCOMPARE(units.size(), size_t(1));
            QCOMPARE(units[0].PriceIn + "/" + units[0].PriceOut, std::string("80/99"));
        }
        QVERIFY(logIn("clerk"));
        // A sale line of goods without a retail price starts empty, never at 7.3131.
        CChild_Xiaoshou_KaidanDlg sale;
        sale.show();
        sale.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&sale));
        sale.m_quickEntry->setFocus();
        QTest::keyClicks(sale.m_quickEntry, "G1");
        QTest::keyClick(sale.m_quickEntry, Qt::Key_Return);
        const int price = ColumnOf(sale.m_grid, "单价");
        QVERIFY(price >= 0);
        QCOMPARE(sale.m_grid->GetItemText(0, ColumnOf(sale.m_grid, "商品编码")),
                 QStringLiteral("G1"));
        QCOMPARE(sale.m_grid->GetItemText(0, price), QString());
    }

    void stockViewSearchesWithinClassAndWarehouse() {
        CTempProgramFolder folder;
        SetUpStock(folder);
        Sql("update ferix_product set SmartName = 'KL', BarCode = '6901' where Code = 'G1'");
        Sql("update ferix_product set SmartName = 'CZ' where Code = 'G2'");
        CScopedScriptedPort port;
        CChild_Kucun_ViewDlg dlg;
        dlg.show();
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"),
                 QStringList({"G3", "G2", "G1", "G1", "合计"}));
        QTest::keyClicks(dlg.m_search, "k");
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"),
                 QStringList({"G1", "G1", "合计"})); // 助记码 KL
        // The 合计 row adds up the rows found: 5 × 2.50 + 7 × 2.60.
        const int last = dlg.m_model->rowCount() - 1;
        QCOMPARE(CellText(dlg.m_model, last, "商品数量"), QStringLiteral("12"));
        QCOMPARE(CellText(dlg.m_model, last, "库存金额"), QStringLiteral("30.70"));
        QTest::keyClicks(dlg.m_search, "l");
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G1", "G1", "合计"}));
        dlg.m_warehouse->setCurrentText(QStringLiteral("一号仓库"));
        QCOMPARE(ColumnTexts(dlg.m_model, "首次入库时间"), QStringList({"26-12-01", ""}));
        QTest::keyClick(dlg.m_search, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(dlg.m_search, Qt::Key_Backspace);
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"),
                 QStringList({"G2", "G1", "合计"})); // the warehouse's rows
        QTest::keyClicks(dlg.m_search, "690");
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G1", "合计"})); // barcode
        dlg.m_warehouse->setCurrentText(QStringLiteral("全部"));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G1", "G1", "合计"}));
        dlg.m_search->clear();
        QTest::keyClicks(dlg.m_search, "<B>");
        QCOMPARE(ColumnTexts(dlg.m_model, "商品名称"), QStringList({"薯片<b>", ""}));
        dlg.m_tree->setCurrentItem(FindItem(dlg.m_tree, "饮料"));
        QCOMPARE(dlg.m_model->rowCount(), 1); // the 合计 row alone
        dlg.m_search->clear();
        QTest::keyClicks(dlg.m_search, "%");
        QCOMPARE(dlg.m_model->rowCount(), 1); // the 合计 row alone
        dlg.m_search->clear();
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G1", "G1", "合计"}));
        // Enter goes on to the list and leaves the window open.
        TypeText(dlg.m_search, "橙");
        QCOMPARE(dlg.m_model->rowCount(), 1); // the 合计 row alone // 橙汁 is in 果汁, not in 饮料
        dlg.m_tree->setCurrentItem(dlg.m_tree->topLevelItem(0));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G2", "合计"}));
        QTest::keyClick(dlg.m_search, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.m_list->selectionModel()->selectedRows().size(), 1);
        QVERIFY(port.Texts().empty());
        SaveShot(&dlg, "search_stock");
    }

    // 折合 is told from the units read with the rows, only for the rows asked for: drawn,
    // found, exported. It is what telling every row at once gives.
    void stockViewTellsPackedQuantitiesOfTheRowsAskedFor() {
        CTempProgramFolder folder;
        SetUpStock(folder);
        Sql("update ferix_product set Unit = '瓶' where Code = 'G1'");
        Sql("update ferix_product set Unit = '袋' where Code = 'G3'");
        Sql("insert into GoodsUnit(Product_ID, Unit, Factor) values ('G1', '箱', '4'),"
            " ('G3', '箱', '12'), ('G3', '包', '6')");
        Sql("update StockPile set Number = '31' where ProductCode = 'G3'");
        Sql("insert into StockPile(StoreHouse, ProductCode, ProductName, FirstEnterTime, Number,"
            " Price) values ('一号仓库', 'G3', '薯片<b>', '26-12-05', '-29', '3.00')");
        CScopedScriptedPort port;
        CChild_Kucun_ViewDlg dlg;
        dlg.show();
        // -29 = -(2 × 12 + 5), 31 = 2 × 12 + 6 + 1, 7 = 4 + 3, 5 = 4 + 1; G2 has no units.
        const QStringList packed = {"-2箱5袋", "2箱1包1袋", "1", "1箱3瓶", "1箱1瓶", ""};
        QCOMPARE(ColumnTexts(dlg.m_model, "折合"), packed);
        QCOMPARE(ColumnTexts(dlg.m_model, "商品数量"),
                 QStringList({"-29", "31", "1", "7", "5", "15"}));
        // The rows hold the eight other columns only; 折合 is told when asked for.
        for (size_t r = 0; r + 1 < dlg.m_model->Rows().size(); ++r)
            QCOMPARE(dlg.m_model->Rows()[r].size(), size_t(8));
        // The same as every row told at once from the view's rows and the goods' units.
        std::optional<CGoodsPacking> units;
        const auto rows = LoadStockView(kAllWarehouses, "所有商品", &units);
        QVERIFY(rows && units);
        QStringList eager;
        for (const StockRecord& r : *rows)
            eager << QString::fromStdString(StockPackedText(r, *units));
        QCOMPARE(ColumnTexts(dlg.m_model, "折合"), eager + QStringList{""});

        // The rows found keep their own 折合.
        QTest::keyClicks(dlg.m_search, "G3");
        QCOMPARE(ColumnTexts(dlg.m_model, "折合"), QStringList({"-2箱5袋", "2箱1包1袋", ""}));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品数量"), QStringList({"-29", "31", "2"}));

        // The exported list tells it for every row, the 合计 row's cell empty.
        dlg.m_search->clear();
        const QString csv = QString::fromStdString((folder.Dir() / "packed.csv").string());
        SetSaveFileNameForTest([&](const QString&, const QString&) { return csv; });
        dlg.m_export->click();
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QStringList exported;
        for (const QString& line : lines.mid(1))
            exported << line.section(',', -1);
        QCOMPARE(exported, packed);
        QVERIFY(port.Texts().empty());
    }

    void aRoleLimitedToOneWarehouseSeesAndPicksItAlone() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SetUpStock(folder);
        QCOMPARE(AddRole("一号仓管", "店长"), AdminResult::Done);
        QCOMPARE(SetRoleWarehouses("一号仓管", {"一号仓库"}), AdminResult::Done);
        QCOMPARE(AddOperator("wang", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("wang", "一号仓管"), AdminResult::Done);
        {
            CDataStore store;
            QVERIFY(store.ConnectOther() && store.CheckLogin("wang", ""));
        }
        auto fresh = qScopeGuard([] { Session().rights = CRoleRights(); });
        CScopedScriptedPort port;

        // The stock view lists 一号仓库 alone; its 合计 is 5 × 2.50 + 1 × 4.00.
        CChild_Kucun_ViewDlg view;
        view.show();
        QCOMPARE(view.m_warehouse->count(), 2); // 全部 and 一号仓库
        QCOMPARE(ColumnTexts(view.m_model, "所在仓库"), QStringList({"一号仓库", "一号仓库", ""}));
        const int last = view.m_model->rowCount() - 1;
        QCOMPARE(CellText(view.m_model, last, "商品数量"), QStringLiteral("6"));
        QCOMPARE(CellText(view.m_model, last, "库存金额"), QStringLiteral("16.50"));
        view.close();

        // F4 in the sale window's warehouse field offers 一号仓库 alone.
        CPickerScript picks;
        int offeredRows = -1;
        picks.Then([&](CPaletteListDlg& picker) {
            offeredRows = picker.List()->model()->rowCount();
            picker.ClickRow(0);
            picker.ChooseButton()->click();
        });
        CChild_Xiaoshou_KaidanDlg sale;
        sale.SetCommand("run_xiaoshou");
        sale.show();
        QApplication::setActiveWindow(&sale);
        QVERIFY(QTest::qWaitForWindowActive(&sale));
        QTest::keyClick(sale.m_warehouse, Qt::Key_F4);
        QCOMPARE(picks.Kinds(), QStringList{"palette_cangku"});
        QCOMPARE(offeredRows, 1);
        QCOMPARE(sale.m_warehouse->text(), QStringLiteral("一号仓库"));
        QVERIFY(port.Texts().empty());
    }

    void stockViewWithoutTemplateDoesNotShowThePrintWindow() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        std::filesystem::remove(folder.Dir() / "Templates/temp_kucun_view.html");
        CChild_Kucun_ViewDlg dlg;
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"合计"}));
        QCOMPARE(dlg.m_warehouse->count(), 1);
        CNextModal<CPrintDlg> printed([](CPrintDlg*) {});
        dlg.m_print->click();
        QVERIFY(!printed.Ran());
        QCOMPARE(port.Texts().size(), size_t(1));
        QVERIFY(port.Texts()[0].rfind("找不到打印模板文件：", 0) == 0);
    }

    void stockViewKeepsItsListWhenTheReadFails() {
        CTempProgramFolder folder;
        SetUpStock(folder);
        CScopedScriptedPort port;
        CChild_Kucun_ViewDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList all = {"G3", "G2", "G1", "G1", "合计"};
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), all);

        // The goods of the chosen class cannot be read: the store says so, the rows stay.
        CDataStore::FailStatementForTest(1);
        QTest::mouseClick(dlg.m_tree->viewport(), Qt::LeftButton, {},
                          dlg.m_tree->visualItemRect(FindItem(dlg.m_tree, "饮料")).center());
        CDataStore::FailStatementForTest(0);
        QCOMPARE(dlg.CurrentClass(), QStringLiteral("饮料"));
        QCOMPARE(port.Texts().size(), size_t(1));
        QVERIFY(port.Texts()[0].rfind("数据库失败！\r\n错误信息：", 0) == 0);
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), all);

        // Another warehouse with the read failing again: still the same rows.
        CDataStore::FailStatementForTest(1);
        dlg.m_warehouse->setCurrentText(QStringLiteral("一号仓库"));
        CDataStore::FailStatementForTest(0);
        QCOMPARE(port.Texts().size(), size_t(2));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), all);

        // Read again as it should be: the class's rows in that warehouse.
        dlg.m_warehouse->setCurrentText(QStringLiteral("二号仓库"));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G1", "合计"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "商品单价"), QStringList({"2.60", ""}));
        QCOMPARE(port.Texts().size(), size_t(2));

        // The goods' 助记码 and barcodes cannot be read for a search: the list stays whole,
        // 9 × 3.00 + 7 × 2.60 under it.
        dlg.m_tree->setCurrentItem(dlg.m_tree->topLevelItem(0));
        CDataStore::FailStatementForTest(1);
        QTest::keyClicks(dlg.m_search, "3");
        CDataStore::FailStatementForTest(0);
        QCOMPARE(port.Texts().size(), size_t(3));
        QVERIFY(port.Texts()[2].rfind("连接数据库失败！", 0) == 0);
        const QStringList whole = {"G3", "G1", "合计"};
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), whole);
        QCOMPARE(ColumnTexts(dlg.m_model, "库存金额"), QStringList({"27.00", "18.20", "45.20"}));
        QCOMPARE(CellText(dlg.m_model, 2, "商品数量"), QStringLiteral("16"));
        QVERIFY(dlg.m_model->IsMarked(2));
        // Typed again with the read working: the rows found, and back to all when cleared.
        QTest::keyClick(dlg.m_search, Qt::Key_Backspace);
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), whole);
        QTest::keyClicks(dlg.m_search, "3");
        QCOMPARE(ColumnTexts(dlg.m_model, "商品编码"), QStringList({"G3", "合计"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "库存金额"), QStringList({"27.00", "27.00"}));
        QTest::keyClick(dlg.m_search, Qt::Key_Backspace);
        QCOMPARE(ColumnTexts(dlg.m_model, "折合"), QStringList({"9", "7", ""}));
        QCOMPARE(port.Texts().size(), size_t(3));
    }

    void listsFitTheirContentsWidenAndKeepTheWidthsAUserSets() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        CScopedScriptedPort port;
        SetUpStock(folder);
        // 1,600,333 cartons at 1000 each: a value and a total wider than a 100-pixel column.
        const QString longName =
            QStringLiteral("特级冷榨非浓缩还原鲜橙汁家庭装一点五升十二瓶整箱礼盒");
        Sql("update StockPile set Number = '1600333', CostPrice = '1000.0000', ProductName = ?"
            " where ProductCode = 'G2'",
            {longName.toStdString()});
        auto textWidth = [](QTableView* view, const QModelIndex& index) {
            QFont font = view->font();
            if (QVariant f = index.data(Qt::FontRole); f.isValid())
                font = f.value<QFont>();
            return QFontMetrics(font).horizontalAdvance(index.data().toString());
        };
        int codeWidth = 0;
        CNextModal<CChild_Kucun_ViewDlg> first([&](CChild_Kucun_ViewDlg* dlg) {
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            QCoreApplication::processEvents();
            CQueryTableModel* model = dlg->m_model;
            QCOMPARE(CellText(model, 1, "库存金额"), QStringLiteral("1600333000.00"));
            // 5 × 2.50 + 7 × 2.60 + 9 × 3.00 = 57.70 beside it (their cost is their price).
            QCOMPARE(CellText(model, 4, "库存金额"), QStringLiteral("1600333057.70"));
            QCOMPARE(CellText(model, 4, "商品数量"), QStringLiteral("1600354"));
            // Figures are shown whole, the bold total row too.
            for (const char* header : {"商品数量", "成本单价", "库存金额", "首次入库时间"}) {
                const int c = ColumnOf(model, header);
                for (int row = 0; row < model->rowCount(); ++row)
                    QVERIFY2(textWidth(dlg->m_list, model->index(row, c)) <
                                 dlg->m_list->columnWidth(c),
                             header);
            }
            // A long name stops at the name limit; its tooltip holds the whole name.
            const int name = ColumnOf(model, "商品名称");
            const QModelIndex longCell = model->index(1, name);
            QCOMPARE(longCell.data().toString(), longName);
            QVERIFY(textWidth(dlg->m_list, longCell) > dlg->m_list->columnWidth(name));
            QVERIFY(dlg->m_list->columnWidth(name) > 100);
            QCOMPARE(longCell.data(Qt::ToolTipRole).toString(), longName);

            // A wider window: the columns share the width, nothing is left empty.
            dlg->resize(dlg->width() + 400, dlg->height());
            QCoreApplication::processEvents();
            auto columnsWidth = [&] {
                int sum = 0;
                for (int c = 0; c < model->columnCount(); ++c)
                    sum += dlg->m_list->columnWidth(c);
                return sum;
            };
            QCOMPARE(columnsWidth(), dlg->m_list->viewport()->width());

            // The user drags the edge of 商品编码 60 pixels to the right.
            QHeaderView* header = dlg->m_list->horizontalHeader();
            const int before = header->sectionSize(0);
            const QPoint edge(header->sectionViewportPosition(0) + before - 2,
                              header->height() / 2);
            QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
            QTest::mouseMove(header->viewport(), edge + QPoint(30, 0));
            QTest::mouseMove(header->viewport(), edge + QPoint(60, 0));
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(60, 0));
            codeWidth = header->sectionSize(0);
            QCOMPARE(codeWidth, before + 60);
        });
        QVERIFY(OpenRoute(nullptr, Place::Kucun, QStringLiteral("查看库存")));
        QVERIFY(first.Ran());
        // Kept in the program folder, not in the user's profile.
        QVERIFY(
            QFile::exists(QString::fromStdString((folder.Dir() / "ColumnWidths.ini").string())));

        // Opened again, the window has the user's width for 商品编码.
        CNextModal<CChild_Kucun_ViewDlg> again([&](CChild_Kucun_ViewDlg* dlg) {
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            QCoreApplication::processEvents();
            QCOMPARE(dlg->m_list->columnWidth(0), codeWidth);
        });
        QVERIFY(OpenRoute(nullptr, Place::Kucun, QStringLiteral("查看库存")));
        QVERIFY(again.Ran());
    }

    void typedDatesKeepTheTypedYear() {
        CTempProgramFolder folder;
        // The program's own locale: short dates read 2026/12/7.
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
        CChild_History_ViewDlg dlg;
        dlg.SetCommand(QStringLiteral("run_sale"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        // The whole date selected (Ctrl+A), then a date typed over it.
        QTest::mouseClick(dlg.m_from, Qt::LeftButton);
        QTest::keyClick(dlg.m_from, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dlg.m_from, QStringLiteral("2022/2/2"));
        QCOMPARE(dlg.m_from->date(), QDate(2022, 2, 2));
        // A month that fills its two digits: the separator after it does not skip the day.
        QTest::mouseClick(dlg.m_to, Qt::LeftButton);
        QTest::keyClick(dlg.m_to, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dlg.m_to, QStringLiteral("2021/12/25"));
        QCOMPARE(dlg.m_to->date(), QDate(2021, 12, 25));
        QTest::keyClick(dlg.m_to, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dlg.m_to, QStringLiteral("1999/1/31"));
        QCOMPARE(dlg.m_to->date(), QDate(1999, 1, 31));
    }

    void historyListsBillsWithTotalAndOpensThem() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        CScopedScriptedPort port;
        Sql("insert into EnterSale(Bill_ID, Bill_Date, Customer, Number, Total) values"
            " ('XS-1', '2026-12-01', '甲', '3', '19.99'), ('XS-2', '2026-12-07', '乙', '4', "
            "'0.01'),"
            " ('XS-3', '2026-12-08', '丙', '5', '5.00')");
        Sql("insert into EnterStock(Bill_ID, Bill_Date, Number, Total) values"
            " ('JH-1', '2026-12-01', '1', '1.00')");
        Sql("insert into EnterSale_Detail(Bill_ID, Bill_Date, Customer, Product_ID, Product_Name,"
            " Product_Number, Product_Price, Product_Total) values"
            " ('XS-1', '2026-12-01', '甲', 'G1', '可乐', '3', '6.663', '19.99')");

        CNextModal<CChild_History_ViewDlg> ran([&](CChild_History_ViewDlg* dlg) {
            QCOMPARE(dlg->Command(), QStringLiteral("run_sale"));
            QCOMPARE(dlg->windowTitle(), QStringLiteral("销售报表"));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("准备查看历史销售记录"));
            QCOMPARE(dlg->m_model->rowCount(), 0);
            // Sale headings: the customer, the warehouse goods leave, the money received.
            QCOMPARE(
                dlg->m_model->Headers(),
                QStringList({"销售单号", "开单时间", "客户", "销售部门", "销售经手人", "出货仓库",
                             "货物总数量", "货物总价格", "收款账户", "实际收款金额", "说明"}));
            QCOMPARE(dlg->m_model->columnCount(), 11);
            dlg->m_from->setDate(QDate(2026, 12, 1));
            dlg->m_to->setDate(QDate(2026, 12, 7));
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            {
                // The query holds the window until it is done: its label is on screen first.
                CPaintedTexts painted(dlg->m_status);
                dlg->m_query->click();
                QVERIFY2(painted.Texts().contains(QStringLiteral("正在查询...")),
                         qPrintable(painted.Texts().join('|')));
            }
            dlg->m_query->click(); // a second query does not add a second total row
            QCOMPARE(ColumnTexts(dlg->m_model, "销售单号"),
                     QStringList({"XS-2", "XS-1", "统计汇总"}));
            QCOMPARE(CellText(dlg->m_model, 2, "货物总数量"), QStringLiteral("7"));
            QCOMPARE(CellText(dlg->m_model, 2, "货物总价格"), QStringLiteral("20.00"));
            QVERIFY(dlg->m_model->IsMarked(2));
            QVERIFY(!dlg->m_model->IsMarked(0));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("总共查询出2条销售记录"));
            SaveShot(dlg, "history_view");

            // Double click: the total row opens nothing; a sale bill opens read-only in the
            // purchase entry window, its fields named as a sale names them.
            auto doubleClick = [&](int row) {
                QRect cell = dlg->m_list->visualRect(
                    dlg->m_model->index(row, ColumnOf(dlg->m_model, "销售单号")));
                QTest::mouseClick(dlg->m_list->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(dlg->m_list->viewport(), Qt::LeftButton, {}, cell.center());
            };
            {
                CNextModal<QDialog> any([](QDialog*) {});
                doubleClick(2);
                QVERIFY(!any.Ran());
            }
            CNextModal<CChild_Jinhuo_KaidanDlg> bill([](CChild_Jinhuo_KaidanDlg* view) {
                QCOMPARE(view->Command(), QStringLiteral("run_chakan"));
                QVERIFY(view->IsViewMode());
                QCOMPARE(view->windowTitle(), QStringLiteral("查看历史单据"));
                QCOMPARE(view->m_number->text(), QStringLiteral("XS-1"));
                QCOMPARE(view->m_customerLabel->text(), QStringLiteral("客户："));
                QCOMPARE(view->m_warehouseLabel->text(), QStringLiteral("出货仓库："));
                QCOMPARE(view->m_accountLabel->text(), QStringLiteral("收款账户："));
                QCOMPARE(view->m_paidLabel->text(), QStringLiteral("收款金额："));
                QCOMPARE(view->m_linesGroup->title(), QStringLiteral("销售商品列表"));
                QCOMPARE(view->Bill().m_lines.size(), size_t(1));
                QCOMPARE(QString::fromStdString(view->Bill().m_lines[0].code),
                         QStringLiteral("G1"));
            });
            doubleClick(1);
            QVERIFY(bill.Ran());

            // A reversed range: no bills, a total row of zeros.
            dlg->m_from->setDate(QDate(2026, 12, 9));
            dlg->m_query->click();
            QCOMPARE(ColumnTexts(dlg->m_model, "销售单号"), QStringList({"统计汇总"}));
            QCOMPARE(CellText(dlg->m_model, 0, "货物总价格"), QStringLiteral("0.00"));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("总共查询出0条销售记录"));
        });
        QVERIFY(OpenRoute(nullptr, Place::Labels, QStringLiteral("■ 销售记录报表")));
        QVERIFY(ran.Ran());
        QVERIFY(port.Texts().empty());

        // The menu's entry opens the purchase-return kind.
        CNextModal<CChild_History_ViewDlg> returns([](CChild_History_ViewDlg* dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("采购退货报表"));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("准备查看历史采购退货记录"));
            QCOMPARE(dlg->m_model->headerData(9, Qt::Horizontal).toString(),
                     QStringLiteral("实际收款金额"));
        });
        QVERIFY(OpenRoute(nullptr, Place::Menu, QStringLiteral("进货退货报表")));
        QVERIFY(returns.Ran());
    }

    void historyDrawsReversedAndRedBillsInRed() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        // Two sales a week ago; the second is reversed today.
        const QDate today = QDate::fromString(QString::fromStdString(TodayIso()), Qt::ISODate);
        const std::string weekAgo = today.addDays(-7).toString(Qt::ISODate).toStdString();
        std::vector<std::string> sales;
        const std::pair<BillKind, int> bills[] = {
            {BillKind::Purchase, 10}, {BillKind::Sale, 3}, {BillKind::Sale, 4}};
        for (auto [kind, quantity] : bills) {
            CBill bill(kind);
            bill.m_date = weekAgo;
            bill.m_customer = "乙客户";
            bill.m_department = "销售部";
            bill.m_warehouse = "一号库";
            bill.m_employee = "李四";
            bill.m_account = "工行";
            GoodsRecord g;
            g.Code = "G001";
            g.ProductName = "可乐";
            g.PriceIn = "19.99";
            bill.AppendGoods(g);
            bill.EditCell(0, BillColumn(bill.Kind(), "数量"), std::to_string(quantity));
            CScopedScriptedPort quiet;
            QVERIFY(bill.Save() == PostOutcome::Posted);
            if (kind == BillKind::Sale)
                sales.push_back(bill.m_number);
        }
        CScopedScriptedPort port;
        const auto red = ReverseBill(BillKind::Sale, sales[1]);
        QCOMPARE(red, std::optional<std::string>(sales[1] + "-H"));
        const QString s1 = QString::fromStdString(sales[0]);
        const QString s2 = QString::fromStdString(sales[1]);

        CNextModal<CChild_History_ViewDlg> ran([&](CChild_History_ViewDlg* dlg) {
            dlg->m_from->setDate(today.addDays(-7));
            dlg->m_to->setDate(today);
            dlg->m_query->click();
            const CQueryTableModel* m = dlg->m_model;
            QCOMPARE(ColumnTexts(m, "销售单号"), QStringList({s2 + "-H", s2, s1, "统计汇总"}));
            auto cell = [&](int row, const QString& header) {
                return m->index(row, ColumnOf(m, header));
            };
            auto colour = [&](int row, const QString& header) {
                return m->data(cell(row, header), Qt::ForegroundRole).value<QBrush>().color();
            };
            auto tip = [&](int row, const QString& header) {
                return m->data(cell(row, header), Qt::ToolTipRole).toString();
            };
            QCOMPARE(colour(0, "销售单号"), QColor(Qt::red));
            QCOMPARE(colour(1, "货物总价格"), QColor(Qt::red));
            QVERIFY(!m->data(cell(2, "销售单号"), Qt::ForegroundRole).isValid());
            QVERIFY(!m->data(cell(3, "销售单号"), Qt::ForegroundRole).isValid());
            QCOMPARE(tip(0, "客户"), QStringLiteral("红字单据"));
            QCOMPARE(tip(1, "销售单号"), QStringLiteral("已红冲"));
            QCOMPARE(tip(2, "客户"),
                     QStringLiteral("乙客户")); // a bill in force: the cell itself
            QCOMPARE(CellText(m, 0, "货物总数量"), QStringLiteral("-4"));
            QCOMPARE(CellText(m, 0, "货物总价格"), QStringLiteral("-79.96"));
            // The reversed bill and its red bill net out: only the first sale is left.
            QCOMPARE(CellText(m, 3, "货物总数量"), QStringLiteral("3"));
            QCOMPARE(CellText(m, 3, "货物总价格"), QStringLiteral("59.97"));
            SaveShot(dlg, "history_reversed");
            // A range that holds only the red bill shows it alone.
            dlg->m_from->setDate(today);
            dlg->m_query->click();
            QCOMPARE(ColumnTexts(m, "销售单号"), QStringList({s2 + "-H", "统计汇总"}));
            QCOMPARE(CellText(m, 1, "货物总数量"), QStringLiteral("-4"));
            QCOMPARE(CellText(m, 1, "货物总价格"), QStringLiteral("-79.96"));
            QCOMPARE(tip(0, "销售单号"), QStringLiteral("红字单据"));
            QVERIFY(!m->data(cell(1, "销售单号"), Qt::ForegroundRole).isValid());
            QVERIFY(port.Texts().empty());

            // The first sale reversed from the bill opened by a double click: the list follows.
            dlg->m_from->setDate(today.addDays(-7));
            dlg->m_query->click();
            QCOMPARE(CellText(m, 2, "销售单号"), s1);
            CNextModal<CChild_Jinhuo_KaidanDlg> bill([&](CChild_Jinhuo_KaidanDlg* view) {
                QCOMPARE(view->m_number->text(), s1);
                QTest::mouseClick(view->m_redo, Qt::LeftButton);
                QCOMPARE(view->m_standing->text(), QStringLiteral("已红冲"));
            });
            const QPoint centre = dlg->m_list->visualRect(cell(2, "销售单号")).center();
            QTest::mouseClick(dlg->m_list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(dlg->m_list->viewport(), Qt::LeftButton, {}, centre);
            QVERIFY(bill.Ran());
            QCOMPARE(port.Texts().size(), size_t(2));
            QCOMPARE(port.Texts().back(), std::string("红冲成功！"));
            QCOMPARE(ColumnTexts(m, "销售单号"),
                     QStringList({s1 + "-H", s2 + "-H", s2, s1, "统计汇总"}));
            QCOMPARE(tip(3, "销售单号"), QStringLiteral("已红冲"));
            QCOMPARE(tip(0, "销售单号"), QStringLiteral("红字单据"));
            QCOMPARE(CellText(m, 4, "货物总数量"), QStringLiteral("0"));
            QCOMPARE(CellText(m, 4, "货物总价格"), QStringLiteral("0.00"));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("总共查询出4条销售记录"));
        });
        QVERIFY(OpenRoute(nullptr, Place::Labels, QStringLiteral("■ 销售记录报表")));
        QVERIFY(ran.Ran());
    }

    void transferHistoryListsTransfersAndOpensThem() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        // 10 into 一号库, then 3 and 2 moved to 二号库; the first transfer is reversed.
        std::vector<QString> numbers;
        for (int quantity : {10, 3, 2}) {
            CBill bill(quantity == 10 ? BillKind::Purchase : BillKind::Transfer);
            bill.m_customer = "甲供应商";
            bill.m_department = "采购部";
            bill.m_warehouse = "一号库";
            bill.m_toWarehouse = "二号库";
            bill.m_employee = "张三";
            bill.m_account = "工行";
            bill.m_introduction = quantity == 3 ? "补货" : "";
            GoodsRecord g;
            g.Code = "G001";
            g.ProductName = "可乐";
            g.PriceIn = "19.99";
            bill.AppendGoods(g);
            bill.EditCell(0, BillColumn(bill.Kind(), "数量"), std::to_string(quantity));
            CScopedScriptedPort quiet;
            QVERIFY(bill.Save() == PostOutcome::Posted);
            if (quantity != 10)
                numbers.push_back(QString::fromStdString(bill.m_number));
        }
        const QString t1 = numbers[0];
        const QString t2 = numbers[1];
        CScopedScriptedPort port;
        QVERIFY(ReverseBill(BillKind::Transfer, t1.toStdString()));
        const QDate today = QDate::fromString(QString::fromStdString(TodayIso()), Qt::ISODate);

        CNextModal<CChild_History_ViewDlg> ran([&](CChild_History_ViewDlg* dlg) {
            QCOMPARE(dlg->Command(), QStringLiteral("run_yiku"));
            QCOMPARE(dlg->windowTitle(), QStringLiteral("移库记录"));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("准备查看历史移库记录"));
            QCOMPARE(dlg->m_model->Headers(), QStringList({"编号", "录入日期", "调出仓库",
                                                           "调入仓库", "经手人", "数量", "说明"}));
            dlg->m_from->setDate(today);
            dlg->m_to->setDate(today);
            dlg->m_query->click();
            const CQueryTableModel* m = dlg->m_model;
            QCOMPARE(ColumnTexts(m, "编号"), QStringList({t1 + "-H", t2, t1, "统计汇总"}));
            QCOMPARE(m->Rows()[2], CQueryTableModel::Row({t1.toStdString(), TodayIso(), "一号库",
                                                          "二号库", "张三", "3", "补货"}));
            QCOMPARE(CellText(m, 0, "数量"), QStringLiteral("-3"));
            QCOMPARE(CellText(m, 0, "说明"), "红冲单据 " + t1);
            QCOMPARE(CellText(m, 3, "数量"), QStringLiteral("2")); // -3 + 2 + 3
            QVERIFY(m->IsMarked(3));
            QCOMPARE(dlg->m_status->text(), QStringLiteral("总共查询出3条移库记录"));
            const int numberColumn = ColumnOf(m, "编号");
            auto colour = [&](int row) {
                return m->data(m->index(row, numberColumn), Qt::ForegroundRole)
                    .value<QBrush>()
                    .color();
            };
            QCOMPARE(colour(0), QColor(Qt::red));
            QCOMPARE(colour(2), QColor(Qt::red));
            QVERIFY(!m->data(m->index(1, numberColumn), Qt::ForegroundRole).isValid());
            QCOMPARE(m->data(m->index(2, numberColumn), Qt::ToolTipRole).toString(),
                     QStringLiteral("已红冲"));
            SaveShot(dlg, "history_transfers");

            // A double click opens the transfer read-only; reversed there, the list follows.
            CNextModal<CChild_Kucun_YikuDlg> bill([&](CChild_Kucun_YikuDlg* view) {
                QVERIFY(view->IsViewMode());
                QCOMPARE(view->m_number->text(), t2);
                QCOMPARE(view->m_toWarehouse->text(), QStringLiteral("二号库"));
                QCOMPARE(view->Bill().m_lines.size(), size_t(1));
                // Opened from the list, it stops at the newest transfer.
                QVERIFY(view->m_prev->isEnabled());
                QVERIFY(view->m_next->isEnabled());
                QTest::mouseClick(view->m_redo, Qt::LeftButton);
                QCOMPARE(view->m_standing->text(), QStringLiteral("已红冲"));
            });
            const QPoint cell = dlg->m_list->visualRect(m->index(1, numberColumn)).center();
            QTest::mouseClick(dlg->m_list->viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(dlg->m_list->viewport(), Qt::LeftButton, {}, cell);
            QVERIFY(bill.Ran());
            QCOMPARE(port.Texts().back(), std::string("红冲成功！"));
            QCOMPARE(ColumnTexts(m, "编号"),
                     QStringList({t2 + "-H", t1 + "-H", t2, t1, "统计汇总"}));
            QCOMPARE(CellText(m, 4, "数量"), QStringLiteral("0"));
        });
        QVERIFY(OpenRoute(nullptr, Place::Menu, QStringLiteral("移库记录")));
        QVERIFY(ran.Ran());
    }

    void otherKindsHistoryListTheirBillsUnderTheirOwnColumns() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        GoodsRecord cola;
        cola.Code = "G001";
        cola.ProductName = "可乐";
        cola.PriceIn = "2";
        auto post = [&](BillKind kind, const std::vector<std::string>& quantities,
                        const std::string& unit = "", const std::string& amount = "") {
            CBill bill(kind);
            bill.m_customer = unit;
            bill.m_department = "仓储部";
            bill.m_warehouse = "一号库";
            bill.m_employee = "张三";
            bill.m_account = "工行";
            bill.m_paid = amount;
            bill.m_introduction = "月末";
            for (const auto& q : quantities) {
                bill.AppendGoods(cola);
                bill.EditCell(bill.m_lines.size() - 1,
                              BillColumn(kind, kind == BillKind::Price ? "单价" : "数量"), q);
            }
            CScopedScriptedPort quiet;
            quiet.QueueAnswer(true); // more than is owed: go on
            if (bill.Save() != PostOutcome::Posted)
                throw std::runtime_error("not posted");
            return QString::fromStdString(bill.m_number);
        };
        const QString gain = post(BillKind::Gain, {"7", "5"});
        const QString loss = post(BillKind::Loss, {"3"});
        const QString price = post(BillKind::Price, {"2.5"});
        const QString receipt = post(BillKind::Receipt, {}, "乙客户", "12.30");
        const QString payment = post(BillKind::Payment, {}, "甲供应商", "0.70");
        const std::string today = TodayIso();
        struct Expected {
            const char* item;
            QStringList headers;
            CQueryTableModel::Row bill, total;
            const char* status;
        };
        const std::vector<Expected> kinds = {
            {"报溢记录",
             {"编号", "录入日期", "仓库", "部门", "经手人", "数量", "说明"},
             {gain.toStdString(), today, "一号库", "仓储部", "张三", "12", ""},
             {"统计汇总", "", "", "", "", "12", ""},
             "总共查询出1条报溢记录"},
            {"报损记录",
             {"编号", "录入日期", "仓库", "部门", "经手人", "数量", "说明"},
             {loss.toStdString(), today, "一号库", "仓储部", "张三", "3", ""},
             {"统计汇总", "", "", "", "", "3", ""},
             "总共查询出1条报损记录"},
            {"调价记录",
             {"编号", "录入日期", "仓库", "部门", "经手人", "说明"},
             {price.toStdString(), today, "一号库", "仓储部", "张三", ""},
             {"统计汇总", "", "", "", "", ""},
             "总共查询出1条调价记录"},
            {"收款记录",
             {"编号", "录入日期", "往来单位", "账户", "经手人", "部门", "金额", "说明"},
             {receipt.toStdString(), today, "乙客户", "工行", "张三", "仓储部", "12.30", "月末"},
             {"统计汇总", "", "", "", "", "", "12.30", ""},
             "总共查询出1条收款记录"},
            {"付款记录",
             {"编号", "录入日期", "往来单位", "账户", "经手人", "部门", "金额", "说明"},
             {payment.toStdString(), today, "甲供应商", "工行", "张三", "仓储部", "0.70", "月末"},
             {"统计汇总", "", "", "", "", "", "0.70", ""},
             "总共查询出1条付款记录"},
        };
        const QDate day = QDate::fromString(QString::fromStdString(today), Qt::ISODate);
        for (const auto& k : kinds) {
            CNextModal<CChild_History_ViewDlg> ran([&](CChild_History_ViewDlg* dlg) {
                QCOMPARE(dlg->windowTitle(), QString::fromUtf8(k.item));
                QCOMPARE(dlg->m_model->Headers(), k.headers);
                QVERIFY(dlg->m_hint->isHidden()); // no window shows these bills
                dlg->m_from->setDate(day);
                dlg->m_to->setDate(day);
                QTest::mouseClick(dlg->m_query, Qt::LeftButton);
                QCOMPARE(dlg->m_model->Rows(),
                         std::vector<CQueryTableModel::Row>({k.bill, k.total}));
                QCOMPARE(dlg->m_status->text(), QString::fromUtf8(k.status));
                // The day before holds none of them.
                dlg->m_to->setDate(day.addDays(-1));
                dlg->m_from->setDate(day.addDays(-1));
                QTest::mouseClick(dlg->m_query, Qt::LeftButton);
                QCOMPARE(dlg->m_model->Rows().size(), size_t(1));
            });
            QVERIFY(OpenRoute(nullptr, Place::Menu, QString::fromUtf8(k.item)));
            QVERIFY(ran.Ran());
        }
    }

    void reportRunsSwitchesKindsAndTotals() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        CScopedScriptedPort port;
        Sql("insert into EnterStock_Detail(Bill_ID, Bill_Date, Employee, Department, Product_ID,"
            " Product_Name, Product_Number, Product_Price) values"
            " ('JH-1', '2026-12-01', '王五', '采购部', 'G2', '雪碧', '3', '2.00'),"
            " ('JH-1', '2026-12-01', '李四', '采购部', 'G1', '可乐', '2', '1.50'),"
            " ('JH-2', '2026-12-02', '王五', '仓储部', 'G2', '雪碧', '4', '9.00')");

        CNextModal<CReportDlg> ran([&](CReportDlg* dlg) {
            QCOMPARE(dlg->Command(), QStringLiteral("run_caigou_product"));
            QCOMPARE(dlg->windowTitle(), QStringLiteral("进货报表-按商品统计"));
            QCOMPARE(dlg->m_radios.size(), size_t(6));
            QVERIFY(dlg->m_radios[0]->isChecked());
            for (size_t i = 1; i < 6; ++i)
                QVERIFY(!dlg->m_radios[i]->isChecked());
            QCOMPARE(dlg->m_model->rowCount(), 0);
            QVERIFY(dlg->m_list->isColumnHidden(ColumnOf(dlg->m_list, "是否有记录")));
            QVERIFY(dlg->m_list->isColumnHidden(ColumnOf(dlg->m_list, "批号")));
            dlg->m_from->setDate(QDate(2026, 12, 1));
            dlg->m_to->setDate(QDate(2026, 12, 2));
            dlg->m_run->click();
            QCOMPARE(ColumnTexts(dlg->m_model, "商品编码"), QStringList({"G1", "G2", "统计汇总"}));
            QCOMPARE(ColumnTexts(dlg->m_model, "进货数量"), QStringList({"2", "7", "9"}));
            // The first line's price.
            QCOMPARE(CellText(dlg->m_model, 1, "单价"), QStringLiteral("2.00"));
            QVERIFY(dlg->m_model->IsMarked(2));
            // Still hidden after the rows came.
            QVERIFY(dlg->m_list->isColumnHidden(ColumnOf(dlg->m_list, "批号")));
            QVERIFY(ColumnWidth(dlg->m_list, "商品名称") >= 130);
            SaveShot(dlg, "report_goods");

            // Another kind: the list is cleared and the caption changes, without a query.
            dlg->m_radios[2]->click();
            QCOMPARE(dlg->Command(), QStringLiteral("run_caigou_department"));
            QCOMPARE(dlg->windowTitle(), QStringLiteral("进货报表-按部门统计"));
            QCOMPARE(dlg->m_model->rowCount(), 0);
            QCOMPARE(dlg->m_model->headerData(1, Qt::Horizontal).toString(),
                     QStringLiteral("进货单位"));
            dlg->m_run->click();
            QCOMPARE(ColumnTexts(dlg->m_model, "进货单位"),
                     QStringList({"采购部", "仓储部", "统计汇总"}));
            QCOMPARE(ColumnTexts(dlg->m_model, "进货数量"), QStringList({"5", "4", "9"}));
            QCOMPARE(CellText(dlg->m_model, 2, "是否有记录"), QStringLiteral("统计汇总"));

            dlg->m_radios[4]->click();
            QCOMPARE(dlg->windowTitle(), QStringLiteral("销售报表-按经手人统计"));
            dlg->m_run->click();
            QCOMPARE(ColumnTexts(dlg->m_model, "销售数量"), QStringList({"0"}));
        });
        QVERIFY(OpenRoute(nullptr, Place::Menu, QStringLiteral("按商品统计报表")));
        QVERIFY(ran.Ran());

        CNextModal<CReportDlg> sale([](CReportDlg* dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("销售报表-按部门统计"));
            QVERIFY(dlg->m_radios[5]->isChecked());
            QCOMPARE(dlg->m_model->headerData(1, Qt::Horizontal).toString(),
                     QStringLiteral("销售单位"));
            QCOMPARE(dlg->m_model->headerData(2, Qt::Horizontal).toString(),
                     QStringLiteral("销售数量"));
        });
        QVERIFY(OpenRoute(nullptr, Place::Menu, QStringLiteral("按部门查看报表")));
        QVERIFY(sale.Ran());
        QVERIFY(port.Texts().empty());
    }
};

QTEST_MAIN(TestQuery)
#include "tst_query.moc"
