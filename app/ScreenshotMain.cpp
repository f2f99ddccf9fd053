// Takes the README's picture of the window: answers the start-up question with No, opens the
// image file given as the first argument and writes what the screen shows of the window to the
// PNG file given as the second. With --dialog params or --dialog criteria it writes the picture
// of that dialog instead, opened the way the operator opens it. Run under xvfb-run
// (scripts/screenshot). With --auto SERIAL the image is inspected in automatic mode instead, and
// the report picture that a pass makes the window save under the serial number is copied to the
// output as PNG, with its PDF report and the inspection log beside it (.pdf, .csv). With --live
// it writes the image as a live frame with the live assistant's zones, verdict and focus bar.
// --profile NAME, first, judges by that built-in acceptance profile (the user's choice is kept).
// --browser OUTPUT.png writes the results browser over a generated store instead.
// Several images before the output are opened in turn, each a view of a multi-fibre connector
// panned on; --fibre N, after --profile, then writes fibre N's enlarged zones instead.

#include "app/RecordsBrowser.h"
#include "app/TMainForm.h"
#include "app/Translations.h"
#include "capture/TParamSettingForm.h"
#include "criteria/TCriteriaForm.h"
#include "live/LiveAnalysis.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Once the next modal dialog is up and painted, saves its picture and closes it.
void ShootNextDialog(const QString& output, int& status)
{
    QTimer::singleShot(500, [&status, output] {
        QWidget* dialog = QApplication::activeModalWidget();
        status = dialog && dialog->grab().save(output) ? 0 : 1;
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->done(QDialog::Rejected);
    });
}
} // namespace

