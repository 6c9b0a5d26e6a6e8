#include "win32/notice.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "win32/log.h"

namespace win32 {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// An unattended run shows no box (the call returns at once, with nobody to
// close one) and the notice becomes one line of the "/LOG=" file, after the
// local time; a relative log name is fixed against the current folder.
TEST(NoticeTest, UnattendedNoticeGoesToTheTimedLog) {
  char temp[MAX_PATH];
  ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
  char previous[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(temp));
  const std::string path = std::string(temp) + "tarno_notice_test.log";
  ::DeleteFileA(path.c_str());
  SetLogFile("tarno_notice_test.log");
  ASSERT_TRUE(::SetCurrentDirectoryA(previous));
  EXPECT_EQ(LogFile(), path);

  SetUnattendedRun(true);
  ::SetLastError(0xdeadbeef);
  ShowNotice(nullptr, "first\r\nsecond", "Warning", MB_ICONWARNING);
  EXPECT_EQ(::GetLastError(), 0xdeadbeefu) << "the log keeps the caller's last error";
  SetUnattendedRun(false);
  SetLogFile("");
  LogLine("not in the file any more");

  const std::string log = ReadWhole(path);
  ASSERT_EQ(log.size(), 24u + std::string("notice Warning: first | second\r\n").size()) << log;
  EXPECT_EQ(log.substr(23), " notice Warning: first | second\r\n") << log;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  EXPECT_EQ(log.substr(0, 4), std::to_string(now.wYear)) << log;
  EXPECT_EQ(std::string() + log[4] + log[7] + log[10] + log[13] + log[16] + log[19], "-- ::.") << log;
  ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace win32
