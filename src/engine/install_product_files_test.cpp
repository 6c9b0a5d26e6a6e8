#include "engine/install_product_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/extract_data_file.h"
#include "engine/file_helpers.h"
#include "engine/setup_data_writer.h"
#include "messages/setup_messages.h"
#include "win32/scoped_handle.h"
#include "support/test_files.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

using namespace win32::test_files;
using Files = std::map<std::string, std::string>;  // relative name -> bytes

class RecordingProgress : public InstallProgress {
 public:
  void SetProgressText(const std::string& text) override { texts.push_back(text); }
  void StepProgress() override { ++steps; }
  void FatalError(const std::string& text, unsigned) override { fatal.push_back(text); }
  std::vector<std::string> texts, fatal;
  int steps = 0;
};

class RecordingServices : public ComponentServices {
 public:
  bool DSNExists(const std::string& name) override {
    calls.push_back("DSNExists " + name);
    return existing_dsn.count(name) != 0;
  }
  bool CreateAccessDSN(const std::string& name, const std::string& file) override {
    calls.push_back("CreateAccessDSN " + name + " " + file);
    return true;
  }
  bool LoadAvSetupInterface(const std::string& directory) override {
    // The staged engine must be there while its setup interface is used.
    calls.push_back("Load " + directory + (Exists(directory) ? "" : " (missing)"));
    return true;
  }
  bool InstallAvEngine(const std::string& target) override {
    calls.push_back("Install " + target);
    return false;  // results are ignored
  }
  void UnloadAvSetupInterface() override { calls.push_back("Unload"); }
  bool UpdateAvEngineFiles() override {
    calls.push_back("Update");
    return false;
  }
  std::vector<std::string> calls;
  std::set<std::string> existing_dsn;
};

std::string Pack(const Files& files) {
  StringOutput out;
  SetupDataWriter writer(out, WriterOptions());
  EXPECT_TRUE(writer.Begin());
  for (const auto& [name, bytes] : files)
    EXPECT_EQ(writer.Add(name, bytes), SetupDataWriter::AddStatus::kOk) << name << ": " << writer.error();
  return out.bytes();
}


std::vector<std::string> Names(const Files& files) {
  std::vector<std::string> names;
  for (const auto& entry : files) names.push_back(entry.first);
  return names;
}

// The payload of "setup.Dat" as a release ships it (the version text marks
// which release the bytes belong to).
Files SetupPayload(const std::string& version) {
  Files f;
  for (std::string_view name : kProgramFiles) f[std::string(name)] = "program " + std::string(name) + " " + version;
  f["cordanecom.dll"] = "com " + version;
  f["im.exe"] = "im " + version;
  f["cal.exe"] = "cal " + version;
  f["cert.pem"] = "certificate " + version;
  f["webserver.dat"] = "root=%%installpath%%html\r\ntemp=%%temppath%%\r\n";
  f["demo.dat"] = "demo container";
  f["help\\index.html"] = "help " + version;
  f["help\\images\\logo.gif"] = "gif";
  f["modules\\filter.dll"] = "module " + version;
  f["html\\index.html"] = "html " + version;
  f["html\\admin\\main.html"] = "admin " + version;
  f["wizards\\domain.xml"] = "wizard " + version;
  f["spam\\challenge.mdb"] = "challenge " + version;
  f["spam\\spam.cfg"] = "spam cfg " + version;
  for (int n = 1; n <= 6; ++n) f["spam\\rules\\" + std::to_string(n) + "0_rules.cf"] = "rules " + version;
  f["spam\\rules\\70_extra.cf"] = "extra " + version;
  f["spam\\rules\\local.cf"] = "local template " + version;
  f["calendar\\calendar.xml"] = "calendar xml " + version;
  f["calendar\\calendar.mdb"] = "calendar db " + version;
  f["calendar\\holidays\\en.xml"] = "holidays " + version;
  f["calendar\\doc\\calendar.html"] = "doc " + version;
  f["calendar\\skins\\default.css"] = "skin " + version;
  f["api\\api.txt"] = "api " + version;
  f["tutorial\\index.html"] = "tutorial " + version;
  f["examples\\example.txt"] = "example " + version;
  f["xml\\products.xml"] = "xml " + version;
  return f;
}

