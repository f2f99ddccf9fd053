// A multi-fibre connector in the window: panning view by view, the connector's verdict only once
// every fibre is judged, a fibre judged again keeping its last verdict, views that certify
// nothing, the fibre strip, the picture's zones per fibre, and the automatic mode's report filed
// once. Most views are given by hand (SetFibreCheck), so each case shows exactly what the window
// does with them; one drawn picture goes through the real locator.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "criteria/FibreStrip.h"
#include "tests/app/MainFormFixture.h"
#include "tests/ferrule/MtFixture.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <set>

namespace
{
// The built-in single mode MT table on a ferrule of four fibres: a connector done in two views.
TCriteriaProfile FourFibres()
{
    TCriteriaProfile p = *FindProfile("mt-sm-apc");
    p.Name = "mt-4";
    p.Title = "MT 4 fibres";
    p.Ferrule.FibresPerRow = 4;
    return p;
}

// One fibre as a fibre view at umPerPixel judges it: at slot along a row through the picture's
// middle, with one zone A finding when it fails.
TFibreResult Fibre(int number, int slot, bool pass, float umPerPixel = 1.0f)
{
    TFibreResult f;
    f.Number = number;
    f.Where.Centre = TPoint2D(195.0f + static_cast<float>(slot) * 250.0f / umPerPixel, 240.0f);
    f.Where.RadiusX = f.Where.RadiusY = 62.5f / umPerPixel;
    f.Where.WhollyInView = true;
    f.Where.Slot = slot;
    f.Outcome = TFibreOutcome::Judged;
    f.Result.Pass = pass;
    f.Result.UmPerPixel = umPerPixel;
    TZoneResult a{"A", "Zone A", {{"Defects", "None", pass ? 0 : 1, pass}}, pass};
    TZoneResult b{"B", "Zone B", {{"Defects", "5", 2, true}}, true};
    f.Result.Zones = {a, b};
    return f;
}

TMtCheck FibreView(std::vector<TFibreResult> fibres)
{
    TMtCheck check;
    check.Location.Kind = fibres.empty() ? TMtViewKind::None : TMtViewKind::FibreView;
    check.Location.UmPerPixel = 1.0f;
    for (const TFibreResult& f : fibres)
        check.Location.Fibres.push_back(f.Where);
    check.Fibres = std::move(fibres);
    return check;
}

// Views handed to the window in place of the locator: each judges the first fibre it is given
// and the next (within the connector), failing those in Failing.
struct Views
{
    int Fibres = 4;
    std::set<int> Failing;
    std::vector<int> Firsts; // the first fibre the window asked each view for
    std::function<TMtCheck(int first)> Next;

