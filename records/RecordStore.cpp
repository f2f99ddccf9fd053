// The record store over Qt SQL (see RecordStore.h). The inspections table holds the columns of
// the inspection log by their names, typed (whole numbers, reals, text), so the log, the store
// and an imported log read the same way; the log's "time" is stored as inspected_at (its text,
// with the offset) and inspected_ms (UTC milliseconds, for ordering and ranges).
//
// The two databases differ in a few words only: the type of reals and pictures, the index that
// makes a serial prefix search use its index, and the day of a time. Everything else is the same
// statement text.

#include "records/RecordStore.h"

#include "analysis/TFiberAnalyzer.h"
#include "platform/UserDataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QTimeZone>
#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdlib>

namespace
{
QString NewConnectionName()
{
    static std::atomic<int> next{0};
    return QStringLiteral("fiberscope-records-%1").arg(next.fetch_add(1));
}

QSqlDatabase Db(const QString& connection)
{
    return QSqlDatabase::database(connection, false);
}

[[noreturn]] void Fail(const QString& what, const QSqlError& error)
{
    const QString detail = error.text().trimmed();
    throw TRecordStoreError(
        (what + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail)).toStdString());
}

QSqlQuery Prepared(const QString& connection, const QString& sql)
{
    QSqlQuery q(Db(connection));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        Fail(QStringLiteral("The record store could not prepare a statement"), q.lastError());
    return q;
}

void Exec(QSqlQuery& q, const char* what)
{
    if (!q.exec())
        Fail(QString::fromUtf8(what), q.lastError());
}

void ExecText(const QString& connection, const QString& sql, const char* what)
{
    QSqlQuery q(Db(connection));
    if (!q.exec(sql))
        Fail(QString::fromUtf8(what), q.lastError());
}

// A writing transaction. SQLite's plain BEGIN takes the write lock only at the first write, and a
// connection that then finds another writer gets "database is locked" at once, whatever the busy
// timeout (waiting could deadlock); BEGIN IMMEDIATE takes it first, so writers simply queue.
void Begin(const QString& connection, bool server)
{
    QSqlDatabase db = Db(connection);
    if (server)
    {
        if (!db.transaction())
            Fail(QStringLiteral("The record store cannot begin a transaction"), db.lastError());
        return;
    }
    ExecText(connection, QStringLiteral("BEGIN IMMEDIATE"), "The record store cannot begin a transaction");
}

void Commit(const QString& connection, bool server, const char* what)
{
    QSqlDatabase db = Db(connection);
    if (server)
    {
        if (!db.commit())
            Fail(QString::fromUtf8(what), db.lastError());
        return;
    }
    ExecText(connection, QStringLiteral("COMMIT"), what);
}

void Rollback(const QString& connection, bool server)
{
    QSqlDatabase db = Db(connection);
    if (server)
        db.rollback();
    else
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
}

// A log column's type in the store.
enum class TColumnType
{
    Integer,
    Real,
    Text,
};

TColumnType TypeOf(const QString& column)
{
    if (column.startsWith(QLatin1String("limit_")) || column.startsWith(QLatin1String("count_")) ||
        column == QLatin1String("frames") || column.endsWith(QLatin1String("_threshold")))
        return TColumnType::Integer;
    if (column == QLatin1String("rejudged") || column == QLatin1String("time") ||
        !TInspectionRecord::IsNumericColumn(column))
        return TColumnType::Text;
    return TColumnType::Real;
}

// The log's columns as stored, in the log's order: "time" is inspected_at, and a connector's
// fibres (the log's last column) are rows of fibres instead. Schema 1 has the columns up to
// no_verdict_reason; schema 2 adds ferrule.
QStringList StoredColumns(int schema = TRecordStore::SchemaVersion)
{
    const QStringList header = TInspectionRecord::CsvHeader();
    assert(header.back() == QLatin1String("fibres"));
    const QLatin1String last(schema < 2 ? "no_verdict_reason" : "ferrule");
    QStringList columns = header.mid(0, header.indexOf(last) + 1);
    columns.replace(columns.indexOf(QLatin1String("time")), QStringLiteral("inspected_at"));
    return columns;
}

