#include "tests/app/MainFormFixture.h"

#include "platform/TApplication.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSettings>

namespace
{
// One application object for the whole test process, made before the first test runs.
class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<TApplication>(argc, argv);
        TApplication::setApplicationName(QStringLiteral("Veltrana - Pellimor"));
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<TApplication> App;
};
[[maybe_unused]] auto* const Environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace

void MainFormTest::SetUp()
{
    ASSERT_TRUE(Dir.isValid());
    PreviousDir = QDir::currentPath();
    // Nothing listens there: the WiFi scope fails at once and never leaves this machine.
    TMainForm::WiFiScopeURL = QStringLiteral("http://127.0.0.1:9/");
    // Per-user preferences go to this test's folder, never to the user's own configuration.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path(QStringLiteral("config")));
    // The user's data folder (records waiting for their log, torn records set apart) too.
    qputenv("XDG_DATA_HOME", QFile::encodeName(Path(QStringLiteral("data"))));
    QDir::setCurrent(Dir.path());
    SetMessageBoxHook([this](const QString& text, const QString& caption, QMessageBox::Icon icon,
                             QMessageBox::StandardButtons buttons) {
        Messages.push_back({text, caption, icon});
        if (!Answers.empty())
        {
            const auto a = Answers.front();
            Answers.pop_front();
            return a;
        }
        return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    });
}

void MainFormTest::TearDown()
{
    SetMessageBoxHook({});
    QDir::setCurrent(PreviousDir);
}

std::unique_ptr<TMainForm> MainFormTest::MakeForm(QMessageBox::StandardButton startAnswer)
{
    Answer(startAnswer);
    auto form = std::make_unique<TMainForm>();
    Answers.clear();
    return form;
}

int MainFormTest::CountMessages(const QString& text) const
{
    int n = 0;
    for (const ShownMessage& m : Messages)
        n += m.Text == text;
    return n;
}

int MainFormTest::CountQuestions() const
{
    int n = 0;
    for (const ShownMessage& m : Messages)
        n += m.Text.endsWith(QLatin1String("Search for WiFi Scope ?"));
    return n;
}

void WriteEndFace(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(40, 40, 40));
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPoint(width / 2, height / 2), 150, 150);
    p.end();
    ASSERT_TRUE(image.save(path, "BMP"));
}
