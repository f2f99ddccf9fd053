// fiberscope-records run as a script runs it: the built program by path, with data and
// configuration folders of its own, so it never touches the user's store or preferences. Logs
// written by the log's own code go in and come back out cell for cell; filters, pages, pass
// rates; the outbox sent to a real PostgreSQL server, and kept while the server is away.

#include "records/InspectionLog.h"
#include "records/RecordStore.h"
#include "tests/records/ConnectorFixtures.h"
#include "tests/records/CsvReader.h"
#include "tests/records/LogFixtures.h"
#include "tests/records/PostgresServer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace
{
struct RecordsRun
{
    int Exit = -1;
    QByteArray Out;
    QString Err;
};

// A user of the program: the store and the preferences under a temporary home.
class RecordsHome
{
public:
    QTemporaryDir Dir;

    QString StorePath() const { return Dir.filePath(QStringLiteral("data/fiberscope/records.sqlite")); }
    QString Path(const QString& name) const { return Dir.filePath(name); }

    void SetPreferences(const QString& station, const TPlantDatabase& plant = {}) const
    {
        QSettings s(Dir.filePath(QStringLiteral("config/fiberscope/fiberscope.conf")),
                    QSettings::NativeFormat);
        s.setValue(QStringLiteral("Records/StationName"), station);
        WritePlantDatabase(s, plant);
        s.sync();
    }

    RecordsRun Run(const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), Dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Dir.filePath(QStringLiteral("config")));
        // Three hours east of UTC, so a date alone is told from a UTC day.
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC-3"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(FS_RECORDS_PATH), args);
        RecordsRun r;
        if (!p.waitForFinished(60000))
        {
            p.kill();
            p.waitForFinished(5000);
            ADD_FAILURE() << "fiberscope-records timed out";
            return r;
        }
        r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.Out = p.readAllStandardOutput();
        r.Err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};

QDateTime Utc(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODate);
}

std::vector<QJsonObject> JsonLines(const QByteArray& out)
{
    std::vector<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n'))
    {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects.push_back(doc.object());
    }
    return objects;
}

QStringList SerialsOf(const QByteArray& jsonLines)
{
    QStringList serials;
    for (const QJsonObject& o : JsonLines(jsonLines))
        serials << o.value(QStringLiteral("serial")).toString();
    return serials;
}

QList<QByteArray> CsvLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

// Records with everything the log's cells have to carry.
std::vector<TInspectionRecord> AwkwardRecords()
{
    std::vector<TInspectionRecord> records;
    TInspectionRecord r = SerialRecord(QStringLiteral("=AB,\"0001\""));
    r.Source = QStringLiteral("WiFi scope \"Zone 3\" – Größe");
    r.Files = {QStringLiteral("/images/a;b.bmp"), QStringLiteral("/images/back\\slash.pdf")};
    records.push_back(r);

    r = SerialRecord(QStringLiteral("-1+0002"));
    r.Source = QStringLiteral("\tUSB Video Device");
    r.Files = {QStringLiteral("=x;y.bmp")};
    records.push_back(r);

    // Begins with ' but not with a formula: the writer leaves it, so the reader must too.
    r = SerialRecord(QStringLiteral("'=0003"));
    r.Source = QStringLiteral("line\n2\x1b[31m \\u000A");
    r.Files = {FileNameText("/images/caf\xe9.bmp")};
    records.push_back(r);

    r = SerialRecord(QStringLiteral("Zoë0004"));
    r.Profile = QStringLiteral("sm-pc");
    r.UmPerPixel = 0.4168f;
    r.ProfileZones = {{"A", "Zone A", {{"Scratches", "None", 0, true}, {"Defects", "None", 1, false}}, false},
                      {"B", "Zone B", {{"Defects 2–5 µm", "5", 2, true}}, true}};
    TMeasuredFinding scratch;
    scratch.Kind = FindingClass::Scratch;
    scratch.SizeUm = 2.05f;
    scratch.LengthUm = 61.3f;
    TMeasuredFinding defect;
    defect.SizeUm = 4.12f;
    r.Findings = {defect, scratch};
    r.Location.Method = TLocateMethod::Edges;
    r.Location.Edge.Found = true;
    r.Location.Edge.Centre = TPoint2D(160.03f, 300.02f);
    r.Location.Edge.RadiusX = 149.96f;
    r.Location.Edge.RadiusY = 150.01f;
    r.Location.Edge.ArcSeen = 0.98f;
    r.RejudgedAt = Utc("2026-12-01T09:30:00+01:00");
    records.push_back(r);

    r = SerialRecord(QStringLiteral("NF0005"));
    TFiberLocation none;
    none.Method = TLocateMethod::Edges;
    none.Outcome = TFiberOutcome::NoFiber;
    none.Edge.Reason = TNoFiberReason::NoEdges;
    r.SetLocation(none);
    records.push_back(r);

    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].Time = Utc("2026-12-01T08:00:00+01:00").addSecs(static_cast<qint64>(i) * 60);
    return records;
}
} // namespace

