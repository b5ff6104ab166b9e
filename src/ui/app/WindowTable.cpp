// Every working window and action the panels and the menu can open, by name.
#include "CommandRouting.h"

#include "admin/AdminActions.h"
#include "admin/CChild_Xitong_ManageUserDlg.h"
#include "admin/CChild_Xitong_ManageUser_AddDlg.h"
#include "admin/CChild_Xitong_RestoreDlg.h"
#include "admin/CChild_Xitong_RoleDlg.h"
#include "admin/CChild_Xitong_SetupDlg.h"
#include "admin/CChild_Xitong_ViewLogDlg.h"
#include "basic/CChild_Jichu_CustomerDlg.h"
#include "basic/CChild_Jichu_EmployeesDlg.h"
#include "basic/CChild_Jichu_ProductDlg.h"
#include "basic/CChild_Jichu_Product_Class_Dlg.h"
#include "basic/CChild_Jichu_QichuDlg.h"
#include "basic/SimpleListWindows.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Kucun_PandianDlg.h"
#include "bills/CChild_Kucun_SunyiDlg.h"
#include "bills/CChild_Kucun_TiaojiaDlg.h"
#include "bills/CChild_Kucun_YikuDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"
#include "cost/CReportProfitDlg.h"
#include "finance/CChild_Caiwu_DuizhangDlg.h"
#include "finance/CChild_Caiwu_FukuanDlg.h"
#include "finance/CChild_Caiwu_ShoukuanDlg.h"
#include "finance/CChild_Caiwu_ZhanghuDlg.h"
#include "orders/CChild_Dingdan_KaidanDlg.h"
#include "orders/CChild_Dingdan_ViewDlg.h"
#include "query/CChild_History_ViewDlg.h"
#include "query/CChild_Kucun_ViewDlg.h"
#include "query/CChild_Kucun_YujingDlg.h"
#include "query/CReportDlg.h"
#include "widgets/ModalRunner.h"

#include <QDialog>

namespace {
// A working window constructed for one use, told its command word (windows that take one
// have SetCommand) and its preset if any (windows that take one have StartOn), shown modally and
// discarded.
template <class Dlg>
void OpenModal(QWidget* parent, const QString& command, const WindowPreset& preset) {
    Dlg dlg(parent);
    if constexpr (requires { dlg.SetCommand(command); })
        dlg.SetCommand(command);
    if constexpr (requires { dlg.StartOn(preset); })
        if (!preset.IsEmpty())
            dlg.StartOn(preset);
    RunModal(dlg);
}
// A window or action that takes neither.
template <void (*Open)(QWidget*)> void Plain(QWidget* parent, const QString&, const WindowPreset&) {
    Open(parent);
}
void OperatorForm(QWidget* parent, const QString& command, const WindowPreset&) {
    OpenOperatorForm(parent, command);
}
} // namespace

const std::vector<WindowRow>& WindowTable() {
    static const std::vector<WindowRow> rows = {
        // system administration
        {"CChild_Xitong_SetupDlg", OpenModal<CChild_Xitong_SetupDlg>},
        {"CChild_Xitong_ManageUserDlg", OpenModal<CChild_Xitong_ManageUserDlg>},
        {"CChild_Xitong_ManageUser_AddDlg", OperatorForm},
        {"CChild_Xitong_RoleDlg", OpenModal<CChild_Xitong_RoleDlg>},
        {"ChangePasswordAction", Plain<OpenChangePassword>},
        {"BackupAction", Plain<RunBackupAction>},
        {"VerifyAction", Plain<RunVerifyAction>},
        {"CChild_Xitong_RestoreDlg", OpenModal<CChild_Xitong_RestoreDlg>},
        {"CChild_Xitong_ViewLogDlg", OpenModal<CChild_Xitong_ViewLogDlg>},
        // bill entry
        {"CChild_Jinhuo_KaidanDlg", OpenModal<CChild_Jinhuo_KaidanDlg>},
        {"CChild_Xiaoshou_KaidanDlg", OpenModal<CChild_Xiaoshou_KaidanDlg>},
        {"CChild_Kucun_SunyiDlg", OpenModal<CChild_Kucun_SunyiDlg>},
        {"CChild_Kucun_TiaojiaDlg", OpenModal<CChild_Kucun_TiaojiaDlg>},
        {"CChild_Kucun_YikuDlg", OpenModal<CChild_Kucun_YikuDlg>},
        {"CChild_Kucun_PandianDlg", OpenModal<CChild_Kucun_PandianDlg>},
        // orders
        {"CChild_Dingdan_KaidanDlg", OpenModal<CChild_Dingdan_KaidanDlg>},
        {"CChild_Dingdan_ViewDlg", OpenModal<CChild_Dingdan_ViewDlg>},
        // finance
        {"CChild_Caiwu_ShoukuanDlg", OpenModal<CChild_Caiwu_ShoukuanDlg>},
        {"CChild_Caiwu_FukuanDlg", OpenModal<CChild_Caiwu_FukuanDlg>},
        {"CChild_Caiwu_DuizhangDlg", OpenModal<CChild_Caiwu_DuizhangDlg>},
        {"CChild_Caiwu_ZhanghuDlg", OpenModal<CChild_Caiwu_ZhanghuDlg>},
        // queries and reports
        {"CChild_Kucun_ViewDlg", OpenModal<CChild_Kucun_ViewDlg>},
        {"CChild_History_ViewDlg", OpenModal<CChild_History_ViewDlg>},
        {"CReportDlg", OpenModal<CReportDlg>},
        {"CReportProfitDlg", OpenModal<CReportProfitDlg>},
        {"CChild_Kucun_YujingDlg", OpenModal<CChild_Kucun_YujingDlg>},
        // basic data
        {"CChild_Jichu_ProductDlg", OpenModal<CChild_Jichu_ProductDlg>},
        {"CChild_Jichu_Product_Class_Dlg", OpenModal<CChild_Jichu_Product_Class_Dlg>},
        {"CChild_Jichu_CustomerDlg", OpenModal<CChild_Jichu_CustomerDlg>},
        {"CChild_Jichu_EmployeesDlg", OpenModal<CChild_Jichu_EmployeesDlg>},
        {"CChild_Jichu_BumenDlg", OpenModal<CChild_Jichu_BumenDlg>},
        {"CChild_Jichu_WarehouseDlg", OpenModal<CChild_Jichu_WarehouseDlg>},
        {"CChild_Jichu_BankDlg", OpenModal<CChild_Jichu_BankDlg>},
        {"CChild_Jichu_UnitDlg", OpenModal<CChild_Jichu_UnitDlg>},
        {"CChild_Jichu_AreaDlg", OpenModal<CChild_Jichu_AreaDlg>},
        {"CChild_Jichu_ShouruDlg", OpenModal<CChild_Jichu_ShouruDlg>},
        {"CChild_Jichu_ZhichuDlg", OpenModal<CChild_Jichu_ZhichuDlg>},
        {"CChild_Jichu_QichuDlg", OpenModal<CChild_Jichu_QichuDlg>},
    };
    return rows;
}
