// The record's CSV cells as a spreadsheet and a reader of lines meet them: text that would run
// as a formula is defused wherever it comes from, numbers stay numbers, control characters and
// a file name's stray bytes are escaped, and saved paths split back exactly.

#include "records/InspectionLog.h"
#include "tests/records/CsvReader.h"
#include "tests/records/LogFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>

namespace
{
// The record's one row as it reads back from a log of its own.
QStringList LoggedRow(const TInspectionRecord& record, QByteArray* bytes = nullptr)
{
    QTemporaryDir dir;
    TInspectionLog::Append(dir.path(), record);
    const QByteArray log = ReadBytes(TInspectionLog::FileName(dir.path()));
    if (bytes)
        *bytes = log;
    const std::vector<QStringList> rows = ReadCsv(log);
    EXPECT_EQ(rows.size(), 2u);
    return rows.size() == 2 ? rows[1] : QStringList();
}

QString Cell(const TInspectionRecord& record, const char* column, QByteArray* bytes = nullptr)
{
    return ColumnOf(TInspectionRecord::CsvHeader(), LoggedRow(record, bytes), column);
}

// The paths of a files cell: split on the semicolons that are not escaped, then unescaped.
QStringList SplitPaths(const QString& cell)
{
    QStringList paths{QString()};
    for (qsizetype i = 0; i < cell.size(); ++i)
    {
        if (cell[i] == '\\' && i + 1 < cell.size())
            paths.back() += cell[++i];
        else if (cell[i] == ';')
            paths << QString();
        else
            paths.back() += cell[i];
    }
    return paths;
}
} // namespace

// A spreadsheet runs a cell that begins with = + - @ (or a tab or CR before one): every text
// column a person or a file can fill is defused with a leading ' and quoted, whatever its column.
TEST(RecordCsv, TextThatASpreadsheetWouldRunIsDefusedInEveryTextColumn)
{
    const auto zone = [](const char* key) {
        return [=](TInspectionRecord& r) {
            TZoneResult z;
            z.Key = key;
            r.ProfileZones = {z};
        };
    };
    const struct
    {
        const char* Column;
        std::function<void(TInspectionRecord&)> Set;
        QString Cell; // as it reads back
    } cases[] = {
        {"serial", [](TInspectionRecord& r) { r.Serial = "=A1+0001"; }, "'=A1+0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "+1+0001"; }, "'+1+0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "-1+0001"; }, "'-1+0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "@SUM(1)0001"; }, "'@SUM(1)0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "\t=1+0001"; }, "'\\u0009=1+0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "\r=1+0001"; }, "'\\u000D=1+0001"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "=HYPERLINK(\"http://x\",\"y\")"; },
         "'=HYPERLINK(\"http://x\",\"y\")"},
        {"serial", [](TInspectionRecord& r) { r.Serial = "AB=1+0001"; }, "AB=1+0001"},
        {"source", [](TInspectionRecord& r) { r.Source = "=1+1.png"; }, "'=1+1.png"},
        {"files",
         [](TInspectionRecord& r) {
             r.Files = {"-2+3.bmp", "b.pdf"};
         },
         "'-2+3.bmp;b.pdf"},
        {"profile_rows", zone("=1+1"), "'=1+1 Pass: "},
        {"profile_rows", zone("@A"), "'@A Pass: "},
        {"profile", [](TInspectionRecord& r) { r.Profile = "+plant"; }, "'+plant"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Column + std::string(" ") + c.Cell.toStdString());
        TInspectionRecord r = SerialRecord("0001");
        c.Set(r);
        QByteArray bytes;
        EXPECT_EQ(Cell(r, c.Column, &bytes), c.Cell);
        // Quoted, so no reader splits or trims the defused text.
        if (c.Cell.startsWith('\''))
        {
            EXPECT_TRUE(bytes.contains(",\"" + c.Cell.toUtf8().replace("\"", "\"\"") + "\""))
                << bytes.toStdString();
        }
    }
}