Files WebPayload(const std::string& version) {
  return {{"settings.dat", "path=%%installpath%%webmail\\\r\ntemp=%%temppath%%\r\n"},
          {"config\\users.dat", "users " + version},
          {"html\\mail.html", "mail page " + version},
          {"html\\skins\\blue.css", "blue " + version},
          {"projects\\new.prj", "project " + version},
          {"webmail.php", "web mail " + version}};
}

Files LdapPayload(const std::string& version) {
  return {{"slapd.conf", "slapd " + version},
          {"schema\\core.schema", "core " + version},
          {"ldbm\\id2entry.dbb", "ids " + version},
          {"slapd.exe", "ldap server " + version},
          {"core.schema", "not protected " + version}};
}

class InstallProductFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "tarno file stage " + std::to_string(::GetCurrentProcessId()) + "\\";
    RemoveTree(root_);
    ASSERT_TRUE(ForceDirectoryTree(root_));
    // The staging directory lives in the temporary folder: this test's own.
    saved_tmp_ = GetEnv("TMP");
    ASSERT_TRUE(::SetEnvironmentVariableA("TMP", root_.c_str()));
    windows_ = GetSpecialDirectory(SpecialDirectoryKind::kWindows);
    saved_wmi_ = ReadFileBytes(windows_ + "wmi.ini");

    paths_.program_dir = root_ + "dist\\";
    paths_.program_file = "setup.exe";
    ASSERT_TRUE(ForceDirectoryTree(paths_.program_dir));
    PutDist("setup.Dat", Pack(SetupPayload("new")));
    PutDist("setupweb.dat", Pack(WebPayload("new")));
    PutDist("setupldap.dat", Pack(LdapPayload("new")));
    PutDist("setupphp.dat", Pack({{"php.exe", "php"}, {"wmi.ini", "[WMI]\r\nlog=%%temppath%%wmi.log\r\n"}}));
    PutDist("other.dat", Pack({{"other\\other.txt", "other"}}));
    for (const char* name : {"info.xml", "readme.txt", "releasenotes.txt", "setup.exe"})
      PutDist(name, std::string("companion ") + name);
    state_.ProgramDir = paths_.program_dir;
    state_.InstallFolder = root_ + "Program Files\\Tarno\\";
    ASSERT_TRUE(ForceDirectoryTree(root_ + "Program Files\\"));
  }

  void TearDown() override {
    ::SetEnvironmentVariableA("TMP", saved_tmp_.empty() ? nullptr : saved_tmp_.c_str());
    if (saved_wmi_) {
      EXPECT_TRUE(WriteTextFile(*saved_wmi_, windows_ + "wmi.ini"));
    } else {
      ::DeleteFileA((windows_ + "wmi.ini").c_str());
    }
    RemoveTree(root_);
    EXPECT_FALSE(Exists(root_)) << "test folder left behind: " << root_;
  }

  static std::string GetEnv(const char* name) {
    char buffer[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableA(name, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
  }

  void PutDist(const std::string& name, const std::string& bytes) { PutFile(paths_.program_dir + name, bytes); }

  // The installation's file stage: unpack "setup.Dat", place the files.
  bool RunFileStage() {
    paths_.staging = ExtractSetupData(progress_, paths_.program_dir);
    if (paths_.staging.empty()) return false;
    state_.ConfigPresentAtDestination = IsDir(state_.InstallFolder + "config\\");
    bool done = InstallFiles(progress_, services_, state_, paths_);
    if (done) RemoveExtractedTree(paths_.staging);
    return done;
  }

  std::string root_, saved_tmp_, windows_;
  std::optional<std::string> saved_wmi_;
  FileStagePaths paths_;
  setup::SetupState state_;
  RecordingProgress progress_;
  RecordingServices services_;
};

std::string Copying(const std::string& path) { return "Copying File:\r\n" + path + "..."; }

TEST_F(InstallProductFilesTest, FreshInstallationPlacesTheWholeDistribution) {
  ASSERT_TRUE(RunFileStage()) << (progress_.fatal.empty() ? "" : progress_.fatal[0]);
  ASSERT_TRUE(progress_.fatal.empty()) << progress_.fatal[0];
  const std::string& install = state_.InstallFolder;

  Files expected;
  for (const auto& [name, bytes] : SetupPayload("new"))
    if (name != "webserver.dat" && name != "demo.dat") expected[name] = bytes;
  expected.erase("cert.pem");
  expected["config\\cert.pem"] = "certificate new";
  std::string temp = windows_ + "temp\\";
  expected["config\\webserver.dat"] = "root=" + install + "html\r\ntemp=" + temp + "\r\n";
  expected["xml\\info.xml"] = "companion info.xml";
  expected["readme.txt"] = "companion readme.txt";
  expected["releasenotes.txt"] = "companion releasenotes.txt";
  expected["setup.exe"] = "companion setup.exe";
  for (const auto& [name, bytes] : LdapPayload("new")) expected["ldap\\" + name] = bytes;
  expected["php\\php.exe"] = "php";
  expected["control.exe.local"] = "";
  expected["webmail\\config\\settings.dat"] = "path=" + install + "webmail\\\r\ntemp=" + temp + "\r\n";
  expected["webmail\\config\\users.dat"] = "users new";
  expected["html\\mail\\mail.html"] = "mail page new";
  expected["html\\mail\\skins\\blue.css"] = "blue new";
  expected["webmail\\projects\\new.prj"] = "project new";
  expected["webmail\\webmail.php"] = "web mail new";
  expected["other\\other.txt"] = "other";
  Files installed = FileContentsBelow(install);
  EXPECT_EQ(Names(installed), Names(expected));
  for (const auto& [name, bytes] : expected) EXPECT_EQ(installed[name], bytes) << name;

  EXPECT_EQ(GetFile(windows_ + "wmi.ini"), "[WMI]\r\nlog=" + temp + "wmi.log\r\n");
  EXPECT_TRUE(state_.WebMailInstalled);
  EXPECT_EQ(services_.calls, (std::vector<std::string>{
                                 "DSNExists CordaneSpamChallenge",
                                 "CreateAccessDSN CordaneSpamChallenge " + install + "spam\\challenge.mdb",
                                 "DSNExists CordaneCalendar",
                                 "CreateAccessDSN CordaneCalendar " + install + "calendar\\calendar.mdb"}))
      << "no antivirus calls without setupav.dat";

  // The progress texts are those of copying: info.xml, then the program
  // files in their order, then (after the trees) the companion documents.
  ASSERT_GE(progress_.texts.size(), 16u);
  EXPECT_EQ(progress_.texts[0], "Extracting Files...");
  EXPECT_EQ(progress_.texts[1], Copying(install + "xml\\info.xml"));
  for (size_t i = 0; i < std::size(kProgramFiles); ++i)
    EXPECT_EQ(progress_.texts[2 + i], Copying(install + std::string(kProgramFiles[i])));
  EXPECT_EQ(progress_.texts[15], Copying(install + "cordanecom.dll"));
  auto at = [&](const std::string& text) {
    return std::find(progress_.texts.begin(), progress_.texts.end(), text) - progress_.texts.begin();
  };
  EXPECT_LT(at(Copying(install + "help\\index.html")), at(Copying(install + "spam\\spam.cfg")));
  EXPECT_LT(at(Copying(install + "xml\\products.xml")), at(Copying(install + "readme.txt")));
  EXPECT_LT(at(Copying(install + "setup.exe")), at("Installing Web Mail..."));
  EXPECT_LT(at("Installing Web Mail..."), at(Copying(install + "html\\mail\\mail.html")));
  // The rules are copied twice (with the tree, then as rules), "local.cf" once.
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), Copying(install + "spam\\rules\\10_rules.cf")),
            2);
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), Copying(install + "spam\\rules\\local.cf")),
            1);
  size_t copies = std::count_if(progress_.texts.begin(), progress_.texts.end(),
                                [](const std::string& t) { return t.rfind("Copying File:", 0) == 0; });
  // Every file once, the seven rule files other than local.cf a second time;
  // templates, containers and the moved old-layout files show no text.
  EXPECT_EQ(copies, expected.size() - LdapPayload("new").size() - 1 /*php*/ - 1 /*other*/ - 2 /*templates*/ - 1 /*.local*/ + 7);
}

