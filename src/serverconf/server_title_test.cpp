#include "serverconf/server_title.h"

#include <gtest/gtest.h>

namespace serverconf {
namespace {

TEST(ParseServerTitle, TitleAndReplacements) {
  const ServerTitle t = ParseServerTitle("  Acme Mail # branded\r\nTarno=Acme\r\nno pair here\r\nA=B=C\r\n# x=y\r\n");
  EXPECT_EQ(t.title, "Acme Mail");
  ASSERT_EQ(t.replacements.size(), 2u);
  EXPECT_EQ(t.replacements[0], (std::pair<std::string, std::string>{"Tarno", "Acme"}));
  EXPECT_EQ(t.replacements[1], (std::pair<std::string, std::string>{"A", "B=C"}));
}

TEST(ParseServerTitle, EmptyFirstLineKeepsDefaultAndLongTextsAreCut) {
  const std::string long_text(300, 'x');
  const ServerTitle t = ParseServerTitle("\n" + long_text + "=" + long_text + "\n");
  EXPECT_EQ(t.title, kDefaultProductTitle);
  ASSERT_EQ(t.replacements.size(), 1u);
  EXPECT_EQ(t.replacements[0].first.size(), 255u);
  EXPECT_EQ(t.replacements[0].second.size(), 255u);
  EXPECT_EQ(ParseServerTitle("").title, "Tarno 8.3.8");
}

}  // namespace
}  // namespace serverconf
