#include "platform/icons_and_uninstall_entry.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/install_files.h"
#include "support/config_store_test_support.h"
#include "setup/advanced_registry.h"
#include "messages/setup_messages.h"
#include "win32/scoped_handle.h"
#include "support/test_files.h"

namespace platform {
namespace {

using serverconf::testing::TempFolder;
using win32::test_files::Exists;
using win32::test_files::GetFile;
using win32::test_files::MakeDirectory;
using win32::test_files::PutFile;
using win32::test_files::RemoveTree;

class RecordingProgress : public engine::InstallProgress {
 public:
  void SetProgressText(const std::string& text) override { texts.push_back(text); }
  void StepProgress() override {}
  void FatalError(const std::string& text, unsigned) override { fatal.push_back(text); }
  std::vector<std::string> texts, fatal;
};

// A link as read back through the shell's own link object.
struct LinkFacts {
  std::string target, arguments, icon_file;
  int icon_index = -1;
};

LinkFacts ReadLink(const std::string& file) {
  LinkFacts facts;
  win32::ScopedComPtr<IShellLinkA> link;
  HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(link.receive()));
  EXPECT_EQ(result, S_OK);
  if (FAILED(result)) return facts;
  win32::ScopedComPtr<IPersistFile> persist;
  link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.receive()));
  wchar_t wide[MAX_PATH];
  ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
  result = persist.get()->Load(wide, STGM_READ);
  EXPECT_EQ(result, S_OK) << "loading " << file;
  if (FAILED(result)) return facts;
  char text[MAX_PATH * 2] = {};
  link.get()->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  facts.target = text;
  text[0] = '\0';
  link.get()->GetArguments(text, MAX_PATH);
  facts.arguments = text;
  text[0] = '\0';
  link.get()->GetIconLocation(text, MAX_PATH, &facts.icon_index);
  facts.icon_file = text;
  return facts;
}

// The names of the files in `folder`, sorted.
std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  win32::ScopedFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

std::string Listing(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += "  " + name + "\n";
  return text;
}

// "sz:text" or "dword:N" for the value, "<missing>" without it.
std::string Value(HKEY root, const std::string& key, const char* name) {
  BYTE data[1024] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  if (::RegGetValueA(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  if (type == REG_SZ) return "sz:" + std::string(reinterpret_cast<char*>(data));
  if (type == REG_DWORD) return "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data));
  return "type " + std::to_string(type);
}

DWORD ValueCount(HKEY root, const std::string& key) {
  win32::ScopedRegKey k;
  DWORD count = 0;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.receive()) != ERROR_SUCCESS) return 0;
  ::RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                     nullptr, nullptr);
  return count;
}

void SetText(HKEY root, const std::string& key, const char* name, const std::string& text) {
  win32::ScopedRegKey k;
  ASSERT_EQ(::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

// An installation folder (with blanks in its path) holding the shortcuts'
// targets, the per-user and all-users programs folders of the test's own,
// named by "Shell Folders" keys of the test's own; the uninstall entry and
// the product key under keys of the test's own. Messages are put back.
class IconsAndUninstallEntryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void SetUp() override {
    for (const char* dir : {"Tarno Mail", "Tarno Mail\\help", "Tarno Mail\\tutorial", "user programs",
                            "common programs", "current"})
      MakeDirectory(folder_.Dir() + dir);
    for (const auto& [name, size] : std::map<std::string, size_t>{{"config.exe", 1000},
                                                                  {"readme.txt", 100},
                                                                  {"help\\manual.chm", 3000},
                                                                  {"dnsquery.exe", 10},
                                                                  {"tutorial\\index.html", 20},
                                                                  {"setup.exe", 2000}})
      PutFile(Install() + name, std::string(size, 'x'));
    SetText(HKEY_CURRENT_USER, ShellFoldersKey(), "Programs", folder_.Dir() + "user programs");
    SetText(HKEY_LOCAL_MACHINE, ShellFoldersKey(), "Common Programs", folder_.Dir() + "common programs");
    shell_folders_.SetRegistryArea(area_ + "\\Explorer");
    shell_folders_.SetRegistrySection("Shell Folders");
    uninstall_.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
    uninstall_.SetRegistryArea(area_ + "\\Uninstall");
    uninstall_.SetRegistrySection("Tarno");
    product_.SetRegistryRootKey(setup::TRegistryKey::hkLOCAL_MACHINE);
    product_.SetRegistryArea(area_ + "\\Cordane");
    product_.SetRegistrySection("Tarno Mail Server");
    ASSERT_TRUE(::SetCurrentDirectoryA(Current().c_str()));
  }
  void TearDown() override {
    ::SetCurrentDirectoryA(win32::test_files::TestProgramFolder().c_str());
    setup::Messages() = saved_messages_;
    ::RegDeleteTreeA(HKEY_CURRENT_USER, area_.substr(1).c_str());
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, area_.substr(1).c_str());
  }

  void Run(bool web_mail, bool nt) {
    shell_folders_.SetRegistryRootKey(setup::TRegistryKey::hkCURRENT_USER);
    IconsAndUninstallInput input;
    input.install_dir = Install();
    input.setup_file_name = "setup.exe";
    input.web_mail_installed = web_mail;
    input.nt_family = nt;
    input.user_name = "Ann Admin";
    input.user_email = "ann@example.org";
    input.user_company = "Example Ltd";
    input.user_country = "Iceland";
    CreateIconsAndUninstallEntry(progress_, IconsAndUninstallKeys{shell_folders_, uninstall_, product_}, input);
  }

  std::string Install() const { return folder_.Dir() + "Tarno Mail\\"; }
  std::string Group() const { return folder_.Dir() + "common programs\\Tarno Mail Server\\"; }
  std::string Current() const { return folder_.Dir() + "current"; }
  std::string ShellFoldersKey() const { return area_.substr(1) + "\\Explorer\\Shell Folders"; }
  std::string UninstallKey() const { return area_.substr(1) + "\\Uninstall\\Tarno"; }
  std::string ProductKey() const { return area_.substr(1) + "\\Cordane\\Tarno Mail Server"; }

  // Checks one link's target, arguments and icon as the shell reads them.
  void ExpectLink(const std::string& group, const std::string& name, const std::string& target,
                  const std::string& arguments, int icon) {
    SCOPED_TRACE(name);
    const LinkFacts facts = ReadLink(group + name + ".lnk");
    EXPECT_EQ(facts.target, Install() + target);
    EXPECT_EQ(facts.arguments, arguments);
    EXPECT_EQ(facts.icon_index, icon);
    EXPECT_EQ(facts.icon_file, icon == 0 ? std::string() : Install() + target);
  }

  TempFolder folder_;
  const std::string area_ = "\\Software\\TarnoTest-" + std::to_string(::GetCurrentProcessId());
  setup::TAdvancedRegistry shell_folders_, uninstall_, product_;
  RecordingProgress progress_;
  const setup::SetupMessages saved_messages_ = setup::Messages();
};

