#include "platform/service_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/server_command_record.h"

namespace platform {
namespace {

TEST(ServiceTable, RowsAreDistinctAndProgramsAreExeFiles) {
  std::set<std::string> names, programs, windows;
  for (const ServiceRow& row : ServiceTable) {
    names.insert(row.ServiceName);
    programs.insert(row.Executable);
    windows.insert(std::string(row.ServerWindowClass) + "/" + row.ServerWindowCaption);
    EXPECT_EQ(ProgramFileName(row.Executable), row.Executable) << "already lower case with its extension";
  }
  EXPECT_EQ(names.size(), kServerCount);
  EXPECT_EQ(programs.size(), kServerCount);
  EXPECT_EQ(windows.size(), kServerCount);
  EXPECT_STREQ(ServiceTable[kControlRow].ServiceName, "TarnoControl");
  EXPECT_STREQ(ServiceTable[kCalendarRow].Executable, "cal.exe");
}

TEST(ServiceRules, ProgramPathIsQuotedAndReadBack) {
  EXPECT_EQ(ServiceProgramPath("C:\\Program Files\\Tarno\\", "smtp.exe"), "\"C:\\Program Files\\Tarno\\smtp.exe\"");
  EXPECT_EQ(ServiceProgramPath("C:\\Tarno", "pop3.exe"), "\"C:\\Tarno\\pop3.exe\"") << "a backslash is added";
  EXPECT_EQ(UnquotedProgramPath("\"C:\\Program Files\\Tarno\\smtp.exe\" -x"), "C:\\Program Files\\Tarno\\smtp.exe");
  EXPECT_EQ(UnquotedProgramPath("C:\\Tarno\\smtp.exe -service"), "C:\\Tarno\\smtp.exe");
  EXPECT_EQ(UnquotedProgramPath("\"unterminated"), "unterminated");
}

TEST(ServiceRules, ProgramNamesCompareWithoutCaseAndGetTheirExtension) {
  EXPECT_EQ(ProgramFileName("SMTP"), "smtp.exe");
  EXPECT_EQ(ProgramFileName("Cal.EXE"), "cal.exe");
  EXPECT_EQ(ProgramFileName("C:\\A.B\\smtp"), "c:\\a.b\\smtp.exe") << "a dot in a folder is no extension";
  EXPECT_TRUE(SameProgramPath("C:\\Tarno\\SMTP.exe", "c:/tarno/smtp.EXE"));
  EXPECT_FALSE(SameProgramPath("C:\\Tarno\\smtp.exe", "C:\\Other\\smtp.exe"));
  EXPECT_FALSE(SameProgramPath("C:\\Tarno\\smtp.exe", "C:\\Tarno\\smtp.exe2"));
}

TEST(ServiceRules, OldGroupWareIsAPreviousVersionBefore817) {
  EXPECT_FALSE(IsOldGroupWare("")) << "a fresh installation";
  EXPECT_TRUE(IsOldGroupWare("8.1.6"));
  EXPECT_FALSE(IsOldGroupWare("8.1.7"));
  EXPECT_FALSE(IsOldGroupWare("8.3.0-2"));
  EXPECT_TRUE(IsOldGroupWare("7.9"));
}

TEST(ServiceRules, NotRunningListNamesTheChosenServersThatDoNotRun) {
  const std::array<int32_t, kServerCount> none = {-1, -1, -1, -1, -1};
  EXPECT_EQ(NotRunningList({true, true, true, true, false}, none, true), "") << "row 4 takes no part";
  EXPECT_EQ(NotRunningList({true, true, true, false, false}, none, false), "") << "row 3 not chosen";
  EXPECT_EQ(NotRunningList({true, false, true, true, true}, none, true), "Tarno Mail Server POP3 / IMAP\r\n");
  EXPECT_EQ(NotRunningList({false, true, true, false, true}, none, true),
            "Tarno Mail Server SMTP\r\nTarno Instant Messaging Server\r\n");
  EXPECT_EQ(NotRunningList({false, true, true, false, true}, none, false), "Tarno Mail Server SMTP\r\n")
      << "row 3 is listed only when chosen";

  const std::array<int32_t, kServerCount> pop3_disabled = {2, 4, 2, -1, -1};
  EXPECT_EQ(NotRunningList({true, false, true, true, true}, pop3_disabled, true), "")
      << "a server disabled before the installation does not trigger the warning by itself";
  EXPECT_EQ(NotRunningList({false, false, true, true, true}, pop3_disabled, true),
            "Tarno Mail Server SMTP\r\nTarno Mail Server POP3 / IMAP\r\n")
      << "once due, the warning lists it too";
}

TEST(ServiceRules, InstallStateStartsUnreadAndEmpty) {
  ServiceInstallState state;
  state.RememberedStartTypes[2] = 4;
  state.ServicesToCreate[1] = true;
  state.Reset();
  for (size_t row = 0; row < kServerCount; ++row) {
    EXPECT_EQ(state.RememberedStartTypes[row], kStartTypeNotRead) << row;
    EXPECT_FALSE(state.ServicesToCreate[row]) << row;
  }
  ServerChoice mandatory_only;
  EXPECT_TRUE(mandatory_only.Includes(kControlRow));
  EXPECT_FALSE(mandatory_only.Includes(kImRow));
  EXPECT_FALSE(mandatory_only.Includes(kCalendarRow));
  EXPECT_TRUE((ServerChoice{false, true}.Includes(kCalendarRow)));
}

TEST(ServerCommandRecord, TwentyLittleEndianBytesBothWays) {
  ServerCommandMessage command{kCommandWithoutAnswer, kServerReloadMessage, 3, 0x01020304, 0};
  auto bytes = EncodeServerCommand(command);
  const std::array<uint8_t, 20> expected = {0x00, 0x10, 0, 0, 0x00, 0x05, 0, 0, 3, 0, 0, 0,
                                            0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(DecodeServerCommand(bytes), command);
  EXPECT_EQ(DecodeServerCommand(std::span<const uint8_t>(bytes).first(19)), std::nullopt);
  const uint8_t answer[] = {0xFF, 0xFF, 0xFF, 0x7F, 9};
  EXPECT_EQ(DecodeServerAnswer(answer), 0x7FFFFFFFu);
  EXPECT_EQ(DecodeServerAnswer(std::span<const uint8_t>(answer, 3)), std::nullopt) << "fewer than 4 bytes";
}

}  // namespace
}  // namespace platform