QVariant Value(const QString& text, TColumnType type)
{
    switch (type)
    {
    case TColumnType::Integer:
        return text.isEmpty() ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(text.toLongLong());
    case TColumnType::Real:
        return text.isEmpty() ? QVariant(QMetaType::fromType<double>()) : QVariant(text.toDouble());
    case TColumnType::Text:
        break;
    }
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QString Text(const QVariant& v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 17);
    return v.toString();
}

// The schema, in the words of the database at hand.
QStringList SchemaV1(bool server)
{
    const QString real = server ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    const QString blob = server ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    QStringList columns;
    for (const QString& c : StoredColumns(1))
    {
        const TColumnType type = TypeOf(c == QLatin1String("inspected_at") ? QStringLiteral("time") : c);
        columns << c + QLatin1Char(' ') +
                       (type == TColumnType::Integer ? QStringLiteral("BIGINT")
                        : type == TColumnType::Real  ? real
                                                     : QStringLiteral("TEXT"));
    }
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS stations (station TEXT PRIMARY KEY, host_name TEXT NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS inspections (id TEXT PRIMARY KEY, inspected_ms BIGINT NOT NULL, "
            "station TEXT NOT NULL REFERENCES stations (station), operator TEXT, ") +
            columns.join(QStringLiteral(", ")) + QLatin1Char(')'),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS findings (inspection_id TEXT NOT NULL REFERENCES inspections (id), "
            "seq INTEGER NOT NULL, zone TEXT, kind TEXT NOT NULL, width %1, height %1, area %1, size %1, "
            "size_um %1, length_um %1, centre_x %1, centre_y %1, PRIMARY KEY (inspection_id, seq))")
            .arg(real),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS report_pictures (inspection_id TEXT PRIMARY KEY REFERENCES "
            "inspections (id), png %1 NOT NULL)")
            .arg(blob),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS outbox (inspection_id TEXT PRIMARY KEY REFERENCES inspections (id), "
            "queued_ms BIGINT NOT NULL)"),
        // A serial prefix (LIKE 'AB12%') uses this index: in PostgreSQL by the pattern operators,
        // in SQLite with case-sensitive LIKE, set when the store opens.
        server ? QStringLiteral(
                     "CREATE INDEX IF NOT EXISTS inspections_serial ON inspections (serial text_pattern_ops)")
               : QStringLiteral("CREATE INDEX IF NOT EXISTS inspections_serial ON inspections (serial)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS inspections_time ON inspections (inspected_ms, id)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS inspections_station ON inspections (station, inspected_ms)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS inspections_verdict ON inspections (verdict, inspected_ms)"),
    };
}

// Schema 2: multi-fibre connectors. The record keeps its layout; each fibre is a row of its own,
// its zones and findings as the log writes them (TFibreRecord::ZonesCell, FindingsCell).
QStringList SchemaV2(bool server)
{
    const QString real = server ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    return {
        QStringLiteral("ALTER TABLE inspections ADD COLUMN ferrule TEXT"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS fibres (inspection_id TEXT NOT NULL REFERENCES inspections "
            "(id), number INTEGER NOT NULL, verdict TEXT NOT NULL, times INTEGER NOT NULL, "
            "centre_x %1, centre_y %1, radius %1, um_per_pixel %1, zones TEXT NOT NULL, "
            "findings TEXT NOT NULL, PRIMARY KEY (inspection_id, number))")
            .arg(real),
    };
}

// A LIKE pattern that matches the text as a prefix, its own % _ and \ taken literally.
QString PrefixPattern(const QString& prefix)
{
    QString p = prefix;
    p.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return p + QLatin1Char('%');
}

// The WHERE clause of a filter and its values, in order.
QString Where(const TRecordFilter& f, QVariantList& values)
{
    QStringList parts;
    if (!f.SerialPrefix.isEmpty())
    {
        parts << QStringLiteral("serial LIKE ? ESCAPE '\\'");
        values << PrefixPattern(f.SerialPrefix);
    }
    if (f.From.isValid())
    {
        parts << QStringLiteral("inspected_ms >= ?");
        values << f.From.toMSecsSinceEpoch();
    }
    if (f.To.isValid())
    {
        parts << QStringLiteral("inspected_ms < ?");
        values << f.To.toMSecsSinceEpoch();
    }
    const std::pair<const char*, const QString*> exact[] = {
        {"verdict", &f.Verdict}, {"station", &f.Station}, {"profile", &f.Profile}};
    for (const auto& [column, value] : exact)
        if (!value->isEmpty())
        {
            parts << QLatin1String(column) + QStringLiteral(" = ?");
            values << *value;
        }
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

void BindAll(QSqlQuery& q, const QVariantList& values)
{
    for (const QVariant& v : values)
        q.addBindValue(v);
}
} // namespace

QString LocalRecordStorePath()
{
    return QDir(UserDataFolder()).filePath(QStringLiteral("records.sqlite"));
}

QString PreferencesFileName()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("fiberscope"),
                     QStringLiteral("fiberscope"))
        .fileName();
}