TEST_F(InstallProductFilesTest, PlantedLeftoversInTheStagingDirectoryAreNotInstalled) {
  std::string planted = root_ + "tarnoinstall\\";
  ASSERT_TRUE(ForceDirectoryTree(planted + "help\\"));
  ASSERT_TRUE(ForceDirectoryTree(planted + "evil\\"));
  PutFile(planted + "help\\planted.html", "planted");
  PutFile(planted + "help\\index.html", "planted index", FILE_ATTRIBUTE_READONLY);
  PutFile(planted + "evil.dll", "planted", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(RunFileStage());
  EXPECT_EQ(paths_.staging, planted);
  Files installed = FileContentsBelow(state_.InstallFolder);
  EXPECT_EQ(installed.count("help\\planted.html"), 0u);
  EXPECT_EQ(installed.count("evil.dll"), 0u);
  EXPECT_EQ(installed["help\\index.html"], "help new");
}

TEST_F(InstallProductFilesTest, UpgradeKeepsTheAdministratorsDataAndReplacesTheProduct) {
  ASSERT_TRUE(RunFileStage());
  const std::string& install = state_.InstallFolder;
  // The administrator's data and changes since the first installation.
  Files admin = {{"config\\cert.pem", "my certificate"},
                 {"config\\webserver.dat", "my web server"},
                 {"config\\domains.dat", "domains"},
                 {"config\\db.ini", "new layout db.ini"},
                 {"mail\\example.com\\admin\\1.msg", "a message"},
                 {"logs\\smtp.log", "log"},
                 {"webmail\\config\\settings.dat", "my web mail settings"},
                 {"webmail\\config\\users.dat", "my web mail users"},
                 {"webmail\\config\\prefs\\admin.dat", "prefs"},
                 {"spam\\challenge.mdb", "my challenges"},
                 {"calendar\\calendar.mdb", "my calendar"},
                 {"spam\\rules\\local.cf", "my local rules"},
                 {"ldap\\slapd.conf", "my slapd"},
                 {"ldap\\schema\\core.schema", "my schema"},
                 {"ldap\\ldbm\\id2entry.dbb", "my directory"}};
  for (const auto& [name, bytes] : admin) {
    ASSERT_TRUE(ForceDirectoryTree(DirectoryOf(install + name)));
    PutFile(install + name, bytes);
  }
  PutFile(install + "spam\\rules\\1old.cf", "old rule");
  PutFile(install + "spam\\rules\\6zz.txt", "old rule");
  PutFile(install + "spam\\rules\\7mine.cf", "kept");
  PutFile(install + "spam\\rules\\my.cf", "kept");
  PutFile(install + "cert.dat", "old layout cert.dat");
  PutFile(install + "db.ini", "old layout db.ini");
  PutFile(install + "webmail\\projects\\old.prj", "old project");
  PutFile(install + "smtp.exe", "old smtp", FILE_ATTRIBUTE_READONLY);
  ::DeleteFileA((install + "calendar\\calendar.xml").c_str());
  PutDist("setup.Dat", Pack(SetupPayload("8.3.8")));
  PutDist("setupweb.dat", Pack(WebPayload("8.3.8")));
  PutDist("setupldap.dat", Pack(LdapPayload("8.3.8")));
  progress_.texts.clear();
  services_.calls.clear();
  services_.existing_dsn = {"CordaneSpamChallenge", "CordaneCalendar"};

  ASSERT_TRUE(RunFileStage()) << (progress_.fatal.empty() ? "" : progress_.fatal[0]);
  EXPECT_TRUE(state_.ConfigPresentAtDestination);
  Files after = FileContentsBelow(install);
  for (const auto& [name, bytes] : admin) EXPECT_EQ(after[name], bytes) << name << " must stay as it was";
  EXPECT_EQ(after["smtp.exe"], "program smtp.exe 8.3.8");
  EXPECT_EQ(after["help\\index.html"], "help 8.3.8");
  EXPECT_EQ(after["config\\cert.dat"], "old layout cert.dat");
  EXPECT_EQ(after.count("cert.dat"), 0u);
  EXPECT_EQ(after["db.ini"], "old layout db.ini") << "the move fails when config\\ has one: both stay";
  // Rules: those beginning with 1 to 6 are replaced by the release's, the rest stay.
  EXPECT_EQ(after.count("spam\\rules\\1old.cf"), 0u);
  EXPECT_EQ(after.count("spam\\rules\\6zz.txt"), 0u);
  EXPECT_EQ(after["spam\\rules\\7mine.cf"], "kept");
  EXPECT_EQ(after["spam\\rules\\my.cf"], "kept");
  EXPECT_EQ(after["spam\\rules\\10_rules.cf"], "rules 8.3.8");
  EXPECT_EQ(after["spam\\rules\\70_extra.cf"], "extra 8.3.8");
  EXPECT_EQ(after["spam\\spam.cfg"], "spam cfg new") << "an existing spam\\ gets only its rules";
  // An existing calendar\ gets calendar.xml, holidays and documentation only.
  EXPECT_EQ(after["calendar\\calendar.xml"], "calendar xml 8.3.8");
  EXPECT_EQ(after["calendar\\holidays\\en.xml"], "holidays 8.3.8");
  EXPECT_EQ(after["calendar\\doc\\calendar.html"], "doc 8.3.8");
  EXPECT_EQ(after["calendar\\skins\\default.css"], "skin new");
  // LDAP: the keep list stays, the rest is replaced.
  EXPECT_EQ(after["ldap\\slapd.exe"], "ldap server 8.3.8");
  EXPECT_EQ(after["ldap\\core.schema"], "not protected 8.3.8");
  // Web mail: projects replaced as a whole, pages replaced.
  EXPECT_EQ(after.count("webmail\\projects\\old.prj"), 0u);
  EXPECT_EQ(after["webmail\\projects\\new.prj"], "project 8.3.8");
  EXPECT_EQ(after["html\\mail\\mail.html"], "mail page 8.3.8");
  EXPECT_EQ(services_.calls, (std::vector<std::string>{"DSNExists CordaneSpamChallenge", "DSNExists CordaneCalendar"}));
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), Copying(install + "spam\\rules\\local.cf")), 0);
}

