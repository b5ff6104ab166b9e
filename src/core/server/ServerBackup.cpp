#include "ServerBackup.h"

#include "port/ProcessSecrets.h"
#include "port/ProgramFolder.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "text/Ascii.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kVersionsRoot = "/usr/lib/postgresql";

// The tables `create` makes in a file, in the server's (folded) spelling.
std::set<std::string> TablesMadeBy(bool (*create)(sqlite3*, std::string*)) {
    std::set<std::string> out;
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open(":memory:", &db) == SQLITE_OK && create(db, &error)) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "select name from sqlite_master where type = 'table'", -1, &st,
                               nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                out.insert(AsciiLower(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// The tables of the main data (goods, units, stock, bills): what a restore replaces.
const std::set<std::string>& MainTables() {
    static const std::set<std::string> tables = TablesMadeBy(CreateMainSchema);
    return tables;
}

// Every table this program keeps on a server: both sets of tables as the schema code makes
// them, the version table and the configuration table. A backup holds all of them.
const std::set<std::string>& ProgramTables() {
    static const std::set<std::string> tables = [] {
        std::set<std::string> out = TablesMadeBy(CreateOtherSchema);
        out.insert(MainTables().begin(), MainTables().end());
        out.insert({"ferix_schema", "ferix_config"});
        return out;
    }();
    return tables;
}

// A file in the Temp folder, removed when this object goes.
class CTempFile {
public:
    CTempFile() = default;
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;
    ~CTempFile() {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    bool Write(const fs::path& folder, const std::string& prefix, const std::string& content,
               std::string* error) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        std::string name = (folder / (prefix + "XXXXXX")).string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            *error = "无法在 Temp 文件夹中建立临时文件：" + std::string(std::strerror(errno));
            return false;
        }
        m_path = name;
        const bool written =
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        if (::close(fd) != 0 || !written) {
            *error = "无法在 Temp 文件夹中建立临时文件。";
            return false;
        }
        return true;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// A value as a service or password file line holds it: the rest of the line, as it is.
bool FitsOnOneLine(const std::string& value) {
    return value.find_first_of("\r\n") == std::string::npos &&
           (value.empty() || (value.back() != ' ' && value.back() != '\t'));
}

// The connection a client program gets: every parameter the program's own connection uses (its
// string, then the environment libpq would read), in a service file, the password in a password
// file, both in Temp/ and readable by the owner alone, removed again when this object goes. The
// client is started with "service=ferix" and the two files' names in its environment, nothing
// else of libpq's: no secret shows in its arguments or environment.
class CClientLogin {
public:
    CClientLogin() = default;
    CClientLogin(const CClientLogin&) = delete;
    CClientLogin& operator=(const CClientLogin&) = delete;

    bool Make(const std::string& conninfo, const fs::path& tempFolder, std::string* error) {
        char* parseError = nullptr;
        PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &parseError);
        if (!options) {
            PQfreemem(parseError); // it may quote the string, password and all
            *error = "Data/server.conf 中的连接字符串格式不正确。";
            return false;
        }
        std::string service = "[ferix]\n";
        bool fits = true;
        for (PQconninfoOption* o = options; o->keyword; ++o) {
            const std::string_view keyword = o->keyword;
            std::string value = o->val ? o->val : "";
            if (value.empty() && o->envvar && std::getenv(o->envvar))
                value = std::getenv(o->envvar);
            // A service cannot name another; the password goes to its own file.
            if (value.empty() || keyword == "service")
                continue;
            fits = fits && FitsOnOneLine(value);
            if (keyword == "password")
                m_password = value;
            else
                service += std::string(keyword) + "=" + value + "\n";
            if (keyword == "sslpassword")
                m_hidden.push_back(value);
        }
        PQconninfoFree(options);
        if (!m_password.empty())
            m_hidden.push_back(m_password);
        if (!fits) {
            *error = "连接字符串中的值含有换行或以空格结尾，无法交给 PostgreSQL 的客户端程序。";
            return false;
        }
        RemoveLeftSecretFiles(tempFolder);
        if (!m_serviceFile.Write(tempFolder, SecretFilePrefix("pgservice"), service, error))
            return false;
        if (m_password.empty())
            return true;
        std::string line = "*:*:*:*:";
        for (char c : m_password) {
            if (c == ':' || c == '\\')
                line += '\\';
            line += c;
        }
        return m_passfile.Write(tempFolder, SecretFilePrefix("pgpass"), line + "\n", error);
    }

    // What the client gets as its --dbname.
    std::string Conninfo() const { return "service=ferix"; }
    // The variables of libpq the client gets (all others are withheld).
    std::vector<std::string> Environment() const {
        std::vector<std::string> out{"PGSERVICEFILE=" + m_serviceFile.Path()};
        if (!m_passfile.Path().empty())
            out.push_back("PGPASSFILE=" + m_passfile.Path());
        return out;
    }
    // A text that may have picked a secret up, with it blanked out.
    std::string Hide(std::string text) const {
        for (const auto& secret : m_hidden) {
            for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at))
                text.replace(at, secret.size(), "******");
        }
        return text;
    }

private:
    std::string m_password;
    std::vector<std::string> m_hidden;
    CTempFile m_serviceFile;
    CTempFile m_passfile;
};

