#pragma once
// The application object with the one exception display: an exception that escapes an event
// handler is shown with its message in a message box, and the event loop goes on. The state a
// handler changed before it threw stays changed.

#include <QApplication>
#include <QString>

class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's message the way the exception display does (error icon, the
// application's name as caption). Also used by the program entry.
void ShowException(const QString& message);
