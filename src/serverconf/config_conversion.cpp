#include "serverconf/config_conversion.h"

#include "win32/log.h"

namespace serverconf {

void ConvertRegistry(bool delete_old) {
  // The table of older product keys is not part of this build: nothing is
  // copied and nothing is removed.
  win32::LogLine(std::string("registry conversion (delete old keys: ") + (delete_old ? "yes" : "no") +
                 "): no older keys are known to this build");
}

}  // namespace serverconf