// The environment of a client program: the program's own, less every variable of libpq
// (PGPASSWORD, PGHOST, ...) and of this program (FERIX_*), plus `extra`.
std::vector<std::string> ClientEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> out;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry = *e;
        if (!entry.empty() && !entry.starts_with("PG") && !entry.starts_with("FERIX_"))
            out.emplace_back(entry);
    }
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

struct ClientRun {
    int exitCode = -1;
    std::string out; // standard output, unless it went to a file
    std::string err;
};

std::string MissingClientText(const std::string& name) {
    return "找不到 PostgreSQL 的客户端程序 " + name +
           "。备份和恢复数据库服务器上的数据需要它，请安装 postgresql-client 软件包。";
}

// Starts `name` with `args` (no shell) in a cleaned environment (ClientEnvironment, with the
// files of `login` when given), its standard output to `outFd` or, when that is -1, into
// run->out; waits for it.
bool RunClient(const std::string& name, const std::vector<std::string>& args, int outFd,
               ClientRun* run, std::string* error, const CClientLogin* login = nullptr) {
    const char* path = std::getenv("PATH");
    const auto program = FindServerClient(name, path ? path : "", kVersionsRoot);
    if (!program) {
        *error = MissingClientText(name);
        return false;
    }
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    if (::pipe2(errPipe, O_CLOEXEC) != 0 || (outFd < 0 && ::pipe2(outPipe, O_CLOEXEC) != 0)) {
        *error = std::strerror(errno);
        for (int fd : {errPipe[0], errPipe[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd >= 0 ? outFd : outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> argv{program->string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    std::vector<std::string> env =
        ClientEnvironment(login ? login->Environment() : std::vector<std::string>{});
    std::vector<char*> cenv;
    for (auto& e : env)
        cenv.push_back(e.data());
    cenv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(errPipe[1]);
    if (outPipe[1] >= 0)
        ::close(outPipe[1]);
    if (spawned != 0) {
        ::close(errPipe[0]);
        if (outPipe[0] >= 0)
            ::close(outPipe[0]);
        *error = "无法启动 " + program->string() + "：" + std::strerror(spawned);
        return false;
    }
    // Both streams are read as they come, so neither fills its pipe and stalls the child.
    std::vector<pollfd> fds{{errPipe[0], POLLIN, 0}};
    if (outPipe[0] >= 0)
        fds.push_back({outPipe[0], POLLIN, 0});
    char buffer[65536];
    while (std::any_of(fds.begin(), fds.end(), [](const pollfd& p) { return p.fd >= 0; })) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (auto& p : fds) {
            if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                (p.fd == errPipe[0] ? run->err : run->out).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(p.fd);
                p.fd = -1;
            }
        }
    }
    for (auto& p : fds)
        if (p.fd >= 0)
            ::close(p.fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

// What a client program said went wrong, in a line or two, without its own name in front.
std::string ClientFailure(const ClientRun& run) {
    std::istringstream lines(run.err);
    std::string line, said;
    int kept = 0;
    while (std::getline(lines, line) && kept < 3) {
        if (line.find("error:") == std::string::npos && line.find("DETAIL:") == std::string::npos &&
            line.find("detail:") == std::string::npos)
            continue;
        for (const char* prefix : {"pg_dump: detail: ", "pg_restore: detail: "})
            if (line.starts_with(prefix))
                line.erase(0, std::strlen(prefix));
        for (const char* prefix : {"pg_dump: ", "pg_restore: ", "error: "})
            if (line.starts_with(prefix))
                line.erase(0, std::strlen(prefix));
        said += (said.empty() ? "" : "\r\n") + line;
        ++kept;
    }
    if (said.empty())
        said = run.err.empty() ? "退出码 " + std::to_string(run.exitCode) : run.err;
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
        said.pop_back();
    return said;
}

struct ServerState {
    std::string schema;                  // where this program's unqualified tables are made
    std::map<std::string, int> versions; // the rows of ferix_schema ("main_data" -> 4)
};

std::optional<ServerState> ReadServerState(const std::string& conninfo, std::string* error) {
    const PgConnection conn = ConnectToServer(conninfo, error);
    if (!conn) {
        *error = "无法连接数据库服务器：" + *error;
        return std::nullopt;
    }
    PgResult r(
        PQexec(conn.get(), "SELECT current_schema(), to_regclass('ferix_schema') IS NOT NULL"));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1) {
        *error = PQerrorMessage(conn.get());
        return std::nullopt;
    }
    if (PQgetisnull(r.get(), 0, 0) || std::string_view(PQgetvalue(r.get(), 0, 1)) != "t") {
        *error = kNoServerDataText;
        return std::nullopt;
    }
    ServerState state{PQgetvalue(r.get(), 0, 0), {}};
    PgResult rows(PQexec(conn.get(), "SELECT name, version FROM ferix_schema"));
    if (!rows || PQresultStatus(rows.get()) != PGRES_TUPLES_OK) {
        *error = PQerrorMessage(conn.get());
        return std::nullopt;
    }
    for (int i = 0; i < PQntuples(rows.get()); ++i)
        state.versions[PQgetvalue(rows.get(), i, 0)] = std::atoi(PQgetvalue(rows.get(), i, 1));
    return state;
}

// A pattern naming exactly one table of one schema, as the client programs read patterns.
std::string ExactPattern(const std::string& schema, const std::string& table) {
    auto quote = [](const std::string& name) {
        std::string out = "\"";
        for (char c : name)
            out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    };
    return quote(schema) + "." + quote(table);
}

struct ArchiveEntry {
    std::string type;
    std::string schema;
    std::string name;
};

// The entries of `pg_restore -l`: "ID; OID OID TYPE SCHEMA NAME OWNER". Nothing when a line
// is of a kind this program never writes.
std::optional<std::vector<ArchiveEntry>> ParseArchiveList(const std::string& list,
                                                          std::string* odd) {
    // Longest first: "TABLE DATA" before "TABLE".
    static const char* const kTypes[] = {"SEQUENCE OWNED BY",
                                         "FK CONSTRAINT",
                                         "SEQUENCE SET",
                                         "TABLE DATA",
                                         "CONSTRAINT",
                                         "SEQUENCE",
                                         "DEFAULT",
                                         "COMMENT",
                                         "INDEX",
                                         "TABLE",
                                         "ACL"};
    std::vector<ArchiveEntry> entries;
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == ';')
            continue;
        std::istringstream words(line);
        std::string id, oid1, oid2;
        words >> id >> oid1 >> oid2;
        std::string rest;
        std::getline(words, rest);
        rest.erase(0, rest.find_first_not_of(' '));
        ArchiveEntry e;
        for (const char* type : kTypes) {
            if (rest.starts_with(std::string(type) + " ")) {
                e.type = type;
                break;
            }
        }
        if (e.type.empty()) {
            *odd = rest.substr(0, rest.find(' '));
            return std::nullopt;
        }
        std::istringstream fields(rest.substr(e.type.size()));
        fields >> e.schema >> e.name;
        entries.push_back(std::move(e));
    }
    return entries;
}

// The schema versions the archive's ferix_schema rows hold ("main_data" -> 4).
std::map<std::string, int> ArchivedVersions(const std::string& script) {
    std::map<std::string, int> versions;
    std::istringstream lines(script);
    std::string line;
    bool inData = false;
    while (std::getline(lines, line)) {
        if (!inData) {
            inData = line.starts_with("COPY ") && line.find(".ferix_schema ") != std::string::npos;
            continue;
        }
        if (line == "\\.")
            break;
        const size_t tab = line.find('\t');
        if (tab != std::string::npos)
            versions[line.substr(0, tab)] = std::atoi(line.c_str() + tab + 1);
    }
    return versions;
}

} // namespace

std::optional<fs::path> FindServerClient(const std::string& name, const std::string& searchPath,
                                         const fs::path& versionsRoot) {
    std::error_code ec;
    auto runnable = [&](const fs::path& p) {
        return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
    };
    std::istringstream folders(searchPath);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && runnable(fs::path(folder) / name))
            return fs::path(folder) / name;
    }
    // Debian keeps each major version's programs in its own folder; the newest can read and
    // write for every older server.
    std::vector<std::pair<int, fs::path>> found;
    fs::directory_iterator it(versionsRoot, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string version = it->path().filename().string();
        const fs::path candidate = it->path() / "bin" / name;
        if (!version.empty() && std::isdigit(static_cast<unsigned char>(version[0])) &&
            runnable(candidate))
            found.emplace_back(std::atoi(version.c_str()), candidate);
    }
    if (found.empty())
        return std::nullopt;
    return std::max_element(found.begin(), found.end())->second;
}

