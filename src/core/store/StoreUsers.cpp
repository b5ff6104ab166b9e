// Operators, operation log and company settings (other data file).
#include "CDataStore.h"

#include "OperatorRights.h"
#include "Session.h"
#include "port/MessagePort.h"
#include "store/PasswordHash.h"
#include "text/Clock.h"

namespace {
UserRecord ReadUser(const CStatement& st) {
    return {st.Text("UserName"), st.Text("PassWord"), st.Text("CreateTime"), st.Text("LastLogin"),
            st.Text("Note")};
}
} // namespace

bool CDataStore::CheckLogin(const std::string& user, const std::string& password) {
    // Names compare whole, without regard to ASCII case (lower() folds ASCII letters only); the
    // password is checked against its hash, so no text (not even "%") matches a password it is not.
    std::vector<std::pair<int64_t, UserRecord>> candidates;
    if (!Run("select id, UserName, PassWord, CreateTime, LastLogin, Note from Manage"
             " where lower(UserName) = lower(?) order by id",
             {user},
             [&](const CStatement& st) { candidates.emplace_back(st.Int(0), ReadUser(st)); })) {
        Messages().Inform("连接数据库失败！");
        return false;
    }
    for (const auto& [id, u] : candidates) {
        if (VerifyPassword(u.PassWord, password)) {
            // No role read, no login: an operator must never act with rights it was not given.
            CRoleRights rights;
            if (!LoadOperatorRole(*this, id, &rights)) {
                Messages().Inform("连接数据库失败！");
                return false;
            }
            Session().currentUser = u;
            Session().rights = std::move(rights);
            if (PasswordHashIsWeak(u.PassWord))
                StrongerHash(id, u.PassWord, password);
            return true;
        }
    }
    return false;
}

// A hash made with less work than today's is replaced while the clear password is at hand;
// only if the row still holds it (a password changed meanwhile stays). A folder that cannot be
// written keeps the old hash: the login itself has succeeded.
void CDataStore::StrongerHash(int64_t id, const std::string& weak, const std::string& password) {
    std::string strong;
    try {
        strong = HashPassword(password);
    } catch (const std::exception&) {
        return;
    }
    if (!Begin())
        return;
    if (Run("update Manage set PassWord = ? where id = ? and PassWord = ?",
            {strong, std::to_string(id), weak}) &&
        Commit())
        return;
    Rollback();
}

std::vector<UserRecord> CDataStore::ListUsers() {
    std::vector<UserRecord> users;
    if (!Run("select UserName, PassWord, CreateTime, LastLogin, Note from Manage order by id", {},
             [&](const CStatement& st) { users.push_back(ReadUser(st)); })) {
        Messages().Inform("读取管理员信息失败！");
        return {};
    }
    return users;
}

// Runs an insert or update of a Manage row with the password's hash at values[hashIndex];
// any failure shows `failure` once.
bool CDataStore::WriteUserRow(const std::string& sql, SqlValues values, size_t hashIndex,
                              const std::string& password, const char* failure) {
    try {
        values[hashIndex] = HashPassword(password);
    } catch (const std::exception& e) {
        m_lastError = e.what();
        Messages().Inform(failure);
        return false;
    }
    if (!Run(sql, values)) {
        Messages().Inform(failure);
        return false;
    }
    return true;
}

bool CDataStore::AddUser(const std::string& user, const std::string& password,
                         const std::string& note) {
    return WriteUserRow(
        "insert into Manage(UserName, PassWord, CreateTime, Note) values(?, ?, ?, ?)",
        {user, "", FormatNow("%y-%m-%d"), note}, 1, password, "添加管理员失败！");
}

bool CDataStore::ChangeUser(const std::string& user, const std::string& password,
                            const std::string& note) {
    return WriteUserRow("update Manage set PassWord = ?, Note = ? where lower(UserName) = lower(?)",
                        {"", note, user}, 0, password, "密码修改失败！");
}

std::vector<LogRecord> CDataStore::ListLog() {
    std::vector<LogRecord> log;
    if (!Run("select Event, \"User\", Time from Log order by id", {}, [&](const CStatement& st) {
            log.push_back({st.Text(0), st.Text(1), st.Text(2)});
        })) {
        Messages().Inform("读取日志信息失败！");
        return {};
    }
    return log;
}

bool CDataStore::AddLogEntry(const std::string& event) {
    return ExecuteSql("insert into Log(Event, \"User\", Time) values(?, ?, ?)",
                      {event, Session().currentUser.UserName, FormatNow("%y-%m-%d %H:%M:%S")});
}

SettingsRecord CDataStore::LoadSettings() {
    SettingsRecord s;
    bool first = true;
    if (!Run("select CompanyName, CompanyTel, CompanyFax, CompanyZip, Chengben, CompanyAddr"
             " from Setting order by id limit 1",
             {}, [&](const CStatement& st) {
                 if (!first)
                     return;
                 first = false;
                 s = {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5)};
             })) {
        Messages().Inform("读取日志信息失败！");
        return {};
    }
    return s;
}

bool CDataStore::SaveSettings(const SettingsRecord& s) {
    const SqlValues values = {s.CompanyName, s.CompanyTel, s.CompanyFax,
                              s.CompanyZip,  s.Chengben,   s.CompanyAddr};
    if (!ExecuteSql("update Setting set CompanyName = ?, CompanyTel = ?, CompanyFax = ?,"
                    " CompanyZip = ?, Chengben = ?, CompanyAddr = ?",
                    values))
        return false;
    if (Changes() > 0)
        return true;
    // A table without its row (emptied by hand, or made by another tool) gets it now: an
    // update alone would store nothing and still report success.
    return ExecuteSql("insert into Setting(CompanyName, CompanyTel, CompanyFax, CompanyZip,"
                      " Chengben, CompanyAddr) values(?, ?, ?, ?, ?, ?)",
                      values);
}

bool WriteLogEntry(const std::string& event) {
    CDataStore store;
    if (!store.ConnectOther())
        return false;
    return store.AddLogEntry(event);
}
