#include "serverconf/config_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>

#include "serverconf/config_scramble.h"
#include "support/config_store_test_support.h"
#include "xmldoc/xml_object.h"

namespace serverconf {
namespace {

namespace fs = std::filesystem;
namespace f = settings_field;

using namespace serverconf::testing;


class ConfigStore : public ::testing::Test {
 protected:
  void SetUp() override { ResolveServerPaths(folder_.Dir() + "inst", "C:\\unused\\"); }
  std::string Inst() const { return folder_.Dir() + "inst\\"; }
  TempFolder folder_;
};

TEST_F(ConfigStore, DefaultPathsWithoutPathDat) {
  const ServerPaths& p = Paths();
  EXPECT_EQ(p.install_dir, Inst()) << "switch value gets a trailing backslash";
  EXPECT_EQ(p.config_dir, Inst() + "config\\");
  EXPECT_EQ(p.web_dir, Inst() + "html\\");
  EXPECT_EQ(p.web_temp_dir, Inst() + "html\\temp\\");
  EXPECT_EQ(p.spam_dir, Inst() + "spam\\");
  EXPECT_EQ(Edition(), kEditionProfessional);
  ResolveServerPaths("", "D:\\Program\\Tarno\\");
  EXPECT_EQ(Paths().install_dir, "D:\\Program\\Tarno\\") << "without the switch: the program's directory";
  EXPECT_EQ(ProductTitle(), "Tarno 8.3.8");
  EXPECT_TRUE(std::regex_match(TimeZoneSuffix(), std::regex("[+-][0-9]{4}"))) << TimeZoneSuffix();
}

TEST_F(ConfigStore, PathDatWithFewLinesCommentsAndEscapes) {
  folder_.Write("inst\\path.dat", folder_.Dir() + "cfg # moved\r\n\r\n" + folder_.Dir() + "wt /* temp */\r\n" +
                                      "-a##b\r\n\r\n" + folder_.Dir() + "spam");
  ResolveServerPaths(Inst(), "");
  const ServerPaths& p = Paths();
  EXPECT_EQ(p.config_dir, folder_.Dir() + "cfg\\");
  EXPECT_EQ(p.web_dir, Inst() + "html\\") << "empty line keeps the default";
  EXPECT_EQ(p.web_temp_dir, folder_.Dir() + "wt\\");
  EXPECT_EQ(p.log_file_suffix, "-a#b");
  EXPECT_EQ(p.spam_dir, folder_.Dir() + "spam\\");
  EXPECT_EQ(p.forward_dir, p.mail_dir + "forward\\") << "line absent: default";
  EXPECT_EQ(p.forward_retry_dir, p.mail_dir + "forward\\retry\\");
}

TEST_F(ConfigStore, PathCfgReplacesPathDat) {
  folder_.Write("inst\\path.dat", "X:\\old\\\r\n");
  folder_.Write("inst\\path.cfg", "Y:\\new\r\n\r\n\r\n\r\n\r\n\r\n\r\nZ:\\fwd\r\n");
  ResolveServerPaths(Inst(), "");
  EXPECT_FALSE(folder_.Exists("inst\\path.cfg"));
  EXPECT_EQ(folder_.Read("inst\\path.dat"), "Y:\\new\r\n\r\n\r\n\r\n\r\n\r\n\r\nZ:\\fwd\r\n");
  EXPECT_EQ(Paths().config_dir, "Y:\\new\\");
  EXPECT_EQ(Paths().forward_dir, "Z:\\fwd\\");
}

TEST_F(ConfigStore, ServerTitleAndProductInformation) {
  folder_.Write("inst\\config\\servertitle.dat", "Acme Mail // brand\r\nTarno=Acme\r\nplain\r\n");
  folder_.Write("inst\\xml\\info.xml", "<info><version>8.3.8</version></info>");
  ResolveServerPaths(Inst(), "");
  EXPECT_EQ(ProductTitle(), "Acme Mail");
  ASSERT_EQ(TitleReplacements().size(), 1u);
  EXPECT_EQ(TitleReplacements()[0].first, "Tarno");
  EXPECT_EQ(TitleReplacements()[0].second, "Acme");
  ASSERT_NE(ProductInformation(), nullptr);
  const xmldoc::TXMLObject* info = ProductInformation()->FindChild("info");
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->FindChild("version"), nullptr);
  EXPECT_EQ(info->FindChild("version")->GetText(true), "8.3.8");
}

TEST_F(ConfigStore, MissingSettingsWithEachFlag) {
  EXPECT_TRUE(LoadServerConfig(false, false)) << "missing, flag off";
  EXPECT_FALSE(LoadServerConfig(true, false)) << "missing, flag on";
  EXPECT_EQ(Settings().String(f::kHostName), kPlaceholderHostName);
  EXPECT_EQ(WebConsolePort(), 32000);
  EXPECT_EQ(Edition(), kEditionProfessional) << "the initial record's edition";
  EXPECT_EQ(Settings().Byte(f::kStorageMode), 0) << "a Professional default forces no storage mode";
  EXPECT_EQ(Paths().temp_dir, Inst() + "temp\\");
  EXPECT_EQ(Paths().mail_dir, Inst() + "mail\\");
  EXPECT_EQ(Paths().log_dir, Inst() + "logs\\");
  EXPECT_EQ(WebConsoleHost(), "localhost");
}

// A file that ends before the edition byte, or none at all, leaves the
// defaults, also after a load of another configuration that held other
// values: a load never keeps what the configuration before it held.
TEST_F(ConfigStore, FileEndingBeforeTheEditionKeepsTheDefaultsNotTheLastLoad) {
  std::string full(kServerSettingsSize, '\0');
  PutStr(full, 0, "other.example.org");
  full[255] = char(kEditionLite);
  full[3633] = 2;
  PutStr(full, 21428, "basic.xml");
  folder_.Write("inst\\config\\settings.cfg", Scrambled(full));
  ASSERT_TRUE(LoadServerConfig(true, true));
  ASSERT_EQ(Edition(), kEditionLite);
  ASSERT_EQ(Settings().Byte(f::kStorageMode), 1) << "Lite forces file storage";

  std::string short_file(200, '\0');
  PutStr(short_file, 0, "mail.example.org");
  folder_.Write("inst\\config\\settings.cfg", Scrambled(short_file));
  EXPECT_TRUE(LoadServerConfig(true, true));
  EXPECT_EQ(Settings().String(f::kHostName), "mail.example.org");
  EXPECT_EQ(Edition(), kEditionProfessional) << "the edition lies beyond the file";
  EXPECT_EQ(Settings().Byte(f::kStorageMode), 0);
  EXPECT_EQ(ConsoleFile(), "");

  ASSERT_TRUE(::DeleteFileA((Inst() + "config\\settings.cfg").c_str()));
  EXPECT_FALSE(LoadServerConfig(true, true));
  EXPECT_EQ(Settings().String(f::kHostName), kPlaceholderHostName);
  EXPECT_EQ(Edition(), kEditionProfessional);
}

TEST_F(ConfigStore, ShortSettingsFileReadsItsBytesAndDefaultsTheRest) {
  std::string plain(1100, '\0');
  PutStr(plain, 0, " Mail.Example.ORG ");
  plain[255] = 1;
  PutStr(plain, 512, "E:\\mailstore");
  PutLe(plain, 1028, 2, 2525);
  PutLe(plain, 1036, 2, 0);  // zero: default
  folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  EXPECT_TRUE(LoadServerConfig(false, false));
  EXPECT_TRUE(LoadServerConfig(true, false)) << "a read file answers true whatever the flag";
  ServerSettings& s = Settings();
  EXPECT_EQ(s.String(f::kHostName), "Mail.Example.ORG");
  EXPECT_EQ(Edition(), 1);
  EXPECT_EQ(s.Word(1028), 2525);
  EXPECT_EQ(WebConsolePort(), 32000);
  EXPECT_EQ(s.Word(24755), 5060) << "beyond the file: default";
  EXPECT_EQ(s.String(f::kSenderName), "MAILER-DAEMON");
  EXPECT_EQ(Paths().mail_dir, "E:\\mailstore\\");
  EXPECT_EQ(Paths().forward_dir, "E:\\mailstore\\forward\\");
  EXPECT_EQ(s.Byte(f::kStorageMode), 0) << "Professional keeps storage mode 0";
}

TEST_F(ConfigStore, PathDatLinesTenElevenBindDatAndSubdomains) {
  folder_.Write("inst\\path.dat", "\n\n\n\n\n\n\n\n\n10.0.0.1;10.0.0.2|10.0.0.99\nhost.from.pathdat\n");
  folder_.Write("inst\\config\\bind.dat", "ipv6_bind = ::1 # v6\r\nOUTGOING_BIND=10.0.0.7;10.0.0.8\r\nnoequals\r\n");
  ResolveServerPaths(Inst(), "");
  std::string plain(kServerSettingsSize, '\0');
  PutStr(plain, 0, "host.in.file");
  plain[1474] = 1;
  folder_.Write("inst\\config\\settings.cfg", Scrambled(plain));
  EXPECT_FALSE(SubdomainsFilePresent());
  folder_.Write("inst\\config\\subdomains.dat", "*.example.org=example.org\n");
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Settings().String(f::kHostName), "host.from.pathdat");
  EXPECT_EQ(Settings().String(f::kBindAddresses), "10.0.0.1;10.0.0.2");
  EXPECT_EQ(WebConsoleHost(), "10.0.0.1");
  EXPECT_EQ(OutgoingBindAddress(), "10.0.0.7") << "bind.dat is read after path.dat line 10";
  EXPECT_EQ(IPv6BindAddress(), "::1");
  EXPECT_TRUE(SubdomainsFilePresent());
  Settings().SetByte(f::kBindWebConsole, 0);
  EXPECT_EQ(WebConsoleHost(), "localhost");
}

