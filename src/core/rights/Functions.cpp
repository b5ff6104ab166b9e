#include "Functions.h"

#include <algorithm>

namespace {
constexpr ActionSet kBillActions = Bit(Action::View) | Bit(Action::Enter) | Bit(Action::Reverse) |
                                   Bit(Action::Print) | Bit(Action::Export);
constexpr ActionSet kOrderActions = Bit(Action::View) | Bit(Action::Enter) | Bit(Action::Delete) |
                                    Bit(Action::Print) | Bit(Action::Export);
constexpr ActionSet kReadActions = Bit(Action::View) | Bit(Action::Print) | Bit(Action::Export);
constexpr ActionSet kListActions = Bit(Action::View) | Bit(Action::Enter) | Bit(Action::Delete);
constexpr ActionSet kEnterOnly = Bit(Action::Enter);
constexpr ActionSet kViewOnly = Bit(Action::View);

const char* const kActionNames[] = {"查看", "录入", "删除", "红冲", "打印", "导出"};

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}
} // namespace

const char* ActionName(Action action) {
    return kActionNames[static_cast<unsigned>(action)];
}

std::optional<Action> ActionByName(std::string_view name) {
    for (Action a : kAllActions)
        if (name == ActionName(a))
            return a;
    return std::nullopt;
}

std::string ActionSetText(ActionSet actions) {
    std::string text;
    for (Action a : kAllActions) {
        if (!(actions & Bit(a)))
            continue;
        if (!text.empty())
            text += ",";
        text += ActionName(a);
    }
    return text;
}

std::optional<ActionSet> ParseActionSet(std::string_view text) {
    ActionSet set = 0;
    if (text.empty())
        return set;
    for (std::string_view part : SplitCommas(text)) {
        auto a = ActionByName(part);
        if (!a)
            return std::nullopt;
        set |= Bit(*a);
    }
    return set;
}

const std::vector<FunctionInfo>& Functions() {
    static const std::vector<FunctionInfo> functions = {
        {"purchase", "进货开单", "进货", kBillActions, false},
        {"purchase_return", "进货退货", "进货", kBillActions, false},
        {"sale", "销售开单", "销售", kBillActions, false},
        {"sale_return", "销售退货", "销售", kBillActions, false},
        // Orders are closed (录入) or voided (删除), never reversed.
        {"purchase_order", "采购订单", "进货", kOrderActions, false},
        {"sale_order", "销售订单", "销售", kOrderActions, false},
        {"loss", "报损单", "库存", kBillActions, false},
        {"gain", "报溢单", "库存", kBillActions, false},
        {"price", "调价单", "库存", kBillActions, false},
        {"transfer", "移库单", "库存", kBillActions, false},
        {"count", "盘点单", "库存", Bit(Action::View) | Bit(Action::Enter), false},
        {"stock_view", "库存状况", "库存", kReadActions, false},
        {"stock_warnings", "库存预警", "库存", kReadActions, false},
        {"receipt", "收款单", "财务", kBillActions, false},
        {"payment", "付款单", "财务", kBillActions, false},
        {"statement", "往来对账", "财务", kReadActions, false},
        {"accounts", "账户余额", "财务", kReadActions, false},
        {"reports", "统计报表", "报表", kReadActions, false},
        {"profit", "销售利润报表", "报表", kReadActions, false},
        {"goods", "商品管理", "基础数据", kListActions | Bit(Action::Print) | Bit(Action::Export),
         false},
        {"classes", "商品分类", "基础数据", kListActions, false},
        {"customers", "往来单位", "基础数据", kListActions | Bit(Action::Export), false},
        {"employees", "员工管理", "基础数据", kListActions, false},
        {"lists", "基本资料", "基础数据", kListActions, false},
        {"opening", "期初数据", "基础数据", kBillActions, false},
        {"operators", "管理员管理", "系统", kListActions, true},
        {"roles", "角色管理", "系统", kListActions, true},
        {"password", "修改密码", "系统", kEnterOnly, false},
        {"backup", "备份数据", "系统", kEnterOnly, false},
        {"restore", "恢复数据", "系统", kEnterOnly, true},
        {"verify", "数据校验", "系统", kViewOnly, false},
        {"log", "查看日志", "系统", Bit(Action::View) | Bit(Action::Delete), false},
        {"settings", "系统设置", "系统", Bit(Action::View) | Bit(Action::Enter), false},
        {"notice", "公告", "系统", kViewOnly, false},
        {"copy_to_server", "复制到服务器", "系统", kEnterOnly, true},
        {"server", "数据库服务器", "系统", kEnterOnly, true},
        {"demo_data", "示例数据", "系统", kEnterOnly, false},
    };
    return functions;
}

