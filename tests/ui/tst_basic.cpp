// The basic-data windows, opened from their panel items, driven through their real widgets.
#include "ModalDriver.h"
#include "UiTestSupport.h"

#include "app/Cferix_razazDlg.h"
#include "app/CommandRouting.h"
#include "app/MainPanels.h"
#include "basic/CChild_Jichu_CustomerDlg.h"
#include "basic/CChild_Jichu_Customer_AddDlg.h"
#include "basic/CChild_Jichu_EmployeesDlg.h"
#include "basic/CChild_Jichu_Employees_AddDlg.h"
#include "basic/CChild_Jichu_ProductDlg.h"
#include "basic/CChild_Jichu_Product_AddDlg.h"
#include "basic/CChild_Jichu_Product_Class_AddDlg.h"
#include "basic/CChild_Jichu_Product_Class_Dlg.h"
#include "basic/CLabelPrintDlg.h"
#include "basic/GoodsStore.h"
#include "basic/SimpleListWindows.h"
#include "bills/CPaletteListDlg.h"
#include "config/ConfigLists.h"
#include "query/CPrintDlg.h"
#include "store/CDataStore.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CListModel.h"
#include "widgets/CSearchBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <tuple>

namespace {
std::optional<GoodsRecord> FindGoodsInMain(const std::string& code) {
    CDataStore store;
    return store.ConnectMain() ? FindGoods(store, code) : std::nullopt;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList Texts(const CScriptedMessagePort& port) {
    QStringList out;
    for (const auto& t : port.Texts())
        out << Q(t);
    return out;
}

QStringList Headers(const QTableView* view) {
    QStringList out;
    for (int i = 0; i < view->model()->columnCount(); ++i)
        out << view->model()->headerData(i, Qt::Horizontal).toString() + " " +
                   QString::number(view->columnWidth(i));
    return out;
}

QStringList TreeTexts(QTreeWidget* tree) {
    QStringList out;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        out << QString(depth, '-') + item->text(0);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i), 0);
    return out;
}

QTreeWidgetItem* FindItem(QTreeWidget* tree, const QString& text) {
    auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// A click or a double click on a list row, where the user makes it: on the view's viewport. A
// double click is press and release, then the second press.
QPoint RowPoint(QTableView* view, int row) {
    return view->visualRect(view->model()->index(row, 1)).center();
}
void ClickRow(QTableView* view, int row) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, row));
}
void DoubleClickRow(QTableView* view, int row) {
    ClickRow(view, row);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, row));
}

// Main window after login, basic-data panel selected.
struct MainWindow {
    Cferix_razazDlg w;
    MainWindow() {
        w.BuildAfterLogin();
        w.SelectPanel(6);
    }
    void Click(int panel, const QString& item) {
        w.SelectPanel(panel);
        QAbstractButton* b = w.Panel(panel)->FindItem(item);
        QVERIFY2(b, qPrintable(item));
        b->click();
    }
};
} // namespace