TEST_F(InstallProductFilesTest, WebMailNotChosenNeedsNoWebMailContainer) {
  ::DeleteFileA((paths_.program_dir + "setupweb.dat").c_str());
  state_.NoInstallWebMail = true;
  ASSERT_TRUE(RunFileStage()) << (progress_.fatal.empty() ? "" : progress_.fatal[0]);
  EXPECT_TRUE(progress_.fatal.empty());
  EXPECT_FALSE(state_.WebMailInstalled);
  EXPECT_FALSE(Exists(state_.InstallFolder + "control.exe.local"));
  EXPECT_FALSE(Exists(state_.InstallFolder + "webmail"));
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "Installing Web Mail..."), 0);

  // An earlier installation's web mail pages and the other components not
  // chosen are removed afterwards.
  ASSERT_TRUE(ForceDirectoryTree(state_.InstallFolder + "html\\mail\\"));
  PutFile(state_.InstallFolder + "html\\mail\\old.html", "old");
  ASSERT_TRUE(ForceDirectoryTree(state_.InstallFolder + "avast\\setup\\"));
  PutFile(state_.InstallFolder + "avast\\setup\\setiface.dll", "engine");
  state_.NoInstallIM = state_.NoInstallCalendar = state_.NoInstallAV = state_.NoInstallIAS = true;
  RemoveDeselectedComponents(state_);
  for (const char* gone : {"html\\mail", "im.exe", "cal.exe", "avast", "spam"})
    EXPECT_FALSE(Exists(state_.InstallFolder + gone)) << gone;
  EXPECT_TRUE(Exists(state_.InstallFolder + "html\\index.html"));
  EXPECT_TRUE(Exists(state_.InstallFolder + "smtp.exe"));
}

