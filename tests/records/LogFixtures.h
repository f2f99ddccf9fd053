#pragma once
// What the log's tests share: a record with a chosen serial, files read and written whole, a
// field by its column's name, and a child process that runs an append and must end in time, so
// an attack that would hang the station fails the test instead of stalling it.

#include "analysis/TFiberAnalyzer.h"
#include "records/InspectionLog.h"
#include "records/InspectionRecord.h"

#include <QFile>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes,
                       QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(path);
    return f.open(mode) && f.write(bytes) == bytes.size();
}

inline TInspectionRecord SerialRecord(const QString& serial)
{
    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    a.ZoneVerdicts[1] = "Fail";
    TInspectionRecord r = TInspectionRecord::FromAnalyzer(a, false);
    r.Serial = serial;
    r.Source = QStringLiteral("USB Video Device");
    r.Frames = 3;
    r.Files = {"/images/a.bmp", "/images/a.pdf"};
    return r;
}

inline QString ColumnOf(const QStringList& header, const QStringList& row, const char* name)
{
    const qsizetype i = header.indexOf(QLatin1String(name));
    EXPECT_GE(i, 0) << name;
    return i >= 0 && i < row.size() ? row[i] : QString();
}

struct TChildRun
{
    int Status = -1; // what the body returned; -1 when it was killed
    bool TimedOut = false;
    std::string Message; // what the body said
};

// Runs body in a child process that must end within seconds; a hang is killed and reported.
inline TChildRun RunInChild(const std::function<int(std::string&)>& body, int seconds = 10)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::close(out[0]);
        std::string message;
        int status = 99;
        try
        {
            status = body(message);
        }
        catch (const std::exception& e)
        {
            message = e.what();
            status = 98;
        }
        if (::write(out[1], message.data(), message.size()) < 0)
            status = 97;
        ::_exit(status);
    }
    ::close(out[1]);
    TChildRun run;
    int status = 0;
    pid_t ended = 0;
    for (int tick = 0; tick < seconds * 100 && ended == 0; ++tick)
    {
        ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0)
            ::usleep(10000);
    }
    if (ended == 0)
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        run.TimedOut = true;
    }
    else if (WIFEXITED(status))
        run.Status = WEXITSTATUS(status);
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        run.Message.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    return run;
}

enum TAppendOutcome
{
    Appended = 0,
    Busy = 1,
    Refused = 2,
};

// Append in a child process: Appended, Busy (TInspectionLogBusy) or Refused (another error).
inline TChildRun AppendInChild(const QString& folder, const TInspectionRecord& record,
                               const TLogAppendOptions& options = {},
                               const std::function<bool()>& before = {})
{
    return RunInChild([&](std::string& message) {
        if (before && !before())
        {
            message = "could not prepare the child";
            return 96;
        }
        try
        {
            TInspectionLog::Append(folder, record, options);
            return int(Appended);
        }
        catch (const TInspectionLogBusy& e)
        {
            message = e.what();
            return int(Busy);
        }
        catch (const std::runtime_error& e)
        {
            message = e.what();
            return int(Refused);
        }
    });
}
