#include "engine/install_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/file_helpers.h"
#include "messages/setup_messages.h"
#include "support/test_files.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"

namespace engine {
namespace {

using namespace win32::test_files;

// Records what the helpers ask of the main window.
class RecordingProgress : public InstallProgress {
 public:
  void SetProgressText(const std::string& text) override { texts.push_back(text); }
  void StepProgress() override { ++steps; }
  void FatalError(const std::string& text, unsigned) override { fatal.push_back(text); }

  std::vector<std::string> texts;
  std::vector<std::string> fatal;
  int steps = 0;
};

void MakeTree(const std::string& path) {
  ASSERT_TRUE(ForceDirectoryTree(path)) << path;
}


class InstallFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "tarno fs install " + std::to_string(::GetCurrentProcessId()) +
            "-" + std::to_string(counter_++) + "\\";
    RemoveTree(root_);
    MakeTree(root_);
    staging_ = root_ + "staging dir\\";
    install_ = root_ + "Program Files\\Tarno Mail\\";
    MakeTree(staging_);
  }
  void TearDown() override {
    RemoveTree(root_);
    EXPECT_FALSE(Exists(root_)) << "test folder left behind: " << root_;
  }

  std::string root_, staging_, install_;
  RecordingProgress progress_;
  static inline int counter_ = 0;
};

// ---- CopyInstallFile ----

TEST_F(InstallFilesTest, CopyInstallFileShowsTargetAndCopies) {
  PutFile(staging_ + "tarno.exe", "program\r\n");
  MakeTree(install_);
  EXPECT_TRUE(CopyInstallFile(progress_, "tarno.exe", staging_, install_, true));
  EXPECT_EQ(GetFile(install_ + "tarno.exe"), "program\r\n");
  ASSERT_EQ(progress_.texts.size(), 1u);
  EXPECT_EQ(progress_.texts[0], "Copying File:\r\n" + install_ + "tarno.exe...");
  EXPECT_TRUE(progress_.fatal.empty());

  // Directories without trailing backslash get one.
  std::string bare_source = AdjustTrailingBackslash(staging_, false, false);
  std::string bare_target = AdjustTrailingBackslash(install_, false, false);
  EXPECT_TRUE(CopyInstallFile(progress_, "tarno.exe", bare_source, bare_target, true));
  EXPECT_EQ(progress_.texts.back(), "Copying File:\r\n" + install_ + "tarno.exe...");
}

TEST_F(InstallFilesTest, CopyInstallFileReplacesReadOnlyHiddenSystemTarget) {
  PutFile(staging_ + "settings.cfg", "new settings");
  MakeTree(install_);
  PutFile(install_ + "settings.cfg", "old",
          FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(CopyInstallFile(progress_, "settings.cfg", staging_, install_, true));
  EXPECT_EQ(GetFile(install_ + "settings.cfg"), "new settings");
  // The source's attributes, none of the old ones: under Wine a copy keeps
  // the attributes of the file it replaces, so this shows they were cleared.
  DWORD attributes = Attributes(install_ + "settings.cfg");
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            0u)
      << "attributes " << attributes;
  EXPECT_TRUE(progress_.fatal.empty()) << progress_.fatal[0];
}

TEST_F(InstallFilesTest, MandatoryCopyFailureShowsTheFileCopyError) {
  MakeTree(install_);
  EXPECT_FALSE(CopyInstallFile(progress_, "missing.dll", staging_, install_, true));
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "File copy error: " + win32::ErrorText(ERROR_FILE_NOT_FOUND) +
                                    "\r\nmissing.dll\r\nIt is suggested to reboot this computer "
                                    "and run the setup again.");
  EXPECT_FALSE(Exists(install_ + "missing.dll"));
}

