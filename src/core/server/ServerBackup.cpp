#include "ServerBackup.h"

#include "port/ProcessSecrets.h"
#include "port/ProgramFolder.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "store/WorkRights.h"
#include "store/WriteLock.h"
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
std::set<std::string> TablesMadeBy(const std::function<bool(sqlite3*, std::string*)>& create) {
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

// The main tables as the program made them at `version`.
const std::set<std::string>& MainTablesAt(int version) {
    static const std::map<int, std::set<std::string>> byVersion = [] {
        std::map<int, std::set<std::string>> out;
        for (int v = 1; v <= kMainSchemaVersion; ++v)
            out[v] = TablesMadeBy(
                [v](sqlite3* db, std::string* error) { return CreateMainSchemaAt(db, v, error); });
        return out;
    }();
    const auto it = byVersion.find(version);
    return it != byVersion.end() ? it->second : MainTables();
}

// Every table this program keeps on a server: both sets of tables as the schema code makes
// them (the main ones at `mainVersion`), the version table and the configuration table. A backup
// holds all of them.
std::set<std::string> ProgramTablesAt(int mainVersion) {
    static const std::set<std::string> others = TablesMadeBy(CreateOtherSchema);
    std::set<std::string> out = others;
    out.insert(MainTablesAt(mainVersion).begin(), MainTablesAt(mainVersion).end());
    out.insert({"ferix_schema", "ferix_config"});
    return out;
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

// The entries of `pg_restore -l`: "ID; OID OID TYPE SCHEMA NAME OWNER". A schema name may hold
// spaces: `schema`, the one the data is in here, is taken whole where it stands. Nothing when a
// line is of a kind this program never writes. A schema's own entry, and a comment or grant on a
// schema ("COMMENT - SCHEMA name"), count as of that schema; any other entry outside a schema (an
// extension, a comment on one) keeps "-" for its schema: it belongs to the whole database.
std::optional<std::vector<ArchiveEntry>>
ParseArchiveList(const std::string& list, const std::string& schema, std::string* odd) {
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
        // The schema's own entry, in an archive of the whole schema: nothing of it is taken, it
        // only says which schema the archive is of.
        if (rest.starts_with("SCHEMA - "))
            e.type = "SCHEMA";
        if (e.type.empty()) {
            *odd = rest.substr(0, rest.find(' '));
            return std::nullopt;
        }
        std::string fieldText = rest.substr(e.type.size() + 1);
        if (fieldText.starts_with("- SCHEMA ") && (e.type == "COMMENT" || e.type == "ACL"))
            fieldText.erase(0, 9);
        else if (e.type == "SCHEMA")
            fieldText.erase(0, 2);
        if (fieldText.starts_with(schema + " ") || fieldText == schema) {
            e.schema = schema;
            fieldText.erase(0, schema.size() + 1);
        } else {
            e.schema = fieldText.substr(0, fieldText.find(' '));
            fieldText.erase(0, e.schema.size() + 1);
        }
        std::istringstream fields(fieldText);
        fields >> e.name;
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
    // Exactly this program's tables at the version they are at here (each must be there), never
    // anything else the schema holds.
    std::vector<std::string> args{"--format=custom", "--strict-names"};
    const auto main = server->versions.find("main_data");
    for (const auto& table :
         ProgramTablesAt(main != server->versions.end() ? main->second : kMainSchemaVersion))
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
    CClientLogin login;
    if (!login.Make(conninfo, tempFolder, &error))
        return error;
    const auto server = ReadServerState(conninfo, &error);
    if (!server)
        return login.Hide(error);
    std::string odd;
    const auto entries = ParseArchiveList(list.out, server->schema, &odd);
    if (!entries)
        return "它不是本程序数据库服务器数据的备份（含有 " + odd + "）。";

    std::set<std::string> tables, schemas;
    for (const auto& e : *entries) {
        schemas.insert(e.schema);
        if (e.type == "TABLE")
            tables.insert(e.name);
    }
    // More than one schema, or things of the database itself: an archive of a whole database.
    if (schemas.count("-") || schemas.size() > 1)
        return "它是整个数据库的备份，不是本程序数据的备份；这个程序文件夹只能恢复数据库架构 " +
               server->schema + " 中本程序数据表的备份。";
    if (!schemas.empty() && *schemas.begin() != server->schema)
        return "它是数据库架构 " + *schemas.begin() + " 中数据的备份，这个程序文件夹的数据在 " +
               server->schema + " 中。";
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
    // An archive of an older schema version holds the tables of that version.
    const std::set<std::string> expected = ProgramTablesAt(main->second);
    for (const auto& table : expected)
        if (!tables.count(table))
            return "它不是本程序数据的完整备份（缺少数据表 " + table + "）。";
    for (const auto& table : tables)
        if (!expected.count(table))
            return "它不是本程序数据库服务器数据的备份（含有数据表 " + table + "）。";
    const auto nowMain = server->versions.find("main_data");
    const auto nowOther = server->versions.find("other_data");
    if (nowMain == server->versions.end() || nowOther == server->versions.end())
        return std::string(kNoServerDataText);
    look->archivedMain = main->second;
    look->serverMain = nowMain->second;
    return std::nullopt;
}

// One `COPY table (columns) FROM stdin;` block of the archive's data text.
struct CopyBlock {
    std::string table;
    std::vector<std::string> columns;
    std::string rows; // the lines as they stand, each ended by "\n"
    long long count = 0;
};

// A `setval` of a sequence: its name (schema left off) and the value to set.
struct SequenceSetting {
    std::string sequence;
    std::string value;
    bool called = true;
};

struct ArchiveData {
    std::vector<CopyBlock> blocks;
    std::vector<SequenceSetting> sequences;
};

// A name as pg_dump writes it, quoted or not, from `at`; `at` moves past it.
std::optional<std::string> ReadName(const std::string& text, size_t& at) {
    std::string name;
    if (at < text.size() && text[at] == '"') {
        for (++at; at < text.size(); ++at) {
            if (text[at] == '"') {
                if (at + 1 < text.size() && text[at + 1] == '"') {
                    name += '"';
                    ++at;
                    continue;
                }
                ++at;
                return name;
            }
            name += text[at];
        }
        return std::nullopt;
    }
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) ||
                                text[at] == '_' || text[at] == '$'))
        name += text[at++];
    if (name.empty())
        return std::nullopt;
    return name;
}

