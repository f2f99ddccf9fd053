// The record store, the same tests on both databases: SQLite in a temporary folder, and a real
// PostgreSQL server started by the fixture. A record goes in and comes back field by field;
// adding it again changes nothing; filters, pages and pass rates; the outbox.

#include "records/RecordStore.h"

#include "tests/records/ConnectorFixtures.h"
#include "tests/records/LogFixtures.h"
#include "tests/records/PlantDatabaseFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace
{
// A record with everything that is hard to carry: quotes, commas, a line break and non-ASCII
// text in the serial and the source, paths with ';', a backslash and a byte that is not UTF-8,
// a true-size profile's rows and the edge location.
TStoredInspection Awkward(const QString& serial)
{
    TInspectionRecord r = SerialRecord(serial);
    r.Time = QDateTime::fromString(QStringLiteral("2026-12-11T08:15:30.250+01:00"), Qt::ISODate);
    r.Source = QStringLiteral("WiFi scope \"Zone 3\", line\n2 – Größe");
    r.Files = {QStringLiteral("/images/a;b.bmp"),
               QStringLiteral("/images/back\\slash ") + QChar(char16_t(0xDCFF)) + QStringLiteral(".pdf")};
    r.Profile = QStringLiteral("sm-pc");
    r.ProfileTitle = QStringLiteral("Single mode PC (UPC)");
    r.UmPerPixel = 0.4168f;
    r.ProfileZones = {{"A", "Zone A", {{"Scratches", "None", 0, true}, {"Defects", "None", 1, false}}, false},
                      {"B", "Zone B", {{"Defects 2–5 µm", "5", 2, true}}, true}};
    r.Pass = false;
    r.Location.Method = TLocateMethod::Edges;
    r.Location.Edge.Found = true;
    r.Location.Edge.Centre = TPoint2D(160.03f, 300.02f);
    r.Location.Edge.RadiusX = 149.96f;
    r.Location.Edge.RadiusY = 150.01f;
    r.Location.Edge.ArcSeen = 0.98f;
    TMeasuredFinding scratch;
    scratch.Kind = FindingClass::Scratch;
    scratch.CentreX = 101.5f;
    scratch.CentreY = 88.25f;
    scratch.Area = 61;
    scratch.SizeUm = 2.05f;
    scratch.LengthUm = 61.3f;
    r.Findings = {scratch};
    TStoredInspection s = TStoredInspection::Made(r, QStringLiteral("Line 2, station 'B'"));
    TFiberAnalyzer a;
    a.FindingCount[1] = 1;
    a.Findings[1][0] = {1, 4.0f, 5.0f, 17.0f, 5.8f, 0.0f};
    s.TakeFindings(a);
    EXPECT_EQ(s.Findings.size(), 2u);
    s.ReportPng = QByteArray("\x89PNG\r\n\x1a\n\0\0binary", 16);
    return s;
}

class RecordStoreTest : public ::testing::TestWithParam<bool>
{
protected:
    static void SetUpTestSuite()
    {
        Server = std::make_unique<TPostgresServer>();
        QString error;
        if (!Server->Start(&error))
        {
            ServerError = error;
            Server.reset();
        }
    }
    static void TearDownTestSuite() { Server.reset(); }

    void SetUp() override
    {
        if (!GetParam())
        {
            ASSERT_TRUE(Dir.isValid());
            Store = TRecordStore::OpenLocal(Dir.filePath(QStringLiteral("data/records.sqlite")));
            return;
        }
        if (!Server)
            GTEST_SKIP() << "no PostgreSQL server: " << ServerError.toStdString();
        // A database of its own per test.
        static int next = 0;
        const QString name = QStringLiteral("records_%1").arg(++next);
        ASSERT_TRUE(Server->CreateDatabase(name));
        Plant = PlantDatabaseOf(*Server, name);
        Store = TRecordStore::OpenServer(Plant);
    }

    static inline std::unique_ptr<TPostgresServer> Server;
    static inline QString ServerError;
    QTemporaryDir Dir;
    TPlantDatabase Plant;
    std::unique_ptr<TRecordStore> Store;
};
} // namespace