TPlantDatabase ReadPlantDatabase(const QSettings& s)
{
    TPlantDatabase p;
    p.Host = s.value(QStringLiteral("PlantDatabase/Host")).toString();
    p.Port = s.value(QStringLiteral("PlantDatabase/Port"), 5432).toInt();
    p.Database = s.value(QStringLiteral("PlantDatabase/Database")).toString();
    p.User = s.value(QStringLiteral("PlantDatabase/User")).toString();
    p.SslMode = s.value(QStringLiteral("PlantDatabase/SslMode"), QStringLiteral("prefer")).toString();
    p.Service = s.value(QStringLiteral("PlantDatabase/Service")).toString();
    if (p.Port <= 0 || p.Port > 65535)
        p.Port = 5432;
    return p;
}

void WritePlantDatabase(QSettings& s, const TPlantDatabase& p)
{
    s.setValue(QStringLiteral("PlantDatabase/Host"), p.Host);
    s.setValue(QStringLiteral("PlantDatabase/Port"), p.Port);
    s.setValue(QStringLiteral("PlantDatabase/Database"), p.Database);
    s.setValue(QStringLiteral("PlantDatabase/User"), p.User);
    s.setValue(QStringLiteral("PlantDatabase/SslMode"), p.SslMode);
    s.setValue(QStringLiteral("PlantDatabase/Service"), p.Service);
}

bool KeepReportPictures(const QSettings& s)
{
    return s.value(QStringLiteral("Records/KeepReportPictures"), true).toBool();
}

QString StationName(const QSettings& s)
{
    const QString name = s.value(QStringLiteral("Records/StationName")).toString().trimmed();
    return name.isEmpty() ? QSysInfo::machineHostName() : name;
}

QString TPlantDatabase::Describe() const
{
    if (!Service.isEmpty())
        return QStringLiteral("service ") + Service;
    return Host + QLatin1Char(':') + QString::number(Port) + QLatin1Char('/') + Database;
}

TStoredInspection TStoredInspection::Made(const TInspectionRecord& record, const QString& station)
{
    TStoredInspection s;
    s.Id = QUuid::createUuid();
    s.HostName = QSysInfo::machineHostName();
    s.Station = station.isEmpty() ? s.HostName : station;
    const char* user = std::getenv("USER");
    s.Operator = user ? QString::fromLocal8Bit(user) : QString();
    s.Record = record;
    return s;
}

void TStoredInspection::TakeFindings(const TFiberAnalyzer& a)
{
    Findings.clear();
    const char* const zones[3] = {"core", "cladding", "contact"};
    for (int list = 0; list < 3; ++list)
        for (int i = 0; i < std::clamp(a.FindingCount[list], 0, TFiberAnalyzer::ListCapacity); ++i)
        {
            const Finding& f = a.Findings[list][i];
            const bool scratch = f.Kind == 0;
            Findings.push_back(
                {QLatin1String(zones[list]), scratch ? QStringLiteral("scratch") : QStringLiteral("defect"),
                 f.Width, f.Height, f.Area, scratch ? f.ScratchSize : f.DefectSize, 0.0f, 0.0f, 0.0f, 0.0f});
        }
    for (const TMeasuredFinding& m : Record.Findings)
        Findings.push_back(
            {QString(),
             m.Kind == FindingClass::Scratch ? QStringLiteral("scratch") : QStringLiteral("defect"), 0.0f,
             0.0f, static_cast<float>(m.Area), 0.0f, m.SizeUm, m.LengthUm, m.CentreX, m.CentreY});
}

TRecordStore::TRecordStore(const QString& connection, bool server) : Connection_(connection), Server_(server)
{
}

