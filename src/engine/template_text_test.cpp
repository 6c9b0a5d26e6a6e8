#include "engine/template_text.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

constexpr const char* kInstall = "C:\\Program Files\\Tarno\\";
constexpr const char* kTemp = "C:\\windows\\temp\\";

TEST(ExpandTemplateTextTest, ReplacesFirstOccurrenceOfEachPlaceholderPerLine) {
  EXPECT_EQ(ExpandTemplateText("root=%%installpath%%web\r\n", kInstall, kTemp),
            "root=C:\\Program Files\\Tarno\\web\r\n");
  EXPECT_EQ(ExpandTemplateText("cache=%%temppath%%cache\\\r\n", kInstall, kTemp),
            "cache=C:\\windows\\temp\\cache\\\r\n");
  // Both kinds on one line.
  EXPECT_EQ(ExpandTemplateText("%%temppath%%|%%installpath%%", kInstall, kTemp),
            "C:\\windows\\temp\\|C:\\Program Files\\Tarno\\\r\n");
}

TEST(ExpandTemplateTextTest, SecondOccurrenceOnOneLineStays) {
  EXPECT_EQ(ExpandTemplateText("%%installpath%%a;%%installpath%%b\r\n", kInstall, kTemp),
            "C:\\Program Files\\Tarno\\a;%%installpath%%b\r\n");
  EXPECT_EQ(ExpandTemplateText("%%temppath%%%%temppath%%", kInstall, kTemp),
            "C:\\windows\\temp\\%%temppath%%\r\n");
  // Each line gets its own first replacement.
  EXPECT_EQ(ExpandTemplateText("%%installpath%%\r\n%%installpath%%\r\n", kInstall, kTemp),
            "C:\\Program Files\\Tarno\\\r\nC:\\Program Files\\Tarno\\\r\n");
}

TEST(ExpandTemplateTextTest, PlaceholdersAreCaseSensitiveAndExact) {
  EXPECT_EQ(ExpandTemplateText("%%InstallPath%% %installpath% %%installpath%", kInstall, kTemp),
            "%%InstallPath%% %installpath% %%installpath%\r\n");
}

TEST(ExpandTemplateTextTest, LineBreaksBecomeCrLf) {
  EXPECT_EQ(ExpandTemplateText("a\nb\rc\r\nd", kInstall, kTemp), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(ExpandTemplateText("a\n\nb\n", kInstall, kTemp), "a\r\n\r\nb\r\n");
  EXPECT_EQ(ExpandTemplateText("\r\n", kInstall, kTemp), "\r\n");
  EXPECT_EQ(ExpandTemplateText("", kInstall, kTemp), "");
  // LF CR is two line breaks, not one.
  EXPECT_EQ(ExpandTemplateText("a\n\rb", kInstall, kTemp), "a\r\n\r\nb\r\n");
}

TEST(ExpandTemplateTextTest, OtherBytesPassUnchanged) {
  std::string text("x\tz\xE9\x00y", 6);
  std::string expected = text + "\r\n";
  EXPECT_EQ(ExpandTemplateText(text, kInstall, kTemp), expected);
}

}  // namespace
}  // namespace engine
