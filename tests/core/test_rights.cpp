#include "StoreTestSupport.h"

#include "CommandRights.h"
#include "Commands.h"
#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "config/ConfigLists.h"
#include "rights/Functions.h"
#include "store/BillKindNames.h"
#include "store/Schema.h"
#include "store/Session.h"

#include <sstream>

namespace {
class RightsTest : public StoreTest {
protected:
    // Logs in as a new operator of that role; its rights are then the session's.
    void LogInAs(const std::string& user, const std::string& role) {
        LogIn("admin"); // operators are 管理员's to add
        ASSERT_EQ(AddOperator(user, "", ""), AdminResult::Done);
        if (role != kAdminRole) {
            ASSERT_EQ(SetOperatorRole(user, role), AdminResult::Done);
        }
        LogIn(user);
    }
    void LogIn(const std::string& user) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        ASSERT_TRUE(store.CheckLogin(user, ""));
    }
    // What the session's role may do, one line per function holding anything, asked through
    // the check for every function and action of the table.
    static std::string Allowed(int* count = nullptr) {
        std::string text;
        int n = 0;
        for (const auto& f : Functions()) {
            std::string actions;
            for (Action a : kAllActions) {
                if (!CurrentRights().Allows(f.code, a))
                    continue;
                actions += (actions.empty() ? "" : ",") + std::string(ActionName(a));
                ++n;
            }
            if (!actions.empty())
                text += std::string(f.code) + ":" + actions + "\n";
        }
        if (count)
            *count = n;
        return text;
    }
    // The functions the session's role holds nothing of.
    static std::string Denied() {
        std::string text;
        for (const auto& f : Functions())
            if (CurrentRights().ActionsOf(f.code) == 0)
                text += (text.empty() ? "" : ",") + std::string(f.code);
        return text;
    }
    static std::string Hidden() {
        std::string text;
        for (const char* p : kHiddenPrices)
            if (CurrentRights().Hides(p))
                text += (text.empty() ? "" : ",") + std::string(p);
        return text;
    }
};
} // namespace

TEST_F(RightsTest, EachPresetRoleAllowsWhatItIsFor) {
    int count = 0;
    // The folder's first operator is 管理员: every action of every function (121 of them).
    Allowed(&count);
    EXPECT_EQ(count, 121);
    EXPECT_EQ(Denied(), "");
    EXPECT_EQ(CurrentRights().AllowedWarehouses().size(), 0u);

    LogInAs("manager", "店长");
    Allowed(&count);
    EXPECT_EQ(count, 112);
    EXPECT_EQ(Denied(), "operators,roles,restore,copy_to_server,server");
    EXPECT_EQ(Hidden(), "");

    LogInAs("clerk", "营业员");
    EXPECT_EQ(Allowed(), "sale:查看,录入,打印,导出\n"
                         "sale_return:查看,录入,打印,导出\n"
                         "sale_order:查看,录入,打印,导出\n"
                         "stock_view:查看\n"
                         "receipt:查看,录入,打印,导出\n"
                         "goods:查看\n"
                         "customers:查看\n"
                         "password:录入\n"
                         "notice:查看\n");
    EXPECT_EQ(Hidden(), "进价,成本");
    m_port.Clear();
    EXPECT_FALSE(CheckRight("purchase", Action::Enter));
    EXPECT_FALSE(CheckRight("sale", Action::Reverse));
    EXPECT_TRUE(CheckRight("sale", Action::Enter));
    EXPECT_EQ(m_port.Texts(), (std::vector<std::string>{"您没有“进货开单”的“录入”权限！",
                                                        "您没有“销售开单”的“红冲”权限！"}));

    LogInAs("keeper", "仓管");
    EXPECT_EQ(Allowed(), "loss:查看,录入,红冲,打印,导出\n"
                         "gain:查看,录入,红冲,打印,导出\n"
                         "transfer:查看,录入,红冲,打印,导出\n"
                         "count:查看,录入\n"
                         "stock_view:查看,打印,导出\n"
                         "password:录入\n"
                         "notice:查看\n");
    EXPECT_EQ(Hidden(), "进价,成本,售价");

    LogInAs("cashier", "财务");
    EXPECT_EQ(Allowed(), "receipt:查看,录入,红冲,打印,导出\n"
                         "payment:查看,录入,红冲,打印,导出\n"
                         "statement:查看,打印,导出\n"
                         "accounts:查看,打印,导出\n"
                         "reports:查看,打印,导出\n"
                         "profit:查看,打印,导出\n"
                         "password:录入\n"
                         "notice:查看\n");
    EXPECT_EQ(Hidden(), "");

    // A function of 管理员's alone stays refused even when a row for it is written from outside.
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.ExecuteSql("insert into RoleRight(Role_ID, Function, Actions) select Id, "
                                 "'operators', '查看,录入,删除' from Role where Name = '店长'"));
    LogIn("manager");
    EXPECT_FALSE(CurrentRights().Allows("operators", Action::View));
    EXPECT_TRUE(CurrentRights().Allows("backup", Action::Enter));
}

