#include "serverconf/webserver_config.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

namespace serverconf {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

// ---------------------------------------------------------------- FindFrom

TEST(FindFromTest, FindsFirstOccurrenceAtOrAfterStart) {
  EXPECT_EQ(FindFrom("b", "abcb", 1), 2u);
  EXPECT_EQ(FindFrom("b", "abcb", 2), 2u);
  EXPECT_EQ(FindFrom("b", "abcb", 3), 4u);
  EXPECT_EQ(FindFrom("abcb", "abcb", 1), 1u);
  EXPECT_EQ(FindFrom("\r\n\r\n", "a\r\nb\r\n\r\nc", 1), 5u);
}

TEST(FindFromTest, StartBelowOneCountsAsOne) {
  EXPECT_EQ(FindFrom("a", "abca", 0), 1u);
  EXPECT_EQ(FindFrom("a", "abca", -7), 1u);
}

TEST(FindFromTest, EndBoundsWhereTheOccurrenceBegins) {
  // "cb" begins at 3, which is not past the end position 3, though it ends at 4.
  EXPECT_EQ(FindFrom("cb", "abcb", 1, 3), 3u);
  EXPECT_EQ(FindFrom("b", "abcb", 3, 3), 0u);
  EXPECT_EQ(FindFrom("b", "abcb", 3, 4), 4u);
  // 0 means the text's end; an end past the text is cut to it.
  EXPECT_EQ(FindFrom("b", "abcb", 3, 0), 4u);
  EXPECT_EQ(FindFrom("b", "abcb", 3, 99), 4u);
  // The occurrence must still lie inside the text.
  EXPECT_EQ(FindFrom("bx", "abcb", 1, 0), 0u);
}

TEST(FindFromTest, AnswersZeroForEmptyInputsStartPastEndAndNoOccurrence) {
  EXPECT_EQ(FindFrom("", "abc", 1), 0u);
  EXPECT_EQ(FindFrom("a", "", 1), 0u);
  EXPECT_EQ(FindFrom("a", "abc", 4), 0u);
  EXPECT_EQ(FindFrom("a", "abca", 3, 2), 0u);
  EXPECT_EQ(FindFrom("x", "abc", 1), 0u);
  EXPECT_EQ(FindFrom("abcd", "abc", 1), 0u);
  // Exact comparison.
  EXPECT_EQ(FindFrom("B", "abc", 1), 0u);
}

// ------------------------------------------------------ the text edit, CR LF

TEST(UpdateWebServerConfigTextTest, AddsEntriesAtSectionEndAndUnderHeaderAndRenamesModule) {
  const std::string before =
      "[Settings]\r\nport=80\r\n\r\n"
      "[Filter]\r\n.php=php\\php.dll\r\n=webmail\\web.dll|[webmail]\r\n\r\n"
      "[Virtual-Host]\r\n/mail/=webmail\\\r\n/admin/=admin\\\r\n\r\n"
      "[Mime]\r\nhtml=text/html\r\n";
  const std::string after =
      "[Settings]\r\nport=80\r\n\r\n"
      "[Filter]\r\n.php=php\\php.dll\r\n=php\\php.dll|[webmail]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
      "[Virtual-Host]\r\n/wcs/=[wcs]\r\n/mail/=webmail\\\r\n/admin/=admin\\\r\n\r\n"
      "[Mime]\r\nhtml=text/html\r\n";
  EXPECT_EQ(UpdateWebServerConfigText(before), after);
}

TEST(UpdateWebServerConfigTextTest, AppendsBothSectionsWhenMissing) {
  EXPECT_EQ(UpdateWebServerConfigText("[Settings]\r\nport=80\r\n\r\n\r\n"),
            "[Settings]\r\nport=80\r\n\r\n"
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
  // Trailing blanks and control characters of the old content give way to
  // the one blank line; a file without a final line break gets the same.
  EXPECT_EQ(UpdateWebServerConfigText("[Settings]\r\nport=80 \t\x1a"),
            "[Settings]\r\nport=80\r\n\r\n"
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
  // What comes before the content is not the edit's to change.
  EXPECT_EQ(UpdateWebServerConfigText("\r\n ; web server\r\n"),
            "\r\n ; web server\r\n\r\n"
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
}

TEST(UpdateWebServerConfigTextTest, EmptyFileGetsTheTwoSectionsOnly) {
  const std::string sections =
      "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n[Virtual-Host]\r\n/wcs/=[wcs]\r\n";
  EXPECT_EQ(UpdateWebServerConfigText(""), sections);
  EXPECT_EQ(UpdateWebServerConfigText(" \r\n\r\n"), sections);
}

TEST(UpdateWebServerConfigTextTest, AppendsOnlyTheMissingSection) {
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\n.php=php\\php.dll\r\n\r\n[Mime]\r\nx=y\r\n"),
            "[Filter]\r\n.php=php\\php.dll\r\n=modules\\wcs.dll|[wcs]\r\n\r\n[Mime]\r\nx=y\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
  EXPECT_EQ(UpdateWebServerConfigText("[Virtual-Host]\r\n/a/=a\\\r\n\r\n[Mime]\r\nx=y\r\n"),
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n/a/=a\\\r\n\r\n[Mime]\r\nx=y\r\n\r\n"
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n");
}

TEST(UpdateWebServerConfigTextTest, RecognisesHeadersInAnyCaseAndKeepsThem) {
  EXPECT_EQ(UpdateWebServerConfigText("[FILTER]\r\na=b\r\n\r\n[virtual-HOST]\r\nc=d\r\n\r\n"),
            "[FILTER]\r\na=b\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[virtual-HOST]\r\n/wcs/=[wcs]\r\nc=d\r\n\r\n");
  EXPECT_EQ(UpdateWebServerConfigText("[filter]\r\na=b\r\n\r\n[Virtual-host]\r\n\r\n"),
            "[filter]\r\na=b\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[Virtual-host]\r\n/wcs/=[wcs]\r\n\r\n");
}

TEST(UpdateWebServerConfigTextTest, EntriesAlreadyPresentAreNotAddedAgain) {
  const std::string present =
      "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n=webmail\\web.dll|[webmail]\r\n\r\n"
      "[Virtual-Host]\r\n/wcs/=[wcs]\r\n\r\n";
  EXPECT_EQ(UpdateWebServerConfigText(present),
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n=php\\php.dll|[webmail]\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n\r\n");
  // "wcs.dll" named anywhere counts, even without the sections.
  EXPECT_EQ(UpdateWebServerConfigText("; wcs.dll is routed elsewhere\r\n"),
            "; wcs.dll is routed elsewhere\r\n");
  // A second run changes nothing.
  const std::string once = UpdateWebServerConfigText("[Filter]\r\na=b\r\n\r\n[Virtual-Host]\r\n");
  EXPECT_EQ(UpdateWebServerConfigText(once), once);
}

TEST(UpdateWebServerConfigTextTest, ReplacesModuleNameInExactCaseOnly) {
  EXPECT_EQ(UpdateWebServerConfigText("wcs.dll\r\na=webmail\\web.dll;webmail\\web.dll\r\n"
                                      "b=Webmail\\Web.dll\r\nc=webmail/web.dll\r\n"),
            "wcs.dll\r\na=php\\php.dll;php\\php.dll\r\n"
            "b=Webmail\\Web.dll\r\nc=webmail/web.dll\r\n");
}

TEST(UpdateWebServerConfigTextTest, LastFilterSectionWithoutBlankLineGetsEntryAtItsEnd) {
  EXPECT_EQ(UpdateWebServerConfigText("[Virtual-Host]\r\na=b\r\n\r\n[Filter]\r\n.php=p\r\n"),
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\na=b\r\n\r\n"
            "[Filter]\r\n.php=p\r\n=modules\\wcs.dll|[wcs]\r\n");
  // Without a final line break the last line gets one first.
  EXPECT_EQ(UpdateWebServerConfigText("[Virtual-Host]\r\na=b\r\n\r\n[Filter]\r\n.php=p"),
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\na=b\r\n\r\n"
            "[Filter]\r\n.php=p\r\n=modules\\wcs.dll|[wcs]\r\n");
  // The header as the very last line.
  EXPECT_EQ(UpdateWebServerConfigText("[Virtual-Host]\r\n\r\n[Filter]"),
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n\r\n[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n");
}

TEST(UpdateWebServerConfigTextTest, VirtualHostHeaderAsLastLineWithoutLineEnd) {
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\na=b\r\n\r\n[Virtual-Host]"),
            "[Filter]\r\na=b\r\n=modules\\wcs.dll|[wcs]\r\n\r\n[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
}

TEST(UpdateWebServerConfigTextTest, FilterSectionEndsBeforeNextHeaderWithoutBlankLine) {
  // A later blank line belongs to the next section: the entry stays in [Filter].
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\na=b\r\n  [Mime]\r\nc=d\r\n\r\n[Virtual-Host]\r\n"),
            "[Filter]\r\na=b\r\n=modules\\wcs.dll|[wcs]\r\n  [Mime]\r\nc=d\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
  // An empty [Filter] section directly followed by a blank line.
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\n\r\n[Virtual-Host]\r\nx=y\r\n"),
            "[Filter]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n[Virtual-Host]\r\n/wcs/=[wcs]\r\nx=y\r\n");
}

TEST(UpdateWebServerConfigTextTest, LineOfBlanksDoesNotEndTheSection) {
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\na=b\r\n \r\nc=d\r\n\r\n[Virtual-Host]\r\n"),
            "[Filter]\r\na=b\r\n \r\nc=d\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
            "[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
}

TEST(UpdateWebServerConfigTextTest, CarriesEveryOtherByteThrough) {
  // Bytes of the ANSI code page, a NUL and a lone CR inside a value stay.
  const std::string before = "n=caf\xe9\0x\rz\r\n\r\n[Filter]\r\n\xff=1\r\n\r\n[Virtual-Host]\r\n\r\n"s;
  const std::string after =
      "n=caf\xe9\0x\rz\r\n\r\n[Filter]\r\n\xff=1\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
      "[Virtual-Host]\r\n/wcs/=[wcs]\r\n\r\n"s;
  EXPECT_EQ(UpdateWebServerConfigText(before), after);
}

// ---------------------------------------------------------- the edit, LF files

TEST(UpdateWebServerConfigTextTest, LfFileGetsLfLines) {
  EXPECT_EQ(UpdateWebServerConfigText("[Settings]\nport=80\n\n"
                                      "[Filter]\n=webmail\\web.dll|[webmail]\n\n"
                                      "[Virtual-Host]\n/mail/=webmail\\\n\n"),
            "[Settings]\nport=80\n\n"
            "[Filter]\n=php\\php.dll|[webmail]\n=modules\\wcs.dll|[wcs]\n\n"
            "[Virtual-Host]\n/wcs/=[wcs]\n/mail/=webmail\\\n\n");
  EXPECT_EQ(UpdateWebServerConfigText("[Settings]\nport=80\n"),
            "[Settings]\nport=80\n\n[Filter]\n=modules\\wcs.dll|[wcs]\n\n"
            "[Virtual-Host]\n/wcs/=[wcs]\n");
  EXPECT_EQ(UpdateWebServerConfigText("[Virtual-Host]\na=b\n\n[Filter]\n.php=p"),
            "[Virtual-Host]\n/wcs/=[wcs]\na=b\n\n[Filter]\n.php=p\n=modules\\wcs.dll|[wcs]\n");
}

TEST(UpdateWebServerConfigTextTest, LineEndIsTheFirstLineBreaks) {
  // A file written with CR LF that has a few LF lines keeps CR LF for new lines,
  // and an LF blank line still closes the section.
  EXPECT_EQ(UpdateWebServerConfigText("[Filter]\r\na=b\n\n[Virtual-Host]\r\n"),
            "[Filter]\r\na=b\n=modules\\wcs.dll|[wcs]\r\n\n[Virtual-Host]\r\n/wcs/=[wcs]\r\n");
}

// ------------------------------------------------------------ the file edit

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return std::nullopt;
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

void WriteBytes(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.is_open()) << path;
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  ASSERT_FALSE(out.fail()) << path;
}

bool Exists(const std::string& path) { return ReadBytes(path).has_value() || fs::exists(path); }

class WebServerConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() /
           ("tarno_webcfg_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            "_" + std::to_string(random()));
    ASSERT_TRUE(fs::create_directories(dir_)) << dir_;
    file_ = (dir_ / "webserver.cfg").string();
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  void ExpectNoHelperFiles() {
    EXPECT_FALSE(Exists(file_ + ".setup-new")) << "temporary file left";
    EXPECT_FALSE(Exists(file_ + ".setup-old")) << "moved-aside file left";
  }
  fs::path dir_;
  std::string file_;
};

const std::string kOldFile =
    "[Filter]\r\n=webmail\\web.dll|[webmail]\r\n\r\n[Virtual-Host]\r\n/mail/=webmail\\\r\n";
const std::string kNewFile =
    "[Filter]\r\n=php\\php.dll|[webmail]\r\n=modules\\wcs.dll|[wcs]\r\n\r\n"
    "[Virtual-Host]\r\n/wcs/=[wcs]\r\n/mail/=webmail\\\r\n";

TEST_F(WebServerConfigFileTest, RewritesTheFileWithTheEditedBytes) {
  WriteBytes(file_, kOldFile);
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file_), kNewFile);
  ExpectNoHelperFiles();
  // The second run writes the same bytes again.
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file_), kNewFile);
  ExpectNoHelperFiles();
}

TEST_F(WebServerConfigFileTest, LfFileWithoutFinalLineBreakOnDisk) {
  WriteBytes(file_, "[Virtual-Host]\n/a/=a\n\n[Filter]\n.php=p");
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file_),
            "[Virtual-Host]\n/wcs/=[wcs]\n/a/=a\n\n[Filter]\n.php=p\n=modules\\wcs.dll|[wcs]\n");
}

