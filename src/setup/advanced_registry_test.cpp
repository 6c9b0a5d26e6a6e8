#include "setup/advanced_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace setup {
namespace {

// What the raw API sees of one value, for checking the component from outside.
struct RawValue {
  LONG rc = ERROR_SUCCESS;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

std::string Describe(LONG rc) {
  return std::to_string(rc) + " (" + win32::ErrorText(static_cast<DWORD>(rc)) + ")";
}

LONG OpenRaw(HKEY root, const std::string& path) {
  win32::ScopedRegKey key;
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive());
}

RawValue QueryRaw(HKEY root, const std::string& path, const std::string& name) {
  RawValue v;
  win32::ScopedRegKey key;
  v.rc = ::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.receive());
  if (v.rc != ERROR_SUCCESS) return v;
  DWORD size = 0;
  v.rc = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &v.type, nullptr, &size);
  if (v.rc != ERROR_SUCCESS) return v;
  v.data.resize(size);
  v.rc = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &v.type, v.data.data(), &size);
  v.data.resize(size);
  return v;
}

LONG SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
            const void* data, DWORD size, DWORD options = REG_OPTION_NON_VOLATILE) {
  win32::ScopedRegKey key;
  LONG rc = ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, options, KEY_SET_VALUE, nullptr,
                              key.receive(), nullptr);
  if (rc != ERROR_SUCCESS || name.empty()) return rc;
  return ::RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

LONG SetRawString(HKEY root, const std::string& path, const std::string& name,
                  const std::string& text, DWORD type = REG_SZ) {
  return SetRaw(root, path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

DWORD DwordOf(const RawValue& v) {
  DWORD d = 0;
  if (v.data.size() == sizeof d) std::memcpy(&d, v.data.data(), sizeof d);
  return d;
}

// Each test works below a key of its own process, under HKCU\Software and
// HKLM\Software, and removes both afterwards whatever the outcome; the log
// goes to a file of the test's own.
class AdvancedRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\TarnoRegistryTest-" + std::to_string(::GetCurrentProcessId());
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    log_ = std::string(temp) + "tarno-registry-test-" + std::to_string(::GetCurrentProcessId()) + ".log";
    ::DeleteFileA(log_.c_str());
    win32::SetLogFile(log_);
    RemoveOwnKeys();
    reg_.SetRegistryArea("\\" + base_);
    reg_.SetRegistrySection("Values");
    reg_.OnError = [this](TAdvancedRegistry& sender) {
      ++errors_;
      EXPECT_EQ(&sender, &reg_) << "OnError must name the component as sender";
    };
  }
  void TearDown() override {
    RemoveOwnKeys();
    win32::SetLogFile("");
    ::DeleteFileA(log_.c_str());
  }

  // What the component logged so far.
  std::string Logged() const {
    std::string text;
    win32::ScopedHandle file(::CreateFileA(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!file) return text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
  }

  void RemoveOwnKeys() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      LONG rc = ::RegDeleteTreeA(root, base_.c_str());
      EXPECT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND)
          << "cleaning " << base_ << ": " << Describe(rc);
    }
  }

  std::string Values() const { return base_ + "\\Values"; }

  std::string base_;
  std::string log_;
  TAdvancedRegistry reg_{"TestRegistry"};
  int errors_ = 0;
};

// A new instance carries the documented defaults and no error handler.
TEST(AdvancedRegistryDefaultsTest, NewInstanceStartsOnCurrentUserCompanyHelp) {
  TAdvancedRegistry reg;
  EXPECT_EQ(reg.class_name(), "TAdvancedRegistry");
  EXPECT_EQ(reg.name(), "");
  EXPECT_EQ(reg.RegistryRootKey(), TRegistryKey::hkCURRENT_USER);
  EXPECT_EQ(reg.RegistryArea(), "\\Software\\Company");
  EXPECT_EQ(reg.RegistrySection(), "Help");
  EXPECT_EQ(reg.KeyPath(), "Software\\Company\\Help");
  EXPECT_FALSE(static_cast<bool>(reg.OnError));
  reg.DoError();  // unassigned: nothing happens

  TAdvancedRegistry named("PathRegistry");
  EXPECT_EQ(named.name(), "PathRegistry");
}