TEST_F(RightsTest, RoleChangesKeepTheirRulesAndAreLogged) {
    for (const char* warehouse : {"一号仓库", "二号仓库"})
        ASSERT_TRUE(AddConfigListEntry("warehouse", warehouse, ""));
    m_port.Clear();
    EXPECT_EQ(AddRole("收银", "营业员"), AdminResult::Done);
    EXPECT_EQ(AddRole("收银", "营业员"), AdminResult::Refused);
    EXPECT_EQ(GrantRight("收银", "sale", "红冲"), AdminResult::Done);
    EXPECT_EQ(RevokeRight("收银", "receipt", "录入,打印,导出"), AdminResult::Done);
    EXPECT_EQ(GrantRight("收银", "goods", "红冲"), AdminResult::Refused);
    EXPECT_EQ(GrantRight("收银", "operators", "查看"), AdminResult::Refused);
    EXPECT_EQ(GrantRight("管理员", "sale", "查看"), AdminResult::Refused);
    EXPECT_EQ(SetRoleWarehouses("收银", {"一号仓库", "二号仓库"}), AdminResult::Done);
    EXPECT_EQ(SetRoleHidden("收银", {"售价", "进价"}), AdminResult::Done);
    EXPECT_EQ(SetRoleHidden("收银", {"毛利"}), AdminResult::Refused);
    ASSERT_EQ(AddOperator("amy", "", ""), AdminResult::Done);
    EXPECT_EQ(SetOperatorRole("amy", "收银"), AdminResult::Done);
    EXPECT_EQ(RemoveRole("收银"), AdminResult::Refused);
    // admin and amy: admin is the last 管理员 and keeps it.
    EXPECT_EQ(SetOperatorRole("admin", "财务"), AdminResult::Refused);
    EXPECT_EQ(DeleteOperator(std::string("admin")), AdminResult::Refused);
    EXPECT_EQ(RemoveRole("管理员"), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(),
              (std::vector<std::string>{
                  "添加角色成功！", "角色“收银”已存在！", "修改角色成功！", "修改角色成功！",
                  "“商品管理”没有“红冲”动作！", "“管理员管理”只属于管理员角色！",
                  "管理员角色不能修改或删除！", "修改角色成功！", "修改角色成功！",
                  "隐藏的价格只能是 进价、成本、售价，用逗号分开。", "添加管理员成功！",
                  "修改管理员角色成功！", "管理员“amy”的角色是“收银”，不能删除！",
                  "至少要有一个管理员的角色是“管理员”！", "确定要删除吗",
                  "至少要有一个管理员的角色是“管理员”！", "管理员角色不能修改或删除！"}));

    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.CheckLogin("amy", ""));
    EXPECT_EQ(Allowed(), "sale:查看,录入,红冲,打印,导出\n"
                         "sale_return:查看,录入,打印,导出\n"
                         "sale_order:查看,录入,打印,导出\n"
                         "stock_view:查看\n"
                         "receipt:查看\n"
                         "goods:查看\n"
                         "customers:查看\n"
                         "password:录入\n"
                         "notice:查看\n");
    EXPECT_EQ(CurrentRights().AllowedWarehouses(),
              (std::vector<std::string>{"一号仓库", "二号仓库"}));
    EXPECT_TRUE(CurrentRights().SeesWarehouse("二号仓库"));
    EXPECT_FALSE(CurrentRights().SeesWarehouse("三号仓库"));
    EXPECT_EQ(Hidden(), "进价,售价");

    // Roles are 管理员's to change, whoever was logged in last.
    ASSERT_TRUE(store.CheckLogin("admin", ""));
    // Once amy has another role, 收银 can go, with everything it held.
    EXPECT_EQ(SetOperatorRole("amy", "营业员"), AdminResult::Done);
    EXPECT_EQ(RemoveRole("收银"), AdminResult::Done);
    std::vector<std::string> left;
    ASSERT_TRUE(store.Run("select count(*) from RoleRight r where not exists"
                          " (select 1 from Role where Id = r.Role_ID)",
                          {}, [&](const CStatement& st) { left.push_back(st.Text(0)); }));
    EXPECT_EQ(left, std::vector<std::string>{"0"});

    std::vector<std::string> events;
    for (const auto& entry : Log())
        events.push_back(entry.Event);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "新建角色“收银”，复制自“营业员”",
                          "角色“收银”增加“销售开单”的权限：红冲",
                          "角色“收银”去掉“收款单”的权限：录入,打印,导出",
                          "角色“收银”的仓库改为：一号仓库,二号仓库",
                          "角色“收银”隐藏的价格改为：进价,售价",
                          "添加管理员“amy”",
                          "管理员“amy”的角色改为“收银”",
                          "管理员“amy”的角色改为“营业员”",
                          "删除角色“收银”",
                      }));

    // Names a list would show blank, or like another, or cut off; 32 characters are taken.
    std::string chinese32;
    for (int i = 0; i < 32; ++i)
        chinese32 += "仓";
    for (const auto& [name, why] : std::vector<std::pair<std::string, std::string>>{
             {" \t", "角色名不可以为空，请填写。"},
             {"营业员 ", "角色名的前后不能有空格。"},
             {" 营业员", "角色名的前后不能有空格。"},
             {"收\n银", "角色名不能含有控制字符。"},
             {std::string(33, 'x'), "角色名不能超过 32 个字。"},
             {chinese32 + "库", "角色名不能超过 32 个字。"}}) {
        m_port.Clear();
        EXPECT_EQ(AddRole(name, "营业员"), AdminResult::Refused) << name;
        EXPECT_EQ(m_port.Texts(), std::vector<std::string>{why}) << name;
    }
    EXPECT_EQ(AddRole(chinese32, "营业员"), AdminResult::Done);
}

