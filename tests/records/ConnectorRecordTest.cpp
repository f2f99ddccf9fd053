// A multi-fibre connector as one record: its verdict only once every fibre has one, each fibre's
// last judgement, and the log's line that reads back fibre for fibre; a damaged fibres cell is
// refused, never read as a verdict.

#include "records/InspectionRecord.h"
#include "tests/records/ConnectorFixtures.h"
#include "tests/records/CsvReader.h"

#include <gtest/gtest.h>

namespace
{
TInspectionRecord ReadBack(const TInspectionRecord& r)
{
    const std::vector<QStringList> rows = ReadCsv(r.CsvRecordLine());
    EXPECT_EQ(rows.size(), 1u);
    return TInspectionRecord::FromFields(TInspectionRecord::CsvHeader(), rows.at(0));
}
} // namespace

TEST(ConnectorRecord, HasAVerdictOnlyWhenEveryFibreIsJudged)
{
    const struct
    {
        const char* Name;
        TMtInspection Inspection;
        const char* Verdict;
        bool Judged;
    } cases[] = {
        {"no view yet", Inspected({}), "Incomplete: 0 of 12 fibres judged", false},
        {"nine fibres", Inspected({View({1, 2, 3}), View({4, 5, 6}), View({7, 8, 9})}),
         "Incomplete: 9 of 12 fibres judged", false},
        {"a failed fibre before the end", Inspected({View({1, -2})}), "Incomplete: 2 of 12 fibres judged",
         false},
        {"all pass", Inspected({View({1, 2, 3, 4, 5, 6}), View({7, 8, 9, 10, 11, 12})}), "Pass", true},
        {"one fails", Inspected({View({1, 2, 3, 4, 5, 6}), View({7, 8, -9, 10, 11, 12})}), "Fail", true},
        {"failed, judged again and passed",
         Inspected({View({1, 2, 3, 4, 5, 6}), View({7, 8, -9, 10, 11, 12}), View({9})}), "Pass", true},
        {"passed, judged again and failed",
         Inspected({View({1, 2, 3, 4, 5, 6}), View({7, 8, 9, 10, 11, 12}), View({-12})}), "Fail", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const TInspectionRecord r = TInspectionRecord::FromMtInspection(c.Inspection, MtProfile());
        EXPECT_EQ(r.Verdict().toStdString(), c.Verdict);
        EXPECT_EQ(r.Judged(), c.Judged);
        EXPECT_EQ(r.Pass, c.Verdict == std::string("Pass"));
        EXPECT_EQ(r.Fibres.size(), 12u);
        // The log and the store say the same after a round trip.
        const TInspectionRecord back = ReadBack(r);
        EXPECT_EQ(back.Verdict().toStdString(), c.Verdict);
        EXPECT_EQ(back.Pass, r.Pass);
    }
}

TEST(ConnectorRecord, KeepsEachFibresLastJudgementAndSaysItWasJudgedAgain)
{
    const TInspectionRecord r = ConnectorRecord();
    EXPECT_EQ(r.Ferrule, "12x1");
    EXPECT_EQ(r.Profile, "mt-sm-apc");
    EXPECT_EQ(r.Mode, 0);
    EXPECT_EQ(r.Verdict(), "Fail");
    const TFibreRecord& third = r.Fibres[2];
    EXPECT_EQ(third.Verdict, "Pass");
    EXPECT_EQ(third.Times, 2);
    EXPECT_FLOAT_EQ(third.CentreX, 350.0f);
    EXPECT_FLOAT_EQ(third.Radius, 149.875f);
    EXPECT_FLOAT_EQ(third.UmPerPixel, 125.0f / 299.75f);
    EXPECT_EQ(r.Fibres[1].Verdict, "Fail");
    EXPECT_EQ(r.Fibres[1].Times, 1);
    EXPECT_EQ(
        r.ProfileRowsText().section(QStringLiteral("; "), 0, 3),
        QStringLiteral("1 Pass; 2 Fail B: Defects 2\u20135 \u00B5m 6/5; 3 Pass (judged 2 times); 4 Pass"));
    EXPECT_TRUE(
        r.FindingsText().startsWith(QStringLiteral("fibre 1: defect 4.12, scratch 2.05 x 61.3; fibre 2: ")))
        << r.FindingsText().toStdString();
    // The connector has no circle of its own: each fibre has its centre.
    const QStringList header = TInspectionRecord::CsvHeader(), fields = r.CsvFields();
    EXPECT_EQ(fields[header.indexOf(QLatin1String("center_x"))], QString());
    EXPECT_EQ(fields[header.indexOf(QLatin1String("count_core_defects"))], QString());

    // An overview locates fibres but certifies none; a fibre out of the connector counts nowhere.
    TMtCheck overview = View({});
    TFibreResult seen = JudgedFibre(7, true);
    seen.Outcome = TFibreOutcome::Located;
    overview.Fibres = {seen, JudgedFibre(13, true)};
    TMtInspection inspection = Inspected({View({1})});
    inspection.Take(overview);
    const TInspectionRecord o = TInspectionRecord::FromMtInspection(inspection, MtProfile());
    EXPECT_EQ(o.Fibres[6].Verdict, "Not judged");
    EXPECT_TRUE(o.Fibres[6].Zones.empty());
    EXPECT_EQ(o.CsvFields()[header.indexOf(QLatin1String("no_verdict_reason"))],
              "Not judged: fibres 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12");
}

// The line holds every fibre exactly: floats to the bit, texts with every character the cell
// uses for itself, the zones' verdicts and the findings.
TEST(ConnectorRecord, TheLogLineReadsBackFibreForFibre)
{
    TInspectionRecord r = ConnectorRecord();
    r.Fibres[4].Zones[1].Rows[0].Item = "Odd | item: a/b = 5% \"x\", y; \\z \t\u0085";
    r.Fibres[4].Zones[1].Rows[0].Criteria = "=1+1";
    r.Fibres[4].CentreX = -0.1f;
    r.Fibres[4].UmPerPixel = 0.41680001f;
    const QByteArray line = r.CsvRecordLine();
    EXPECT_EQ(line.count("\r\n"), 1);
    const TInspectionRecord back = ReadBack(r);
    EXPECT_EQ(back.Ferrule, r.Ferrule);
    ASSERT_EQ(back.Fibres.size(), r.Fibres.size());
    for (std::size_t i = 0; i < r.Fibres.size(); ++i)
    {
        const TFibreRecord &a = r.Fibres[i], &b = back.Fibres[i];
        SCOPED_TRACE(a.Number);
        EXPECT_EQ(b.Number, a.Number);
        EXPECT_EQ(b.Verdict, a.Verdict);
        EXPECT_EQ(b.Times, a.Times);
        EXPECT_EQ(b.CentreX, a.CentreX);
        EXPECT_EQ(b.CentreY, a.CentreY);
        EXPECT_EQ(b.Radius, a.Radius);
        EXPECT_EQ(b.UmPerPixel, a.UmPerPixel);
        ASSERT_EQ(b.Zones.size(), a.Zones.size());
        for (std::size_t z = 0; z < a.Zones.size(); ++z)
        {
            EXPECT_EQ(b.Zones[z].Key, a.Zones[z].Key);
            EXPECT_EQ(b.Zones[z].Pass, a.Zones[z].Pass);
            ASSERT_EQ(b.Zones[z].Rows.size(), a.Zones[z].Rows.size());
            for (std::size_t k = 0; k < a.Zones[z].Rows.size(); ++k)
            {
                EXPECT_EQ(b.Zones[z].Rows[k].Item, a.Zones[z].Rows[k].Item);
                EXPECT_EQ(b.Zones[z].Rows[k].Criteria, a.Zones[z].Rows[k].Criteria);
                EXPECT_EQ(b.Zones[z].Rows[k].Count, a.Zones[z].Rows[k].Count);
                EXPECT_EQ(b.Zones[z].Rows[k].Pass, a.Zones[z].Rows[k].Pass);
            }
        }
        ASSERT_EQ(b.Findings.size(), a.Findings.size());
        for (std::size_t k = 0; k < a.Findings.size(); ++k)
        {
            EXPECT_EQ(b.Findings[k].Kind, a.Findings[k].Kind);
            EXPECT_EQ(b.Findings[k].SizeUm, a.Findings[k].SizeUm);
            EXPECT_EQ(b.Findings[k].LengthUm, a.Findings[k].LengthUm);
            EXPECT_EQ(b.Findings[k].CentreX, a.Findings[k].CentreX);
            EXPECT_EQ(b.Findings[k].CentreY, a.Findings[k].CentreY);
            EXPECT_EQ(b.Findings[k].Area, a.Findings[k].Area);
        }
    }
    EXPECT_EQ(back.ProfileRowsText(), r.ProfileRowsText());
    EXPECT_EQ(back.Verdict(), "Fail");

    // A single fibre's line, and one of the layout before connectors, are no connector.
    const QStringList header = TInspectionRecord::CsvHeader();
    const QStringList fields = ReadCsv(r.CsvRecordLine()).at(0);
    const qsizetype before = header.indexOf(QLatin1String("ferrule"));
    const TInspectionRecord old = TInspectionRecord::FromFields(header.mid(0, before), fields.mid(0, before));
    EXPECT_FALSE(old.MultiFibre());
    EXPECT_TRUE(old.Fibres.empty());
}

// Whatever damaged the cell, the connector has no verdict and says so, even when the verdict
// column says Pass; the parser says what is wrong.
TEST(ConnectorRecord, ADamagedFibresCellIsRefusedNeverReadAsAVerdict)
{
    TInspectionRecord passed = TInspectionRecord::FromMtInspection(
        Inspected({View({1, 2, 3, 4, 5, 6}), View({7, 8, 9, 10, 11, 12})}), MtProfile());
    ASSERT_EQ(passed.Verdict(), "Pass");
    const QStringList header = TInspectionRecord::CsvHeader();
    const QStringList fields = ReadCsv(passed.CsvRecordLine()).at(0);
    const qsizetype column = header.indexOf(QLatin1String("fibres"));
    const QString cell = fields[column];
    const QString first = cell.section(QLatin1Char('|'), 0, 0);
    const QString rest = cell.section(QLatin1Char('|'), 1);
    const struct
    {
        const char* Name;
        QString Cell;
        const char* Why;
    } cases[] = {
        {"a fibre missing", rest, nullptr},
        {"a fibre cut short", cell.left(cell.size() - 40), "fibre 12"},
        {"a field too many", first + QStringLiteral(" x|") + rest, "10 fields"},
        {"a verdict without a judgement",
         QString(first).replace(QStringLiteral("Pass 1 "), QStringLiteral("Pass 0 ")) + '|' + rest,
         "verdict"},
        {"numbers out of order", rest + '|' + first, "does not follow"},
        {"a broken escape", QString(cell).replace(QStringLiteral("2\u20135"), QStringLiteral("2%G15")),
         "row"},
        {"not a number", QString(cell).replace(QStringLiteral("149.875"), QStringLiteral("nan")),
         "no number"},
        {"an unknown finding", QString(cell).replace(QStringLiteral("/s:"), QStringLiteral("/q:")),
         "finding"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        std::vector<TFibreRecord> fibres;
        QString error;
        const bool read = TFibreRecord::ParseFibresCell(c.Cell, fibres, error);
        if (c.Why)
        {
            EXPECT_FALSE(read);
            EXPECT_TRUE(error.contains(QLatin1String(c.Why))) << error.toStdString();
            EXPECT_TRUE(fibres.empty());
        }
        QStringList damaged = fields;
        damaged[column] = c.Cell;
        const TInspectionRecord back = TInspectionRecord::FromFields(header, damaged);
        EXPECT_FALSE(back.Pass);
        EXPECT_FALSE(back.Judged());
        EXPECT_TRUE(back.Verdict().startsWith(QLatin1String("Incomplete: "))) << back.Verdict().toStdString();
    }
}
