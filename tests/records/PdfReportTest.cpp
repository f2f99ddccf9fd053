// A connector's PDF report, read back with poppler: every fibre on a line of its own with its
// zones' counts, verdict and how often it was judged, and the connector's verdict; a connector
// of many fibres goes on over pages rather than off the page.

#include "records/PdfReport.h"

#include "tests/records/ConnectorFixtures.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
// The report's text as pdftotext lays it out; empty when poppler is not installed.
QString ReportText(const TInspectionRecord& r, int* pages = nullptr)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (exe.isEmpty())
        return {};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    WritePdfReport(path.toStdString(), r, QImage(), QPageSize(QPageSize::A4));
    QProcess p;
    p.start(exe, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    // The font joins "fi"; poppler gives the ligature back as one character.
    const QString text =
        QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(0xFB01), QStringLiteral("fi"));
    if (pages)
        *pages = static_cast<int>(text.count(QLatin1Char('\f')));
    return text;
}

// The line of the fibres' table that begins with the fibre's number.
QString FibreLine(const QString& text, int number)
{
    const QRegularExpression line(QStringLiteral("^ *%1 +[0-9].*$").arg(number),
                                  QRegularExpression::MultilineOption);
    return line.match(text).captured(0).simplified();
}
} // namespace

class PdfReport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "records_tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance())
            static QGuiApplication app(argc, argv);
    }
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
};

TEST_F(PdfReport, AConnectorListsEveryFibreAndItsVerdict)
{
    const QString text = ReportText(ConnectorRecord());
    for (const char* expected : {"MPO-0001", "MT single mode APC", "12 fibres in 1 row (12x1)", "12 of 12",
                                 "fibre 3 (the last judgement holds)", "Zone A", "Zone B"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    const struct
    {
        int Number;
        const char* Line;
    } fibres[] = {
        {1, "1 0/0 1/2 Pass once"},
        {2, "2 0/0 1/6 Fail once"},
        {3, "3 0/0 1/2 Pass 2 times (again)"},
        {12, "12 0/0 1/2 Pass once"},
    };
    for (const auto& f : fibres)
        EXPECT_EQ(FibreLine(text, f.Number).toStdString(), f.Line) << text.toStdString();
    // The connector's verdict at the top.
    EXPECT_TRUE(text.section(QLatin1Char('\n'), 0, 1).contains(QLatin1String("Fail"))) << text.toStdString();
}

// The legend under the table names every row of a zone, the last one too, however many rows the
// profile has: a long legend wraps within the page instead of running off its edge.
TEST_F(PdfReport, ALongLegendWrapsWithinThePage)
{
    TInspectionRecord r = ConnectorRecord();
    for (TFibreRecord& f : r.Fibres)
        for (TZoneResult& z : f.Zones)
        {
            z.Rows.clear();
            for (int k = 1; k <= 6; ++k)
                z.Rows.push_back({"Defects of size class " + std::to_string(k), "No Limit", 0, true});
        }
    const QString text = ReportText(r).simplified();
    for (const char* key : {"A", "B"})
        EXPECT_TRUE(
            text.contains(QStringLiteral("Zone %1 counts: Defects of size class 1").arg(QLatin1String(key))))
            << key << "\n"
            << text.toStdString();
    EXPECT_EQ(text.count(QLatin1String("Defects of size class 6 (limit No Limit)")), 2) << text.toStdString();
}

TEST_F(PdfReport, AnIncompleteConnectorSaysHowFarItGotAndCertifiesNothing)
{
    const TInspectionRecord r = TInspectionRecord::FromMtInspection(
        Inspected({View({1, 2, 3}), View({4, 5, 6}), View({7, 8, 9})}), MtProfile());
    const QString text = ReportText(r);
    EXPECT_TRUE(text.simplified().contains(QLatin1String("Incomplete: 9 of 12 fibres judged")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("9 of 12")));
    EXPECT_EQ(FibreLine(text, 10).toStdString(), "");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ *10 +\u2013 +\u2013 +Not judged +\u2013"),
                                   QRegularExpression::MultilineOption)
                    .match(text)
                    .hasMatch())
        << text.toStdString();
}

TEST_F(PdfReport, TwoRowsOfSixteenGoOnOverPages)
{
    TCriteriaProfile profile = MtProfile();
    profile.Ferrule.FibresPerRow = 16;
    profile.Ferrule.Rows = 2;
    TMtInspection inspection;
    inspection.Start(profile);
    for (int n = 1; n <= 32; n += 2)
        inspection.Take(View({n, n + 1}));
    TInspectionRecord r = TInspectionRecord::FromMtInspection(inspection, profile);
    ASSERT_EQ(r.Verdict(), "Pass");
    int pages = 0;
    const QString text = ReportText(r, &pages);
    for (int n = 1; n <= 32; ++n)
        EXPECT_FALSE(FibreLine(text, n).isEmpty()) << n << "\n" << text.toStdString();
    EXPECT_GE(pages, 1);
}
