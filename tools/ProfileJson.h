#pragma once
// The profile part of the analyser's JSON: profile name, scale in um per pixel, every zone's rows
// with counts and verdicts, and every finding's true size.

#include "profiles/ProfileEvaluation.h"

#include <string>
#include <vector>

std::string ProfileJson(const TProfileResult& result);
// One zone's object: its caption as "name", its rows with counts, its verdict; members (each
// followed by a comma) come first.
std::string ZoneJson(const TZoneResult& zone, const std::string& members = {});
// Every finding's kind, centre, area and true sizes, as an array.
std::string FindingsJson(const std::vector<TMeasuredFinding>& findings);
// A true-size profile's verdicts as members of the image's object: "zone_verdicts", one per zone
// in the profile's order, and "overall".
std::string ProfileVerdictsJson(const TProfileResult& result);
// One line per profile for --list-profiles: short name and title.
std::string ProfileList();
