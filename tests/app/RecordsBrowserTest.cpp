// The results browser over the station's store: pages fetched as the list scrolls, the filters,
// the pass-rate chart, and a record's PDF report written from the store alone.

#include "app/RecordsBrowser.h"

#include "tests/app/MainFormFixture.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

using RecordsBrowserTest = MainFormTest;

namespace
{
// 450 inspections of two stations over the last 9 days; every fifth fails.
void Fill()
{
    auto store = TRecordStore::OpenLocal(LocalRecordStorePath());
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 450; ++i)
    {
        TInspectionRecord r;
        r.Time = now.addSecs(-static_cast<qint64>(i) * 1700);
        r.Serial = QStringLiteral("LN%1").arg(i, 5, 10, QLatin1Char('0'));
        r.Pass = i % 5 != 0;
        r.Version = ProgramVersion();
        TStoredInspection s =
            TStoredInspection::Made(r, i % 2 ? QStringLiteral("east") : QStringLiteral("west"));
        if (i == 0)
        {
            QImage picture(925, 480, QImage::Format_RGB888);
            picture.fill(Qt::gray);
            QBuffer png(&s.ReportPng);
            png.open(QIODevice::WriteOnly);
            picture.save(&png, "PNG");
        }
        store->Add(s);
    }
}
} // namespace

TEST_F(RecordsBrowserTest, PagesFiltersChartsAndReportsFromTheStore)
{
    Fill();
    TRecordsBrowser browser;
    browser.FROM->setDate(QDate::currentDate().addDays(-30));
    ASSERT_TRUE(browser.Search());
    EXPECT_EQ(browser.COUNT->text(), "450 inspections");
    // One page at first; more as the list is scrolled, never past the end.
    EXPECT_EQ(browser.Model().rowCount(), TRecordsModel::PageSize);
    for (int i = 0; i < 5 && browser.Model().canFetchMore(QModelIndex()); ++i)
        browser.Model().fetchMore(QModelIndex());
    EXPECT_EQ(browser.Model().rowCount(), 450);
    EXPECT_EQ(browser.Model().At(0)->Serial, "LN00000") << "newest first";

    const struct
    {
        const char* Serial;
        int Verdict; // index in VERDICT
        const char* Station;
        qint64 Expected;
    } filters[] = {{"LN001", 0, "", 100}, {"", 2, "", 90}, {"", 0, "east", 225}, {"LN000", 2, "west", 10}};
    for (const auto& f : filters)
    {
        browser.SERIAL->setText(QLatin1String(f.Serial));
        browser.VERDICT->setCurrentIndex(f.Verdict);
        browser.STATION->setText(QLatin1String(f.Station));
        ASSERT_TRUE(browser.Search());
        EXPECT_EQ(browser.COUNT->text(), QStringLiteral("%1 inspections").arg(f.Expected))
            << f.Serial << f.Station;
    }

    // Per station: two bars, each at the station's pass rate.
    browser.SERIAL->clear();
    browser.VERDICT->setCurrentIndex(0);
    browser.STATION->clear();
    ASSERT_TRUE(browser.Search());
    browser.CHARTBY->setCurrentIndex(1);
    const auto series = browser.CHART->chart()->series();
    ASSERT_EQ(series.size(), 1);
    const QBarSet* set = static_cast<QAbstractBarSeries*>(series.first())->barSets().first();
    ASSERT_EQ(set->count(), 2);
    EXPECT_NEAR(set->at(0) + set->at(1), 160.0, 1.0); // east and west: 80 % each

    // What the search found, exported whole: the header and one line each, or one object each.
    browser.SERIAL->setText(QStringLiteral("LN001"));
    ASSERT_TRUE(browser.Search());
    EXPECT_EQ(browser.Export(Path("found.csv"), false), 100);
    EXPECT_EQ(browser.Export(Path("found.jsonl"), true), 100);
    QFile csv(Path("found.csv")), jsonl(Path("found.jsonl"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly) && jsonl.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count("\r\n"), 101);
    const QList<QByteArray> objects = jsonl.readAll().trimmed().split('\n');
    ASSERT_EQ(objects.size(), 100);
    EXPECT_EQ(QJsonDocument::fromJson(objects.first()).object().value("serial").toString(), "LN00100") << "newest first";
    browser.SERIAL->clear();
    ASSERT_TRUE(browser.Search());

    // The newest record's report, from its stored picture.
    const std::optional<TStoredInspection> first = browser.RecordAt(0);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->ReportPng.isEmpty());
    browser.WritePdf(0, Path("LN00000.pdf"));
    QFile pdf(Path("LN00000.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

// A plant database that cannot be reached is said in the browser, never thrown at the operator.
TEST_F(RecordsBrowserTest, AMissingPlantDatabaseIsSaidInTheBrowserNotThrown)
{
    TPlantDatabase plant;
    plant.Host = QStringLiteral("127.0.0.1");
    plant.Port = 1; // nothing listens
    plant.Database = QStringLiteral("plant");
    plant.ConnectTimeoutSeconds = 1;
    {
        QSettings preferences(PreferencesFileName(), QSettings::NativeFormat);
        WritePlantDatabase(preferences, plant);
    }
    TRecordsBrowser browser;
    ASSERT_EQ(browser.SOURCE->count(), 2);
    browser.SOURCE->setCurrentIndex(1);
    EXPECT_FALSE(browser.Search());
    EXPECT_TRUE(browser.COUNT->text().contains("cannot be reached")) << browser.COUNT->text().toStdString();
    EXPECT_EQ(browser.Model().rowCount(), 0);
}