const FunctionInfo* FindFunction(std::string_view code) {
    for (const auto& f : Functions())
        if (code == f.code)
            return &f;
    return nullptr;
}

std::optional<Need> WindowNeed(std::string_view window, std::string_view command) {
    struct Row {
        const char* window;
        const char* command; // "" for any
        const char* function;
        Action action;
    };
    // Windows that enter bills open to enter; lists and reports open to look.
    static const Row rows[] = {
        {"CChild_Xitong_SetupDlg", "", "settings", Action::View},
        {"CChild_Xitong_ManageUserDlg", "", "operators", Action::View},
        {"CChild_Xitong_RoleDlg", "", "roles", Action::View},
        {"CChild_Xitong_ManageUser_AddDlg", "run_re", "password", Action::Enter},
        {"CChild_Xitong_ManageUser_AddDlg", "", "operators", Action::Enter},
        {"ChangePasswordAction", "", "password", Action::Enter},
        {"BackupAction", "", "backup", Action::Enter},
        {"VerifyAction", "", "verify", Action::View},
        {"CChild_Xitong_RestoreDlg", "", "restore", Action::Enter},
        {"CChild_Xitong_ViewLogDlg", "", "log", Action::View},
        {"CChild_Jinhuo_KaidanDlg", "run_tuihuo", "purchase_return", Action::Enter},
        {"CChild_Jinhuo_KaidanDlg", "", "purchase", Action::Enter},
        {"CChild_Xiaoshou_KaidanDlg", "run_tuihuo", "sale_return", Action::Enter},
        {"CChild_Xiaoshou_KaidanDlg", "", "sale", Action::Enter},
        {"CChild_Kucun_SunyiDlg", "run_baoyi", "gain", Action::Enter},
        {"CChild_Kucun_SunyiDlg", "", "loss", Action::Enter},
        {"CChild_Kucun_TiaojiaDlg", "", "price", Action::Enter},
        {"CChild_Kucun_YikuDlg", "", "transfer", Action::Enter},
        {"CChild_Kucun_PandianDlg", "", "count", Action::Enter},
        // Orders: the entry window enters, the list looks; the kind's history word says which.
        {"CChild_Dingdan_KaidanDlg", "run_xiaoshou_dingdan", "sale_order", Action::Enter},
        {"CChild_Dingdan_KaidanDlg", "", "purchase_order", Action::Enter},
        {"CChild_Dingdan_ViewDlg", "run_xiaoshou_dingdan", "sale_order", Action::View},
        {"CChild_Dingdan_ViewDlg", "", "purchase_order", Action::View},
        {"CChild_Caiwu_ShoukuanDlg", "", "receipt", Action::Enter},
        {"CChild_Caiwu_FukuanDlg", "", "payment", Action::Enter},
        {"CChild_Caiwu_DuizhangDlg", "", "statement", Action::View},
        {"CChild_Caiwu_ZhanghuDlg", "", "accounts", Action::View},
        {"CChild_Kucun_ViewDlg", "", "stock_view", Action::View},
        // The history of a kind is a look at that kind's bills.
        {"CChild_History_ViewDlg", "run_caigou", "purchase", Action::View},
        {"CChild_History_ViewDlg", "run_caigou_tuihuo", "purchase_return", Action::View},
        {"CChild_History_ViewDlg", "run_sale", "sale", Action::View},
        {"CChild_History_ViewDlg", "run_sale_tuihuo", "sale_return", Action::View},
        {"CChild_History_ViewDlg", "run_baosun_jilu", "loss", Action::View},
        {"CChild_History_ViewDlg", "run_baoyi_jilu", "gain", Action::View},
        {"CChild_History_ViewDlg", "run_tiaojia_jilu", "price", Action::View},
        {"CChild_History_ViewDlg", "run_yiku", "transfer", Action::View},
        {"CChild_History_ViewDlg", "run_shoukuan", "receipt", Action::View},
        {"CChild_History_ViewDlg", "run_fukuan", "payment", Action::View},
        {"CReportDlg", "", "reports", Action::View},
        {"CReportProfitDlg", "", "profit", Action::View},
        {"CChild_Kucun_YujingDlg", "", "stock_warnings", Action::View},
        {"CChild_Jichu_ProductDlg", "", "goods", Action::View},
        {"CChild_Jichu_Product_Class_Dlg", "", "classes", Action::View},
        {"CChild_Jichu_CustomerDlg", "", "customers", Action::View},
        {"CChild_Jichu_EmployeesDlg", "", "employees", Action::View},
        {"CChild_Jichu_BumenDlg", "", "lists", Action::View},
        {"CChild_Jichu_WarehouseDlg", "", "lists", Action::View},
        {"CChild_Jichu_BankDlg", "", "lists", Action::View},
        {"CChild_Jichu_UnitDlg", "", "lists", Action::View},
        {"CChild_Jichu_AreaDlg", "", "lists", Action::View},
        {"CChild_Jichu_ShouruDlg", "", "lists", Action::View},
        {"CChild_Jichu_ZhichuDlg", "", "lists", Action::View},
        {"CChild_Jichu_QichuDlg", "", "opening", Action::Enter},
        {"CChild_History_ViewDlg", "run_qichu_kucun", "opening", Action::View},
        {"CChild_History_ViewDlg", "run_qichu_yue", "opening", Action::View},
    };
    for (const auto& r : rows) {
        if (window != r.window)
            continue;
        const bool anyCommand = *r.command == '\0';
        // The history window without a kind's word opens on nothing: no function.
        if (anyCommand && window == "CChild_History_ViewDlg")
            break;
        if (anyCommand || command == r.command)
            return Need{r.function, r.action};
    }
    return std::nullopt;
}

