#pragma once
// One fibre of a multi-fibre connector as the records keep it: its last verdict, how often it was
// judged, where it lay in its last view, its zones' rows and its findings. The log, the store and
// the exports carry it as compact text that reads back exactly:
//
//   fibres   fibre|fibre|...                       in the order of their numbers
//   fibre    NUMBER VERDICT TIMES CX CY RADIUS SCALE ZONES FINDINGS   (one blank between)
//   VERDICT  Pass, Fail, or - when not judged
//   ZONES    - or zone/zone/...      zone: KEY:P|F[:ITEM=COUNT=CRITERIA=P|F]...
//   FINDINGS - or finding/finding    finding: d|s:SIZE:LENGTH:CX:CY:AREA (um; centre in pixels)
//
// Numbers are the shortest text that reads back to the same float; in a text (a zone's key, a
// row's item and criteria) each of % | / : = blank , ; " \ and every control character is
// written %XX per UTF-8 byte, so the text is one cell of one line that any CSV reader leaves
// alone, and nothing a profile's author writes can break it.

#include "profiles/ProfileEvaluation.h"

#include <QString>
#include <vector>

struct TFibreRecord
{
    int Number = 0;
    QString Verdict; // "Pass", "Fail" or "Not judged"
    int Times = 0;   // how often it was judged; > 1: judged again, the last judgement holds
    float CentreX = 0.0f, CentreY = 0.0f, Radius = 0.0f, UmPerPixel = 0.0f; // of its last judgement,
                                                                            // in that view's pixels
    std::vector<TZoneResult> Zones;                                         // A and B, rows and counts
    std::vector<TMeasuredFinding> Findings;                                 // sizes in um

    bool Judged() const { return Times > 0; }
    bool Pass() const { return Verdict == QLatin1String("Pass"); }

    // "2 Fail B: Defects 2–5 µm 6/5 (judged 2 times)": the verdict, the failing rows, and how
    // often it was judged when more than once.
    QString SummaryText() const;
    // "defect 4.12, scratch 2.05 x 61.3"
    QString FindingsText() const;

    // The zones and the findings alone, as the store's fibre rows keep them.
    static QString ZonesCell(const std::vector<TZoneResult>& zones);
    static bool ParseZonesCell(const QString& cell, std::vector<TZoneResult>& zones, QString& error);
    static QString FindingsCell(const std::vector<TMeasuredFinding>& findings);
    static bool ParseFindingsCell(const QString& cell, std::vector<TMeasuredFinding>& findings,
                                  QString& error);

    // Every fibre as one cell, and back. A cell that does not read back whole is refused, with
    // what is wrong and in which fibre; fibres then holds nothing.
    static QString FibresCell(const std::vector<TFibreRecord>& fibres);
    static bool ParseFibresCell(const QString& cell, std::vector<TFibreRecord>& fibres, QString& error);
};