// "schema.name" as pg_dump writes it: the name alone, when the schema is `schema`.
std::optional<std::string> ReadQualifiedName(const std::string& text, size_t& at,
                                             const std::string& schema) {
    const auto first = ReadName(text, at);
    if (!first || at >= text.size() || text[at] != '.' || *first != schema)
        return std::nullopt;
    ++at;
    return ReadName(text, at);
}

// The archive's data as text (`pg_restore --data-only`), read as data: the rows of each table
// and the values of the sequences. The text is never run; a line of any other kind is refused.
std::optional<ArchiveData> ParseArchiveData(const std::string& text, const std::string& schema,
                                            std::string* error) {
    ArchiveData data;
    std::istringstream lines(text);
    std::string line;
    auto odd = [&](const std::string& what) {
        *error = "备份中含有本程序不接受的内容（" + what.substr(0, 80) + "）。";
        return std::nullopt;
    };
    while (std::getline(lines, line)) {
        if (line.empty() || line.starts_with("--") || line.starts_with("SET ") ||
            line.starts_with("SELECT pg_catalog.set_config('search_path', '', false);") ||
            line.starts_with("\\restrict ") || line.starts_with("\\unrestrict "))
            continue;
        if (line.starts_with("COPY ")) {
            size_t at = 5;
            CopyBlock block;
            const auto table = ReadQualifiedName(line, at, schema);
            if (!table || line.compare(at, 2, " (") != 0)
                return odd(line);
            block.table = *table;
            at += 2;
            for (;;) {
                const auto column = ReadName(line, at);
                if (!column)
                    return odd(line);
                block.columns.push_back(*column);
                if (line.compare(at, 2, ", ") == 0) {
                    at += 2;
                    continue;
                }
                break;
            }
            if (line.substr(at) != ") FROM stdin;")
                return odd(line);
            bool ended = false;
            while (std::getline(lines, line)) {
                if (line == "\\.") {
                    ended = true;
                    break;
                }
                block.rows += line + "\n";
                ++block.count;
            }
            if (!ended) {
                *error = "备份中数据表 " + block.table + " 的数据不完整。";
                return std::nullopt;
            }
            data.blocks.push_back(std::move(block));
            continue;
        }
        const std::string setval = "SELECT pg_catalog.setval('";
        if (line.starts_with(setval)) {
            // The name is a literal holding a qualified name: no quote of its own inside.
            const size_t close = line.find('\'', setval.size());
            if (close == std::string::npos)
                return odd(line);
            const std::string qualified = line.substr(setval.size(), close - setval.size());
            size_t at = 0;
            const auto sequence = ReadQualifiedName(qualified, at, schema);
            if (!sequence || at != qualified.size())
                return odd(line);
            SequenceSetting setting{*sequence, "", true};
            at = close + 1;
            if (line.compare(at, 2, ", ") != 0)
                return odd(line);
            for (at += 2; at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]));
                 ++at)
                setting.value += line[at];
            const std::string rest = line.substr(at);
            if (setting.value.empty() || (rest != ", true);" && rest != ", false);"))
                return odd(line);
            setting.called = rest == ", true);";
            data.sequences.push_back(std::move(setting));
            continue;
        }
        return odd(line);
    }
    return data;
}