std::string KindFunction(std::string_view cliWord) {
    // Opening stock and opening balances are one function: the opening data.
    if (cliWord == "opening" || cliWord == "opening-balance")
        return "opening";
    static const char* const words[] = {
        "purchase", "purchase-return", "sale",    "sale-return", "loss",           "gain",
        "price",    "transfer",        "receipt", "payment",     "purchase-order", "sale-order"};
    for (const char* w : words) {
        if (cliWord != w)
            continue;
        std::string code = w;
        std::replace(code.begin(), code.end(), '-', '_');
        return code;
    }
    return {};
}

bool IsHiddenPriceName(std::string_view name) {
    return std::any_of(std::begin(kHiddenPrices), std::end(kHiddenPrices),
                       [&](const char* p) { return name == p; });
}

const std::vector<PresetRole>& PresetRoles() {
    static const std::vector<PresetRole> roles = [] {
        // Every operator may change its own password and read the notice.
        const std::vector<PresetRight> own = {{"password", kEnterOnly}, {"notice", kViewOnly}};
        auto with = [&](std::vector<PresetRight> rights) {
            rights.insert(rights.end(), own.begin(), own.end());
            return rights;
        };
        auto full = [](const char* code) { return PresetRight{code, FindFunction(code)->actions}; };

        PresetRole admin{kAdminRole, "全部权限", {}, {}};
        PresetRole manager{
            "店长", "除管理员管理、角色管理、恢复数据和复制到服务器外的全部权限", {}, {}};
        for (const auto& f : Functions()) {
            admin.rights.push_back({f.code, f.actions});
            if (!f.adminOnly)
                manager.rights.push_back({f.code, f.actions});
        }
        // Counter sales: no reversal, goods and customers read-only, no purchase price or cost.
        constexpr ActionSet noReverse = kBillActions & ~Bit(Action::Reverse);
        PresetRole clerk{"营业员",
                         "销售、销售退货、销售订单、收款；商品和往来单位只读；看库存不看成本",
                         with({{"sale", noReverse},
                               {"sale_return", noReverse},
                               {"sale_order", kOrderActions & ~Bit(Action::Delete)},
                               {"receipt", noReverse},
                               {"goods", kViewOnly},
                               {"customers", kViewOnly},
                               {"stock_view", kViewOnly}}),
                         {"进价", "成本"}};
        PresetRole keeper{
            "仓管",
            "库存、移库、盘点、报损、报溢；不看价格",
            with({full("stock_view"), full("transfer"), full("count"), full("loss"), full("gain")}),
            {"进价", "成本", "售价"}};
        PresetRole finance{"财务",
                           "收款、付款、往来对账、账户余额、统计报表、销售利润",
                           with({full("receipt"), full("payment"), full("statement"),
                                 full("accounts"), full("reports"), full("profit")}),
                           {}};
        return std::vector<PresetRole>{admin, manager, clerk, keeper, finance};
    }();
    return roles;
}

