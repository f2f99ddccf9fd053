#include "tests/records/PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QVersionNumber>
#include <algorithm>
#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace
{
constexpr int WaitMs = 60000;
// pg_ctl's own limit stays under ours, so a slow server gets pg_ctl's reason, not a killed process.
const QString PgCtlSeconds = QStringLiteral("55");
const QStringList ServerTools = {"initdb", "pg_ctl", "postgres", "psql"};

struct TRun
{
    bool Ok = false;
    QByteArray Out;
    QString Error;
};

QString FindTool(const QString& name)
{
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/bin", "/usr/sbin", "/bin", "/sbin"})
                            : onPath;
}

// Settings from the caller's shell (PGHOST, PGDATA, PGOPTIONS…) must not steer the test server,
// and messages stay in English so a failure can be recognised by its text.
QProcessEnvironment CleanEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith(QLatin1String("PG")))
            env.remove(key);
    env.insert("LC_ALL", "C");
    env.insert("PGCLIENTENCODING", "UTF8");
    return env;
}

TRun Run(const QString& name, const QStringList& command, const QString& folder, const QByteArray& input = {})
{
    QProcess p;
    p.setProcessEnvironment(CleanEnvironment());
    p.setWorkingDirectory(folder);
    p.start(command.first(), command.mid(1));
    if (!p.waitForStarted(WaitMs))
        return {false, {}, QString("could not run %1: %2").arg(name, p.errorString())};
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(WaitMs))
    {
        p.kill();
        p.waitForFinished(5000);
        return {false, {}, QString("%1 did not finish within %2 s").arg(name).arg(WaitMs / 1000)};
    }
    const QByteArray out = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    {
        const QString said = QString::fromUtf8(p.readAllStandardError()).trimmed();
        return {false, out, QString("%1 failed (exit %2): %3").arg(name).arg(p.exitCode()).arg(said)};
    }
    return {true, out, {}};
}

// pg_config names the server's binaries when the development files are installed, but may belong
// to a version whose server is not, so each candidate must hold every tool.
QString FindBinDir()
{
    QStringList candidates;
    if (const QString pgConfig = FindTool("pg_config"); !pgConfig.isEmpty())
    {
        const TRun run = Run("pg_config", {pgConfig, "--bindir"}, QDir::rootPath());
        if (run.Ok)
            candidates << QString::fromLocal8Bit(run.Out).trimmed();
    }
    QStringList versions = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) {
        return QVersionNumber::fromString(a) > QVersionNumber::fromString(b);
    });
    for (const QString& v : versions)
        candidates << "/usr/lib/postgresql/" + v + "/bin";
    for (const QString& dir : candidates)
        if (std::all_of(ServerTools.begin(), ServerTools.end(),
                        [&](const QString& tool) { return QFileInfo(dir + "/" + tool).isExecutable(); }))
            return dir;
    return {};
}

// setpriv switches user without a PAM session; runuser does the same where setpriv is missing.
QStringList AsPostgresUser()
{
    if (const QString setpriv = FindTool("setpriv"); !setpriv.isEmpty())
        return {setpriv, "--reuid=postgres", "--regid=postgres", "--init-groups", "--"};
    if (const QString runuser = FindTool("runuser"); !runuser.isEmpty())
        return {runuser, "-u", "postgres", "--"};
    return {};
}

int FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString QuoteIdentifier(QString name)
{
    return '"' + name.replace('"', QLatin1String("\"\"")) + '"';
}
} // namespace

bool TPostgresServer::Installed(QString* why)
{
    QString reason;
    if (FindBinDir().isEmpty())
        reason = "no PostgreSQL server binaries (" + ServerTools.join(", ") +
                 ") from pg_config --bindir or in /usr/lib/postgresql/*/bin";
    else if (::geteuid() == 0 && !::getpwnam("postgres"))
        reason = "running as root, and there is no `postgres` user to run the server as";
    else if (::geteuid() == 0 && AsPostgresUser().isEmpty())
        reason = "running as root, and neither setpriv nor runuser is there to switch to `postgres`";
    if (why)
        *why = reason;
    return reason.isEmpty();
}

TPostgresServer::~TPostgresServer()
{
    Stop();
}

bool TPostgresServer::Start(QString* error)
{
    assert(!Dir_);
    Error_.clear();
    const bool started = Installed(&Error_) && MakeFolder() &&
                         ServerCommand("initdb",
                                       {"-D", DataDir(), "-A", "trust", "-U", "postgres", "-E", "UTF8",
                                        "--locale=C", "--no-sync"},
                                       &Error_) &&
                         ReadBaseSettings() && StartOnFreePort();
    if (!started && error)
        *error = "PostgreSQL test server: " + Error_;
    return started;
}

void TPostgresServer::Stop()
{
    if (!Running_)
        return;
    QString why;
    if (!ServerCommand("pg_ctl", {"-D", DataDir(), "-m", "fast", "-w", "-t", PgCtlSeconds, "stop"}, &why))
        ServerCommand("pg_ctl", {"-D", DataDir(), "-m", "immediate", "-w", "-t", PgCtlSeconds, "stop"}, &why);
    Running_ = false;
}

bool TPostgresServer::Restart()
{
    assert(Dir_ && Port_ != 0);
    Stop();
    Error_.clear();
    return StartServer();
}

bool TPostgresServer::Sql(const QString& sql, QString* output, const QString& database)
{
    assert(Dir_);
    const TRun run = Run("psql",
                         {BinDir_ + "/psql", "-v", "ON_ERROR_STOP=1", "-X", "-q", "-w", "-A", "-t", "-h",
                          Host(), "-p", QString::number(Port_), "-U", "postgres", "-d", database, "-f", "-"},
                         Dir_->path(), sql.toUtf8());
    Error_ = run.Error;
    if (output)
    {
        *output = QString::fromUtf8(run.Out);
        if (output->endsWith('\n'))
            output->chop(1);
    }
    return run.Ok;
}

