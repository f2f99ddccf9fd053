#pragma once
// A throwaway PostgreSQL server for tests: its own cluster in a temporary folder under /tmp, trust
// authentication, listening on 127.0.0.1 at a free port and on a socket in that folder. The tests
// reach it through Qt SQL as the station does, and can cut it mid-run with Stop or Restart.
// Run as root (as on CI), the server commands run as the `postgres` system user, because the
// server refuses to run as root.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class TPostgresServer
{
public:
    TPostgresServer() = default;
    ~TPostgresServer();
    TPostgresServer(const TPostgresServer&) = delete;
    TPostgresServer& operator=(const TPostgresServer&) = delete;

    // Whether this machine can run a server at all (binaries, and the `postgres` user for root),
    // so a test can skip where it cannot and fail where it can but Start did not.
    static bool Installed(QString* why = nullptr);

    // Makes the cluster and starts the server; false with the reason when anything fails.
    bool Start(QString* error);
    // Fast shutdown: open connections are cut. Waits until the server has gone.
    void Stop();
    // Stops and starts again on the same port and data.
    bool Restart();
    bool Running() const { return Running_; }

    int Port() const { return Port_; }
    QString Host() const { return QStringLiteral("127.0.0.1"); }
    // The temporary folder: the cluster, the socket and the server's log.
    QString Folder() const { return Dir_ ? Dir_->path() : QString(); }
    // Why the last Start, Restart, Sql or CreateDatabase failed.
    QString LastError() const { return Error_; }

    // Runs a script as the superuser through psql, stopping at the first error. Output gets the
    // rows unaligned, one a line, without the last line's newline, so `SELECT 1` gives "1".
    bool Sql(const QString& sql, QString* output = nullptr,
             const QString& database = QStringLiteral("postgres"));
    bool CreateDatabase(const QString& name);

private:
    bool MakeFolder();
    void StopLeftovers();
    bool ReadBaseSettings();
    bool StartOnFreePort();
    bool StartServer();
    bool WriteSettings();
    // Runs in folder, or in the server's own folder when empty.
    bool ServerCommand(const QString& tool, const QStringList& args, QString* error,
                       const QString& folder = QString());
    QString DataDir() const { return Dir_->path() + QStringLiteral("/data"); }
    QString LogTail() const;

    QString BinDir_;
    bool AsPostgresUser_ = false;
    std::unique_ptr<QTemporaryDir> Dir_;
    QByteArray BaseSettings_; // postgresql.conf as initdb wrote it
    int Port_ = 0;
    bool Running_ = false;
    QString Error_;
};