const std::vector<std::string> kNtLinks = {
    "DNS Query Tool.lnk",
    "Tarno Mail Server Administration.lnk",
    "Tarno Mail Server Help.lnk",
    "Tarno Mail Server Readme.lnk",
    "Tarno Mail Server Tutorial.lnk",
    "Tarno Mail Server Web Administration.lnk",
    "Tarno Mail Server Web Mail.lnk",
    "Uninstall Tarno Mail Server.lnk",
};

// On the NT family the group holds exactly the five fixed links, the
// uninstall link and the two web links, each pointing where it should with
// its arguments and icon; the per-user group of an older installation is
// gone; nothing is written into the current folder.
TEST_F(IconsAndUninstallEntryTest, NtFamilyGroupHoldsExactlyItsLinks) {
  MakeDirectory(folder_.Dir() + "user programs\\Tarno Mail Server");
  PutFile(folder_.Dir() + "user programs\\Tarno Mail Server\\Old.lnk", "old");
  Run(false, true);
  EXPECT_EQ(progress_.texts, std::vector<std::string>{"Creating Icons..."});
  EXPECT_TRUE(progress_.fatal.empty());
  EXPECT_EQ(FileNames(Group()), kNtLinks) << Listing(FileNames(Group()));
  ExpectLink(Group(), "Tarno Mail Server Administration", "config.exe", "", 0);
  ExpectLink(Group(), "Tarno Mail Server Readme", "readme.txt", "", 0);
  ExpectLink(Group(), "Tarno Mail Server Help", "help\\manual.chm", "", 0);
  ExpectLink(Group(), "DNS Query Tool", "dnsquery.exe", "", 0);
  ExpectLink(Group(), "Tarno Mail Server Tutorial", "tutorial\\index.html", "", 0);
  ExpectLink(Group(), "Uninstall Tarno Mail Server", "setup.exe", "/UNINSTALL", 1);
  ExpectLink(Group(), "Tarno Mail Server Web Mail", "setup.exe", "/WEBMAILLOGON", 2);
  ExpectLink(Group(), "Tarno Mail Server Web Administration", "setup.exe", "/WEBADMINLOGON", 2);
  EXPECT_FALSE(Exists(folder_.Dir() + "user programs\\Tarno Mail Server")) << "the per-user group is still there";
  EXPECT_TRUE(FileNames(Current() + "\\").empty()) << Listing(FileNames(Current() + "\\"));
}

// Other Windows versions get the five server start links too, and web mail
// its manual; a link a user added is gone after the next run.
TEST_F(IconsAndUninstallEntryTest, OtherFamilyWithWebMailAndRebuiltGroup) {
  Run(false, true);
  PutFile(Group() + "My Own.lnk", "mine");
  Run(true, false);
  std::vector<std::string> expected = kNtLinks;
  for (const char* name : {"Cordane WebMail Documentation.lnk", "Start Tarno SMTP Service.lnk",
                           "Start Tarno POP3-IMAP4 Service.lnk", "Start Tarno Control Service.lnk",
                           "Start Tarno Instant Messaging Service.lnk", "Start Tarno GroupWare Service.lnk"})
    expected.push_back(name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FileNames(Group()), expected) << Listing(FileNames(Group()));
  ExpectLink(Group(), "Cordane WebMail Documentation", "html\\mail\\help\\index.htm", "", 0);
  ExpectLink(Group(), "Start Tarno SMTP Service", "smtp.exe", "", 0);
  ExpectLink(Group(), "Start Tarno GroupWare Service", "cal.exe", "", 0);
}