// The results browser over a store of its own (in a temporary folder, never the user's), filled
// with two weeks of a three-station line: the README's picture of it.
int ShootBrowser(int argc, char** argv, const QString& output)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    TApplication app(argc, argv);
    InstallTranslations(InterfaceLocale(QString()));
    {
        auto store = TRecordStore::OpenLocal(LocalRecordStorePath());
        const QDateTime end = QDateTime(QDate::currentDate(), QTime(15, 30));
        const char* const stations[] = {"line-1", "line-2", "line-3"};
        std::uint32_t seed = 12345;
        const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
        for (int i = 0; i < 14 * 60; ++i)
        {
            TInspectionRecord r;
            r.Time = end.addSecs(-static_cast<qint64>(i) * 1440);
            r.Serial = QStringLiteral("MPO%1").arg(20000 - i, 6, 10, QLatin1Char('0'));
            r.Source = QStringLiteral("USB Video Device");
            r.Frames = 3;
            r.Version = ProgramVersion();
            const std::uint32_t roll = next() % 100;
            r.Pass = roll >= 9 + static_cast<std::uint32_t>(i % 3) * 3;
            if (roll == 0)
                r.Location.Outcome = TFiberOutcome::NoFiber;
            store->Add(TStoredInspection::Made(r, QLatin1String(stations[i % 3])));
        }
    }
    TRecordsBrowser browser;
    browser.FROM->setDate(QDate::currentDate().addDays(-13));
    browser.Search();
    browser.show();
    browser.LIST->selectRow(2);
    for (int i = 0; i < 20; ++i)
        TApplication::processEvents();
    return browser.grab().save(output) ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--browser") == 0)
        return ShootBrowser(argc, argv, QString::fromLocal8Bit(argv[2]));
    const char* dialog = nullptr;
    const char* serial = nullptr;
    const TCriteriaProfile* profile = nullptr;
    if (argc >= 3 && std::strcmp(argv[1], "--profile") == 0)
    {
        profile = FindProfile(argv[2]);
        if (!profile)
        {
            std::fprintf(stderr, "no profile %s\n", argv[2]);
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    int fibre = 0;
    if (argc >= 3 && std::strcmp(argv[1], "--fibre") == 0)
    {
        fibre = std::atoi(argv[2]);
        argv += 2;
        argc -= 2;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--dialog") == 0)
    {
        dialog = argv[2];
        argv += 2;
        argc -= 2;
    }
    bool live = false;
    bool resumed = false;
    if (argc >= 2 && std::strcmp(argv[1], "--live") == 0)
    {
        live = true;
        ++argv;
        --argc;
    }
    else if (argc >= 2 && std::strcmp(argv[1], "--resumed") == 0)
    {
        // The analysis, then back to live video: the last result faded, and no scope's hint.
        resumed = true;
        ++argv;
        --argc;
    }
    else if (argc >= 3 && std::strcmp(argv[1], "--auto") == 0)
    {
        serial = argv[2];
        argv += 2;
        argc -= 2;
    }
    if (argc < 3 || (dialog && std::strcmp(dialog, "params") != 0 && std::strcmp(dialog, "criteria") != 0 &&
                     std::strcmp(dialog, "open") != 0))
    {
        std::fprintf(
            stderr,
            "usage: %s [--profile NAME] [--fibre N] [--dialog params|criteria|open | --auto SERIAL | "
            "--live | --resumed] IMAGE... "
            "OUTPUT.png\n",
            argv[0]);
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Veltrana - Pellimor"));
    // In the desktop's language, as the program starts for a user without a choice of their own.
    InstallTranslations(InterfaceLocale(QString()));
    SetMessageBoxHook(
        [](const QString& text, const QString& caption, QMessageBox::Icon, QMessageBox::StandardButtons) {
            std::fprintf(stderr, "message: %s / %s\n", qPrintable(text), qPrintable(caption));
            return QMessageBox::No;
        });
    TMainForm form;
    MainForm = &form;
    CriteriaForm = new TCriteriaForm(&form);
    ParamSettingForm = new TParamSettingForm(&form);
    if (profile)
        form.SetProfile(*profile);
    form.show();
    TApplication::processEvents();
    std::fprintf(stderr, "window shown after %lld ms\n", static_cast<long long>(clock.elapsed()));
    const QString output = QString::fromLocal8Bit(argv[argc - 1]);
    // The inspection's log record goes to a folder of its own, not to the tree.
    QTemporaryDir scratch;
    form.SetImageFolder(scratch.path());
    if (live)
    {
        // The image as a live frame with the live assistant's drawing on it, as the scope's
        // picture would show it (without the cross-hair's frame request).
        form.LIVEANALYSIS->setChecked(true);
        QImage frame = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_BGR888);
        form.FitVideoWindow(frame.width(), frame.height(), false);
        for (int i = 0; i < 200 && !form.LiveResult().FiberInView; ++i)
        {
            QImage copy = frame.copy();
            QPainter painter(&copy);
            form.VIDEOFrameOverlayUsingDC(&painter);
            painter.end();
            TApplication::processEvents();
            QThread::msleep(10);
        }
        QImage shown = frame.copy();
        QPainter painter(&shown);
        form.VIDEOFrameOverlayUsingDC(&painter);
        painter.end();
        return shown.save(output) ? 0 : 1;
    }
    if (serial)
    {
        QTemporaryDir folder;
        {
            // For this run only: the user's own preference is not touched.
            const QSignalBlocker quiet(form.AUTOPDF);
            form.AUTOPDF->setChecked(true);
        }
        form.B_AUTO->setChecked(true);
        form.B_SERIAL->setText(QString::fromLocal8Bit(serial));
        form.SetImageFolder(folder.path());
        for (int i = 1; i < argc - 1; ++i)
            form.OpenImageFile(QFile::encodeName(QString::fromLocal8Bit(argv[i])).toStdString());
        const QImage report(QDir(folder.path()).filePath(QString::fromLocal8Bit(serial) + ".bmp"));
        if (report.isNull())
            std::fprintf(stderr, "no report was saved: the image did not pass\n");
        // The PDF report and the log beside the output, under its name.
        const QString stem = output.left(output.lastIndexOf(QLatin1Char('.')));
        QFile::remove(stem + ".pdf");
        QFile::remove(stem + ".csv");
        QFile::copy(QDir(folder.path()).filePath(QString::fromLocal8Bit(serial) + ".pdf"), stem + ".pdf");
        QFile::copy(QDir(folder.path()).filePath("inspections.csv"), stem + ".csv");
        return !report.isNull() && report.save(output) ? 0 : 1;
    }
    for (int i = 1; i < argc - 1; ++i)
        form.OpenImageFile(QFile::encodeName(QString::fromLocal8Bit(argv[i])).toStdString());
    if (fibre > 0)
    {
        form.ShowFibre(fibre);
        for (int i = 0; i < 20; ++i)
            TApplication::processEvents();
        return form.FIBREVIEW && form.FIBREVIEW->grab().save(output) ? 0 : 1;
    }
    if (resumed)
        form.CheckOrResume();
    int status = 1;
    if (dialog)
    {
        QTimer::singleShot(500, [&] {
            if (std::strcmp(dialog, "open") == 0)
            {
                ShootNextDialog(output, status);
                form.SpeedButton7->click();
                TApplication::quit();
                return;
            }
            if (std::strcmp(dialog, "params") == 0)
                ShootNextDialog(output, status);
            else
                QTimer::singleShot(0, [&] {
                    ShootNextDialog(output, status);
                    ParamSettingForm->Button6->click();
                    ParamSettingForm->done(QDialog::Rejected);
                });
            form.SpeedButton1->click();
            TApplication::quit();
        });
        TApplication::exec();
        return status;
    }
    QTimer::singleShot(500, [&] {
        const QRect g = form.geometry();
        // The screen's view, so the shaped outline shows against the background.
        const QPixmap shot =
            form.screen()->grabWindow(0, g.x() - 10, g.y() - 10, g.width() + 20, g.height() + 20);
        status = shot.save(output) ? 0 : 1;
        TApplication::quit();
    });
    TApplication::exec();
    return status;
}