// A log written by the log's own code comes back from the store as the same cells, byte for byte,
// after the id, station and operator; lines already there, from this file or a copy of it, are
// not added again; damaged lines are refused and named, and the rest still goes in.
TEST(RecordsImport, ALogComesBackCellForCellAndGoesInOnce)
{
    RecordsHome home;
    ASSERT_TRUE(home.Dir.isValid());
    const QString station = QStringLiteral("=Line 2, \"B\"");
    home.SetPreferences(station);
    const QString folder = home.Path(QStringLiteral("images"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const TInspectionRecord& r : AwkwardRecords())
        TInspectionLog::Append(folder, r);
    const QString log = TInspectionLog::FileName(folder);
    const QList<QByteArray> logged = CsvLines(ReadBytes(log));
    ASSERT_EQ(logged.size(), 6);
    // A line damaged in the middle, and one cut short by a power cut at the end.
    ASSERT_TRUE(WriteBytes(log, "2026-12-01T10:00:00Z,short\r\n" + logged[1].left(40), QIODevice::Append));

    RecordsRun r = home.Run({QStringLiteral("import"), log});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("imported 5, already there 0, refused 2")) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("line 7: 2 fields")) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("line 8: cut short")) << r.Out.toStdString();

    r = home.Run({QStringLiteral("export")});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    const QList<QByteArray> exported = CsvLines(r.Out);
    const std::vector<QStringList> rows = ReadCsv(r.Out), original = ReadCsv(ReadBytes(log));
    ASSERT_EQ(exported.size(), 6);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], QStringList({"id", "station", "operator"}) + TInspectionRecord::CsvHeader());
    // The station's cell as the log would write the same text.
    const QString stationCell = ReadCsv(SerialRecord(station).CsvRecordLine()).at(0).at(1);
    for (int i = 1; i <= 5; ++i)
    {
        // Newest first: the log's last record is the export's first.
        SCOPED_TRACE(logged[6 - i].toStdString());
        EXPECT_TRUE(exported[i].endsWith(logged[6 - i])) << exported[i].toStdString();
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].mid(3), original[static_cast<std::size_t>(6 - i)]);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)][1], stationCell);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)][2], QString());
    }

    // Again, and another station's copy of the same lines under its own name.
    const QString copy = home.Path(QStringLiteral("copy.csv"));
    ASSERT_TRUE(QFile::copy(log, copy));
    r = home.Run({QStringLiteral("import"), log, copy, QStringLiteral("--station"), QStringLiteral("other")});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(CsvLines(r.Out).size(), 2);
    EXPECT_EQ(r.Out.count("imported 0, already there 5, refused 2"), 2) << r.Out.toStdString();
    EXPECT_EQ(TRecordStore::OpenLocal(home.StorePath())->Count({}), 5);
}

