#include "ServerBenchData.h"
#include "DecadeData.h"

#include "BenchData.h"
#include "app/ProgramFolderSetup.h"
#include "store/CDataStore.h"
#include "store/LineSummary.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "store/StoreEngine.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Raise when the way a set is made changes, so old databases are made again.
constexpr int kServerSetVersion = 6;
constexpr const char* kRunPrefix = "ferix_bench_run_";

[[noreturn]] void Die(const std::string& why) {
    std::cerr << "bench server data: " << why << "\n";
    std::abort();
}

// The server's connection string naming another database (the given one may be a URI).
std::string WithDatabase(const std::string& conninfo, const std::string& database) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        PQfreemem(error);
        Die("FERIX_BENCH_PG is not a connection string");
    }
    std::string out;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (o->val && *o->val && std::string_view(o->keyword) != "dbname")
            out += std::string(o->keyword) + "=" + ConninfoValue(o->val) + " ";
    }
    PQconninfoFree(options);
    return out + "dbname=" + database;
}

std::string DatabaseName(const ServerDataSet& set) {
    return "ferix_bench_" + set.name + "_v" + std::to_string(kServerSetVersion) + "_g" +
           std::to_string(set.reference.goods) + "_c" + std::to_string(set.reference.customers) +
           "_b" + std::to_string(set.bills) + "_l" + std::to_string(set.linesPerBill) + "_d" +
           std::to_string(set.days) +
           (set.purchasesOnly ? "_p"
            : set.salesOnly   ? "_s"
                              : "_m") +
           (set.skewed ? "_z" : "");
}

int64_t Count(CBarePg& db, const std::string& sql) {
    auto r = db.Exec(sql);
    return std::atoll(PQgetvalue(r.get(), 0, 0));
}

bool DatabaseExists(CBarePg& server, const std::string& name) {
    return Count(server, "select count(*) from pg_database where datname = '" + name + "'") > 0;
}

// Every line the set should hold, and the mark written with them.
bool SetIsComplete(const std::string& conninfo, const ServerDataSet& set) {
    CBarePg db(conninfo);
    const int64_t lines = static_cast<int64_t>(set.bills) * set.linesPerBill;
    auto mark = db.Exec("select to_regclass('ferix_bench_made') is not null");
    if (std::string_view(PQgetvalue(mark.get(), 0, 0)) != "t")
        return false;
    return Count(db, "select detail_rows from ferix_bench_made") == lines &&
           Count(db, "select (select count(*) from EnterStock_Detail) + (select count(*) from"
                     " BackStock_Detail) + (select count(*) from EnterSale_Detail) + (select"
                     " count(*) from BackSale_Detail)") == lines;
}

// A database that sorts texts as people do (ICU, en-US), as servers are usually set up; one in
// C order on a server built without ICU.
void CreateDatabase(CBarePg& server, const std::string& name) {
    const std::string create = "create database " + name + " template template0 encoding 'UTF8'";
    PGresult* r = PQexec(server.Get(), (create + " locale 'C.UTF-8' locale_provider icu"
                                                 " icu_locale 'en-US'")
                                           .c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok)
        server.Exec(create + " locale 'C'");
}

std::string Money(const std::string& expression, int decimals) {
    return "to_char(" + expression + ", 'FM999999999990." + std::string(decimals, '0') + "')";
}