bool TPostgresServer::CreateDatabase(const QString& name)
{
    return Sql("CREATE DATABASE " + QuoteIdentifier(name) + ";");
}

// A test program that crashed or was killed leaves its server running (pg_ctl detaches it) and
// its folder behind. Each folder names the test program that made it; the servers of programs
// that are gone are stopped and their folders removed before a new one is made.
void TPostgresServer::StopLeftovers()
{
    const QDir tmp(QStringLiteral("/tmp"));
    for (const QString& name : tmp.entryList({QStringLiteral("fs-pg-*")}, QDir::Dirs | QDir::NoDotAndDotDot))
    {
        const QString folder = tmp.filePath(name);
        QFile owner(folder + "/owner");
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        const pid_t pid = static_cast<pid_t>(owner.readAll().trimmed().toLongLong());
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        QString why;
        if (QFile::exists(folder + "/data/postmaster.pid"))
            ServerCommand("pg_ctl",
                          {"-D", folder + "/data", "-m", "immediate", "-w", "-t", PgCtlSeconds, "stop"}, &why,
                          folder);
        QDir(folder).removeRecursively();
    }
}

// Under /tmp, not $TMPDIR: the socket path must stay short, and the postgres user must reach it.
bool TPostgresServer::MakeFolder()
{
    BinDir_ = FindBinDir();
    AsPostgresUser_ = ::geteuid() == 0;
    StopLeftovers();
    Dir_ = std::make_unique<QTemporaryDir>("/tmp/fs-pg-XXXXXX");
    if (!Dir_->isValid())
    {
        Error_ = "could not make a temporary folder under /tmp: " + Dir_->errorString();
        return false;
    }
    QFile owner(Dir_->path() + "/owner");
    if (!owner.open(QIODevice::WriteOnly) || owner.write(QByteArray::number(::getpid())) <= 0)
    {
        Error_ = "could not write " + owner.fileName() + ": " + owner.errorString();
        return false;
    }
    owner.close();
    const passwd* pw = AsPostgresUser_ ? ::getpwnam("postgres") : nullptr;
    if (AsPostgresUser_ &&
        (!pw || ::chown(QFile::encodeName(Dir_->path()).constData(), pw->pw_uid, pw->pw_gid) != 0))
    {
        Error_ = "could not hand " + Dir_->path() + " to the postgres user: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool TPostgresServer::ReadBaseSettings()
{
    QFile conf(DataDir() + "/postgresql.conf");
    if (!conf.open(QIODevice::ReadOnly))
    {
        Error_ = "could not read " + conf.fileName() + ": " + conf.errorString();
        return false;
    }
    BaseSettings_ = conf.readAll();
    return true;
}

// Another program can take the port between our probe and the server's bind: try a new one.
bool TPostgresServer::StartOnFreePort()
{
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        Port_ = FreePort();
        if (Port_ == 0)
        {
            Error_ = "no free TCP port on 127.0.0.1";
            return false;
        }
        if (StartServer())
            return true;
        if (!Error_.contains("Address already in use"))
            return false;
    }
    return false;
}

bool TPostgresServer::StartServer()
{
    QString why;
    if (!WriteSettings())
        return false;
    Running_ = ServerCommand(
        "pg_ctl", {"-D", DataDir(), "-l", Dir_->path() + "/server.log", "-w", "-t", PgCtlSeconds, "start"},
        &why);
    if (!Running_)
    {
        Error_ = why + "\nserver log:\n" + LogTail();
        // A server that came up after pg_ctl gave up must not outlive the test.
        ServerCommand("pg_ctl", {"-D", DataDir(), "-m", "immediate", "-w", "-t", PgCtlSeconds, "stop"}, &why);
    }
    return Running_;
}

// Rewritten whole on each start, so a new port replaces the old one rather than piling up.
bool TPostgresServer::WriteSettings()
{
    const QString settings = QString("\n# Test server: loopback only, its socket in its own folder, and no\n"
                                     "# waiting for the disk, as the data is thrown away.\n"
                                     "listen_addresses = '127.0.0.1'\n"
                                     "port = %1\n"
                                     "unix_socket_directories = '%2'\n"
                                     "max_connections = 50\n"
                                     "shared_buffers = 16MB\n"
                                     "fsync = off\n"
                                     "synchronous_commit = off\n"
                                     "full_page_writes = off\n")
                                 .arg(Port_)
                                 .arg(Dir_->path());
    QFile conf(DataDir() + "/postgresql.conf");
    const QByteArray bytes = BaseSettings_ + settings.toUtf8();
    if (conf.open(QIODevice::WriteOnly | QIODevice::Truncate) && conf.write(bytes) == bytes.size())
        return true;
    Error_ = "could not write " + conf.fileName() + ": " + conf.errorString();
    return false;
}

bool TPostgresServer::ServerCommand(const QString& tool, const QStringList& args, QString* error,
                                    const QString& folder)
{
    const QStringList command =
        (AsPostgresUser_ ? AsPostgresUser() : QStringList()) + QStringList(BinDir_ + "/" + tool) + args;
    const TRun run = Run(tool, command, folder.isEmpty() ? Dir_->path() : folder);
    if (!run.Ok)
        *error = run.Error;
    return run.Ok;
}

QString TPostgresServer::LogTail() const
{
    QFile log(Dir_->path() + "/server.log");
    if (!log.open(QIODevice::ReadOnly))
        return "(no log: " + log.errorString() + ")";
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    return lines.mid(std::max<qsizetype>(0, lines.size() - 15)).join('\n');
}
