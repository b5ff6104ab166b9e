#include "Commands.h"

#include <algorithm>
#include <string>

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"init", false, CmdInit, "init [--server CONNINFO|-]"},
        {"copy-to-server", true, CmdCopyToServer, "copy-to-server CONNINFO|-"},
        {"server", true, CmdServer,
         "server grant-work ROLE   (the owner's connection string on standard input)"},
        {"upgrade", false, CmdUpgrade,
         "upgrade   (the owner's connection string on standard input)"},
        {"log", true, CmdLog, "log [--clear]"},
        {"users", true, CmdUsers, "users list|add|passwd|delete ... | users role USER ROLE"},
        {"roles", true, CmdRoles,
         "roles list | roles show ROLE | roles add ROLE --from ROLE | "
         "roles grant|revoke ROLE FUNCTION ACTIONS | roles warehouses ROLE W1,W2|--all | "
         "roles hide ROLE 进价,成本,售价|--none | roles remove ROLE"},
        {"backup", true, CmdBackup, "backup"},
        {"restore", true, CmdRestore, "restore FILE"},
        {"verify", true, CmdVerify, "verify"},
        {"settings", true, CmdSettings,
         "settings [set [--name T] [--tel T] [--fax T] [--zip T] [--addr T] [--costing T]]"},
        {"notice", true, CmdNotice, "notice [--host URL]"},
        {"classes", true, CmdClasses,
         "classes list | classes add NAME [--parent P] | classes delete NAME"},
        {"goods", true, CmdGoods,
         "goods list [--class C] | goods find TEXT | goods import FILE.csv | "
         "goods update CODE --FIELD VALUE... | goods delete CODE | goods units CODE | "
         "goods add-unit CODE UNIT FACTOR [--barcode B] [--price-in P] [--price-out P] | "
         "goods remove-unit CODE UNIT"},
        {"customers", true, CmdCustomers,
         "customers list [--type T] | customers find TEXT | customers import FILE.csv | "
         "customers update CODE --FIELD VALUE... | customers delete CODE"},
        {"stock", true, CmdStock, "stock [--warehouse W] [--class C]"},
        {"post", true, CmdPost,
         "post KIND FILE.json [--allow-overpay] [--allow-over] [--token HEX]"},
        {"orders", true, CmdOrders, "orders purchase|sale [--status S] [--from DATE --to DATE]"},
        {"order", true, CmdOrder, "order purchase|sale NUMBER"},
        {"close-order", true, CmdCloseOrder, "close-order purchase|sale NUMBER"},
        {"void-order", true, CmdVoidOrder, "void-order purchase|sale NUMBER"},
        {"bills", true, CmdBills, "bills KIND --from DATE --to DATE"},
        {"bill", true, CmdBill, "bill KIND NUMBER"},
        {"reverse", true, CmdReverse, "reverse KIND NUMBER [--token HEX]"},
        {"count", true, CmdCount, "count WAREHOUSE FILE.csv [--class C] [--token HEX]"},
        {"opening", true, CmdOpening,
         "opening stock FILE.csv [--force] | opening balance NAME AMOUNT"},
        {"balances", true, CmdBalances, "balances [--type 客户|供应商]"},
        {"statement", true, CmdStatement, "statement NAME --from DATE --to DATE"},
        {"accounts", true, CmdAccounts, "accounts"},
        {"config", true, CmdConfig,
         "config list KEY | config add KEY NAME [--note TEXT] | config remove KEY NAME"},
        {"departments", true, CmdDepartments,
         "departments list | departments add NAME [--note TEXT] | departments remove NAME"},
        {"employees", true, CmdEmployees,
         "employees list [--department D] | employees add --department D --name N [--tel T] "
         "[--addr T] [--birthday T] [--note T] | employees remove NAME"},
        {"report", true, CmdReport, "report KIND --from DATE --to DATE"},
        {"stock-warnings", true, CmdStockWarnings, "stock-warnings [--warehouse W]"},
        {"home", true, CmdHome, "home [--date DATE]"},
        {"print-stock", true, CmdPrintStock, "print-stock [--warehouse W] [--class C]"},
        {"print-bill", true, CmdPrintBill, "print-bill KIND NUMBER [--pdf FILE]"},
        {"labels", true, CmdLabels, "labels CODE[:COUNT]... --pdf FILE [--size 40x30] [--roll]"},
        {"demo-data", true, CmdDemoData,
         "demo-data [--goods N] [--customers N] [--bills N] [--lines-per-bill N]"},
    };
    return commands;
}

bool IsValuelessFlag(const std::string& name) {
    static const std::vector<std::string> flags = {
        "clear", "allow-overpay", "allow-over", "new-password-stdin",
        "all",   "none",          "roll",       "force"};
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}
