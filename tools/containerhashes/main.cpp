// containerhashes: writes the SHA-256 of each container of a distribution
// into a copy of setup.exe, as the resource the setup compares the
// containers beside it with before it changes anything.
//
//   containerhashes SETUP_EXE OUTPUT CONTAINER...
//
// OUTPUT is SETUP_EXE with the resource RCDATA "CONTAINER_SHA256" (the list
// in sha256sum's format, each container by its file name); it is written
// whole or not at all. The program is then signed, never before.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/container_hash_list.h"
#include "engine/sha256.h"
#include "pe_resources.h"

namespace {

bool HashFile(const std::filesystem::path& path, engine::Sha256Digest& digest) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  engine::Sha256 hash;
  std::vector<char> buffer(1 << 16);
  while (file) {
    file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    hash.Update(buffer.data(), static_cast<size_t>(file.gcount()));
  }
  if (file.bad()) return false;
  digest = hash.Final();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: containerhashes SETUP_EXE OUTPUT CONTAINER...\n";
    return 2;
  }
  const std::filesystem::path input = argv[1], output = argv[2];
  std::vector<engine::ContainerHash> list;
  for (int i = 3; i < argc; ++i) {
    const std::filesystem::path container = argv[i];
    engine::ContainerHash entry{container.filename().string(), {}};
    if (!HashFile(container, entry.digest)) {
      std::cerr << "containerhashes: cannot read " << container << "\n";
      return 1;
    }
    if (engine::FindContainerHash(list, entry.name) != nullptr) {
      std::cerr << "containerhashes: " << entry.name << " is named twice\n";
      return 1;
    }
    list.push_back(entry);
  }
  const std::string text = engine::FormatContainerHashList(list);

  std::ifstream in(input, std::ios::binary);
  std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::cerr << "containerhashes: cannot read " << input << "\n";
    return 1;
  }
  const std::string refused = tools::AddPeResource(image, tools::ResourceId::Number(tools::kResourceTypeRcData),
                                                   tools::ResourceId::Name(engine::kContainerHashResource),
                                                   tools::kLanguageNeutral, text);
  if (!refused.empty()) {
    std::cerr << "containerhashes: " << input << ": " << refused << "\n";
    return 1;
  }
  std::filesystem::path partial = output;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    if (!out.flush()) {
      std::cerr << "containerhashes: cannot write " << partial << "\n";
      std::filesystem::remove(partial);
      return 1;
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, output, error);
  if (error) {
    std::cerr << "containerhashes: cannot rename " << partial << " to " << output << ": " << error.message() << "\n";
    std::filesystem::remove(partial);
    return 1;
  }
  std::cout << text;
  return 0;
}
