#include "serverconf/config_store.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "engine/file_helpers.h"
#include "serverconf/config_comment.h"
#include "serverconf/database_library.h"
#include "serverconf/dns_servers.h"
#include "win32/log.h"

namespace serverconf {
namespace {

namespace f = settings_field;

struct StoreState {
  ServerSettings settings = ServerSettings::Initial();
  FILETIME settings_time{};
};

StoreState& State() {
  static StoreState state;
  return state;
}

// Path.dat line 11: the host name.
void ApplyPathDatHostName() {
  const std::string& host = PathOverrideLines().Line(11);
  if (!host.empty()) State().settings.SetString(f::kHostName, host);
}

// The server's own start-up of database mode, the last step of a load. A library
// that cannot be loaded or refuses the connection is logged where it fails;
// the configuration itself is loaded all the same.
void StartDatabaseLibrary() {
  if (!db::Load(Paths().install_dir)) return;
  if (db::SetConnection(State().settings.String(f::kDatabaseConnection))) db::ReloadConfig();
}

void NoteSettingsTime(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  State().settings_time = ::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) ? data.ftLastWriteTime
                                                                                              : FILETIME{};
}

}  // namespace

bool DatabaseMode() { return State().settings.Byte(f::kStorageMode) == kStorageDatabase; }

bool LoadServerConfig(bool missing_is_success, bool skip_server_start) {
  StoreState& state = State();
  ServerPaths& paths = Paths();
  try {
    const std::string file = paths.config_dir + "settings.cfg";
    NoteSettingsTime(file);
    if (paths.install_dir.empty()) SetInstallPath(paths.config_dir + "..\\");

    // Over the defaults, never over the configuration loaded before: what a
    // missing or short file does not hold keeps its default.
    state.settings = ServerSettings::Initial();
    // The whole file: older versions keep the domain table behind the record.
    const std::optional<std::string> content = engine::ReadFileBytes(file);
    if (content)
      state.settings.ReadFileImage(reinterpret_cast<const uint8_t*>(content->data()),
                                   std::min(content->size(), kServerSettingsSize));

    ApplyLoadDefaults(state.settings, {paths.install_dir, SystemDnsServers()});
    ApplyPathDatBinding();
    ApplyPathDatHostName();
    FollowSettingsDirectories();
    // Without a settings file there is no older layout to convert: a
    // domains.cfg found alone is in the current 96-byte form.
    if (!content) state.settings.SetByte(f::kDomainTableWide, 1);
    LoadStoreDomains(content ? *content : std::string());

    ReadServerBinding();
    if (!skip_server_start && DatabaseMode()) StartDatabaseLibrary();
    return content ? true : !missing_is_success;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: loading failed: ") + e.what());
    return !missing_is_success;
  }
}

bool SaveServerConfig() {
  try {
    const std::string& dir = Paths().config_dir;
    if (dir.empty()) return false;
    engine::ForceDirectoryTree(dir);
    // The table first: settings.cfg is rewritten in the current record size,
    // which drops a table an older version kept behind the record.
    bool created = SaveStoreDomains(dir);
    const std::vector<uint8_t> image = State().settings.FileImage();
    created = engine::WriteTextFile(std::string(image.begin(), image.end()), dir + "settings.cfg") || created;
    return created;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: saving failed: ") + e.what());
    return false;
  }
}

void UnloadDatabaseLibrary() { db::Unload(); }

ServerSettings& Settings() { return State().settings; }

uint8_t Edition() { return State().settings.Byte(f::kProductEdition); }
void SetEdition(uint8_t edition) { State().settings.SetByte(f::kProductEdition, edition); }
std::string ConsoleFile() { return State().settings.String(f::kConsoleFile); }

std::string WebConsoleHost() {
  const ServerSettings& s = State().settings;
  if (s.Byte(f::kBindWebConsole) == 0) return "localhost";
  const std::string list = s.String(f::kBindAddresses);
  const std::string first = TrimConfigText(list.substr(0, list.find(';')));
  return first.empty() ? "localhost" : first;
}

uint16_t WebConsolePort() { return State().settings.Word(f::kWebConsolePort); }

}  // namespace serverconf