TEST(AdvancedRegistryDefaultsTest, RootKeysMapInOrder) {
  const struct {
    TRegistryKey key;
    HKEY handle;
    const char* name;
  } expected[] = {
      {TRegistryKey::hkCLASSES_ROOT, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
      {TRegistryKey::hkCURRENT_USER, HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
      {TRegistryKey::hkLOCAL_MACHINE, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
      {TRegistryKey::hkUSERS, HKEY_USERS, "HKEY_USERS"},
      {TRegistryKey::hkPERFORMANCE_DATA, HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
      {TRegistryKey::hkCURRENT_CONFIG, HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
      {TRegistryKey::hkDYN_DATA, HKEY_DYN_DATA, "HKEY_DYN_DATA"},
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(static_cast<size_t>(expected[i].key), i) << expected[i].name;
    EXPECT_EQ(RootKeyHandle(expected[i].key), expected[i].handle) << expected[i].name;
    EXPECT_STREQ(RootKeyName(expected[i].key), expected[i].name);
  }
}

// The key path drops the area's leading backslash and never doubles a separator.
TEST(AdvancedRegistryDefaultsTest, KeyPathJoinsAreaAndSection) {
  TAdvancedRegistry reg;
  reg.SetRegistryArea("\\Software\\Cordane");
  reg.SetRegistrySection("Tarno Mail Server");
  EXPECT_EQ(reg.KeyPath(), "Software\\Cordane\\Tarno Mail Server");
  reg.SetRegistryArea("Software\\Cordane\\");
  EXPECT_EQ(reg.KeyPath(), "Software\\Cordane\\Tarno Mail Server");
  reg.SetRegistrySection("");
  EXPECT_EQ(reg.KeyPath(), "Software\\Cordane");
  reg.SetRegistryArea("\\");
  reg.SetRegistrySection("Tarno");
  EXPECT_EQ(reg.KeyPath(), "Tarno");
}

// The main window's three instances are data; applying one sets root, area and section.
TEST(AdvancedRegistryDefaultsTest, MainFormDesignsAreTheThreeInstances) {
  ASSERT_EQ(std::size(kMainFormRegistries), 3u);
  const auto& shell = kMainFormRegistries[0];
  EXPECT_STREQ(shell.name, "AdvancedRegistry");
  EXPECT_EQ(shell.root, TRegistryKey::hkCURRENT_USER);
  EXPECT_STREQ(shell.area, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
  EXPECT_STREQ(shell.section, "Shell Folders");
  const auto& install = kMainFormRegistries[1];
  EXPECT_STREQ(install.name, "AdvancedRegistryInstall");
  EXPECT_EQ(install.root, TRegistryKey::hkLOCAL_MACHINE);
  EXPECT_STREQ(install.area, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  EXPECT_STREQ(install.section, "Tarno");
  const auto& path = kMainFormRegistries[2];
  EXPECT_STREQ(path.name, "PathRegistry");
  EXPECT_EQ(path.root, TRegistryKey::hkLOCAL_MACHINE);
  EXPECT_STREQ(path.area, "\\Software");
  EXPECT_STREQ(path.section, "Tarno");

  ui::Component form("MainForm", "TMainForm");
  for (const auto& design : kMainFormRegistries)
    form.Create<TAdvancedRegistry>(design.name)->ApplyDesign(design);
  ASSERT_EQ(form.components().size(), 3u);
  auto* made = dynamic_cast<TAdvancedRegistry*>(form.FindComponent("AdvancedRegistryInstall"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->owner(), &form);
  EXPECT_EQ(made->RegistryRootKey(), TRegistryKey::hkLOCAL_MACHINE);
  EXPECT_EQ(made->KeyPath(), "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarno");
}

// Reading a key that does not exist answers empty text, is no failure, and
// leaves the key uncreated.
TEST_F(AdvancedRegistryTest, ReadStringOnMissingKeyIsEmptyAndCreatesNothing) {
  EXPECT_EQ(reg_.ReadString("Anything"), "");
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(Logged(), "");
  LONG rc = OpenRaw(HKEY_CURRENT_USER, Values());
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << "key after the read: " << Describe(rc);
  rc = OpenRaw(HKEY_CURRENT_USER, base_);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << "parent after the read: " << Describe(rc);
}

// A key or value that is not there reads as empty text or false under
// either root, and nothing fires or is logged; a value of the wrong type is
// a real failure: reported once and logged once with the system's text.
TEST_F(AdvancedRegistryTest, MissingKeyOrValueIsNoFailureAWrongTypeIs) {
  for (const auto& [root, handle] : {std::pair{TRegistryKey::hkCURRENT_USER, HKEY_CURRENT_USER},
                                     std::pair{TRegistryKey::hkLOCAL_MACHINE, HKEY_LOCAL_MACHINE}}) {
    SCOPED_TRACE(RootKeyName(root));
    reg_.SetRegistryRootKey(root);
    reg_.SetRegistrySection("Values");
    ASSERT_EQ(OpenRaw(handle, Values()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_.ReadString("Name"), "");
    EXPECT_FALSE(reg_.ReadBool("Flag"));
    ASSERT_EQ(SetRawString(handle, Values(), "Other", "x"), ERROR_SUCCESS);
    EXPECT_EQ(reg_.ReadString("Name"), "");
    EXPECT_FALSE(reg_.ReadBool("Flag"));
    EXPECT_EQ(reg_.ReadString("Other"), "x");
    EXPECT_EQ(errors_, 0);
    EXPECT_EQ(Logged(), "");
  }

  ASSERT_EQ(SetRawString(HKEY_LOCAL_MACHINE, Values(), "Flag", "1"), ERROR_SUCCESS);
  EXPECT_FALSE(reg_.ReadBool("Flag"));
  EXPECT_EQ(errors_, 1);
  const std::string logged = Logged();
  EXPECT_NE(logged.find("ReadBool: reading value \"Flag\" of HKEY_LOCAL_MACHINE\\" + Values()), std::string::npos)
      << logged;
  EXPECT_NE(logged.find(win32::ErrorText(ERROR_DATATYPE_MISMATCH)), std::string::npos) << logged;
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
}

// WriteString makes the key and every missing parent, stores REG_SZ with its
// terminating NUL, and reads back; overwriting replaces the text.
TEST_F(AdvancedRegistryTest, WriteStringCreatesMissingParentsAndRoundTrips) {
  reg_.SetRegistryArea("\\" + base_ + "\\One\\Two");
  reg_.SetRegistrySection("Three");
  reg_.WriteString("InstallPath", "C:\\Program Files\\Tarno\\");
  EXPECT_EQ(errors_, 0);
  RawValue v = QueryRaw(HKEY_CURRENT_USER, base_ + "\\One\\Two\\Three", "InstallPath");
  ASSERT_EQ(v.rc, ERROR_SUCCESS) << Describe(v.rc);
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  std::string raw(v.data.begin(), v.data.end());
  EXPECT_EQ(raw, std::string("C:\\Program Files\\Tarno\\") + '\0');
  EXPECT_EQ(reg_.ReadString("InstallPath"), "C:\\Program Files\\Tarno\\");

  reg_.WriteString("InstallPath", "D:\\");
  EXPECT_EQ(reg_.ReadString("InstallPath"), "D:\\");
  reg_.WriteString("Empty", "");
  EXPECT_EQ(reg_.ReadString("Empty"), "");
  EXPECT_EQ(errors_, 0) << "an empty stored text is not a failure";
}

// Texts longer than any first buffer come back whole.
TEST_F(AdvancedRegistryTest, LongStringsRoundTripWhole) {
  for (size_t length : {511u, 512u, 513u, 5000u, 70000u}) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    reg_.WriteString("Long", text);
    std::string back = reg_.ReadString("Long");
    EXPECT_EQ(back.size(), length);
    EXPECT_TRUE(back == text) << "length " << length << " differs at "
                              << std::mismatch(back.begin(), back.end(), text.begin(), text.end())
                                         .first -
                                     back.begin();
  }
  EXPECT_EQ(errors_, 0);
}

// REG_EXPAND_SZ reads back as stored, unexpanded; a text stored without its
// NUL reads whole; a DWORD is not a string.
TEST_F(AdvancedRegistryTest, ReadStringAcceptsOnlyStringTypes) {
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, Values(), "Expand", "%SystemRoot%\\x", REG_EXPAND_SZ),
            ERROR_SUCCESS);
  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, Values(), "NoNul", REG_SZ, "abc", 3), ERROR_SUCCESS);
  DWORD seven = 7;
  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, Values(), "Number", REG_DWORD, &seven, sizeof seven),
            ERROR_SUCCESS);
  EXPECT_EQ(reg_.ReadString("Expand"), "%SystemRoot%\\x");
  EXPECT_EQ(reg_.ReadString("NoNul"), "abc");
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(reg_.ReadString("Number"), "");
  EXPECT_EQ(errors_, 1);
}

// Negative integers are stored as the DWORD of their bits.
TEST_F(AdvancedRegistryTest, WriteIntegerStoresDword) {
  reg_.WriteInteger("Minus", -5);
  reg_.WriteInteger("Big", 2147483647);
  EXPECT_EQ(errors_, 0);
  RawValue minus = QueryRaw(HKEY_CURRENT_USER, Values(), "Minus");
  ASSERT_EQ(minus.rc, ERROR_SUCCESS) << Describe(minus.rc);
  EXPECT_EQ(minus.type, static_cast<DWORD>(REG_DWORD));
  ASSERT_EQ(minus.data.size(), 4u);
  EXPECT_EQ(DwordOf(minus), 0xFFFFFFFBu);
  RawValue big = QueryRaw(HKEY_CURRENT_USER, Values(), "Big");
  EXPECT_EQ(big.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(DwordOf(big), 0x7FFFFFFFu);
  EXPECT_TRUE(reg_.ReadBool("Minus"));
  EXPECT_EQ(errors_, 0);
}

TEST_F(AdvancedRegistryTest, ReadBoolReadsWhatWriteBoolWrote) {
  reg_.WriteBool("On", true);
  reg_.WriteBool("Off", false);
  EXPECT_TRUE(reg_.ReadBool("On"));
  EXPECT_FALSE(reg_.ReadBool("Off"));
  EXPECT_EQ(errors_, 0) << "reading written booleans must not report";
  RawValue on = QueryRaw(HKEY_CURRENT_USER, Values(), "On");
  EXPECT_EQ(on.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(DwordOf(on), 1u);
  RawValue off = QueryRaw(HKEY_CURRENT_USER, Values(), "Off");
  EXPECT_EQ(off.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(off.data.size(), 4u);
  EXPECT_EQ(DwordOf(off), 0u);

  reg_.WriteBool("On", false);
  EXPECT_FALSE(reg_.ReadBool("On"));
  reg_.WriteInteger("Seven", 7);
  EXPECT_TRUE(reg_.ReadBool("Seven")) << "any integer other than 0 is true";
  EXPECT_EQ(errors_, 0);
}

// A string "1", a 4-byte binary and a QWORD are false, each reported once; a
// missing value and a missing key are false without a report.
TEST_F(AdvancedRegistryTest, ReadBoolOnOtherTypesIsFalseAndReports) {
  reg_.WriteString("Text", "1");
  ASSERT_EQ(errors_, 0);
  EXPECT_FALSE(reg_.ReadBool("Text"));
  EXPECT_EQ(errors_, 1);
  DWORD one = 1;
  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, Values(), "Binary", REG_BINARY, &one, sizeof one),
            ERROR_SUCCESS);
  EXPECT_FALSE(reg_.ReadBool("Binary"));
  EXPECT_EQ(errors_, 2);
  unsigned char wide[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, Values(), "Qword", REG_QWORD, wide, sizeof wide),
            ERROR_SUCCESS);
  EXPECT_FALSE(reg_.ReadBool("Qword"));
  EXPECT_EQ(errors_, 3);
  EXPECT_FALSE(reg_.ReadBool("Missing"));
  EXPECT_EQ(errors_, 3);

  reg_.SetRegistrySection("NoSuchSection");
  EXPECT_FALSE(reg_.ReadBool("Text"));
  EXPECT_EQ(errors_, 3);
  LONG rc = OpenRaw(HKEY_CURRENT_USER, base_ + "\\NoSuchSection");
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << "ReadBool created the key: " << Describe(rc);
}

// GetValueNames on a missing key makes it, empty, without reporting, and
// clears what the list held.
TEST_F(AdvancedRegistryTest, GetValueNamesCreatesMissingKeyEmpty) {
  std::vector<std::string> names = {"stale"};
  reg_.GetValueNames(names);
  EXPECT_TRUE(names.empty()) << "first name: " << (names.empty() ? "" : names.front());
  EXPECT_EQ(errors_, 0);
  win32::ScopedRegKey key;
  LONG rc = ::RegOpenKeyExA(HKEY_CURRENT_USER, Values().c_str(), 0, KEY_READ, key.receive());
  ASSERT_EQ(rc, ERROR_SUCCESS) << "key after GetValueNames: " << Describe(rc);
  DWORD subkeys = 99, values = 99;
  rc = ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                          &values, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(rc, ERROR_SUCCESS) << Describe(rc);
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(values, 0u);
}

// Every value is listed once, long names whole, and nothing else.
TEST_F(AdvancedRegistryTest, GetValueNamesListsEveryValue) {
  std::string long_name(600, 'n');
  std::vector<std::string> expected = {"Alpha", "Beta", "With Space", long_name};
  for (const auto& name : expected) reg_.WriteString(name, "v");
  reg_.WriteInteger("Number", 3);
  expected.push_back("Number");
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, Values() + "\\Sub", "NotMine", "x"), ERROR_SUCCESS);
  ASSERT_EQ(errors_, 0);

  std::vector<std::string> names;
  reg_.GetValueNames(names);
  EXPECT_EQ(errors_, 0);
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

// An instance made in code reaches HKLM once its root key is assigned, and
// HKCU again when switched back.
TEST_F(AdvancedRegistryTest, AssignedRootKeyRetargetsAtOnce) {
  TAdvancedRegistry reg;
  int errors = 0;
  reg.OnError = [&errors](TAdvancedRegistry&) { ++errors; };
  reg.SetRegistryArea("\\" + base_);
  reg.SetRegistrySection("Machine");
  ASSERT_EQ(SetRawString(HKEY_LOCAL_MACHINE, base_ + "\\Machine", "Where", "machine"),
            ERROR_SUCCESS);

  EXPECT_EQ(reg.ReadString("Where"), "") << "read HKLM before the root key was assigned";
  EXPECT_EQ(errors, 0) << "a key that is not there is no failure";

  reg.SetRegistryRootKey(TRegistryKey::hkLOCAL_MACHINE);
  EXPECT_EQ(reg.ReadString("Where"), "machine");
  reg.WriteString("Written", "to HKLM");
  EXPECT_EQ(errors, 0);
  RawValue v = QueryRaw(HKEY_LOCAL_MACHINE, base_ + "\\Machine", "Written");
  ASSERT_EQ(v.rc, ERROR_SUCCESS) << Describe(v.rc);
  EXPECT_EQ(std::string(v.data.begin(), v.data.end()), std::string("to HKLM") + '\0');
  LONG rc = OpenRaw(HKEY_CURRENT_USER, base_ + "\\Machine");
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << "the write also reached HKCU: " << Describe(rc);

  reg.SetRegistryRootKey(TRegistryKey::hkCURRENT_USER);
  EXPECT_EQ(reg.ReadString("Where"), "");
  EXPECT_EQ(errors, 0);
}

// DeleteKey removes a key with nested subkeys and values, and nothing beside it.
TEST_F(AdvancedRegistryTest, DeleteKeyRemovesNestedSubkeys) {
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, base_ + "\\Doomed", "Top", "1"), ERROR_SUCCESS);
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, base_ + "\\Doomed\\A\\B\\C", "Deep", "2"),
            ERROR_SUCCESS);
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, base_ + "\\Doomed\\D", "Side", "3"), ERROR_SUCCESS);
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, base_ + "\\Kept", "Stay", "4"), ERROR_SUCCESS);

  reg_.DeleteKey("\\" + base_ + "\\Doomed");
  EXPECT_EQ(errors_, 0);
  LONG rc = OpenRaw(HKEY_CURRENT_USER, base_ + "\\Doomed");
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << "deleted key still opens: " << Describe(rc);
  RawValue kept = QueryRaw(HKEY_CURRENT_USER, base_ + "\\Kept", "Stay");
  EXPECT_EQ(kept.rc, ERROR_SUCCESS) << "sibling lost: " << Describe(kept.rc);

  // Without the leading backslash, and on the root key assigned.
  ASSERT_EQ(SetRawString(HKEY_LOCAL_MACHINE, base_ + "\\M\\N", "x", "y"), ERROR_SUCCESS);
  reg_.SetRegistryRootKey(TRegistryKey::hkLOCAL_MACHINE);
  reg_.DeleteKey(base_ + "\\M");
  EXPECT_EQ(errors_, 0);
  rc = OpenRaw(HKEY_LOCAL_MACHINE, base_ + "\\M");
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << Describe(rc);
}