bool DumpServerData(const std::string& conninfo, const fs::path& target, const fs::path& tempFolder,
                    std::string* error) {
    CClientLogin login;
    if (!login.Make(conninfo, tempFolder, error))
        return false;
    const auto server = ReadServerState(conninfo, error);
    if (!server) {
        *error = login.Hide(*error);
        return false;
    }
    // Exactly this program's tables (each must be there), never anything else the schema holds.
    std::vector<std::string> args{"--format=custom", "--strict-names"};
    for (const auto& table : ProgramTables())
        args.push_back("--table=" + ExactPattern(server->schema, table));
    args.push_back("--dbname=" + login.Conninfo());

    // Created exclusively: an existing backup is never overwritten.
    // Owner-only: the archive holds the operators' password hashes.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = std::string(std::strerror(errno)) + " (" + target.string() + ")";
        return false;
    }
    ClientRun run;
    const bool started = RunClient("pg_dump", args, fd, &run, error, &login);
    ::close(fd);
    if (started && run.exitCode == 0)
        return true;
    if (started)
        *error = login.Hide(ClientFailure(run));
    std::error_code ec;
    fs::remove(target, ec);
    return false;
}

namespace {

struct BackupLook {
    int archivedMain = 0; // the main tables' version in the archive
    int serverMain = 0;   // and on the server now
};

// Why `file` cannot be restored here (CheckServerBackup); `look` gets the main versions.
std::optional<std::string> LookAtBackup(const std::string& conninfo, const fs::path& file,
                                        const fs::path& tempFolder, BackupLook* look) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return std::string("找不到这个文件。");
    std::string error;
    ClientRun list;
    if (!RunClient("pg_restore", {"--list", "--file=-", file.string()}, -1, &list, &error))
        return error;
    const std::string notOurs = "它不是本程序数据库服务器数据的备份。";
    if (list.exitCode != 0) {
        // An archive all the same (made by a newer pg_dump, or damaged): what pg_restore says.
        char magic[5] = {};
        std::FILE* f = std::fopen(file.c_str(), "rb");
        const bool archive =
            f && std::fread(magic, 1, 5, f) == 5 && std::string_view(magic, 5) == "PGDMP";
        if (f)
            std::fclose(f);
        return archive ? "无法读取这个备份（" + ClientFailure(list) + "）。" : notOurs;
    }
    std::string odd;
    const auto entries = ParseArchiveList(list.out, &odd);
    if (!entries)
        return "它不是本程序数据库服务器数据的备份（含有 " + odd + "）。";

