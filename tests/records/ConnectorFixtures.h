#pragma once
// Multi-fibre connectors for the records' tests, built the way the window builds them: views of
// hand-made fibre results fed to a TMtInspection of the built-in 12-fibre profile.

#include "ferrule/MtInspection.h"
#include "records/InspectionRecord.h"

#include <gtest/gtest.h>
#include <initializer_list>

// One judged fibre: its zones as the MT profile counts them, zone B over its 2-5 um limit when
// it fails, with one finding of each kind.
inline TFibreResult JudgedFibre(int number, bool pass, float centreX = 0.0f)
{
    TFibreResult f;
    f.Number = number;
    f.Outcome = TFibreOutcome::Judged;
    f.Where.Centre = TPoint2D(centreX == 0.0f ? 100.0f + 250.0f * float(number % 2) : centreX, 240.25f);
    f.Where.RadiusX = 149.5f;
    f.Where.RadiusY = 150.25f;
    f.Where.WhollyInView = true;
    f.Result.ProfileName = "mt-sm-apc";
    f.Result.Zones = {
        {"A", "Zone A (0~25 \u00B5m)", {{"Scratches", "4", 0, true}, {"Defects", "None", 0, true}}, true},
        {"B",
         "Zone B (25~115 \u00B5m)",
         {{"Scratches", "No Limit", 1, true}, {"Defects 2\u20135 \u00B5m", "5", pass ? 2 : 6, pass}},
         pass}};
    TMeasuredFinding defect;
    defect.SizeUm = 4.12f;
    defect.CentreX = 101.5f;
    defect.CentreY = 88.25f;
    defect.Area = 17;
    TMeasuredFinding scratch = defect;
    scratch.Kind = FindingClass::Scratch;
    scratch.SizeUm = 2.05f;
    scratch.LengthUm = 61.3f;
    f.Result.Findings = {defect, scratch};
    f.Result.Pass = pass;
    return f;
}

// A view of the given fibres: a number > 0 passes, < 0 fails.
inline TMtCheck View(std::initializer_list<int> fibres)
{
    TMtCheck check;
    for (int n : fibres)
        check.Fibres.push_back(JudgedFibre(n < 0 ? -n : n, n > 0));
    return check;
}

inline const TCriteriaProfile& MtProfile()
{
    const TCriteriaProfile* profile = FindProfile("mt-sm-apc");
    EXPECT_NE(profile, nullptr);
    return *profile;
}

inline TMtInspection Inspected(std::initializer_list<TMtCheck> views)
{
    TMtInspection inspection;
    inspection.Start(MtProfile());
    for (const TMtCheck& view : views)
        inspection.Take(view);
    return inspection;
}

// A whole 12-fibre connector: fibre 2 fails, fibre 3 judged twice (failed, then passed).
inline TInspectionRecord ConnectorRecord()
{
    const TMtInspection inspection = Inspected(
        {View({1, -2}), View({-3, 4}), View({3}), View({5, 6}), View({7, 8}), View({9, 10}), View({11, 12})});
    TInspectionRecord r = TInspectionRecord::FromMtInspection(inspection, MtProfile());
    r.Time = QDateTime::fromString(QStringLiteral("2026-12-11T08:15:30+01:00"), Qt::ISODate);
    r.Serial = QStringLiteral("MPO-0001");
    r.Source = QStringLiteral("USB Video Device");
    return r;
}