TEST_F(InstallFilesTest, CopyErrorTextFollowsTheLanguageFile) {
  std::string saved = setup::Messages().cErrorFile;
  setup::Messages().cErrorFile = "Kopierfehler %s / %s";
  bool copied = CopyInstallFile(progress_, "missing.dll", staging_, root_ + "nowhere\\", true);
  setup::Messages().cErrorFile = saved;
  EXPECT_FALSE(copied);
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0],
            "Kopierfehler " + win32::ErrorText(ERROR_FILE_NOT_FOUND) + " / missing.dll");
}

TEST_F(InstallFilesTest, OptionalCopyFailureIsIgnored) {
  MakeTree(install_);
  EXPECT_FALSE(CopyInstallFile(progress_, "optional.txt", staging_, install_, false));
  EXPECT_TRUE(progress_.fatal.empty());
  EXPECT_EQ(progress_.texts.size(), 1u);
}

// ---- CopyTemplateFile ----

class TemplateTest : public InstallFilesTest {
 protected:
  void SetUp() override {
    InstallFilesTest::SetUp();
    windows_temp_ = GetSpecialDirectory(SpecialDirectoryKind::kWindows, false) + "temp\\";
    cache_existed_ = IsDirectory(windows_temp_ + "cache\\");
    temp_existed_ = IsDirectory(windows_temp_);
  }
  void TearDown() override {
    // Only what this test made in the Windows directory goes again (and only
    // while empty).
    if (!cache_existed_) ::RemoveDirectoryA((windows_temp_ + "cache").c_str());
    if (!temp_existed_) ::RemoveDirectoryA((windows_temp_).c_str());
    InstallFilesTest::TearDown();
  }
  std::string windows_temp_;
  bool cache_existed_ = false;
  bool temp_existed_ = false;
};

TEST_F(TemplateTest, ReplacesPlaceholdersFromStagingIntoTarget) {
  PutFile(staging_ + "php.ini",
          "extension_dir=%%installpath%%php\\ext\n"
          "twice=%%installpath%%a;%%installpath%%b\r\n"
          "session=%%temppath%%sessions\r\n"
          "plain line");
  std::string target = install_ + "php config\\";
  EXPECT_TRUE(CopyTemplateFile(install_, staging_, "php.ini", target));
  EXPECT_EQ(GetFile(target + "php.ini"),
            "extension_dir=" + install_ + "php\\ext\r\n" +
            "twice=" + install_ + "a;%%installpath%%b\r\n" +
            "session=" + windows_temp_ + "sessions\r\n" + "plain line\r\n");
  EXPECT_TRUE(IsDirectory(windows_temp_ + "cache\\"));
}

TEST_F(TemplateTest, AbsoluteSourceAndReplacedTarget) {
  std::string source = root_ + "elsewhere\\webserver.tpl";
  MakeTree(root_ + "elsewhere\\");
  PutFile(source, "path=%%installpath%%\r\n");
  MakeTree(install_);
  PutFile(install_ + "webserver.tpl", "an old, much longer content that must go away\r\n");
  EXPECT_TRUE(CopyTemplateFile(install_, staging_, source, install_));
  EXPECT_EQ(GetFile(install_ + "webserver.tpl"), "path=" + install_ + "\r\n");
}

TEST_F(TemplateTest, SourceInSubdirectoryOfStagingKeepsOnlyItsName) {
  MakeTree(staging_ + "config\\");
  PutFile(staging_ + "config\\server.tpl", "%%temppath%%");
  EXPECT_TRUE(CopyTemplateFile(install_, staging_, "config\\server.tpl", install_));
  EXPECT_EQ(GetFile(install_ + "server.tpl"), windows_temp_ + "\r\n");
  EXPECT_FALSE(Exists(install_ + "config"));
}

TEST_F(TemplateTest, MissingSourceCreatesNoFile) {
  EXPECT_FALSE(CopyTemplateFile(install_, staging_, "absent.ini", install_));
  EXPECT_FALSE(Exists(install_ + "absent.ini"));
}

