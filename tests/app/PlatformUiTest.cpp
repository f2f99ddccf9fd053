// The exception display and the integer conversion of edit texts.

#include "platform/IntText.h"
#include "platform/TApplication.h"
#include "tests/app/MainFormFixture.h"

#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <stdexcept>

namespace
{
class ThrowingObject : public QObject
{
public:
    int Handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
        {
            ++Handled;
            throw std::runtime_error("Cannot create file \"/nowhere/x.bmp\". No such file or directory");
        }
        return QObject::event(e);
    }
};

} // namespace

using ExceptionDisplayTest = MainFormTest;

TEST_F(ExceptionDisplayTest, ShowsTheMessageAndTheLoopGoesOn)
{
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    EXPECT_EQ(target.Handled, 2);
    EXPECT_TRUE(later);
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0].Text, "Cannot create file \"/nowhere/x.bmp\". No such file or directory");
    EXPECT_EQ(Messages[0].Caption, "Veltrana - Pellimor");
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
}

struct IntCase
{
    const char* Text;
    bool Valid;
    int Value;
};

void PrintTo(const IntCase& c, std::ostream* os)
{
    *os << '"' << c.Text << '"';
}

class StrToIntTest : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(StrToIntTest, ConvertsWholeDecimalsOrNamesTheText)
{
    const IntCase c = GetParam();
    if (c.Valid)
    {
        EXPECT_EQ(StrToInt(QString::fromUtf8(c.Text)), c.Value);
        return;
    }
    try
    {
        StrToInt(QString::fromUtf8(c.Text));
        FAIL() << "accepted " << c.Text;
    }
    catch (const std::invalid_argument& e)
    {
        EXPECT_NE(std::string(e.what()).find(std::string("'") + c.Text + "'"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToIntTest,
                         ::testing::Values(IntCase{"60", true, 60}, IntCase{" -7 ", true, -7},
                                           IntCase{"+12", true, 12}, IntCase{"2147483647", true, 2147483647},
                                           IntCase{"-2147483648", true, -2147483647 - 1},
                                           IntCase{"2147483648", false, 0}, IntCase{"", false, 0},
                                           IntCase{"-", false, 0}, IntCase{"12a", false, 0},
                                           IntCase{"1.5", false, 0}, IntCase{"0x10", false, 0}));

namespace
{
// A handler that throws, reached through a signal: the exception stops at the connection.
TEST_F(ExceptionDisplayTest, AnExceptionOfASlotStopsAtItsConnection)
{
    QObject source;
    int calls = 0;
    QObject::connect(&source, &QObject::objectNameChanged, &source, Guarded([&](const QString&) {
        ++calls;
        throw std::runtime_error("slot failed");
    }));
    EXPECT_NO_THROW(source.setObjectName(QStringLiteral("renamed")));
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, "slot failed");
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
}

// The window's own buttons are connected that way; the handler itself still throws.
TEST_F(ExceptionDisplayTest, AFailedSaveFromTheButtonIsShownNotThrown)
{
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(
        QFile::encodeName(QStringLiteral(FS_SOURCE_DIR "/samples/clean-pass.png")).toStdString());
    form->SetImageFolder(Path("no-such-folder"));
    Messages.clear();
    EXPECT_NO_THROW(form->SpeedButton2->click());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(Messages[0].Text.contains("no-such-folder")) << Messages[0].Text.toStdString();
    EXPECT_THROW(form->SpeedButton2Click(), std::runtime_error);
}

// A short text must not make the box so narrow that the window manager cuts the caption.
TEST(MessageBoxWidth, TheBoxIsWideEnoughForItsCaption)
{
    for (const char* caption : {"Video Source Not Found", "Caution", "Serial number is too long"})
    {
        const auto box =
            MakeMessageBox(nullptr, QStringLiteral("Search for WiFi Scope ?"), QString::fromLatin1(caption),
                           QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        QFont bold = box->font();
        bold.setBold(true);
        EXPECT_GE(box->sizeHint().width(),
                  QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(caption)) + CaptionAllowance)
            << caption;
    }
}

// However the box wraps its text, an address stays on one line: laid out at any width, no line
// ends inside it.
TEST(MessageBoxWidth, AnAddressIsNeverBrokenByTheWrap)
{
    const QString url = QStringLiteral("http://wifi-scope.line-7.plant.example:8196/stream/video");
    const auto box = MakeMessageBox(nullptr,
                                    QStringLiteral("No picture from the WiFi scope: nothing answers at ") +
                                        url + QStringLiteral(": the connection was refused."),
                                    QStringLiteral("Video Source Not Found"), QMessageBox::Question);
    QString shown = box->text();
    for (int width : {120, 200, 320, 480})
    {
        QTextLayout layout(shown, box->font());
        layout.beginLayout();
        QStringList lines;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        {
            line.setLineWidth(width);
            lines << shown.mid(line.textStart(), line.textLength()).remove(QChar(0x2060));
        }
        layout.endLayout();
        EXPECT_TRUE(
            std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(url); }))
            << width << ": " << lines.join('|').toStdString();
    }
    EXPECT_EQ(shown.remove(QChar(0x2060)),
              QStringLiteral("No picture from the WiFi scope: nothing answers at ") + url +
                  QStringLiteral(": the connection was refused."));
}
} // namespace
