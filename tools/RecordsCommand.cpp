// fiberscope-records (see RecordsCommand.h). Export pages through the store by its keyset cursor,
// a thousand summaries at a time, and fetches each inspection whole, so memory stays flat
// whatever the store holds. Import reads a whole log as RFC 4180 records and gives each the
// UUID of its bytes, so importing a line again, or another station's copy of it, adds nothing.

#include "tools/RecordsCommand.h"

#include "records/RecordExport.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <QUuid>
#include <charconv>
#include <cmath>
#include <ostream>
#include <set>

const char* const RecordsUsage =
    "Usage: fiberscope-records [--store FILE | --server] COMMAND [OPTIONS]\n"
    "  or:  fiberscope-records export [--format csv|jsonl] [FILTER...]\n"
    "  or:  fiberscope-records import [--station NAME] LOG...\n"
    "  or:  fiberscope-records sync [--host H --port P --database D --user U --sslmode M]\n"
    "  or:  fiberscope-records stats [--per day|station] [FILTER...]\n"
    "  or:  fiberscope-records show ID\n"
    "\n"
    "The record store of the inspection station from the command line: export inspections,\n"
    "import inspection logs, send the inspections waiting for the plant database, and count\n"
    "pass rates. Without --store or --server the store is the station's own,\n"
    "$XDG_DATA_HOME/fiberscope/records.sqlite (by default ~/.local/share/fiberscope/).\n"
    "\n"
    "Commands:\n"
    "  export                    every inspection that matches the filters, newest first, to\n"
    "                            standard output: CSV with the columns of the inspection log\n"
    "                            (inspections.csv, written with the same cells) after id,\n"
    "                            station and operator; or with --format jsonl one JSON object\n"
    "                            per line with id, station, host, operator and every column of\n"
    "                            the log by name (numbers as numbers, files as an array), the\n"
    "                            findings as an array and \"report_picture\": true or false\n"
    "  import LOG...             adds each line of inspection logs (inspections.csv of any\n"
    "                            version of the program) as one inspection, identified by the\n"
    "                            line itself: a line already imported, from this file or any\n"
    "                            copy of it, is not added again. Says per log how many were\n"
    "                            imported, already there and refused, and why (a line cut short\n"
    "                            by a power cut is refused). Into the station's own store they\n"
    "                            also wait to be sent when the preferences name a plant database\n"
    "  sync                      sends the inspections waiting in the station's own store (or\n"
    "                            --store FILE) to the plant database, and says how many went\n"
    "                            and how many still wait\n"
    "  stats                     inspections, passed and pass rate per day (UTC) or station\n"
    "  show ID                   one inspection (its id as export gives it): when, serial,\n"
    "                            station, profile, verdict, rows and findings; for a multi-fibre\n"
    "                            connector a table of its fibres with each one's counts per\n"
    "                            zone, verdict, how often it was judged and its failing rows\n"
    "\n"
    "Store:\n"
    "  --store FILE              another SQLite record store, such as a copy of another\n"
    "                            station's records.sqlite\n"
    "  --server                  the plant database named in the preferences\n"
    "  --host H, --port P, --database D, --user U, --sslmode M\n"
    "                            a PostgreSQL plant database given here; --host (or --service)\n"
    "                            names it without the preferences, the others alone change the\n"
    "                            preferences' one. --sslmode: disable, allow, prefer (default),\n"
    "                            require, verify-ca or verify-full\n"
    "  --service NAME            an entry of the PostgreSQL service file (pg_service.conf)\n"
    "There is no password option: as every PostgreSQL client, the program takes the password\n"
    "from ~/.pgpass (or the file PGPASSFILE names), PGPASSWORD, or the service file\n"
    "(PGSERVICEFILE).\n"
    "\n"
    "Filters (export, stats):\n"
    "  --serial PREFIX           serial numbers that begin with PREFIX\n"
    "  --from TIME               inspected at TIME or later; TIME in ISO 8601, such as\n"
    "                            2026-12-01, 2026-12-01T08:00 or 2026-12-01T08:00:00+01:00\n"
    "                            (without an offset local time; a date alone is its start)\n"
    "  --to TIME                 inspected before TIME\n"
    "  --verdict V               Pass, Fail, \"No fiber\" or \"Not in view\"\n"
    "  --station NAME            inspected at this station (import: the station to record the\n"
    "                            inspections under; by default this station's name)\n"
    "  --profile NAME            judged by this acceptance profile (classic, sm-pc, ...)\n"
    "\n"
    "Other options:\n"
    "  --format csv|jsonl        export's output (default: csv)\n"
    "  --per day|station         stats per day (default) or per station\n"
    "  --help                    this text\n"
    "  --version                 the program's version\n"
    "\n"
    "Exit status: 0 done; 1 sync left inspections waiting (the plant database could not be\n"
    "reached or refused them); 2 wrong arguments, a store that could not be opened, read or\n"
    "written, or a log that could not be read.\n";

