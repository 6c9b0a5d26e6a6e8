// ServerSettings: the mail server's settings record, 25,807 bytes, stored as
// the whole content of settings.cfg scrambled from key position 0. A
// FixedRecord (fixed_record.h): the fields the setup uses are read and
// written at their offsets, every other byte is carried through unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serverconf/fixed_record.h"

namespace serverconf {

inline constexpr size_t kServerSettingsSize = 25807;

// The fields of the record the setup reads or writes.
namespace settings_field {
inline constexpr StringField kHostName{0, 127};
inline constexpr size_t kPasswordCipher = 187;             // byte
inline constexpr size_t kDirectorySyncFirst = 207;         // byte
inline constexpr size_t kProductEdition = 255;             // byte: 0 Standard, 1 Professional, 2 Lite
inline constexpr StringField kTempDir{256, 255};
inline constexpr StringField kMailDir{512, 255};
inline constexpr StringField kLogDir{768, 255};
inline constexpr size_t kWebConsolePort = 1036;            // 16-bit
inline constexpr StringField kString1048{1048, 127};
inline constexpr StringField kBindAddresses{1176, 127};    // items separated by ";"
inline constexpr StringField kDnsServers{1304, 127};       // separated by ";"
inline constexpr size_t kWelcomeMessage = 1473;            // byte
inline constexpr size_t kBindWebConsole = 1474;            // byte
inline constexpr StringField kSenderName{1477, 31};
inline constexpr StringField kSenderDisplayName{1509, 31};
inline constexpr StringField kDatabaseConnection{2356, 255};
inline constexpr size_t kDirectorySyncSecond = 3382;       // byte
inline constexpr size_t kStorageMode = 3633;               // byte: 0 or 1 files, 2 database library
inline constexpr StringField kString3641{3641, 255};
inline constexpr StringField kString4577{4577, 255};
inline constexpr size_t kDomainTableWide = 7001;           // byte: the domain table is in 96-byte form
inline constexpr size_t kDomainCount = 7020;               // 32-bit
inline constexpr size_t kEarlyDomainList = 7024;           // 100 strings in 128-byte slots
inline constexpr StringField kConsoleFile{21428, 255};     // "advanced.xml" or "basic.xml"
inline constexpr size_t kCleanFileNameMode = 22122;        // byte
inline constexpr StringField kLocalNetworks{24759, 255};
}  // namespace settings_field

inline constexpr uint8_t kEditionStandard = 0;
inline constexpr uint8_t kEditionProfessional = 1;
inline constexpr uint8_t kEditionLite = 2;
inline constexpr uint8_t kStorageFiles = 1;
inline constexpr uint8_t kStorageDatabase = 2;

// The host name the initial record holds before any configuration is read.
inline constexpr char kPlaceholderHostName[] = "localhost";

class ServerSettings : public FixedRecord<kServerSettingsSize> {
 public:
  // The record the store starts from and every load reads settings.cfg
  // over, so that what a missing or short file does not hold keeps these
  // defaults: zero with the placeholder host name and the Professional
  // edition (which also leaves the storage mode as it is).
  static ServerSettings Initial();
};

// A list text as the store keeps it: trimmed, every "," turned into ";",
// every blank (space, tab) removed.
std::string NormaliseListText(const std::string& text);

// A directory text: a trailing backslash added to a non-empty text, cut so
// that it ends in the backslash within 255 characters.
std::string DirectoryText(const std::string& dir);

// The temporary, mail and log directory fields: empty ones become
// install_dir + "temp\", "mail\", "logs\"; all end in a backslash.
void NormaliseDirectoryFields(ServerSettings& settings, const std::string& install_dir);

struct SettingsLoadContext {
  std::string install_dir;         // ends in a backslash
  std::string system_dns_servers;  // ";"-separated, for an empty DNS server field
};

// The load-time treatment of a record just read: list strings normalised,
// zero numbers and empty strings given their defaults, the directory fields
// normalised, the file-name cleaning mode reset to 0 and the storage mode
// forced to files unless the edition is Professional.
void ApplyLoadDefaults(ServerSettings& settings, const SettingsLoadContext& context);

}  // namespace serverconf
