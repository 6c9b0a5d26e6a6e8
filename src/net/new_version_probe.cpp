// The new-version check of one address in a process of its own, for
// http_download_test: like a setup started after the administrator changed
// the machine's trusted roots. (A process that has built a chain before may
// not see such a change: Wine's chain engine keeps the roots it first read.)
//
//   new_version_probe.exe URL
//
// Prints the latest version and ends with 0 when the check succeeds; ends
// with 1 when it fails, 2 without an address.
#include <cstdio>

#include "net/http_download.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const serverconf::ProductEntry entry = serverconf::CheckNewVersion(argv[1], "TM");
  if (!entry.ok) return 1;
  std::printf("%s\n", entry.latest_version.c_str());
  return 0;
}