TEST_F(TemplateTest, ReadOnlyTargetFailsSilently) {
  SKIP_UNLESS_READ_ONLY_REFUSES_WRITING(root_);
  PutFile(staging_ + "fixed.ini", "%%installpath%%");
  MakeTree(install_);
  PutFile(install_ + "fixed.ini", "kept", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CopyTemplateFile(install_, staging_, "fixed.ini", install_));
  EXPECT_EQ(GetFile(install_ + "fixed.ini"), "kept");
}

// ---- StagedFilePlacer ----

TEST_F(InstallFilesTest, PlacedFileIsMovedOverAReadOnlyTargetWithTheCopysText) {
  PutFile(staging_ + "smtp.exe", "new program");
  MakeTree(install_);
  PutFile(install_ + "smtp.exe", "old", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceFile("smtp.exe", staging_, install_, true));
  EXPECT_EQ(GetFile(install_ + "smtp.exe"), "new program");
  EXPECT_FALSE(Exists(staging_ + "smtp.exe")) << "moved, not copied";
  EXPECT_EQ(Attributes(install_ + "smtp.exe") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(progress_.texts, std::vector<std::string>{"Copying File:\r\n" + install_ + "smtp.exe..."});

  // A missing mandatory file gives the copy's error box.
  EXPECT_FALSE(placer.PlaceFile("regex.dll", staging_, install_, true));
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_EQ(progress_.fatal[0], "File copy error: " + win32::ErrorText(ERROR_FILE_NOT_FOUND) +
                                    "\r\nregex.dll\r\nIt is suggested to reboot this computer "
                                    "and run the setup again.");
  EXPECT_FALSE(placer.PlaceFile("optional.dll", staging_, install_, false));
  EXPECT_EQ(progress_.fatal.size(), 1u);
}

std::vector<std::string> reset_paths;
bool RecordReset(const std::string& path) {
  reset_paths.push_back(path);
  return true;
}

// A moved item keeps the security of the staging directory; each one gets
// the reset (a copied one needs none). What the reset itself does is shown
// by ResetToInheritedSecurity's own test.
TEST_F(InstallFilesTest, EveryMovedItemGetsItsSecurityReset) {
  reset_paths.clear();
  PutFile(staging_ + "api.dll", "api");
  MakeTree(staging_ + "help\\images\\");
  PutFile(staging_ + "help\\images\\logo.gif", "gif");
  MakeTree(staging_ + "html\\admin\\");
  PutFile(staging_ + "html\\admin\\main.html", "main");
  PutFile(staging_ + "db.dll", "db");
  MakeTree(install_ + "html\\");
  StagedFilePlacer placer(progress_, RecordReset);
  ASSERT_TRUE(placer.PlaceFile("api.dll", staging_, install_, true));
  ASSERT_TRUE(placer.PlaceTree(install_, staging_, "help\\"));
  ASSERT_TRUE(placer.PlaceTree(install_, staging_, "html\\"));
  win32::ScopedHandle held(::CreateFileA((staging_ + "db.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(placer.PlaceFile("db.dll", staging_, install_, true));  // copied: cannot be renamed
  EXPECT_EQ(reset_paths, (std::vector<std::string>{install_ + "api.dll", install_ + "help",
                                                    install_ + "html\\admin"}));
}

TEST_F(InstallFilesTest, StagedFileThatCannotBeRenamedIsCopied) {
  PutFile(staging_ + "db.dll", "library");
  MakeTree(install_);
  // Held open without delete sharing: a rename is refused, a copy may read.
  win32::ScopedHandle held(::CreateFileA((staging_ + "db.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceFile("db.dll", staging_, install_, true));
  EXPECT_EQ(GetFile(install_ + "db.dll"), "library");
  EXPECT_TRUE(Exists(staging_ + "db.dll")) << "copied";
  EXPECT_TRUE(placer.renames_work()) << "only another volume stops the renames";
}

TEST_F(InstallFilesTest, PlacedTreeIsMovedWholeWhereTheTargetIsNew) {
  MakeTree(staging_ + "help\\images\\");
  PutFile(staging_ + "help\\index.html", "index");
  PutFile(staging_ + "help\\images\\logo.gif", "gif");
  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, "help\\"));
  EXPECT_EQ(FilesBelow(install_), (std::vector<std::string>{"help\\images\\logo.gif", "help\\index.html"}));
  EXPECT_FALSE(Exists(staging_ + "help")) << "one rename of the directory";
  std::vector<std::string> texts = progress_.texts;
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"Copying File:\r\n" + install_ + "help\\images\\logo.gif...",
                                             "Copying File:\r\n" + install_ + "help\\index.html..."}));
}

TEST_F(InstallFilesTest, PlacedTreeMergesIntoAnExistingTargetWithoutEmptyDirectories) {
  MakeTree(staging_ + "html\\admin\\");
  MakeTree(staging_ + "html\\empty\\inner\\");
  PutFile(staging_ + "html\\index.html", "new index");
  PutFile(staging_ + "html\\admin\\main.html", "main");
  MakeTree(install_ + "html\\");
  PutFile(install_ + "html\\index.html", "old index");
  PutFile(install_ + "html\\mine.html", "mine");
  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, "html\\"));
  EXPECT_EQ(FilesBelow(install_), (std::vector<std::string>{"html\\admin\\main.html", "html\\index.html",
                                                             "html\\mine.html"}));
  EXPECT_EQ(GetFile(install_ + "html\\index.html"), "new index");
  EXPECT_FALSE(Exists(install_ + "html\\empty")) << "a copy makes no empty directory";
  EXPECT_EQ(progress_.texts.size(), 2u);

  // A new tree holding an empty directory is merged file by file for the same reason.
  MakeTree(staging_ + "api\\empty\\");
  PutFile(staging_ + "api\\api.txt", "api");
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, "api\\"));
  EXPECT_EQ(GetFile(install_ + "api\\api.txt"), "api");
  EXPECT_FALSE(Exists(install_ + "api\\empty"));
}

