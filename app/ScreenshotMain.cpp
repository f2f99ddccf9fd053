// Takes the README's picture of the window: answers the start-up question with No, opens the
// image file given as the first argument and writes what the screen shows of the window to the
// PNG file given as the second. Run under xvfb-run (scripts/screenshot).

#include "app/TMainForm.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s IMAGE OUTPUT.png\n", argv[0]);
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Veltrana - Pellimor"));
    SetMessageBoxHook(
        [](const QString& text, const QString& caption, QMessageBox::Icon, QMessageBox::StandardButtons) {
            std::fprintf(stderr, "message: %s / %s\n", qPrintable(text), qPrintable(caption));
            return QMessageBox::No;
        });
    TMainForm form;
    form.show();
    TApplication::processEvents();
    std::fprintf(stderr, "window shown after %lld ms\n", static_cast<long long>(clock.elapsed()));
    form.OpenImageFile(QFile::encodeName(QString::fromLocal8Bit(argv[1])).toStdString());
    const QString output = QString::fromLocal8Bit(argv[2]);
    int status = 1;
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
