// The test server must be one the station's own code can use: reached through Qt SQL, keeping text
// exactly, and cut and brought back the way a failing database server would be.

#include "tests/records/PostgresServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace
{
const QString Database = QStringLiteral("station records"); // needs quoting, as a careless CREATE would not

// A Qt SQL connection under a name of its own, removed when it goes out of scope.
class TConnection
{
public:
    explicit TConnection(const TPostgresServer& server) : Name_(QStringLiteral("pg-test-%1").arg(++Made_))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", Name_);
        db.setHostName(server.Host());
        db.setPort(server.Port());
        db.setUserName("postgres");
        db.setDatabaseName(Database);
        db.setConnectOptions("connect_timeout=10");
        Open = db.open();
        Error = db.lastError().text();
    }
    ~TConnection()
    {
        QSqlDatabase::database(Name_, false).close();
        QSqlDatabase::removeDatabase(Name_);
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // The first column of the first row, or an invalid value with the reason in Error.
    QVariant Scalar(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(Name_, false));
        if (q.exec(sql) && q.next())
            return q.value(0);
        Error = q.lastError().text();
        return {};
    }

    QSqlDatabase Db() const { return QSqlDatabase::database(Name_, false); }

    bool Open = false;
    QString Error;

private:
    static inline int Made_ = 0;
    QString Name_;
};
} // namespace

TEST(PostgresServer, ServesQtSqlKeepsTextAndComesBackAfterARestart)
{
    int argc = 1;
    char name[] = "PostgresServerTest";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv); // Qt SQL finds its drivers through the application

    QString folder;
    int port = 0;
    {
        TPostgresServer server;
        QString error;
        if (!server.Start(&error))
        {
            if (!TPostgresServer::Installed())
                GTEST_SKIP() << error.toStdString();
            FAIL() << error.toStdString();
        }
        folder = server.Folder();
        port = server.Port();
        ASSERT_TRUE(server.CreateDatabase(Database)) << server.LastError().toStdString();
        ASSERT_TRUE(server.Sql("CREATE TABLE reading (id int PRIMARY KEY, note text NOT NULL);\n"
                               "INSERT INTO reading VALUES (1, 'first');",
                               nullptr, Database))
            << server.LastError().toStdString();

        // Quote, comma, newline and text outside Latin-1: what a CSV-minded or Latin-1 path mangles.
        const QString note = QString::fromUtf8("O'Brien, zone B\nscratch 3 µm — Ø 125 µm, ü 光纤");
        {
            TConnection before(server);
            ASSERT_TRUE(before.Open) << before.Error.toStdString();
            EXPECT_EQ(before.Scalar("SELECT 1").toInt(), 1) << before.Error.toStdString();
            {
                QSqlQuery insert(before.Db());
                ASSERT_TRUE(insert.prepare("INSERT INTO reading (id, note) VALUES (?, ?)"));
                insert.addBindValue(2);
                insert.addBindValue(note);
                ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
            }
            EXPECT_EQ(before.Scalar("SELECT note FROM reading WHERE id = 2").toString(), note);
            // The server holds the same characters, not bytes that only this client decodes back.
            QString stored;
            ASSERT_TRUE(server.Sql("SELECT char_length(note) FROM reading WHERE id = 2;\n"
                                   "SELECT note FROM reading WHERE id = 2;",
                                   &stored, Database));
            EXPECT_EQ(stored, QString::number(note.size()) + "\n" + note);

            // A script stops at its first error, so a fixture never runs on half its setup.
            EXPECT_FALSE(server.Sql("SELECT * FROM missing; DELETE FROM reading;", nullptr, Database));
            EXPECT_TRUE(server.LastError().contains("missing")) << server.LastError().toStdString();
            EXPECT_EQ(before.Scalar("SELECT count(*) FROM reading").toInt(), 2);

            ASSERT_TRUE(server.Restart()) << server.LastError().toStdString();
            EXPECT_TRUE(server.Running());
            EXPECT_EQ(server.Port(), port);
            EXPECT_FALSE(before.Scalar("SELECT 1").isValid()) << "a connection outlived the server";
        }
        {
            TConnection after(server);
            ASSERT_TRUE(after.Open) << after.Error.toStdString();
            EXPECT_EQ(after.Scalar("SELECT note FROM reading WHERE id = 2").toString(), note);
        }

        server.Stop();
        EXPECT_FALSE(server.Running());
        EXPECT_FALSE(TConnection(server).Open) << "the server still answers after Stop";

        // Left running on purpose: the destructor must stop it too.
        ASSERT_TRUE(server.Restart()) << server.LastError().toStdString();
        EXPECT_TRUE(TConnection(server).Open);
    }
    EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
    QTcpSocket probe;
    probe.connectToHost("127.0.0.1", static_cast<quint16>(port));
    EXPECT_FALSE(probe.waitForConnected(5000)) << "the server outlived its owner";
}

// A test program killed with its server running leaves the server behind: the next server a test
// starts stops it and removes its folder.
TEST(PostgresServer, TheServerOfAProgramThatIsGoneIsStoppedByTheNext)
{
    char name[] = "postgres_server_tests";
    char* argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    TPostgresServer orphan;
    QString error;
    if (!orphan.Start(&error))
        GTEST_SKIP() << error.toStdString();
    // As if its program had been killed: the owner named in its folder is a process that ended.
    QProcess gone;
    gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    ASSERT_TRUE(gone.waitForFinished(10000));
    const QByteArray deadPid = gone.readAllStandardOutput().trimmed();
    ASSERT_FALSE(deadPid.isEmpty());
    QFile owner(orphan.Folder() + "/owner");
    ASSERT_TRUE(owner.open(QIODevice::WriteOnly | QIODevice::Truncate));
    owner.write(deadPid);
    owner.close();
    const QString folder = orphan.Folder();
    const int port = orphan.Port();

    TPostgresServer next;
    ASSERT_TRUE(next.Start(&error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder)) << "the leftover folder is gone";
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    EXPECT_FALSE(probe.waitForConnected(2000)) << "the leftover server still answers";
}