TEST_P(RecordStoreTest, ARecordComesBackFieldByFieldAndGoesInOnce)
{
    const TStoredInspection s = Awkward(QStringLiteral("=AB,\"0001\"\n–ü"));
    ASSERT_TRUE(Store->Add(s));
    const std::optional<TStoredInspection> back = Store->Get(s.Id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Station, s.Station);
    EXPECT_EQ(back->HostName, s.HostName);
    EXPECT_EQ(back->Operator, s.Operator);
    const QStringList header = TInspectionRecord::CsvHeader(), fields = back->Record.CsvFields(),
                      expected = s.Record.CsvFields();
    for (qsizetype i = 0; i < header.size(); ++i)
        EXPECT_EQ(fields.value(i).toStdString(), expected.value(i).toStdString()) << header[i].toStdString();
    EXPECT_EQ(back->Record.Files, s.Record.Files);
    EXPECT_EQ(back->Record.Time, s.Record.Time);
    EXPECT_EQ(back->Record.Time.offsetFromUtc(), 3600);
    EXPECT_EQ(back->Record.ProfileRowsText(), s.Record.ProfileRowsText());
    ASSERT_EQ(back->Findings.size(), 2u);
    EXPECT_EQ(back->Findings[0].Zone, "cladding");
    EXPECT_FLOAT_EQ(back->Findings[1].LengthUm, 61.3f);
    EXPECT_EQ(back->Record.FindingsText(), QStringLiteral("scratch 2.05 x 61.3"));
    EXPECT_EQ(back->ReportPng, s.ReportPng);

    // Sent again (an acknowledgement lost): nothing changes.
    TStoredInspection again = s;
    again.Record.Serial = QStringLiteral("CHANGED0001");
    EXPECT_FALSE(Store->Add(again));
    EXPECT_EQ(Store->Get(s.Id)->Record.Serial, s.Record.Serial);
    EXPECT_EQ(Store->Count({}), 1);
    EXPECT_FALSE(Store->Get(QUuid::createUuid()));
}

TEST_P(RecordStoreTest, FiltersPagesAndPassRates)
{
    const QDateTime start = QDateTime::fromString(QStringLiteral("2026-12-01T06:00:00Z"), Qt::ISODate);
    for (int i = 0; i < 45; ++i)
    {
        TInspectionRecord r = SerialRecord(QStringLiteral("AB%1").arg(i, 4, 10, QLatin1Char('0')));
        // Three a day for 15 days; every third fails; two stations; some share a time.
        r.Time = start.addSecs(static_cast<qint64>(i / 3) * 86400 + (i % 3 == 2 ? 0 : i % 3) * 60);
        r.Pass = i % 3 != 0;
        TStoredInspection s =
            TStoredInspection::Made(r, i % 2 ? QStringLiteral("east") : QStringLiteral("west"));
        ASSERT_TRUE(Store->Add(s));
    }
    // Characters that LIKE would take as patterns are taken literally.
    ASSERT_TRUE(Store->Add(TStoredInspection::Made(SerialRecord(QStringLiteral("A_%0001")))));

    // Page by page, newest first, every record once.
    std::set<QUuid> seen;
    std::optional<TRecordCursor> after;
    qint64 previous = std::numeric_limits<qint64>::max();
    for (int pages = 0; pages < 20; ++pages)
    {
        const std::vector<TRecordSummary> page = Store->Page({}, 7, after);
        if (page.empty())
            break;
        for (const TRecordSummary& r : page)
        {
            EXPECT_LE(r.TimeMs, previous);
            previous = r.TimeMs;
            EXPECT_TRUE(seen.insert(r.Id).second) << "twice: " << r.Serial.toStdString();
        }
        after = TRecordCursor{page.back().TimeMs, page.back().Id.toString(QUuid::WithoutBraces)};
    }
    EXPECT_EQ(seen.size(), 46u);

    TRecordFilter f;
    f.SerialPrefix = QStringLiteral("AB001");
    EXPECT_EQ(Store->Count(f), 10);
    f.SerialPrefix = QStringLiteral("A_%");
    EXPECT_EQ(Store->Count(f), 1);
    f = {};
    f.From = start.addDays(2);
    f.To = start.addDays(4);
    EXPECT_EQ(Store->Count(f), 6);
    f.Verdict = QStringLiteral("Fail");
    EXPECT_EQ(Store->Count(f), 2);
    f = {};
    f.Station = QStringLiteral("east");
    EXPECT_EQ(Store->Page(f, 100).size(), 22u);

    TRecordFilter fortnight;
    fortnight.From = start;
    fortnight.To = start.addDays(15);
    const std::vector<TPassRate> perDay = Store->PassRates(fortnight, false);
    ASSERT_EQ(perDay.size(), 15u);
    EXPECT_EQ(perDay.front().Key, "2026-12-01");
    EXPECT_EQ(perDay.front().Inspections, 3);
    EXPECT_EQ(perDay.front().Passed, 2);
    const std::vector<TPassRate> perStation = Store->PassRates({}, true);
    ASSERT_EQ(perStation.size(), 3u); // east, west and the host name
}