// A missing key is a failure; an empty path, which would name the root
// itself, is refused and deletes nothing.
TEST_F(AdvancedRegistryTest, DeleteKeyReportsMissingAndRefusesTheRoot) {
  reg_.DeleteKey("\\" + base_ + "\\NotThere");
  EXPECT_EQ(errors_, 1);
  ASSERT_EQ(SetRawString(HKEY_CURRENT_USER, base_, "Marker", "m"), ERROR_SUCCESS);
  reg_.DeleteKey("");
  EXPECT_EQ(errors_, 2);
  reg_.DeleteKey("\\");
  EXPECT_EQ(errors_, 3);
  RawValue marker = QueryRaw(HKEY_CURRENT_USER, base_, "Marker");
  EXPECT_EQ(marker.rc, ERROR_SUCCESS) << "refused delete removed keys: " << Describe(marker.rc);
  EXPECT_EQ(OpenRaw(HKEY_CURRENT_USER, "Software"), ERROR_SUCCESS);
}

// A key that cannot be created is reported through OnError only: a
// non-volatile key cannot be made below a volatile one.
TEST_F(AdvancedRegistryTest, WriteToKeyThatCannotBeCreatedReportsWithoutThrowing) {
  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, base_ + "\\Volatile", "", REG_NONE, nullptr, 0,
                   REG_OPTION_VOLATILE),
            ERROR_SUCCESS);
  reg_.SetRegistryArea("\\" + base_ + "\\Volatile");
  reg_.SetRegistrySection("Child");
  EXPECT_NO_THROW(reg_.WriteString("Name", "text"));
  EXPECT_EQ(errors_, 1);
  EXPECT_NO_THROW(reg_.WriteInteger("Number", 1));
  EXPECT_NO_THROW(reg_.WriteBool("Flag", true));
  EXPECT_EQ(errors_, 3);
  std::vector<std::string> names = {"stale"};
  reg_.GetValueNames(names);
  EXPECT_EQ(errors_, 4);
  EXPECT_TRUE(names.empty());
  LONG rc = OpenRaw(HKEY_CURRENT_USER, base_ + "\\Volatile\\Child");
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << Describe(rc);
}