namespace
{

// Imported inspections' UUIDs are version 5 in this namespace over the line's bytes: the same
// line names the same inspection on every station and in every run.
constexpr QUuid ImportNamespace(0xf09d8aaf, 0x815c, 0x418e, 0x81, 0x27, 0xd9, 0x37, 0x59, 0x30, 0xfb, 0x23);

// A log is recognised by the columns every version of it began with.
const char* const LogFirstColumns[] = {"time", "serial", "source", "frames", "mode"};

const char* const SslModes[] = {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};
const char* const Verdicts[] = {"Pass", "Fail", "No fiber", "Not in view"};

void Put(std::ostream& out, const QByteArray& bytes)
{
    out.write(bytes.constData(), static_cast<std::streamsize>(bytes.size()));
}

// A name or message as one line of output, escaped as the log escapes a text cell.
QString Escaped(const QString& text)
{
    return TInspectionRecord::EscapedText(text);
}

bool StartsFormula(const QString& text)
{
    return !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text[0]);
}

// The escapes of a log's text cell undone; anything that is no escape stays as it is.
QString Unescaped(const QString& cell)
{
    return TInspectionRecord::UnescapedText(cell);
}

// The log quotes every cell it defused: only there is a leading ' before a formula character
// the writer's, not the text's.
QString TextField(const QString& cell, bool quoted)
{
    if (quoted && cell.startsWith(QLatin1Char('\'')))
    {
        const QString rest = Unescaped(cell.mid(1));
        if (StartsFormula(rest))
            return rest;
    }
    return Unescaped(cell);
}

// The files cell stays escaped (FromFields splits it); the writer defused it by its first path.
QString FilesField(const QString& cell, bool quoted)
{
    if (quoted && cell.startsWith(QLatin1Char('\'')) &&
        StartsFormula(TInspectionRecord::ParseFilesCell(cell.mid(1)).value(0)))
        return cell.mid(1);
    return cell;
}

// One CSV record of a file: its cells as the quotes leave them, and its own bytes.
struct TCsvRecord
{
    QList<QByteArray> Cells;
    QList<bool> Quoted;
    QByteArray Bytes;   // without the line end
    int Line = 0;       // where it begins, from 1
    bool Ended = false; // a line end follows it; a record cut short by a power cut has none
};