// A language file that renames the uninstall link renames its file.
TEST_F(IconsAndUninstallEntryTest, RenamedUninstallLink) {
  setup::MessageRegistry registry;
  setup::RegisterSetupMessages(setup::Messages(), registry);
  ASSERT_TRUE(setup::SetMessage("uninstalldesc", "Tarno entfernen", registry));
  Run(false, true);
  EXPECT_FALSE(Exists(Group() + "Uninstall Tarno Mail Server.lnk"));
  ExpectLink(Group(), "Tarno entfernen", "setup.exe", "/UNINSTALL", 1);
}

// Without the all-users programs value the shell's all-users programs
// folder takes the group; nothing goes into the current folder.
TEST_F(IconsAndUninstallEntryTest, MissingCommonProgramsValueUsesTheShellsFolder) {
  win32::ScopedRegKey key;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ShellFoldersKey().c_str(), 0, KEY_SET_VALUE, key.receive()),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegDeleteValueA(key.get(), "Common Programs"), ERROR_SUCCESS);
  const std::string group_name = "Tarno Test Group " + std::to_string(::GetCurrentProcessId());
  setup::Messages().cName = group_name;
  char programs[MAX_PATH];
  ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs), S_OK);
  const std::string group = std::string(programs) + "\\" + group_name + "\\";

  Run(false, true);
  EXPECT_EQ(FileNames(group), kNtLinks) << group << "\n" << Listing(FileNames(group));
  EXPECT_TRUE(FileNames(Current() + "\\").empty()) << Listing(FileNames(Current() + "\\"));
  RemoveTree(group);
}

// The uninstall entry and the product key, value by value with their types.
TEST_F(IconsAndUninstallEntryTest, RegistryValues) {
  Run(false, true);
  const std::map<std::string, std::string> entry = {
      {"DisplayName", "sz:Tarno Mail Server"},
      {"UninstallString", "sz:\"" + Install() + "setup.exe\" /UNINSTALL"},
      {"QuietUninstallString", "sz:\"" + Install() + "setup.exe\" /UNINSTALL /UNATTENDED"},
      {"DisplayVersion", "sz:8.3.8"},
      {"Publisher", "sz:Cordane"},
      {"InstallLocation", "sz:" + Install()},
      {"DisplayIcon", "sz:" + Install() + "setup.exe,0"},
      // 6,130 bytes of files, rounded up to KiB.
      {"EstimatedSize", "dword:6"},
      {"NoModify", "dword:1"},
      {"NoRepair", "dword:1"},
      {"URLInfoAbout", "sz:http://www.cordane.com/"},
  };
  for (const auto& [name, value] : entry) EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, UninstallKey(), name.c_str()), value) << name;
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, UninstallKey()), entry.size());

  const std::map<std::string, std::string> product = {
      {"InstallDir", "sz:" + Install()}, {"Name", "sz:Ann Admin"},  {"Email", "sz:ann@example.org"},
      {"Company", "sz:Example Ltd"},     {"Country", "sz:Iceland"}, {"Version", "sz:8.3.8"},
  };
  for (const auto& [name, value] : product) EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, ProductKey(), name.c_str()), value) << name;
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, ProductKey()), product.size());
  EXPECT_TRUE(progress_.fatal.empty());
}

// The uninstall command line starts the installed setup program from a
// folder with blanks in its path, never a program named after the path's
// first word ("...\Tarno.exe" for "...\Tarno Mail\setup.exe").
TEST_F(IconsAndUninstallEntryTest, UninstallStringStartsTheSetupProgram) {
  const std::string probe = win32::test_files::TestProgramFolder() + "probe\\command_line_probe.exe";
  ASSERT_TRUE(::CopyFileA(probe.c_str(), (Install() + "setup.exe").c_str(), FALSE)) << ::GetLastError();
  ASSERT_TRUE(::CopyFileA(probe.c_str(), (folder_.Dir() + "Tarno.exe").c_str(), FALSE)) << ::GetLastError();
  Run(false, true);
  std::string command = Value(HKEY_LOCAL_MACHINE, UninstallKey(), "UninstallString").substr(3);

  const std::string out = folder_.Dir() + "probe.txt";
  ::SetEnvironmentVariableA("TARNO_PROBE_OUT", out.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  ::SetEnvironmentVariableA("TARNO_PROBE_OUT", nullptr);
  ASSERT_TRUE(started) << command << " error " << ::GetLastError();
  win32::ScopedHandle thread(process.hThread), handle(process.hProcess);
  ASSERT_EQ(::WaitForSingleObject(handle.get(), 60000), WAIT_OBJECT_0);
  EXPECT_EQ(GetFile(out), Install() + "setup.exe\r\n/UNINSTALL\r\n");
}

}  // namespace
}  // namespace platform