std::string QuotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The rows of one statement with values, or nothing (the server's message in `error`).
std::optional<std::vector<std::vector<std::string>>> Rows(PGconn* conn, const std::string& sql,
                                                          const std::vector<std::string>& values,
                                                          std::string* error) {
    std::vector<const char*> params;
    for (const auto& v : values)
        params.push_back(v.c_str());
    PgResult r(PQexecParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr,
                            params.data(), nullptr, nullptr, 0));
    if (!r || (PQresultStatus(r.get()) != PGRES_TUPLES_OK &&
               PQresultStatus(r.get()) != PGRES_COMMAND_OK)) {
        *error = ServerErrorText(conn);
        return std::nullopt;
    }
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        out.emplace_back();
        for (int j = 0; j < PQnfields(r.get()); ++j)
            out.back().push_back(PQgetvalue(r.get(), i, j));
    }
    return out;
}

// One block's rows into its table, through COPY on this connection.
bool CopyRows(PGconn* conn, const CopyBlock& block, std::string* error) {
    // Only the table's own columns, named by the program.
    const auto known = Rows(conn,
                            "SELECT column_name FROM information_schema.columns"
                            " WHERE table_schema = current_schema() AND table_name = $1",
                            {block.table}, error);
    if (!known)
        return false;
    std::set<std::string> columns;
    for (const auto& row : *known)
        columns.insert(row[0]);
    std::string list;
    for (const auto& column : block.columns) {
        if (!columns.count(column)) {
            *error = "备份中数据表 " + block.table + " 的列 " + column + " 不是本程序的。";
            return false;
        }
        list += (list.empty() ? "" : ", ") + QuotedName(column);
    }
    const std::string sql = "COPY " + QuotedName(block.table) + " (" + list + ") FROM STDIN";
    PgResult start(PQexec(conn, sql.c_str()));
    if (!start || PQresultStatus(start.get()) != PGRES_COPY_IN) {
        *error = ServerErrorText(conn);
        return false;
    }
    bool sent = PQputCopyData(conn, block.rows.data(), static_cast<int>(block.rows.size())) == 1;
    sent = PQputCopyEnd(conn, sent ? nullptr : "not sent") == 1 && sent;
    bool ok = sent;
    long long copied = -1;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            ok = false;
        else
            copied = std::atoll(PQcmdTuples(r));
        PQclear(r);
    }
    if (!ok) {
        *error = ServerErrorText(conn);
        return false;
    }
    // The archive's rows, every one of them.
    if (copied != block.count) {
        *error = "数据表 " + block.table + " 恢复了 " + std::to_string(copied) + " 行，备份中有 " +
                 std::to_string(block.count) + " 行。";
        return false;
    }
    return true;
}