TEST_F(WebServerConfigFileTest, MissingFileIsNotCreated) {
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kNotRead);
  EXPECT_FALSE(Exists(file_));
  ExpectNoHelperFiles();
}

TEST_F(WebServerConfigFileTest, UnreadableFileIsNotReplaced) {
  // A directory in the file's place cannot be read as a file (on Linux it can
  // be opened, and the read fails; on Windows the open fails).
  ASSERT_TRUE(fs::create_directory(file_));
  WriteBytes((fs::path(file_) / "inner").string(), "x");
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kNotRead);
  EXPECT_TRUE(fs::is_directory(file_));
  EXPECT_EQ(ReadBytes((fs::path(file_) / "inner").string()), "x");
  ExpectNoHelperFiles();
}

TEST_F(WebServerConfigFileTest, FailedWriteLeavesTheFileAsItWas) {
  WriteBytes(file_, kOldFile);
  // The temporary file cannot be created where a non-empty directory stands.
  const fs::path blocker = file_ + ".setup-new";
  ASSERT_TRUE(fs::create_directory(blocker));
  WriteBytes((blocker / "inner").string(), "x");
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kWriteFailed);
  EXPECT_EQ(ReadBytes(file_), kOldFile);
  EXPECT_FALSE(Exists(file_ + ".setup-old"));
}

