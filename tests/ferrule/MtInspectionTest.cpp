#include "ferrule/MtInspection.h"

#include <gtest/gtest.h>