    CClientLogin login;
    if (!login.Make(conninfo, tempFolder, &error))
        return error;
    const auto server = ReadServerState(conninfo, &error);
    if (!server)
        return login.Hide(error);
    std::set<std::string> tables;
    for (const auto& e : *entries) {
        if (e.schema != server->schema)
            return "它是数据库架构 " + e.schema + " 中数据的备份，这个程序文件夹的数据在 " +
                   server->schema + " 中。";
        if (e.type == "TABLE")
            tables.insert(e.name);
    }
    if (!tables.count("ferix_schema"))
        return notOurs;
    ClientRun versions;
    if (!RunClient("pg_restore", {"--data-only", "--table=ferix_schema", "--file=-", file.string()},
                   -1, &versions, &error))
        return error;
    if (versions.exitCode != 0)
        return "文件已损坏（" + ClientFailure(versions) + "）。";
    const auto stamped = ArchivedVersions(versions.out);
    const auto main = stamped.find("main_data"), other = stamped.find("other_data");
    if (main == stamped.end() || other == stamped.end())
        return notOurs;
    if (main->second > kMainSchemaVersion || other->second > kOtherSchemaVersion)
        return std::string("它由更新版本的程序创建。");
    for (const auto& table : ProgramTables())
        if (!tables.count(table))
            return "它不是本程序数据的完整备份（缺少数据表 " + table + "）。";
    for (const auto& table : tables)
        if (!ProgramTables().count(table))
            return "它不是本程序数据库服务器数据的备份（含有数据表 " + table + "）。";
    const auto nowMain = server->versions.find("main_data");
    const auto nowOther = server->versions.find("other_data");
    if (nowMain == server->versions.end() || nowOther == server->versions.end())
        return std::string(kNoServerDataText);
    // Main tables of another version take their version row along, and the version table
    // restores only as a whole: the archive's row for the other tables must be the one they
    // have here.
    if (main->second != nowMain->second && other->second != nowOther->second)
        return std::string("它由另一版本的程序创建，其中操作员、日志等数据的版本与现有的不同，"
                           "不能只恢复主数据。");
    look->archivedMain = main->second;
    look->serverMain = nowMain->second;
    return std::nullopt;
}