// A connector's log line goes into the store and comes back out the same, its fibres as objects
// in JSON, and show prints a line per fibre with what failed.
TEST(RecordsImport, AConnectorComesBackWithItsFibres)
{
    RecordsHome home;
    ASSERT_TRUE(home.Dir.isValid());
    home.SetPreferences(QStringLiteral("line-1"));
    const QString folder = home.Path(QStringLiteral("images"));
    ASSERT_TRUE(QDir().mkpath(folder));
    TInspectionLog::Append(folder, ConnectorRecord());
    const QString log = TInspectionLog::FileName(folder);
    RecordsRun r = home.Run({QStringLiteral("import"), log});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("imported 1, already there 0, refused 0")) << r.Out.toStdString();

    r = home.Run({QStringLiteral("export")});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(ReadCsv(r.Out).at(1).mid(3), ReadCsv(ReadBytes(log)).at(1));
    EXPECT_EQ(ReadCsv(r.Out).at(0).back(), "fibres");

    r = home.Run({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("jsonl")});
    const std::vector<QJsonObject> objects = JsonLines(r.Out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].value(QStringLiteral("ferrule")).toString(), "12x1");
    const QJsonArray fibres = objects[0].value(QStringLiteral("fibres")).toArray();
    ASSERT_EQ(fibres.size(), 12);
    EXPECT_EQ(fibres[2].toObject().value(QStringLiteral("times")).toInt(), 2);
    EXPECT_EQ(fibres[1].toObject().value(QStringLiteral("verdict")).toString(), "Fail");
    EXPECT_DOUBLE_EQ(fibres[1].toObject().value(QStringLiteral("radius")).toDouble(), 149.875);

    r = home.Run({QStringLiteral("show"), objects[0].value(QStringLiteral("id")).toString()});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    const QString text = QString::fromUtf8(r.Out);
    for (const char* expected : {"verdict   Fail\n", "ferrule   12x1\n",
                                 "2      Fail        1       0/0              1/6              B Defects "
                                 "2\u20135 \u00B5m 6/5\n",
                                 "3      Pass        2       0/0              1/2\n",
                                 "zone B: Scratches (No Limit) / Defects 2\u20135 \u00B5m (5)\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    r = home.Run({QStringLiteral("show"), QUuid::createUuid().toString()});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Err.contains(QLatin1String("no inspection"))) << r.Err.toStdString();
}

// Logs of other versions: columns are taken by name, missing ones left empty, further ones unread.
TEST(RecordsImport, LogsOfOtherVersionsAreReadByColumnName)
{
    const QStringList header = TInspectionRecord::CsvHeader();
    const QStringList fields = SerialRecord(QStringLiteral("OLD0001")).CsvFields();
    const struct
    {
        const char* Name;
        qsizetype Columns; // of ours, from the first
        bool Extra;        // a newer version's column after ours
    } cases[] = {
        {"first layout", header.indexOf(QLatin1String("version")) + 1, false},
        {"current", header.size(), false},
        {"newer", header.size(), true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        RecordsHome home;
        const QString extra = c.Extra ? QStringLiteral("later") : QString();
        QStringList h = header.mid(0, c.Columns), f = fields.mid(0, c.Columns);
        if (c.Extra)
        {
            h << extra;
            f << QStringLiteral("x");
        }
        const QString log = home.Path(QStringLiteral("inspections.csv"));
        ASSERT_TRUE(WriteBytes(log, CsvLine(h) + CsvLine(f)));
        RecordsRun r = home.Run({QStringLiteral("import"), log});
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.contains("imported 1, already there 0, refused 0")) << r.Out.toStdString();
        r = home.Run({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("jsonl")});
        const std::vector<QJsonObject> objects = JsonLines(r.Out);
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0].value(QStringLiteral("serial")).toString(), "OLD0001");
        EXPECT_EQ(objects[0].value(QStringLiteral("verdict")).toString(), "Fail");
        EXPECT_EQ(objects[0].value(QStringLiteral("profile")).toString(), "classic");
        EXPECT_FALSE(objects[0].contains(QStringLiteral("later")));
    }
}

class RecordsExport : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Home.Dir.isValid());
        const auto store = TRecordStore::OpenLocal(Home.StorePath());
        const struct
        {
            const char* Serial;
            const char* Time;
            bool Pass;
            const char* Station;
        } records[] = {
            {"AB0001", "2026-11-30T22:00:00Z", true, "east"}, // 1 December, three hours east
            {"AB0002", "2026-12-01T12:00:00Z", false, "west"},
            {"AB1003", "2026-12-02T08:00:00Z", false, "east"},
            {"XY0004", "2026-12-03T08:00:00Z", false, "east"},
        };
        for (const auto& d : records)
        {
            TInspectionRecord r = SerialRecord(QLatin1String(d.Serial));
            r.Time = Utc(d.Time);
            r.Pass = d.Pass;
            if (r.Serial == QLatin1String("XY0004"))
            {
                TFiberLocation none;
                none.Outcome = TFiberOutcome::NoFiber;
                r.SetLocation(none);
            }
            TStoredInspection s = TStoredInspection::Made(r, QLatin1String(d.Station));
            if (r.Serial == QLatin1String("AB1003"))
            {
                TFiberAnalyzer a;
                a.FindingCount[1] = 1;
                a.Findings[1][0] = {1, 4.0f, 5.0f, 17.0f, 5.8f, 0.0f};
                s.TakeFindings(a);
                s.ReportPng = QByteArray("\x89PNG\r\n\x1a\n", 8);
            }
            ASSERT_TRUE(store->Add(s));
        }
    }

    RecordsHome Home;
};