TEST_F(InstallProductFilesTest, AntivirusEngineIsInstalledThroughItsSetupInterface) {
  PutDist("setupav.dat", Pack({{"setiface.dll", "interface"}, {"avastoem.exe", "engine installer"}}));
  const std::string& install = state_.InstallFolder;
  ASSERT_TRUE(ForceDirectoryTree(install + "avast\\old\\"));
  PutFile(install + "avast\\old\\engine.dll", "old engine");
  state_.PreviousOlderThan827 = true;
  ASSERT_TRUE(RunFileStage()) << (progress_.fatal.empty() ? "" : progress_.fatal[0]);
  std::string staged = paths_.staging + "avast\\";
  std::vector<std::string> av(services_.calls.begin() + 4, services_.calls.end());
  EXPECT_EQ(av, (std::vector<std::string>{"Load " + staged, "Install " + install + "avast", "Unload",
                                          "Load " + install + "avast\\setup\\ (missing)", "Update", "Unload"}));
  EXPECT_FALSE(Exists(install + "avast\\old")) << "an engine of a release before 8.2.7 is removed first";
  EXPECT_FALSE(Exists(staged)) << "the staged engine is removed";
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "Installing Antivirus Engine..."), 1);
}

TEST_F(InstallProductFilesTest, ADestinationWhoseParentIsMissingEndsTheSetup) {
  state_.InstallFolder = root_ + "missing parent\\Tarno\\";
  EXPECT_FALSE(RunFileStage());
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "Directory could not be created: " + win32::ErrorText(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(Exists(root_ + "missing parent"));
  EXPECT_EQ(progress_.texts.back(), "Extracting Files...") << "nothing after the box";
}

TEST_F(InstallProductFilesTest, AFailingMandatoryCopyEndsTheSetup) {
  Files payload = SetupPayload("new");
  payload.erase("regex.dll");
  PutDist("setup.Dat", Pack(payload));
  EXPECT_FALSE(RunFileStage());
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "File copy error: " + win32::ErrorText(ERROR_FILE_NOT_FOUND) +
                                    "\r\nregex.dll\r\nIt is suggested to reboot this computer and run the setup again.");
  EXPECT_EQ(progress_.texts.back(), Copying(state_.InstallFolder + "regex.dll")) << "nothing after the box";
  EXPECT_FALSE(Exists(state_.InstallFolder + "help"));
}

