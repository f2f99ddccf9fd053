#pragma once
// The profile part of the analyser's JSON: profile name, scale in um per pixel, every zone's rows
// with counts and verdicts, and every finding's true size.

#include "profiles/ProfileEvaluation.h"

#include <string>

std::string ProfileJson(const TProfileResult& result);
// A true-size profile's verdicts as members of the image's object: "zone_verdicts", one per zone
// in the profile's order, and "overall".
std::string ProfileVerdictsJson(const TProfileResult& result);
// One line per profile for --list-profiles: short name and title.
std::string ProfileList();
