// A test that needs the slow volume fails, saying why, when there is none.
#pragma once

#include <gtest/gtest.h>

#include "support/SlowVolume.h"

#define REQUIRE_SLOW_VOLUME()                                                                          \
    do {                                                                                               \
        std::wstring missing = test::SlowVolume::Missing();                                            \
        ASSERT_TRUE(missing.empty()) << "no slow volume: " << std::string(missing.begin(), missing.end()); \
    } while (0)
