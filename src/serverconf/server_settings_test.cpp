#include "serverconf/server_settings.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "serverconf/config_scramble.h"

namespace serverconf {
namespace {

namespace f = settings_field;
using Record = std::array<uint8_t, kServerSettingsSize>;

// Byte-level helpers of the test, independent of the accessors under test.
uint32_t Le(const Record& r, size_t offset, size_t width) {
  uint32_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint32_t(r[offset + i]) << (8 * i);
  return v;
}
void PutLe(Record& r, size_t offset, size_t width, uint32_t v) {
  for (size_t i = 0; i < width; ++i) r[offset + i] = uint8_t(v >> (8 * i));
}
std::string Str(const Record& r, size_t offset) { return std::string(reinterpret_cast<const char*>(&r[offset + 1]), r[offset]); }
void PutStr(Record& r, size_t offset, const std::string& s) {
  r[offset] = uint8_t(s.size());
  std::copy(s.begin(), s.end(), r.begin() + offset + 1);
}

struct Expect {
  size_t offset, width;
  uint32_t value;
};
// Every numeric load-time default, as the record layout lists them.
const Expect kNumericDefaults[] = {
    {160, 2, 5229},   {167, 2, 5269},   {228, 2, 5222},   {230, 2, 5223},   {248, 2, 636},    {250, 2, 389},
    {252, 2, 366},    {1024, 2, 110},   {1026, 2, 995},   {1028, 2, 25},    {1030, 2, 993},   {1036, 2, 32000},
    {1038, 2, 143},   {1040, 2, 32001}, {1461, 2, 465},   {21384, 2, 21},   {21386, 2, 990},  {22217, 2, 161},
    {22219, 2, 13},   {24755, 2, 5060}, {1458, 2, 32768}, {22136, 4, 3},    {25666, 4, 10000}, {25670, 4, 64},
    {7016, 4, 4},     {7012, 4, 8},     {21396, 4, 256},  {21400, 4, 256},  {21404, 4, 256},  {21408, 4, 256},
    {21412, 4, 256},  {21416, 4, 256},  {21420, 4, 256},  {21424, 4, 256},  {1552, 4, 256},   {1548, 4, 1},
    {22128, 4, 1},    {1556, 4, 40},    {1560, 4, 40},    {22124, 4, 40},   {21372, 4, 40},   {222, 4, 40},
    {21752, 4, 40},   {233, 4, 10},     {1544, 4, 8},     {22831, 4, 1000}, {1564, 2, 40},    {1566, 2, 5000},
    {7008, 1, 20},    {1476, 1, 5},     {242, 2, 300},
};

const SettingsLoadContext kContext{"C:\\Tarno\\", "192.0.2.53, 192.0.2.54"};

TEST(ServerSettings, AccessorsReadTheRecordBytes) {
  ServerSettings s;
  Record& r = s.Bytes();
  r[255] = 2;
  PutLe(r, 1036, 2, 0xBEEF);
  PutLe(r, 7020, 4, 0x01020304);
  PutStr(r, 21428, "basic.xml");
  PutStr(r, 1176, "10.1.1.1;10.1.1.2");
  EXPECT_EQ(s.Byte(f::kProductEdition), 2);
  EXPECT_EQ(s.Word(f::kWebConsolePort), 0xBEEF);
  EXPECT_EQ(s.DWord(f::kDomainCount), 0x01020304u);
  EXPECT_EQ(s.String(f::kConsoleFile), "basic.xml");
  EXPECT_EQ(s.String(f::kBindAddresses), "10.1.1.1;10.1.1.2");
  r[1477] = 200;  // damaged length: read no further than the field's 31 characters
  EXPECT_EQ(s.String(f::kSenderName).size(), 31u);
  // Offsets the compiler cannot fold: with the accessors inlined, GCC 12
  // would otherwise warn about the access it cannot see is never made.
  volatile size_t past_end = kServerSettingsSize;
  EXPECT_THROW(s.DWord(past_end - 2), std::out_of_range);
  EXPECT_THROW(s.SetByte(past_end, 1), std::out_of_range);
}

TEST(ServerSettings, WritersPutBytesAtTheirOffsets) {
  ServerSettings s;
  s.Bytes().fill(0xAA);
  s.SetWord(1036, 0x1234);
  s.SetDWord(7020, 0xA1B2C3D4);
  s.SetString(f::kHostName, std::string(200, 'h'));
  s.SetString(f::kConsoleFile, "advanced.xml");
  const Record& r = s.Bytes();
  EXPECT_EQ(r[1036], 0x34);
  EXPECT_EQ(r[1037], 0x12);
  EXPECT_EQ(r[1038], 0xAA);
  EXPECT_EQ(r[7020], 0xD4);
  EXPECT_EQ(r[7023], 0xA1);
  EXPECT_EQ(r[0], 127) << "host name cut to 127 characters";
  EXPECT_EQ(r[127], 'h');
  EXPECT_EQ(r[128], 0xAA) << "slot rest untouched";
  EXPECT_EQ(r[21428], 12);
  EXPECT_EQ(Str(r, 21428), "advanced.xml");
  EXPECT_EQ(r[21441], 0xAA);
}

TEST(ServerSettings, FileImageIsTheRecordScrambledFromZero) {
  ServerSettings s = ServerSettings::Initial();
  s.SetByte(f::kProductEdition, 1);
  s.SetString(f::kConsoleFile, "basic.xml");
  const std::vector<uint8_t> image = s.FileImage();
  ASSERT_EQ(image.size(), 25807u);
  EXPECT_EQ(image[0] ^ kConfigScrambleKey[0], 9) << "placeholder length";
  EXPECT_EQ(std::string(1, char(image[1] ^ kConfigScrambleKey[1])), "l");
  EXPECT_EQ(image[255] ^ kConfigScrambleKey[255 % 16], 1);
  EXPECT_EQ(image[21428] ^ kConfigScrambleKey[21428 % 16], 9);
  EXPECT_EQ(image[21429] ^ kConfigScrambleKey[21429 % 16], 'b');
  EXPECT_EQ(image[25806], kConfigScrambleKey[25806 % 16]) << "zero byte scrambled";
  EXPECT_EQ(s.Byte(f::kProductEdition), 1) << "the record itself stays plain";
}

TEST(ServerSettings, ShortFileImageKeepsTheRestOfTheRecord) {
  ServerSettings s;
  for (size_t i = 0; i < kServerSettingsSize; ++i) s.Bytes()[i] = uint8_t(i * 7);
  const Record before = s.Bytes();
  // A 300-byte file: its plain content is 0x11 everywhere, scrambled by hand.
  std::vector<uint8_t> file(300);
  for (size_t i = 0; i < file.size(); ++i) file[i] = 0x11 ^ kConfigScrambleKey[i % 16];
  s.ReadFileImage(file.data(), file.size());
  for (size_t i = 0; i < 300; ++i) ASSERT_EQ(s.Bytes()[i], 0x11) << "byte " << i;
  for (size_t i = 300; i < kServerSettingsSize; ++i) ASSERT_EQ(s.Bytes()[i], before[i]) << "byte " << i;
  // A longer image never writes past the record.
  std::vector<uint8_t> big(kServerSettingsSize + 100, 0);
  s.ReadFileImage(big.data(), big.size());
  EXPECT_EQ(s.Bytes()[25806], kConfigScrambleKey[25806 % 16]);
}

TEST(ApplyLoadDefaults, ZeroRecordGetsEveryDefault) {
  ServerSettings s;
  ApplyLoadDefaults(s, kContext);
  const Record& r = s.Bytes();
  for (const Expect& e : kNumericDefaults) EXPECT_EQ(Le(r, e.offset, e.width), e.value) << "offset " << e.offset;
  EXPECT_EQ(Str(r, 0), kPlaceholderHostName);
  EXPECT_EQ(Str(r, 1477), "MAILER-DAEMON");
  EXPECT_EQ(Str(r, 1509), "Mail Delivery Subsystem");
  EXPECT_EQ(Str(r, 24759), "127.0.0.1;192.168.*.*;10.*.*.*;172.16-31.*.*");
  EXPECT_EQ(Str(r, 1304), "192.0.2.53;192.0.2.54") << "system DNS servers, normalised";
  EXPECT_EQ(Str(r, 256), "C:\\Tarno\\temp\\");
  EXPECT_EQ(Str(r, 512), "C:\\Tarno\\mail\\");
  EXPECT_EQ(Str(r, 768), "C:\\Tarno\\logs\\");
  EXPECT_EQ(r[3633], 1) << "storage forced to files for Standard";
  EXPECT_EQ(r[22122], 0);
}

TEST(ApplyLoadDefaults, SetValuesStayAndStringsAreNormalised) {
  ServerSettings s;
  Record& r = s.Bytes();
  for (const Expect& e : kNumericDefaults) PutLe(r, e.offset, e.width, 3);
  PutStr(r, 0, "  mail. example.org ");
  PutStr(r, 1048, "a, b,c");
  PutStr(r, 1176, " 10.0.0.1 , 10.0.0.2 ");
  PutStr(r, 1304, "9.9.9.9,\t8.8.8.8");
  PutStr(r, 2356, " DSN=tarno, UID=sa ");
  PutStr(r, 3641, std::string(100, 'x') + " , " + std::string(100, 'y'));
  PutStr(r, 4577, std::string(150, 'z') + "," + std::string(100, 'w'));
  PutStr(r, 256, "D:\\tmp");
  PutStr(r, 512, "D:\\mail\\");
  PutStr(r, 1477, "postmaster");
  r[255] = 1;
  r[3633] = 2;
  r[22122] = 1;
  ApplyLoadDefaults(s, kContext);
  for (const Expect& e : kNumericDefaults) EXPECT_EQ(Le(r, e.offset, e.width), 3u) << "offset " << e.offset;
  EXPECT_EQ(Str(r, 0), "mail.example.org");
  EXPECT_EQ(Str(r, 1048), "a;b;c");
  EXPECT_EQ(Str(r, 1176), "10.0.0.1;10.0.0.2");
  EXPECT_EQ(Str(r, 1304), "9.9.9.9;8.8.8.8");
  EXPECT_EQ(Str(r, 2356), "DSN=tarno;UID=sa");
  EXPECT_EQ(Str(r, 3641), std::string(100, 'x') + ";" + std::string(26, 'y')) << "cut to 127";
  EXPECT_EQ(Str(r, 4577), std::string(150, 'z') + ";" + std::string(100, 'w')) << "not cut to 127";
  EXPECT_EQ(Str(r, 256), "D:\\tmp\\");
  EXPECT_EQ(Str(r, 512), "D:\\mail\\");
  EXPECT_EQ(Str(r, 768), "C:\\Tarno\\logs\\");
  EXPECT_EQ(Str(r, 1477), "postmaster");
  EXPECT_EQ(r[3633], 2) << "database mode kept for Professional";
  EXPECT_EQ(r[22122], 0) << "file-name cleaning mode forced to 0";
  r[255] = 2;
  ApplyLoadDefaults(s, kContext);
  EXPECT_EQ(r[3633], 1) << "Lite: storage forced to files";
}

// Offsets of every byte the load may change.
std::set<size_t> LoadTouchedBytes() {
  std::set<size_t> touched;
  for (const Expect& e : kNumericDefaults)
    for (size_t i = 0; i < e.width; ++i) touched.insert(e.offset + i);
  for (StringField field : {f::kHostName, f::kTempDir, f::kMailDir, f::kLogDir, f::kString1048, f::kBindAddresses,
                            f::kDnsServers, f::kSenderName, f::kSenderDisplayName, f::kDatabaseConnection,
                            f::kString3641, f::kString4577, f::kLocalNetworks})
    for (size_t i = 0; i <= field.max_chars; ++i) touched.insert(field.offset + i);
  touched.insert(f::kStorageMode);
  touched.insert(f::kCleanFileNameMode);
  return touched;
}

TEST(ApplyLoadDefaults, RandomRecordKeepsEveryOtherByte) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 5; ++round) {
    ServerSettings s;
    for (uint8_t& b : s.Bytes()) b = uint8_t(random());
    const Record before = s.Bytes();
    ApplyLoadDefaults(s, kContext);
    const std::set<size_t> touched = LoadTouchedBytes();
    for (size_t i = 0; i < kServerSettingsSize; ++i) {
      if (touched.count(i)) continue;
      ASSERT_EQ(s.Bytes()[i], before[i]) << "round " << round << " byte " << i;
    }
  }
}

TEST(NormaliseListText, TrimCommaBlank) {
  EXPECT_EQ(NormaliseListText("  a , b\t,c  "), "a;b;c");
  EXPECT_EQ(NormaliseListText(""), "");
}

TEST(DirectoryText, BackslashWithin255) {
  EXPECT_EQ(DirectoryText("C:\\x"), "C:\\x\\");
  EXPECT_EQ(DirectoryText("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(DirectoryText(""), "");
  const std::string cut = DirectoryText(std::string(300, 'd'));
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.back(), '\\');
}

}  // namespace
}  // namespace serverconf
