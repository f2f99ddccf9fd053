#include "platform/TApplication.h"

#include "platform/MessageBox.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try
    {
        return QApplication::notify(receiver, event);
    }
    catch (const std::exception& e)
    {
        ShowException(QString::fromUtf8(e.what()));
    }
    catch (...)
    {
        ShowException(QString());
    }
    return false;
}

void ShowException(const QString& message)
{
    ShowMessageBox(QApplication::activeWindow(), message, QApplication::applicationName(),
                   QMessageBox::Critical);
}
