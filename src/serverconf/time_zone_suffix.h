// TimeZoneSuffix: the offset of local time to UTC as used in message dates:
// "+" when local time is ahead of UTC, "-" otherwise (also for UTC itself),
// then hours and minutes of the offset as two digits each ("+0130", "-0500").
#pragma once

#include <string>

namespace serverconf {

// `minutes_ahead_of_utc` is local time minus UTC in minutes.
std::string FormatTimeZoneSuffix(int minutes_ahead_of_utc);

}  // namespace serverconf