// A write that fails once the key is open is raised to the caller, not
// reported: a value name beyond the registry's 16,383-character limit.
TEST_F(AdvancedRegistryTest, FailingWriteAfterOpenThrows) {
  std::string too_long(20000, 'v');
  try {
    reg_.WriteString(too_long, "text");
    ADD_FAILURE() << "WriteString with a 20000-character name did not throw";
  } catch (const win32::Error& e) {
    EXPECT_NE(e.code(), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("WriteString"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(base_), std::string::npos) << e.what();
  }
  EXPECT_THROW(reg_.WriteInteger(too_long, 1), win32::Error);
  EXPECT_THROW(reg_.WriteBool(too_long, true), win32::Error);
  EXPECT_EQ(errors_, 0) << "a raised write failure must not also fire OnError";
  EXPECT_EQ(OpenRaw(HKEY_CURRENT_USER, Values()), ERROR_SUCCESS) << "the key was opened first";
}

// TryWriteString writes as WriteString does; the same failing write is
// logged once and reported, never raised; a key that cannot be created is
// reported as for every write.
TEST_F(AdvancedRegistryTest, TryWriteStringReportsAFailingWriteInsteadOfRaising) {
  EXPECT_TRUE(reg_.TryWriteString("UpgradingFrom", "8.3.0"));
  EXPECT_EQ(reg_.ReadString("UpgradingFrom"), "8.3.0");
  EXPECT_EQ(errors_, 0);
  EXPECT_EQ(Logged(), "");

  const std::string too_long(20000, 'v');
  bool written = true;
  EXPECT_NO_THROW(written = reg_.TryWriteString(too_long, "text"));
  EXPECT_FALSE(written);
  EXPECT_EQ(errors_, 1);
  const std::string logged = Logged();
  EXPECT_NE(logged.find(" TryWriteString: writing value \"vvvv"), std::string::npos) << logged.substr(0, 200);
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged.substr(0, 200);

  ASSERT_EQ(SetRaw(HKEY_CURRENT_USER, base_ + "\\Volatile", "", REG_NONE, nullptr, 0, REG_OPTION_VOLATILE),
            ERROR_SUCCESS);
  reg_.SetRegistryArea("\\" + base_ + "\\Volatile");
  reg_.SetRegistrySection("Child");
  EXPECT_FALSE(reg_.TryWriteString("Name", "text"));
  EXPECT_EQ(errors_, 2);
}

}  // namespace
}  // namespace setup