// Within the restore's transaction: the main tables emptied (made again at the archive's version
// when it is another) and filled with the archive's rows, their ids going on after the archive's,
// then brought to the program's version by its own steps.
bool ReplaceMainTables(PGconn* conn, const ArchiveData& data, const BackupLook& look,
                       std::string* error) {
    const std::set<std::string>& archived = MainTablesAt(look.archivedMain);
    std::string sql;
    if (look.archivedMain == look.serverMain) {
        for (const auto& table : archived)
            sql += (sql.empty() ? "TRUNCATE " : ", ") + QuotedName(table);
        sql += " RESTART IDENTITY";
    } else {
        for (const auto& table : MainTablesAt(look.serverMain))
            sql += "DROP TABLE IF EXISTS " + QuotedName(table) + ";\n";
    }
    if (!ServerExec(conn, sql, error))
        return false;
    if (look.archivedMain != look.serverMain &&
        (!CreateServerMainTablesAt(conn, look.archivedMain, error) ||
         !ServerExec(conn,
                     "UPDATE ferix_schema SET version = " + std::to_string(look.archivedMain) +
                         " WHERE name = 'main_data'",
                     error)))
        return false;
    // The other tables (operators, log, settings) stay as they are here.
    std::set<std::string> filled;
    for (const auto& block : data.blocks) {
        if (!ProgramTablesAt(look.archivedMain).count(block.table)) {
            *error = "备份中含有不属于本程序的数据表 " + block.table + " 的数据。";
            return false;
        }
        if (!archived.count(block.table))
            continue;
        if (!filled.insert(block.table).second) {
            *error = "备份中数据表 " + block.table + " 的数据出现了两次。";
            return false;
        }
        if (!CopyRows(conn, block, error))
            return false;
    }
    // The identity sequences of the main tables, as the server names them.
    const auto owned = Rows(conn,
                            "SELECT s.relname, t.relname FROM pg_class s"
                            " JOIN pg_depend d ON d.classid = 'pg_class'::regclass"
                            " AND d.objid = s.oid AND d.deptype IN ('a', 'i')"
                            " JOIN pg_class t ON t.oid = d.refobjid"
                            " WHERE s.relkind = 'S' AND s.relnamespace ="
                            " (SELECT oid FROM pg_namespace WHERE nspname = current_schema())",
                            {}, error);
    if (!owned)
        return false;
    std::map<std::string, std::string> tableOfSequence;
    for (const auto& row : *owned)
        tableOfSequence[row[0]] = row[1];
    for (const auto& setting : data.sequences) {
        const auto it = tableOfSequence.find(setting.sequence);
        if (it == tableOfSequence.end()) {
            // The other tables' sequences stay with their rows.
            static const std::set<std::string> others = {"manage_id_seq", "log_id_seq",
                                                         "setting_id_seq"};
            if (others.count(setting.sequence))
                continue;
            *error = "备份中含有不属于本程序的序列 " + setting.sequence + "。";
            return false;
        }
        if (!archived.count(it->second))
            continue;
        if (!Rows(conn, "SELECT setval(format('%I', $1::text)::regclass, $2::bigint, $3::boolean)",
                  {setting.sequence, setting.value, setting.called ? "true" : "false"}, error))
            return false;
    }
    return look.archivedMain == kMainSchemaVersion ||
           UpgradeServerTablesFrom(conn, true, look.archivedMain, error);
}
} // namespace

