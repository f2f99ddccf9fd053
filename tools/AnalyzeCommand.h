#pragma once
// The command-line analyser: argument handling, one fresh analysis per image and mode, the
// verdict table or JSON lines, annotated images, records kept in the record store. main() only
// forwards to RunAnalyzeCommand.

#include "profiles/CriteriaProfile.h"
#include "profiles/FiberLocation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct AnalyzeOptions
{
    bool Single = true;
    bool Multi = false;
    bool Json = false;
    bool Csv = false; // the inspection log's columns, one line per image and mode
    bool Help = false;
    std::string SettingsFile;      // empty: the analyzer's defaults
    std::string AnnotateDir;       // empty: no annotated images
    int Jobs = 0;                  // images checked at a time; 0: one per processor core
    std::string Profile;           // empty: the classic evaluation, output as before
    TCriteriaProfile ProfileTable; // the table of Profile: built in, or read from a file
    // The circle that judges; empty: the profile's own (rays for classic, edges for the others).
    std::optional<TLocateMethod> Locate;
    // A multi-fibre profile (a ferrule layout, maybe replaced by --ferrule): the number of the
    // leftmost whole fibre of the view; 0 when not given (a fibre view then starts at 1).
    int FirstFibre = 0;
    bool ListProfiles = false;
    bool Record = false;   // also keep each image's record in a record store
    std::string StoreFile; // the store's SQLite file; empty: the station's own
    std::vector<std::string> Images;

    // Each picture is a view of a multi-fibre ferrule: every fibre located, numbered and judged.
    bool MultiFibre() const { return ProfileTable.Ferrule.MultiFibre(); }
};

// Exit statuses.
constexpr int ExitPass = 0;
constexpr int ExitFail = 1;  // some analysed image failed, or held no fiber to judge (or was an overview)
constexpr int ExitError = 2; // wrong arguments, a file refused, unreadable or not written, or no store

// Fills options from the arguments (without the program name). Returns an empty text when they
// are usable, else one line saying what is wrong.
std::string ParseAnalyzeArguments(const std::vector<std::string>& args, AnalyzeOptions& options);

// Runs the whole command; verdicts to out, errors to err, one line each. Returns the exit status.
int RunAnalyzeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const AnalyzeUsage;