TEST_F(InstallProductFilesTest, ADamagedOrMissingContainerShowsTheDataFileError) {
  ::DeleteFileA((paths_.program_dir + "setup.Dat").c_str());
  EXPECT_FALSE(RunFileStage());
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "Extracting files error: data file error");

  progress_.fatal.clear();
  PutDist("setup.Dat", Pack(SetupPayload("new")));
  // A name that would leave the destination makes the container damaged.
  std::string options = std::string("\x01") + std::string("\x02\0\0\0", 4);
  PutDist("setupweb.dat", "ILDS" + std::string("\x05\0\0\0", 4) + options + "\x07..\\evil" +
                              std::string("\x01\0\0\0x", 5));
  EXPECT_FALSE(RunFileStage());
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "Extracting files error: data file error");
}

// Every container the installation will unpack is read through before
// anything changes; one it will not use may be absent or damaged.
TEST_F(InstallProductFilesTest, DistributionCheckReadsEveryContainerTheChoicesUse) {
  const std::string& dist = paths_.program_dir;
  // The installation's own list: the containers its plan checks.
  auto containers = [&] { return ContainersOf(FileStageRequest(state_, paths_), ProbeDistribution(dist)); };
  auto intact = [&] { return DistributionIntact(progress_, dist, containers()); };
  EXPECT_EQ(containers(), (std::vector<std::string>{"setup.Dat", "setupldap.dat", "setupphp.dat", "setupweb.dat",
                                                    "other.dat"}));
  EXPECT_TRUE(intact());

  for (const char* name : {"setupldap.dat", "setupphp.dat", "setupweb.dat", "other.dat"}) {
    const std::string whole = ReadFileBytes(dist + name).value_or("");
    PutDist(name, whole.substr(0, whole.size() - 1));
    progress_.fatal.clear();
    EXPECT_FALSE(intact()) << name << " truncated";
    EXPECT_EQ(progress_.fatal, std::vector<std::string>{"Extracting files error: data file error"}) << name;
    PutDist(name, whole);
  }
  progress_.fatal.clear();

  // Web mail not chosen: its container is not needed; the engine's container
  // counts only when present and the engine is chosen; absent optional ones
  // are not damaged.
  PutDist("setupweb.dat", "damaged");
  PutDist("setupav.dat", "damaged");
  state_.NoInstallWebMail = state_.NoInstallAV = true;
  for (const char* name : {"setupldap.dat", "setupphp.dat", "other.dat"}) ::DeleteFileA((dist + name).c_str());
  EXPECT_EQ(containers(), std::vector<std::string>{"setup.Dat"});
  EXPECT_TRUE(intact());
  state_.NoInstallAV = false;
  EXPECT_FALSE(intact()) << "a damaged antivirus container";
  state_.NoInstallWebMail = false;
  ::DeleteFileA((dist + "setupav.dat").c_str());
  ::DeleteFileA((dist + "setupweb.dat").c_str());
  EXPECT_FALSE(intact()) << "web mail chosen without its container";
  EXPECT_EQ(progress_.fatal.size(), 2u);
  EXPECT_FALSE(Exists(state_.InstallFolder)) << "the check changed the destination";
}