// A tree holding empty directories cannot be moved whole: its files are
// placed one by one, hidden and read-only ones too, and no empty directory is
// made; placing it again replaces what is there.
TEST_F(InstallFilesTest, PlacedTreeWithEmptyDirectoriesIsPlacedFileByFile) {
  MakeTree(staging_ + "web\\mail\\skins\\default\\");
  MakeTree(staging_ + "web\\empty\\");
  MakeTree(staging_ + "only dirs\\inner\\");
  PutFile(staging_ + "web\\index.html", "<html>\r\n");
  PutFile(staging_ + "web\\mail\\mail.php", "php");
  PutFile(staging_ + "web\\mail\\skins\\default\\style.css", "css", FILE_ATTRIBUTE_HIDDEN);
  PutFile(staging_ + "top file.txt", "top");
  PutFile(staging_ + "readonly.txt", "ro", FILE_ATTRIBUTE_READONLY);

  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, ""));
  EXPECT_TRUE(progress_.fatal.empty());
  const std::vector<std::string> expected = {"readonly.txt", "top file.txt", "web\\index.html",
                                             "web\\mail\\mail.php", "web\\mail\\skins\\default\\style.css"};
  EXPECT_EQ(FilesBelow(install_), expected);
  EXPECT_TRUE(FilesBelow(staging_).empty()) << "every file was moved out of the staging directory";
  EXPECT_EQ(GetFile(install_ + "web\\index.html"), "<html>\r\n");
  EXPECT_EQ(GetFile(install_ + "web\\mail\\skins\\default\\style.css"), "css");
  EXPECT_FALSE(Exists(install_ + "web\\empty")) << "empty directories are not created";
  EXPECT_FALSE(Exists(install_ + "only dirs"));
  EXPECT_EQ(progress_.texts.size(), expected.size());
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(),
                       "Copying File:\r\n" + install_ + "web\\mail\\mail.php..."),
            1);

  progress_.texts.clear();
  PutFile(staging_ + "readonly.txt", "ro again");
  PutFile(staging_ + "web\\index.html", "<html> again");
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, ""));
  EXPECT_TRUE(progress_.fatal.empty()) << progress_.fatal[0];
  EXPECT_EQ(GetFile(install_ + "readonly.txt"), "ro again");
  EXPECT_EQ(GetFile(install_ + "web\\index.html"), "<html> again");
  EXPECT_EQ(progress_.texts.size(), 2u);
}

