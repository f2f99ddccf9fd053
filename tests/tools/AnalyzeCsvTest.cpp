// The analyser's --csv: the inspection log's columns, and the same results as --json, field by
// field, for every sample in both modes.

#include "records/InspectionRecord.h"
#include "tests/records/CsvReader.h"
#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <QJsonArray>
#include <filesystem>

TEST(AnalyzeCsv, MatchesTheJsonOutputFieldByField)
{
    QStringList images;
    for (const char* name : {"clean-pass.png", "core-defect.png", "cladding-scratch.png",
                             "contact-defect.bmp", "wide-720-pass.png"})
        images << QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name);
    const RunResult csv = Analyze(QStringList{"--csv", "--mode", "both"} + images);
    const RunResult json = Analyze(QStringList{"--json", "--mode", "both"} + images);
    EXPECT_EQ(csv.Exit, json.Exit);
    const std::vector<QStringList> rows = ReadCsv(csv.Out.toUtf8());
    const QStringList objects = Lines(json.Out);
    ASSERT_EQ(rows.size(), 11u);
    ASSERT_EQ(objects.size(), 10);
    for (int i = 0; i < 10; ++i)
    {
        const QJsonObject o = ParseLine(objects[i]);
        const std::size_t r = static_cast<std::size_t>(i) + 1;
        ASSERT_EQ(rows[r].size(), rows[0].size());
        EXPECT_EQ(CsvField(rows, r, "source"), o["file"].toString());
        EXPECT_EQ(CsvField(rows, r, "mode"), o["mode"].toString());
        EXPECT_EQ(CsvField(rows, r, "verdict"), o["overall"].toString());
        const QJsonArray zones = o["zone_verdicts"].toArray();
        EXPECT_EQ(CsvField(rows, r, "core_verdict"), zones[0].toString());
        EXPECT_EQ(CsvField(rows, r, "cladding_verdict"), zones[1].toString());
        EXPECT_EQ(CsvField(rows, r, "contact_verdict"), zones[2].toString());
        EXPECT_FLOAT_EQ(CsvField(rows, r, "center_x").toFloat(),
                        static_cast<float>(o["center"].toArray()[0].toDouble()));
        EXPECT_FLOAT_EQ(CsvField(rows, r, "radius_contact").toFloat(),
                        static_cast<float>(o["zone_radius"].toArray()[4].toDouble()));
        const QJsonArray counts = o["zone_counts"].toArray();
        EXPECT_EQ(CsvField(rows, r, "count_cladding_scratches_over_3um").toInt(),
                  counts[0].toArray()[1].toInt());
        EXPECT_EQ(CsvField(rows, r, "count_cladding_defects_2_5um").toInt(), counts[1].toArray()[2].toInt());
        EXPECT_EQ(CsvField(rows, r, "count_contact_defects_over_10um").toInt(),
                  counts[1].toArray()[4].toInt());
        if (o["mode"].toString() == "multi")
            EXPECT_EQ(CsvField(rows, r, "count_core_defects").toInt(),
                      o["multi_core_counts"].toArray()[2].toInt());
        else
            EXPECT_EQ(CsvField(rows, r, "count_core_defects").toInt(), counts[1].toArray()[0].toInt());
        EXPECT_EQ(CsvField(rows, r, "frames"), "0");
    }
    EXPECT_EQ(Analyze({"--csv", "--json", images[0]}).Exit, 2);
}

// Image names and a profile's zone names reach the CSV: what a spreadsheet would run as a formula
// is defused, a name's bytes that are not UTF-8 stay recognisable, and numbers stay numbers. The
// names are given by the shell, byte for byte, as a script gives them.
TEST(AnalyzeCsv, NamesThatLookLikeFormulasAreDefusedAndStrayBytesKept)
{
    QTemporaryDir dir;
    const std::filesystem::path sample(FS_SOURCE_DIR "/samples/clean-pass.png");
    const struct
    {
        std::string Name;
        QString Source;
    } cases[] = {
        {"=1+1.png", "'=1+1.png"},
        {"-20.png", "'-20.png"},
        {"@x;y.png", "'@x;y.png"},
        {"caf\xe9.png", "caf\\xE9.png"},
    };
    for (const auto& c : cases)
        std::filesystem::copy_file(sample, std::filesystem::path(dir.path().toStdString()) / c.Name);
    WriteText(dir, "plant.profile", "profile +plant\nzone @A 0 25\ndefect any nolimit\nzone B 25 250\n");
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start("/bin/sh", {"-c", "exec \"$0\" --csv --profile ./plant.profile -- *.png", FS_ANALYZE_PATH});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    // Qt cannot name the file that is not UTF-8 to remove it with the folder.
    std::filesystem::remove_all(dir.path().toStdString());
    const std::vector<QStringList> rows = ReadCsv(out);
    ASSERT_EQ(rows.size(), std::size(cases) + 1) << out.toStdString();
    QStringList sources;
    for (std::size_t r = 1; r < rows.size(); ++r)
    {
        ASSERT_EQ(rows[r].size(), rows[0].size());
        sources << CsvField(rows, r, "source");
        EXPECT_EQ(CsvField(rows, r, "profile"), "'+plant");
        EXPECT_TRUE(CsvField(rows, r, "profile_rows").startsWith("'@A Pass: "))
            << CsvField(rows, r, "profile_rows").toStdString();
        bool number = false;
        CsvField(rows, r, "center_x").toFloat(&number);
        EXPECT_TRUE(number) << CsvField(rows, r, "center_x").toStdString();
    }
    for (const auto& c : cases)
        EXPECT_TRUE(sources.contains(c.Source))
            << c.Source.toStdString() << " in " << sources.join(' ').toStdString();
}

// Scripts append the output of several analysers to one file (>>): with each line written whole
// in one write, no line is split by another's, however long the lines (here over 3 KB each).
TEST(AnalyzeCsv, TwoAnalysersAppendingToOneFileKeepEveryLineWhole)
{
    QTemporaryDir dir;
    QString folder = dir.path();
    for (int level = 0; level < 14; ++level)
        folder += '/' + QString(200, QChar('a' + level));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString image = folder + "/clean-pass.png";
    ASSERT_TRUE(QFile::copy(FS_SOURCE_DIR "/samples/clean-pass.png", image));
    QStringList args{"--csv", "--mode", "both", "--jobs", "1"};
    for (int i = 0; i < 100; ++i)
        args << image;
    const QString output = dir.filePath("all.csv");
    QProcess first, second;
    for (QProcess* p : {&first, &second})
    {
        p->setStandardOutputFile(output, QIODevice::Append);
        p->start(FS_ANALYZE_PATH, args);
    }
    for (QProcess* p : {&first, &second})
    {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0);
    }
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 2 + 2 * 200 + 1); // the last after the final line end
    const QByteArray header = CsvLine(TInspectionRecord::CsvHeader());
    int headers = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
    {
        const QByteArray line = lines[i] + '\n';
        if (line == header)
        {
            ++headers;
            continue;
        }
        const std::vector<QStringList> rows = ReadCsv(header + line);
        ASSERT_EQ(rows.size(), 2u) << i;
        ASSERT_EQ(rows[1].size(), rows[0].size()) << i;
        EXPECT_EQ(CsvField(rows, 1, "source"), image) << i;
    }
    EXPECT_EQ(headers, 2);
}
