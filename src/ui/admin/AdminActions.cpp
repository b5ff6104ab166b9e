#include "AdminActions.h"

#include "CChild_Xitong_ManageUserDlg.h"
#include "CChild_Xitong_ManageUser_AddDlg.h"
#include "CChild_Xitong_RestoreDlg.h"
#include "CChild_Xitong_SetupDlg.h"
#include "CChild_Xitong_ViewLogDlg.h"
#include "admin/BackupRestore.h"
#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "bills/BillJournal.h"
#include "port/MessagePort.h"

#include <QApplication>

namespace {
template <class Dlg> void ShowModal(QWidget* parent) {
    Dlg dlg(parent);
    dlg.exec();
}
} // namespace

void OpenManageUsers(QWidget* parent) {
    ShowModal<CChild_Xitong_ManageUserDlg>(parent);
}

void OpenOperatorForm(QWidget* parent, const QString& command) {
    if (command == QLatin1String(kRunRe))
        OpenChangePassword(parent);
    else
        RunAddOperatorForm(parent);
}

void RunAddOperatorForm(QWidget* parent) {
    CChild_Xitong_ManageUser_AddDlg form(parent);
    form.SetCommand(QString::fromLatin1(kRunAdd));
    if (form.exec() != QDialog::Accepted ||
        AddOperator(form.UserName(), form.Password(), form.Note()) != AdminResult::Done)
        return;
    // The role's own success text would say again what the added operator's says.
    CHeldMessages held;
    if (SetOperatorRole(form.UserName(), form.Role()) == AdminResult::Done)
        held.Drop();
    else
        held.Release();
}

void OpenChangePassword(QWidget* parent) {
    CChild_Xitong_ManageUser_AddDlg form(parent);
    form.SetCommand(QString::fromLatin1(kRunRe));
    if (form.exec() == QDialog::Accepted)
        ChangeOperatorPassword(form.UserName(), form.Password(), form.Note());
}

void RunBackupAction(QWidget* parent) {
    (void)parent; // the question and the messages go through the message port
    BackupAction();
}

void RunVerifyAction(QWidget* parent) {
    (void)parent; // the result goes through the message port
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const JournalCheck check = VerifyBillJournal();
    QApplication::restoreOverrideCursor();
    // A failed connect has told its reason already.
    if (check.finding != JournalCheck::Finding::Failed || !check.error.empty())
        Messages().Inform(JournalCheckText(check));
}

void OpenRestore(QWidget* parent) {
    ShowModal<CChild_Xitong_RestoreDlg>(parent);
}

void OpenCompanySettings(QWidget* parent) {
    ShowModal<CChild_Xitong_SetupDlg>(parent);
}

void OpenViewLog(QWidget* parent) {
    ShowModal<CChild_Xitong_ViewLogDlg>(parent);
}
