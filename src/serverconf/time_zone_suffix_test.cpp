#include "serverconf/time_zone_suffix.h"

#include <gtest/gtest.h>

namespace serverconf {
namespace {

TEST(FormatTimeZoneSuffix, SignHoursMinutes) {
  EXPECT_EQ(FormatTimeZoneSuffix(60), "+0100");
  EXPECT_EQ(FormatTimeZoneSuffix(330), "+0530");
  EXPECT_EQ(FormatTimeZoneSuffix(-300), "-0500");
  EXPECT_EQ(FormatTimeZoneSuffix(-570), "-0930");
  EXPECT_EQ(FormatTimeZoneSuffix(0), "-0000") << "not ahead of UTC";
  EXPECT_EQ(FormatTimeZoneSuffix(14 * 60), "+1400");
  EXPECT_EQ(FormatTimeZoneSuffix(-12 * 60 - 45), "-1245");
}

}  // namespace
}  // namespace serverconf