// The defusing is by column: a number the program wrote is a number, even a negative one.
TEST(RecordCsv, NegativeNumbersStayNumbers)
{
    TInspectionRecord r = SerialRecord("-1+0001");
    r.CenterX = -20.0f;
    r.CenterY = -0.5f;
    QByteArray bytes;
    const QStringList row = LoggedRow(r, &bytes);
    const QStringList header = TInspectionRecord::CsvHeader();
    EXPECT_EQ(ColumnOf(header, row, "center_x"), "-20");
    EXPECT_EQ(ColumnOf(header, row, "center_y"), "-0.5");
    EXPECT_TRUE(bytes.contains(",-20,-0.5,")) << bytes.toStdString();
    EXPECT_EQ(ColumnOf(header, row, "serial"), "'-1+0001");
}

// A line break, an escape sequence or a stray byte must neither start a new record nor reach a
// terminal, and a backslash in the text must not be read as the start of an escape.
TEST(RecordCsv, ControlCharactersAndStrayBytesAreEscapedSoARecordIsOneLine)
{
    const struct
    {
        QString Serial;
        QString Cell;
    } cases[] = {
        {"AB\n0001", "AB\\u000A0001"},
        {"AB\r\n0001", "AB\\u000D\\u000A0001"},
        {"AB\x1b[31m0001", "AB\\u001B[31m0001"},
        {QString::fromUtf8("AB\x7f\xc2\x85"
                           "0001"),
         "AB\\u007F\\u00850001"},
        {"AB\\u000A0001", "AB\\\\u000A0001"},
        {QString::fromUtf8("Zo\u00eb \U0001F50D 0001"), QString::fromUtf8("Zo\u00eb \U0001F50D 0001")},
        {FileNameText("caf\xe9\xff"
                      "0001"),
         "caf\\xE9\\xFF0001"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Cell.toStdString());
        QByteArray bytes;
        EXPECT_EQ(Cell(SerialRecord(c.Serial), "serial", &bytes), c.Cell);
        EXPECT_EQ(bytes.count('\n'), 2) << bytes.toStdString(); // the header's and the record's
        EXPECT_EQ(bytes.count('\r'), 2) << bytes.toStdString();
    }
}

// File names are bytes: one that is not UTF-8 keeps its bytes in the log (\xE9), where the
// decoding Qt offers would leave U+FFFD and no way back to the file.
TEST(RecordCsv, AFileNameThatIsNotUtf8KeepsItsBytes)
{
    const QByteArray name = "/images/caf\xe9 \xc3\xa9 \xed\xa0\x80 \xc0\xaf.bmp";
    TInspectionRecord r = SerialRecord("0001");
    r.Source = FileNameText(name);
    r.Files = {FileNameText(name)};
    const QString expected = QString::fromUtf8("/images/caf\\xE9 \u00e9 \\xED\\xA0\\x80 \\xC0\\xAF.bmp");
    EXPECT_EQ(Cell(r, "source"), expected);
    EXPECT_EQ(Cell(r, "files"), expected);
    EXPECT_FALSE(Cell(r, "source").contains(QChar(0xFFFD)));
    EXPECT_EQ(FileNameText("/images/\xc3\xa9.bmp"), QString::fromUtf8("/images/\u00e9.bmp"));
}

// Serials, and so the names of saved files, may hold ';' and '\': the files cell still splits
// back into exactly the paths saved.
TEST(RecordCsv, SavedPathsSplitBackExactlyWhateverTheyHold)
{
    const QStringList lists[] = {
        {"/images/AB;0001.bmp", "/images/AB;0001.pdf"},
        {"/images/a\\;b.bmp", "/images/c\\\\.pdf", "/images/;"},
        {"/images/one.bmp"},
        {"", "/images/after-an-empty-one.bmp"},
    };
    for (const QStringList& files : lists)
    {
        SCOPED_TRACE(files.join('|').toStdString());
        TInspectionRecord r = SerialRecord("0001");
        r.Files = files;
        EXPECT_EQ(SplitPaths(Cell(r, "files")), files);
    }
    TInspectionRecord r = SerialRecord("0001");
    r.Files = {"/images/AB;0001.bmp", "/images/x\\y.pdf"};
    EXPECT_EQ(Cell(r, "files"), "/images/AB\\;0001.bmp;/images/x\\\\y.pdf");
}
