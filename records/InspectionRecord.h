#pragma once
// What one inspection measured and decided, as one line of the inspection log or the CSV output
// of the command-line analyser: when, which connector, from which source, with which thresholds
// and limits, the counts per zone and size class, the verdicts, the located geometry and the
// files it saved. Read from the analyzer after its evaluation; changes nothing there. A
// multi-fibre connector is one record too, with every fibre's result in it.

#include "profiles/FiberLocation.h"
#include "profiles/ProfileEvaluation.h"
#include "records/FibreRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class TFiberAnalyzer;
class TMtInspection;

// One size class of one zone: its count and the limit it was judged against. Some classes exist
// in one fiber mode only (the core's large scratches and defects in Multi Mode).
struct TClassCount
{
    const char* Key = "";   // the CSV column stem, e.g. "core_scratches"
    const char* Label = ""; // as a person reads it, e.g. "Core zone: scratches"
    int Zone = 0;           // 0 core, 1 cladding, 2 contact
    bool Applies = false;
    int Count = 0;
    int Limit = 0;
};

struct TClassInfo
{
    const char* Key;
    const char* Label;
    int Zone;
    bool MultiOnly;
};

struct TInspectionRecord
{
    static constexpr int ClassCount = 10;

    QDateTime Time; // when the inspection began
    // When the face was judged again (a manual correction, another profile or fiber mode); null
    // for the first judgement. A re-judgement is a record of its own with the first one's time.
    QDateTime RejudgedAt;
    QString Serial;
    QString Source;         // the USB device's name, "WiFi scope <address>", or the image file's path
    int Frames = 0;         // frames combined; 0 for an image file
    int Mode = 0;           // 0 Single Mode, 1 Multi Mode
    int Thresholds[4] = {}; // lower, upper, core/cladding, contact
    float DefectPercents[2] = {};
    std::array<TClassCount, ClassCount> Classes{};
    QString ZoneVerdicts[4]; // core, cladding, adhesive, contact
    bool Pass = false;
    float CenterX = 0.0f, CenterY = 0.0f;
    float ZoneRadii[5] = {};
    QStringList Files; // the files this inspection saved
    QString Version;
    // The acceptance profile: the classic one judges by the classes and zone verdicts above; a
    // true-size one by its own zones and rows, and then the classic classes and zone verdicts
    // are left empty, so nobody reads limits that did not apply.
    QString Profile = QStringLiteral("classic");
    QString ProfileTitle;
    float UmPerPixel = 0.0f;
    std::vector<TZoneResult> ProfileZones; // true-size profiles only
    std::vector<TMeasuredFinding> Findings;
    // Where the fiber was found and which circle judged. Without a judgement ("No fiber", "Not in
    // view") the record has no counts, zone verdicts or circle, and its verdict says why.
    TFiberLocation Location;
    // A multi-fibre connector: one per fibre of its layout, judged or not, and the layout as
    // "12x1" (fibres per row x rows); both empty otherwise. Such a record has no classic counts,
    // zones, circle or findings of its own: each fibre has its own.
    std::vector<TFibreRecord> Fibres;
    QString Ferrule;

    // Reads an evaluated analyzer. Time is now, the version the program's.
    static TInspectionRecord FromAnalyzer(const TFiberAnalyzer& analyzer, bool pass);
    // A connector inspected over one or more views: each fibre's last judgement, the profile's
    // name and fiber mode, and the connector's verdict (Pass only when every fibre passed). Time
    // is now; the caller sets the time of the first view, the serial and the source.
    static TInspectionRecord FromMtInspection(const TMtInspection& inspection,
                                              const TCriteriaProfile& profile);

    bool MultiFibre() const { return !Ferrule.isEmpty(); }
    // How many of a connector's fibres have a verdict.
    int JudgedFibres() const;

    // Takes a profile's result: its name, scale and measured findings; for a true-size profile
    // also its zones, rows and overall verdict in place of the classic ones.
    void SetProfileResult(const TProfileResult& result);
    // Takes the location; one that judges nothing clears what the analyzer left.
    void SetLocation(const TFiberLocation& location);
    // Whether there is a verdict: a fiber was judged; for a connector, every one of its fibres.
    bool Judged() const;
    // "Pass", "Fail", or the reason there is no verdict: "No fiber", "Not in view", for a
    // connector "Incomplete: 9 of 12 fibres judged".
    QString Verdict() const;