// The lines of `pg_restore --list --verbose` that restore `tables`: each one's own entry and
// every entry that depends on one of them, directly or through another (its rows, keys,
// indexes, the sequence of its ids and that sequence's value). Nothing unless every one of
// `tables` is there.
std::optional<std::string> EntriesOf(const std::string& list, const std::set<std::string>& tables) {
    struct Entry {
        std::string line;
        std::vector<std::string> needs;
        std::string table; // the name when it is a table's entry
    };
    std::vector<std::string> order;
    std::map<std::string, Entry> byId;
    Entry* last = nullptr;
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with(";\tdepends on:") && last) {
            std::istringstream ids(line.substr(std::strlen(";\tdepends on:")));
            std::string id;
            while (ids >> id)
                last->needs.push_back(id);
            continue;
        }
        last = nullptr;
        if (line.empty() || line[0] == ';')
            continue;
        std::istringstream words(line);
        std::string id, oid1, oid2, type, schema, name;
        words >> id >> oid1 >> oid2 >> type >> schema >> name;
        if (id.empty() || id.back() != ';')
            continue;
        id.pop_back();
        order.push_back(id);
        last = &byId[id];
        last->line = line;
        // "TABLE DATA ..." has "DATA" where a table's entry has its schema.
        if (type == "TABLE" && schema != "DATA")
            last->table = name;
    }
    std::set<std::string> found;
    for (const auto& [id, e] : byId)
        if (tables.count(e.table))
            found.insert(e.table);
    if (found.size() != tables.size())
        return std::nullopt;
    std::map<std::string, bool> known;
    std::set<std::string> visiting;
    std::function<bool(const std::string&)> selected = [&](const std::string& id) {
        if (auto k = known.find(id); k != known.end())
            return k->second;
        const auto e = byId.find(id);
        if (e == byId.end() || !visiting.insert(id).second)
            return false;
        bool yes = tables.count(e->second.table) > 0;
        for (const auto& need : e->second.needs)
            yes = yes || selected(need);
        visiting.erase(id);
        return known[id] = yes;
    };
    std::string out;
    for (const auto& id : order)
        if (selected(id))
            out += byId[id].line + "\n";
    return out;
}

} // namespace

