// The picker: every kind's list and tree, filtering, choosing, and maintaining the list.
#include "BillTestSupport.h"

#include "app/CommandRouting.h"
#include "config/ConfigLists.h"
#include "store/CDataStore.h"
#include "widgets/CListCtrlEx.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <tuple>

namespace {
QStringList Headers(const CListCtrlEx* list) {
    QStringList texts;
    for (int c = 0; c < list->GetColumnCount(); ++c)
        texts << list->model()->headerData(c, Qt::Horizontal).toString();
    return texts;
}
QStringList TopItems(const QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(0);
    return texts;
}
// Runs the picker of `kind` and hands it to `act` through the test seam.
int RunPicker(const QString& kind, const std::function<void(CPaletteListDlg&)>& act,
              CPaletteListDlg** keep = nullptr) {
    CPickerScript script;
    script.Then(act);
    auto* picker = new CPaletteListDlg;
    picker->SetKind(kind);
    const int result = picker->exec();
    if (keep)
        *keep = picker;
    else
        delete picker;
    return result;
}
} // namespace

class TestPalette : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

    void businessUnitsListAndFilterByType() {
        CTempProgramFolder folder;
        SeedBillData();
        CPaletteListDlg* picker = nullptr;
        const int result = RunPicker(
            "palette_wanglaidanwei",
            [](CPaletteListDlg& p) {
                QCOMPARE(p.windowTitle(), QStringLiteral("请在列表中选择"));
                const QStringList headers = {"单位编码", "单位名称",     "联系人",   "手机号码",
                                             "电话",     "传真",         "邮编",     "地址",
                                             "地区",     "往来单位类型", "客户网址", "客户email",
                                             "客户MSN",  "客户QQ",       "备注"};
                QCOMPARE(Headers(p.List()), headers);
                QCOMPARE(ColumnWidth(p.List(), "单位编码"), 120);
                QCOMPARE(GridTexts(p.List(), "单位编码"), QStringList({"S01", "C01"}));
                QCOMPARE(GridText(p.List(), 1, "客户QQ"), QStringLiteral("12345"));
                QCOMPARE(TopItems(p.Tree()), QStringList({"供应商", "客户"}));
                QVERIFY(!p.Tree()->isHidden());

                QVERIFY(p.SelectTreeItem("客户"));
                QCOMPARE(GridTexts(p.List(), "单位编码"), QStringList({"C01"}));
                p.ClickRow(0);
                QCOMPARE(p.m_chosenName, QStringLiteral("乙客户")); // the unit's name
                p.ClickRow(5);                                      // no such row
                QCOMPARE(p.m_chosenName, QStringLiteral("乙客户"));
                QVERIFY(p.SelectTreeItem("供应商"));
                p.DoubleClickRow(0);
            },
            &picker);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(picker->m_chosenName, QStringLiteral("甲供应商"));
        SaveShot(picker, "palette_units");
        delete picker;
    }

    void simpleListsShowNamesWithoutTree() {
        CTempProgramFolder folder;
        SeedBillData();
        struct Case {
            const char* kind;
            const char* header;
            int width;
            QStringList names;
        };
        const Case cases[] = {
            {"palette_department", "部门名称", 300, {"采购部", "销售部"}},
            {"palette_cangku", "仓库名称", 300, {"一号库", "二号库"}},
            {"palette_account", "银行账户", 200, {"工行"}},
        };
        for (const Case& c : cases) {
            const int result = RunPicker(c.kind, [&](CPaletteListDlg& p) {
                QCOMPARE(Headers(p.List()), QStringList({QString::fromUtf8(c.header)}));
                QCOMPARE(ColumnWidth(p.List(), c.header), c.width);
                QCOMPARE(GridTexts(p.List(), c.header), c.names);
                QVERIFY(p.Tree()->isHidden());
                QVERIFY(!p.List()->showGrid());
                p.ClickRow(int(c.names.size()) - 1);
                p.ChooseButton()->click();
            });
            QCOMPARE(result, int(QDialog::Accepted));
        }
        // 选择 without a click confirms an empty choice; 返回 cancels.
        CPaletteListDlg* picker = nullptr;
        QCOMPARE(
            RunPicker(
                "palette_cangku", [](CPaletteListDlg& p) { p.ChooseButton()->click(); }, &picker),
            int(QDialog::Accepted));
        QVERIFY(picker->m_chosenName.isEmpty());
        delete picker;
        QCOMPARE(RunPicker("palette_cangku",
                           [](CPaletteListDlg& p) {
                               p.ClickRow(0);
                               p.BackButton()->click();
                           }),
                 int(QDialog::Rejected));
        // From the keyboard: move to a row and press Enter.
        QCOMPARE(RunPicker(
                     "palette_cangku",
                     [](CPaletteListDlg& p) {
                         p.List()->setCurrentIndex(
                             p.List()->model()->index(1, ColumnOf(p.List(), "仓库名称")));
                         QTest::keyClick(p.List(), Qt::Key_Return);
                     },
                     &picker),
                 int(QDialog::Accepted));
        QCOMPARE(picker->m_chosenName, QStringLiteral("二号库"));
        delete picker;
    }

    void searchHintEnterAndWindowSizeFitTheList() {
        CTempProgramFolder folder;
        SeedBillData();
        // The hint names what each list is searched by.
        const std::pair<const char*, const char*> hints[] = {
            {"palette_cangku", "名称"},
            {"palette_account", "名称"},
            {"palette_department", "名称"},
            {"palette_employees", "姓名"},
            {"palette_product", "编码、名称、助记码或条码"},
            {"palette_wanglaidanwei", "编码、名称、联系人、手机或电话"},
        };
        for (const auto& [kind, hint] : hints)
            RunPicker(kind, [&](CPaletteListDlg& p) {
                QCOMPARE(p.SearchBox()->placeholderText(), QString::fromUtf8(hint));
                p.BackButton()->click();
            });

        // Nothing typed: the arrow keys highlight a row and Enter chooses it.
        CPaletteListDlg* picker = nullptr;
        QCOMPARE(RunPicker(
                     "palette_cangku",
                     [](CPaletteListDlg& p) {
                         QTest::keyClick(p.SearchBox(), Qt::Key_Down);
                         QTest::keyClick(p.SearchBox(), Qt::Key_Down);
                         QTest::keyClick(p.SearchBox(), Qt::Key_Return);
                     },
                     &picker),
                 int(QDialog::Accepted));
        QCOMPARE(picker->m_chosenName, QStringLiteral("二号库"));
        delete picker;
        // The row clicked in the list, then Enter in the empty search box.
        QCOMPARE(RunPicker(
                     "palette_cangku",
                     [](CPaletteListDlg& p) {
                         p.show();
                         QVERIFY(QTest::qWaitForWindowExposed(&p));
                         const QRect cell = p.List()->visualRect(p.List()->model()->index(0, 0));
                         QTest::mouseClick(p.List()->viewport(), Qt::LeftButton, {}, cell.center());
                         QTest::mouseClick(p.SearchBox(), Qt::LeftButton);
                         QTest::keyClick(p.SearchBox(), Qt::Key_Return);
                     },
                     &picker),
                 int(QDialog::Accepted));
        QCOMPARE(picker->m_chosenName, QStringLiteral("一号库"));
        delete picker;

        // Two warehouses: a small window that shows both rows without scrolling.
        RunPicker("palette_cangku", [](CPaletteListDlg& p) {
            p.show();
            QVERIFY(QTest::qWaitForWindowExposed(&p));
            QCoreApplication::processEvents();
            QVERIFY(p.height() < 480);
            QVERIFY(p.width() < 820);
            QVERIFY(!p.List()->verticalScrollBar()->isVisible());
            const QRect last = p.List()->visualRect(p.List()->model()->index(1, 0));
            QVERIFY(p.List()->viewport()->rect().contains(last));
            p.BackButton()->click();
        });
        // The goods list, with its class tree and 25 columns, keeps the full width.
        RunPicker("palette_product", [](CPaletteListDlg& p) {
            QCOMPARE(p.width(), 820);
            p.BackButton()->click();
        });
    }

    void employeesFilterByDepartment() {
        CTempProgramFolder folder;
        SeedBillData();
        RunPicker("palette_employees", [](CPaletteListDlg& p) {
            QCOMPARE(Headers(p.List()),
                     QStringList({"员工姓名", "联系电话", "住址", "出生日期", "备注"}));
            QCOMPARE(ColumnWidth(p.List(), "员工姓名"), 100);
            QVERIFY(p.List()->showGrid());
            QCOMPARE(GridTexts(p.List(), "员工姓名"), QStringList({"张三", "李四"}));
            QCOMPARE(GridText(p.List(), 0, "出生日期"), QStringLiteral("1990-01-01"));
            QCOMPARE(TopItems(p.Tree()), QStringList({"采购部", "销售部"}));
            QVERIFY(p.SelectTreeItem("销售部"));
            QCOMPARE(GridTexts(p.List(), "员工姓名"), QStringList({"李四"}));
            QCOMPARE(GridText(p.List(), 0, "备注"), QStringLiteral("组长"));
            p.ClickRow(0);
            QCOMPARE(p.m_chosenName, QStringLiteral("李四"));
        });
    }

    void goodsTreeFiltersAndClickChoosesTheRecord() {
        CTempProgramFolder folder;
        SeedBillData();
        RunPicker("palette_product", [](CPaletteListDlg& p) {
            QCOMPARE(p.List()->GetColumnCount(), 25);
            QCOMPARE(p.List()->model()->headerData(14, Qt::Horizontal).toString(),
                     QStringLiteral("预设进价"));
            QCOMPARE(ColumnWidth(p.List(), "备注"), 100);
            QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G001", "G002"}));
            QCOMPARE(GridText(p.List(), 0, "预设进价"), QStringLiteral("19.99"));
            // 所有商品 first; 果汁 under 饮料; a class whose parent is missing at the top.
            QCOMPARE(TopItems(p.Tree()), QStringList({"所有商品", "饮料", "孤儿"}));
            QCOMPARE(p.Tree()->topLevelItem(1)->child(0)->text(0), QStringLiteral("果汁"));

            QVERIFY(p.SelectTreeItem("果汁"));
            QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G002"}));
            QVERIFY(p.SelectTreeItem("孤儿"));
            QCOMPARE(p.List()->GetItemCount(), 0);
            QVERIFY(p.SelectTreeItem("所有商品"));
            QCOMPARE(p.List()->GetItemCount(), 2);

            p.ClickRow(0);
            QCOMPARE(QString::fromStdString(p.m_chosenGoods.Code), QStringLiteral("G001"));
            QCOMPARE(QString::fromStdString(p.m_chosenGoods.PriceIn), QStringLiteral("19.99"));
            QCOMPARE(QString::fromStdString(p.m_chosenGoods.Note), QStringLiteral("冷藏"));
            QVERIFY(p.m_chosenName.isEmpty());
            SaveShot(&p, "palette_goods");
        });
    }

    // Typing into the search box narrows the list with every key, within the tree's
    // selection; Up/Down move, Enter chooses.
    void searchBoxNarrowsWithinTheTreeAndChoosesFromTheKeyboard() {
        CTempProgramFolder folder;
        SeedBillData();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            GoodsRecord g;
            g.ClassName = "饮料";
            for (auto [code, name, smart] :
                 {std::tuple("G003", "键盘", "JP"), std::tuple("G004", "金盘", "jp"),
                  std::tuple("G_5", "100%棉", "")}) {
                g.Code = code;
                g.ProductName = name;
                g.SmartName = smart;
                g.ClassName = g.Code == "G004" ? "果汁" : "饮料";
                QVERIFY(store.AddGoods(g));
            }
        }
        CPaletteListDlg* picker = nullptr;
        const int result = RunPicker(
            "palette_product",
            [](CPaletteListDlg& p) {
                QCOMPARE(p.focusWidget(), static_cast<QWidget*>(p.SearchBox()));
                QLineEdit* box = p.SearchBox();
                const QStringList all = {"G001", "G002", "G003", "G004", "G_5"};
                QCOMPARE(GridTexts(p.List(), "商品编码"), all);
                QCOMPARE(p.List()->GetSelectedRow(), -1);
                QTest::keyClick(box, Qt::Key_J);
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G003", "G004"})); // JP, jp
                QTest::keyClick(box, Qt::Key_P);
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G003", "G004"}));
                QTest::keyClick(box, Qt::Key_X);
                QCOMPARE(p.List()->GetItemCount(), 0);
                QTest::keyClick(box, Qt::Key_Backspace);
                QTest::keyClick(box, Qt::Key_Backspace);
                QTest::keyClick(box, Qt::Key_Backspace);
                QCOMPARE(GridTexts(p.List(), "商品编码"), all); // cleared: everything again
                QTest::keyClicks(box, "6901");                  // part of G001's barcode
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G001"}));
                box->clear();
                QTest::keyClicks(box, "%");
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G_5"}));
                box->clear();
                QTest::keyClicks(box, "_");
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G_5"}));
                box->clear();

                // Tree and search combine; clearing either shows what the other selects.
                QVERIFY(p.SelectTreeItem("果汁"));
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G002", "G004"}));
                TypeText(box, " 盘 ");
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G004"}));
                QVERIFY(p.SelectTreeItem("所有商品"));
                QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G003", "G004"}));
                box->clear();
                QCOMPARE(GridTexts(p.List(), "商品编码"), all);

                // The first row found is highlighted; Down, Up and Enter choose from there.
                QTest::keyClicks(box, "g00");
                QCOMPARE(p.List()->GetSelectedRow(), 0);
                QTest::keyClick(box, Qt::Key_Down);
                QTest::keyClick(box, Qt::Key_Down);
                QTest::keyClick(box, Qt::Key_Up);
                QCOMPARE(p.List()->GetSelectedRow(), 1);
                QTest::keyClick(box, Qt::Key_Return);
            },
            &picker);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(picker->m_chosenGoods.Code), QStringLiteral("G002"));
        delete picker;

        // Business units by name part and telephone; the highlighted row chosen by "选择".
        QCOMPARE(RunPicker(
                     "palette_wanglaidanwei",
                     [](CPaletteListDlg& p) {
                         QTest::keyClicks(p.SearchBox(), "c0");
                         QCOMPARE(GridTexts(p.List(), "单位编码"), QStringList({"C01"}));
                         p.SearchBox()->clear();
                         TypeText(p.SearchBox(), "供应");
                         QCOMPARE(GridTexts(p.List(), "单位编码"), QStringList({"S01"}));
                         p.ChooseButton()->click();
                     },
                     &picker),
                 int(QDialog::Accepted));
        QCOMPARE(picker->m_chosenName, QStringLiteral("甲供应商"));
        delete picker;
        // Other lists by name.
        RunPicker("palette_cangku", [](CPaletteListDlg& p) {
            TypeText(p.SearchBox(), "二");
            QCOMPARE(GridTexts(p.List(), "仓库名称"), QStringList({"二号库"}));
            SaveShot(&p, "search_picker_units");
        });
        RunPicker("palette_product", [](CPaletteListDlg& p) {
            QTest::keyClicks(p.SearchBox(), "jp");
            p.resize(820, 360);
            SaveShot(&p, "search_picker");
        });
    }

    void kindsWithoutListAndTheEmptyKind() {
        CTempProgramFolder folder;
        SeedBillData();
        CScopedScriptedPort port;
        for (const char* kind : {"palette_hetong", "palette_nothing"}) {
            RunPicker(kind, [](CPaletteListDlg& p) {
                QCOMPARE(p.List()->GetItemCount(), 0);
                QCOMPARE(p.List()->GetColumnCount(), 0);
            });
        }
        QVERIFY(port.Texts().empty());
        RunPicker("", [](CPaletteListDlg& p) { QCOMPARE(p.List()->GetItemCount(), 0); });
        QCOMPARE(port.Texts(), std::vector<std::string>{"没设置选项内容"});
    }

    void manageListOpensItsWindowAndRefills() {
        CTempProgramFolder folder;
        LoginAsAdmin(); // the routing opens what the operator's role allows
        SeedBillData();
        QStringList opened;
        // Stands in for the maintenance windows: each adds one entry to its list.
        SetWindowOpenerForTest([&](const QString& window, const QString& command) {
            opened << window + "|" + command;
            if (window == "CChild_Jichu_WarehouseDlg")
                AddConfigListEntry("warehouse", "新仓库 '%_", "");
            if (window == "CChild_Jichu_ProductDlg") {
                CDataStore store;
                GoodsRecord g;
                g.Code = "M1";
                g.ProductName = "新商品";
                g.ClassName = "饮料";
                QVERIFY(store.ConnectMain() && store.AddGoods(g));
            }
        });
        RunPicker("palette_cangku", [](CPaletteListDlg& p) {
            QCOMPARE(p.List()->GetItemCount(), 2);
            p.ManageButton()->click();
            QCOMPARE(GridTexts(p.List(), "仓库名称"),
                     QStringList({"一号库", "二号库", "新仓库 '%_"}));
            QCOMPARE(p.List()->GetColumnCount(), 1);
        });
        RunPicker("palette_product", [](CPaletteListDlg& p) {
            QVERIFY(p.SelectTreeItem("果汁"));
            QCOMPARE(p.List()->GetItemCount(), 1);
            p.ManageButton()->click();
            // Filled again as on opening: every goods item, the tree rebuilt.
            QCOMPARE(GridTexts(p.List(), "商品编码"), QStringList({"G001", "G002", "M1"}));
            QCOMPARE(p.List()->GetColumnCount(), 25);
            QCOMPARE(TopItems(p.Tree()), QStringList({"所有商品", "饮料", "孤儿"}));
        });
        SetWindowOpenerForTest(nullptr);
        QCOMPARE(opened, QStringList({"CChild_Jichu_WarehouseDlg|", "CChild_Jichu_ProductDlg|"}));
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
