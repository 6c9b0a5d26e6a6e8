// The container list of setup.exe: written and read back, its format
// (sha256sum's), and every malformed line refused.
#include "engine/container_hash_list.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

constexpr char kAbc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kEmpty[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(ContainerHashListTest, FormatIsSha256sumsAndReadsBack) {
  const std::vector<ContainerHash> list = {{"setup.Dat", Sha256Of("abc")}, {"setupweb.dat", Sha256Of("")}};
  const std::string text = FormatContainerHashList(list);
  EXPECT_EQ(text, std::string(kAbc) + "  setup.Dat\n" + kEmpty + "  setupweb.dat\n");
  std::optional<std::vector<ContainerHash>> read = ParseContainerHashList(text);
  ASSERT_TRUE(read.has_value()) << text;
  ASSERT_EQ(read->size(), 2u);
  EXPECT_EQ((*read)[0].name, "setup.Dat");
  EXPECT_EQ((*read)[0].digest, Sha256Of("abc"));
  EXPECT_EQ((*read)[1].name, "setupweb.dat");
  EXPECT_EQ((*read)[1].digest, Sha256Of(""));
}

TEST(ContainerHashListTest, CrLfUpperCaseDigitsAndNoLastLineFeed) {
  std::string upper = kAbc;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::optional<std::vector<ContainerHash>> read =
      ParseContainerHashList(upper + "  other.dat\r\n" + kEmpty + "  setup.Dat");
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->size(), 2u);
  EXPECT_EQ((*read)[0].name, "other.dat");
  EXPECT_EQ((*read)[0].digest, Sha256Of("abc"));
  EXPECT_EQ((*read)[1].name, "setup.Dat");
  EXPECT_TRUE(ParseContainerHashList("").has_value()) << "an empty list is a list";
  EXPECT_TRUE(ParseContainerHashList("")->empty());
}

TEST(ContainerHashListTest, MalformedListsAreRefused) {
  const std::string good = std::string(kAbc) + "  setup.Dat\n";
  const std::string cases[] = {
      "\n",                                                // an empty line
      std::string(kAbc).substr(0, 63) + "  setup.Dat\n",  // 63 digits
      std::string(kAbc) + "0  setup.Dat\n",               // 65 digits
      "g" + std::string(kAbc).substr(1) + "  setup.Dat\n",  // not a hexadecimal digit
      std::string(kAbc) + " setup.Dat\n",                 // one blank
      std::string(kAbc) + "  \n",                         // no name
      std::string(kAbc) + "  dist\\setup.Dat\n",          // a folder part
      std::string(kAbc) + "  dist/setup.Dat\n",
      std::string(kAbc) + "  C:setup.Dat\n",
      std::string(kAbc) + "  ..\n",
      std::string(kAbc) + "  set\tup.Dat\n",              // a control character
      good + kEmpty + "  SETUP.DAT\n",                    // the same file twice
  };
  for (const std::string& text : cases) EXPECT_FALSE(ParseContainerHashList(text).has_value()) << text;
  EXPECT_TRUE(ParseContainerHashList(good).has_value());
}

TEST(ContainerHashListTest, NamesAreFoundWithoutRegardToCase) {
  const std::vector<ContainerHash> list = {{"setup.Dat", Sha256Of("abc")}, {"setupweb.dat", Sha256Of("")}};
  const ContainerHash* found = FindContainerHash(list, "SETUP.DAT");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->name, "setup.Dat");
  EXPECT_EQ(FindContainerHash(list, "SetupWeb.Dat"), &list[1]);
  EXPECT_EQ(FindContainerHash(list, "setupav.dat"), nullptr);
  EXPECT_EQ(FindContainerHash(list, "setup.Da"), nullptr);
}

}  // namespace
}  // namespace engine
