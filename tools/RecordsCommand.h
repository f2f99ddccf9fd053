#pragma once
// fiberscope-records: the record store from the command line. Exports inspections (CSV in the
// inspection log's cells, or JSON Lines), imports inspection logs, sends the local outbox to the
// plant database and counts pass rates. main() only forwards to RunRecordsCommand.

#include "records/RecordStore.h"

#include <QString>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// The plant database as the command line gives it; each field only when given.
struct RecordsServerOptions
{
    std::optional<QString> Host, Database, User, SslMode, Service;
    std::optional<int> Port;

    bool Any() const { return Host || Database || User || SslMode || Service || Port; }
};

struct RecordsOptions
{
    std::string Command; // export, import, sync, stats
    bool Help = false;
    QString StoreFile;   // --store: another SQLite store
    bool Server = false; // --server, or any option of RecordsServerOptions
    RecordsServerOptions Connection;
    bool Json = false;       // export --format jsonl
    bool PerStation = false; // stats --per station
    TRecordFilter Filter;    // export and stats; import takes Filter.Station as its station
    std::vector<QString> Files;
};

// Exit statuses, as the analyser's.
constexpr int RecordsDone = 0;
constexpr int RecordsLeftWaiting = 1; // sync could not send everything the outbox holds
constexpr int RecordsError = 2;       // wrong arguments, or a store or file that failed

// Fills options from the arguments (without the program name). Returns an empty text when they
// are usable, else one line saying what is wrong.
std::string ParseRecordsArguments(const std::vector<std::string>& args, RecordsOptions& options);

// Runs the whole command: results to out, problems to err. Returns the exit status.
int RunRecordsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const RecordsUsage;