// "tarno.mcb" beside the program and the staged "demo.dat" are unpacked into
// the configuration directory of a new installation only: the steps of the
// installation's plan that unpack there, applied.
TEST_F(InstallProductFilesTest, NewInstallationContainersGoToTheConfigurationDirectory) {
  PutDist("tarno.mcb", Pack({{"licence.key", "key"}}));
  std::string staging = root_ + "staged\\";
  ASSERT_TRUE(ForceDirectoryTree(staging));
  PutFile(staging + "demo.dat", Pack({{"domains.dat", "demo domain"}}));
  ASSERT_TRUE(ForceDirectoryTree(state_.InstallFolder + "config\\"));
  auto unpack_configuration = [&](bool config_present) {
    InstallDetection detection;
    detection.config_present = config_present;
    StagedFilePlacer placer(progress_);
    FileStageParts parts{progress_, placer, services_, {state_.InstallFolder, staging, paths_.program_dir, windows_, {}, {}}};
    const InstallPlan plan = PlanInstallation(detection, FileStageRequest(state_, paths_),
                                              ProbeDistribution(paths_.program_dir), setup::Messages());
    for (const PlanStep& step : plan.steps)
      if (step.kind == StepKind::kExtractContainer && step.target == PlanPath{PlanRoot::kInstall, "config\\"}) {
        EXPECT_TRUE(ApplyFileStep(step, parts)) << step.source.relative;
      }
  };
  unpack_configuration(true);
  EXPECT_TRUE(FileContentsBelow(state_.InstallFolder).empty()) << "an upgrade gets neither";
  unpack_configuration(false);
  EXPECT_EQ(FileContentsBelow(state_.InstallFolder),
            (Files{{"config\\domains.dat", "demo domain"}, {"config\\licence.key", "key"}}));
}

}  // namespace
}  // namespace engine