TEST_F(RecordsExport, FiltersChooseTheRecordsNewestFirst)
{
    const struct
    {
        const char* Name;
        QStringList Args;
        QStringList Serials;
    } cases[] = {
        {"all", {}, {"XY0004", "AB1003", "AB0002", "AB0001"}},
        {"serial prefix", {"--serial", "AB0"}, {"AB0002", "AB0001"}},
        {"verdict in any case", {"--verdict", "fail"}, {"AB1003", "AB0002"}},
        {"no fiber", {"--verdict", "No fiber"}, {"XY0004"}},
        {"time range", {"--from=2026-12-01T10:00:00Z", "--to", "2026-12-03T08:00:00Z"}, {"AB1003", "AB0002"}},
        {"local day", {"--from", "2026-12-01", "--to", "2026-12-02"}, {"AB0002", "AB0001"}},
        {"station and verdict", {"--station", "east", "--verdict", "Fail"}, {"AB1003"}},
        {"nothing", {"--serial", "ZZ"}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const RecordsRun r = Home.Run(
            QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("jsonl")} +
            c.Args);
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        EXPECT_EQ(SerialsOf(r.Out), c.Serials);
    }
}

TEST_F(RecordsExport, JsonLinesCarryNumbersAsNumbersAndTheFindings)
{
    const RecordsRun r = Home.Run({QStringLiteral("export"), QStringLiteral("--format=jsonl"),
                                   QStringLiteral("--serial"), QStringLiteral("AB1003")});
    const std::vector<QJsonObject> objects = JsonLines(r.Out);
    ASSERT_EQ(objects.size(), 1u);
    const QJsonObject& o = objects[0];
    EXPECT_EQ(o.value(QStringLiteral("station")).toString(), "east");
    EXPECT_FALSE(o.value(QStringLiteral("host")).toString().isEmpty());
    EXPECT_EQ(o.value(QStringLiteral("time")).toString(), "2026-12-02T08:00:00Z");
    EXPECT_EQ(o.value(QStringLiteral("frames")).toDouble(-1), 3);
    EXPECT_EQ(o.value(QStringLiteral("mode")).toString(), "single");
    EXPECT_TRUE(o.value(QStringLiteral("center_x")).isDouble());
    EXPECT_TRUE(o.value(QStringLiteral("count_core_scratches_over_3um")).isNull()); // not in single mode
    EXPECT_TRUE(o.value(QStringLiteral("rejudged")).isNull());
    EXPECT_EQ(o.value(QStringLiteral("files")).toArray(),
              QJsonArray({QStringLiteral("/images/a.bmp"), QStringLiteral("/images/a.pdf")}));
    const QJsonArray findings = o.value(QStringLiteral("findings")).toArray();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].toObject().value(QStringLiteral("zone")).toString(), "cladding");
    EXPECT_FLOAT_EQ(static_cast<float>(findings[0].toObject().value(QStringLiteral("size")).toDouble()),
                    5.8f);
    EXPECT_EQ(o.value(QStringLiteral("report_picture")), QJsonValue(true));
    for (const QString& column : TInspectionRecord::CsvHeader())
        EXPECT_TRUE(o.contains(column)) << column.toStdString();
}

