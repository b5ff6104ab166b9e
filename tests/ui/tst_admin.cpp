// Administration windows: operators, change password, backup and restore, settings, log.
#include "BillTestSupport.h"
#include "UiTestSupport.h"

#include "admin/AdminActions.h"
#include "admin/BackupRestore.h"
#include "admin/CChild_Xitong_ManageUserDlg.h"
#include "admin/CChild_Xitong_ManageUser_AddDlg.h"
#include "admin/CChild_Xitong_RestoreDlg.h"
#include "admin/CChild_Xitong_RoleDlg.h"
#include "admin/CChild_Xitong_SetupDlg.h"
#include "admin/CChild_Xitong_ViewLogDlg.h"
#include "admin/CTextTableModel.h"
#include "admin/CompanySettings.h"
#include "admin/OperationLog.h"
#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "app/Cferix_razazApp.h"
#include "app/Cferix_razazDlg.h"
#include "app/MainPanels.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "store/WriteLock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <functional>

namespace {
using Texts = std::vector<std::string>;

QStringList Headers(const QTableView* view) {
    QStringList h;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        h << view->model()->headerData(c, Qt::Horizontal).toString();
    return h;
}

// Every column at least `width` wide (its starting width; contents and the window widen it).
bool AllColumnsWide(const QTableView* view, int width) {
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (view->columnWidth(c) < width)
            return false;
    }
    return true;
}

void SelectRow(QTableView* view, int row) {
    view->setFocus();
    view->selectRow(row);
}

bool CanLogIn(const std::string& user, const std::string& password) {
    CDataStore store;
    return store.ConnectOther() && store.CheckLogin(user, password);
}

std::vector<std::string> GoodsCodes() {
    std::vector<std::string> codes;
    CDataStore store;
    if (store.ConnectMain())
        store.Run("select Code from ferix_product order by Id", {},
                  [&](const CStatement& st) { codes.push_back(st.Text(0)); });
    return codes;
}

// Where a click ticks the check box of a cell: the box as the view's delegate lays it out.
QPoint CheckBoxOf(const QAbstractItemView* view, const QModelIndex& index) {
    struct Layout : QStyledItemDelegate {
        using QStyledItemDelegate::initStyleOption;
    } layout;
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.widget = view;
    option.rect = view->visualRect(index);
    layout.initStyleOption(&option, index);
    return view->style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view)
        .center();
}

// The last `n` entries of the operation log, oldest first.
QStringList LastLogEvents(size_t n) {
    const auto log = LoadOperationLog();
    QStringList events;
    for (size_t i = log.size() > n ? log.size() - n : 0; i < log.size(); ++i)
        events << QString::fromStdString(log[i].Event);
    return events;
}

// A role's rights as ShowRole gives them: "code:actions" each.
QStringList RoleRights(const std::string& role) {
    QStringList rights;
    for (const auto& r : ShowRole(role).value_or(std::vector<RoleRightRow>{}))
        rights << QString::fromLatin1(r.function->code) + ":" +
                      QString::fromStdString(ActionSetText(r.actions));
    return rights;
}

void AddGoods(const std::string& code) {
    CDataStore store;
    if (store.ConnectMain())
        store.ExecuteSql("insert into ferix_product(Code) values(?)", {code});
}
} // namespace