TEST_F(RightsTest, AnOlderOtherDataUpgradesWithEveryOperatorAdministrator) {
    ASSERT_EQ(AddOperator("bob", "", ""), AdminResult::Done);
    RollBackOtherSchemaTo(1);
    {
        CDataStore store; // brings the tables up to date
        ASSERT_TRUE(store.ConnectOther());
        ASSERT_TRUE(store.CheckLogin("bob", ""));
    }
    EXPECT_TRUE(CurrentRights().IsAdmin());
    int count = 0;
    Allowed(&count);
    EXPECT_EQ(count, 121);
    LogIn("admin");
    EXPECT_TRUE(CurrentRights().IsAdmin());
    const auto roles = ListRoles();
    ASSERT_TRUE(roles);
    std::string names;
    for (const auto& r : *roles)
        names += r.name + ":" + std::to_string(r.operators) + " ";
    EXPECT_EQ(names, "管理员:2 店长:0 营业员:0 仓管:0 财务:0 ");
    const auto clerk = ShowRole("营业员");
    ASSERT_TRUE(clerk);
    EXPECT_EQ(clerk->size(), 9u);
}

// A folder whose roles were made before the order and opening functions and goods' 打印: the
// preset roles gain them, a role the shop made or a right it narrowed stays as it was.
TEST_F(RightsTest, PresetRolesOfAnOlderFolderGainWhatTheirPresetsGained) {
    ASSERT_EQ(AddRole("收银", "营业员"), AdminResult::Done);
    ASSERT_EQ(RevokeRight("店长", "goods", "删除,打印,导出"), AdminResult::Done);
    RollBackOtherSchemaTo(2);
    {
        CDataStore store; // brings the tables up to date
        ASSERT_TRUE(store.ConnectOther());
    }
    LogIn("admin");
    auto gained = [&](const std::string& role) {
        std::string text;
        const auto rows = ShowRole(role);
        if (!rows)
            return std::string("no role");
        for (const auto& r : *rows) {
            const std::string code = r.function->code;
            if (code == "goods" || code == "opening" || code == "purchase_order" ||
                code == "sale_order")
                text += code + "=" + ActionSetText(r.actions) + " ";
        }
        return text;
    };
    EXPECT_EQ(gained("店长"), "purchase_order=查看,录入,删除,打印,导出 "
                              "sale_order=查看,录入,删除,打印,导出 goods=查看,录入 "
                              "opening=查看,录入,红冲,打印,导出 ");
    EXPECT_EQ(gained("营业员"), "sale_order=查看,录入,打印,导出 goods=查看 ");
    EXPECT_EQ(gained("收银"), "goods=查看 ");
    EXPECT_EQ(gained("财务"), "");
    const auto roles = ListRoles();
    ASSERT_TRUE(roles);
    const auto clerk = std::find_if(roles->begin(), roles->end(),
                                    [](const RoleSummary& r) { return r.name == "营业员"; });
    ASSERT_NE(clerk, roles->end());
    EXPECT_EQ(clerk->note, "销售、销售退货、销售订单、收款；商品和往来单位只读；看库存不看成本");
}