// The bills, their lines and the stock rows, written in bulk. Lines of one bill are different
// goods; bill numbers look like the program's own; a bill's lines repeat its header as the
// program writes them.
std::vector<std::string> FillStatements(const ServerDataSet& set) {
    const std::string bills = std::to_string(set.bills);
    const std::string goods = std::to_string(set.reference.goods);
    const std::string units = std::to_string(set.reference.customers);
    const std::string kind = set.purchasesOnly ? "0"
                             : set.salesOnly   ? "2"
                                               : "case when b % 10 < 4 then 0 when b % 10 < 8 then"
                                                 " 2 when b % 10 = 8 then 1 else 3 end";
    // Lines of one bill are different goods when spread evenly; skewed, a spread h of the bill
    // and line picks one of every fifth goods item four times in five.
    const std::string h = "((b::bigint * 2654435761 + j * 40503) % 4294967291)";
    const std::string pick = set.skewed
                                 ? "case when " + h + " % 5 <> 0 then ((" + h + " / 5) % (" +
                                       goods + " / 5)) * 5 else (" + h + " / 5) % " + goods + " end"
                                 : "(b * 7919 + j * 1009) % " + goods;
    std::vector<std::string> sql = {
        "set local work_mem = '256MB'",
        "create temp table bench_goods on commit drop as select (row_number() over (order by Id)"
        " - 1)::int as n, Code, ProductName, Unit, PriceIn, BarCode from ferix_product",
        "create temp table bench_units on commit drop as select (row_number() over (order by Id)"
        " - 1)::int as n, CustomerName from ferix_customer",
        // The last bill is on the day the benchmarks run at (2026-12-07).
        "create temp table bench_lines on commit drop as select s.b, s.j, s.t, s.q, s.day, g.Code,"
        " g.ProductName, g.Unit, g.PriceIn, g.BarCode, round(g.PriceIn::numeric * s.q, 2) as"
        " amount from (select b, j, " +
            kind + " as t, 1 + (b * 31 + j * 17) % 20 as q, " + pick +
            " as n, date '2026-12-07' - ((" + bills + " - b)::bigint * " +
            std::to_string(set.days) + " / " + bills + ")::int as day from generate_series(1, " +
            bills + ") b, generate_series(0, " + std::to_string(set.linesPerBill - 1) +
            ") j) s join bench_goods g using (n)",
        "create temp table bench_bills on commit drop as select a.b, a.t, (array['JH-', 'JHTH-', "
        "'XS-',"
        " 'XSTH-'])[a.t + 1] || to_char(a.day, 'YYMMDD') || '-' || lpad(a.b::text, 6, '0') as id,"
        " to_char(a.day, 'YYYY-MM-DD') as d, u.CustomerName as customer, case when a.t < 2 then"
        " '采购部' else '销售部' end as department, (array['一号仓库', '二号仓库',"
        " '三号仓库'])[1 + a.b % 3] as warehouse, case when a.t < 2 then (array['张伟', '王芳',"
        " '李强', '赵敏'])[1 + a.b % 4] else (array['刘洋', '陈静', '杨磊', '黄丽', '周杰'])[1 +"
        " a.b % 5] end as employee, (array['中国工商银行', '中国建设银行', '中国农业银行',"
        " '中国银行', '招商银行', '现金'])[1 + a.b % 6] as bank, a.quantity::text as quantity, " +
            Money("a.total", 2) +
            " as total from (select b, t, day, sum(q) as quantity, sum(amount) as total from"
            " bench_lines group by b, t, day) a join bench_units u on u.n = a.b % " +
            units,
    };
    const char* tables[] = {"EnterStock", "BackStock", "EnterSale", "BackSale"};
    for (int t = 0; t < 4; ++t) {
        const std::string table = tables[t];
        const bool sale = t >= 2;
        sql.push_back("insert into " + table +
                      " (Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee,"
                      " Introduction, Number, Total, Bank, Pay) select '0', id, d, customer,"
                      " department, warehouse, employee, '', quantity, total, bank, total from"
                      " bench_bills where t = " +
                      std::to_string(t) + " order by b");
        sql.push_back("insert into " + table +
                      "_Detail (Canceled, Bill_ID, Bill_Date, Customer, Department, Employee,"
                      " Warehouse, Introduction, Number, Total, Bank, Pay, Product_ID,"
                      " Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,"
                      " Product_Price, Product_Total, Product_Note, Product_BarCode, Base_Number" +
                      (sale ? ", Product_Cost" : "") +
                      ") select '0', h.id, h.d, h.customer, h.department, h.employee,"
                      " h.warehouse, '', h.quantity, h.total, h.bank, h.total, l.Code,"
                      " l.ProductName, l.q::text, l.Unit, '', '', l.PriceIn, " +
                      Money("l.amount", 2) + ", '', l.BarCode, l.q::text" +
                      (sale ? ", " + Money("round(l.amount * 0.8, 2)", 2) : "") +
                      " from bench_lines l join bench_bills h using (b) where l.t = " +
                      std::to_string(t) + " order by l.b, l.j");
    }
    sql.push_back("insert into StockPile (StoreHouse, ProductCode, ProductName, FirstEnterTime,"
                  " LastLeaveTime, Number, Price, CostPrice) select w, Code, ProductName,"
                  " '23-12-08', '', '100000', PriceIn, " +
                  Money("PriceIn::numeric", 4) +
                  " from unnest(array['一号仓库', '二号仓库', '三号仓库']) with ordinality as"
                  " x(w, i), bench_goods order by i, n");
    sql.push_back("create table ferix_bench_made (detail_rows bigint not null)");
    sql.push_back("insert into ferix_bench_made values (" +
                  std::to_string(static_cast<int64_t>(set.bills) * set.linesPerBill) + ")");
    // The chain head at the upgrade's mark, so the program builds the journal over the bills
    // written here (new tables start without a head, as if no bill were stored).
    sql.push_back("insert into JournalHead(Id, Seq, Digest) values(1, -1, '')"
                  " on conflict (Id) do update set Seq = -1, Digest = ''");
    return sql;
}