TRecordStore::~TRecordStore()
{
    {
        QSqlDatabase db = Db(Connection_);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(Connection_);
}

std::unique_ptr<TRecordStore> TRecordStore::OpenLocal(const QString& file)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        throw TRecordStoreError(QStringLiteral("The record store's folder %1 cannot be made")
                                    .arg(QFileInfo(file).absolutePath())
                                    .toStdString());
    const QString name = NewConnectionName();
    std::unique_ptr<TRecordStore> store(new TRecordStore(name, false));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (!db.isValid())
            throw TRecordStoreError("The SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)");
        db.setDatabaseName(file);
        // Another program reading the store holds it briefly; wait rather than fail.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            Fail(QStringLiteral("The record store %1 cannot be opened").arg(file), db.lastError());
    }
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON",
                               "PRAGMA case_sensitive_like=ON"})
        ExecText(name, QLatin1String(pragma), "The record store cannot be set up");
    store->Migrate();
    return store;
}

std::unique_ptr<TRecordStore> TRecordStore::OpenServer(const TPlantDatabase& server)
{
    const QString name = NewConnectionName();
    std::unique_ptr<TRecordStore> store(new TRecordStore(name, true));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        if (!db.isValid())
            throw TRecordStoreError("The PostgreSQL driver of Qt SQL is not installed (libqt6sql6-psql)");
        QStringList options{QStringLiteral("connect_timeout=%1").arg(server.ConnectTimeoutSeconds),
                            QStringLiteral("application_name=fiberscope")};
        if (!server.SslMode.isEmpty())
            options << QStringLiteral("sslmode=") + server.SslMode;
        if (!server.Service.isEmpty())
            options << QStringLiteral("service=") + server.Service;
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (!server.Host.isEmpty())
            db.setHostName(server.Host);
        if (server.Port > 0)
            db.setPort(server.Port);
        if (!server.Database.isEmpty())
            db.setDatabaseName(server.Database);
        if (!server.User.isEmpty())
            db.setUserName(server.User);
        if (!db.open())
            Fail(QStringLiteral("The plant database %1 cannot be reached").arg(server.Describe()),
                 db.lastError());
    }
    store->Migrate();
    return store;
}

void TRecordStore::Migrate()
{
    const auto version = [this]() -> int {
        QSqlQuery exists(Db(Connection_));
        const QString probe =
            Server_
                ? QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_name = "
                                 "'schema_version' AND table_schema = current_schema()")
                : QStringLiteral(
                      "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
        if (!exists.exec(probe) || !exists.next())
            Fail(QStringLiteral("The record store's schema cannot be read"), exists.lastError());
        if (exists.value(0).toInt() == 0)
            return 0;
        QSqlQuery q(Db(Connection_));
        if (!q.exec(QStringLiteral("SELECT max(version) FROM schema_version")) || !q.next())
            Fail(QStringLiteral("The record store's schema version cannot be read"), q.lastError());
        return q.value(0).toInt();
    };
    const int found = version();
    if (found > SchemaVersion)
        throw TRecordStoreError(QStringLiteral("The record store was made by a newer version of the program "
                                               "(schema %1; this one knows %2)")
                                    .arg(found)
                                    .arg(SchemaVersion)
                                    .toStdString());
    if (found == SchemaVersion)
        return;
    Begin(Connection_, Server_);
    try
    {
        // Two stations starting at once against a new server: one makes the schema, the other
        // waits for it and then finds it made.
        if (Server_)
            ExecText(Connection_, QStringLiteral("SELECT pg_advisory_xact_lock(61300335)"),
                     "The plant database's schema lock cannot be taken");
        // Each step once, in order, in this one transaction: a store is at one version or the next.
        const int from = version();
        if (from < 1)
        {
            for (const QString& statement : SchemaV1(Server_))
                ExecText(Connection_, statement, "The record store's schema cannot be made");
            ExecText(Connection_, QStringLiteral("INSERT INTO schema_version (version) VALUES (1)"),
                     "The record store's schema version cannot be written");
        }
        if (from < 2)
        {
            for (const QString& statement : SchemaV2(Server_))
                ExecText(Connection_, statement, "The record store's schema cannot be migrated to version 2");
            ExecText(Connection_, QStringLiteral("INSERT INTO schema_version (version) VALUES (2)"),
                     "The record store's schema version cannot be written");
        }
        Commit(Connection_, Server_, "The record store's schema cannot be committed");
    }
    catch (...)
    {
        Rollback(Connection_, Server_);
        throw;
    }
}