TEST_F(ConfigStore, SaveWritesTheScrambledRecordIntoNewFolders) {
  LoadServerConfig(false, false);
  SetConfigPath(folder_.Dir() + "new\\deeper\\config");
  SetEdition(kEditionLite);
  Settings().SetString(f::kConsoleFile, "basic.xml");
  Settings().SetWord(f::kWebConsolePort, 8080);
  ASSERT_TRUE(SaveServerConfig());
  const std::string image = folder_.Read("new\\deeper\\config\\settings.cfg");
  ASSERT_EQ(image.size(), kServerSettingsSize);
  const std::string plain = Unscrambled(image);
  EXPECT_EQ(uint8_t(plain[255]), kEditionLite);
  EXPECT_EQ(Str(plain, 21428), "basic.xml");
  EXPECT_EQ(Le(plain, 1036, 2), 8080u);
  EXPECT_EQ(Le(plain, 1028, 2), 25u);
  EXPECT_EQ(Str(plain, 0), kPlaceholderHostName);
  EXPECT_EQ(Str(plain, 768), Inst() + "logs\\");
  EXPECT_EQ(Settings().Byte(255), kEditionLite) << "the in-memory record stays plain";
  // Loaded back, the same values come out.
  ASSERT_TRUE(LoadServerConfig(false, false));
  EXPECT_EQ(Edition(), kEditionLite);
  EXPECT_EQ(ConsoleFile(), "basic.xml");
  EXPECT_EQ(WebConsolePort(), 8080);
}

