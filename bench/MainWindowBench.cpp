// The main window's own costs: building and showing it (start-up), the overlay drawn on every
// live frame, opening a sample (analysis, verdict display and repaint of the result view), and
// closing it while live. Offscreen, with settings, preferences and records in a temporary folder;
// the start-up question is answered with No.

#include "app/TMainForm.h"
#include "app/UserPreferences.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "records/RecordSender.h"
#include "records/RecordStore.h"
#include "tests/support/FakeCameras.h"
#include "videograbber/TVideoGrabber.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/QTest>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{
void Quiet()
{
    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    });
}

void BM_StartUpToShownWindow(benchmark::State& state)
{
    for (auto _ : state)
    {
        auto form = std::make_unique<TMainForm>();
        form->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form.get());
    }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond);

void BM_LiveOverlay(benchmark::State& state)
{
    TMainForm form;
    form.show();
    form.FitVideoWindow(640, 480, false);
    if (state.range(0) != 0)
        form.ShowOverlayMessage(QStringLiteral("Image Saved : /home/user/images/20261210051500.bmp"));
    QImage frame(640, 480, QImage::Format_BGR888);
    frame.fill(Qt::darkGray);
    for (auto _ : state)
    {
        QPainter painter(&frame);
        form.VIDEOFrameOverlayUsingDC(&painter);
    }
}
BENCHMARK(BM_LiveOverlay)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OpenSample(benchmark::State& state)
{
    TMainForm form;
    form.show();
    for (auto _ : state)
        form.OpenImageFile(FS_SOURCE_DIR "/samples/cladding-scratch.png");
}
BENCHMARK(BM_OpenSample)->Unit(benchmark::kMillisecond);

// A plant database server that accepts connections and never answers, as one behind a stalled
// network: a client waits out its whole connection time-out.
class SilentServer
{
public:
    SilentServer()
    {
        Fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(Fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(Fd_, 16) != 0 ||
            getsockname(Fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        Port_ = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        for (int fd : Clients_)
            close(fd);
        close(Fd_);
    }
    int Port() const { return Port_; }
    // Takes the connections that came; they stay open and unanswered.
    int Connections()
    {
        for (int fd; (fd = accept4(Fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
            Clients_.push_back(fd);
        return int(Clients_.size());
    }

private:
    int Fd_ = -1;
    int Port_ = 0;
    std::vector<int> Clients_;
};

// From the close (the title bar's close button) until the window is destroyed, with the camera
// live and the live analysis on. range(0) 1: a record waits for a plant database that accepts
// the connection and never answers, and the sender is in the middle of connecting to it.
void BM_CloseWhileLive(benchmark::State& state)
{
    const bool plant = state.range(0) != 0;
    fakecams::Register();
    fakecams::AddCamera(fakecams::Camera("USB Video Device", {{640, 480}}));
    SilentServer server;
    TPlantDatabase database;
    if (plant)
    {
        database.Host = QStringLiteral("127.0.0.1");
        database.Port = server.Port();
        database.Database = QStringLiteral("plant");
        database.User = QStringLiteral("station");
        database.SslMode = QStringLiteral("disable");
    }
    TUserPreferences::SetPlantDatabase(database, true);
    for (auto _ : state)
    {
        if (plant)
            TRecordStore::OpenLocal(LocalRecordStorePath())
                ->Add(TStoredInspection::Made(TInspectionRecord()), true);
        const int connections = server.Connections();
        auto form = std::make_unique<TMainForm>();
        form->show();
        form->LIVEANALYSIS->setChecked(true);
        long shown = 0;
        QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(), [&] { ++shown; });
        if (!QTest::qWaitFor([&] { return shown > 30 && (!plant || server.Connections() > connections); },
                             10000))
        {
            state.SkipWithError("the preview did not start, or the sender did not connect");
            break;
        }
        QElapsedTimer clock;
        clock.start();
        form->SpeedButton5->click();
        const double hidden = double(clock.nsecsElapsed()) / 1e6;
        form.reset();
        const double gone = double(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(gone / 1e3);
        state.counters["hidden_ms"] = hidden;
        state.counters["gone_ms"] = gone;
    }
    // The senders left connecting end by themselves once their time-out is over.
    if (!QTest::qWaitFor([] { return TRecordSender::Unfinished() == 0; }, 60000))
        state.SkipWithError("a sender never ended");
    TUserPreferences::SetPlantDatabase(TPlantDatabase(), true);
    fakecams::RemoveAll();
}
BENCHMARK(BM_CloseWhileLive)
    ->ArgName("plant")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings file, the user's preferences and the record store of a run of its own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath(QStringLiteral("data")).toUtf8());
    QDir::setCurrent(home.path());
    TApplication app(argc, argv);
    Quiet();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
