#include "setup/wizard_checks.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(UserDetailsCompleteTest, ShortestValidAddressPasses) {
  EXPECT_TRUE(UserDetailsComplete("Ann", "a@b.c"));
  EXPECT_TRUE(UserDetailsComplete(" Ann ", "first.last@mail.example.com"));
  EXPECT_TRUE(UserDetailsComplete("A", "a.b@c.d"));  // a "." before the "@" is fine when the last lies after it
}

TEST(UserDetailsCompleteTest, RejectsEachMalformedAddress) {
  struct Case {
    const char* email;
    const char* why;
  } cases[] = {
      {"", "empty"},
      {"ab.c", "no @"},
      {"@b.c", "@ first"},
      {"ab.c@", "@ last"},
      {"a@b.", "last . last"},
      {"a.b@c", "only . before @"},
      {"a@.", "@ then . as last"},
      {"a@b", "no ."},
  };
  for (const Case& c : cases) EXPECT_FALSE(UserDetailsComplete("Ann", c.email)) << c.email << " (" << c.why << ")";
}

TEST(UserDetailsCompleteTest, NameOfBlanksIsNotAName) {
  EXPECT_FALSE(UserDetailsComplete("", "a@b.c"));
  EXPECT_FALSE(UserDetailsComplete("   ", "a@b.c"));
  EXPECT_FALSE(UserDetailsComplete("\t \t", "a@b.c"));
  EXPECT_TRUE(UserDetailsComplete(" x ", "a@b.c"));
}

}  // namespace
}  // namespace setup
