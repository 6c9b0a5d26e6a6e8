#include "serverconf/server_settings.h"

#include <algorithm>
#include <stdexcept>

#include "serverconf/config_comment.h"
#include "serverconf/config_scramble.h"

namespace serverconf {
namespace {

namespace f = settings_field;

constexpr size_t kMaxDirectory = 255;

struct WordDefault {
  size_t offset;
  uint16_t value;
};
struct DWordDefault {
  size_t offset;
  uint32_t value;
};
struct ByteDefault {
  size_t offset;
  uint8_t value;
};
struct StringDefault {
  StringField field;
  const char* value;
};

constexpr WordDefault kWordDefaults[] = {
    {160, 5229},   {167, 5269},   {228, 5222},  {230, 5223},  {248, 636},  {250, 389},   {252, 366},
    {1024, 110},   {1026, 995},   {1028, 25},   {1030, 993},  {1036, 32000}, {1038, 143}, {1040, 32001},
    {1461, 465},   {21384, 21},   {21386, 990}, {22217, 161}, {22219, 13}, {24755, 5060}, {1458, 32768},
    {1564, 40},    {1566, 5000},  {242, 300},
};

constexpr DWordDefault kDWordDefaults[] = {
    {22136, 3},   {25666, 10000}, {25670, 64},  {7016, 4},    {7012, 8},    {21396, 256}, {21400, 256},
    {21404, 256}, {21408, 256},   {21412, 256}, {21416, 256}, {21420, 256}, {21424, 256}, {1552, 256},
    {1548, 1},    {22128, 1},     {1556, 40},   {1560, 40},   {22124, 40},  {21372, 40},  {222, 40},
    {21752, 40},  {233, 10},      {1544, 8},    {22831, 1000},
};

constexpr ByteDefault kByteDefaults[] = {{7008, 20}, {1476, 5}};

constexpr StringDefault kStringDefaults[] = {
    {f::kHostName, kPlaceholderHostName},
    {f::kSenderName, "MAILER-DAEMON"},
    {f::kSenderDisplayName, "Mail Delivery Subsystem"},
    {f::kLocalNetworks, "127.0.0.1;192.168.*.*;10.*.*.*;172.16-31.*.*"},
};

// The list strings normalised at load, and the number of characters each is
// cut to afterwards.
struct NormalisedList {
  StringField field;
  size_t cut;
};
constexpr NormalisedList kNormalisedLists[] = {
    {f::kHostName, 127},           {f::kString1048, 127}, {f::kBindAddresses, 127}, {f::kDnsServers, 127},
    {f::kDatabaseConnection, 255}, {f::kString3641, 127}, {f::kString4577, 255},
};


}  // namespace

ServerSettings ServerSettings::Initial() {
  ServerSettings settings;
  settings.SetString(f::kHostName, kPlaceholderHostName);
  settings.SetByte(f::kProductEdition, kEditionProfessional);
  return settings;
}

std::string NormaliseListText(const std::string& text) {
  std::string out;
  for (char c : TrimConfigText(text)) {
    if (c == ' ' || c == '\t') continue;
    out += c == ',' ? ';' : c;
  }
  return out;
}

std::string DirectoryText(const std::string& dir) {
  std::string text = dir;
  if (text.empty()) return text;
  if (text.back() != '\\') text += '\\';
  if (text.size() > kMaxDirectory) {
    text.resize(kMaxDirectory - 1);
    text += '\\';
  }
  return text;
}

void NormaliseDirectoryFields(ServerSettings& settings, const std::string& install_dir) {
  const std::pair<StringField, const char*> fields[] = {
      {f::kTempDir, "temp\\"}, {f::kMailDir, "mail\\"}, {f::kLogDir, "logs\\"}};
  for (const auto& [field, name] : fields) {
    std::string dir = settings.String(field);
    if (dir.empty()) dir = install_dir + name;
    settings.SetString(field, DirectoryText(dir));
  }
}

void ApplyLoadDefaults(ServerSettings& settings, const SettingsLoadContext& context) {
  for (const NormalisedList& list : kNormalisedLists) {
    std::string text = NormaliseListText(settings.String(list.field));
    if (text.size() > list.cut) text.resize(list.cut);
    settings.SetString(list.field, text);
  }
  for (const WordDefault& d : kWordDefaults)
    if (settings.Word(d.offset) == 0) settings.SetWord(d.offset, d.value);
  for (const DWordDefault& d : kDWordDefaults)
    if (settings.DWord(d.offset) == 0) settings.SetDWord(d.offset, d.value);
  for (const ByteDefault& d : kByteDefaults)
    if (settings.Byte(d.offset) == 0) settings.SetByte(d.offset, d.value);
  for (const StringDefault& d : kStringDefaults)
    if (settings.String(d.field).empty()) settings.SetString(d.field, d.value);
  if (settings.String(f::kDnsServers).empty())
    settings.SetString(f::kDnsServers, NormaliseListText(context.system_dns_servers));
  NormaliseDirectoryFields(settings, context.install_dir);
  settings.SetByte(f::kCleanFileNameMode, 0);
  if (settings.Byte(f::kProductEdition) != kEditionProfessional) settings.SetByte(f::kStorageMode, kStorageFiles);
}

}  // namespace serverconf