bool TRecordStore::Add(const TStoredInspection& s, bool queue)
{
    Begin(Connection_, Server_);
    try
    {
        QSqlQuery station =
            Prepared(Connection_, QStringLiteral("INSERT INTO stations (station, host_name) VALUES "
                                                 "(?, ?) ON CONFLICT (station) DO NOTHING"));
        station.addBindValue(s.Station);
        station.addBindValue(s.HostName);
        Exec(station, "The station cannot be recorded");

        const QStringList columns = StoredColumns();
        QStringList fields = s.Record.CsvFields();
        fields[columns.indexOf(QLatin1String("files"))] = s.Record.FilesCell();
        QString marks;
        for (qsizetype i = 0; i < columns.size() + 4; ++i)
            marks += i ? QStringLiteral(", ?") : QStringLiteral("?");
        QSqlQuery insert =
            Prepared(Connection_, QStringLiteral("INSERT INTO inspections (id, inspected_ms, station, "
                                                 "operator, %1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
                                      .arg(columns.join(QStringLiteral(", ")), marks));
        insert.addBindValue(s.Id.toString(QUuid::WithoutBraces));
        insert.addBindValue(s.Record.Time.toMSecsSinceEpoch());
        insert.addBindValue(s.Station);
        insert.addBindValue(s.Operator);
        const QStringList header = TInspectionRecord::CsvHeader();
        for (qsizetype i = 0; i < columns.size(); ++i)
            insert.addBindValue(Value(fields.value(i), TypeOf(header[i])));
        Exec(insert, "The inspection cannot be recorded");
        if (insert.numRowsAffected() != 1)
        {
            Rollback(Connection_, Server_);
            return false;
        }

        QSqlQuery finding = Prepared(
            Connection_,
            QStringLiteral(
                "INSERT INTO findings (inspection_id, seq, zone, kind, width, height, area, size, "
                "size_um, length_um, centre_x, centre_y) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        int seq = 0;
        for (const TStoredFinding& f : s.Findings)
        {
            finding.addBindValue(s.Id.toString(QUuid::WithoutBraces));
            finding.addBindValue(seq++);
            finding.addBindValue(f.Zone.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                                  : QVariant(f.Zone));
            finding.addBindValue(f.Kind);
            for (float v : {f.Width, f.Height, f.Area, f.Size, f.SizeUm, f.LengthUm, f.CentreX, f.CentreY})
                finding.addBindValue(static_cast<double>(v));
            Exec(finding, "A finding cannot be recorded");
        }
        QSqlQuery fibre = Prepared(
            Connection_,
            QStringLiteral("INSERT INTO fibres (inspection_id, number, verdict, times, centre_x, centre_y, "
                           "radius, um_per_pixel, zones, findings) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const TFibreRecord& f : s.Record.Fibres)
        {
            fibre.addBindValue(s.Id.toString(QUuid::WithoutBraces));
            fibre.addBindValue(f.Number);
            fibre.addBindValue(f.Verdict);
            fibre.addBindValue(f.Times);
            for (float v : {f.CentreX, f.CentreY, f.Radius, f.UmPerPixel})
                fibre.addBindValue(static_cast<double>(v));
            fibre.addBindValue(TFibreRecord::ZonesCell(f.Zones));
            fibre.addBindValue(TFibreRecord::FindingsCell(f.Findings));
            Exec(fibre, "A fibre of the connector cannot be recorded");
        }
        if (!s.ReportPng.isEmpty())
        {
            QSqlQuery picture =
                Prepared(Connection_,
                         QStringLiteral("INSERT INTO report_pictures (inspection_id, png) VALUES (?, ?)"));
            picture.addBindValue(s.Id.toString(QUuid::WithoutBraces));
            picture.addBindValue(s.ReportPng);
            Exec(picture, "The report picture cannot be recorded");
        }
        if (queue)
        {
            QSqlQuery outbox = Prepared(
                Connection_, QStringLiteral("INSERT INTO outbox (inspection_id, queued_ms) VALUES (?, ?)"));
            outbox.addBindValue(s.Id.toString(QUuid::WithoutBraces));
            outbox.addBindValue(QDateTime::currentMSecsSinceEpoch());
            Exec(outbox, "The inspection cannot be queued for the plant database");
        }
        Commit(Connection_, Server_, "The inspection cannot be committed");
        return true;
    }
    catch (...)
    {
        Rollback(Connection_, Server_);
        throw;
    }
}

std::optional<TStoredInspection> TRecordStore::Get(const QUuid& id)
{
    const QString key = id.toString(QUuid::WithoutBraces);
    const QStringList columns = StoredColumns();
    QSqlQuery q = Prepared(
        Connection_,
        QStringLiteral("SELECT i.station, s.host_name, i.operator, i.inspected_ms, %1 FROM inspections i "
                       "JOIN stations s ON s.station = i.station WHERE i.id = ?")
            .arg(QStringLiteral("i.") + columns.join(QStringLiteral(", i."))));
    q.addBindValue(key);
    Exec(q, "The inspection cannot be read");
    if (!q.next())
        return std::nullopt;
    TStoredInspection s;
    s.Id = id;
    s.Station = q.value(0).toString();
    s.HostName = q.value(1).toString();
    s.Operator = q.value(2).toString();
    QStringList fields;
    for (qsizetype i = 0; i < columns.size(); ++i)
        fields << Text(q.value(static_cast<int>(i) + 4));
    const qint64 ms = q.value(3).toLongLong();
    fields << FibresOf(key);
    s.Record = TInspectionRecord::FromFields(TInspectionRecord::CsvHeader(), fields);
    // The text has whole seconds, as the log writes them; the milliseconds are kept beside it.
    if (s.Record.Time.isValid())
        s.Record.Time = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone(s.Record.Time.offsetFromUtc()));

    QSqlQuery f = Prepared(
        Connection_, QStringLiteral("SELECT zone, kind, width, height, area, size, size_um, length_um, "
                                    "centre_x, centre_y FROM findings WHERE inspection_id = ? ORDER BY seq"));
    f.addBindValue(key);
    Exec(f, "The inspection's findings cannot be read");
    while (f.next())
    {
        TStoredFinding x;
        x.Zone = f.value(0).toString();
        x.Kind = f.value(1).toString();
        float* numbers[] = {&x.Width,  &x.Height,   &x.Area,    &x.Size,
                            &x.SizeUm, &x.LengthUm, &x.CentreX, &x.CentreY};
        for (int k = 0; k < 8; ++k)
            *numbers[k] = f.value(k + 2).toFloat();
        s.Findings.push_back(x);
        // The measured ones are the record's true-size findings again.
        if (x.Zone.isEmpty())
        {
            TMeasuredFinding m;
            m.Kind = x.Kind == QLatin1String("scratch") ? FindingClass::Scratch : FindingClass::Defect;
            m.CentreX = x.CentreX;
            m.CentreY = x.CentreY;
            m.Area = static_cast<int>(x.Area);
            m.SizeUm = x.SizeUm;
            m.LengthUm = x.LengthUm;
            s.Record.Findings.push_back(m);
        }
    }
    QSqlQuery p =
        Prepared(Connection_, QStringLiteral("SELECT png FROM report_pictures WHERE inspection_id = ?"));
    p.addBindValue(key);
    Exec(p, "The report picture cannot be read");
    if (p.next())
        s.ReportPng = p.value(0).toByteArray();
    return s;
}

QString TRecordStore::FibresOf(const QString& key)
{
    QSqlQuery q =
        Prepared(Connection_,
                 QStringLiteral("SELECT number, verdict, times, centre_x, centre_y, radius, um_per_pixel, "
                                "zones, findings FROM fibres WHERE inspection_id = ? ORDER BY number"));
    q.addBindValue(key);
    Exec(q, "The connector's fibres cannot be read");
    std::vector<TFibreRecord> fibres;
    while (q.next())
    {
        TFibreRecord f;
        f.Number = q.value(0).toInt();
        f.Verdict = q.value(1).toString();
        f.Times = q.value(2).toInt();
        f.CentreX = q.value(3).toFloat();
        f.CentreY = q.value(4).toFloat();
        f.Radius = q.value(5).toFloat();
        f.UmPerPixel = q.value(6).toFloat();
        QString error;
        // A row that does not read back makes the whole connector's fibres unreadable, as in the log.
        if (!TFibreRecord::ParseZonesCell(q.value(7).toString(), f.Zones, error) ||
            !TFibreRecord::ParseFindingsCell(q.value(8).toString(), f.Findings, error))
            return QStringLiteral("?");
        fibres.push_back(std::move(f));
    }
    return TFibreRecord::FibresCell(fibres);
}

std::vector<TRecordSummary> TRecordStore::Page(const TRecordFilter& filter, int limit,
                                               const std::optional<TRecordCursor>& after)
{
    QVariantList values;
    QString where = Where(filter, values);
    if (after)
    {
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                 QStringLiteral("(inspected_ms < ? OR (inspected_ms = ? AND id < ?))");
        values << after->TimeMs << after->TimeMs << after->Id;
    }
    QSqlQuery q = Prepared(Connection_,
                           QStringLiteral("SELECT id, inspected_ms, inspected_at, station, serial, verdict, "
                                          "profile, mode, source FROM inspections%1 ORDER BY inspected_ms "
                                          "DESC, id DESC LIMIT ?")
                               .arg(where));
    BindAll(q, values);
    q.addBindValue(limit);
    Exec(q, "The inspections cannot be listed");
    std::vector<TRecordSummary> page;
    while (q.next())
    {
        TRecordSummary r;
        r.Id = QUuid::fromString(q.value(0).toString());
        r.TimeMs = q.value(1).toLongLong();
        r.Time = QDateTime::fromString(q.value(2).toString(), Qt::ISODate);
        r.Station = q.value(3).toString();
        r.Serial = q.value(4).toString();
        r.Verdict = q.value(5).toString();
        r.Profile = q.value(6).toString();
        r.Mode = q.value(7).toString();
        r.Source = q.value(8).toString();
        page.push_back(std::move(r));
    }
    return page;
}

qint64 TRecordStore::Count(const TRecordFilter& filter)
{
    QVariantList values;
    QSqlQuery q =
        Prepared(Connection_, QStringLiteral("SELECT count(*) FROM inspections") + Where(filter, values));
    BindAll(q, values);
    Exec(q, "The inspections cannot be counted");
    return q.next() ? q.value(0).toLongLong() : 0;
}

std::vector<TPassRate> TRecordStore::PassRates(const TRecordFilter& filter, bool perStation)
{
    const QString day =
        Server_
            ? QStringLiteral("to_char(to_timestamp(inspected_ms / 1000.0) AT TIME ZONE 'UTC', 'YYYY-MM-DD')")
            : QStringLiteral("strftime('%Y-%m-%d', inspected_ms / 1000, 'unixepoch')");
    const QString key = perStation ? QStringLiteral("station") : day;
    QVariantList values;
    QSqlQuery q = Prepared(Connection_,
                           QStringLiteral("SELECT %1, count(*), sum(CASE WHEN verdict = 'Pass' THEN 1 ELSE "
                                          "0 END) FROM inspections%2 GROUP BY 1 ORDER BY 1")
                               .arg(key, Where(filter, values)));
    BindAll(q, values);
    Exec(q, "The pass rates cannot be counted");
    std::vector<TPassRate> rates;
    while (q.next())
        rates.push_back({q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toLongLong()});
    return rates;
}

std::vector<QUuid> TRecordStore::Waiting(int limit)
{
    QSqlQuery q = Prepared(
        Connection_,
        QStringLiteral("SELECT inspection_id FROM outbox ORDER BY queued_ms, inspection_id LIMIT ?"));
    q.addBindValue(limit);
    Exec(q, "The outbox cannot be read");
    std::vector<QUuid> ids;
    while (q.next())
        ids.push_back(QUuid::fromString(q.value(0).toString()));
    return ids;
}

qint64 TRecordStore::WaitingCount()
{
    QSqlQuery q = Prepared(Connection_, QStringLiteral("SELECT count(*) FROM outbox"));
    Exec(q, "The outbox cannot be counted");
    return q.next() ? q.value(0).toLongLong() : 0;
}

void TRecordStore::Sent(const QUuid& id)
{
    QSqlQuery q = Prepared(Connection_, QStringLiteral("DELETE FROM outbox WHERE inspection_id = ?"));
    q.addBindValue(id.toString(QUuid::WithoutBraces));
    Exec(q, "The outbox cannot be updated");
}

int SendWaiting(TRecordStore& local, TRecordStore& server, int limit)
{
    int sent = 0;
    for (const QUuid& id : local.Waiting(limit))
    {
        // Added now or there from an earlier try cut off before its acknowledgement: either
        // way the server holds it once.
        if (const std::optional<TStoredInspection> inspection = local.Get(id))
            server.Add(*inspection);
        local.Sent(id);
        ++sent;
    }
    return sent;
}