// Every ferix-cli command line the usage names asks one function, with an action it has.
TEST(FunctionTableTest, EveryCommandAndBillKindNamesAFunction) {
    std::vector<std::string> kinds;
    for (const auto& k : kBillKindNames)
        kinds.push_back(k.cliName);
    for (const auto& c : CliCommands()) {
        CliContext ctx;
        ctx.command = c.name;
        std::vector<std::vector<std::string>> argLists = {{}};
        // The words that follow the command's name in its usage: its subcommands.
        const std::string usage = c.usage, prefix = std::string(c.name) + " ";
        for (size_t at = usage.find(prefix); at != std::string::npos;
             at = usage.find(prefix, at + 1)) {
            std::istringstream words(usage.substr(at + prefix.size()));
            std::string word;
            words >> word;
            for (size_t bar; (bar = word.find('|')) != std::string::npos; word.erase(0, bar + 1))
                argLists.push_back({word.substr(0, bar)});
            argLists.push_back({word});
        }
        const std::string_view name = c.name;
        const bool byKind = name == "post" || name == "bills" || name == "bill" ||
                            name == "reverse" || name == "print-bill";
        // The order commands name their side (purchase or sale) first.
        const bool bySide =
            name == "orders" || name == "order" || name == "close-order" || name == "void-order";
        if (byKind)
            argLists.assign(1, {});
        for (const auto& k : kinds)
            if (byKind)
                argLists.push_back({k});
        for (const auto& args : argLists) {
            ctx.args = args;
            const std::string line = std::string(c.name) + (args.empty() ? "" : " " + args[0]);
            const auto need = CommandNeed(ctx);
            if ((byKind || bySide) && args.empty()) {
                EXPECT_FALSE(need) << line << ": no kind, no function";
                continue;
            }
            ASSERT_TRUE(need) << line;
            const FunctionInfo* f = FindFunction(need->function);
            ASSERT_NE(f, nullptr) << line << " names " << need->function;
            EXPECT_TRUE(f->actions & Bit(need->action)) << line;
        }
    }
    // A bill kind's word in ferix-cli is its function's code, spelt with "_".
    EXPECT_EQ(KindFunction("purchase-return"), "purchase_return");
    EXPECT_EQ(KindFunction("count"), "");
    // The profit report is a function of its own.
    CliContext report;
    report.command = "report";
    report.args = {"profit-month"};
    EXPECT_EQ(CommandNeed(report)->function, "profit");
}
