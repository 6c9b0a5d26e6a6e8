// A damaged distribution over a running installation: whatever container the
// installation would unpack is found damaged before anything is stopped or
// changed, and so is a sound container of another build copied beside the
// distribution's setup.exe, which knows the SHA-256 of its own. The setup
// ends with the data-file error box and its exit code; the servers of the
// installed release go on running in the same processes and no file of the
// installation changes.
#include <functional>
#include <map>
#include <string>

#include "engine/extract_data_file.h"
#include "install_fixture.h"
#include "setup/setup_state.h"

namespace e2e {
namespace {

using win32::test_files::FileContentsBelow;

// Where the first entry of a container lies: its name's characters and its data.
struct FirstEntry {
  size_t name = 0, name_length = 0, data = 0, data_size = 0;
};

FirstEntry LocateFirstEntry(const std::string& bytes) {
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  FirstEntry entry;
  size_t at = 0;
  uint32_t name_format = 0;
  if (bytes.compare(0, 4, "ILDS") == 0) {
    const uint32_t options = le32(4);
    if (options >= 5) name_format = le32(9);
    at = 8 + options;
  }
  entry.name = at + 1;
  entry.name_length = static_cast<unsigned char>(bytes[at]);
  at += name_format >= 2 ? 1 + entry.name_length : 256;
  entry.data_size = le32(at);
  entry.data = at + 4;
  return entry;
}

struct Damage {
  const char* what;
  const char* container;
  std::function<void(std::string&)> apply;
};

// One more entry at the end of a compressed container with length-prefixed
// names: `name` holding `content` as a zlib stream of one stored block.
void AppendEntry(std::string& bytes, const std::string& name, const std::string& content) {
  auto le32 = [](uint32_t v) {
    return std::string{char(v & 0xff), char(v >> 8 & 0xff), char(v >> 16 & 0xff), char(v >> 24 & 0xff)};
  };
  uint32_t a = 1, b = 0;  // Adler-32
  for (unsigned char c : content) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t adler = b << 16 | a;
  const uint16_t length = static_cast<uint16_t>(content.size());
  std::string stream = {'\x78', '\x01', '\x01', char(length & 0xff), char(length >> 8), char(~length & 0xff),
                        char((~length >> 8) & 0xff)};
  stream += content;
  stream += {char(adler >> 24), char(adler >> 16 & 0xff), char(adler >> 8 & 0xff), char(adler & 0xff)};
  bytes += char(name.size()) + name + le32(static_cast<uint32_t>(stream.size())) + stream;
}

// A seeded installation whose servers run. The wizard is walked to the
// Install button and must end with the data-file error box and its exit code
// before anything is stopped or changed.
class RefusedDistributionTest : public SeededInstallationTest {
 protected:
  void InstallAndExpectRefusal(const std::string& container) {
    std::vector<DWORD> processes;
    for (const char* name : kServices) processes.push_back(ServiceProcess(name));
    const std::map<std::string, std::string> before = FileContentsBelow(install_);
    ASSERT_NO_FATAL_FAILURE(WalkToDestination());
    driver::MessageBoxInfo box = InstallUntilErrorBox(setup::kExitDamagedDistribution);
    EXPECT_EQ(box.text, "Extracting files error: data file error") << driver::Describe(box);

    ExpectServersAsSeeded();
    for (size_t row = 0; row < std::size(kServices); ++row)
      EXPECT_EQ(ServiceProcess(kServices[row]), processes[row]) << kServices[row] << " was stopped";
    const std::map<std::string, std::string> after = FileContentsBelow(install_);
    EXPECT_EQ(after.size(), before.size()) << "files came or went below " << install_;
    for (const auto& [name, content] : after)
      if (before.count(name) == 0) ADD_FAILURE() << name << " came: " << content.substr(0, 200);
    for (const auto& [name, content] : before) {
      auto found = after.find(name);
      if (found == after.end()) ADD_FAILURE() << name << " is gone";
      else EXPECT_TRUE(found->second == content) << name << " changed";
    }
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "8.2.6");
    EXPECT_NE(run_.Log().find(container), std::string::npos) << "the log names no damaged container:\n"
                                                              << run_.Log();
  }
};

class DamagedDistributionTest : public RefusedDistributionTest, public ::testing::WithParamInterface<Damage> {
 protected:
  // The damage itself is found: the setup.exe of the build folder knows no
  // container hashes.
  DamagedDistributionTest() { built_setup_ = false; }
};

TEST_P(DamagedDistributionTest, EndsWithTheDataFileErrorAndLeavesTheInstallationRunning) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  const Damage& damage = GetParam();
  const std::string container = run_.dist() + damage.container;
  std::string bytes = ReadFile(container);
  ASSERT_GT(bytes.size(), 64u) << container;
  ASSERT_TRUE(bytes.compare(0, 4, "ILDS") == 0 && bytes[8] != 0) << damage.container << " is not compressed";
  damage.apply(bytes);
  ASSERT_FALSE(HasFatalFailure()) << "the damage could not be made";
  WriteFile(container, bytes);
  InstallAndExpectRefusal(damage.container);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, DamagedDistributionTest,
    ::testing::Values(
        Damage{"SetupDatTruncated", "setup.Dat", [](std::string& b) { b.resize(b.size() - b.size() / 3); }},
        Damage{"SetupDatByteChangedInCompressedEntry", "setup.Dat",
               [](std::string& b) {
                 const FirstEntry e = LocateFirstEntry(b);
                 ASSERT_GT(e.data_size, 16u);
                 b[e.data + e.data_size / 2] = static_cast<char>(b[e.data + e.data_size / 2] ^ 0x5A);
               }},
        Damage{"SetupDatNameLeavingTheDestination", "setup.Dat",
               [](std::string& b) {
                 const FirstEntry e = LocateFirstEntry(b);
                 ASSERT_GE(e.name_length, 4u);
                 b.replace(e.name, 3, "..\\");
               }},
        Damage{"WebMailContainerTruncated", "setupweb.dat", [](std::string& b) { b.resize(b.size() - 3); }},
        Damage{"LdapContainerByteChanged", "setupldap.dat",
               [](std::string& b) {
                 const FirstEntry e = LocateFirstEntry(b);
                 ASSERT_GT(e.data_size, 8u);
                 b[e.data + e.data_size - 2] = static_cast<char>(b[e.data + e.data_size - 2] ^ 0x01);
               }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.what); });

// The web mail container of another build, one file more: a sound container
// (it passes the damage check of a setup.exe without container hashes), but
// not the one the distribution's setup.exe was built with.
using ContainerOfAnotherBuildTest = RefusedDistributionTest;

TEST_F(ContainerOfAnotherBuildTest, IsRefusedLikeADamagedOne) {
  ASSERT_NO_FATAL_FAILURE(SeedInstallation("8.2.6"));
  const std::string container = run_.dist() + "setupweb.dat";
  std::string bytes = ReadFile(container);
  ASSERT_TRUE(bytes.compare(0, 4, "ILDS") == 0 && bytes[8] != 0 && bytes[9] >= 2)
      << "setupweb.dat is not compressed with length-prefixed names";
  AppendEntry(bytes, "html\\another-release.html", "<p>a page of another release</p>\r\n");
  WriteFile(container, bytes);
  ASSERT_TRUE(engine::DataFileIntact(container)) << "the container of the other build is not sound";

  InstallAndExpectRefusal("setupweb.dat");
  EXPECT_NE(run_.Log().find("setupweb.dat is not the container this setup was built with"), std::string::npos)
      << run_.Log();
}

}  // namespace
}  // namespace e2e