// The next RFC 4180 record from pos: a record ends at CR LF outside quotes (or at LF alone, in a
// copy whose line ends were converted). False at the end of the bytes.
bool NextRecord(const QByteArray& bytes, qsizetype& pos, int& line, TCsvRecord& r)
{
    if (pos >= bytes.size())
        return false;
    r = TCsvRecord();
    r.Line = line;
    const qsizetype begin = pos;
    qsizetype end = bytes.size();
    QByteArray cell;
    bool quoted = false, inQuotes = false;
    for (; pos < bytes.size(); ++pos)
    {
        const char c = bytes[pos];
        if (inQuotes)
        {
            if (c == '"' && pos + 1 < bytes.size() && bytes[pos + 1] == '"')
                cell += bytes[++pos];
            else if (c == '"')
                inQuotes = false;
            else
            {
                line += c == '\n';
                cell += c;
            }
        }
        else if (c == '"' && cell.isEmpty() && !quoted)
            quoted = inQuotes = true;
        else if (c == ',')
        {
            r.Cells << cell;
            r.Quoted << quoted;
            cell.clear();
            quoted = false;
        }
        else if (c == '\n' || (c == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n'))
        {
            end = pos;
            pos += c == '\r' ? 2 : 1;
            ++line;
            r.Ended = true;
            break;
        }
        else
            cell += c;
    }
    r.Cells << cell;
    r.Quoted << quoted;
    r.Bytes = bytes.mid(begin, end - begin);
    return true;
}

bool IsLogHeader(const TCsvRecord& head)
{
    int k = 0;
    for (const char* column : LogFirstColumns)
        if (head.Cells.value(k++) != column)
            return false;
    return true;
}

// The measured findings back from their column ("defect 4.12; scratch 2.05 x 61.3"), so an
// imported record keeps them; the log holds their sizes only, not where they lay.
void TakeMeasuredFindings(const QString& text, TStoredInspection& s)
{
    static const QRegularExpression finding(
        QStringLiteral("^(defect|scratch) ([0-9]+(?:\\.[0-9]+)?)(?: x ([0-9]+(?:\\.[0-9]+)?))?$"));
    for (const QString& part : text.split(QStringLiteral("; "), Qt::SkipEmptyParts))
    {
        const QRegularExpressionMatch m = finding.match(part);
        if (!m.hasMatch())
            continue;
        TMeasuredFinding f;
        f.Kind = m.captured(1) == QLatin1String("scratch") ? FindingClass::Scratch : FindingClass::Defect;
        f.SizeUm = m.captured(2).toFloat();
        f.LengthUm = m.captured(3).toFloat();
        s.Record.Findings.push_back(f);
        s.Findings.push_back(
            {QString(), m.captured(1), 0.0f, 0.0f, 0.0f, 0.0f, f.SizeUm, f.LengthUm, 0.0f, 0.0f});
    }
}

struct TImportCounts
{
    int Imported = 0, There = 0, Refused = 0;
    QStringList Why;
};

QString CountsText(const TImportCounts& n)
{
    QString text = QStringLiteral("imported %1, already there %2, refused %3")
                       .arg(n.Imported)
                       .arg(n.There)
                       .arg(n.Refused);
    if (n.Why.isEmpty())
        return text;
    constexpr qsizetype shown = 5;
    QStringList why = n.Why.mid(0, shown);
    if (n.Why.size() > shown)
        why << QStringLiteral("and %1 more").arg(n.Why.size() - shown);
    return text + QStringLiteral(" (") + why.join(QStringLiteral("; ")) + QLatin1Char(')');
}

// Imports one log. False when it is no inspection log or cannot be read (said on err).
bool ImportLog(TRecordStore& store, const QString& path, const QString& station, bool queue,
               std::ostream& out, std::ostream& err)
{
    const QString name = Escaped(path);
    QFile file(path);
    if (QFileInfo(path).isDir())
    {
        Put(err,
            QStringLiteral("fiberscope-records: %1 is a folder, not an inspection log\n").arg(name).toUtf8());
        return false;
    }
    if (!file.open(QIODevice::ReadOnly))
    {
        Put(err, QStringLiteral("fiberscope-records: cannot read %1: %2\n")
                     .arg(name, file.errorString())
                     .toUtf8());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
    {
        Put(err, QStringLiteral("fiberscope-records: cannot read %1: %2\n")
                     .arg(name, file.errorString())
                     .toUtf8());
        return false;
    }
    // A spreadsheet that saved the log may have put a byte order mark first.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    qsizetype pos = 0;
    int line = 1;
    TCsvRecord r;
    if (!NextRecord(bytes, pos, line, r) || !IsLogHeader(r))
    {
        Put(err,
            QStringLiteral("fiberscope-records: %1 is not an inspection log: its first line does not begin "
                           "with time,serial,source,frames,mode\n")
                .arg(name)
                .toUtf8());
        return false;
    }
    QStringList header;
    for (const QByteArray& cell : r.Cells)
        header << QString::fromUtf8(cell);
    // Each of our columns by name in this log's; an earlier version's log lacks some.
    const QStringList ours = TInspectionRecord::CsvHeader();
    std::vector<qsizetype> at;
    for (const QString& column : ours)
        at.push_back(header.indexOf(column));
    const QString hostName = QSysInfo::machineHostName();

    TImportCounts n;
    while (NextRecord(bytes, pos, line, r))
    {
        if (r.Bytes.isEmpty() && r.Ended)
            continue;
        const auto refuse = [&](const QString& why) {
            ++n.Refused;
            n.Why << QStringLiteral("line %1: %2").arg(r.Line).arg(why);
        };
        if (!r.Ended)
        {
            refuse(QStringLiteral("cut short, without a line end"));
            continue;
        }
        if (r.Cells.size() != header.size())
        {
            refuse(
                QStringLiteral("%1 fields where the header has %2").arg(r.Cells.size()).arg(header.size()));
            continue;
        }
        QStringList fields;
        for (qsizetype k = 0; k < ours.size(); ++k)
        {
            const qsizetype i = at[static_cast<std::size_t>(k)];
            const QString cell = i >= 0 ? QString::fromUtf8(r.Cells[i]) : QString();
            const bool quoted = i >= 0 && r.Quoted[i];
            if (ours[k] == QLatin1String("files"))
                fields << FilesField(cell, quoted);
            else if (TInspectionRecord::IsNumericColumn(ours[k]))
                fields << cell;
            else
                fields << TextField(cell, quoted);
        }
        TStoredInspection s;
        s.Record = TInspectionRecord::FromFields(ours, fields);
        if (!s.Record.Time.isValid())
        {
            refuse(QStringLiteral("its time is not an ISO 8601 time"));
            continue;
        }
        TakeMeasuredFindings(fields[ours.indexOf(QLatin1String("findings_um"))], s);
        s.Id = QUuid::createUuidV5(ImportNamespace, r.Bytes);
        s.Station = station;
        s.HostName = hostName;
        // The log does not say who inspected; the login name of whoever imports it would be wrong.
        (store.Add(s, queue) ? n.Imported : n.There)++;
    }
    Put(out, (name + QStringLiteral(": ") + CountsText(n) + QLatin1Char('\n')).toUtf8());
    return true;
}

void Export(TRecordStore& store, const RecordsOptions& o, std::ostream& out)
{
    ExportRecords(store, o.Filter, o.Json, [&out](const QByteArray& line) {
        Put(out, line);
        return static_cast<bool>(out);
    });
}

// One inspection as a person reads it; a connector with a line per fibre.
bool Show(TRecordStore& store, const QUuid& id, std::ostream& out, std::ostream& err)
{
    const std::optional<TStoredInspection> s = store.Get(id);
    if (!s)
    {
        Put(err, QStringLiteral("fiberscope-records: no inspection %1\n")
                     .arg(id.toString(QUuid::WithoutBraces))
                     .toUtf8());
        return false;
    }
    const TInspectionRecord& r = s->Record;
    const auto fact = [&](const char* name, const QString& value) {
        if (!value.isEmpty())
            Put(out,
                (QString::fromLatin1(name).leftJustified(10) + Escaped(value) + QLatin1Char('\n')).toUtf8());
    };
    fact("id", s->Id.toString(QUuid::WithoutBraces));
    fact("time", r.Time.toString(Qt::ISODate));
    fact("serial", r.Serial);
    fact("station", s->Station);
    fact("source", r.Source);
    fact("profile",
         r.ProfileTitle.isEmpty() ? r.Profile : r.Profile + QStringLiteral(" (") + r.ProfileTitle + ')');
    fact("ferrule", r.Ferrule);
    fact("verdict", r.Verdict());
    if (!r.MultiFibre())
    {
        fact("rows", r.ProfileRowsText());
        fact("findings", r.FindingsText());
        return true;
    }
    // Each zone's counts in the order of its rows; the legend names them.
    std::vector<TZoneResult> zones;
    for (const TFibreRecord& f : r.Fibres)
        if (f.Zones.size() > zones.size())
            zones = f.Zones;
    QString head = QStringLiteral("fibre  verdict     judged");
    for (const TZoneResult& z : zones)
        head += QStringLiteral("  zone ") + QString::fromStdString(z.Key).leftJustified(10);
    Put(out, (QLatin1Char('\n') + head + QStringLiteral("  failing\n")).toUtf8());
    for (const TFibreRecord& f : r.Fibres)
    {
        QString line = QString::number(f.Number).leftJustified(7) + f.Verdict.leftJustified(12) +
                       QString::number(f.Times).leftJustified(6);
        QStringList failing;
        for (std::size_t z = 0; z < zones.size(); ++z)
        {
            QStringList counts;
            if (z < f.Zones.size())
                for (const TRuleResult& rule : f.Zones[z].Rows)
                {
                    counts << QString::number(rule.Count);
                    if (!rule.Pass)
                        failing << QString::fromStdString(f.Zones[z].Key + " " + rule.Item) +
                                       QLatin1Char(' ') + QString::number(rule.Count) + '/' +
                                       QString::fromStdString(rule.Criteria);
                }
            line += QStringLiteral("  ") +
                    (counts.isEmpty() ? QStringLiteral("-") : counts.join('/')).leftJustified(15);
        }
        line += QStringLiteral("  ") + failing.join(QStringLiteral(", "));
        Put(out, (Escaped(line.trimmed()) + QLatin1Char('\n')).toUtf8());
    }
    for (const TZoneResult& z : zones)
    {
        QStringList rows;
        for (const TRuleResult& rule : z.Rows)
            rows << QString::fromStdString(rule.Item + " (" + rule.Criteria + ")");
        Put(out, Escaped(QStringLiteral("zone ") + QString::fromStdString(z.Key) + QStringLiteral(": ") +
                         rows.join(QStringLiteral(" / ")))
                         .toUtf8() +
                     '\n');
    }
    return true;
}

void Stats(TRecordStore& store, const RecordsOptions& o, std::ostream& out)
{
    const std::vector<TPassRate> rates = store.PassRates(o.Filter, o.PerStation);
    const QString title = o.PerStation ? QStringLiteral("station") : QStringLiteral("day (UTC)");
    qsizetype width = std::max<qsizetype>(title.size(), 5);
    for (const TPassRate& r : rates)
        width = std::max(width, Escaped(r.Key).size());
    const auto row = [&](const QString& key, const QString& inspections, const QString& passed,
                         const QString& rate) {
        Put(out,
            (key.leftJustified(width) + QStringLiteral("  ") + inspections.rightJustified(11) +
             QStringLiteral("  ") + passed.rightJustified(6) + QStringLiteral("  ") + rate.rightJustified(6))
                    .toUtf8() +
                '\n');
    };
    const auto numbers = [&](const QString& key, qint64 inspections, qint64 passed) {
        row(key, QString::number(inspections), QString::number(passed),
            inspections > 0
                ? QString::number(100.0 * static_cast<double>(passed) / static_cast<double>(inspections), 'f',
                                  1)
                : QStringLiteral("-"));
    };
    row(title, QStringLiteral("inspections"), QStringLiteral("passed"), QStringLiteral("rate %"));
    qint64 inspections = 0, passed = 0;
    for (const TPassRate& r : rates)
    {
        numbers(Escaped(r.Key), r.Inspections, r.Passed);
        inspections += r.Inspections;
        passed += r.Passed;
    }
    numbers(QStringLiteral("total"), inspections, passed);
}

TPlantDatabase PreferredPlant()
{
    return ReadPlantDatabase(QSettings(PreferencesFileName(), QSettings::NativeFormat));
}

// --host or --service names the server whole; the other options alone change the preferences'.
TPlantDatabase PlantFor(const RecordsServerOptions& c)
{
    TPlantDatabase p = c.Host || c.Service ? TPlantDatabase() : PreferredPlant();
    if (c.Host)
        p.Host = *c.Host;
    if (c.Service)
        p.Service = *c.Service;
    if (c.Port)
        p.Port = *c.Port;
    if (c.Database)
        p.Database = *c.Database;
    if (c.User)
        p.User = *c.User;
    if (c.SslMode)
        p.SslMode = *c.SslMode;
    return p;
}

QString NoPlantText()
{
    return QStringLiteral("no plant database: the preferences (%1) name none; give --host or --service")
        .arg(Escaped(PreferencesFileName()));
}

QString OneLine(const char* text)
{
    return Escaped(QString::fromUtf8(text).simplified());
}

// A store's failure as one line that names the store.
void SayStoreFailure(std::ostream& err, const TRecordStoreError& e, const QString& store, const QString& key)
{
    const QString what = OneLine(e.what());
    Put(err, (QStringLiteral("fiberscope-records: ") +
              (what.contains(key) ? what : store + QStringLiteral(": ") + what) + QLatin1Char('\n'))
                 .toUtf8());
}

int Sync(const RecordsOptions& o, std::ostream& out, std::ostream& err)
{
    const QString file = o.StoreFile.isEmpty() ? LocalRecordStorePath() : o.StoreFile;
    const TPlantDatabase plant = PlantFor(o.Connection);
    if (!plant.Configured())
    {
        Put(err, (QStringLiteral("fiberscope-records: ") + NoPlantText() + QLatin1Char('\n')).toUtf8());
        return RecordsError;
    }
    std::unique_ptr<TRecordStore> local;
    qint64 sent = 0, left = 0;
    QString problem;
    try
    {
        if (!QFileInfo::exists(file))
            throw TRecordStoreError(QStringLiteral("There is no record store %1").arg(file).toStdString());
        local = TRecordStore::OpenLocal(file);
        left = local->WaitingCount();
    }
    catch (const TRecordStoreError& e)
    {
        SayStoreFailure(err, e, QStringLiteral("the record store ") + Escaped(file), Escaped(file));
        return RecordsError;
    }
    try
    {
        const std::unique_ptr<TRecordStore> server = TRecordStore::OpenServer(plant);
        for (int n; (n = SendWaiting(*local, *server)) > 0;)
            sent += n;
    }
    catch (const TRecordStoreError& e)
    {
        problem = OneLine(e.what());
    }
    try
    {
        left = local->WaitingCount();
    }
    catch (const TRecordStoreError& e)
    {
        // What went is counted; what is left is at most what waited before.
        left -= sent;
        problem = OneLine(e.what());
    }
    Put(out, QStringLiteral("sent %1 to %2; %3\n")
                 .arg(sent)
                 .arg(Escaped(plant.Describe()), left > 0 ? QStringLiteral("%1 still waiting").arg(left)
                                                          : QStringLiteral("none waiting"))
                 .toUtf8());
    if (!problem.isEmpty())
        Put(err, (QStringLiteral("fiberscope-records: ") + problem + QLatin1Char('\n')).toUtf8());
    return left > 0 ? RecordsLeftWaiting : RecordsDone;
}

int Run(const RecordsOptions& o, std::ostream& out, std::ostream& err)
{
    if (o.Command == "sync")
        return Sync(o, out, err);
    QString store, key; // for messages: the store, and the words its own messages name it by
    try
    {
        std::unique_ptr<TRecordStore> records;
        if (o.Server)
        {
            const TPlantDatabase plant = PlantFor(o.Connection);
            if (!plant.Configured())
            {
                Put(err,
                    (QStringLiteral("fiberscope-records: ") + NoPlantText() + QLatin1Char('\n')).toUtf8());
                return RecordsError;
            }
            key = Escaped(plant.Describe());
            store = QStringLiteral("the plant database ") + key;
            records = TRecordStore::OpenServer(plant);
        }
        else
        {
            const QString file = o.StoreFile.isEmpty() ? LocalRecordStorePath() : o.StoreFile;
            key = Escaped(file);
            store = QStringLiteral("the record store ") + key;
            // Only an import makes a store; reading a mistyped name must not leave an empty one.
            if (o.Command != "import" && !QFileInfo::exists(file))
                throw TRecordStoreError(
                    QStringLiteral("There is no record store %1").arg(file).toStdString());
            records = TRecordStore::OpenLocal(file);
        }
        if (o.Command == "export")
            Export(*records, o, out);
        else if (o.Command == "show")
            return Show(*records, QUuid::fromString(o.Files.front()), out, err) ? RecordsDone : RecordsError;
        else if (o.Command == "stats")
            Stats(*records, o, out);
        else
        {
            const QSettings preferences(PreferencesFileName(), QSettings::NativeFormat);
            const QString station = o.Filter.Station.isEmpty() ? StationName(preferences) : o.Filter.Station;
            // As the window queues what it stores when a plant database is set.
            const bool queue = !o.Server && ReadPlantDatabase(preferences).Configured();
            bool allRead = true;
            for (const QString& file : o.Files)
                allRead = ImportLog(*records, file, station, queue, out, err) && allRead;
            return allRead ? RecordsDone : RecordsError;
        }
        return RecordsDone;
    }
    catch (const TRecordStoreError& e)
    {
        SayStoreFailure(err, e, store, key);
        return RecordsError;
    }
}

std::optional<QDateTime> ParseTime(const QString& text)
{
    if (text.size() == 10)
    {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            return day.startOfDay();
    }
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (time.isValid())
        return time;
    return std::nullopt;
}

bool OneOf(const std::string& value, const auto& names)
{
    for (const char* name : names)
        if (value == name)
            return true;
    return false;
}

// Which commands take an option; the store's options go with every command.
bool Takes(const std::string& command, const std::string& option)
{
    if (option == "--format")
        return command == "export";
    if (option == "--per")
        return command == "stats";
    if (option == "--station")
        return command != "sync" && command != "show";
    if (option == "--serial" || option == "--from" || option == "--to" || option == "--verdict" ||
        option == "--profile")
        return command == "export" || command == "stats";
    return true;
}

// One option's value into the options; an empty text when it is usable.
std::string TakeValue(const std::string& option, const std::string& value, RecordsOptions& o)
{
    const QString v = QString::fromLocal8Bit(value);
    if (option == "--store")
        o.StoreFile = QFile::decodeName(value.c_str());
    else if (option == "--host")
        o.Connection.Host = v;
    else if (option == "--database")
        o.Connection.Database = v;
    else if (option == "--user")
        o.Connection.User = v;
    else if (option == "--service")
        o.Connection.Service = v;
    else if (option == "--port")
    {
        bool ok = false;
        const int port = v.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return "--port takes a port number from 1 to 65535, not '" + value + "'";
        o.Connection.Port = port;
    }
    else if (option == "--sslmode")
    {
        if (!OneOf(value, SslModes))
            return "--sslmode takes disable, allow, prefer, require, verify-ca or verify-full, not '" +
                   value + "'";
        o.Connection.SslMode = v;
    }
    else if (option == "--format")
    {
        if (value != "csv" && value != "jsonl")
            return "--format takes csv or jsonl, not '" + value + "'";
        o.Json = value == "jsonl";
    }
    else if (option == "--per")
    {
        if (value != "day" && value != "station")
            return "--per takes day or station, not '" + value + "'";
        o.PerStation = value == "station";
    }
    else if (option == "--from" || option == "--to")
    {
        const std::optional<QDateTime> time = ParseTime(v);
        if (!time)
            return option + " takes an ISO 8601 date or time such as 2026-12-01 or 2026-12-01T08:00, not '" +
                   value + "'";
        (option == "--from" ? o.Filter.From : o.Filter.To) = *time;
    }
    else if (option == "--verdict")
    {
        // Any case: "pass" on the command line means what the store spells "Pass".
        for (const char* verdict : Verdicts)
            if (v.compare(QLatin1String(verdict), Qt::CaseInsensitive) == 0)
                o.Filter.Verdict = QLatin1String(verdict);
        if (o.Filter.Verdict.isEmpty())
            return "--verdict takes Pass, Fail, \"No fiber\" or \"Not in view\", not '" + value + "'";
    }
    else if (option == "--serial")
        o.Filter.SerialPrefix = v;
    else if (option == "--station")
        o.Filter.Station = v;
    else
        o.Filter.Profile = v;
    return {};
}
} // namespace

std::string ParseRecordsArguments(const std::vector<std::string>& args, RecordsOptions& o)
{
    static const std::set<std::string> valued = {
        "--store",  "--host", "--port", "--database", "--user",    "--sslmode", "--service", "--format",
        "--serial", "--from", "--to",   "--verdict",  "--station", "--profile", "--per"};
    o = RecordsOptions();
    std::vector<std::string> given;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-")
        {
            if (o.Command.empty())
                o.Command = arg;
            else
                o.Files.push_back(QFile::decodeName(arg.c_str()));
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h")
        {
            o.Help = true;
            return {};
        }
        if (arg == "--server")
        {
            o.Server = true;
            continue;
        }
        std::string value;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos)
        {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (!valued.contains(arg))
            return "unknown option " + args[i];
        if (eq == std::string::npos)
        {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            value = args[++i];
        }
        if (value.empty())
            return arg + " needs a value";
        if (std::string problem = TakeValue(arg, value, o); !problem.empty())
            return problem;
        given.push_back(arg);
    }
    if (o.Command.empty())
        return "no command given (export, import, sync, stats or show)";
    if (o.Command != "export" && o.Command != "import" && o.Command != "sync" && o.Command != "stats" &&
        o.Command != "show")
        return "unknown command " + o.Command + " (export, import, sync, stats or show)";
    for (const std::string& option : given)
        if (!Takes(o.Command, option))
            return o.Command + " does not take " + option;
    o.Server = o.Server || o.Connection.Any();
    if (o.Server && !o.StoreFile.isEmpty() && o.Command != "sync")
        return "--store and --server cannot be combined";
    if (o.Command == "import" && o.Files.empty())
        return "import needs the inspection logs to read";
    if (o.Command == "show")
    {
        if (o.Files.size() != 1)
            return "show needs one inspection id";
        if (QUuid::fromString(o.Files.front()).isNull())
            return "show takes an inspection id such as 52ae0cd7-5030-5b9d-b7d2-05cedaec2270, not '" +
                   o.Files.front().toStdString() + "'";
    }
    else if (o.Command != "import" && !o.Files.empty())
        return o.Command + " takes no file, not '" + o.Files.front().toStdString() + "'";
    if (o.Filter.From.isValid() && o.Filter.To.isValid() && o.Filter.From >= o.Filter.To)
        return "--from must be before --to";
    return {};
}

int RunRecordsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    RecordsOptions options;
    const std::string problem = ParseRecordsArguments(args, options);
    if (!problem.empty())
    {
        Put(err, QStringLiteral("fiberscope-records: %1 (try --help)\n")
                     .arg(Escaped(QString::fromLocal8Bit(problem)))
                     .toUtf8());
        return RecordsError;
    }
    if (options.Help)
    {
        out << RecordsUsage;
        return RecordsDone;
    }
    const int status = Run(options, out, err);
    // An export that never reached its reader (full disk, closed pipe) must not look like success.
    out.flush();
    if (!out)
    {
        err << "fiberscope-records: could not write to standard output\n";
        return RecordsError;
    }
    return status;
}
