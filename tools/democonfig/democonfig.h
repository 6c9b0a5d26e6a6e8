// The demonstration configuration the distribution ships in "demo.dat": a
// settings record, the domain table with the demo domain first, and the
// demo domain's domain record and accounts (a few users and accounts of
// other kinds), every record file in the store's scrambled form.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace democonfig {

struct DemoFile {
  std::string path;  // relative, with '\' separators
  std::vector<uint8_t> bytes;
};

// The files, in a fixed order; the same bytes on every run.
std::vector<DemoFile> DemoConfigurationFiles();

// Writes the files below `folder` (created as needed). False with a message
// in `error` when a file cannot be written.
bool WriteDemoConfiguration(const std::string& folder, std::string& error);

}  // namespace democonfig