fs::path NewFolder() {
    std::string tmpl = (fs::temp_directory_path() / "ferix-bench-pg-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        Die("no temporary folder");
    return tmpl;
}

void MakeSet(CBarePg& server, const std::string& name, const std::string& conninfo,
             const ServerDataSet& set) {
    std::cerr << "bench server data: making " << name << " ..." << std::flush;
    if (DatabaseExists(server, name))
        server.Exec("drop database " + name + " with (force)");
    CreateDatabase(server, name);
    const fs::path folder = NewFolder();
    fs::create_directories(folder / "Data");
    std::string error;
    if (!WriteServerConfig(folder, conninfo, &error) || !CreateProgramFolder(folder, &error))
        Die("cannot make a program folder on the server: " + error);
    fs::current_path(folder);
    DemoDataOptions reference = set.reference;
    reference.bills = 0;
    if (!FillDemoData(reference))
        Die("the generator failed");
    // The program keeps its connections between actions; kept, they would hold the set open
    // and its copies (made from it as a template) would be refused.
    CloseKeptServerConnections();
    {
        CBarePg db(conninfo);
        db.Exec("begin");
        for (const std::string& statement : FillStatements(set))
            db.Exec(statement);
        db.Exec("commit");
    }
    {
        // The bill journal over the bills written in bulk, built once by the program as its
        // upgrade builds it, so that every copy of the set starts with the chain.
        CDataStore store;
        if (!store.ConnectMain())
            Die("building the bill journal failed: " + store.LastError());
        // The monthly summaries over the bulk lines, as a copy onto a server builds them: the
        // reports read their whole months there.
        if (!store.Begin() || !RebuildLineSummaries(store) || !store.Commit())
            Die("building the summaries failed: " + store.LastError());
    }
    CloseKeptServerConnections();
    CBarePg(conninfo).Exec("vacuum analyze");
    fs::current_path("/");
    fs::remove_all(folder);
    std::cerr << " done\n";
}

// What this run made, removed at exit: copies of data sets and program folders.
std::vector<std::string> g_runDatabases;
std::vector<fs::path> g_runFolders;

void RemoveRunCopies() {
    std::error_code ec;
    fs::current_path("/", ec);
    for (const fs::path& folder : g_runFolders)
        fs::remove_all(folder, ec);
    if (g_runDatabases.empty())
        return;
    PGconn* conn = PQconnectdb(BenchServer().c_str());
    for (const std::string& name : g_runDatabases)
        PQclear(PQexec(conn, ("drop database if exists " + name + " with (force)").c_str()));
    PQfinish(conn);
}

// Copies of earlier runs that ended without dropping theirs (named by their process id).
void DropLeftCopies(CBarePg& server) {
    auto r = server.Exec(std::string("select datname from pg_database where datname like '") +
                         kRunPrefix + "%'");
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const std::string name = PQgetvalue(r.get(), i, 0);
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + std::strlen(kRunPrefix)));
        if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH)
            server.Exec("drop database if exists " + name + " with (force)");
    }
}
} // namespace

std::string BenchServer() {
    const char* s = std::getenv("FERIX_BENCH_PG");
    return s ? s : "";
}