std::string PresetRightsGainedSql() {
    static const std::string_view added[] = {"purchase_order", "sale_order", "opening"};
    std::string sql;
    for (const auto& r : PresetRoles()) {
        const std::string id = "(SELECT Id FROM Role WHERE Name = " + Quoted(r.name) + ")";
        for (const auto& right : r.rights) {
            if (std::find(std::begin(added), std::end(added), right.function) != std::end(added)) {
                sql += "INSERT INTO RoleRight(Role_ID, Function, Actions) SELECT Id, " +
                       Quoted(right.function) + ", " + Quoted(ActionSetText(right.actions)) +
                       " FROM Role WHERE Name = " + Quoted(r.name) +
                       " AND NOT EXISTS (SELECT 1 FROM RoleRight WHERE Role_ID = " + id +
                       " AND Function = " + Quoted(right.function) + ");\n";
            } else if (right.function == "goods" && (right.actions & Bit(Action::Print))) {
                const ActionSet before = right.actions & ~Bit(Action::Print);
                sql += "UPDATE RoleRight SET Actions = " + Quoted(ActionSetText(right.actions)) +
                       " WHERE Role_ID = " + id +
                       " AND Function = 'goods' AND Actions = " + Quoted(ActionSetText(before)) +
                       ";\n";
            }
        }
    }
    // The clerk's note names the sales orders it now takes.
    for (const auto& r : PresetRoles())
        if (r.name == "营业员")
            sql += "UPDATE Role SET Note = " + Quoted(r.note) +
                   " WHERE Name = '营业员' AND Note = "
                   "'销售、销售退货、收款；商品和往来单位只读；看库存不看成本';\n";
    return sql;
}

std::string PresetRolesSql() {
    // Each role, its rights and its hidden prices go in only where they are missing: a step run
    // again over tables that hold them adds nothing. 管理员 goes first, so it has the first id
    // (the default of an operator's role).
    std::string sql;
    auto rows = [](const std::vector<std::string>& selects) {
        std::string all;
        for (const auto& s : selects)
            all += (all.empty() ? "" : " UNION ALL ") + s;
        return all;
    };
    for (const auto& r : PresetRoles()) {
        const std::string id = "(SELECT Id FROM Role WHERE Name = " + Quoted(r.name) + ")";
        sql += "INSERT INTO Role(Name, Note) SELECT " + Quoted(r.name) + ", " + Quoted(r.note) +
               " WHERE NOT EXISTS (SELECT 1 FROM Role WHERE Name = " + Quoted(r.name) + ");\n";
        std::vector<std::string> rights;
        for (const auto& right : r.rights)
            rights.push_back("SELECT " + id + " AS r, " + Quoted(right.function) + " AS f, " +
                             Quoted(ActionSetText(right.actions)) + " AS a");
        sql += "INSERT INTO RoleRight(Role_ID, Function, Actions) SELECT r, f, a FROM (" +
               rows(rights) +
               ") AS preset WHERE NOT EXISTS (SELECT 1 FROM RoleRight WHERE Role_ID = " + id +
               ");\n";
        if (r.hides.empty())
            continue;
        std::vector<std::string> hides;
        for (const auto& hide : r.hides)
            hides.push_back("SELECT " + id + " AS r, " + Quoted(hide) + " AS h");
        sql += "INSERT INTO RolePrice(Role_ID, Hide) SELECT r, h FROM (" + rows(hides) +
               ") AS preset WHERE NOT EXISTS (SELECT 1 FROM RolePrice WHERE Role_ID = " + id +
               ");\n";
    }
    return sql;
}
