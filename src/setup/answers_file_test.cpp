#include "setup/answers_file.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

std::string ErrorOf(const std::string& text) {
  AnswersReading reading = ParseAnswers(text);
  EXPECT_EQ(reading.answers.has_value(), reading.error.empty()) << reading.error;
  return reading.error;
}

TEST(ParseAnswersTest, ReadsEveryKeyInAnyCase) {
  AnswersReading r = ParseAnswers(
      "\xEF\xBB\xBF; deployment of the mail server\r\n"
      "[Setup]\r\n"
      "Destination = C:\\Program Files\\Tarno Mail\\\r\n"
      "edition=lite\r\n"
      "CONSOLEMODE=Advanced\r\n"
      "\r\n"
      "[ components ]\n"
      "WebMail=no\nAntiSpam=Yes\nAntiVirus=0\nInstantMessaging=true\nGroupWare=FALSE\n"
      "# who installs it\n"
      "[User]\nName=Ann Admin\nEmail=ann@example.test\nCompany=\"  Example Ltd  \"\nCountry=\n"
      "[FirstRun]\nRun=yes\nHostName=mail.example.test\nDomain=example.test\nAdminUser=admin\n"
      "AdminPassword=\"\"");
  ASSERT_TRUE(r.answers.has_value()) << r.error;
  const UnattendedAnswers& a = *r.answers;
  EXPECT_EQ(a.destination, "C:\\Program Files\\Tarno Mail\\");
  EXPECT_EQ(a.edition, std::optional<uint8_t>(2));
  EXPECT_EQ(a.basic_console, std::optional<bool>(false));
  EXPECT_EQ(a.web_mail, std::optional<bool>(false));
  EXPECT_EQ(a.anti_spam, std::optional<bool>(true));
  EXPECT_EQ(a.anti_virus, std::optional<bool>(false));
  EXPECT_EQ(a.instant_messaging, std::optional<bool>(true));
  EXPECT_EQ(a.groupware, std::optional<bool>(false));
  EXPECT_EQ(a.user_name, std::optional<std::string>("Ann Admin"));
  EXPECT_EQ(a.user_email, std::optional<std::string>("ann@example.test"));
  EXPECT_EQ(a.user_company, std::optional<std::string>("  Example Ltd  "));
  EXPECT_EQ(a.user_country, std::optional<std::string>(""));
  EXPECT_TRUE(a.run_first_run_wizard);
  EXPECT_EQ(a.host_name, "mail.example.test");
  EXPECT_EQ(a.domain, "example.test");
  EXPECT_EQ(a.admin_user, "admin");
  EXPECT_EQ(a.admin_password, "");
}

// Only the destination is required; everything else keeps what the wizard
// would show (not answered).
TEST(ParseAnswersTest, OnlyTheDestinationIsRequired) {
  AnswersReading r = ParseAnswers("[Setup]\nDestination=\\\\server\\share\\Tarno\\\n");
  ASSERT_TRUE(r.answers.has_value()) << r.error;
  EXPECT_EQ(r.answers->destination, "\\\\server\\share\\Tarno\\");
  EXPECT_FALSE(r.answers->edition);
  EXPECT_FALSE(r.answers->basic_console);
  EXPECT_FALSE(r.answers->web_mail);
  EXPECT_FALSE(r.answers->user_name);
  EXPECT_FALSE(r.answers->run_first_run_wizard);
}

TEST(ParseAnswersTest, EveryMistakeIsNamedWithItsLine) {
  const std::string ok = "[Setup]\nDestination=C:\\Tarno\\\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {ok + "Colour=blue\n", "line 3: unknown key \"Colour\" in [Setup]"},
      {ok + "[Display]\n", "line 3: unknown section [Display]"},
      {ok + "Edition=Enterprise\n", "line 3: bad value \"Enterprise\" for Edition (expected Professional, Standard or Lite)"},
      {ok + "ConsoleMode=\n", "line 3: bad value \"\" for ConsoleMode (expected Advanced or Basic)"},
      {ok + "[Components]\nWebMail=maybe\n", "line 4: bad value \"maybe\" for WebMail (expected yes or no)"},
      {ok + "destination=D:\\Other\\\n", "line 3: the key \"Destination\" is given twice"},
      {"Destination=C:\\Tarno\\\n", "line 1: the key \"Destination\" stands before any section"},
      {ok + "just words\n", "line 3: neither a section, a key=value line nor a comment"},
      {ok + "[Setup\n", "line 3: a section name lacks its \"]\""},
      {ok + "[User]\nName=a\x01" "b\n", "line 4: a control character in the line"},
      {"[Setup]\nDestination=Tarno\n",
       "line 2: bad value \"Tarno\" for Destination (expected an absolute folder such as C:\\Program Files\\Tarno\\)"},
      {"[Setup]\nDestination=\n", "line 2: bad value \"\" for Destination (expected an absolute folder such as "
                                  "C:\\Program Files\\Tarno\\)"},
      {"[Setup]\nEdition=Standard\n", "the answer Destination in [Setup] is missing"},
      {"", "the answer Destination in [Setup] is missing"},
      {ok + "[FirstRun]\nRun=yes\nHostName=mail\nDomain=example.test\nAdminUser=  \n",
       "[FirstRun] Run=yes needs HostName, Domain and AdminUser"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
  // The first-run answers without Run=yes are kept but not required.
  EXPECT_EQ(ErrorOf(ok + "[FirstRun]\nHostName=mail\n"), "");
}

TEST(IsAbsoluteFolderTest, DriveOrNetworkPath) {
  for (const char* yes : {"C:\\", "c:/Tarno", "Z:\\a b\\", "\\\\server\\share", "\\\\s\\x"})
    EXPECT_TRUE(IsAbsoluteFolder(yes)) << yes;
  for (const char* no : {"", "C:", "C:Tarno", "\\Tarno", "Tarno\\", "..\\Tarno", "\\\\", "\\\\server", "\\\\\\x\\y",
                         "1:\\x"})
    EXPECT_FALSE(IsAbsoluteFolder(no)) << no;
}

}  // namespace
}  // namespace setup