    TMainForm::TFibreCheck Checker()
    {
        return [this](TFiberAnalyzer&, const TCriteriaProfile&, int first, TFibreRowScratch&) {
            Firsts.push_back(first);
            if (Next)
                return Next(first);
            std::vector<TFibreResult> fibres;
            for (int n = first; n <= std::min(first + 1, Fibres); ++n)
                fibres.push_back(Fibre(n, n - first, Failing.count(n) == 0));
            return FibreView(fibres);
        };
    }
};

std::vector<TFibreVerdict> StripVerdicts(const TMainForm& form)
{
    std::vector<TFibreVerdict> v;
    for (const TFibreStrip::Cell& c : form.FIBRES->Fibres())
        v.push_back(c.Verdict);
    return v;
}

constexpr TFibreVerdict P = TFibreVerdict::Pass;
constexpr TFibreVerdict F = TFibreVerdict::Fail;
constexpr TFibreVerdict N = TFibreVerdict::NotJudged;

// The inspection log's records, less its header.
QStringList LogLines(const QString& folder)
{
    QFile log(QDir(folder).filePath("inspections.csv"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}

int LogRecords(const QString& folder)
{
    return static_cast<int>(LogLines(folder).size());
}

class ConnectorWindowTest : public MainFormTest
{
protected:
    void Build(const TCriteriaProfile& profile = FourFibres())
    {
        Form = MakeForm();
        Form->show();
        QDir(Dir.path()).mkdir("images");
        Form->SetImageFolder(Path("images"));
        Form->SetProfile(profile);
        Form->SetFibreCheck(Given.Checker());
        // A connector's grid shows its fibres' counts even where the settings hide a single
        // fibre's.
        Form->Analyzer()->ShowCounts = 0;
        QImage blank(640, 480, QImage::Format_RGB888);
        blank.fill(QColor(110, 110, 110));
        ASSERT_TRUE(blank.save(Path("view.bmp"), "BMP"));
    }
    // One Check's view: the picture opened as a Check's frame would be analysed.
    void View() { Form->OpenImageFile(QFile::encodeName(Path("view.bmp")).toStdString()); }
    QString GridRow(int fibre) const
    {
        const int row = 1 + fibre;
        return Form->REPORT->item(row, 0)->text() + " | " + Form->REPORT->item(row, 1)->text() + " | " +
               Form->REPORT->item(row, 2)->text();
    }

    Views Given;
    std::unique_ptr<TMainForm> Form;
};
} // namespace

struct CompletionCase
{
    const char* Name;
    std::set<int> Failing;
    const char* Verdict;
    std::vector<TFibreVerdict> Strip;
};

void PrintTo(const CompletionCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ConnectorCompletionTest : public ConnectorWindowTest,
                                public ::testing::WithParamInterface<CompletionCase>
{
};

TEST_P(ConnectorCompletionTest, PanningCarriesOnAndTheVerdictComesOnlyWithTheLastFibre)
{
    const CompletionCase c = GetParam();
    Build();
    Given.Failing = c.Failing;

    View();
    EXPECT_EQ(Given.Firsts, std::vector<int>{1});
    EXPECT_EQ(Form->Cycle().Shown.Verdict, TVerdict::Partial);
    EXPECT_EQ(Form->RESULT->text(), QString::fromUtf8("Fibres 1\u20132\n2 of 4 judged"));
    EXPECT_EQ(Form->RESULT->toolTip(), QString::fromUtf8("Fibres 1\u20132 judged: 2 of 4"));
    EXPECT_EQ(Form->FIRSTFIBRE->value(), 3);
    EXPECT_EQ(StripVerdicts(*Form), (std::vector<TFibreVerdict>{c.Strip[0], c.Strip[1], N, N}));
    // No verdict yet: nothing to print, and the operator is told how far the connector is.
    Form->SpeedButton3Click();
    ASSERT_FALSE(Messages.empty());
    EXPECT_TRUE(Messages.back().Text.startsWith(QString::fromUtf8("Fibres 1\u20132 judged: 2 of 4")));

    Form->CheckOrResume();
    View();
    EXPECT_EQ(Given.Firsts, (std::vector<int>{1, 3}));
    EXPECT_EQ(Form->RESULT->text(), c.Verdict);
    EXPECT_EQ(Form->Cycle().Shown.Pass(), std::string(c.Verdict) == "Pass");
    EXPECT_EQ(StripVerdicts(*Form), c.Strip);
    for (int n = 1; n <= 4; ++n)
    {
        const bool failing = c.Failing.count(n) > 0;
        EXPECT_EQ(GridRow(n), QStringLiteral("Fibre %1 | %2 / 2 | %3")
                                  .arg(n)
                                  .arg(failing ? 1 : 0)
                                  .arg(failing ? "Fail" : "Pass"));
        EXPECT_EQ(Form->REPORT->item(1 + n, 0)->foreground().color() == QColor(255, 0, 0), failing) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Connector, ConnectorCompletionTest,
                         ::testing::Values(CompletionCase{"every fibre passes", {}, "Pass", {P, P, P, P}},
                                           CompletionCase{"fibre 3 fails", {3}, "Fail", {P, P, F, P}},
                                           CompletionCase{"fibre 1 fails", {1}, "Fail", {F, P, P, P}}));

TEST_F(ConnectorWindowTest, AFibreJudgedAgainKeepsItsLastVerdictAndSaysSo)
{
    Build();
    Given.Failing = {2};
    View(); // 1 Pass, 2 Fail
    // Cleaned, fibre 2 is looked at again: the operator says it is first in view.
    Form->CheckOrResume();
    Form->FIRSTFIBRE->setValue(2);
    Given.Failing = {};
    View(); // 2 and 3 Pass
    Form->CheckOrResume();
    View(); // 4
    EXPECT_EQ(Given.Firsts, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(Form->RESULT->text(), "Pass");
    EXPECT_EQ(StripVerdicts(*Form), (std::vector<TFibreVerdict>{P, P, P, P}));
    EXPECT_EQ(Form->FIBRES->Fibres()[1].Times, 2);
    EXPECT_EQ(Form->Cycle().Connector.Inspection().At(2).Times, 2);
    EXPECT_EQ(GridRow(2), QString::fromUtf8("Fibre 2 (judged 2\u00D7) | 0 / 2 | Pass"));
    EXPECT_EQ(GridRow(3), "Fibre 3 | 0 / 2 | Pass");
}

struct NoVerdictCase
{
    const char* Name;
    std::function<TMtCheck(int)> View;
    TVerdict Verdict;
    const char* Shown;
};

void PrintTo(const NoVerdictCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ConnectorNoVerdictTest : public ConnectorWindowTest, public ::testing::WithParamInterface<NoVerdictCase>
{
};

TEST_P(ConnectorNoVerdictTest, AViewThatJudgesNoFibreCertifiesNothingAndPansNowhere)
{
    const NoVerdictCase c = GetParam();
    Build();
    Given.Next = c.View;
    View();
    EXPECT_EQ(Form->Cycle().Shown.Verdict, c.Verdict);
    EXPECT_EQ(Form->RESULT->text(), c.Shown);
    EXPECT_EQ(StripVerdicts(*Form), (std::vector<TFibreVerdict>{N, N, N, N}));
    EXPECT_EQ(Form->FIRSTFIBRE->value(), 1);
    EXPECT_EQ(Form->Cycle().Connector.Inspection().Judged(), 0);
    EXPECT_EQ(LogRecords(Path("images")), 0);
}

INSTANTIATE_TEST_SUITE_P(Connector, ConnectorNoVerdictTest,
                         ::testing::Values(NoVerdictCase{"overview",
                                                         [](int) {
                                                             TMtCheck check;
                                                             check.Location.Kind = TMtViewKind::Overview;
                                                             check.Location.UmPerPixel = 5.0f;
                                                             for (int n = 1; n <= 4; ++n)
                                                             {
                                                                 TFibreResult f = Fibre(n, n - 1, true, 5.0f);
                                                                 f.Outcome = TFibreOutcome::Located;
                                                                 check.Fibres.push_back(f);
                                                             }
                                                             return check;
                                                         },
                                                         TVerdict::Overview, "Overview"},
                                           NoVerdictCase{"no fibre", [](int) { return TMtCheck(); },
                                                         TVerdict::NoFiber, "No fiber"},
                                           NoVerdictCase{"every fibre cut by the frame",
                                                         [](int first) {
                                                             TFibreResult f = Fibre(first, 0, true);
                                                             f.Outcome = TFibreOutcome::NotInView;
                                                             f.Where.WhollyInView = false;
                                                             return FibreView({f});
                                                         },
                                                         TVerdict::NotInView, "Not in view"},
                                           // First fibre says the view lies past the connector's
                                           // end: its judged fibre is not taken either.
                                           NoVerdictCase{
                                               "a whole fibre outside the connector",
                                               [](int first) {
                                                   TFibreResult outside = Fibre(0, 1, true);
                                                   outside.Outcome = TFibreOutcome::NotInView;
                                                   return FibreView({Fibre(first, 0, false), outside});
                                               },
                                               TVerdict::NotInView, "Not in view"}));

struct FilingCase
{
    const char* Name;
    std::set<int> Failing;
    QStringList Filed; // in the image folder after the connector is complete
    const char* Next;  // the serial then
    bool SaveFailed;
};

void PrintTo(const FilingCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ConnectorFilingTest : public ConnectorWindowTest, public ::testing::WithParamInterface<FilingCase>
{
};

TEST_P(ConnectorFilingTest, AutomaticModeFilesAConnectorOnceWhenEveryFibreIsJudged)
{
    const FilingCase c = GetParam();
    Build();
    Form->SAVEFAILED->setChecked(c.SaveFailed);
    Form->B_AUTO->setChecked(true);
    Form->B_SERIAL->setText("MPO0001");
    Given.Failing = c.Failing;
    const auto files = [&] { return QDir(Path("images")).entryList({"*.bmp"}, QDir::Files, QDir::Name); };

    View();
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(LogRecords(Path("images")), 0);
    EXPECT_EQ(Form->B_SERIAL->text(), "MPO0001");

    View();
    EXPECT_EQ(files(), c.Filed);
    ASSERT_EQ(LogRecords(Path("images")), 1);
    EXPECT_EQ(Form->B_SERIAL->text(), c.Next);
    // One record for the connector, fibre by fibre: number, verdict, times judged.
    const QString record = LogLines(Path("images")).first();
    EXPECT_TRUE(record.contains("MPO0001")) << record.toStdString();
    EXPECT_TRUE(record.contains("4x1")) << record.toStdString();
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(
            record.contains(QStringLiteral("%1 %2 1 ").arg(n).arg(c.Failing.count(n) ? "Fail" : "Pass")))
            << n << " " << record.toStdString();
    for (const QString& f : c.Filed)
        EXPECT_EQ(QImage(QDir(Path("images")).filePath(f)).size(), QSize(905, 480)) << f.toStdString();

    // The next view: under a new serial a new connector; under the same one the connector whose
    // fibre failed, judged again, and then filed as it passes.
    Given.Failing = {};
    if (std::string(c.Next) == "MPO0001")
        Form->FIRSTFIBRE->setValue(*c.Failing.begin());
    View();
    if (std::string(c.Next) == "MPO0002")
    {
        EXPECT_EQ(Form->Cycle().Connector.Serial(), "MPO0002");
        EXPECT_EQ(Form->Cycle().Connector.Inspection().Judged(), 2);
        EXPECT_EQ(StripVerdicts(*Form), (std::vector<TFibreVerdict>{P, P, N, N}));
        EXPECT_EQ(files(), c.Filed);
        EXPECT_EQ(LogRecords(Path("images")), 1);
    }
    else
    {
        EXPECT_EQ(Form->RESULT->text(), "Pass");
        EXPECT_TRUE(files().contains("MPO0001.bmp"));
        EXPECT_EQ(Form->B_SERIAL->text(), "MPO0002");
        ASSERT_EQ(LogRecords(Path("images")), 2); // the re-judged connector is a record of its own
        const int again = *c.Failing.begin();
        EXPECT_TRUE(LogLines(Path("images")).last().contains(QStringLiteral("%1 Pass 2 ").arg(again)));
        View(); // MPO0002: a new connector, nothing filed twice
        EXPECT_EQ(files().filter("MPO0001").size(), c.Filed.size() + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Connector, ConnectorFilingTest,
    ::testing::Values(FilingCase{"passes", {}, {"MPO0001.bmp"}, "MPO0002", false},
                      FilingCase{"fails", {3}, {}, "MPO0001", false},
                      FilingCase{"fails, failures kept", {4}, {"MPO0001-fail.bmp"}, "MPO0001", true}));

TEST_F(ConnectorWindowTest, TheStripShowsAFibresZonesAsLastJudgedAndANewConnectorClearsIt)
{
    Build();
    View();
    const QRect cell = Form->FIBRES->CellRect(2);
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(Form->FIBRES, Qt::LeftButton, {}, cell.center());
    ASSERT_NE(Form->FIBREVIEW, nullptr);
    EXPECT_TRUE(Form->FIBREVIEW->isVisible());
    EXPECT_EQ(Form->FIBREVIEW->windowTitle(), "Fibre 2");
    auto* picture = Form->FIBREVIEW->findChild<QLabel*>("FIBREPICTURE");
    EXPECT_EQ(picture->pixmap().size(), QSize(360, 360));
    // The crop keeps the fibre in its middle, with its zones at the enlarged scale.
    const TConnectorCycle::Crop* crop = Form->Cycle().Connector.CropOf(2);
    ASSERT_NE(crop, nullptr);
    EXPECT_NEAR(crop->Where.Centre.X, static_cast<float>(crop->Picture.width()) / 2.0f, 1.0f);

    QTest::mouseClick(Form->FIBRES, Qt::LeftButton, {}, Form->FIBRES->CellRect(4).center());
    EXPECT_EQ(Form->FIBREVIEW->windowTitle(), "Fibre 4");
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_TRUE(picture->text().startsWith("Not judged yet"));

    Form->NEWCONNECTOR->click();
    EXPECT_FALSE(Form->Cycle().ShowingResult());
    EXPECT_EQ(StripVerdicts(*Form), (std::vector<TFibreVerdict>{N, N, N, N}));
    EXPECT_EQ(Form->FIRSTFIBRE->value(), 1);
    View();
    EXPECT_EQ(Given.Firsts, (std::vector<int>{1, 1}));
}

TEST_F(ConnectorWindowTest, EachFibresZonesAreDrawnAtItsOwnScaleAndACutFibreGetsNone)
{
    Build();
    // Fibre 1 at 1 um a pixel, fibre 2 seen larger (0.8 um a pixel), fibre 3 cut by the frame.
    Given.Next = [](int) {
        TFibreResult a = Fibre(1, 0, true);
        TFibreResult b = Fibre(2, 1, true);
        b.Where.RadiusX = b.Where.RadiusY = 62.5f / 0.8f;
        TFibreResult cut = Fibre(3, 2, true);
        cut.Where.Centre = TPoint2D(620.0f, 240.0f);
        cut.Outcome = TFibreOutcome::NotInView;
        return FibreView({a, b, cut});
    };
    View();
    const QImage picture = Form->AnalysedImage();
    ASSERT_EQ(picture.size(), QSize(AnalysisWidth, AnalysisHeight));
    const QRgb yellow = ZoneBoundaryColour(0, 2);
    // Zone A's edge (25 um across) right of each centre, within a pixel.
    const auto ringAt = [&](float cx, float radius) {
        for (int dx = -1; dx <= 1; ++dx)
            if (picture.pixel(static_cast<int>(cx + radius) + dx, 240) == yellow)
                return true;
        return false;
    };
    EXPECT_TRUE(ringAt(195.0f, 12.5f));
    EXPECT_TRUE(ringAt(445.0f, 12.5f / 0.8f));
    EXPECT_FALSE(ringAt(445.0f, 12.5f)); // not at the first fibre's scale
    EXPECT_FALSE(ringAt(620.0f, 12.5f));
}

TEST_F(ConnectorWindowTest, BackToASingleFibreProfileTheWindowIsAsBefore)
{
    Build();
    EXPECT_TRUE(Form->FIBRES->isVisible());
    EXPECT_FALSE(Form->M_SINGLE->isVisible());
    EXPECT_EQ(Form->REPORT->rowCount(), 2 + 4);
    View();
    Form->SetProfile(ClassicProfile());
    EXPECT_FALSE(Form->FIBRES->isVisible());
    EXPECT_FALSE(Form->FIRSTFIBRE->isVisible());
    EXPECT_TRUE(Form->M_SINGLE->isVisible());
    EXPECT_EQ(Form->REPORT->rowCount(), 14);
    EXPECT_EQ(Form->REPORT->item(0, 0)->text(), "Item");
    // The picture on screen is judged anew as one fibre, without the connector's fibre check.
    EXPECT_EQ(Given.Firsts.size(), 1u);
    EXPECT_NE(Form->Cycle().Shown.Verdict, TVerdict::Partial);
}

// A drawn fibre view of fibres 1 and 2 through the real locator and judgement.
TEST_F(ConnectorWindowTest, ADrawnFibreViewIsLocatedNumberedAndJudged)
{
    Form = MakeForm();
    Form->show();
    Form->SetImageFolder(Dir.path());
    Form->SetProfile(*FindProfile("mt-sm-apc"));
    MtPicture drawn;
    drawn.UmPerPixel = 1.0f;
    float x1 = 0.0f, y1 = 0.0f;
    drawn.FibrePosition(1, x1, y1);
    drawn.ViewX = x1 + 125.0f; // fibres 1 and 2 either side of the middle
    ASSERT_TRUE(drawn.Make().Image().save(Path("mt.bmp"), "BMP"));
    Form->OpenImageFile(QFile::encodeName(Path("mt.bmp")).toStdString());
    const TMtInspection& connector = Form->Cycle().Connector.Inspection();
    EXPECT_EQ(connector.At(1).Verdict, TFibreVerdict::Pass);
    EXPECT_EQ(connector.At(2).Verdict, TFibreVerdict::Pass);
    EXPECT_EQ(connector.Judged(), 2);
    EXPECT_EQ(Form->Cycle().Shown.Verdict, TVerdict::Partial);
    EXPECT_EQ(Form->FIRSTFIBRE->value(), 3);
}