TEST_F(WebServerConfigFileTest, FailedSwapLeavesTheFileAsItWas) {
  WriteBytes(file_, kOldFile);
  const fs::path blocker = file_ + ".setup-old";
  ASSERT_TRUE(fs::create_directory(blocker));
  WriteBytes((blocker / "inner").string(), "x");
  const WebServerConfigUpdate result = UpdateWebServerConfigFile(file_);
#ifdef _WIN32
  // rename does not replace here, and the old file cannot be moved aside.
  EXPECT_EQ(result, WebServerConfigUpdate::kWriteFailed);
  EXPECT_EQ(ReadBytes(file_), kOldFile);
#else
  // rename replaces the file at once; the place to move aside is never needed.
  EXPECT_EQ(result, WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file_), kNewFile);
#endif
  EXPECT_FALSE(Exists(file_ + ".setup-new")) << "temporary file left";
  EXPECT_EQ(ReadBytes((blocker / "inner").string()), "x");
}

TEST_F(WebServerConfigFileTest, LeftoverTemporaryFileIsReplaced) {
  WriteBytes(file_, kOldFile);
  WriteBytes(file_ + ".setup-new", "half written by an interrupted run");
  WriteBytes(file_ + ".setup-old", "left by an interrupted run");
  EXPECT_EQ(UpdateWebServerConfigFile(file_), WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file_), kNewFile);
  EXPECT_FALSE(Exists(file_ + ".setup-new"));
}

