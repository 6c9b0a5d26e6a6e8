// democonfig FOLDER: writes the demonstration configuration below FOLDER.
#include <iostream>
#include <string>

#include "democonfig.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: democonfig FOLDER\n"
                 "Writes the demonstration configuration (settings.cfg, domains.cfg and the demo\n"
                 "domain's records) below FOLDER.\n";
    return 2;
  }
  std::string error;
  if (!democonfig::WriteDemoConfiguration(argv[1], error)) {
    std::cerr << "democonfig: " << error << "\n";
    return 1;
  }
  return 0;
}
