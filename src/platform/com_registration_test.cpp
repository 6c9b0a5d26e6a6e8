#include "platform/com_registration.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "com/com_standin_ids.h"
#include "support/config_store_test_support.h"
#include "win32/library_search.h"
#include "support/test_files.h"
#include "support/test_registry.h"

namespace platform {
namespace {

using serverconf::testing::TempFolder;
using win32::test_files::PutFile;

std::string KeyText(HKEY root, const std::string& key, const char* value) {
  char buffer[MAX_PATH] = {};
  DWORD size = sizeof buffer;
  if (::RegGetValueA(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return "<missing>";
  return buffer;
}

bool Loaded(const std::string& path) { return ::GetModuleHandleA(path.c_str()) != nullptr; }

// Creates the class in-process; the HRESULT of CoCreateInstance, and on
// success checks that the object is of that class.
HRESULT Create(const CLSID& id) {
  IPersist* object = nullptr;
  const HRESULT result =
      ::CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist, reinterpret_cast<void**>(&object));
  if (SUCCEEDED(result)) {
    CLSID answered = {};
    EXPECT_EQ(object->GetClassID(&answered), S_OK);
    EXPECT_TRUE(answered == id) << "the object is of another class";
    object->Release();
  }
  return result;
}

// The stand-in COM servers with their companion library in a folder of the
// test's own whose path has blanks (as "Program Files" has); the process
// searches for libraries as the setup does after start-up; both classes'
// keys are saved and put back afterwards.
class ComRegistrationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(win32::RestrictLibrarySearch());
  }
  void SetUp() override {
    for (const char* name : {"api.dll", "cordanecom.dll", "suitesupport.dll"}) {
      ASSERT_TRUE(::CopyFileA((win32::test_files::TestProgramFolder() + "com-standin\\" + name).c_str(), (Dir() + name).c_str(), FALSE))
          << "copying the stand-in " << name << " error " << ::GetLastError();
    }
  }
  void TearDown() override { ::CoFreeUnusedLibrariesEx(0, 0); }

  std::string Dir() const { return folder_.Dir() + "Tarno Mail Server\\"; }
  std::string Api() const { return Dir() + "api.dll"; }
  std::string CordaneCom() const { return Dir() + "cordanecom.dll"; }

  TempFolder folder_{};
  bool made_ = ::CreateDirectoryA((folder_.Dir() + "Tarno Mail Server").c_str(), nullptr);
  win32::test_registry::SavedKey api_key_{HKEY_CLASSES_ROOT, suite::kApiClassKey};
  win32::test_registry::SavedKey com_key_{HKEY_CLASSES_ROOT, suite::kCordaneComClassKey};
};

// What the test stands on: the stand-in needs its companion, which a plain
// load of its full path no longer finds once the search is restricted.
TEST_F(ComRegistrationTest, PlainLoadOfTheFullPathMissesTheCompanion) {
  ::SetLastError(0xdeadbeef);
  HMODULE plain = ::LoadLibraryA(Api().c_str());
  const DWORD error = ::GetLastError();
  EXPECT_EQ(plain, nullptr) << "the restricted search still finds the companion beside api.dll";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  if (plain != nullptr) ::FreeLibrary(plain);
}

// Registration makes the class creatable from the library's own path;
// unregistration takes it away again. The library is not kept loaded.
TEST_F(ComRegistrationTest, RegisterCreateUnregister) {
  ASSERT_EQ(Create(suite::kApiClass), REGDB_E_CLASSNOTREG);

  ASSERT_TRUE(RegisterComServer(Api()));
  EXPECT_FALSE(Loaded(Api())) << "api.dll stayed loaded after its registration";
  EXPECT_EQ(KeyText(HKEY_CLASSES_ROOT, std::string(suite::kApiClassKey) + "\\InprocServer32", nullptr), Api());
  EXPECT_EQ(Create(suite::kApiClass), S_OK);
  ::CoFreeUnusedLibrariesEx(0, 0);

  ASSERT_TRUE(RegisterComServer(CordaneCom()));
  EXPECT_EQ(Create(suite::kCordaneComClass), S_OK);
  ::CoFreeUnusedLibrariesEx(0, 0);

  EXPECT_TRUE(UnregisterComServer(Api()));
  EXPECT_EQ(Create(suite::kApiClass), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(Create(suite::kCordaneComClass), S_OK) << "unregistering api.dll touched cordanecom.dll's class";
  ::CoFreeUnusedLibrariesEx(0, 0);
  EXPECT_TRUE(UnregisterComServer(CordaneCom()));
  EXPECT_EQ(Create(suite::kCordaneComClass), REGDB_E_CLASSNOTREG);
}

// A missing file, a library without the entry and an entry that reports a
// failure all answer false and leave nothing loaded; the next library is
// registered all the same.
TEST_F(ComRegistrationTest, FailuresAnswerFalseAndLeaveNothingLoaded) {
  EXPECT_FALSE(RegisterComServer(Dir() + "missing.dll"));

  const std::string companion = Dir() + "suitesupport.dll";
  EXPECT_FALSE(CallLibraryEntry(companion, "DllRegisterServer"));
  EXPECT_FALSE(Loaded(companion)) << "a library without the entry stayed loaded";

  PutFile(Dir() + "api-fail.txt", "DllRegisterServer\r\n");
  EXPECT_FALSE(RegisterComServer(Api()));
  EXPECT_FALSE(Loaded(Api())) << "a library whose entry failed stayed loaded";
  EXPECT_EQ(KeyText(HKEY_CLASSES_ROOT, suite::kApiClassKey, nullptr), "<missing>");

  EXPECT_TRUE(RegisterComServer(CordaneCom()));
  EXPECT_EQ(Create(suite::kCordaneComClass), S_OK);
  ::CoFreeUnusedLibrariesEx(0, 0);
  EXPECT_TRUE(UnregisterComServer(CordaneCom()));
}

}  // namespace
}  // namespace platform