std::optional<std::string> CheckServerBackup(const std::string& conninfo, const fs::path& file,
                                             const fs::path& tempFolder) {
    BackupLook look;
    return LookAtBackup(conninfo, file, tempFolder, &look);
}

bool RestoreServerData(const std::string& conninfo, const fs::path& file,
                       const fs::path& tempFolder, std::string* error) {
    // Looked at again just before: the file or the server may have changed since.
    BackupLook look;
    if (auto reason = LookAtBackup(conninfo, file, tempFolder, &look)) {
        *error = *reason;
        return false;
    }
    ClientRun list;
    if (!RunClient("pg_restore", {"--list", "--verbose", "--file=-", file.string()}, -1, &list,
                   error))
        return false;
    if (list.exitCode != 0) {
        *error = ClientFailure(list);
        return false;
    }
    // The main tables only, as a restore of the main data file; with them their version row
    // when it differs, so the next connection upgrades them.
    std::set<std::string> tables = MainTables();
    if (look.archivedMain != look.serverMain)
        tables.insert("ferix_schema");
    const auto entries = EntriesOf(list.out, tables);
    if (!entries) {
        *error = "它不是本程序数据的完整备份。";
        return false;
    }
    CTempFile selection;
    if (!selection.Write(tempFolder, "restore-", *entries, error))
        return false;
    CClientLogin login;
    if (!login.Make(conninfo, tempFolder, error))
        return false;
    // One transaction: the tables are dropped, made again and filled, or nothing changes.
    ClientRun run;
    if (!RunClient("pg_restore",
                   {"--single-transaction", "--exit-on-error", "--clean", "--if-exists",
                    "--no-owner", "--use-list=" + selection.Path(), "--dbname=" + login.Conninfo(),
                    file.string()},
                   -1, &run, error, &login))
        return false;
    if (run.exitCode == 0)
        return true;
    *error = login.Hide(ClientFailure(run));
    return false;
}

namespace {

// The connection string of the folder's server, or why there is none to use.
std::optional<std::string> FolderConninfo(std::string* error) {
    const ServerConfig conf = ReadServerConfig(ProgramFolder());
    if (!conf.error.empty()) {
        *error = conf.error;
        return std::nullopt;
    }
    return conf.conninfo;
}

fs::path TempFolder() {
    return ProgramFolder() / "Temp";
}

} // namespace

bool DumpFolderServerData(const fs::path& target, std::string* error) {
    const auto conninfo = FolderConninfo(error);
    return conninfo && DumpServerData(*conninfo, target, TempFolder(), error);
}

std::optional<std::string> CheckFolderServerBackup(const fs::path& file) {
    std::string error;
    const auto conninfo = FolderConninfo(&error);
    if (!conninfo)
        return error;
    return CheckServerBackup(*conninfo, file, TempFolder());
}

bool RestoreFolderServerData(const fs::path& file, std::string* error) {
    const auto conninfo = FolderConninfo(error);
    return conninfo && RestoreServerData(*conninfo, file, TempFolder(), error);
}
