// Every working window and action the panels and the menu can open, by name.
#include "CommandRouting.h"

#include "admin/AdminActions.h"
#include "admin/CChild_Xitong_ManageUserDlg.h"
#include "admin/CChild_Xitong_ManageUser_AddDlg.h"
#include "admin/CChild_Xitong_RestoreDlg.h"
#include "admin/CChild_Xitong_SetupDlg.h"
#include "admin/CChild_Xitong_ViewLogDlg.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Kucun_SunyiDlg.h"
#include "bills/CChild_Kucun_TiaojiaDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"

#include <QDialog>

namespace {
// A working window constructed for one use, told its command word (windows that take one
// have SetCommand), shown modally and discarded.
template <class Dlg> void OpenModal(QWidget* parent, const QString& command) {
    Dlg dlg(parent);
    if constexpr (requires { dlg.SetCommand(command); })
        dlg.SetCommand(command);
    dlg.exec();
}
} // namespace

const std::vector<WindowRow>& WindowTable() {
    static const std::vector<WindowRow> rows = {
        // system administration
        {"CChild_Xitong_SetupDlg", OpenModal<CChild_Xitong_SetupDlg>},
        {"CChild_Xitong_ManageUserDlg", OpenModal<CChild_Xitong_ManageUserDlg>},
        {"CChild_Xitong_ManageUser_AddDlg", OpenOperatorForm},
        {"ChangePasswordAction", [](QWidget* p, const QString&) { OpenChangePassword(p); }},
        {"BackupAction", [](QWidget* p, const QString&) { RunBackupAction(p); }},
        {"CChild_Xitong_RestoreDlg", OpenModal<CChild_Xitong_RestoreDlg>},
        {"CChild_Xitong_ViewLogDlg", OpenModal<CChild_Xitong_ViewLogDlg>},
        // bill entry
        {"CChild_Jinhuo_KaidanDlg", OpenModal<CChild_Jinhuo_KaidanDlg>},
        {"CChild_Xiaoshou_KaidanDlg", OpenModal<CChild_Xiaoshou_KaidanDlg>},
        {"CChild_Kucun_SunyiDlg", OpenModal<CChild_Kucun_SunyiDlg>},
        {"CChild_Kucun_TiaojiaDlg", OpenModal<CChild_Kucun_TiaojiaDlg>},
    };
    return rows;
}
