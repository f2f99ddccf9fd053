#include "ferrule/FibreJudgement.h"

#include "MtFixture.h"
#include "analysis/TFiberAnalyzer.h"
#include "profiles/CriteriaProfile.h"

#include <gtest/gtest.h>