TEST_F(RecordsExport, StatsCountPassRatesPerStation)
{
    const RecordsRun r =
        Home.Run({QStringLiteral("stats"), QStringLiteral("--per"), QStringLiteral("station")});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    std::vector<QStringList> rows;
    for (const QByteArray& line : CsvLines(r.Out))
        rows.push_back(QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    ASSERT_EQ(rows.size(), 4u) << r.Out.toStdString();
    EXPECT_EQ(rows[1], QStringList({"east", "3", "1", "33.3"}));
    EXPECT_EQ(rows[2], QStringList({"west", "1", "0", "0.0"}));
    EXPECT_EQ(rows[3], QStringList({"total", "4", "1", "25.0"}));
}

// More records than a page, all at one time: the cursor must carry on across the pages by id.
TEST(RecordsExportPages, EveryRecordOnceAcrossPagesOfOneTime)
{
    RecordsHome home;
    constexpr int count = 1003;
    {
        const auto store = TRecordStore::OpenLocal(home.StorePath());
        for (int i = 0; i < count; ++i)
        {
            TInspectionRecord r = SerialRecord(QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')));
            r.Time = Utc("2026-12-01T08:00:00Z");
            ASSERT_TRUE(store->Add(TStoredInspection::Made(r)));
        }
    }
    const RecordsRun r =
        home.Run({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("jsonl")});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    std::set<QString> ids;
    for (const QJsonObject& o : JsonLines(r.Out))
        ids.insert(o.value(QStringLiteral("id")).toString());
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(r.Out.count('\n'), count);
}

TEST(RecordsSync, SendsTheOutboxAndKeepsWhatTheServerCannotTake)
{
    TPostgresServer server;
    QString error;
    if (!server.Start(&error))
        GTEST_SKIP() << "no PostgreSQL server: " << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    TPlantDatabase plant;
    plant.Host = server.Host();
    plant.Port = server.Port();
    plant.Database = QStringLiteral("plant");
    plant.User = QStringLiteral("postgres");
    plant.SslMode = QStringLiteral("disable");

    RecordsHome home;
    const auto queue = [&](int first, int n) {
        const auto local = TRecordStore::OpenLocal(home.StorePath());
        for (int i = first; i < first + n; ++i)
            ASSERT_TRUE(local->Add(
                TStoredInspection::Made(SerialRecord(QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0')))),
                true));
    };
    queue(0, 3);
    RecordsRun r =
        home.Run({QStringLiteral("sync"), QStringLiteral("--host"), plant.Host, QStringLiteral("--port"),
                  QString::number(plant.Port), QStringLiteral("--database"), plant.Database,
                  QStringLiteral("--user"), plant.User, QStringLiteral("--sslmode"), plant.SslMode});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("sent 3")) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("none waiting")) << r.Out.toStdString();
    EXPECT_EQ(TRecordStore::OpenServer(plant)->Count({}), 3);

    // The plant database of the preferences, for reading and for sending.
    home.SetPreferences(QStringLiteral("line 1"), plant);
    r = home.Run({QStringLiteral("--server"), QStringLiteral("export"), QStringLiteral("--format=jsonl")});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(JsonLines(r.Out).size(), 3u);

    queue(3, 2);
    server.Stop();
    r = home.Run({QStringLiteral("sync")});
    EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("sent 0")) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains("2 still waiting")) << r.Out.toStdString();
    EXPECT_TRUE(r.Err.contains(plant.Describe())) << r.Err.toStdString();
    EXPECT_EQ(TRecordStore::OpenLocal(home.StorePath())->WaitingCount(), 2);
}

struct RecordsArgumentCase
{
    const char* Name;
    QStringList Args;
    const char* Says; // part of the one error line
};

void PrintTo(const RecordsArgumentCase& c, std::ostream* os)
{
    *os << c.Name;
}

class RecordsArguments : public testing::TestWithParam<RecordsArgumentCase>
{
};