class TestAdmin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

    void userListAddsAndDeletesOperators() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        {
            CDataStore store;
            QVERIFY(store.ConnectOther());
            QVERIFY(store.AddUser("bob", "pw", "仓管"));
        }
        CScopedScriptedPort port;
        CChild_Xitong_ManageUserDlg dlg;
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("管理员管理"));
        QCOMPARE(Headers(dlg.m_list),
                 QStringList({"管理员", "创建时间", "最后登陆时间", "角色", "备注"}));
        QVERIFY(AllColumnsWide(dlg.m_list, 138));
        QCOMPARE(dlg.m_list->selectionBehavior(), QAbstractItemView::SelectRows);
        // Newest first; passwords are never shown.
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"bob", "admin"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "备注"), QStringList({"仓管", ""}));
        SaveShot(&dlg, "manage_users");

        dlg.m_delete->click();
        QCOMPARE(port.Texts(), Texts{"请选中要删除的管理员！"});

        // Add through the form, first with an empty name (refused, form stays open).
        port.Clear();
        OnNextModal(
            [&](QDialog* d) {
                auto* form = qobject_cast<CChild_Xitong_ManageUser_AddDlg*>(d);
                QVERIFY(form);
                QCOMPARE(form->windowTitle(), QStringLiteral("添加管理员"));
                QCOMPARE(form->m_passwordLabel->text(), QStringLiteral("密码："));
                QVERIFY(form->m_userName->isEnabled());
                QCOMPARE(form->m_password->echoMode(), QLineEdit::Password);
                form->m_ok->click();
                QVERIFY(form->isVisible());
                QTest::keyClicks(form->m_userName, "carol'%");
                QTest::keyClicks(form->m_password, "c1");
                form->m_note->setPlainText("出纳\n第二行");
                SaveShot(form, "operator_form_add");
                form->m_ok->click();
            },
            &dlg);
        dlg.m_add->click();
        QCOMPARE(port.Texts(), (Texts{"账号不可以为空，请填写。", "添加管理员成功！"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"carol'%", "bob", "admin"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "备注").value(0), QStringLiteral("出纳\n第二行"));
        QVERIFY(CanLogIn("CAROL'%", "c1"));
        LoginAsAdmin(); // that login made carol, a 营业员, the session's operator

        // Cancel adds nothing.
        OnNextModal([](QDialog* d) { d->reject(); }, &dlg);
        dlg.m_add->click();
        QCOMPARE(dlg.m_model->rowCount(), 3);

        // Delete: No keeps, Yes removes the selected one.
        port.Clear();
        SelectRow(dlg.m_list, 1);
        port.QueueAnswer(false);
        dlg.m_delete->click();
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"carol'%", "bob", "admin"}));
        SelectRow(dlg.m_list, 0);
        QTest::keyClick(dlg.m_list, Qt::Key_Delete);
        QCOMPARE(port.Texts(), (Texts{"确定要删除吗", "确定要删除吗"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"bob", "admin"}));
        SelectRow(dlg.m_list, 1);
        dlg.m_delete->click(); // the logged-in operator may go
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"bob"}));

        // The last operator stays.
        port.Clear();
        SelectRow(dlg.m_list, 0);
        dlg.m_delete->click();
        QCOMPARE(port.Texts(), Texts{"不能删除最后一个管理员，否则将无法再登录程序！"});
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"bob"}));

        dlg.m_back->click();
        QVERIFY(!dlg.isVisible());
    }

    void changePasswordFormShowsTheOperatorAndChangesIt() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        App().m_currentUser.Note = "老板";
        CScopedScriptedPort port;
        OnNextModal([](QDialog* d) {
            auto* form = qobject_cast<CChild_Xitong_ManageUser_AddDlg*>(d);
            QVERIFY(form);
            QCOMPARE(form->Command(), QStringLiteral("run_re"));
            QCOMPARE(form->m_userName->text(), QStringLiteral("admin"));
            QVERIFY(!form->m_userName->isEnabled());
            QCOMPARE(form->m_passwordLabel->text(), QStringLiteral("新密码："));
            QCOMPARE(form->m_note->toPlainText(), QStringLiteral("老板"));
            SaveShot(form, "operator_form_password");
            QTest::keyClicks(form->m_password, "neu'pw");
            QTest::keyClick(form->m_password, Qt::Key_Return); // Enter is "确定"
        });
        OpenChangePassword(nullptr);
        QCOMPARE(port.Texts(), Texts{"修改密码成功！"});
        QVERIFY(!CanLogIn("admin", ""));
        QVERIFY(CanLogIn("admin", "neu'pw"));
        QCOMPARE(QString::fromStdString(App().m_currentUser.Note), QStringLiteral("老板"));
    }

    void backupAndRestoreWindow() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        CScopedScriptedPort port;
        AddGoods("G1");
        port.QueueAnswer(false);
        RunBackupAction(nullptr);
        QVERIFY(ListBackups().empty());
        RunBackupAction(nullptr);
        QCOMPARE(port.Texts(),
                 (Texts{"是否备份现在的数据？", "是否备份现在的数据？", "数据备份成功！"}));
        AddGoods("G2");
        {
            std::ofstream junk(folder.Dir() / "Backup" / "00-junk.bak");
            junk << "no database";
        }

        CChild_Xitong_RestoreDlg dlg;
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("数据恢复"));
        QCOMPARE(dlg.m_frame->title(), QStringLiteral("选择要恢复的数据备份"));
        QCOMPARE(Headers(dlg.m_list), QStringList({"备份文件", "文件大小"}));
        QCOMPARE(ColumnWidth(dlg.m_list, "文件大小"), 138);
        QVERIFY(ColumnWidth(dlg.m_list, "备份文件") >= 138);
        QCOMPARE(dlg.m_model->rowCount(), 2);
        // The newest first: the time-stamped backup before the hand-made file.
        const QString backup = CellText(dlg.m_model, 0, "备份文件");
        QVERIFY(backup.endsWith(".bak") && backup.contains('@'));
        QVERIFY(CellText(dlg.m_model, 0, "文件大小").endsWith(" MB"));
        QCOMPARE(CellText(dlg.m_model, 1, "备份文件"), QStringLiteral("00-junk.bak"));
        QCOMPARE(CellText(dlg.m_model, 1, "文件大小"), QStringLiteral("0.00 MB"));
        SaveShot(&dlg, "restore");

        port.Clear();
        dlg.m_restore->click();
        QCOMPARE(port.Texts(), Texts{"请先选中要恢复的数据备份！"});

        // A file that is no backup: refused before any question, the data stays.
        port.Clear();
        SelectRow(dlg.m_list, 1);
        dlg.m_restore->click();
        QCOMPARE(port.Texts(),
                 Texts{"不能恢复“00-junk.bak”：它不是数据库文件。\r\n现有数据没有改变。"});
        QCOMPARE(GoodsCodes(), (Texts{"G1", "G2"}));
        QVERIFY(dlg.isVisible());

        port.Clear();
        SelectRow(dlg.m_list, 0);
        port.QueueAnswer(false);
        dlg.m_restore->click();
        QCOMPARE(GoodsCodes(), (Texts{"G1", "G2"}));
        QVERIFY(dlg.isVisible());

        QTest::keyClick(dlg.m_list, Qt::Key_Return); // Enter restores, after the question
        const std::string name = backup.toStdString();
        QCOMPARE(port.Texts(), (Texts{"是否恢复数据数据(" + name + ")，回复后将替换现有数据？",
                                      "是否恢复数据数据(" + name + ")，回复后将替换现有数据？",
                                      "数据恢复成功！"}));
        QCOMPARE(GoodsCodes(), Texts{"G1"});
        // The window closes once the message of the restore has been shown.
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        // The data it replaced is listed as a backup of its own.
        CChild_Xitong_RestoreDlg again;
        again.show();
        QCOMPARE(again.m_model->rowCount(), 3);
        QVERIFY(ColumnTexts(again.m_model, "备份文件").join('|').contains("恢复前自动备份"));
        again.m_cancel->click();
        QVERIFY(!again.isVisible());

        // A restore that fails (the data file is being written) closes the window as well,
        // after its message, and leaves the data as it was.
        CDataStore writer;
        QVERIFY(writer.ConnectMain());
        QVERIFY(writer.Begin());
        QVERIFY(writer.ExecuteSql("insert into ferix_product(Code) values('G3')"));
        CChild_Xitong_RestoreDlg locked;
        locked.show();
        SelectRow(locked.m_list, int(ColumnTexts(locked.m_model, "备份文件").indexOf(backup)));
        port.Clear();
        port.QueueAnswer(true);
        // The restore waits for the writer's transaction, here not at all.
        CFileWriteLock::SetExclusiveWaitForTest(0);
        QTest::mouseClick(locked.m_restore, Qt::LeftButton);
        CFileWriteLock::SetExclusiveWaitForTest(-1);
        QCOMPARE(port.Texts().back(),
                 std::string("数据恢复失败！\r\n其他工作站正在写入数据，数据恢"
                             "复没有进行。请稍后再试。\r\n现有数据没有改变。"));
        QVERIFY(!locked.isVisible());
        QCOMPARE(locked.result(), int(QDialog::Rejected));
        writer.Rollback();
        QCOMPARE(GoodsCodes(), Texts{"G1"});
    }

    void settingsWindowSavesAndTheApplicationSeesIt() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        CScopedScriptedPort port;
        {
            CChild_Xitong_SetupDlg dlg;
            dlg.show();
            QCOMPARE(dlg.windowTitle(), QStringLiteral("系统设置"));
            QVERIFY(!dlg.m_costing->isVisible());
            QVERIFY(!dlg.m_costingLabel->isVisible());
            QCOMPARE(dlg.m_costing->count(), 2);
            QCOMPARE(dlg.m_costing->itemText(0), QStringLiteral("加权平均法"));
            QCOMPARE(dlg.m_costing->itemText(1), QStringLiteral("指定批次法"));
            QCOMPARE(dlg.m_costing->currentIndex(), 0);
            QVERIFY(dlg.m_name->text().isEmpty());
            SaveShot(&dlg, "settings");
            dlg.m_name->setText(QStringLiteral("华东'商贸%"));
            dlg.m_tel->setText("010-1");
            dlg.m_addr->setText("上海");
            dlg.m_cancel->click();
        }
        QVERIFY(LoadCompanySettings().CompanyName.empty());

        CDataStore store;
        QVERIFY(store.ConnectOther());
        QVERIFY(store.SaveSettings({"", "", "", "", "指定批次法", ""}));
        {
            CChild_Xitong_SetupDlg dlg;
            dlg.show();
            QCOMPARE(dlg.m_costing->currentIndex(), 1);
            dlg.m_name->setText(QStringLiteral("华东'商贸%"));
            dlg.m_zip->setText("200000");
            QTest::keyClick(dlg.m_name, Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
        QCOMPARE(QString::fromStdString(App().m_settings.CompanyName),
                 QStringLiteral("华东'商贸%"));
        QCOMPARE(QString::fromStdString(App().m_settings.CompanyZip), QStringLiteral("200000"));
        QCOMPARE(QString::fromStdString(App().m_settings.Chengben), QStringLiteral("指定批次法"));
        QCOMPARE(QString::fromStdString(store.ListLog().back().Event),
                 QStringLiteral("修改公司基本信息"));
        QVERIFY(port.Texts().empty());
    }

    void logViewShowsNewestFirstAndClears() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        WriteLogEntry("进货操作");
        WriteLogEntry("销售操作");
        const QString backup =
            QStringLiteral("数据备份成功！数据文件(Backup/26-12-08@10-15-00(恢复前自动备份).tdb)");
        WriteLogEntry(backup.toStdString());
        CScopedScriptedPort port;
        CChild_Xitong_ViewLogDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCoreApplication::processEvents();
        // The longest entry is read whole, with its operator and time beside it in the window.
        const int entryColumn = ColumnOf(dlg.m_model, "操作记录");
        QVERIFY(dlg.m_list->fontMetrics().horizontalAdvance(backup) <
                dlg.m_list->columnWidth(entryColumn));
        int all = 0;
        for (int c = 0; c < dlg.m_model->columnCount(); ++c)
            all += dlg.m_list->columnWidth(c);
        QCOMPARE(all, dlg.m_list->viewport()->width());
        // Enter does not clear the log: 返回 is the default button.
        QVERIFY(dlg.m_back->isDefault());
        QVERIFY(!dlg.m_clear->isDefault());
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QVERIFY(port.Texts().empty());
        QCOMPARE(LoadOperationLog().size(), size_t(3));
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("日志查看"));
        QCOMPARE(Headers(dlg.m_list), QStringList({"操作记录", "操作者", "操作时间"}));
        QVERIFY(AllColumnsWide(dlg.m_list, 138));
        QCOMPARE(ColumnTexts(dlg.m_model, "操作记录"),
                 QStringList({backup, "销售操作", "进货操作"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "操作者"), QStringList({"admin", "admin", "admin"}));
        SaveShot(&dlg, "view_log");

        port.QueueAnswer(false);
        dlg.m_clear->click();
        QCOMPARE(dlg.m_model->rowCount(), 3);
        dlg.m_clear->click();
        QCOMPARE(port.Texts(), (Texts{"是否要情况日志？", "是否要情况日志？"}));
        // What remains is the clearing itself: who did it, and when.
        QCOMPARE(ColumnTexts(dlg.m_model, "操作记录"), QStringList({"清除操作日志"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "操作者"), QStringList({"admin"}));
        QCOMPARE(LoadOperationLog().size(), size_t(1));
        dlg.m_back->click();
        QVERIFY(!dlg.isVisible());
    }

    // "数据校验" on the system panel: the posted bills whole, then one changed outside the
    // program named; both results in the operation log.
    void verifyItemTellsWhetherThePostedBillsAreWhole() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        for (const char* quantity : {"10", "4"}) {
            CBill bill(BillKind::Purchase);
            bill.m_customer = "甲供应商";
            bill.m_department = "销售部";
            bill.m_warehouse = "一号库";
            bill.m_employee = "李四";
            bill.m_account = "工行";
            GoodsRecord g;
            g.Code = "G001";
            g.ProductName = "可乐";
            bill.AppendGoods(g);
            bill.ChooseCell(0, BillColumn(BillKind::Purchase, "单位"), "瓶");
            bill.EditCell(0, BillColumn(BillKind::Purchase, "数量"), quantity);
            bill.EditCell(0, BillColumn(BillKind::Purchase, "单价"), "2.50");
            bill.GiveNumber(std::string("JH-") + quantity);
            CScopedScriptedPort quiet;
            QCOMPARE(bill.Save(), PostOutcome::Posted);
        }
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.show();
        w.SelectPanel(7);
        QAbstractButton* item = w.Panel(7)->FindItem("数据校验");
        QVERIFY(item);
        QTest::mouseClick(item, Qt::LeftButton);
        QCOMPARE(port.Texts(), Texts{"单据记录完整：2 张单据。"});

        {
            CDataStore store;
            QVERIFY(store.ConnectMain());
            QVERIFY(store.Run("update EnterStock_Detail set Product_Price = '2.00' where Bill_ID"
                              " = 'JH-4'",
                              {}));
        }
        QTest::mouseClick(item, Qt::LeftButton);
        QCOMPARE(port.Texts().back(),
                 std::string("单据记录不一致：进货单“JH-4”在本程序之外被修改！"));
        const auto log = LoadOperationLog();
        QVERIFY(log.size() >= 2);
        QCOMPARE(log[log.size() - 2].Event, std::string("数据校验：单据记录完整：2 张单据。"));
        QCOMPARE(log.back().Event,
                 std::string("数据校验：单据记录不一致：进货单“JH-4”在本程序之外被修改！"));
    }

    // 角色管理 from the system panel: the roles with their operators, the chosen role's grid,
    // a right ticked in the grid, a warehouse and a price, saved and logged; a copy made with
    // 新建; a role in use refused by 删除, an unused one removed.
    void roleWindowChangesCopiesAndRemovesRoles() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        SeedBillData();
        CScopedScriptedPort port;
        QCOMPARE(AddOperator("clerk", "", ""), AdminResult::Done);
        QCOMPARE(SetOperatorRole("clerk", "营业员"), AdminResult::Done);
        port.Clear();

        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.show();
        w.SelectPanel(7);
        bool ran = false;
        OnNextModal(
            [&](QDialog* opened) {
                auto* dlg = qobject_cast<CChild_Xitong_RoleDlg*>(opened);
                QVERIFY(dlg);
                ran = true;
                QCOMPARE(dlg->windowTitle(), QStringLiteral("角色管理"));
                QCOMPARE(ColumnTexts(dlg->m_roleModel, "角色"),
                         QStringList({"管理员", "店长", "营业员", "仓管", "财务"}));
                QCOMPARE(ColumnTexts(dlg->m_roleModel, "管理员数"),
                         QStringList({"1", "0", "1", "0", "0"}));
                // 管理员 holds everything and changes nothing.
                QCOMPARE(dlg->ChosenRole(), QStringLiteral("管理员"));
                QStandardItem* adminPurchase = dlg->RightCell("purchase", Action::Enter);
                QCOMPARE(adminPurchase->checkState(), Qt::Checked);
                QVERIFY(!(adminPurchase->flags() & Qt::ItemIsUserCheckable));
                QVERIFY(!dlg->m_save->isEnabled() && !dlg->m_delete->isEnabled());

                // 营业员 chosen with a click on its row.
                auto clickRole = [&](int row) {
                    QTest::mouseClick(
                        dlg->m_roles->viewport(), Qt::LeftButton, {},
                        dlg->m_roles->visualRect(dlg->m_roleModel->index(row, 0)).center());
                };
                clickRole(2);
                QCOMPARE(dlg->ChosenRole(), QStringLiteral("营业员"));
                // Modules first, as the function table names them.
                QStringList modules;
                for (int m = 0; m < dlg->m_rightsModel->rowCount(); ++m)
                    modules << dlg->m_rightsModel->item(m)->text();
                QCOMPARE(modules,
                         QStringList({"进货", "销售", "库存", "财务", "报表", "基础数据", "系统"}));
                QCOMPARE(dlg->RightCell("sale", Action::Enter)->checkState(), Qt::Checked);
                QCOMPARE(dlg->RightCell("sale", Action::Reverse)->checkState(), Qt::Unchecked);
                QCOMPARE(dlg->RightCell("purchase", Action::View)->checkState(), Qt::Unchecked);
                // What a function lacks, and what belongs to 管理员 alone, cannot be ticked.
                QVERIFY(!dlg->RightCell("count", Action::Delete)->isCheckable());
                QVERIFY(
                    !(dlg->RightCell("roles", Action::View)->flags() & Qt::ItemIsUserCheckable));
                QCOMPARE(dlg->m_hidden[0]->isChecked(), true);
                QCOMPARE(dlg->m_hidden[1]->isChecked(), true);
                QCOMPARE(dlg->m_hidden[2]->isChecked(), false);
                QStringList warehouses;
                for (int i = 0; i < dlg->m_warehouses->count(); ++i)
                    warehouses << dlg->m_warehouses->item(i)->text();
                QCOMPARE(warehouses, QStringList({"一号库", "二号库"}));
                QCOMPARE(dlg->m_warehouseNote->text(),
                         QStringLiteral("一个也不勾选：可以使用全部仓库。"));
                SaveShot(dlg, "role_window_clerk");

                // Tick 库存预警's 查看, the warehouse 二号库 and the hidden 售价, then save.
                QTreeView* grid = dlg->m_rights;
                QTest::mouseClick(
                    grid->viewport(), Qt::LeftButton, {},
                    CheckBoxOf(grid, dlg->RightCell("stock_warnings", Action::View)->index()));
                QCOMPARE(dlg->RightCell("stock_warnings", Action::View)->checkState(), Qt::Checked);
                QListWidget* list = dlg->m_warehouses;
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  CheckBoxOf(list, list->model()->index(1, 0)));
                QCOMPARE(dlg->m_warehouseNote->text(), QStringLiteral("只能使用勾选的仓库。"));
                QTest::mouseClick(dlg->m_hidden[2], Qt::LeftButton);
                QTest::mouseClick(dlg->m_save, Qt::LeftButton);
                QCOMPARE(port.Texts(), Texts{"修改角色成功！"});
                QCOMPARE(
                    RoleRights("营业员"),
                    QStringList({"sale:查看,录入,打印,导出", "sale_return:查看,录入,打印,导出",
                                 "sale_order:查看,录入,打印,导出", "stock_view:查看",
                                 "stock_warnings:查看", "receipt:查看,录入,打印,导出", "goods:查看",
                                 "customers:查看", "password:录入", "notice:查看"}));
                QCOMPARE(LastLogEvents(3),
                         QStringList({"角色“营业员”增加“库存预警”的权限：查看",
                                      "角色“营业员”的仓库改为：二号库",
                                      "角色“营业员”隐藏的价格改为：进价,成本,售价"}));
                const auto roles = ListRoles();
                QVERIFY(roles && roles->size() == 5);
                QCOMPARE((*roles)[2].warehouses, std::vector<std::string>{"二号库"});
                QCOMPARE((*roles)[2].hides, (std::vector<std::string>{"进价", "成本", "售价"}));
                QCOMPARE(dlg->ChosenRole(), QStringLiteral("营业员"));

                // Another role chosen with a tick not saved: the question, No drops it.
                port.Clear();
                QTest::mouseClick(
                    grid->viewport(), Qt::LeftButton, {},
                    CheckBoxOf(grid, dlg->RightCell("stock_warnings", Action::Print)->index()));
                port.QueueAnswer(false);
                clickRole(3);
                QCOMPARE(port.Texts(), Texts{"角色“营业员”的修改还没有保存，是否保存？"});
                QCOMPARE(dlg->ChosenRole(), QStringLiteral("仓管"));
                clickRole(2);
                QCOMPARE(dlg->RightCell("stock_warnings", Action::Print)->checkState(),
                         Qt::Unchecked);
                QVERIFY(RoleRights("营业员").contains("stock_warnings:查看"));

                // 新建: a copy of the chosen role under a new name.
                port.Clear();
                OnNextModal(
                    [&](QDialog* d) {
                        auto* form = qobject_cast<CChild_Xitong_Role_AddDlg*>(d);
                        QVERIFY(form);
                        QCOMPARE(form->windowTitle(), QStringLiteral("新建角色"));
                        QCOMPARE(form->m_from->currentText(), QStringLiteral("营业员"));
                        TypeText(form->m_name, QStringLiteral("柜台"));
                        QTest::mouseClick(form->m_ok, Qt::LeftButton);
                    },
                    dlg);
                QTest::mouseClick(dlg->m_new, Qt::LeftButton);
                QCOMPARE(port.Texts(), Texts{"添加角色成功！"});
                QCOMPARE(ColumnTexts(dlg->m_roleModel, "角色"),
                         QStringList({"管理员", "店长", "营业员", "仓管", "财务", "柜台"}));
                QCOMPARE(dlg->ChosenRole(), QStringLiteral("柜台"));
                QCOMPARE(dlg->RightCell("stock_warnings", Action::View)->checkState(), Qt::Checked);
                QCOMPARE(dlg->m_hidden[2]->isChecked(), true);
                QCOMPARE(RoleRights("柜台"), RoleRights("营业员"));

                // 删除: refused while clerk has 营业员; 柜台 goes.
                port.Clear();
                clickRole(2);
                QTest::mouseClick(dlg->m_delete, Qt::LeftButton);
                QCOMPARE(port.Texts(), (Texts{"确定要删除角色“营业员”吗？",
                                              "管理员“clerk”的角色是“营业员”，不能删除！"}));
                QCOMPARE(dlg->m_roleModel->rowCount(), 6);
                port.Clear();
                clickRole(5);
                QTest::mouseClick(dlg->m_delete, Qt::LeftButton);
                QCOMPARE(port.Texts(), (Texts{"确定要删除角色“柜台”吗？", "删除角色成功！"}));
                QCOMPARE(ColumnTexts(dlg->m_roleModel, "角色"),
                         QStringList({"管理员", "店长", "营业员", "仓管", "财务"}));
                QCOMPARE(LastLogEvents(2),
                         QStringList({"新建角色“柜台”，复制自“营业员”", "删除角色“柜台”"}));
                QTest::mouseClick(dlg->m_close, Qt::LeftButton);
            },
            &w);
        QTest::mouseClick(w.Panel(7)->FindItem(QStringLiteral("角色管理")), Qt::LeftButton);
        QVERIFY(ran);
    }

    // The operator form's role: a new operator starts as 营业员 and takes the one chosen; an
    // operator's role changes through 修改角色 and a double click, never leaving no 管理员.
    void operatorFormSetsTheRoleAndKeepsAnAdministrator() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        CScopedScriptedPort port;
        CChild_Xitong_ManageUserDlg dlg;
        dlg.show();
        OnNextModal(
            [&](QDialog* d) {
                auto* form = qobject_cast<CChild_Xitong_ManageUser_AddDlg*>(d);
                QVERIFY(form);
                QStringList roles;
                for (int i = 0; i < form->m_role->count(); ++i)
                    roles << form->m_role->itemText(i);
                QCOMPARE(roles, QStringList({"管理员", "店长", "营业员", "仓管", "财务"}));
                QCOMPARE(form->m_role->currentText(), QStringLiteral("营业员"));
                QTest::keyClicks(form->m_userName, "dora");
                QTest::keyClick(form->m_role, Qt::Key_Down);
                QCOMPARE(form->m_role->currentText(), QStringLiteral("仓管"));
                QTest::mouseClick(form->m_ok, Qt::LeftButton);
            },
            &dlg);
        QTest::mouseClick(dlg.m_add, Qt::LeftButton);
        QCOMPARE(port.Texts(), Texts{"添加管理员成功！"});
        QCOMPARE(ColumnTexts(dlg.m_model, "管理员"), QStringList({"dora", "admin"}));
        QCOMPARE(ColumnTexts(dlg.m_model, "角色"), QStringList({"仓管", "管理员"}));
        QCOMPARE(LastLogEvents(2),
                 QStringList({"添加管理员“dora”", "管理员“dora”的角色改为“仓管”"}));

        // The last 管理员 keeps the role: the message shows, the form stays, nothing changes.
        port.Clear();
        SelectRow(dlg.m_list, 1);
        OnNextModal(
            [&](QDialog* d) {
                auto* form = qobject_cast<CChild_Xitong_ManageUser_AddDlg*>(d);
                QVERIFY(form);
                QCOMPARE(form->windowTitle(), QStringLiteral("修改角色"));
                QCOMPARE(form->m_userName->text(), QStringLiteral("admin"));
                QVERIFY(!form->m_userName->isEnabled());
                QVERIFY(form->m_password->isHidden());
                QCOMPARE(form->m_role->currentText(), QStringLiteral("管理员"));
                QTest::keyClick(form->m_role, Qt::Key_Down);
                QTest::mouseClick(form->m_ok, Qt::LeftButton);
                QVERIFY(form->isVisible());
                QTest::mouseClick(form->m_cancel, Qt::LeftButton);
            },
            &dlg);
        QTest::mouseClick(dlg.m_role, Qt::LeftButton);
        QCOMPARE(port.Texts(), Texts{"至少要有一个管理员的角色是“管理员”！"});
        QCOMPARE(ColumnTexts(dlg.m_model, "角色"), QStringList({"仓管", "管理员"}));

        // A double click on dora's row: 管理员 chosen three up from 仓管.
        port.Clear();
        OnNextModal(
            [&](QDialog* d) {
                auto* form = qobject_cast<CChild_Xitong_ManageUser_AddDlg*>(d);
                QVERIFY(form);
                QCOMPARE(form->m_userName->text(), QStringLiteral("dora"));
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(form->m_role, Qt::Key_Up);
                QTest::mouseClick(form->m_ok, Qt::LeftButton);
            },
            &dlg);
        const QPoint doraRow = dlg.m_list->visualRect(dlg.m_model->index(0, 0)).center();
        QTest::mouseClick(dlg.m_list->viewport(), Qt::LeftButton, {}, doraRow);
        QTest::mouseDClick(dlg.m_list->viewport(), Qt::LeftButton, {}, doraRow);
        QCOMPARE(port.Texts(), Texts{"修改管理员角色成功！"});
        QCOMPARE(ColumnTexts(dlg.m_model, "角色"), QStringList({"管理员", "管理员"}));
    }

    // Each item of the system panel, and the menu's backup and restore, open the right thing.
    void systemPanelOpensEachWindow() {
        CTempProgramFolder folder;
        LoginAsAdmin();
        CScopedScriptedPort port;
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.show();
        w.SelectPanel(7);
        const QList<QPair<QString, QString>> windows = {{"系统配置", "系统设置"},
                                                        {"管理员管理", "管理员管理"},
                                                        {"修改密码", "添加管理员"},
                                                        {"恢复数据", "数据恢复"},
                                                        {"查看日志", "日志查看"}};
        for (const auto& [item, title] : windows) {
            QString seen;
            OnNextModal(
                [&seen](QDialog* d) {
                    seen = d->windowTitle();
                    d->reject();
                },
                &w);
            QAbstractButton* button = w.Panel(7)->FindItem(item);
            QVERIFY2(button, qPrintable(item));
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(seen, title);
        }
        port.QueueAnswer(false);
        w.Panel(7)->FindItem("备份数据")->click();
        QCOMPARE(port.Texts(), Texts{"是否备份现在的数据？"});

        QAction* menuBackup = nullptr;
        QAction* menuRestore = nullptr;
        for (QAction* a : w.menuBar()->actions().first()->menu()->actions()) {
            if (a->text() == QStringLiteral("备份数据"))
                menuBackup = a;
            if (a->text() == QStringLiteral("恢复数据"))
                menuRestore = a;
        }
        QVERIFY(menuBackup && menuRestore);
        menuBackup->trigger();
        QCOMPARE(port.Texts().back(), std::string("数据备份成功！"));
        QString seen;
        OnNextModal(
            [&seen](QDialog* d) {
                seen = d->windowTitle();
                d->reject();
            },
            &w);
        menuRestore->trigger();
        QCOMPARE(seen, QStringLiteral("数据恢复"));
    }
};

QTEST_MAIN(TestAdmin)
#include "tst_admin.moc"
