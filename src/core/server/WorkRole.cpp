#include "WorkRole.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "store/WorkRights.h"

#include <optional>

namespace {

// Where a connection lands: the database and the schemas its tables are looked up in (a role
// without rights there yet sees no current schema, but has the same search path).
std::string Place(PGconn* conn) {
    PgResult r(PQexec(conn, "SELECT current_database() || '.' || current_setting('search_path')"));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1)
        return {};
    return PQgetvalue(r.get(), 0, 0);
}

// The owner's connection, checked to reach this folder's tables with the owner's rights; null
// after its message.
PgConnection OwnerConnection(const std::string& ownerConninfo, AdminResult* refusal) {
    *refusal = AdminResult::Refused;
    const ServerConfig server = ReadServerConfig(ProgramFolder());
    if (!server.present) {
        Messages().Inform("这个程序文件夹的数据不在数据库服务器上。");
        return nullptr;
    }
    std::string error;
    if (!server.error.empty()) {
        Messages().Inform(ConnectFailureText(server.error));
        *refusal = AdminResult::NoData;
        return nullptr;
    }
    PgConnection folder = ConnectToServer(server.conninfo, &error);
    if (!folder) {
        Messages().Inform(ConnectFailureText(error));
        *refusal = AdminResult::NoData;
        return nullptr;
    }
    PgConnection owner = ConnectToServer(ownerConninfo, &error);
    if (!owner) {
        Messages().Inform(ConnectFailureText(error));
        *refusal = AdminResult::Failed;
        return nullptr;
    }
    // An owner's string naming another database or schema would change tables not this folder's.
    const std::string place = Place(folder.get());
    if (place.empty() || Place(owner.get()) != place) {
        Messages().Inform("所有者的连接字符串指向的数据库与本程序文件夹所用的（" + place +
                          "）不同，没有做任何改变。");
        return nullptr;
    }
    bool owns = false;
    if (!OwnsProgramTables(owner.get(), &owns, &error)) {
        Messages().Inform(ConnectFailureText(error));
        *refusal = AdminResult::Failed;
        return nullptr;
    }
    if (!owns) {
        Messages().Inform("这个连接的角色不是本程序数据表的所有者，没有做任何改变。");
        return nullptr;
    }
    return owner;
}

// Whether `role` has the owner's rights on the program's tables, read on the owner's
// connection: "t", "f", or "" when there is no such role; nothing (after its message) on failure.
std::optional<std::string> RoleOwnsTables(PGconn* owner, const std::string& role) {
    const char* values[] = {role.c_str()};
    PgResult r(PQexecParams(owner,
                            "SELECT (SELECT pg_has_role(r.oid, c.relowner, 'USAGE') FROM pg_class c"
                            " WHERE c.oid = to_regclass('ferix_schema')) FROM pg_roles r"
                            " WHERE r.rolname = $1",
                            1, nullptr, values, nullptr, nullptr, 0));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
        Messages().Inform(ConnectFailureText(ServerErrorText(owner)));
        return std::nullopt;
    }
    return PQntuples(r.get()) == 0 ? std::string() : std::string(PQgetvalue(r.get(), 0, 0));
}

bool UpgradeBoth(PGconn* conn) {
    std::string error;
    if (UpgradeServerSchema(conn, true, &error) && UpgradeServerSchema(conn, false, &error))
        return true;
    Messages().Inform("数据库升级失败！\r\n" + error);
    return false;
}

} // namespace

AdminResult GrantWorkRole(const std::string& ownerConninfo, const std::string& role) {
    AdminResult refusal;
    const PgConnection owner = OwnerConnection(ownerConninfo, &refusal);
    if (!owner)
        return refusal;
    const auto owns = RoleOwnsTables(owner.get(), role);
    if (!owns)
        return AdminResult::Failed;
    if (owns->empty()) {
        Messages().Inform("数据库角色“" + role + "”不存在，请先在服务器上创建它。");
        return AdminResult::Refused;
    }
    // Taking back the owner's rights would lock everybody out.
    if (*owns == "t") {
        Messages().Inform("“" + role + "”是本程序数据表的所有者，不能作为日常工作的角色。");
        return AdminResult::Refused;
    }
    if (!UpgradeBoth(owner.get()))
        return AdminResult::Failed;
    std::string error;
    const bool ok = ServerExec(owner.get(), "BEGIN", &error) &&
                    RememberWorkRole(owner.get(), role, &error) &&
                    ServerExec(owner.get(), "COMMIT", &error);
    if (!ok) {
        ServerExec(owner.get(), "ROLLBACK", nullptr);
        Messages().Inform("授权失败！\r\n" + error);
        return AdminResult::Failed;
    }
    Messages().Inform("已授予数据库角色“" + role + "”日常工作的权限。");
    return AdminResult::Done;
}

AdminResult UpgradeWithOwner(const std::string& ownerConninfo) {
    AdminResult refusal;
    const PgConnection owner = OwnerConnection(ownerConninfo, &refusal);
    if (!owner)
        return refusal;
    if (!UpgradeBoth(owner.get()))
        return AdminResult::Failed;
    Messages().Inform("数据库已升级。");
    return AdminResult::Done;
}

AdminResult GrantWorkRoleOf(const std::string& ownerConninfo, const std::string& workConninfo) {
    std::string error, role;
    {
        const PgConnection work = ConnectToServer(workConninfo, &error);
        if (!work) {
            Messages().Inform(ConnectFailureText(error));
            return AdminResult::Failed;
        }
        PgResult r(PQexec(work.get(), "SELECT current_user"));
        if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1) {
            Messages().Inform(ConnectFailureText(ServerErrorText(work.get())));
            return AdminResult::Failed;
        }
        role = PQgetvalue(r.get(), 0, 0);
    }
    const PgConnection owner = ConnectToServer(ownerConninfo, &error);
    if (!owner) {
        Messages().Inform(ConnectFailureText(error));
        return AdminResult::Failed;
    }
    const auto owns = RoleOwnsTables(owner.get(), role);
    if (!owns)
        return AdminResult::Failed;
    // The owner's own role (or one of its members) has every right already.
    if (*owns == "t")
        return AdminResult::Done;
    return GrantWorkRole(ownerConninfo, role);
}