TEST_P(RecordsArguments, WrongArgumentsExitTwoWithOneLine)
{
    const RecordsArgumentCase& c = GetParam();
    RecordsHome home;
    ASSERT_TRUE(home.Dir.isValid());
    WriteBytes(home.Path(QStringLiteral("notes.txt")), "shopping list\r\n");
    QStringList args;
    for (QString a : c.Args)
        args << a.replace(QLatin1String("DIR"), home.Dir.path());
    const RecordsRun r = home.Run(args);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Out.isEmpty()) << r.Out.toStdString();
    EXPECT_EQ(r.Err.count(QLatin1Char('\n')), 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QLatin1String(c.Says))) << r.Err.toStdString();
    // Only an import makes a store.
    if (!c.Args.contains(QLatin1String("import")))
    {
        EXPECT_FALSE(QFile::exists(home.StorePath()));
        EXPECT_FALSE(QFile::exists(home.Path(QStringLiteral("none.sqlite"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordsArguments,
    testing::Values(
        RecordsArgumentCase{"NoCommand", {}, "no command"},
        RecordsArgumentCase{"UnknownCommand", {"purge"}, "unknown command purge"},
        RecordsArgumentCase{"UnknownOption", {"export", "--verbose"}, "unknown option --verbose"},
        RecordsArgumentCase{"ValueMissing", {"export", "--serial"}, "--serial needs a value"},
        RecordsArgumentCase{"EmptyValue", {"--store=", "export"}, "--store needs a value"},
        RecordsArgumentCase{"BadFormat", {"export", "--format", "xml"}, "csv or jsonl"},
        RecordsArgumentCase{"BadTime", {"export", "--from", "yesterday"}, "ISO 8601"},
        RecordsArgumentCase{"BadDate", {"export", "--to", "2026-02-30"}, "ISO 8601"},
        RecordsArgumentCase{
            "FromAfterTo", {"export", "--from", "2026-12-02", "--to", "2026-12-01"}, "before --to"},
        RecordsArgumentCase{"BadVerdict", {"export", "--verdict", "ok"}, "--verdict takes"},
        RecordsArgumentCase{"BadPer", {"stats", "--per", "week"}, "day or station"},
        RecordsArgumentCase{"FormatForStats", {"stats", "--format", "csv"}, "stats does not take --format"},
        RecordsArgumentCase{"FilterForSync", {"sync", "--serial", "AB"}, "sync does not take --serial"},
        RecordsArgumentCase{
            "StoreAndServer", {"--store", "DIR/none.sqlite", "--server", "export"}, "cannot be combined"},
        RecordsArgumentCase{
            "StoreAndHost", {"--store", "DIR/none.sqlite", "--host", "db", "stats"}, "cannot be combined"},
        RecordsArgumentCase{"ImportWithoutLog", {"import"}, "import needs"},
        RecordsArgumentCase{"ExportWithFile", {"export", "a.csv"}, "takes no file"},
        RecordsArgumentCase{"ShowWithoutId", {"show"}, "show needs one inspection id"},
        RecordsArgumentCase{"ShowNotAnId", {"show", "AB0001"}, "show takes an inspection id"},
        RecordsArgumentCase{"ShowWithFilter",
                            {"show", "52ae0cd7-5030-5b9d-b7d2-05cedaec2270", "--serial", "AB"},
                            "show does not take --serial"},
        RecordsArgumentCase{"BadPort", {"sync", "--host", "db", "--port", "70000"}, "--port takes"},
        RecordsArgumentCase{"BadSslMode", {"sync", "--host", "db", "--sslmode", "maybe"}, "--sslmode takes"},
        RecordsArgumentCase{"NoLocalStore", {"export"}, "no record store"},
        RecordsArgumentCase{"NoStoreFile", {"--store", "DIR/none.sqlite", "stats"}, "none.sqlite"},
        RecordsArgumentCase{"StoreIsNoDatabase", {"--store", "DIR/notes.txt", "export"}, "notes.txt"},
        RecordsArgumentCase{"NoPlantInPreferences", {"--server", "export"}, "no plant database"},
        RecordsArgumentCase{"SyncWithoutPlant", {"sync"}, "no plant database"},
        RecordsArgumentCase{"SyncWithoutLocalStore", {"sync", "--host", "127.0.0.1"}, "no record store"},
        RecordsArgumentCase{"ImportNoLog", {"import", "DIR/notes.txt"}, "not an inspection log"},
        RecordsArgumentCase{"ImportMissingLog", {"import", "DIR/none.csv"}, "cannot read"}),
    [](const testing::TestParamInfo<RecordsArgumentCase>& p) { return p.param.Name; });

TEST(RecordsCommand, HelpAndVersionAnswerAlone)
{
    RecordsHome home;
    RecordsRun r = home.Run({QStringLiteral("export"), QStringLiteral("--help")});
    EXPECT_EQ(r.Exit, 0);
    for (const char* word :
         {"export", "import", "sync", "stats", "--store", "--server", "~/.pgpass", "Exit status"})
        EXPECT_TRUE(r.Out.contains(word)) << word;
    r = home.Run({QStringLiteral("--version"), QStringLiteral("purge")});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(r.Out.startsWith("fiberscope-records ")) << r.Out.toStdString();
    EXPECT_FALSE(QFile::exists(home.StorePath()));
}
