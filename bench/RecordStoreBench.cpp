// The record store's speed on both databases: inspections added one by one (each its own durable
// transaction, as the window adds them), and over 1,000,000 stored inspections the browser's
// first page and a serial-prefix search. The million rows are made by the database itself in one
// statement, so the setup takes seconds, not hours of single commits.
//
//   build/bench/record_store_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "records/RecordStore.h"
#include "tests/records/PostgresServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace
{
constexpr int Million = 1000000;

TInspectionRecord Record(int i)
{
    TInspectionRecord r;
    r.Time = QDateTime::currentDateTime();
    r.Serial = QStringLiteral("AB%1").arg(i, 7, 10, QLatin1Char('0'));
    r.Source = QStringLiteral("USB Video Device");
    r.Frames = 3;
    r.Pass = i % 7 != 0;
    r.Version = ProgramVersion();
    return r;
}

struct TStores
{
    QTemporaryDir Dir;
    TPostgresServer Server;
    TPlantDatabase Plant;
    bool ServerUp = false;

    TStores()
    {
        QString error;
        ServerUp = Server.Start(&error) && Server.CreateDatabase(QStringLiteral("plant"));
        Plant.Host = Server.Host();
        Plant.Port = Server.Port();
        Plant.Database = QStringLiteral("plant");
        Plant.User = QStringLiteral("postgres");
        Plant.SslMode = QStringLiteral("disable");
    }
    std::unique_ptr<TRecordStore> Open(bool server, const QString& name)
    {
        return server ? TRecordStore::OpenServer(Plant) : TRecordStore::OpenLocal(Dir.filePath(name));
    }
};

TStores& Stores()
{
    static TStores stores;
    return stores;
}

// A million inspections of three stations over a year, made by the database.
void Fill(bool server, const QString& sqliteName)
{
    auto store = Stores().Open(server, sqliteName);
    store->Add(TStoredInspection::Made(Record(0), QStringLiteral("line-1")));
    const QString rows =
        server ? QStringLiteral("SELECT i FROM generate_series(1::bigint, %1) AS n(i)").arg(Million)
               : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i < %1) SELECT i FROM n")
                     .arg(Million);
    const QString sql =
        QStringLiteral(
            "INSERT INTO inspections (id, inspected_ms, station, operator, inspected_at, serial, verdict, "
            "mode, profile) SELECT 'bench-' || i, 1765000000000 + i * 31536, 'line-1', 'op', "
            "'2026-01-01T00:00:00Z', 'SN' || (i % 250000) || '-' || i, CASE WHEN i % 7 = 0 THEN 'Fail' "
            "ELSE 'Pass' END, 'single', 'classic' FROM (%1) AS g")
            .arg(rows);
    QSqlDatabase db = QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                                QStringLiteral("fill"));
    if (server)
    {
        db.setHostName(Stores().Plant.Host);
        db.setPort(Stores().Plant.Port);
        db.setDatabaseName(Stores().Plant.Database);
        db.setUserName(Stores().Plant.User);
    }
    else
        db.setDatabaseName(Stores().Dir.filePath(sqliteName));
    db.open();
    QSqlQuery(db).exec(sql);
    QSqlQuery(db).exec(QStringLiteral("ANALYZE"));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

void BM_Add(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    if (server && !Stores().ServerUp)
        return state.SkipWithError("no PostgreSQL server");
    auto store = Stores().Open(server, QStringLiteral("add.sqlite"));
    int i = 0;
    for (auto _ : state)
        store->Add(TStoredInspection::Made(Record(++i)));
    state.SetItemsProcessed(state.iterations());
}

// What the window adds after a verdict: the report picture (a window grab of 925 x 480) encoded
// as PNG, and the inspection with it into the station's store.
void BM_AddWithReportPicture(benchmark::State& state)
{
    auto store = Stores().Open(false, QStringLiteral("pictures.sqlite"));
    QImage picture(925, 480, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y) % 256, 190, (x ^ y) % 64 + 60));
    int i = 0;
    for (auto _ : state)
    {
        TStoredInspection s = TStoredInspection::Made(Record(++i));
        QBuffer png(&s.ReportPng);
        png.open(QIODevice::WriteOnly);
        picture.save(&png, "PNG");
        store->Add(s);
    }
}

void BM_FirstPage(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    if (server && !Stores().ServerUp)
        return state.SkipWithError("no PostgreSQL server");
    static bool filled[2] = {};
    if (!filled[server])
    {
        Fill(server, QStringLiteral("million.sqlite"));
        filled[server] = true;
    }
    auto store = Stores().Open(server, QStringLiteral("million.sqlite"));
    TRecordFilter filter;
    if (state.range(1) != 0)
        filter.SerialPrefix = QStringLiteral("SN12345-");
    std::size_t found = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = store->Page(filter, 50).size());
    // Proof that the million are there and the search finds its few.
    state.counters["stored"] = static_cast<double>(store->Count({}));
    state.counters["found"] = static_cast<double>(found);
}
} // namespace

// range(0): 0 SQLite, 1 PostgreSQL.
BENCHMARK(BM_Add)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AddWithReportPicture)->Unit(benchmark::kMillisecond);
// range(1): 0 the newest page, 1 a serial-prefix search.
BENCHMARK(BM_FirstPage)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
