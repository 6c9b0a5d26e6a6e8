// The sample distribution's setup.exe as the build made it: every resource
// of the linked program (build/.../bin/setup.exe) still reads, byte for byte,
// and one more, the list of the containers beside it with the SHA-256 each
// has; the program carries a signature (tools/signing/verify-signed-setup.sh
// checks it against its authority).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "engine/built_containers.h"
#include "support/test_files.h"
#include "window_driver/window_driver.h"
#include "win32/scoped_handle.h"

namespace {

using Resources = std::map<std::tuple<std::string, std::string, WORD>, std::string>;

std::string IdText(LPCSTR id) {
  return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : std::string(id);
}

// Every resource of the image at `path` (type, name, language) with its bytes.
Resources AllResources(const std::string& path, HMODULE& module) {
  Resources all;
  module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) {
    ADD_FAILURE() << "loading " << path << ": error " << ::GetLastError();
    return all;
  }
  struct Walk {
    HMODULE module;
    Resources* all;
    LPCSTR type = nullptr, name = nullptr;
  } walk{module, &all};
  ::EnumResourceTypesA(
      module,
      [](HMODULE m, LPSTR type, LONG_PTR w) -> BOOL {
        reinterpret_cast<Walk*>(w)->type = type;
        ::EnumResourceNamesA(
            m, type,
            [](HMODULE m, LPCSTR type, LPSTR name, LONG_PTR w) -> BOOL {
              reinterpret_cast<Walk*>(w)->name = name;
              ::EnumResourceLanguagesA(
                  m, type, name,
                  [](HMODULE m, LPCSTR type, LPCSTR name, WORD language, LONG_PTR w) -> BOOL {
                    Walk& walk = *reinterpret_cast<Walk*>(w);
                    HRSRC found = ::FindResourceExA(m, type, name, language);
                    HGLOBAL loaded = found ? ::LoadResource(m, found) : nullptr;
                    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
                    (*walk.all)[{IdText(type), IdText(name), language}] =
                        data ? std::string(data, ::SizeofResource(m, found)) : "<unreadable>";
                    return TRUE;
                  },
                  w);
              return TRUE;
            },
            w);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&walk));
  return all;
}

class BuiltDistributionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    linked_ = AllResources(driver::ProgramFolder() + "setup.exe", linked_module_);
    built_ = AllResources(dist_ + "setup.exe", built_module_);
  }
  void TearDown() override {
    if (linked_module_) ::FreeLibrary(linked_module_);
    if (built_module_) ::FreeLibrary(built_module_);
  }
  const std::string dist_ = driver::ProgramFolder() + "..\\dist\\";
  HMODULE linked_module_ = nullptr, built_module_ = nullptr;
  Resources linked_, built_;
};

TEST_F(BuiltDistributionTest, EveryResourceOfTheLinkedProgramStillReads) {
  ASSERT_GT(linked_.size(), 5u) << "the linked setup.exe has hardly any resources";
  for (const auto& [id, bytes] : linked_) {
    const auto found = built_.find(id);
    if (found == built_.end())
      ADD_FAILURE() << std::get<0>(id) << "/" << std::get<1>(id) << "/" << std::get<2>(id) << " is missing";
    else
      EXPECT_TRUE(found->second == bytes) << std::get<0>(id) << "/" << std::get<1>(id) << " differs";
  }
  EXPECT_EQ(built_.size(), linked_.size() + 1) << "not exactly one resource more";
  EXPECT_EQ(built_.count({"#10", "CONTAINER_SHA256", 0}), 1u);
  EXPECT_EQ(linked_.count({"#10", "CONTAINER_SHA256", 0}), 0u) << "the linked program already has a list";
}

TEST_F(BuiltDistributionTest, TheListNamesEveryContainerWithItsDigest) {
  ASSERT_NE(built_module_, nullptr);
  const std::optional<std::vector<engine::ContainerHash>> list = engine::BuiltContainerList(built_module_);
  ASSERT_TRUE(list.has_value()) << "the distribution's setup.exe has no container list";
  std::vector<std::string> containers;
  WIN32_FIND_DATAA found;
  win32::ScopedFindHandle find(::FindFirstFileA((dist_ + "*.dat").c_str(), &found));
  ASSERT_TRUE(find);
  do containers.push_back(found.cFileName);
  while (::FindNextFileA(find.get(), &found));
  EXPECT_EQ(list->size(), containers.size()) << "the list does not name every container";
  for (const std::string& name : containers) {
    const engine::ContainerHash* entry = engine::FindContainerHash(*list, name);
    if (entry == nullptr) {
      ADD_FAILURE() << name << " is not in the list";
      continue;
    }
    EXPECT_EQ(entry->name, name);
    EXPECT_EQ(engine::HexDigest(entry->digest),
              engine::HexDigest(engine::Sha256Of(win32::test_files::GetFile(dist_ + name))))
        << name;
  }
  EXPECT_FALSE(engine::BuiltContainerList(linked_module_).has_value());
}

// The certificate table (data directory 4) holds the signature, after
// everything it signs.
TEST_F(BuiltDistributionTest, TheProgramIsSigned) {
  const std::string image = win32::test_files::GetFile(dist_ + "setup.exe");
  ASSERT_GT(image.size(), 0x400u);
  auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(image[at + i]);
    return v;
  };
  const size_t optional = le32(0x3c) + 24;
  const bool plus = image[optional] == 0x0b && image[optional + 1] == 0x02;
  const size_t security = optional + (plus ? 112 : 96) + 8 * 4;
  const uint32_t offset = le32(security), size = le32(security + 4);
  EXPECT_GT(size, 0u) << "no signature";
  EXPECT_EQ(size_t(offset) + size, image.size()) << "the signature is not the end of the file";
}

}  // namespace
