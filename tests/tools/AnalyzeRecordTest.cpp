// The analyser's --record: a batch's records land in the record store as the station's own do,
// each the very line --csv printed, written in the order of the arguments whatever the jobs. The
// program runs with data and configuration folders of its own, so the user's store and
// preferences are never touched.

#include "records/RecordStore.h"
#include "tests/records/CsvReader.h"
#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <map>

namespace
{
// A user of the analyser: the default store and the preferences under a temporary home.
class RecordHome
{
public:
    QTemporaryDir Dir;

    QString DefaultStore() const { return Dir.filePath("data/fiberscope/records.sqlite"); }

    void SetPreferences(const QString& station, const TPlantDatabase& plant = {}) const
    {
        QSettings s(Dir.filePath("config/fiberscope/fiberscope.conf"), QSettings::NativeFormat);
        s.setValue("Records/StationName", station);
        WritePlantDatabase(s, plant);
        s.sync();
    }

    RunResult Run(const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", Dir.filePath("data"));
        env.insert("XDG_CONFIG_HOME", Dir.filePath("config"));
        return Analyze(args, {}, env);
    }
};

QStringList Samples()
{
    QStringList paths;
    const QDir samples(FS_SOURCE_DIR "/samples");
    for (const QString& name : samples.entryList({"*.png", "*.bmp"}, QDir::Files, QDir::Name))
        paths << samples.filePath(name);
    return paths;
}

// Source and mode of the store's inspections in the order they were written.
std::vector<QString> WrittenOrder(const QString& file)
{
    std::vector<QString> order;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "written-order");
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec("SELECT source, mode FROM inspections ORDER BY rowid"));
        for (int row = 0; row < 1000 && q.next(); ++row)
            order.push_back(q.value(0).toString() + ' ' + q.value(1).toString());
    }
    QSqlDatabase::removeDatabase("written-order");
    return order;
}
} // namespace

// Every image and mode of a parallel run, a picture without a fiber among them: the stored record
// is the printed CSV line field for field, of the station its preferences name, with the
// findings the engine listed, and nothing queued while no plant database is set.
TEST(AnalyzeRecord, StoresThePrintedLineOfEveryImageAndModeInArgumentOrder)
{
    RecordHome home;
    ASSERT_TRUE(home.Dir.isValid());
    home.SetPreferences("LAB-2");
    const QString empty = WriteImage(home.Dir, "empty.png", EmptyFrame(EmptyFrameKind::Uniform, 1));
    const QStringList images = Samples() << empty;
    ASSERT_EQ(images.size(), 6);

    const RunResult r = home.Run(QStringList{"--record", "--csv", "--mode", "both", "--jobs", "3"} + images);
    EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.isEmpty()) << r.Err.toStdString();
    const std::vector<QStringList> rows = ReadCsv(r.Out.toUtf8());
    ASSERT_EQ(rows.size(), 13u) << r.Out.toStdString();
    const QStringList& header = rows[0];
    const qsizetype source = header.indexOf("source"), mode = header.indexOf("mode");
    ASSERT_GE(source, 0);
    ASSERT_GE(mode, 0);
    std::map<QString, QStringList> printed;
    std::vector<QString> argumentOrder;
    for (std::size_t i = 1; i < rows.size(); ++i)
    {
        const QString key = rows[i].value(source) + ' ' + rows[i].value(mode);
        printed[key] = rows[i];
        argumentOrder.push_back(key);
    }
    ASSERT_EQ(printed.size(), 12u);

    const auto store = TRecordStore::OpenLocal(home.DefaultStore());
    EXPECT_EQ(store->WaitingCount(), 0);
    const std::vector<TRecordSummary> page = store->Page({}, 100);
    ASSERT_EQ(page.size(), 12u);
    for (const TRecordSummary& summary : page)
    {
        ASSERT_TRUE(summary.Serial.isEmpty());
        const std::optional<TStoredInspection> s = store->Get(summary.Id);
        ASSERT_TRUE(s);
        const QStringList fields = s->Record.CsvFields();
        const QString key = fields.value(source) + ' ' + fields.value(mode);
        SCOPED_TRACE(key.toStdString());
        ASSERT_EQ(printed.count(key), 1u);
        const QStringList& line = printed[key];
        ASSERT_EQ(fields.size(), line.size());
        for (qsizetype c = 0; c < header.size(); ++c)
            EXPECT_EQ(fields.value(c).toStdString(), line.value(c).toStdString()) << header[c].toStdString();
        printed.erase(key);
        EXPECT_EQ(s->Station, "LAB-2");
        EXPECT_TRUE(s->ReportPng.isEmpty());
        if (summary.Source == empty)
        {
            EXPECT_EQ(summary.Verdict, "No fiber");
            EXPECT_TRUE(s->Findings.empty());
        }
        // The engine's lists as they were judged: the defect in the core zone is among them.
        if (summary.Source.endsWith("/core-defect.png"))
        {
            EXPECT_TRUE(std::any_of(s->Findings.begin(), s->Findings.end(), [](const TStoredFinding& f) {
                return f.Zone == "core" && f.Kind == "defect" && f.Size > 0.0f;
            }));
        }
    }
    EXPECT_EQ(WrittenOrder(home.DefaultStore()), argumentOrder);
}