ServerDataSet ServerHistoryDataSet() {
    ServerDataSet set;
    set.name = "history";
    set.reference = HistoryDataSet();
    set.bills = set.reference.bills;
    set.linesPerBill = set.reference.linesPerBill;
    set.days = set.reference.days;
    return set;
}

ServerDataSet ServerDecadeDataSet() {
    ServerDataSet set;
    set.name = "decade";
    set.reference.goods = kDecadeGoods;
    set.reference.customers = 2'000;
    set.bills = kDecadeBills;
    set.linesPerBill = kDecadeLinesPerBill;
    set.days = 3652;
    set.salesOnly = true;
    set.skewed = true;
    return set;
}

ServerDataSet ServerStatisticsDataSet() {
    ServerDataSet set;
    set.name = "statistics";
    set.reference = StatisticsDataSet();
    set.bills = set.reference.bills;
    set.linesPerBill = set.reference.linesPerBill;
    set.days = set.reference.days;
    set.purchasesOnly = true;
    return set;
}

std::string UseServerDataSet(const ServerDataSet& set, bool writable) {
    EnterBenchSession();
    if (BenchServer().empty())
        Die("FERIX_BENCH_PG is not set");
    // Each set is checked (or made) once a run, and copied at most once a run: the benchmarks
    // of one program share the copy, as they share a copied folder of a file data set.
    static std::map<std::string, std::string> sets, copies;
    static std::map<std::string, fs::path> folders;
    const std::string name = DatabaseName(set);
    std::string& conninfo = sets[name];
    if (conninfo.empty()) {
        conninfo = WithDatabase(BenchServer(), name);
        CBarePg server(BenchServer());
        if (sets.size() == 1) {
            std::atexit(RemoveRunCopies);
            DropLeftCopies(server);
        }
        if (!DatabaseExists(server, name) || !SetIsComplete(conninfo, set))
            MakeSet(server, name, conninfo, set);
    }
    std::string used = conninfo;
    if (writable) {
        std::string& copy = copies[name];
        if (copy.empty()) {
            const std::string copyName = kRunPrefix + std::to_string(getpid()) + "_" + set.name;
            CloseKeptServerConnections();
            CBarePg server(BenchServer());
            // A file copy: much quicker than writing the copy through the server's log.
            server.Exec("create database " + copyName + " template " + name +
                        " strategy file_copy");
            g_runDatabases.push_back(copyName);
            copy = WithDatabase(BenchServer(), copyName);
        }
        used = copy;
    }
    fs::path& folder = folders[used];
    if (folder.empty()) {
        folder = NewFolder();
        g_runFolders.push_back(folder);
        fs::create_directories(folder / "Data");
        std::string error;
        if (!WriteServerConfig(folder, used, &error))
            Die(error);
    }
    fs::current_path(folder);
    return used;
}

CBarePg::CBarePg(const std::string& conninfo) : m_conn(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(m_conn) != CONNECTION_OK)
        Die(std::string("cannot connect: ") + PQerrorMessage(m_conn));
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    PQsetClientEncoding(m_conn, "UTF8");
}

CBarePg::~CBarePg() {
    PQfinish(m_conn);
}

CBarePg::Result CBarePg::Exec(const std::string& sql) {
    Result r(PQexec(m_conn, sql.c_str()));
    const auto status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        Die(sql.substr(0, 80) + ": " + PQerrorMessage(m_conn));
    return r;
}

void CBarePg::Prepare(const char* name, const std::string& sql) {
    Result r(PQprepare(m_conn, name, sql.c_str(), 0, nullptr));
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        Die(sql.substr(0, 80) + ": " + PQerrorMessage(m_conn));
}

CBarePg::Result CBarePg::Run(const char* name, const std::vector<std::string>& values) {
    std::vector<const char*> params;
    params.reserve(values.size());
    for (const std::string& v : values)
        params.push_back(v.c_str());
    Result r(PQexecPrepared(m_conn, name, static_cast<int>(params.size()), params.data(), nullptr,
                            nullptr, 0));
    const auto status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        Die(std::string(name) + ": " + PQerrorMessage(m_conn));
    return r;
}