TEST_F(ConfigStore, RandomRecordSurvivesLoadAndSave) {
  std::mt19937 random(8383);
  std::string image(kServerSettingsSize, '\0');
  for (char& c : image) c = char(random());
  folder_.Write("inst\\config\\settings.cfg", image);
  ASSERT_TRUE(LoadServerConfig(false, false));
  ASSERT_TRUE(SaveServerConfig());
  const std::string saved = folder_.Read("inst\\config\\settings.cfg");
  ASSERT_EQ(saved.size(), image.size());
  const std::set<size_t> touched = LoadTouchedBytes();
  size_t compared = 0;
  for (size_t i = 0; i < image.size(); ++i) {
    if (touched.count(i)) continue;
    ++compared;
    ASSERT_EQ(uint8_t(saved[i]), uint8_t(image[i])) << "byte " << i;
  }
  EXPECT_GT(compared, 22000u);
  EXPECT_EQ(uint8_t(Unscrambled(saved)[22122]), 0) << "file-name cleaning mode forced to 0";
}

TEST(ConfigStorePaths, SetPathsAddBackslashAndCut) {
  SetInstallPath("C:\\A");
  EXPECT_EQ(Paths().install_dir, "C:\\A\\");
  SetConfigPath(std::string(300, 'c'));
  EXPECT_EQ(Paths().config_dir.size(), 255u);
  EXPECT_EQ(Paths().config_dir.back(), '\\');
}

}  // namespace
}  // namespace serverconf
