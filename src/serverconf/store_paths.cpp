#include "serverconf/store_paths.h"

#include <windows.h>

#include "engine/file_helpers.h"
#include "serverconf/config_store.h"
#include "serverconf/network_drives.h"
#include "serverconf/server_title.h"
#include "serverconf/time_zone_suffix.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

namespace f = settings_field;
using engine::Cut;

struct PathState {
  PathOverrides overrides;
  bool forward_overridden = false;
  bool forward_retry_overridden = false;
  ServerTitle title;
  std::string time_zone_suffix = FormatTimeZoneSuffix(0);
};

PathState& State() {
  static PathState state;
  return state;
}

// Applies the directory lines of path.dat and makes its network connections.
void ApplyPathOverrides() {
  PathState& state = State();
  ServerPaths& paths = Paths();
  state.overrides = PathOverrides{};
  state.forward_overridden = state.forward_retry_overridden = false;
  const std::string cfg = paths.install_dir + "path.cfg";
  const std::string dat = paths.install_dir + "path.dat";
  if (win32::FileExists(cfg) &&
      !::MoveFileExA(cfg.c_str(), dat.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    win32::LogFailure("moving to " + dat, cfg, ::GetLastError());
  const std::optional<std::string> text = engine::ReadFileBytes(dat);
  if (!text) return;
  state.overrides = ParsePathOverrides(*text);
  auto directory = [&](size_t line, std::string& target) {
    const std::string& value = state.overrides.Line(line);
    if (value.empty()) return false;
    target = DirectoryText(Cut(value));
    return true;
  };
  directory(1, paths.config_dir);
  directory(2, paths.web_dir);
  directory(3, paths.web_temp_dir);
  if (!state.overrides.Line(4).empty()) paths.log_file_suffix = Cut(state.overrides.Line(4));
  if (!state.overrides.Line(5).empty()) ConnectNetworkDrives(state.overrides.Line(5));
  directory(6, paths.spam_dir);
  directory(7, paths.alternative_dir);
  state.forward_overridden = directory(8, paths.forward_dir);
  state.forward_retry_overridden = directory(9, paths.forward_retry_dir);
}

void ReadServerTitle() {
  const std::optional<std::string> text = engine::ReadFileBytes(Paths().config_dir + "servertitle.dat");
  if (text) State().title = ParseServerTitle(*text);
}

std::string ComputeTimeZoneSuffix() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD kind = ::GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias;  // UTC = local time + bias
  if (kind == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  else if (kind == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  else if (kind == TIME_ZONE_ID_INVALID) {
    win32::LogFailure("reading", "the time zone", ::GetLastError());
    bias = 0;
  }
  return FormatTimeZoneSuffix(-static_cast<int>(bias));
}

}  // namespace

ServerPaths& Paths() {
  static ServerPaths paths;
  return paths;
}

void SetInstallPath(const std::string& dir) { Paths().install_dir = DirectoryText(Cut(dir)); }

void SetConfigPath(const std::string& dir) { Paths().config_dir = DirectoryText(Cut(dir)); }

void FollowSettingsDirectories() {
  ServerPaths& paths = Paths();
  const ServerSettings& s = Settings();
  paths.temp_dir = s.String(f::kTempDir);
  paths.mail_dir = s.String(f::kMailDir);
  paths.log_dir = s.String(f::kLogDir);
  if (!State().forward_overridden) paths.forward_dir = DirectoryText(Cut(paths.mail_dir + "forward\\"));
  if (!State().forward_retry_overridden)
    paths.forward_retry_dir = DirectoryText(Cut(paths.mail_dir + "forward\\retry\\"));
}

void ResolveServerPaths(const std::string& install_dir_switch, const std::string& program_dir) {
  PathState& state = State();
  ServerPaths& paths = Paths();
  Settings().SetByte(f::kProductEdition, kEditionProfessional);
  SetInstallPath(install_dir_switch.empty() ? program_dir : install_dir_switch);
  paths.config_dir = DirectoryText(Cut(paths.install_dir + "config\\"));
  paths.web_dir = DirectoryText(Cut(paths.install_dir + "html\\"));
  paths.web_temp_dir = DirectoryText(Cut(paths.install_dir + "html\\temp\\"));
  paths.spam_dir = DirectoryText(Cut(paths.install_dir + "spam\\"));
  paths.alternative_dir.clear();
  paths.log_file_suffix.clear();
  NormaliseDirectoryFields(Settings(), paths.install_dir);
  state.forward_overridden = state.forward_retry_overridden = false;
  FollowSettingsDirectories();
  ApplyPathOverrides();
  const std::string info = paths.install_dir + "xml\\info.xml";
  if (win32::FileExists(info)) LoadProductInformation(info);
  state.title = ServerTitle{};
  ReadServerTitle();
  state.time_zone_suffix = ComputeTimeZoneSuffix();
}

const PathOverrides& PathOverrideLines() { return State().overrides; }

const std::string& ProductTitle() { return State().title.title; }
const std::vector<std::pair<std::string, std::string>>& TitleReplacements() { return State().title.replacements; }
const std::string& TimeZoneSuffix() { return State().time_zone_suffix; }

void SetDataDirectories(const std::string& temp_dir, const std::string& mail_dir, const std::string& log_dir) {
  ServerSettings& s = Settings();
  s.SetString(f::kTempDir, DirectoryText(temp_dir));
  s.SetString(f::kMailDir, DirectoryText(mail_dir));
  s.SetString(f::kLogDir, DirectoryText(log_dir));
  FollowSettingsDirectories();
}

}  // namespace serverconf
