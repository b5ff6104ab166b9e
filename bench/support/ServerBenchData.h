#pragma once
#include "app/DemoData.h"

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <vector>

// The data sets of the server benchmarks: one database per data set on the server named by
// $FERIX_BENCH_PG, made once and kept. Goods, business units and reference lists are made by the
// sample-data generator through the program; the bills and stock rows, a million lines, are
// written in bulk by INSERT ... SELECT on the server (posting them one by one would take long).

// $FERIX_BENCH_PG: a libpq connection string in key=value form whose user may create databases
// (scripts/bench sets it to its own cluster). Empty when no server is given.
std::string BenchServer();

struct ServerDataSet {
    std::string name;          // part of the database's name
    DemoDataOptions reference; // goods and business units (its bills are not used)
    int bills = 0;
    int linesPerBill = 0;
    int days = 0;
    bool purchasesOnly = false;
    bool salesOnly = false;
    // Four lines in five sell one of a fifth of the goods (every fifth goods item), as real
    // shops' sales are skewed; otherwise the goods are spread evenly.
    bool skewed = false;
};

// The sizes of HistoryDataSet(): 20,000 goods, 200 units, 100,000 bills of 10 lines over three
// years (purchases, sales and their returns), every goods item in stock in the three
// warehouses.
ServerDataSet ServerHistoryDataSet();
// The sizes of StatisticsDataSet(): 50,000 purchase bills of 20 lines within one year.
ServerDataSet ServerStatisticsDataSet();
// The sizes of UseDecadeDataSet(): 100,000 goods, 2,000 units, 1,000,000 sale bills of 10 lines
// over ten years, skewed.
ServerDataSet ServerDecadeDataSet();

// Makes the current directory a new program folder (in a temporary directory, removed at exit)
// whose Data/server.conf names the data set's database, with the session of EnterBenchSession.
// `writable`: a copy of that database made for this run and dropped at exit. Returns the
// connection string of the database used. Aborts when the set cannot be made.
std::string UseServerDataSet(const ServerDataSet& set, bool writable);

// A bare libpq connection for the baselines; a failing statement ends the run.
class CBarePg {
public:
    struct ResultDeleter {
        void operator()(PGresult* r) const { PQclear(r); }
    };
    using Result = std::unique_ptr<PGresult, ResultDeleter>;

    explicit CBarePg(const std::string& conninfo);
    ~CBarePg();
    CBarePg(const CBarePg&) = delete;
    CBarePg& operator=(const CBarePg&) = delete;
    PGconn* Get() const { return m_conn; }

    Result Exec(const std::string& sql);
    void Prepare(const char* name, const std::string& sql);
    Result Run(const char* name, const std::vector<std::string>& values);

private:
    PGconn* m_conn = nullptr;
};
