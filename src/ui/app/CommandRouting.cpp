#include "CommandRouting.h"

#include "admin/RoleAdmin.h"
#include "rights/Functions.h"
#include "store/BillKindNames.h"

namespace {
std::function<void(const QString&, const QString&)>& TestOpener() {
    static std::function<void(const QString&, const QString&)> opener;
    return opener;
}
} // namespace

const std::vector<RouteRow>& RouteTable() {
    using namespace Place;
    static const std::vector<RouteRow> rows = {
        // purchasing panel
        {Caigou, "进货开单", "CChild_Jinhuo_KaidanDlg", KindNames(BillKind::Purchase).routeWord},
        {Caigou, "退货单", "CChild_Jinhuo_KaidanDlg",
         KindNames(BillKind::PurchaseReturn).routeWord},
        {Caigou, "库存状况", "CChild_Kucun_ViewDlg", ""},
        {Caigou, "付款单", "CChild_Caiwu_FukuanDlg", ""},
        {Caigou, "订单", "CChild_Dingdan_ViewDlg", KindNames(BillKind::PurchaseOrder).historyWord},
        // sales panel
        {Xiaoshou, "销售单", "CChild_Xiaoshou_KaidanDlg", KindNames(BillKind::Sale).routeWord},
        {Xiaoshou, "销售退货单", "CChild_Xiaoshou_KaidanDlg",
         KindNames(BillKind::SaleReturn).routeWord},
        {Xiaoshou, "库存状况", "CChild_Kucun_ViewDlg", ""},
        {Xiaoshou, "收款单", "CChild_Caiwu_ShoukuanDlg", ""},
        {Xiaoshou, "订单", "CChild_Dingdan_ViewDlg", KindNames(BillKind::SaleOrder).historyWord},
        {Xiaoshou, "■ 销售利润报表", "CReportProfitDlg", ""},
        // stock panel
        {Kucun, "查看库存", "CChild_Kucun_ViewDlg", ""},
        {Kucun, "报溢单", "CChild_Kucun_SunyiDlg", KindNames(BillKind::Gain).routeWord},
        {Kucun, "报损单", "CChild_Kucun_SunyiDlg", KindNames(BillKind::Loss).routeWord},
        {Kucun, "调价单", "CChild_Kucun_TiaojiaDlg", ""},
        {Kucun, "移库单", "CChild_Kucun_YikuDlg", ""},
        {Kucun, "盘点单", "CChild_Kucun_PandianDlg", ""},
        // finance panel
        {Caiwu, "收款单", "CChild_Caiwu_ShoukuanDlg", ""},
        {Caiwu, "付款单", "CChild_Caiwu_FukuanDlg", ""},
        {Caiwu, "往来对账", "CChild_Caiwu_DuizhangDlg", ""},
        {Caiwu, "账户余额", "CChild_Caiwu_ZhanghuDlg", ""},
        {Kucun, "库存预警", "CChild_Kucun_YujingDlg", ""},
        // label rows of the purchasing, sales and stock panels
        {Labels, "√  商品管理", "CChild_Jichu_ProductDlg", ""},
        {Labels, "√  往来单位管理", "CChild_Jichu_CustomerDlg", ""},
        {Labels, "√  员工管理", "CChild_Jichu_EmployeesDlg", ""},
        {Labels, "√  部门管理", "CChild_Jichu_BumenDlg", ""},
        {Labels, "√  仓库管理", "CChild_Jichu_WarehouseDlg", ""},
        {Labels, "■ 采购记录报表", "CChild_History_ViewDlg",
         KindNames(BillKind::Purchase).historyWord},
        {Labels, "■ 采购退货记录报表", "CChild_History_ViewDlg",
         KindNames(BillKind::PurchaseReturn).historyWord},
        {Labels, "■ 销售记录报表", "CChild_History_ViewDlg", KindNames(BillKind::Sale).historyWord},
        {Labels, "■ 销售退货记录报表", "CChild_History_ViewDlg",
         KindNames(BillKind::SaleReturn).historyWord},
        // basic-data panel
        {Jichu, "商品管理", "CChild_Jichu_ProductDlg", ""},
        {Jichu, "商品分类", "CChild_Jichu_Product_Class_Dlg", ""},
        {Jichu, "银行信息", "CChild_Jichu_BankDlg", ""},
        {Jichu, "往来单位信息", "CChild_Jichu_CustomerDlg", ""},
        {Jichu, "员工管理", "CChild_Jichu_EmployeesDlg", ""},
        {Jichu, "部门管理", "CChild_Jichu_BumenDlg", ""},
        {Jichu, "基本单位", "CChild_Jichu_UnitDlg", ""},
        {Jichu, "地区信息", "CChild_Jichu_AreaDlg", ""},
        {Jichu, "仓库管理", "CChild_Jichu_WarehouseDlg", ""},
        {Jichu, "收入项目(隐藏)", "CChild_Jichu_ShouruDlg", ""},
        {Jichu, "支出项目(隐藏)", "CChild_Jichu_ZhichuDlg", ""},
        {Jichu, "期初数据", "CChild_Jichu_QichuDlg", ""},
        // system panel
        {Xitong, "系统配置", "CChild_Xitong_SetupDlg", ""},
        {Xitong, "管理员管理", "CChild_Xitong_ManageUserDlg", ""},
        {Xitong, "角色管理", "CChild_Xitong_RoleDlg", ""},
        {Xitong, "修改密码", "ChangePasswordAction", ""},
        {Xitong, "备份数据", "BackupAction", ""},
        {Xitong, "恢复数据", "CChild_Xitong_RestoreDlg", ""},
        {Xitong, "数据校验", "VerifyAction", ""},
        {Xitong, "查看日志", "CChild_Xitong_ViewLogDlg", ""},
        // menu
        {Menu, "系统设置", "CChild_Xitong_SetupDlg", ""},
        {Menu, "查看日志", "CChild_Xitong_ViewLogDlg", ""},
        {Menu, "管理员管理", "CChild_Xitong_ManageUserDlg", ""},
        {Menu, "角色管理", "CChild_Xitong_RoleDlg", ""},
        {Menu, "修改密码", "ChangePasswordAction", ""},
        // The menu's backup and restore do what the system panel's buttons do.
        {Menu, "备份数据", "BackupAction", ""},
        {Menu, "恢复数据", "CChild_Xitong_RestoreDlg", ""},
        {Menu, "数据校验", "VerifyAction", ""},
        {Menu, "进货开单", "CChild_Jinhuo_KaidanDlg", KindNames(BillKind::Purchase).routeWord},
        {Menu, "办理进货退货", "CChild_Jinhuo_KaidanDlg",
         KindNames(BillKind::PurchaseReturn).routeWord},
        {Menu, "采购订单", "CChild_Dingdan_ViewDlg",
         KindNames(BillKind::PurchaseOrder).historyWord},
        {Menu, "销售开单", "CChild_Xiaoshou_KaidanDlg", KindNames(BillKind::Sale).routeWord},
        {Menu, "办理销售退货", "CChild_Xiaoshou_KaidanDlg",
         KindNames(BillKind::SaleReturn).routeWord},
        {Menu, "销售订单", "CChild_Dingdan_ViewDlg", KindNames(BillKind::SaleOrder).historyWord},
        {Menu, "报损单", "CChild_Kucun_SunyiDlg", KindNames(BillKind::Loss).routeWord},
        {Menu, "报溢单", "CChild_Kucun_SunyiDlg", KindNames(BillKind::Gain).routeWord},
        {Menu, "存货调价", "CChild_Kucun_TiaojiaDlg", ""},
        {Menu, "移库单", "CChild_Kucun_YikuDlg", ""},
        {Menu, "盘点单", "CChild_Kucun_PandianDlg", ""},
        {Menu, "收款单", "CChild_Caiwu_ShoukuanDlg", ""},
        {Menu, "付款单", "CChild_Caiwu_FukuanDlg", ""},
        {Menu, "往来对账", "CChild_Caiwu_DuizhangDlg", ""},
        {Menu, "账户余额", "CChild_Caiwu_ZhanghuDlg", ""},
        {Menu, "库存预警", "CChild_Kucun_YujingDlg", ""},
        {Menu, "按商品统计报表", "CReportDlg", "run_caigou_product"},
        {Menu, "按经手人统计报表", "CReportDlg", "run_caigou_employees"},
        {Menu, "按部门统计报表", "CReportDlg", "run_caigou_department"},
        {Menu, "进货历史记录报表", "CChild_History_ViewDlg",
         KindNames(BillKind::Purchase).historyWord},
        {Menu, "按商品查看报表", "CReportDlg", "run_sale_product"},
        {Menu, "按经手人查看报表", "CReportDlg", "run_sale_employees"},
        {Menu, "按部门查看报表", "CReportDlg", "run_sale_department"},
        {Menu, "销售历史记录报表", "CChild_History_ViewDlg", KindNames(BillKind::Sale).historyWord},
        {Menu, "进货退货报表", "CChild_History_ViewDlg",
         KindNames(BillKind::PurchaseReturn).historyWord},
        {Menu, "销售退货报表", "CChild_History_ViewDlg",
         KindNames(BillKind::SaleReturn).historyWord},
        {Menu, "移库记录", "CChild_History_ViewDlg", KindNames(BillKind::Transfer).historyWord},
        {Menu, "报损记录", "CChild_History_ViewDlg", KindNames(BillKind::Loss).historyWord},
        {Menu, "报溢记录", "CChild_History_ViewDlg", KindNames(BillKind::Gain).historyWord},
        {Menu, "调价记录", "CChild_History_ViewDlg", KindNames(BillKind::Price).historyWord},
        {Menu, "收款记录", "CChild_History_ViewDlg", KindNames(BillKind::Receipt).historyWord},
        {Menu, "付款记录", "CChild_History_ViewDlg", KindNames(BillKind::Payment).historyWord},
        {Menu, "销售利润报表", "CReportProfitDlg", ""},
    };
    return rows;
}

