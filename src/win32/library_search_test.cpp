#include "win32/library_search.h"

#include <gtest/gtest.h>

#include <string>

namespace win32 {
namespace {

std::string OwnFolder() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, n);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// A library planted beside the program (as in a download folder) is found by
// a plain LoadLibrary until the search is restricted, and never afterwards;
// system libraries still load by name.
TEST(LibrarySearchTest, PlantedLibraryBesideTheProgramIsNotLoaded) {
  const std::string planted = OwnFolder() + "tarno_planted.dll";
  ASSERT_NE(::GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the planted test library is missing: " << planted;

  HMODULE before = ::LoadLibraryA("tarno_planted.dll");
  ASSERT_NE(before, nullptr) << "without restriction the planted library should load; error " << ::GetLastError();
  ::FreeLibrary(before);

  ASSERT_TRUE(RestrictLibrarySearch());
  ::SetLastError(0xdeadbeef);
  HMODULE after = ::LoadLibraryA("tarno_planted.dll");
  DWORD error = ::GetLastError();
  EXPECT_EQ(after, nullptr) << "the planted library was loaded after the restriction";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  if (after) ::FreeLibrary(after);

  HMODULE system = ::LoadLibraryA("psapi.dll");
  EXPECT_NE(system, nullptr) << "psapi.dll from the system directory; error " << ::GetLastError();
  if (system) ::FreeLibrary(system);

  ScopedModule explicit_system = LoadSystemLibrary("iphlpapi.dll");
  EXPECT_NE(explicit_system.get(), nullptr);
  EXPECT_EQ(LoadSystemLibrary("tarno_planted.dll").get(), nullptr);
}

}  // namespace
}  // namespace win32
