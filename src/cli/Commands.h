#pragma once
#include "CliContext.h"

#include <vector>

struct CliCommand {
    const char* name;
    bool needsLogin;
    int (*run)(CliContext&);
    const char* usage;
};

// Every command of ferix-cli; each feature adds its rows in Commands.cpp.
const std::vector<CliCommand>& CliCommands();
// Options that stand alone, without a value.
bool IsValuelessFlag(const std::string& name);

int CmdInit(CliContext&);
int CmdOrders(CliContext&);
int CmdOrder(CliContext&);
int CmdCloseOrder(CliContext&);
int CmdVoidOrder(CliContext&);
int CmdLog(CliContext&);
// moving a folder's data to a server
int CmdCopyToServer(CliContext&);
// the owner's acts on a server: the work role's rights, upgrading the tables
int CmdServer(CliContext&);
int CmdUpgrade(CliContext&);

// administration
enum class AdminResult;
// The exit status of an administration action.
int AdminExit(AdminResult result);
int CmdUsers(CliContext&);
int CmdRoles(CliContext&);
int CmdBackup(CliContext&);
int CmdRestore(CliContext&);
int CmdSettings(CliContext&);
// the bill journal's check
int CmdVerify(CliContext&);

// notice
int CmdNotice(CliContext&);
// goods labels as a PDF file
int CmdLabels(CliContext&);
int CmdGoods(CliContext&);
int CmdClasses(CliContext&);
int CmdCustomers(CliContext&);
int CmdStock(CliContext&);
int CmdPost(CliContext&);
int CmdBills(CliContext&);
int CmdBill(CliContext&);
int CmdReverse(CliContext&);
int CmdCount(CliContext&);
int CmdOpening(CliContext&);
// The --token option of the commands that store a document (post, reverse, count): the write
// token a script retries the same action under (32 lower-case hex digits). Nothing when not
// given; `valid` false when given wrong.
std::optional<std::string> TokenOption(const CliContext& ctx, bool& valid);
// After a try that failed (not a refusal): the token it used, on stderr, for the script to
// retry under.
void TellToken(const std::string& token);
// receivables, payables and accounts
int CmdBalances(CliContext&);
int CmdStatement(CliContext&);
int CmdAccounts(CliContext&);
// The whole file, or nothing after a message.
std::optional<std::string> ReadWholeFile(const std::string& path);

// reference lists
int CmdConfig(CliContext&);
int CmdDepartments(CliContext&);
int CmdEmployees(CliContext&);

// queries
int CmdReport(CliContext&);
int CmdStockWarnings(CliContext&);
// the home page's figures
int CmdHome(CliContext&);
int CmdPrintStock(CliContext&);
int CmdPrintBill(CliContext&);

// sample data
int CmdDemoData(CliContext&);
