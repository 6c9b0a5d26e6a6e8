#include "serverconf/time_zone_suffix.h"

#include <cstdio>
#include <cstdlib>

namespace serverconf {

std::string FormatTimeZoneSuffix(int minutes_ahead_of_utc) {
  const long magnitude = std::labs(static_cast<long>(minutes_ahead_of_utc));
  char text[32];
  std::snprintf(text, sizeof text, "%c%.2ld%.2ld", minutes_ahead_of_utc > 0 ? '+' : '-', magnitude / 60,
                magnitude % 60);
  return text;
}

}  // namespace serverconf
