// Cost of the database layer over the bare driver, through the SQLite ODBC driver on an
// in-memory database so that the per-statement cost of the database itself stays small:
//  - Execute: INSERT statements one by one through TADOConnectionMSSQL::Execute, against the
//    same statements through plain ODBC calls (SQLExecDirectW, and SQLExecDirect on UTF-8).
//  - Walk: a query of 1,000 and of 1,000,000 rows through TADOQuery, with peak resident memory.
#include "bench/PeakMemory.h"
#include "import/ADOConnectionMSSQL.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

const QString kMemoryDb = QStringLiteral("Driver=SQLite3;Database=:memory:;SyncPragma=off");
constexpr int kStatements = 1000; // distinct statement texts, used round robin

std::vector<QString> InsertStatements() {
    std::vector<QString> statements;
    for (int i = 0; i < kStatements; ++i)
        statements.push_back(
            QStringLiteral(
                "insert into t (id, name, at) values (%1, 'Novak %1', '2013-01-26 16:37')")
                .arg(i));
    return statements;
}

const QString kCreate =
    QStringLiteral("create table t (id integer, name nvarchar(50), at datetime)");

void BM_ExecuteThroughLayer(benchmark::State &state) {
    const auto statements = InsertStatements();
    TADOConnectionMSSQL conn(QStringLiteral("connBench"));
    conn.SetConnectionString(kMemoryDb);
    conn.Execute(kCreate);
    size_t i = 0;
    for (auto _ : state) {
        conn.Execute(statements[i]);
        i = (i + 1) % statements.size();
    }
    state.SetItemsProcessed(state.iterations());
}

struct PlainOdbc {
    odbc::Handle env, dbc, stmt;
    PlainOdbc() {
        odbc::AllocateEnvironment(env);
        dbc.Allocate(SQL_HANDLE_DBC, env.get());
        SQLDriverConnectW(dbc.get(), nullptr, odbc::Wide(kMemoryDb), SQL_NTS, nullptr, 0, nullptr,
                          SQL_DRIVER_NOPROMPT);
        stmt.Allocate(SQL_HANDLE_STMT, dbc.get());
        SQLExecDirectW(stmt.get(), odbc::Wide(kCreate), SQL_NTS);
    }
    ~PlainOdbc() {
        stmt.Free();
        SQLDisconnect(dbc.get());
    }
};

void BM_ExecutePlainOdbcW(benchmark::State &state) {
    const auto statements = InsertStatements();
    PlainOdbc odbc;
    size_t i = 0;
    for (auto _ : state) {
        if (!odbc::Succeeded(SQLExecDirectW(odbc.stmt.get(), odbc::Wide(statements[i]), SQL_NTS)))
            state.SkipWithError("insert failed");
        i = (i + 1) % statements.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ExecutePlainOdbcUtf8(benchmark::State &state) {
    std::vector<QByteArray> statements;
    for (const QString &s : InsertStatements())
        statements.push_back(s.toUtf8());
    PlainOdbc odbc;
    size_t i = 0;
    for (auto _ : state) {
        if (!odbc::Succeeded(SQLExecDirect(
                odbc.stmt.get(), reinterpret_cast<SQLCHAR *>(statements[i].data()), SQL_NTS)))
            state.SkipWithError("insert failed");
        i = (i + 1) % statements.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// A database file with the rows to walk, made once per row count.
QString RowsDatabase(QTemporaryDir &dir, long rows) {
    const QString path = dir.filePath(QStringLiteral("walk%1.db").arg(rows));
    TADOConnectionMSSQL conn(QStringLiteral("connFill"));
    conn.SetConnectionString(QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=off").arg(path));
    conn.Execute(QStringLiteral("create table ev (EventID integer primary key, CardNumber integer,"
                                " IDHACT integer, FieldTime datetime, Name nvarchar(50))"));
    conn.Execute(QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c"
                                " where x < %1) insert into ev select x, 13398 + x, 24,"
                                " '2013-01-26 16:37:41', 'Đorđević ' || x from c")
                     .arg(rows));
    return path;
}

void BM_WalkQuery(benchmark::State &state) {
    const long rows = long(state.range(0));
    QTemporaryDir dir;
    const QString path = RowsDatabase(dir, rows);
    const bool reset = ResetPeakResident();
    const double before = double(PeakResidentBytes());
    long walked = 0;
    for (auto _ : state) {
        TADOConnectionMSSQL conn(QStringLiteral("connVantrelEvents"));
        // StepAPI=1: the driver steps through the result instead of loading it whole first.
        conn.SetConnectionString(QStringLiteral("Driver=SQLite3;Database=%1;StepAPI=1").arg(path));
        TADOQuery q(QStringLiteral("qryVantrelEvents"), conn);
        // No parameters: with bound parameters this driver loads the whole result before the
        // first fetch, which would measure the driver rather than the walk.
        q.SetSQL(QStringLiteral("select * from ev order by EventID"));
        q.AddField({QStringLiteral("EventID"), QStringLiteral("AutoInc")});
        q.AddField({QStringLiteral("CardNumber"), QStringLiteral("Integer")});
        q.AddField({QStringLiteral("IDHACT"), QStringLiteral("Integer")});
        q.AddField({QStringLiteral("FieldTime"), QStringLiteral("DateTime")});
        q.AddField({QStringLiteral("Name"), QStringLiteral("String")});
        q.Open();
        for (; !q.Eof(); q.Next()) {
            benchmark::DoNotOptimize(q.FieldAsInteger(QStringLiteral("EventID")));
            benchmark::DoNotOptimize(q.FieldAsInteger(QStringLiteral("CardNumber")));
            benchmark::DoNotOptimize(q.FieldAsInteger(QStringLiteral("IDHACT")));
            benchmark::DoNotOptimize(q.FieldAsDateTime(QStringLiteral("FieldTime")));
            benchmark::DoNotOptimize(q.FieldAsString(QStringLiteral("Name")));
            ++walked;
        }
    }
    const double peak = double(PeakResidentBytes());
    state.counters["rows"] = double(rows);
    state.counters["peak_rss_MB"] = peak / 1048576.0;
    state.counters["peak_growth_MB"] = (peak - before) / 1048576.0;
    state.counters["peak_reset"] = reset ? 1 : 0;
    state.SetItemsProcessed(walked);
}

} // namespace

BENCHMARK(BM_ExecuteThroughLayer);
BENCHMARK(BM_ExecutePlainOdbcW);
BENCHMARK(BM_ExecutePlainOdbcUtf8);
BENCHMARK(BM_WalkQuery)->Arg(1000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    std::setlocale(LC_CTYPE, "");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