TEST_P(RecordStoreTest, TheOutboxKeepsWhatIsQueuedUntilItIsSent)
{
    const TStoredInspection a = Awkward(QStringLiteral("Q0001")), b = Awkward(QStringLiteral("Q0002"));
    ASSERT_TRUE(Store->Add(a, true));
    ASSERT_TRUE(Store->Add(b, true));
    ASSERT_TRUE(Store->Add(Awkward(QStringLiteral("Q0003"))));
    EXPECT_EQ(Store->WaitingCount(), 2);
    const std::vector<QUuid> waiting = Store->Waiting(10);
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_TRUE((waiting[0] == a.Id && waiting[1] == b.Id) || (waiting[0] == b.Id && waiting[1] == a.Id));
    Store->Sent(a.Id);
    EXPECT_EQ(Store->Waiting(10), std::vector<QUuid>{b.Id});
}

// A connector goes from a station's store through its outbox and comes back with every fibre,
// its layout and its verdict.
TEST_P(RecordStoreTest, AConnectorComesBackWithEveryFibreThroughTheOutbox)
{
    const TStoredInspection s = TStoredInspection::Made(ConnectorRecord(), QStringLiteral("line-1"));
    auto station = TRecordStore::OpenLocal(Dir.filePath(QStringLiteral("station/records.sqlite")));
    ASSERT_TRUE(station->Add(s, true));
    EXPECT_EQ(SendWaiting(*station, *Store), 1);
    const std::optional<TStoredInspection> back = Store->Get(s.Id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Record.Ferrule, "12x1");
    EXPECT_EQ(back->Record.Verdict(), "Fail");
    ASSERT_EQ(back->Record.Fibres.size(), 12u);
    EXPECT_EQ(TFibreRecord::FibresCell(back->Record.Fibres), TFibreRecord::FibresCell(s.Record.Fibres));
    EXPECT_EQ(back->Record.Fibres[2].Times, 2);
    EXPECT_EQ(back->Record.CsvFields(), s.Record.CsvFields());
    TRecordFilter failed;
    failed.Verdict = QStringLiteral("Fail");
    EXPECT_EQ(Store->Count(failed), 1);

    // A single fibre beside it has no fibres, and an incomplete connector keeps its "Not judged".
    const TStoredInspection single = Awkward(QStringLiteral("S0001"));
    TInspectionRecord partial = TInspectionRecord::FromMtInspection(Inspected({View({1, -2})}), MtProfile());
    const TStoredInspection incomplete = TStoredInspection::Made(partial);
    ASSERT_TRUE(Store->Add(single) && Store->Add(incomplete));
    EXPECT_TRUE(Store->Get(single.Id)->Record.Fibres.empty());
    const TInspectionRecord p = Store->Get(incomplete.Id)->Record;
    EXPECT_EQ(p.Verdict(), "Incomplete: 2 of 12 fibres judged");
    EXPECT_EQ(p.Fibres[5].Verdict, "Not judged");
}