const RouteRow* FindRoute(const QString& place, const QString& item) {
    for (const auto& r : RouteTable()) {
        if (place == QLatin1String(r.place) && item == QString::fromUtf8(r.item))
            return &r;
    }
    return nullptr;
}

bool RouteAllowed(const QString& place, const QString& item) {
    const RouteRow* r = FindRoute(place, item);
    if (!r)
        return false;
    const auto need = WindowNeed(r->window, r->command);
    return need && CurrentRights().Allows(need->function, need->action);
}

bool OpenWindow(QWidget* parent, const QString& window, const QString& command,
                const WindowPreset& preset) {
    // The operator's role decides before anything opens; a window no function covers never does.
    const auto need = WindowNeed(window.toStdString(), command.toStdString());
    if (!need || !CheckRight(need->function, need->action))
        return false;
    if (TestOpener()) {
        TestOpener()(window, command);
        return true;
    }
    for (const auto& w : WindowTable()) {
        if (window == QLatin1String(w.window)) {
            w.open(parent, command, preset);
            return true;
        }
    }
    return false; // not built yet
}

bool OpenRoute(QWidget* parent, const QString& place, const QString& item) {
    const RouteRow* r = FindRoute(place, item);
    if (!r)
        return false;
    return OpenWindow(parent, QString::fromLatin1(r->window), QString::fromLatin1(r->command));
}

void SetWindowOpenerForTest(std::function<void(const QString&, const QString&)> opener) {
    TestOpener() = std::move(opener);
}
