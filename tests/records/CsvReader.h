#pragma once
// Reads RFC 4180 CSV back into rows of fields, for checking what the records wrote.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

inline std::vector<QStringList> ReadCsv(const QByteArray& bytes)
{
    std::vector<QStringList> rows;
    QStringList row;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < bytes.size(); ++i)
    {
        const char c = bytes[i];
        if (quoted)
        {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"')
                field += bytes[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        }
        else if (c == '"')
            quoted = true;
        else if (c == ',')
        {
            row << QString::fromUtf8(field);
            field.clear();
        }
        else if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
        {
            row << QString::fromUtf8(field);
            field.clear();
            rows.push_back(row);
            row.clear();
            ++i;
        }
        else
            field += c;
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows.push_back(row << QString::fromUtf8(field));
    return rows;
}

// The field of a named column in a row; "<no column>" when the header has no such column, so a
// renamed column fails the comparison instead of matching an empty field.
inline QString CsvField(const std::vector<QStringList>& rows, std::size_t row, const char* name)
{
    const qsizetype i = rows.at(0).indexOf(QLatin1String(name));
    return i >= 0 ? rows.at(row).value(i) : QStringLiteral("<no column>");
}
