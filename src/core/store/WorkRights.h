#pragma once
#include <libpq-fe.h>

#include <string>

// The two database roles of a server: the owner, who makes and upgrades the tables, and the
// work role the workstations connect as, with the rights daily work needs and no more. The work
// roles are remembered in the table ferix_work_role, so every later schema step grants them
// their rights on what it adds.

// What a workstation says when it meets tables it must upgrade and its role does not own them.
inline constexpr const char* kUpgradeNeedsOwnerText =
    "数据库需要升级，但本工作站连接数据库所用的角色没有升级的权限。\r\n"
    "请用数据库所有者的连接运行升级（ferix-cli upgrade，从标准输入读入所有者的连接字符串），"
    "或在程序启动时输入所有者的连接字符串。";

// Whether the connection's role may change the program's tables (it owns them, or is a member
// of the role that does). False with `error` when that cannot be read.
bool OwnsProgramTables(PGconn* conn, bool* owns, std::string* error);

// Gives `role` (a role name as the server spells it) the rights of daily work on every table of
// the program that exists now, exactly: whatever it held on them before is taken back first.
// SELECT and INSERT everywhere (the version and role tables: SELECT only); UPDATE where the
// program changes rows, on bills only their Canceled column; DELETE only where daily work
// deletes rows; the identity sequences; never TRUNCATE, never DDL. Runs in the caller's
// transaction.
bool GrantWorkRights(PGconn* conn, const std::string& role, std::string* error);

// Remembers `role` as a work role (making the table when missing) and grants its rights.
bool RememberWorkRole(PGconn* conn, const std::string& role, std::string* error);

// Grants every remembered work role its rights again (after a schema step added tables).
bool GrantRememberedWorkRoles(PGconn* conn, std::string* error);