TEST_F(WebServerConfigFileTest, PathWithAnsiBytes) {
  // The path goes to the C runtime as ANSI bytes (code page 1252 under Wine).
  const std::string file = (dir_ / "web").string() + "\xe9" + "server.cfg";
  WriteBytes(file, kOldFile);
  EXPECT_EQ(UpdateWebServerConfigFile(file), WebServerConfigUpdate::kWritten);
  EXPECT_EQ(ReadBytes(file), kNewFile);
  // Looked at through the same byte API: the library's path conversion may differ.
  EXPECT_FALSE(ReadBytes(file + ".setup-new").has_value());
  EXPECT_EQ(std::remove(file.c_str()), 0);
}

TEST(WebServerConfigPathTest, IsConfigFolderUnderInstallDirectory) {
  EXPECT_EQ(WebServerConfigPath("C:\\Tarno\\"), "C:\\Tarno\\config\\webserver.cfg");
}

TEST_F(WebServerConfigFileTest, UpdateByInstallDirectory) {
  // install directory + "config\webserver.cfg": on Windows a file in the
  // "config" folder; natively the backslash is part of the file name.
  const std::string install = dir_.string() + (fs::path::preferred_separator == '\\' ? "\\" : "/");
#ifdef _WIN32
  ASSERT_TRUE(fs::create_directory(dir_ / "config"));
#endif
  const std::string file = install + "config\\webserver.cfg";
  WriteBytes(file, kOldFile);
  UpdateWebServerConfig(install);
  EXPECT_EQ(ReadBytes(file), kNewFile);
  // A missing file is left missing.
  ASSERT_EQ(std::remove(file.c_str()), 0);
  UpdateWebServerConfig(install);
  EXPECT_FALSE(Exists(file));
}

}  // namespace
}  // namespace serverconf
