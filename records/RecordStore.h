#pragma once
// The record store: every inspection in a database, through Qt SQL. SQLite on the station (its
// own disk, WAL, synchronous FULL), PostgreSQL for a plant; one schema for both, created and
// migrated by the program (schema_version), so a station and the server hold the same columns.
//
// An inspection is one row of inspections (a UUID made by the station, the time with its
// offset, the station, the operator's login name and every column of the inspection log), its
// findings as rows of findings, a multi-fibre connector's fibres as rows of fibres, and the
// report picture (PNG) when the station keeps one. It goes
// in one transaction, and by its UUID at most once: adding it again changes nothing, so sending
// can be retried without care. The local store of a station that sends to a plant server also
// queues the UUID in its outbox in the same transaction; the UUID leaves the outbox only after
// the server has committed the inspection.
//
// Least privilege: after the schema exists, everything here needs only SELECT and INSERT on the
// inspection tables (and DELETE on the outbox, which only the local store has). Every statement
// is prepared with bound values.
//
// A store is used from the thread that opened it (Qt SQL's rule for connections).

#include "records/InspectionRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class TFiberAnalyzer;

// The store could not be opened, read or written: the message says which and why.
class TRecordStoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Where a plant's server is. No password: libpq reads it from ~/.pgpass (or the service file
// named by Service), as PostgreSQL users expect.
struct TPlantDatabase
{
    QString Host;
    int Port = 5432;
    QString Database;
    QString User;
    QString SslMode = QStringLiteral("prefer"); // disable, allow, prefer, require, verify-ca, verify-full
    QString Service;                            // a pg_service.conf entry in place of the above
    int ConnectTimeoutSeconds = 5;

    bool Configured() const { return !Host.isEmpty() || !Service.isEmpty(); }
    // "db.plant.example:5432/records", or "service plant", for messages; never a password.
    QString Describe() const;
};

// The station's own store: $XDG_DATA_HOME/fiberscope/records.sqlite (by default under
// ~/.local/share), on the station's disk.
QString LocalRecordStorePath();

// The plant database and the store's options as the user's preferences keep them (group
// "PlantDatabase": Host, Port, Database, User, SslMode, Service; "Records/KeepReportPictures",
// on unless turned off; "Records/StationName", the host name unless set). The window writes them,
// fiberscope-records reads the same file.
class QSettings;
TPlantDatabase ReadPlantDatabase(const QSettings& settings);
void WritePlantDatabase(QSettings& settings, const TPlantDatabase& server);
bool KeepReportPictures(const QSettings& settings);
QString StationName(const QSettings& settings);
// The user's preferences file, as the window opens it.
QString PreferencesFileName();

// One finding as the engine listed it (its zone list, box and size in its own units) or as the
// true-size measurement found it (no zone list or box; centre and sizes in micrometres).
struct TStoredFinding
{
    QString Zone;                      // "core", "cladding", "contact"; empty for a measured finding
    QString Kind;                      // "defect", "scratch"
    float Width = 0.0f, Height = 0.0f; // the box, pixels; 0 for a measured finding
    float Area = 0.0f;
    float Size = 0.0f; // the engine's size; 0 for a measured finding
    float SizeUm = 0.0f, LengthUm = 0.0f;
    float CentreX = 0.0f, CentreY = 0.0f;
};

struct TStoredInspection
{
    QUuid Id;
    QString Station; // the station's name; the host name unless set
    QString HostName;
    QString Operator; // the login name
    TInspectionRecord Record;
    std::vector<TStoredFinding> Findings;
    QByteArray ReportPng; // empty when the station keeps no pictures

    // A new inspection of this station, with a fresh UUID, the login name and the host name.
    static TStoredInspection Made(const TInspectionRecord& record, const QString& station = QString());
    // The findings: the engine's zone lists of the analyzer, then the record's measured ones.
    void TakeFindings(const TFiberAnalyzer& analyzer);
};

// What a browser or an export asks for. Empty fields do not filter.
struct TRecordFilter
{
    QString SerialPrefix;
    QDateTime From, To; // inclusive, exclusive
    QString Verdict;    // "Pass", "Fail", "No fiber", "Not in view"
    QString Station;
    QString Profile;
};

// One line of a results list: enough to show and to fetch the rest.
struct TRecordSummary
{
    QUuid Id;
    QDateTime Time;
    qint64 TimeMs = 0;
    QString Station, Serial, Verdict, Profile, Mode, Source;
};

// Where a page ends; the next page starts after it (newest first).
struct TRecordCursor
{
    qint64 TimeMs = 0;
    QString Id;
};

struct TPassRate
{
    QString Key; // the day (yyyy-MM-dd, UTC) or the station
    qint64 Inspections = 0;
    qint64 Passed = 0;
};

class TRecordStore
{
public:
    // 2: multi-fibre connectors (their layout, and a row per fibre in fibres).
    static constexpr int SchemaVersion = 2;

    // The station's own store, created with its folder when missing.
    static std::unique_ptr<TRecordStore> OpenLocal(const QString& file);
    // A plant's server; the schema is created or migrated when the user may, else it must be
    // current already.
    static std::unique_ptr<TRecordStore> OpenServer(const TPlantDatabase& server);
    ~TRecordStore();
    TRecordStore(const TRecordStore&) = delete;
    TRecordStore& operator=(const TRecordStore&) = delete;

    bool IsServer() const { return Server_; }

    // Adds the inspection in one transaction; false when its UUID is there already (nothing is
    // changed). queue: also put it in the outbox, in the same transaction.
    bool Add(const TStoredInspection& inspection, bool queue = false);
    std::optional<TStoredInspection> Get(const QUuid& id);
    // Newest first, at most limit, after the cursor.
    std::vector<TRecordSummary> Page(const TRecordFilter& filter, int limit,
                                     const std::optional<TRecordCursor>& after = std::nullopt);
    qint64 Count(const TRecordFilter& filter);
    std::vector<TPassRate> PassRates(const TRecordFilter& filter, bool perStation);

    // The outbox, oldest first.
    std::vector<QUuid> Waiting(int limit);
    qint64 WaitingCount();
    void Sent(const QUuid& id);

private:
    TRecordStore(const QString& connection, bool server);
    void Migrate();
    // A connector's fibres as the log's fibres cell; empty for a single fibre.
    QString FibresOf(const QString& key);
    QString Connection_;
    bool Server_ = false;
};

// Sends what the local store's outbox holds to the server, oldest first, each in its own
// transaction there; an inspection leaves the outbox once the server holds it (added now, or
// found there from an earlier try). Returns how many left the outbox; throws TRecordStoreError
// when the server fails, with what went before kept.
int SendWaiting(TRecordStore& local, TRecordStore& server, int limit = 500);
