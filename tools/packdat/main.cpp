#include <iostream>
#include <string>
#include <vector>

#include "packdat.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return packdat::Run(args, std::cout, std::cerr);
}