// --store takes the records instead of the station's store, and the preferences' plant database
// has them queued for sending; the printed output is that of a run without --record.
TEST(AnalyzeRecord, StoreFileTakesTheRecordsAndQueuesThemForThePlant)
{
    RecordHome home;
    ASSERT_TRUE(home.Dir.isValid());
    TPlantDatabase plant;
    plant.Host = "db.plant.invalid";
    plant.Database = "records";
    home.SetPreferences("LAB-3", plant);
    const QString image = QStringLiteral(FS_SOURCE_DIR "/samples/core-defect.png");
    const QString file = home.Dir.filePath("lab/batch.sqlite");

    const RunResult recorded = home.Run({"--record", "--store", file, "--json", "--mode", "both", image});
    const RunResult plain = home.Run({"--json", "--mode", "both", image});
    EXPECT_EQ(recorded.Exit, plain.Exit) << recorded.Err.toStdString();
    EXPECT_EQ(recorded.Out, plain.Out);
    EXPECT_TRUE(recorded.Err.isEmpty()) << recorded.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.DefaultStore()));

    const auto store = TRecordStore::OpenLocal(file);
    EXPECT_EQ(store->Count({}), 2);
    EXPECT_EQ(store->WaitingCount(), 2);
    const QStringList objects = Lines(plain.Out);
    ASSERT_EQ(objects.size(), 2);
    for (const QString& line : objects)
    {
        const QJsonObject o = ParseLine(line);
        const std::vector<TRecordSummary> page = store->Page({}, 10);
        const auto same = std::count_if(page.begin(), page.end(), [&](const TRecordSummary& s) {
            return s.Mode.startsWith(o["mode"].toString(), Qt::CaseInsensitive) &&
                   s.Verdict == o["overall"].toString() && s.Station == "LAB-3";
        });
        EXPECT_EQ(same, 1) << line.toStdString();
    }
}

// A store given without --record is a wrong argument; one that cannot be made is said once, by
// name, and every image is still checked and printed.
TEST(AnalyzeRecord, StoreProblemsNameTheStoreAndExitTwo)
{
    RecordHome home;
    ASSERT_TRUE(home.Dir.isValid());
    const QString image = QStringLiteral(FS_SOURCE_DIR "/samples/clean-pass.png");
    const QString file = home.Dir.filePath("batch.sqlite");

    const RunResult alone = home.Run({"--store", file, image});
    EXPECT_EQ(alone.Exit, 2);
    EXPECT_TRUE(alone.Out.isEmpty());
    EXPECT_TRUE(alone.Err.contains(file)) << alone.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));

    const QString blocker = WriteText(home.Dir, "plain-file", "not a folder");
    const QString unmakeable = blocker + "/lab/batch.sqlite";
    const RunResult blocked = home.Run({"--record", "--store", unmakeable, "--jobs", "2", image, image});
    EXPECT_EQ(blocked.Exit, 2);
    EXPECT_EQ(Lines(blocked.Out).size(), 3) << blocked.Out.toStdString();
    EXPECT_EQ(Lines(blocked.Err).size(), 1) << blocked.Err.toStdString();
    EXPECT_TRUE(blocked.Err.contains(unmakeable)) << blocked.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.DefaultStore()));
}
