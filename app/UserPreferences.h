#pragma once
// Per-user preferences that the settings file does not hold, kept with QSettings in the standard
// per-user configuration folder ($XDG_CONFIG_HOME/fiberscope/fiberscope.conf, by default under
// ~/.config). The settings file of the start directory is not touched by them.

#include <QString>

struct TPlantDatabase;

class TUserPreferences
{
public:
    // The WiFi scope's address and credentials; empty when the user has stored none, and then
    // the caller uses its default.
    static QString WiFiScopeURL();
    static QString WiFiScopeUser();
    static QString WiFiScopePassword();

    // Stores them for the next connection; an empty text removes its entry. The file is readable
    // by its owner only, as it may hold a password. Throws std::runtime_error naming the file
    // when it cannot be written.
    static void SetWiFiScope(const QString& url, const QString& user, const QString& password);

    // The traceability options, off until the user turns them on: saving the pictures of failed
    // inspections too, and a PDF report beside every report picture of automatic mode. Throws
    // std::runtime_error naming the file when it cannot be written.
    static bool SaveFailedInspections();
    static void SetSaveFailedInspections(bool on);
    static bool PdfWithAutomaticSave();
    static void SetPdfWithAutomaticSave(bool on);

    // The live assistant's two switches, in a file of their own (live.conf beside the main one),
    // off until the user turns them on.
    static bool LiveAnalysis();
    static void SetLiveAnalysis(bool on);
    static bool AutoCheck();
    static void SetAutoCheck(bool on);

    // The short name of the acceptance profile in use; empty when none was chosen, and then the
    // classic profile applies. Throws std::runtime_error naming the file when it cannot be written.
    static QString CriteriaProfile();
    static void SetCriteriaProfile(const QString& name);

    // The language of the window's texts as a locale name ("de", "pt_BR"); empty, the default,
    // follows the desktop's. Read once at the start. Throws std::runtime_error naming the file
    // when it cannot be written.
    static QString Language();
    static void SetLanguage(const QString& name);
    // Whether the classic profile judges by the fiber's edge rather than by the four edge points;
    // off until the user turns it on. Throws std::runtime_error naming the file when it cannot
    // be written.
    static bool LocateByEdge();
    static void SetLocateByEdge(bool on);

    // The plant database to send every inspection to, and whether the records keep the report
    // pictures; read by records/RecordStore.h's functions from the same file. Throws
    // std::runtime_error naming the file when it cannot be written.
    static void SetPlantDatabase(const TPlantDatabase& server, bool keepReportPictures);
    static TPlantDatabase PlantDatabase();
    static bool KeepReportPictures();
    // The station's name in the records: the host name unless set.
    static QString StationName();

    // Where the preferences are kept.
    static QString FileName();

    // Set when a preferences file was set apart unread (not a regular file, or far too large):
    // what happened, for the window to say once.
    static inline QString Refused;
};
