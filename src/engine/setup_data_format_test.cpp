#include "engine/setup_data_format.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

// Every name that could put a file outside the destination, or into a
// device, is refused; ordinary relative names, however odd, are not.
TEST(CheckEntryNameTest, RefusesNamesThatLeaveTheDestination) {
  struct Case {
    const char* name;
    EntryNameProblem problem;
  };
  const Case cases[] = {
      {"..\\x", EntryNameProblem::kDotSegment},
      {"a\\..\\..\\x", EntryNameProblem::kDotSegment},
      {"a/../x", EntryNameProblem::kDotSegment},
      {"..", EntryNameProblem::kDotSegment},
      {"a\\..", EntryNameProblem::kDotSegment},
      {".\\x", EntryNameProblem::kDotSegment},
      {"..  \\x", EntryNameProblem::kDotSegment},   // Windows drops the trailing blanks
      {"a\\... \\x", EntryNameProblem::kDotSegment},
      {"C:\\x", EntryNameProblem::kDriveOrStream},
      {"C:x", EntryNameProblem::kDriveOrStream},
      {"file.txt:stream", EntryNameProblem::kDriveOrStream},
      {"\\x", EntryNameProblem::kAbsolute},
      {"/x", EntryNameProblem::kAbsolute},
      {"\\\\server\\share\\x", EntryNameProblem::kAbsolute},
      {"a\tb", EntryNameProblem::kControlCharacter},
      {"con", EntryNameProblem::kDeviceName},
      {"a\\NUL.txt", EntryNameProblem::kDeviceName},
      {"Com1 .log", EntryNameProblem::kDeviceName},
      {"lpt9", EntryNameProblem::kDeviceName},
      {"conout$", EntryNameProblem::kDeviceName},
      {"a.txt", EntryNameProblem::kNone},
      {"a\\b\\c.txt", EntryNameProblem::kNone},
      {"a/b/c.txt", EntryNameProblem::kNone},
      {"..a", EntryNameProblem::kNone},
      {"a..b", EntryNameProblem::kNone},
      {"a\\.hidden", EntryNameProblem::kNone},
      {"b.", EntryNameProblem::kTrailingDotOrBlank},
      {"a\\b \\c", EntryNameProblem::kTrailingDotOrBlank},
      {"nul. ", EntryNameProblem::kDeviceName},
      {"com\xB9.txt", EntryNameProblem::kDeviceName},
      {"LPT\xB3", EntryNameProblem::kDeviceName},
      {"com0", EntryNameProblem::kDeviceName},
      {"console.txt", EntryNameProblem::kNone},
      {"com10", EntryNameProblem::kNone},
      {"a\\\\b", EntryNameProblem::kNone},
      {" a", EntryNameProblem::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckEntryName(c.name), c.problem) << "name \"" << c.name << "\": "
                                                  << EntryNameProblemText(CheckEntryName(c.name));
  }
  EXPECT_EQ(CheckEntryName(std::string_view("a\0b", 3)), EntryNameProblem::kControlCharacter);
}

TEST(EntryNameTextTest, EndOfContainerToBackslashesAndLowerCase) {
  EXPECT_TRUE(IsEndOfContainerName(""));
  EXPECT_TRUE(IsEndOfContainerName("  \t\r\n"));
  EXPECT_TRUE(IsEndOfContainerName(std::string_view("\0\0", 2)));
  EXPECT_FALSE(IsEndOfContainerName(" a "));
  EXPECT_EQ(ToBackslashes("a/b\\c/d"), "a\\b\\c\\d");
  EXPECT_EQ(LowerAscii("Schema\\CORE.Schema \xC4"), "schema\\core.schema \xC4");
}

TEST(LittleEndianTest, StoresAndLoads) {
  unsigned char b[4];
  StoreLe32(b, 0x04030201u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[3], 4);
  EXPECT_EQ(LoadLe32(b), 0x04030201u);
  StoreLe32(b, 0xFFFFFFFFu);
  EXPECT_EQ(LoadLe32(b), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace engine
