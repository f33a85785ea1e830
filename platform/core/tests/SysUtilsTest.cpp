#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

TEST(Exception, CarriesItsMessage) {
    try {
        throw Exception("Stream read error");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}
