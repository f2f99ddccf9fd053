// The window's three outcomes of a fiber check: no verdict without a fiber (nothing filed,
// counted on, printed or reported), a caution when the edge lies elsewhere than the judging
// circle, and the user's choice to judge by the edge; and a cut cladding under a true-size
// profile.

#include "analysis/TFiberAnalyzer.h"
#include "records/InspectionLog.h"
#include "tests/app/MainFormFixture.h"
#include "tests/profiles/BuiltinProfile.h"
#include "tests/records/CsvReader.h"
#include "tools/EndFaceGenerator.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <cmath>

namespace
{
QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class FiberLocationWindowTest : public MainFormTest
{
protected:
    // Writes the face as a BMP in the test's folder and returns its path.
    std::string Face(const char* name, const EndFaceRecipe& recipe)
    {
        const std::string path = QFile::encodeName(Path(QLatin1String(name))).toStdString();
        std::string error;
        EXPECT_TRUE(WriteEndFace(MakeEndFace(recipe), false, path, error)) << error;
        return path;
    }
    std::vector<QStringList> Log() { return ReadCsv(Read(TInspectionLog::FileName(Dir.path()))); }
};

// The faults of the shift: an empty picture in automatic mode was filed as a Pass, with a
// certificate, and the serial counted on.
TEST_F(FiberLocationWindowTest, APictureWithoutAFiberGetsNoVerdictAndNothingIsFiledOrReported)
{
    const struct
    {
        const char* Name;
        EndFaceRecipe Recipe;
    } frames[] = {{"grey.bmp", EmptyFrame(EmptyFrameKind::Uniform, 1)},
                  {"capped.bmp", EmptyFrame(EmptyFrameKind::LensCap, 2)},
                  {"dust.bmp", EmptyFrame(EmptyFrameKind::SpecksOnBlack, 3)}};
    auto form = MakeForm();
    form->show();
    form->AUTOPDF->setChecked(true);
    form->SAVEFAILED->setChecked(true);
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0007");
    std::size_t logged = 1;
    for (const auto& frame : frames)
    {
        SCOPED_TRACE(frame.Name);
        form->OpenImageFile(Face(frame.Name, frame.Recipe));
        EXPECT_EQ(form->RESULT->text(), "No fiber");
        EXPECT_EQ(form->Cycle().Shown.Verdict, TVerdict::NoFiber);
        EXPECT_FALSE(form->CAUTION->isVisible());
        EXPECT_EQ(form->B_SERIAL->text(), "AB0007") << "the serial is not counted on";
        EXPECT_EQ(QDir(Dir.path()).entryList({"AB0007*"}).size(), 0) << "nothing filed under the serial";
        EXPECT_EQ(QDir(Dir.path()).entryList({"*.pdf"}).size(), 0);
        for (QLabel* zone : {form->R1, form->R2, form->R3, form->R4})
            EXPECT_TRUE(zone->text().isEmpty());
        const auto rows = Log();
        ASSERT_EQ(rows.size(), ++logged);
        EXPECT_EQ(CsvField(rows, logged - 1, "verdict"), "No fiber");
        EXPECT_EQ(CsvField(rows, logged - 1, "center_x"), "");
        EXPECT_EQ(CsvField(rows, logged - 1, "files"), "") << "no picture of a 'failed' inspection either";
        EXPECT_TRUE(CsvField(rows, logged - 1, "no_verdict_reason").startsWith("No fiber"));

        // No report of it: the menu offers none, and the commands say why.
        emit form->RECORDS->menu()->aboutToShow();
        EXPECT_FALSE(form->PDFREPORT->isEnabled());
        const std::size_t before = Messages.size();
        form->SpeedButton3Click();
        form->PDFREPORTClick();
        ASSERT_EQ(Messages.size(), before + 2);
        EXPECT_EQ(Messages.back().Caption, "No verdict");
    }
    // Dragging the zones cannot make a verdict either.
    const float x = form->Analyzer()->Center.X;
    form->PBMouseDown(Qt::LeftButton, 100, 100);
    form->PBMouseMove(140, 100);
    form->PBMouseUp(Qt::LeftButton, 140, 100);
    EXPECT_EQ(form->Analyzer()->Center.X, x);
    EXPECT_EQ(form->RESULT->text(), "No fiber");

    // A fiber again: the verdict is back, in its own size, and automatic mode files it.
    form->OpenImageFile(std::string(FS_SOURCE_DIR "/samples/clean-pass.png"));
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_TRUE(QFile::exists(Path("AB0007.bmp")));
    EXPECT_EQ(form->B_SERIAL->text(), "AB0008");
}

// The picture's centre outside the glass: the rays judge a wrong circle. The window cautions,
// the record carries both circles, and the user's choice judges by the edge instead.
TEST_F(FiberLocationWindowTest, AnOffCentreFiberIsCautionedAndJudgedByItsEdgeWhenTheUserChooses)
{
    const std::string face = Face("off.bmp", OffCentreEndFace(-160.0f, 60.0f));
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(face);
    EXPECT_TRUE(form->Location().Caution());
    EXPECT_TRUE(form->CAUTION->isVisible());
    EXPECT_EQ(form->CAUTION->text(), "Fiber edge uncertain: centre the fiber, or drag the zones onto it");
    EXPECT_TRUE(form->RESULT->text() == "Pass" || form->RESULT->text() == "Fail");
    auto rows = Log();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(CsvField(rows, 1, "location"), "rays");
    EXPECT_NEAR(CsvField(rows, 1, "edge_center_x").toFloat(), 160.0f, 1.0f);
    EXPECT_NEAR(CsvField(rows, 1, "edge_center_y").toFloat(), 300.0f, 1.0f);
    EXPECT_GT(std::abs(CsvField(rows, 1, "center_x").toFloat() - 160.0f), 5.0f) << "the rays' circle judged";

    // The option judges the face on screen again, by the edge, and records it.
    form->SetLocateByEdge(true);
    EXPECT_FALSE(form->CAUTION->isVisible());
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_NEAR(form->Analyzer()->Center.X, 160.0f, 1.0f);
    EXPECT_NEAR(form->Analyzer()->Center.Y, 300.0f, 1.0f);
    rows = Log();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(CsvField(rows, 2, "location"), "edges");
    EXPECT_FALSE(CsvField(rows, 2, "rejudged").isEmpty());

    // A new inspection judges by the edge from the start.
    form->OpenImageFile(face);
    EXPECT_EQ(form->Location().Method, TLocateMethod::Edges);
    EXPECT_EQ(form->RESULT->text(), "Pass");
}

// The caution's second remedy: zones dragged onto the fiber judge, and the caution goes.
TEST_F(FiberLocationWindowTest, ZonesDraggedByHandEndTheCaution)
{
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(Face("off.bmp", OffCentreEndFace(-160.0f, 60.0f)));
    ASSERT_TRUE(form->Location().Caution());
    form->PBMouseDown(Qt::LeftButton, 300, 200);
    form->PBMouseMove(290, 200);
    form->PBMouseUp(Qt::LeftButton, 290, 200);
    EXPECT_EQ(form->Location().Method, TLocateMethod::Manual);
    EXPECT_FALSE(form->CAUTION->isVisible());
    const auto rows = Log();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(CsvField(rows, 2, "location"), "manual");
}

// A true-size profile locates by the edge and never judges a cladding cut by the frame; the
// classic profile judges it as it always has.
TEST_F(FiberLocationWindowTest, ACutCladdingIsNotInViewForATrueSizeProfile)
{
    const std::string face = Face("cut.bmp", OffCentreEndFace(230.0f, 0.0f));
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(face);
    EXPECT_TRUE(form->RESULT->text() == "Pass" || form->RESULT->text() == "Fail");
    form->SetProfile(BuiltinProfile("sm-pc"));
    EXPECT_EQ(form->RESULT->text(), "Not in view");
    EXPECT_EQ(form->Cycle().Shown.Verdict, TVerdict::NotInView);
    EXPECT_EQ(form->RESULT->toolTip(), "Fiber not wholly in view: centre it");
    const auto rows = Log();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(CsvField(rows, 2, "verdict"), "Not in view");
    EXPECT_EQ(CsvField(rows, 2, "profile_rows"), "");
}