// Only the named directory of the staging directory is placed, with its
// subdirectories, at the same relative place.
TEST_F(InstallFilesTest, PlacedTreeOfARelativeDirectoryTakesOnlyThatDirectory) {
  MakeTree(staging_ + "web\\mail\\sub\\");
  PutFile(staging_ + "outside.txt", "not this");
  PutFile(staging_ + "web\\root.txt", "not this either");
  PutFile(staging_ + "web\\mail\\a.txt", "a");
  PutFile(staging_ + "web\\mail\\sub\\b.txt", "b");
  MakeTree(install_ + "web\\");

  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, "web\\mail\\"));
  EXPECT_EQ(FilesBelow(install_), (std::vector<std::string>{"web\\mail\\a.txt", "web\\mail\\sub\\b.txt"}));
  EXPECT_EQ(GetFile(install_ + "web\\mail\\sub\\b.txt"), "b");
  EXPECT_EQ(FilesBelow(staging_), (std::vector<std::string>{"outside.txt", "web\\root.txt"}));
}

// A file that cannot be placed ends the tree with the copy's error box.
TEST_F(InstallFilesTest, PlacedTreeStopsAtTheFirstFailingFile) {
  MakeTree(staging_ + "data\\");
  PutFile(staging_ + "data\\blocked.cfg", "x");
  // A directory where the file should go makes that file fail.
  MakeTree(install_ + "data\\blocked.cfg\\");
  StagedFilePlacer placer(progress_);
  EXPECT_FALSE(placer.PlaceTree(install_, staging_, ""));
  ASSERT_EQ(progress_.fatal.size(), 1u);
  EXPECT_NE(progress_.fatal[0].find("\r\nblocked.cfg\r\n"), std::string::npos) << progress_.fatal[0];
}

// A tree the payload does not hold places nothing and is no failure.
TEST_F(InstallFilesTest, PlacedTreeOfAMissingSourcePlacesNothing) {
  StagedFilePlacer placer(progress_);
  EXPECT_TRUE(placer.PlaceTree(install_, root_ + "no staging\\", ""));
  EXPECT_TRUE(placer.PlaceTree(install_, staging_, "help\\"));
  EXPECT_TRUE(progress_.fatal.empty());
  EXPECT_TRUE(progress_.texts.empty());
  EXPECT_FALSE(Exists(install_));
}

TEST_F(InstallFilesTest, AnnounceTreeShowsTheTextsOfTheFilesInPlace) {
  MakeTree(install_ + "spam\\rules\\sub\\");
  PutFile(install_ + "spam\\rules\\10.cf", "");
  PutFile(install_ + "spam\\rules\\local.cf", "");
  PutFile(install_ + "spam\\rules\\sub\\local.cf", "");
  StagedFilePlacer placer(progress_);
  placer.AnnounceTree(install_, "spam\\rules\\", "local.cf");
  std::sort(progress_.texts.begin(), progress_.texts.end());
  EXPECT_EQ(progress_.texts,
            (std::vector<std::string>{"Copying File:\r\n" + install_ + "spam\\rules\\10.cf...",
                                      "Copying File:\r\n" + install_ + "spam\\rules\\sub\\local.cf..."}));
}

}  // namespace
}  // namespace engine