// A store of the schema before connectors, with records and a queued inspection, is migrated when
// opened: its records read back as they were, the outbox still holds what waited, and connectors
// go in beside them. Opened again, nothing more happens.
TEST_P(RecordStoreTest, AStoreOfTheFirstSchemaIsMigratedWithItsRecordsIntact)
{
    QFile fixture(QStringLiteral(FS_SOURCE_DIR "/tests/data/record-store-v1.sql"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    QString script = QString::fromUtf8(fixture.readAll());
    const QString connection = QStringLiteral("schema-1");
    const QString file = Dir.filePath(QStringLiteral("old/records.sqlite"));
    TPlantDatabase old = Plant;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(GetParam() ? "QPSQL" : "QSQLITE", connection);
        if (GetParam())
        {
            old.Database = QStringLiteral("schema_one");
            ASSERT_TRUE(Server->CreateDatabase(old.Database));
            db.setHostName(old.Host);
            db.setPort(old.Port);
            db.setDatabaseName(old.Database);
            db.setUserName(old.User);
            script.replace(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE PRECISION"))
                .replace(QStringLiteral(" BLOB"), QStringLiteral(" BYTEA"));
        }
        else
        {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
            db.setDatabaseName(file);
        }
        ASSERT_TRUE(db.open());
        for (const QString& statement : script.split(QStringLiteral(";\n"), Qt::SkipEmptyParts))
        {
            QStringList lines = statement.split(QLatin1Char('\n'));
            lines.removeIf([](const QString& line) { return line.startsWith(QLatin1String("--")); });
            const QString sql = lines.join(QLatin1Char('\n')).trimmed();
            QSqlQuery q(db);
            EXPECT_TRUE(sql.isEmpty() || q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);

    const auto open = [&] {
        return GetParam() ? TRecordStore::OpenServer(old) : TRecordStore::OpenLocal(file);
    };
    auto store = open();
    const QUuid queued = QUuid::fromString(QStringLiteral("52ae0cd7-5030-5b9d-b7d2-05cedaec2270"));
    EXPECT_EQ(store->Count({}), 2);
    EXPECT_EQ(store->Waiting(10), std::vector<QUuid>{queued});
    const std::optional<TStoredInspection> v1 = store->Get(queued);
    ASSERT_TRUE(v1);
    EXPECT_EQ(v1->Record.Serial, "V1-0001");
    EXPECT_EQ(v1->Record.Verdict(), "Fail");
    EXPECT_EQ(
        v1->Record.ProfileRowsText(),
        QStringLiteral("A Pass: Scratches 0/None, Defects 0/None; B Fail: Defects 2\u20135 \u00B5m 6/5"));
    EXPECT_EQ(v1->Record.FindingsText(), QStringLiteral("defect 4.12; scratch 2.05 x 61.3"));
    EXPECT_EQ(v1->Record.Files, QStringList{QStringLiteral("/images/V1-0001.bmp")});
    EXPECT_FALSE(v1->Record.MultiFibre());
    EXPECT_TRUE(v1->Record.Fibres.empty());

    const TStoredInspection connector = TStoredInspection::Made(ConnectorRecord());
    ASSERT_TRUE(store->Add(connector));
    store.reset();
    store = open();
    EXPECT_EQ(store->Count({}), 3);
    EXPECT_EQ(store->Get(connector.Id)->Record.Fibres.size(), 12u);
    EXPECT_EQ(store->Get(queued)->Record.CsvFields(), v1->Record.CsvFields());
}

INSTANTIATE_TEST_SUITE_P(Stores, RecordStoreTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "PostgreSQL" : "SQLite"; });

TEST(RecordStoreLocal, ReopensWithItsRecordsAndRefusesANewerSchema)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("records.sqlite"));
    const TStoredInspection s = Awkward(QStringLiteral("R0001"));
    TRecordStore::OpenLocal(file)->Add(s);
    EXPECT_TRUE(TRecordStore::OpenLocal(file)->Get(s.Id));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("UPDATE schema_version SET version = 99"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    try
    {
        TRecordStore::OpenLocal(file);
        FAIL() << "a newer schema was opened";
    }
    catch (const TRecordStoreError& e)
    {
        EXPECT_NE(std::string(e.what()).find("newer version"), std::string::npos) << e.what();
    }
}

// The outbox through a server that goes away mid-run: nothing sent twice, nothing lost.
TEST(RecordSending, EveryInspectionReachesTheServerOnceThroughAServerRestart)
{
    TPostgresServer server;
    QString error;
    if (!server.Start(&error))
        GTEST_SKIP() << "no PostgreSQL server: " << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    TPlantDatabase plant = PlantDatabaseOf(server, QStringLiteral("plant"));

    QTemporaryDir dir;
    auto local = TRecordStore::OpenLocal(dir.filePath(QStringLiteral("records.sqlite")));
    auto remote = TRecordStore::OpenServer(plant);
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(local->Add(
            TStoredInspection::Made(SerialRecord(QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0')))),
            true));
    EXPECT_EQ(SendWaiting(*local, *remote, 10), 10);

    server.Stop();
    EXPECT_THROW(SendWaiting(*local, *remote), TRecordStoreError);
    EXPECT_EQ(local->WaitingCount(), 20) << "what the server did not take stays queued";
    ASSERT_TRUE(server.Restart());
    remote.reset();
    remote = TRecordStore::OpenServer(plant);
    EXPECT_EQ(SendWaiting(*local, *remote), 20);
    EXPECT_EQ(local->WaitingCount(), 0);
    EXPECT_EQ(remote->Count({}), 30);
}

// The audit trail: a station's role may only read and add. Everything the program does against
// the server works with it, once the owner has made the schema, and a change is refused.
TEST(RecordSending, AStationRoleWithoutUpdateOrDeleteDoesAllThatIsNeeded)
{
    TPostgresServer server;
    QString error;
    if (!server.Start(&error))
        GTEST_SKIP() << "no PostgreSQL server: " << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    TPlantDatabase plant = PlantDatabaseOf(server, QStringLiteral("plant"));
    TRecordStore::OpenServer(plant); // the owner makes the schema
    ASSERT_TRUE(server.Sql(
        QStringLiteral(
            "CREATE ROLE station LOGIN;"
            "GRANT USAGE ON SCHEMA public TO station;"
            "GRANT SELECT, INSERT ON stations, inspections, findings, fibres, report_pictures TO station;"
            "GRANT SELECT ON schema_version TO station;"),
        nullptr, QStringLiteral("plant")));
    plant.User = QStringLiteral("station");

    QTemporaryDir dir;
    auto local = TRecordStore::OpenLocal(dir.filePath(QStringLiteral("records.sqlite")));
    const TStoredInspection s = Awkward(QStringLiteral("ROLE0001"));
    ASSERT_TRUE(local->Add(s, true));
    auto remote = TRecordStore::OpenServer(plant);
    EXPECT_EQ(SendWaiting(*local, *remote), 1);
    EXPECT_FALSE(remote->Add(s)) << "sent again: nothing changes, and nothing is refused";
    EXPECT_EQ(remote->Get(s.Id)->ReportPng, s.ReportPng);
    EXPECT_EQ(remote->Page({}, 10).size(), 1u);
    EXPECT_EQ(remote->PassRates({}, true).size(), 1u);
    remote.reset();
    QString out;
    EXPECT_FALSE(server.Sql(QStringLiteral("SET ROLE station; UPDATE inspections SET verdict = 'Pass'"), &out,
                            QStringLiteral("plant")));
    EXPECT_FALSE(server.Sql(QStringLiteral("SET ROLE station; DELETE FROM inspections"), &out,
                            QStringLiteral("plant")));
}

namespace
{
// A station as a process of its own, started by the tests below with this program and these
// variables: it adds FS_STATION_COUNT inspections to its own store, queued, sending every 100
// (several stations at once); with FS_STATION_DIE_AFTER_SENDING it is killed right after sending
// that many, the rest committed and queued but not sent.
QString ChildEnv(const char* name)
{
    return qEnvironmentVariable(name);
}

QProcess* StartStation(const QString& folder, int station, int count, int port, int dieAfterSending = -1)
{
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FS_STATION"), QString::number(station));
    env.insert(QStringLiteral("FS_STATION_DIR"), folder);
    env.insert(QStringLiteral("FS_STATION_COUNT"), QString::number(count));
    env.insert(QStringLiteral("FS_STATION_PORT"), QString::number(port));
    env.insert(QStringLiteral("FS_STATION_DIE_AFTER_SENDING"), QString::number(dieAfterSending));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // This very test program, whatever its name.
    p->start(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
             {QStringLiteral("--gtest_filter=RecordStation.Child")});
    return p;
}
} // namespace

TEST(RecordStation, Child)
{
    if (ChildEnv("FS_STATION").isEmpty())
        GTEST_SKIP() << "run by the station tests as a process of its own";
    const int station = ChildEnv("FS_STATION").toInt();
    const int count = ChildEnv("FS_STATION_COUNT").toInt();
    const int dieAfter = ChildEnv("FS_STATION_DIE_AFTER_SENDING").toInt();
    TPlantDatabase plant;
    plant.Host = QStringLiteral("127.0.0.1");
    plant.Port = ChildEnv("FS_STATION_PORT").toInt();
    plant.Database = QStringLiteral("plant");
    plant.User = QStringLiteral("postgres");
    plant.SslMode = QStringLiteral("disable");
    auto local = TRecordStore::OpenLocal(
        QDir(ChildEnv("FS_STATION_DIR")).filePath(QStringLiteral("station-%1.sqlite").arg(station)));
    // As the window's sender does: a failed server is dropped and reached again later; what it
    // did not take stays queued.
    std::unique_ptr<TRecordStore> server;
    int failures = 0;
    const auto send = [&](int limit) {
        try
        {
            if (!server)
                server = TRecordStore::OpenServer(plant);
            return SendWaiting(*local, *server, limit);
        }
        catch (const TRecordStoreError&)
        {
            server.reset();
            ++failures;
            QThread::msleep(100);
            return -1;
        }
    };
    for (int i = 0; i < count; ++i)
    {
        TInspectionRecord r =
            SerialRecord(QStringLiteral("S%1-%2").arg(station).arg(i, 5, 10, QLatin1Char('0')));
        r.Time = QDateTime::currentDateTime();
        ASSERT_TRUE(local->Add(TStoredInspection::Made(r, QStringLiteral("station-%1").arg(station)), true));
        if ((i + 1) % 100 == 0 && dieAfter < 0)
            send(500);
    }
    if (dieAfter >= 0)
    {
        ASSERT_EQ(send(dieAfter), dieAfter);
        std::raise(SIGKILL); // between the local commit and the send of the rest
    }
    for (int tries = 0; tries < 600 && local->WaitingCount() > 0; ++tries)
        send(500);
    EXPECT_EQ(local->WaitingCount(), 0) << failures << " failed sends";
    // For the parent: whether the outage reached this station while it was sending.
    QFile note(QDir(ChildEnv("FS_STATION_DIR")).filePath(QStringLiteral("station-%1.failures").arg(station)));
    if (note.open(QIODevice::WriteOnly))
        note.write(QByteArray::number(failures));
}

// Eight stations sending 2,000 inspections each into one server at once, through an outage of the
// server in the middle: every one there, once.
TEST(RecordStation, EightStationsSendingAtOnceLoseNothingAndDoubleNothing)
{
    TPostgresServer server;
    QString error;
    if (!server.Start(&error))
        GTEST_SKIP() << "no PostgreSQL server: " << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int n = 0; n < 8; ++n)
        stations.emplace_back(StartStation(dir.path(), n, 2000, server.Port()));
    // The server goes down in the middle of their sending (its connections cut, transactions
    // under way rolled back) and comes back.
    QThread::msleep(3000);
    server.Stop();
    QThread::msleep(1000);
    ASSERT_TRUE(server.Restart());
    for (auto& p : stations)
    {
        ASSERT_TRUE(p->waitForFinished(300000)) << "a station hung";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
    }
    QString counts;
    ASSERT_TRUE(
        server.Sql(QStringLiteral("SELECT count(*) || ' ' || count(DISTINCT serial) || ' ' || count(DISTINCT "
                                  "station) FROM inspections"),
                   &counts, QStringLiteral("plant")));
    EXPECT_EQ(counts, "16000 16000 8");
    int failures = 0;
    for (int n = 0; n < 8; ++n)
    {
        QFile note(dir.filePath(QStringLiteral("station-%1.failures").arg(n)));
        if (note.open(QIODevice::ReadOnly))
            failures += note.readAll().toInt();
    }
    EXPECT_GT(failures, 0) << "the outage came after the stations had sent everything";
}

// A station killed after its inspections were committed but before all were sent: the next run
// sends the rest, and the server holds each once.
TEST(RecordStation, AStationKilledBeforeSendingSendsTheRestWhenItRunsAgain)
{
    TPostgresServer server;
    QString error;
    if (!server.Start(&error))
        GTEST_SKIP() << "no PostgreSQL server: " << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    QTemporaryDir dir;
    std::unique_ptr<QProcess> killed(StartStation(dir.path(), 1, 50, server.Port(), 20));
    ASSERT_TRUE(killed->waitForFinished(60000));
    EXPECT_EQ(killed->exitStatus(), QProcess::CrashExit);
    QString count;
    server.Sql(QStringLiteral("SELECT count(*) FROM inspections"), &count, QStringLiteral("plant"));
    EXPECT_EQ(count, "20");
    auto local = TRecordStore::OpenLocal(dir.filePath(QStringLiteral("station-1.sqlite")));
    EXPECT_EQ(local->WaitingCount(), 30);
    local.reset();

    std::unique_ptr<QProcess> again(StartStation(dir.path(), 1, 0, server.Port()));
    ASSERT_TRUE(again->waitForFinished(60000));
    EXPECT_EQ(again->exitCode(), 0);
    server.Sql(QStringLiteral("SELECT count(*) || ' ' || count(DISTINCT serial) FROM inspections"), &count,
               QStringLiteral("plant"));
    EXPECT_EQ(count, "50 50");
}