std::optional<std::string> CheckServerBackup(const std::string& conninfo, const fs::path& file,
                                             const fs::path& tempFolder) {
    BackupLook look;
    return LookAtBackup(conninfo, file, tempFolder, &look);
}

bool RestoreServerData(const std::string& conninfo, const std::string& ownerConninfo,
                       const fs::path& file, const fs::path& tempFolder,
                       const std::function<bool(std::string& error)>& safetyCopy,
                       std::string* error) {
    const std::string& restoring = ownerConninfo.empty() ? conninfo : ownerConninfo;
    CClientLogin login;
    if (!login.Make(restoring, tempFolder, error))
        return false;
    PgConnection conn = ConnectToServer(restoring, error);
    if (!conn) {
        *error = "无法连接数据库服务器：" + login.Hide(*error);
        return false;
    }
    auto fail = [&](const std::string& why) {
        *error = login.Hide(why);
        ServerExec(conn.get(), "ROLLBACK", nullptr);
        return false;
    };
    std::string why;
    // A role that does not own the tables could not empty them: said before any safety copy is
    // made for a restore that cannot run.
    bool owns = false;
    if (!OwnsProgramTables(conn.get(), &owns, &why))
        return fail(why);
    if (!owns)
        return fail(kRestoreNeedsOwnerText);
    // From here to COMMIT no workstation writes: each waits at the start of its transaction, and
    // then writes into the restored data.
    // A workstation whose transaction does not end is not waited for without end.
    if (!ServerExec(
            conn.get(),
            "BEGIN; SET LOCAL lock_timeout = '" + std::to_string(kWritersWaitSeconds) + "s'", &why))
        return fail(why);
    PgResult locked(
        PQexec(conn.get(),
               ("SELECT pg_advisory_xact_lock(" + std::to_string(kWriteLockKey) + ")").c_str()));
    if (!locked || PQresultStatus(locked.get()) != PGRES_TUPLES_OK) {
        const char* state = locked ? PQresultErrorField(locked.get(), PG_DIAG_SQLSTATE) : nullptr;
        return fail(state && std::string_view(state) == "55P03" ? std::string(kWritersBusyText)
                                                                : ServerErrorText(conn.get()));
    }
    if (!ServerExec(conn.get(), "SET LOCAL lock_timeout = 0", &why))
        return fail(why);
    if (safetyCopy && !safetyCopy(*error)) {
        ServerExec(conn.get(), "ROLLBACK", nullptr);
        return false;
    }
    // Looked at again just before: the file or the server may have changed since.
    BackupLook look;
    if (auto reason = LookAtBackup(conninfo, file, tempFolder, &look))
        return fail(*reason);
    ClientRun text;
    if (!RunClient("pg_restore", {"--data-only", "--file=-", file.string()}, -1, &text, &why))
        return fail(why);
    if (text.exitCode != 0)
        return fail(ClientFailure(text));
    PgResult schema(PQexec(conn.get(), "SELECT current_schema()"));
    if (!schema || PQresultStatus(schema.get()) != PGRES_TUPLES_OK ||
        PQntuples(schema.get()) != 1 || PQgetisnull(schema.get(), 0, 0))
        return fail(ServerErrorText(conn.get()));
    const auto data = ParseArchiveData(text.out, PQgetvalue(schema.get(), 0, 0), &why);
    if (!data || !ReplaceMainTables(conn.get(), *data, look, &why) ||
        !ServerExec(conn.get(), "COMMIT", &why))
        return fail(why);
    return true;
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

bool RestoreFolderServerData(const fs::path& file, const std::string& ownerConninfo,
                             const std::function<bool(std::string& error)>& safetyCopy,
                             std::string* error) {
    const auto conninfo = FolderConninfo(error);
    return conninfo &&
           RestoreServerData(*conninfo, ownerConninfo, file, TempFolder(), safetyCopy, error);
}