class TestBasic : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

    void simpleListWindowsAddAndDelete_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QString>("addButton");
        QTest::addColumn<QString>("addWindow");
        QTest::addColumn<QString>("addCaption");
        QTest::addColumn<QString>("nameLabel");
        QTest::addColumn<QString>("emptyMessage");
        QTest::addColumn<QString>("shot");
        QTest::newRow("area") << "地区信息"
                              << "CChild_Jichu_AreaDlg"
                              << "地区管理" << QStringList{"地区名称 138"} << "添加"
                              << "CChild_Jichu_Area_AddDlg"
                              << "添加地区"
                              << "地区名称："
                              << "地区名称不能为空！"
                              << "area";
        QTest::newRow("bank") << "银行信息"
                              << "CChild_Jichu_BankDlg"
                              << "银行管理" << QStringList{"银行名称 138"} << "添加"
                              << "CChild_Jichu_Bank_AddDlg"
                              << "添加银行信息"
                              << "银行名称："
                              << "银行名称不能为空！"
                              << "bank";
        QTest::newRow("department") << "部门管理"
                                    << "CChild_Jichu_BumenDlg"
                                    << "部门管理" << QStringList{"部门名称 138"} << "添加"
                                    << "CChild_Jichu_Bumen_AddDlg"
                                    << "添加部门"
                                    << "部门名称："
                                    << "部门名称不能为空！"
                                    << "department";
        QTest::newRow("unit") << "基本单位"
                              << "CChild_Jichu_UnitDlg"
                              << "单位管理" << QStringList{"单位名称 138"} << "添加"
                              << "CChild_Jichu_Unit_AddDlg"
                              << "添加计量单位"
                              << "单位名称："
                              << "单位名称不能为空！"
                              << "unit";
        QTest::newRow("warehouse") << "仓库管理"
                                   << "CChild_Jichu_WarehouseDlg"
                                   << "仓库管理" << QStringList{"仓库名称 138"} << "添加"
                                   << "CChild_Jichu_Warehouse_AddDlg"
                                   << "添加仓库库信息"
                                   << "仓库名称："
                                   << "仓库名称不能为空！"
                                   << "warehouse";
        QTest::newRow("income") << "收入项目(隐藏)"
                                << "CChild_Jichu_ShouruDlg"
                                << "收入项目类别" << QStringList{"收入项目名称 200", "备注 210"}
                                << "增加"
                                << "CChild_Jichu_Shouru_AddDlg"
                                << "添加收入项目"
                                << "收入项目："
                                << ""
                                << "income";
        QTest::newRow("spending") << "支出项目(隐藏)"
                                  << "CChild_Jichu_ZhichuDlg"
                                  << "支出费用项目类别"
                                  << QStringList{"支出项目名称 200", "备注 210"} << "增加"
                                  << "CChild_Jichu_Zhichu_AddDlg"
                                  << "添加支出项目"
                                  << "支出项目："
                                  << ""
                                  << "spending";
    }

    void simpleListWindowsAddAndDelete() {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QStringList, headers);
        QFETCH(QString, addButton);
        QFETCH(QString, addWindow);
        QFETCH(QString, addCaption);
        QFETCH(QString, nameLabel);
        QFETCH(QString, emptyMessage);
        QFETCH(QString, shot);
        // The name column's header: the first expected header, without its width.
        const QString nameHeader = headers.first().section(' ', 0, 0);

        CTempProgramFolder folder;
        LoginAsAdmin();
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CSimpleListDlg>([&](CSimpleListDlg& w) {
            w.show();
            QCOMPARE(w.metaObject()->className(), qPrintable(window));
            QCOMPARE(w.windowTitle(), caption);
            QCOMPARE(Headers(w.m_list), headers);
            QCOMPARE(w.m_add->text(), addButton);
            QCOMPARE(w.m_delete->text(), QStringLiteral("删除"));
            QCOMPARE(w.m_back->text(), QStringLiteral("返回"));
            QCOMPARE(w.m_list->model()->rowCount(), 0);

            // An empty name: refused with the kind's message (or taken, for income and
            // spending), the add window open with what was typed.
            driver.Then<CSimpleList_AddDlg>([&](CSimpleList_AddDlg& a) {
                a.show();
                QCOMPARE(a.metaObject()->className(), qPrintable(addWindow));
                QCOMPARE(a.windowTitle(), addCaption);
                QCOMPARE(a.m_frame->title(), QStringLiteral("添加"));
                QCOMPARE(a.m_nameLabel->text(), nameLabel);
                QCOMPARE(a.m_noteLabel->text(), QStringLiteral("备注："));
                QCOMPARE(a.m_ok->text(), QStringLiteral("确定"));
                QCOMPARE(a.m_cancel->text(), QStringLiteral("取消"));
                SaveShot(&a, "basic_" + shot + "_add");
                a.m_noteEdit->setText("note");
                a.m_ok->click();
                if (emptyMessage.isEmpty()) {
                    QCOMPARE(a.result(), int(QDialog::Accepted));
                    return;
                }
                QCOMPARE(Texts(port), QStringList{emptyMessage});
                QVERIFY(a.isVisible());
                QCOMPARE(a.m_noteEdit->text(), QStringLiteral("note"));
                // Enter confirms.
                QTest::keyClicks(a.m_nameEdit, "first");
                QTest::keyClick(a.m_nameEdit, Qt::Key_Return);
                QCOMPARE(a.result(), int(QDialog::Accepted));
            });
            w.m_add->click();
            driver.Then<CSimpleList_AddDlg>([&](CSimpleList_AddDlg& a) {
                QTest::keyClicks(a.m_nameEdit, "50% 'o\"&");
                a.m_ok->click();
            });
            w.m_add->click();
            // Cancelled: nothing added.
            driver.Then<CSimpleList_AddDlg>([&](CSimpleList_AddDlg& a) {
                a.m_nameEdit->setText("never");
                QTest::keyClick(&a, Qt::Key_Escape);
            });
            w.m_add->click();
            const QString first = emptyMessage.isEmpty() ? QString() : QStringLiteral("first");
            QCOMPARE(ColumnTexts(w.m_list->model(), nameHeader), (QStringList{"50% 'o\"&", first}));
            if (headers.size() == 2)
                QCOMPARE(ColumnTexts(w.m_list->model(), "备注"), (QStringList{"", "note"}));
            w.m_list->selectRow(1);
            SaveShot(&w, "basic_" + shot);

            w.m_delete->click();
            QCOMPARE(ColumnTexts(w.m_list->model(), nameHeader), QStringList{"50% 'o\"&"});
            w.m_list->selectRow(0);
            w.m_delete->click();
            QCOMPARE(w.m_list->model()->rowCount(), 0);
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.isVisible());
        });
        main.Click(6, item);
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        QCOMPARE(port.Texts().size(), size_t(emptyMessage.isEmpty() ? 0 : 1));
    }

    // The label rows of the trading panels open the same windows as the basic-data panel.
    void labelRowsOpenTheBasicDataWindows() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        const QStringList labels = {"√  商品管理", "√  往来单位管理", "√  员工管理", "√  部门管理",
                                    "√  仓库管理"};
        for (int panel : {1, 2, 3}) {
            for (int i = 0; i < labels.size(); ++i)
                driver.Then<QDialog>([](QDialog& d) { d.reject(); });
            for (const QString& label : labels)
                main.Click(panel, label);
        }
        QStringList expected = {"CChild_Jichu_ProductDlg", "CChild_Jichu_CustomerDlg",
                                "CChild_Jichu_EmployeesDlg", "CChild_Jichu_BumenDlg",
                                "CChild_Jichu_WarehouseDlg"};
        QCOMPARE(driver.Opened(), expected + expected + expected);
        QCOMPARE(driver.Problems(), QStringList());
        driver.Then<QDialog>([](QDialog& d) { d.reject(); });
        QVERIFY(OpenWindow(nullptr, "CChild_Jichu_Product_Class_Dlg", ""));
        QCOMPARE(driver.Opened().last(), QStringLiteral("CChild_Jichu_Product_Class_Dlg"));
        QVERIFY(port.Texts().empty());
    }

    void employeesWindowWithDepartmentsAndAddWindow() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        AddDepartment("销售部", "");
        AddEmployee("销售部", "张三", "138", "", "", "");
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_EmployeesDlg>([&](CChild_Jichu_EmployeesDlg& w) {
            w.show();
            QCOMPARE(w.windowTitle(), QStringLiteral("员工管理"));
            QCOMPARE(Headers(w.m_departments), QStringList{"部门名称 162"});
            QCOMPARE(Headers(w.m_employees), (QStringList{"员工姓名 100", "联系电话 100",
                                                          "住址 100", "出生日期 100", "备注 134"}));
            QCOMPARE(w.m_departments->parentWidget()->property("title").toString(),
                     QStringLiteral("部门管理"));
            QCOMPARE(w.m_employees->parentWidget()->property("title").toString(),
                     QStringLiteral("员工列表"));
            QCOMPARE((QStringList{w.m_add->text(), w.m_delete->text(),
                                  w.m_manageDepartments->text(), w.m_back->text()}),
                     (QStringList{"增加员工", "删除员工", "管理部门", "返回"}));
            QCOMPARE(ColumnTexts(w.m_departments->model(), "部门名称"),
                     (QStringList{"所有员工", "销售部"}));

            // 管理部门 runs the department window; the lists are filled again after it.
            driver.Then<CChild_Jichu_BumenDlg>([&](CChild_Jichu_BumenDlg& b) {
                driver.Then<CChild_Jichu_Bumen_AddDlg>([](CChild_Jichu_Bumen_AddDlg& a) {
                    a.m_nameEdit->setText("财务部");
                    a.m_ok->click();
                });
                b.m_add->click();
                b.m_back->click();
            });
            w.m_manageDepartments->click();
            QCOMPARE(ColumnTexts(w.m_departments->model(), "部门名称"),
                     (QStringList{"所有员工", "财务部", "销售部"}));

            driver.Then<CChild_Jichu_Employees_AddDlg>([&](CChild_Jichu_Employees_AddDlg& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("增加员工"));
                QCOMPARE(a.m_department->count(), 2);
                QCOMPARE(a.m_department->itemText(0), QStringLiteral("财务部"));
                QCOMPARE(a.m_department->currentIndex(), -1);
                QCOMPARE(a.m_birthday->alignment() & Qt::AlignRight, Qt::AlignRight);
                SaveShot(&a, "basic_employees_add");
                a.m_name->setText("李四");
                a.m_ok->click(); // no department
                QCOMPARE(Texts(port), QStringList{"员工姓名或部门不能为空！"});
                QVERIFY(a.isVisible());
                a.m_department->setCurrentIndex(0);
                a.m_tel->setText("010-1");
                a.m_birthday->setDate(QDate(1990, 1, 2));
                a.m_addr->setText("北京");
                a.m_note->setPlainText("两行\n备注");
                a.m_ok->click();
            });
            w.m_add->click();
            QCOMPARE(ColumnTexts(w.m_employees->model(), "员工姓名"),
                     (QStringList{"李四", "张三"}));
            QCOMPARE(ColumnTexts(w.m_employees->model(), "联系电话"),
                     (QStringList{"010-1", "138"}));
            QCOMPARE(ColumnTexts(w.m_employees->model(), "出生日期").value(0),
                     QDate(1990, 1, 2).toString(QLocale().dateFormat(QLocale::ShortFormat)));
            QCOMPARE(ColumnTexts(w.m_employees->model(), "备注").value(0),
                     QStringLiteral("两行\n备注"));

            // A department shows its own employees; 所有员工 shows all again.
            w.m_departments->selectRow(2);
            QCOMPARE(ColumnTexts(w.m_employees->model(), "员工姓名"), QStringList{"张三"});
            w.m_departments->selectRow(0);
            QCOMPARE(ColumnTexts(w.m_employees->model(), "员工姓名"),
                     (QStringList{"李四", "张三"}));
            SaveShot(&w, "basic_employees");

            w.m_employees->selectRow(1);
            w.m_delete->click();
            QCOMPARE(ColumnTexts(w.m_employees->model(), "员工姓名"), QStringList{"李四"});
            w.m_back->click();
        });
        main.Click(6, "员工管理");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        auto stored = ReadEmployees("财务部");
        QCOMPARE(stored.size(), size_t(1));
        QCOMPARE(Q(stored[0].addr), QStringLiteral("北京"));
    }

    void classWindowAddsDeletesAndChooses() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_Product_Class_Dlg>([&](CChild_Jichu_Product_Class_Dlg& w) {
            w.show();
            QCOMPARE(w.windowTitle(), QStringLiteral("商品分类管理"));
            QCOMPARE((QStringList{w.m_choose->text(), w.m_addTop->text(), w.m_addSub->text(),
                                  w.m_delete->text(), w.m_back->text()}),
                     (QStringList{"选择", "添加大类", "添加下级分类", "删除选中的分类", "返回"}));
            QCOMPARE(TreeTexts(w.m_tree), QStringList{"所有商品"});

            driver.Then<CChild_Jichu_Product_Class_AddDlg>([&](auto& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("添加类别"));
                QVERIFY(a.m_parent->text().isEmpty());
                QVERIFY(a.m_parent->isReadOnly());
                SaveShot(&a, "basic_class_add");
                a.m_ok->click();
                QCOMPARE(Texts(port), QStringList{"请正确填写类名！"});
                a.m_name->setText("食品");
                a.m_ok->click();
            });
            w.m_addTop->click();

            // The tree taking the focus makes an item current but selects nothing.
            QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(w.m_tree, &focusIn);
            QVERIFY(w.m_tree->currentItem());
            w.m_addSub->click();
            QCOMPARE(Texts(port).last(), QStringLiteral("请选中要添加小类的商品类目！"));
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "食品"));
            driver.Then<CChild_Jichu_Product_Class_AddDlg>([&](auto& a) {
                QCOMPARE(a.m_parent->text(), QStringLiteral("食品"));
                a.m_name->setText("水果");
                a.m_ok->click();
            });
            w.m_addSub->click();
            // The refilled tree shows no selection, and the window remembers none.
            QVERIFY(w.m_tree->selectedItems().isEmpty());
            port.Clear();
            w.m_addSub->click();
            QCOMPARE(Texts(port), QStringList{"请选中要添加小类的商品类目！"});
            // A name that exists is refused in the program's words; the window keeps what
            // was typed.
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "所有商品"));
            driver.Then<CChild_Jichu_Product_Class_AddDlg>([&](auto& a) {
                a.show();
                QVERIFY(a.m_parent->text().isEmpty());
                port.Clear();
                a.m_name->setText("水果"); // typed through an input method
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(Texts(port), QStringList{"商品分类“水果”已经存在，请换一个名称！"});
                QVERIFY(a.isVisible());
                QCOMPARE(a.m_name->text(), QStringLiteral("水果"));
                a.m_cancel->click();
            });
            w.m_addSub->click();
            w.m_tree->expandAll();
            QCOMPARE(TreeTexts(w.m_tree), (QStringList{"所有商品", "食品", "-水果"}));
            SaveShot(&w, "basic_classes");

            // Deleting asks; the sub-class moves to the root.
            port.Clear();
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "所有商品"));
            w.m_delete->click();
            QCOMPARE(Texts(port), QStringList{"请选中要删除的类目！"});
            QTest::mouseClick(w.m_tree->viewport(), Qt::LeftButton, {},
                              w.m_tree->visualItemRect(FindItem(w.m_tree, "食品")).center());
            port.QueueAnswer(true);
            w.m_delete->click();
            QCOMPARE(Texts(port).last(), QStringLiteral("要删除类目“食品”吗？"));
            QCOMPARE(TreeTexts(w.m_tree), (QStringList{"所有商品", "水果"}));
            // Pressed again: nothing is selected any more, so nothing gone is asked about.
            port.Clear();
            w.m_delete->click();
            QCOMPARE(Texts(port), QStringList{"请选中要删除的类目！"});

            // 选择 closes the window with the chosen class.
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "水果"));
            w.m_choose->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(Q(w.SelectedClass()), QStringLiteral("水果"));
        });
        main.Click(6, "商品分类");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
    }

    void goodsWindowAddsWithClassChooserAndDeletes() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        AddConfigListEntry("unit", "箱", "");
        AddConfigListEntry("unit", "个", "");
        AddConfigListEntry("area", "上海", "");
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.AddGoodsClass("食品", ""));
            QVERIFY(store.AddGoodsClass("水果", "食品"));
            GoodsRecord used;
            used.Code = "OLD";
            used.ProductName = "旧货";
            used.ClassName = "食品";
            QVERIFY(store.AddGoods(used));
            QVERIFY(store.ExecuteSql("insert into StockPile(StoreHouse, ProductCode, ProductName,"
                                     " Number, Price) values('主仓', 'OLD', '旧货', '0', '1')"));
        }
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_ProductDlg>([&](CChild_Jichu_ProductDlg& w) {
            w.show();
            QCOMPARE(w.windowTitle(), QStringLiteral("商品管理"));
            // The list's layout itself: these columns where they stand, 100 wide.
            QStringList headers = Headers(w.m_list);
            QCOMPARE(headers.size(), 25);
            QCOMPARE(headers.first(), QStringLiteral("商品编码 100"));
            QCOMPARE(headers[11], QStringLiteral("零售价 100"));
            QCOMPARE(headers[19], QStringLiteral("商品是否可用 100"));
            QCOMPARE(headers.last(), QStringLiteral("备注 100"));
            QCOMPARE(w.m_tree->parentWidget()->property("title").toString(),
                     QStringLiteral("商品分类"));
            QCOMPARE(w.m_list->parentWidget()->property("title").toString(),
                     QStringLiteral("商品类列表"));
            QCOMPARE(TreeTexts(w.m_tree), (QStringList{"所有商品", "食品", "-水果"}));
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"OLD"});

            driver.Then<CChild_Jichu_Product_AddDlg>([&](CChild_Jichu_Product_AddDlg& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("添加商品窗口"));
                QCOMPARE(a.m_unit->itemText(0), QStringLiteral("个"));
                QCOMPARE(a.m_unit->itemText(1), QStringLiteral("箱"));
                QVERIFY(a.m_unit->isEditable());
                QCOMPARE(a.m_origin->itemText(0), QStringLiteral("上海"));
                QVERIFY(!a.m_available->isChecked());
                SaveShot(&a, "basic_goods_add");
                a.m_ok->click();
                QCOMPARE(Texts(port), QStringList{"商品编码不能为空！"});
                QTest::keyClicks(a.m_code, "G1");
                a.m_ok->click();
                QCOMPARE(Texts(port).last(), QStringLiteral("商品名称不能为空！"));
                a.m_name->setText("苹果");
                a.m_ok->click();
                QCOMPARE(Texts(port).last(), QStringLiteral("商品分类不能为空！"));
                QVERIFY(a.isVisible());

                // The chooser runs the class window and takes its choice.
                driver.Then<CChild_Jichu_Product_Class_Dlg>([](CChild_Jichu_Product_Class_Dlg& c) {
                    c.m_tree->setCurrentItem(FindItem(c.m_tree, "水果"));
                    c.m_choose->click();
                });
                a.m_chooseClass->click();
                QCOMPARE(a.m_className->text(), QStringLiteral("水果"));

                // Prices take decimals and nothing else.
                QTest::keyClicks(a.m_retailPrice, "-12.5x0");
                QCOMPARE(a.m_retailPrice->text(), QStringLiteral("12.50"));
                QTest::keyClicks(a.m_priceIn, "8.");
                a.m_unit->setCurrentText("斤");
                a.m_origin->setCurrentIndex(0);
                a.m_available->setChecked(true);
                a.m_userDefined[3]->setText("u4");
                a.m_note->setText("'%_");
                port.Clear();
                a.m_ok->click();
                QCOMPARE(a.result(), int(QDialog::Accepted));
            });
            w.m_add->click();
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), (QStringList{"G1", "OLD"}));

            // A code that exists is refused in the program's words; the add window keeps
            // what was typed.
            driver.Then<CChild_Jichu_Product_AddDlg>([&](CChild_Jichu_Product_AddDlg& a) {
                a.show();
                QTest::keyClicks(a.m_code, "G1");
                a.m_name->setText("别的");
                a.m_className->setText("食品");
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(Texts(port), QStringList{"商品编码“G1”已经存在，请换一个编码！"});
                QVERIFY(a.isVisible());
                QCOMPARE(a.m_code->text(), QStringLiteral("G1"));
                QCOMPARE(a.m_name->text(), QStringLiteral("别的"));
                a.m_cancel->click();
            });
            w.m_add->click();

            // The class tree filters by the class itself, not its sub-classes.
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "食品"));
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"OLD"});
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "水果"));
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"G1"});
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "所有商品"));
            w.m_list->selectRow(0);
            SaveShot(&w, "basic_goods");

            port.Clear();
            w.m_list->clearSelection();
            w.m_delete->click();
            QCOMPARE(Texts(port), QStringList{"请选择要删除的商品！"});
            w.m_list->selectRow(1);
            port.QueueAnswer(true);
            w.m_delete->click();
            QCOMPARE(Texts(port).last(), QStringLiteral("此商品正在使用中，不能删除！"));
            w.m_list->selectRow(0);
            port.QueueAnswer(true);
            w.m_delete->click();
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"OLD"});
            w.m_back->click();
        });
        main.Click(6, "商品管理");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        std::vector<GoodsRecord> goods;
        QVERIFY(store.ListGoods("所有商品", goods));
        QCOMPARE(goods.size(), size_t(1));
    }

    // 营业员 sees the goods but may not delete them: 删除 on a chosen row is refused by the core
    // with its text, and the goods item stays.
    void aClerkIsRefusedTheDeletionOfGoods() {
        CTempProgramFolder folder;
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            GoodsRecord pen;
            pen.Code = "G1";
            pen.ProductName = "钢笔";
            pen.ClassName = "文具";
            QVERIFY(store.AddGoodsClass("文具", ""));
            QVERIFY(store.AddGoods(pen));
        }
        LoginAs("clerk", "营业员");
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_ProductDlg>([&](CChild_Jichu_ProductDlg& w) {
            w.show();
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"G1"});
            const QModelIndex first = w.m_list->model()->index(0, 0);
            QTest::mouseClick(w.m_list->viewport(), Qt::LeftButton, {},
                              w.m_list->visualRect(first).center());
            QCOMPARE(w.m_list->selectionModel()->selectedRows().size(), 1);
            port.Clear();
            QTest::mouseClick(w.m_delete, Qt::LeftButton);
            QCOMPARE(Texts(port), QStringList{"您没有“商品管理”的“删除”权限！"});
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"G1"});
            w.m_back->click();
        });
        main.Click(6, "商品管理");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        std::vector<GoodsRecord> goods;
        QVERIFY(store.ListGoods("所有商品", goods));
        QCOMPARE(goods.size(), size_t(1));
    }

    // 修改 or a double click on a row opens the add form filled in, the code fixed; a unit's
    // name stays once a bill names it.
    // Two goods chosen with a click and a Ctrl+click, "打印标签", 3 and 2 typed into 数量, printed:
    // five 40×30 labels on one A4 page, each goods item as often as asked.
    void goodsLabelsArePrintedForTheChosenGoods() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is missing");
        CTempProgramFolder folder;
        LoginAsAdmin();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.AddGoodsClass("文具", ""));
            for (auto [code, name, barcode] :
                 {std::tuple{"B1", "钢笔", "6901234567892"}, std::tuple{"B2", "橡皮", ""}}) {
                GoodsRecord g;
                g.Code = code;
                g.ProductName = name;
                g.ClassName = "文具";
                g.RetailPrice = "2.50";
                g.BarCode = barcode;
                QVERIFY(store.AddGoods(g));
            }
        }
        CScopedScriptedPort port;
        CModalDriver driver;
        CChild_Jichu_ProductDlg w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.m_labels->text(), QStringLiteral("打印标签"));
        w.m_labels->click();
        QCOMPARE(Texts(port), QStringList{"请选择要打印标签的商品！"});
        ClickRow(w.m_list, 0);
        QTest::mouseClick(w.m_list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          RowPoint(w.m_list, 1));
        const QString pdf = QString::fromStdString((folder.Dir() / "labels.pdf").string());
        SetPrintDialogForTest([&](QPrinter* p) {
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(pdf);
            return true;
        });
        QStringList names;
        driver.Then<CLabelPrintDlg>([&](CLabelPrintDlg& d) {
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            for (int row = 0; row < 2; ++row)
                names << d.m_grid->item(row, 1)->text() + "=" + d.Quantity(row)->text();
            QCOMPARE(d.m_width->value() * 100 + d.m_height->value(), 4030.0);
            for (auto [row, count] : {std::pair{0, "3"}, std::pair{1, "2"}}) {
                QSpinBox* quantity = d.Quantity(row);
                QTest::mouseClick(quantity, Qt::LeftButton);
                QTest::keyClick(quantity, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(quantity, count);
                QTest::keyClick(quantity, Qt::Key_Tab);
                QCOMPARE(quantity->value(), QString(count).toInt());
            }
            d.m_print->click();
            QCOMPARE(d.result(), int(QDialog::Accepted));
        });
        // The list shows the newest goods first.
        w.m_labels->click();
        SetPrintDialogForTest(nullptr);
        QCOMPARE(names, (QStringList{"橡皮=1", "钢笔=1"}));
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(text.readAllStandardOutput()).split('\n');
        // B1's EAN-13 shows its digits, not its code; B2 is Code 128 of B2, its code twice.
        QCOMPARE(lines.count("B2"), 3 * 2);
        QCOMPARE(lines.count("B1"), 2);
        QCOMPARE(lines.count("￥2.50"), 5);
        QCOMPARE(lines.join('\n').count('\f'), 1); // one page
        QVERIFY(driver.Problems().isEmpty());
    }

    void goodsAndUnitsAreChangedFromTheirWindows() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.AddGoodsClass("食品", ""));
            GoodsRecord apple;
            apple.Code = "G1";
            apple.ProductName = "苹果";
            apple.ClassName = "食品";
            apple.PricePre1 = "4.5"; // no field in the form: kept
            apple.RetailPrice = "5";
            apple.PriceIn = "3";
            QVERIFY(store.AddGoods(apple));
            BusinessUnitRecord supplier;
            supplier.CustomerCode = "S1";
            supplier.CustomerName = "甲厂";
            supplier.CustomerType = "供应商";
            BusinessUnitRecord customer;
            customer.CustomerCode = "C1";
            customer.CustomerName = "乙店";
            customer.CustomerType = "客户";
            QVERIFY(store.AddBusinessUnit(supplier) && store.AddBusinessUnit(customer));
            QVERIFY(store.ExecuteSql(
                "insert into EnterStock(Bill_ID, Customer) values('JH-1', '甲厂')"));
        }
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_ProductDlg>([&](CChild_Jichu_ProductDlg& w) {
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.m_modify->text(), QStringLiteral("修改"));
            w.m_modify->click();
            QCOMPARE(Texts(port), QStringList{"请选择要修改的商品！"});
            driver.Then<CChild_Jichu_Product_AddDlg>([&](CChild_Jichu_Product_AddDlg& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("修改商品窗口"));
                QCOMPARE(a.m_code->text() + a.m_name->text() + a.m_className->text(),
                         QStringLiteral("G1苹果食品"));
                QVERIFY(a.m_code->isReadOnly());
                QCOMPARE(a.m_retailPrice->text() + "/" + a.m_priceIn->text(),
                         QStringLiteral("5/3"));
                a.m_name->setText("红苹果"); // Chinese comes through the input method
                a.m_retailPrice->selectAll();
                QTest::keyClicks(a.m_retailPrice, "6.5");
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(a.result(), int(QDialog::Accepted));
            });
            DoubleClickRow(w.m_list, 0);
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品名称"), QStringList{"红苹果"});
            QCOMPARE(ColumnTexts(w.m_list->model(), "零售价"), QStringList{"6.5"});
            QCOMPARE(ColumnTexts(w.m_list->model(), "预售价1"), QStringList{"4.5"});
            // The button opens the same form; cancelled, nothing changes.
            driver.Then<CChild_Jichu_Product_AddDlg>([&](CChild_Jichu_Product_AddDlg& a) {
                QCOMPARE(a.m_name->text(), QStringLiteral("红苹果"));
                a.m_name->setText("梨");
                a.m_cancel->click();
            });
            ClickRow(w.m_list, 0);
            QTest::mouseClick(w.m_modify, Qt::LeftButton);
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品名称"), QStringList{"红苹果"});
            w.m_back->click();
        });
        main.Click(6, "商品管理");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));

        port.Clear();
        driver.Then<CChild_Jichu_CustomerDlg>([&](CChild_Jichu_CustomerDlg& w) {
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), (QStringList{"C1", "S1"}));
            w.m_modify->click();
            QCOMPARE(Texts(port), QStringList{"请点击选择要修改的项目！"});
            driver.Then<CChild_Jichu_Customer_AddDlg>([&](CChild_Jichu_Customer_AddDlg& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("修改往来单位信息"));
                QCOMPARE(a.m_code->text() + a.m_name->text() + a.m_type->currentText(),
                         QStringLiteral("S1甲厂供应商"));
                QVERIFY(a.m_code->isReadOnly());
                a.m_name->setText("甲工厂");
                QTest::keyClicks(a.m_tel, "021-1");
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(Texts(port).last(),
                         QStringLiteral("往来单位“甲厂”已有单据，不能修改单位名称！"));
                QVERIFY(a.isVisible());
                a.m_name->setText("甲厂");
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(a.result(), int(QDialog::Accepted));
            });
            ClickRow(w.m_list, 1);
            QTest::mouseClick(w.m_modify, Qt::LeftButton);
            QCOMPARE(ColumnTexts(w.m_list->model(), "电话"), (QStringList{"", "021-1"}));
            driver.Then<CChild_Jichu_Customer_AddDlg>([&](CChild_Jichu_Customer_AddDlg& a) {
                QCOMPARE(a.m_name->text(), QStringLiteral("乙店"));
                a.m_name->setText("乙商店");
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(a.result(), int(QDialog::Accepted));
            });
            DoubleClickRow(w.m_list, 0);
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位名称"), (QStringList{"乙商店", "甲厂"}));
            QCOMPARE(Texts(port).size(), 2);
            w.m_back->click();
        });
        main.Click(6, "往来单位信息");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
    }

    void goodsRecordTakesEveryFieldAsTyped() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        CChild_Jichu_Product_AddDlg a;
        a.m_code->setText("C 1");
        a.m_name->setText("名");
        a.m_smartName->setText("简");
        a.m_className->setText("类");
        a.m_unit->setCurrentText("个");
        a.m_partNumber->setText("型");
        a.m_specifications->setText("规");
        a.m_origin->setCurrentText("产");
        a.m_retailPrice->setText("1.5");
        a.m_priceIn->setText("0.75");
        a.m_barCode->setText("690");
        a.m_shelfLife->setText("30");
        a.m_inventoryLow->setText("1");
        a.m_inventoryHigh->setText("9");
        for (int i = 0; i < 4; ++i)
            a.m_userDefined[i]->setText(QString("u%1").arg(i + 1));
        a.m_note->setText("注");
        a.m_ok->click();
        QCOMPARE(a.result(), int(QDialog::Accepted));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        std::vector<GoodsRecord> goods;
        QVERIFY(store.ListGoods("类", goods));
        QCOMPARE(goods.size(), size_t(1));
        const GoodsRecord& g = goods[0];
        QStringList got = {Q(g.Code),         Q(g.ProductName),    Q(g.ClassId),
                           Q(g.ClassName),    Q(g.SmartName),      Q(g.Unit),
                           Q(g.PartNumber),   Q(g.Specifications), Q(g.ProductingArea),
                           Q(g.PricePre1),    Q(g.RetailPrice),    Q(g.PriceLow),
                           Q(g.PriceIn),      Q(g.BarCode),        Q(g.ShelfLife),
                           Q(g.InventoryLow), Q(g.InventoryHigh),  Q(g.Available),
                           Q(g.UserDefined1), Q(g.UserDefined4),   Q(g.Note)};
        QCOMPARE(got,
                 (QStringList{"C 1", "名",   "",    "类", "简", "个", "型", "规", "产", "",  "1.5",
                              "",    "0.75", "690", "30", "1",  "9",  "否", "u1", "u4", "注"}));
    }

    // The goods form's units grid: typed into with the keyboard, checked before anything is
    // stored, saved with the goods and shown again when the goods item is changed.
    void goodsFormSavesItsUnits() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.AddGoodsClass("饮料", ""));
        }
        CScopedScriptedPort port;
        auto typeCell = [](QTableWidget* grid, int row, int column, const QString& text) {
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QWidget* editor = QApplication::focusWidget();
            QVERIFY(editor && editor != grid);
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            if (text.toLatin1() == text.toUtf8()) {
                QTest::keyClicks(editor, text.toLatin1().constData());
            } else { // Chinese comes in as an input method commits it
                QInputMethodEvent commit;
                commit.setCommitString(text);
                QApplication::sendEvent(editor, &commit);
            }
            QTest::keyClick(editor, Qt::Key_Return);
        };
        auto storedUnits = [] {
            CDataStore store;
            std::vector<GoodsUnit> units;
            if (store.ConnectMain())
                units = ListGoodsUnits(store, "G1").value_or(units);
            QStringList out;
            for (const auto& u : units)
                out << QString::fromStdString(u.Unit + "=" + std::to_string(u.Factor) + "|" +
                                              u.BarCode);
            return out;
        };
        {
            CChild_Jichu_Product_AddDlg a;
            a.show();
            a.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&a));
            QTest::keyClicks(a.m_code, "G1");
            a.m_name->setText("可乐");
            a.m_className->setText("饮料");
            a.m_unit->setCurrentText("瓶");
            QTest::mouseClick(a.m_addUnit, Qt::LeftButton);
            QCOMPARE(a.m_units->rowCount(), 1);
            typeCell(a.m_units, 0, 0, "箱");
            typeCell(a.m_units, 0, 1, "1");
            typeCell(a.m_units, 0, 2, "690012");
            SaveShot(&a, "basic_goods_units");
            QTest::mouseClick(a.m_ok, Qt::LeftButton);
            QCOMPARE(Texts(port), QStringList{"换算必须是不小于2的整数！"});
            // Refused before anything is stored, the form as typed.
            QVERIFY(a.isVisible());
            QVERIFY(!FindGoodsInMain("G1"));
            QCOMPARE(a.m_units->item(0, 2)->text(), QStringLiteral("690012"));
            typeCell(a.m_units, 0, 1, "12");
            // An empty row is no unit.
            QTest::mouseClick(a.m_addUnit, Qt::LeftButton);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::mouseClick(a.m_ok, Qt::LeftButton);
            QCOMPARE(a.result(), int(QDialog::Accepted));
        }
        QCOMPARE(storedUnits(), QStringList{"箱=12|690012"});
        {
            CChild_Jichu_Product_AddDlg a(*FindGoodsInMain("G1"));
            a.show();
            a.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&a));
            QCOMPARE(a.m_units->rowCount(), 1);
            QCOMPARE(a.m_units->item(0, 0)->text() + a.m_units->item(0, 1)->text() +
                         a.m_units->item(0, 2)->text(),
                     QStringLiteral("箱12690012"));
            // Another unit added, 箱 removed by its button.
            QTest::mouseClick(a.m_addUnit, Qt::LeftButton);
            typeCell(a.m_units, 1, 0, "包");
            typeCell(a.m_units, 1, 1, "6");
            typeCell(a.m_units, 1, 4, "15.5");
            SaveShot(&a, "basic_goods_units_filled");
            const QRect first = a.m_units->visualRect(a.m_units->model()->index(0, 0));
            QTest::mouseClick(a.m_units->viewport(), Qt::LeftButton, {}, first.center());
            QTest::mouseClick(a.m_removeUnit, Qt::LeftButton);
            QTest::mouseClick(a.m_ok, Qt::LeftButton);
            QCOMPARE(a.result(), int(QDialog::Accepted));
        }
        QCOMPARE(storedUnits(), QStringList{"包=6|"});
    }

    // The search boxes of the goods and business-unit windows narrow their lists with every
    // key, within the class or type selected; the goods form fills the 助记码.
    void goodsAndUnitWindowsSearchAsTypedAndTheFormFillsTheSmartName() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.AddGoodsClass("食品", "") && store.AddGoodsClass("水果", "食品"));
            GoodsRecord g;
            for (auto [code, name, smart, cls] :
                 {std::tuple("K1", "键盘", "JP", "食品"), std::tuple("K2", "金盘", "jp", "水果"),
                  std::tuple("P_1", "100%纸", "", "食品")}) {
                g.Code = code;
                g.ProductName = name;
                g.SmartName = smart;
                g.ClassName = cls;
                g.BarCode = g.Code == "P_1" ? "6901234" : "";
                QVERIFY(store.AddGoods(g));
            }
            BusinessUnitRecord u;
            u.CustomerCode = "S1";
            u.CustomerName = "华东电子";
            u.CustomerContact = "Wang";
            u.CustomerTel = "021-5555";
            u.CustomerType = "供应商";
            QVERIFY(store.AddBusinessUnit(u));
            u = {};
            u.CustomerCode = "C1";
            u.CustomerName = "Li_Shop";
            u.CustomerMobile = "13800001111";
            u.CustomerType = "客户";
            QVERIFY(store.AddBusinessUnit(u));
        }
        CScopedScriptedPort port;
        auto clear = [](QLineEdit* box) {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Backspace);
        };
        {
            CChild_Jichu_ProductDlg w;
            w.show();
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), (QStringList{"P_1", "K2", "K1"}));
            QTest::keyClicks(w.m_search, "j");
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), (QStringList{"K2", "K1"}));
            QTest::keyClicks(w.m_search, "P");
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), (QStringList{"K2", "K1"}));
            w.m_tree->setCurrentItem(FindItem(w.m_tree, "食品")); // search kept
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"K1"});
            clear(w.m_search);
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"),
                     (QStringList{"P_1", "K1"})); // the class again
            QTest::keyClicks(w.m_search, "%");
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"P_1"});
            clear(w.m_search);
            QTest::keyClicks(w.m_search, "6901");
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"P_1"});
            // Enter goes on to the list (first row), never to the add button.
            QTest::keyClick(w.m_search, Qt::Key_Return);
            QCOMPARE(SelectedRow(w.m_list), 0);
            // Deleting a row found deletes that goods item.
            w.m_delete->click();
            QCOMPARE(Texts(port).last(), QStringLiteral("是否要删除商品编码为\" P_1 \"的商品？\r\n"
                                                        "删除商品之前请确定此商品没有使用过。"));
            QCOMPARE(w.m_list->model()->rowCount(), 0);
            clear(w.m_search);
            QCOMPARE(ColumnTexts(w.m_list->model(), "商品编码"), QStringList{"K1"});
            QTest::keyClicks(w.m_search, "  K ");
            SaveShot(&w, "search_goods");
        }
        {
            CChild_Jichu_CustomerDlg w;
            w.show();
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), (QStringList{"C1", "S1"}));
            QTest::keyClicks(w.m_search, "wang");
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"S1"});
            clear(w.m_search);
            QTest::keyClicks(w.m_search, "0001111");
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"C1"});
            w.m_types->selectRow(0); // 供应商, search kept
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{});
            clear(w.m_search);
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"S1"});
            QTest::keyClicks(w.m_search, "021-");
            QTest::keyClick(w.m_search, Qt::Key_Return);
            QCOMPARE(w.State().SelectedCode(), std::string("S1"));
        }
        // The form fills the 助记码 from the name until one is typed.
        CChild_Jichu_Product_AddDlg a;
        a.show();
        TypeText(a.m_name, "键盘鼠标");
        QCOMPARE(a.m_smartName->text(), QStringLiteral("JPSB"));
        clear(a.m_smartName);
        QTest::keyClicks(a.m_smartName, "kb");
        TypeText(a.m_name, "垫");
        QCOMPARE(a.m_smartName->text(), QStringLiteral("kb"));
        clear(a.m_smartName);
        QTest::keyClicks(a.m_code, "N1");
        a.m_className->setText("食品");
        a.m_ok->click(); // an empty 助记码 is filled on confirming
        QCOMPARE(a.m_goods.SmartName, std::string("JPSBD"));
        CDataStore store;
        QVERIFY(store.ConnectMain());
        QCOMPARE(Q(FindGoods(store, "N1")->SmartName), QStringLiteral("JPSBD"));
    }

    void businessUnitWindowFiltersAddsAndDeletes() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        AddConfigListEntry("area", "华东", "");
        MainWindow main;
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_CustomerDlg>([&](CChild_Jichu_CustomerDlg& w) {
            w.show();
            QCOMPARE(w.windowTitle(), QStringLiteral("   往来单位信息管理"));
            QCOMPARE(Headers(w.m_types), QStringList{"往来单位类型 200"});
            QCOMPARE(ColumnTexts(w.m_types->model(), "往来单位类型"),
                     (QStringList{"供应商", "客户"}));
            // The list's layout itself: these columns where they stand, 120 wide.
            QStringList headers = Headers(w.m_list);
            QCOMPARE(headers.size(), 15);
            QCOMPARE(headers[0], QStringLiteral("单位编码 120"));
            QCOMPARE(headers[11], QStringLiteral("客户email 120"));
            QCOMPARE((QStringList{w.m_add->text(), w.m_delete->text(), w.m_back->text()}),
                     (QStringList{"增加往来单位", "删除", "返回"}));

            auto add = [&](const QString& code, const QString& name, const QString& type) {
                driver.Then<CChild_Jichu_Customer_AddDlg>([=](CChild_Jichu_Customer_AddDlg& a) {
                    a.m_code->setText(code);
                    a.m_name->setText(name);
                    a.m_type->setCurrentText(type);
                    a.m_ok->click();
                });
                w.m_add->click();
            };
            driver.Then<CChild_Jichu_Customer_AddDlg>([&](CChild_Jichu_Customer_AddDlg& a) {
                a.show();
                QCOMPARE(a.windowTitle(), QStringLiteral("添加往来单位信息"));
                QCOMPARE(a.m_type->count(), 2);
                QCOMPARE(a.m_type->itemText(0), QStringLiteral("供应商"));
                QCOMPARE(a.m_type->currentIndex(), -1);
                QCOMPARE(a.m_area->itemText(0), QStringLiteral("华东"));
                QCOMPARE(a.m_code->parentWidget()->property("title").toString(),
                         QStringLiteral("基本信息"));
                QCOMPARE(a.m_qq->parentWidget()->property("title").toString(),
                         QStringLiteral("补充信息"));
                QCOMPARE(a.m_back->text(), QStringLiteral("返回"));
                SaveShot(&a, "basic_units_add");
                a.m_code->setText("S1");
                a.m_ok->click();
                QCOMPARE(Texts(port), QStringList{"单位名称不能为空！"});
                a.m_name->setText("甲厂");
                a.m_ok->click();
                QCOMPARE(Texts(port).last(), QStringLiteral("单位类型不能为空！"));
                a.m_type->setCurrentIndex(0);
                a.m_area->setCurrentIndex(0);
                a.m_qq->setText("123");
                a.m_ok->click();
            });
            w.m_add->click();
            add("C1", "乙店", "客户");
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), (QStringList{"C1", "S1"}));
            QCOMPARE(ColumnTexts(w.m_list->model(), "地区").value(1), QStringLiteral("华东"));
            QCOMPARE(ColumnTexts(w.m_list->model(), "客户QQ").value(1), QStringLiteral("123"));

            // A code that exists is refused in the program's words; the window keeps what was
            // typed.
            driver.Then<CChild_Jichu_Customer_AddDlg>([&](CChild_Jichu_Customer_AddDlg& a) {
                a.show();
                port.Clear();
                QTest::keyClicks(a.m_code, "C1");
                a.m_name->setText("重复");
                a.m_type->setCurrentIndex(1);
                QTest::mouseClick(a.m_ok, Qt::LeftButton);
                QCOMPARE(Texts(port), QStringList{"单位编码“C1”已经存在，请换一个编码！"});
                QVERIFY(a.isVisible());
                QCOMPARE(a.m_code->text(), QStringLiteral("C1"));
                QCOMPARE(a.m_name->text(), QStringLiteral("重复"));
                a.m_back->click();
            });
            w.m_add->click();

            w.m_types->selectRow(0);
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"S1"});
            SaveShot(&w, "basic_units");

            port.Clear();
            w.m_delete->click();
            QCOMPARE(Texts(port), QStringList{"请点击选择要删除的项目！"});
            w.m_list->selectRow(0);
            port.QueueAnswer(false);
            w.m_delete->click();
            QCOMPARE(Texts(port).last(), QStringLiteral("删除单位编码为 S1 的客户吗？"));
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"S1"});
            port.QueueAnswer(true);
            w.m_delete->click();
            QCOMPARE(w.m_list->model()->rowCount(), 0);
            w.m_types->selectRow(1);
            QCOMPARE(ColumnTexts(w.m_list->model(), "单位编码"), QStringList{"C1"});
            w.m_back->click();
        });
        main.Click(6, "往来单位信息");
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(driver.Pending(), size_t(0));
    }
    // The bill windows' picker opens the real list windows for "管理列表" and shows the change.
    void pickerManagesItsListThroughTheListWindow() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        AddConfigListEntry("warehouse", "一号库", "");
        CScopedScriptedPort port;
        CModalDriver driver;
        driver.Then<CChild_Jichu_WarehouseDlg>([&](CChild_Jichu_WarehouseDlg& w) {
            QCOMPARE(ColumnTexts(w.m_list->model(), "仓库名称"), QStringList{"一号库"});
            driver.Then<CChild_Jichu_Warehouse_AddDlg>([](CChild_Jichu_Warehouse_AddDlg& a) {
                a.m_nameEdit->setText("主仓");
                a.m_ok->click();
            });
            w.m_add->click();
            w.m_back->click();
        });
        QStringList shown;
        CPaletteListDlg::SetScriptForTest([&](CPaletteListDlg& p) {
            p.ManageButton()->click();
            for (int row = 0; row < p.List()->GetItemCount(); ++row)
                shown << p.List()->GetItemText(row, ColumnOf(p.List(), "仓库名称"));
        });
        CPaletteListDlg picker;
        picker.SetKind("palette_cangku");
        picker.exec();
        CPaletteListDlg::SetScriptForTest(nullptr);
        QCOMPARE(driver.Opened(),
                 (QStringList{"CChild_Jichu_WarehouseDlg", "CChild_Jichu_Warehouse_AddDlg"}));
        QCOMPARE(driver.Problems(), QStringList());
        QCOMPARE(shown, (QStringList{"一号库", "主仓"}));
    }
};

QTEST_MAIN(TestBasic)
#include "tst_basic.moc"