    // "A Pass: Scratches 0/None, Defects 0/None; B Fail: ..." (empty for the classic profile) and
    // "defect 4.12; scratch 2.05 x 61.3" (sizes in um, a scratch as width x length). For a
    // connector, per fibre: "1 Pass; 2 Fail B: Defects 2–5 µm 6/5; 3 Pass (judged 2 times)" and
    // "fibre 2: defect 4.12, scratch 2.05 x 61.3; fibre 5: defect 6.50".
    QString ProfileRowsText() const;
    QString FindingsText() const;
    // Why there is no verdict, for the log: the location's reason; for a connector the fibres
    // not judged yet ("Not judged: fibres 10, 11, 12"). Empty when there is a verdict.
    QString NoVerdictReasonText() const;

    static QStringList CsvHeader();
    // The fields as they are, files joined by ';'.
    QStringList CsvFields() const;
    // The record as one line of the inspection log or of the analyser's CSV, with its CR LF, in the
    // columns of CsvHeader(). Numbers and times are written as they are (a centre of -20 stays
    // -20); every text cell is made safe for a spreadsheet and for a reader of lines:
    //  - a backslash is written \\, a control character (U+0000 to U+001F, U+007F to U+009F)
    //    \u00NN, and a byte of a file name that is not UTF-8 (see FileNameText) \xNN, hex in
    //    capitals: a record is always one line, and a name's bytes can be told apart;
    //  - in files, each path's ';' is written \; and the paths are joined by ';';
    //  - a cell that begins with = + - @, a tab or a carriage return is given a leading ', so a
    //    spreadsheet shows it as text instead of evaluating it as a formula;
    //  - a cell so defused, or holding a comma, a quote or a semicolon (some spreadsheets split
    //    on it), is quoted as RFC 4180 says, its quotes doubled.
    QByteArray CsvRecordLine() const;

    // A text cell by the log's rules (escaped, defused, quoted where needed), for columns written
    // beside the log's own.
    static QByteArray CsvTextCell(const QString& text);
    // The escapes alone: \\, a control character \u00NN, a file name's stray byte \xNN.
    static QString EscapedText(const QString& text);
    // Those escapes (and a path's \;) undone; a backslash that starts no escape stays.
    static QString UnescapedText(const QString& text);

    // The files as one cell: each path escaped as the log escapes it (\\, \;, \u00NN, \xNN) and
    // joined by ';', so any path reads back whole; and back.
    QString FilesCell() const;
    static QStringList ParseFilesCell(const QString& cell);

    // A record from the values of the columns of CsvHeader() by name (the fields of CsvFields,
    // the files as FilesCell), as the record store and an imported log give them back. A
    // missing or empty column leaves its field at its default; the measured findings are not in
    // these columns. A profile's rows are read back from their text; a connector's fibres from
    // theirs (TFibreRecord::FibresCell), and when that does not read back whole the connector
    // has no fibre results and no verdict.
    static TInspectionRecord FromFields(const QStringList& header, const QStringList& fields);
    // Whether a column holds a number (or a time) the program wrote, never text from outside.
    static bool IsNumericColumn(const QString& name);
};

extern const TClassInfo ClassInfo[TInspectionRecord::ClassCount];

// "None" for 0, "No Limit" for 99999, the number otherwise: how a limit is shown.
QString LimitText(int limit);

// One RFC 4180 line with its CR LF: fields with a comma, quote or line break are quoted, quotes
// doubled. Line breaks inside a field become blanks, so a record is always one line of the file
// and a torn record can be told from the next one.
QByteArray CsvLine(const QStringList& fields);

// A file name's bytes as record text with nothing lost: valid UTF-8 as it reads, and each byte
// that is not part of valid UTF-8 as the lone surrogate U+DC00 + byte (as the analyser's JSON
// writes it), which CsvRecordLine writes as \xNN. QFile::decodeName would make it U+FFFD.
QString FileNameText(const QByteArray& name);

// The program's version, from the build.
QString ProgramVersion();
