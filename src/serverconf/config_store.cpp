#include "serverconf/config_store.h"

#include <windows.h>
#include <iphlpapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/service_table.h"
#include "serverconf/config_comment.h"
#include "serverconf/database_library.h"
#include "serverconf/domain_table.h"
#include "serverconf/server_title.h"
#include "serverconf/store_files.h"
#include "serverconf/time_zone_suffix.h"
#include "win32/library_search.h"
#include "win32/log.h"
#include "win32/scoped_handle.h"
#include "win32/win32_error.h"
#include "xmldoc/xml_object.h"

namespace serverconf {
namespace {

namespace f = settings_field;

constexpr size_t kMaxText = 255;
constexpr DWORD kReloadTimeoutMs = 5000;

struct StoreState {
  ServerSettings settings = ServerSettings::Initial();
  PathOverrides overrides;
  ServerTitle title;
  std::string time_zone_suffix = FormatTimeZoneSuffix(0);
  std::string outgoing_bind;
  std::string ipv6_bind;
  bool subdomains_present = false;
  bool forward_overridden = false;
  bool forward_retry_overridden = false;
  FILETIME settings_time{};
  std::unique_ptr<xmldoc::TXMLObject> product_information;
  DomainTable domains;
  // Whether the table reflects domains.cfg (or was built here) and may be
  // written: false until a load has read it, and after a load that found a
  // domains.cfg it could not read, so that saving never replaces a table it
  // does not hold.
  bool domains_held = false;
  DomainLookupSwitches lookup;
};

StoreState& State() {
  static StoreState state;
  return state;
}

std::string Cut(std::string text, size_t limit = kMaxText) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

void SyncSettingsPaths() {
  ServerPaths& paths = Paths();
  const ServerSettings& s = State().settings;
  paths.temp_dir = s.String(f::kTempDir);
  paths.mail_dir = s.String(f::kMailDir);
  paths.log_dir = s.String(f::kLogDir);
  if (!State().forward_overridden) paths.forward_dir = DirectoryText(Cut(paths.mail_dir + "forward\\"));
  if (!State().forward_retry_overridden)
    paths.forward_retry_dir = DirectoryText(Cut(paths.mail_dir + "forward\\retry\\"));
}

void ConnectNetworkDrives(const std::string& line) {
  for (const NetworkDrive& drive : ParseNetworkDrives(line)) {
    NETRESOURCEA resource{};
    resource.dwType = RESOURCETYPE_DISK;
    std::string remote = drive.remote;
    resource.lpRemoteName = remote.data();
    const DWORD result = ::WNetAddConnection2A(&resource, drive.password ? drive.password->c_str() : nullptr,
                                              drive.user ? drive.user->c_str() : nullptr, 0);
    if (result != NO_ERROR) win32::LogFailure("connecting the network drive", drive.remote, result);
  }
}

// Applies the directory lines of path.dat and makes its network connections.
void ApplyPathOverrides() {
  StoreState& state = State();
  ServerPaths& paths = Paths();
  state.overrides = PathOverrides{};
  state.forward_overridden = state.forward_retry_overridden = false;
  const std::string cfg = paths.install_dir + "path.cfg";
  const std::string dat = paths.install_dir + "path.dat";
  if (FileExists(cfg) && !::MoveFileExA(cfg.c_str(), dat.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    win32::LogFailure("moving to " + dat, cfg, ::GetLastError());
  std::string text;
  if (!ReadFileBytes(dat, text)) return;
  state.overrides = ParsePathOverrides(text);
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
  std::string text;
  if (ReadFileBytes(Paths().config_dir + "servertitle.dat", text)) State().title = ParseServerTitle(text);
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

void ApplyPathDatToSettings() {
  StoreState& state = State();
  const std::string& bind_line = state.overrides.Line(10);
  if (!bind_line.empty()) {
    const BindOverride bind = ParseBindOverride(bind_line);
    state.settings.SetString(f::kBindAddresses, bind.bind_addresses);
    if (bind.outgoing) state.outgoing_bind = Cut(*bind.outgoing);
  }
  const std::string& host = state.overrides.Line(11);
  if (!host.empty()) state.settings.SetString(f::kHostName, host);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text.c_str(), static_cast<int>(prefix.size()),
                          prefix.c_str(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// The server-wide bind.dat: "Outgoing_Bind=" and "IPv6_Bind=" lines.
void ReadServerBinding() {
  std::string text;
  if (!ReadFileBytes(Paths().config_dir + "bind.dat", text)) return;
  for (const std::string& raw : SplitConfigLines(text)) {
    std::string line;
    for (char c : TrimConfigText(StripConfigComment(raw)))
      if (c != ' ' && c != '\t') line += c;
    if (line.find('=') == std::string::npos) continue;
    if (StartsWithNoCase(line, "Outgoing_Bind=")) {
      const std::string value = line.substr(14);
      State().outgoing_bind = Cut(value.substr(0, value.find(';')));
    } else if (StartsWithNoCase(line, "IPv6_Bind=")) {
      State().ipv6_bind = Cut(line.substr(10));
    }
  }
}

// In database mode the server reads a domain's table address from the
// database: it gets the address the table now holds.
bool StoreDatabaseAddress(size_t index) {
  const DomainTable& domains = State().domains;
  return !DatabaseMode() || db::SetDomainIP(domains.Name(index), DomainAddressText(domains.Address(index)));
}

// Step 4 of the load: domains.cfg, else the tail of the settings file; then
// the conversions of older layouts.
void LoadDomains(const std::string& settings_file) {
  StoreState& state = State();
  const std::string path = Paths().config_dir + "domains.cfg";
  std::optional<std::string> domains_file;
  if (FileExists(path)) {
    std::string content;
    if (!ReadFileBytes(path, content)) {
      state.domains.Clear();
      state.domains_held = false;
      return;
    }
    domains_file = std::move(content);
  }
  state.domains = LoadDomainTable(state.settings, domains_file, settings_file);
  state.domains_held = true;
}

// Step 8 of the load: the server's own start-up of database mode. A library
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

std::string SystemDnsServers() {
  win32::ScopedModule library(win32::LoadSystemLibrary("iphlpapi.dll"));
  if (!library) return {};
  using GetNetworkParamsFn = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
  auto get_params = reinterpret_cast<GetNetworkParamsFn>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "GetNetworkParams")));
  if (!get_params) {
    win32::LogFailure("finding GetNetworkParams in", "iphlpapi.dll", ::GetLastError());
    return {};
  }
  ULONG size = 0;
  std::vector<unsigned char> buffer;
  DWORD result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(std::max<ULONG>(size, sizeof(FIXED_INFO)), 0);
    size = static_cast<ULONG>(buffer.size());
    result = get_params(reinterpret_cast<PFIXED_INFO>(buffer.data()), &size);
  }
  if (result != ERROR_SUCCESS) {
    win32::LogFailure("reading the network parameters for", "the DNS servers", result);
    return {};
  }
  const FIXED_INFO* info = reinterpret_cast<const FIXED_INFO*>(buffer.data());
  std::string servers;
  auto add = [&](const IP_ADDR_STRING* entry) {
    const std::string address(entry->IpAddress.String, strnlen(entry->IpAddress.String, 16));
    if (address.empty()) return;
    if (!servers.empty()) servers += ';';
    servers += address;
  };
  if (info->CurrentDnsServer) add(info->CurrentDnsServer);
  for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next) add(entry);
  return Cut(servers, 127);
}

ServerPaths& Paths() {
  static ServerPaths paths;
  return paths;
}

std::optional<std::string> DomainDirectory(size_t index) {
  if (index >= State().domains.Count()) return std::nullopt;
  const std::string name = State().domains.Name(index);
  if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos)
    return std::nullopt;
  return Paths().config_dir + name + "\\";
}

bool DatabaseMode() { return State().settings.Byte(f::kStorageMode) == kStorageDatabase; }

void SetInstallPath(const std::string& dir) { Paths().install_dir = DirectoryText(Cut(dir)); }

void SetConfigPath(const std::string& dir) { Paths().config_dir = DirectoryText(Cut(dir)); }

void ResolveServerPaths(const std::string& install_dir_switch, const std::string& program_dir) {
  StoreState& state = State();
  ServerPaths& paths = Paths();
  state.settings.SetByte(f::kProductEdition, kEditionProfessional);
  SetInstallPath(install_dir_switch.empty() ? program_dir : install_dir_switch);
  paths.config_dir = DirectoryText(Cut(paths.install_dir + "config\\"));
  paths.web_dir = DirectoryText(Cut(paths.install_dir + "html\\"));
  paths.web_temp_dir = DirectoryText(Cut(paths.install_dir + "html\\temp\\"));
  paths.spam_dir = DirectoryText(Cut(paths.install_dir + "spam\\"));
  paths.alternative_dir.clear();
  paths.log_file_suffix.clear();
  NormaliseDirectoryFields(state.settings, paths.install_dir);
  state.forward_overridden = state.forward_retry_overridden = false;
  SyncSettingsPaths();
  ApplyPathOverrides();
  const std::string info = paths.install_dir + "xml\\info.xml";
  if (FileExists(info)) LoadProductInformation(info);
  state.title = ServerTitle{};
  ReadServerTitle();
  state.time_zone_suffix = ComputeTimeZoneSuffix();
}

const PathOverrides& PathOverrideLines() { return State().overrides; }

bool LoadProductInformation(const std::string& file) {
  std::unique_ptr<xmldoc::TXMLObject>& held = State().product_information;
  held.reset();
  auto document = std::make_unique<xmldoc::TXMLObject>();
  try {
    if (!document->LoadFromFile(file)) return false;
  } catch (const std::exception& e) {
    win32::LogLine("product information: reading " + file + " failed: " + e.what());
    return false;
  }
  held = std::move(document);
  return true;
}

const xmldoc::TXMLObject* ProductInformation() { return State().product_information.get(); }

const std::string& ProductTitle() { return State().title.title; }
const std::vector<std::pair<std::string, std::string>>& TitleReplacements() { return State().title.replacements; }
const std::string& TimeZoneSuffix() { return State().time_zone_suffix; }

bool LoadServerConfig(bool missing_is_success, bool skip_server_start) {
  StoreState& state = State();
  ServerPaths& paths = Paths();
  try {
    const std::string file = paths.config_dir + "settings.cfg";
    NoteSettingsTime(file);
    if (paths.install_dir.empty()) SetInstallPath(paths.config_dir + "..\\");

    state.settings = ServerSettings::Initial();
    std::string content;
    // The whole file: older versions keep the domain table behind the record.
    const bool read = ReadFileBytes(file, content);
    if (read)
      state.settings.ReadFileImage(reinterpret_cast<const uint8_t*>(content.data()),
                                   std::min(content.size(), kServerSettingsSize));

    ApplyLoadDefaults(state.settings, {paths.install_dir, SystemDnsServers()});
    ApplyPathDatToSettings();
    SyncSettingsPaths();
    // Without a settings file there is no older layout to convert: a
    // domains.cfg found alone is in the current 96-byte form.
    if (!read) state.settings.SetByte(f::kDomainTableWide, 1);
    LoadDomains(read ? content : std::string());

    ReadServerBinding();
    state.subdomains_present = FileExists(paths.config_dir + "subdomains.dat");
    if (!skip_server_start && DatabaseMode()) StartDatabaseLibrary();
    return read ? true : !missing_is_success;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: loading failed: ") + e.what());
    return !missing_is_success;
  }
}

bool SaveServerConfig() {
  try {
    const std::string& dir = Paths().config_dir;
    if (dir.empty()) return false;
    CreateDirectoryTree(dir);
    StoreState& state = State();
    // The table first: settings.cfg is rewritten in the current record size,
    // which drops a table an older version kept behind the record.
    bool created = false;
    if (state.domains_held) {
      state.settings.SetDWord(f::kDomainCount, static_cast<uint32_t>(state.domains.Count()));
      const std::vector<uint8_t> table = state.domains.FileImage();
      created = WriteFileBytes(dir + "domains.cfg", table.data(), table.size());
    }
    const std::vector<uint8_t> image = state.settings.FileImage();
    created = WriteFileBytes(dir + "settings.cfg", image.data(), image.size()) || created;
    return created;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: saving failed: ") + e.what());
    return false;
  }
}

void UnloadDatabaseLibrary() { db::Unload(); }

const DomainTable& Domains() { return State().domains; }
DomainLookupSwitches& DomainLookup() { return State().lookup; }

bool AddDomain(const std::string& name, size_t step) {
  StoreState& state = State();
  StoreLock lock(StoreLockPurpose::kAccountFiles);
  try {
    state.domains.Add(Cut(name), step);
    state.domains_held = true;
    state.settings.SetDWord(f::kDomainCount, static_cast<uint32_t>(state.domains.Count()));
    return true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: adding domain ") + name + " failed: " + e.what());
    return false;
  }
}

std::optional<size_t> FindDomain(const std::string& name) {
  StoreState& state = State();
  try {
    DomainLookupOptions options;
    options.idn = state.lookup.idn;
    options.ip_literal = state.lookup.address_literals;
    for (const std::string& item : SplitConfigLines(
             [&] {
               std::string list = state.settings.String(f::kBindAddresses);
               for (char& c : list)
                 if (c == ';') c = '\n';
               return list;
             }()))
      if (!TrimConfigText(item).empty()) options.own_addresses.push_back(TrimConfigText(item));
    options.own_addresses.push_back("127.0.0.1");
    std::string subdomains;
    if (ReadFileBytes(Paths().config_dir + "subdomains.dat", subdomains))
      options.subdomain_lines = SplitConfigLines(subdomains);
    options.binding_of = [](size_t index) { return ReadDomainBinding(index); };
    return state.domains.Find(Cut(name), options);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: looking up domain ") + name + " failed: " + e.what());
    return std::nullopt;
  }
}

bool RegisterDomain(const std::string& name) { return !DatabaseMode() || db::AddDomain(Cut(name)); }

bool MakeDomainPrimary(size_t index) {
  StoreState& state = State();
  try {
    if (index >= state.domains.Count()) return false;
    if (index != 0) {
      const std::string first_binding = ReadDomainBinding(0);
      const std::string other_binding = ReadDomainBinding(index);
      state.domains.SwapNames(0, index);
      WriteDomainBinding(0, other_binding);
      WriteDomainBinding(index, first_binding);
    }
    // The database keeps its own order: it is told even when the table
    // had the domain first already. Its refusal is logged by the call.
    if (DatabaseMode()) db::MakeDomainPrimary(state.domains.Name(0));
    return true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: making domain primary failed: ") + e.what());
    return false;
  }
}

std::string ReadDomainBinding(size_t index) {
  const StoreState& state = State();
  try {
    if (index >= state.domains.Count()) return std::string();
    std::optional<std::string> line;
    std::string text;
    const std::optional<std::string> dir = DomainDirectory(index);
    if (dir && ReadFileBytes(*dir + "bind.dat", text)) {
      const std::vector<std::string> lines = SplitConfigLines(text);
      if (!lines.empty()) line = lines.front();
    }
    return Cut(ComposeDomainBinding(state.domains.Address(index), line));
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: reading a domain binding failed: ") + e.what());
    return std::string();
  }
}

bool WriteDomainBinding(size_t index, const std::string& text) {
  StoreState& state = State();
  try {
    if (index >= state.domains.Count()) return false;
    const std::optional<std::string> domain_dir = DomainDirectory(index);
    if (!domain_dir) {
      win32::LogLine("configuration store: domain " + std::to_string(index) + " has no usable directory name");
      return false;
    }
    const std::string& dir = *domain_dir;
    const std::string value = Cut(TrimConfigText(text));
    if (value.empty()) {
      const std::string file = dir + "bind.dat";
      if (!::DeleteFileA(file.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND &&
          ::GetLastError() != ERROR_PATH_NOT_FOUND)
        win32::LogFailure("deleting", file, ::GetLastError());
      state.domains.SetAddress(index, kNoDomainAddress);
      state.domains_held = true;
      return StoreDatabaseAddress(index);
    }
    CreateDirectoryTree(dir);
    const std::string line = value + "\r\n";
    if (!WriteFileBytes(dir + "bind.dat", line.data(), line.size())) return false;
    state.domains.SetAddress(index, kDomainAddressInFile);
    state.domains_held = true;
    return StoreDatabaseAddress(index);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: writing a domain binding failed: ") + e.what());
    return false;
  }
}

ServerSettings& Settings() { return State().settings; }

const std::string& OutgoingBindAddress() { return State().outgoing_bind; }
const std::string& IPv6BindAddress() { return State().ipv6_bind; }
bool SubdomainsFilePresent() { return State().subdomains_present; }

void SetDataDirectories(const std::string& temp_dir, const std::string& mail_dir, const std::string& log_dir) {
  ServerSettings& s = State().settings;
  s.SetString(f::kTempDir, DirectoryText(temp_dir));
  s.SetString(f::kMailDir, DirectoryText(mail_dir));
  s.SetString(f::kLogDir, DirectoryText(log_dir));
  SyncSettingsPaths();
}

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

int NotifyServersReload(bool include_web_console) {
  int told = 0;
  for (size_t row = 0; row < platform::kServerCount; ++row) {
    const platform::ServiceRow& server = platform::ServiceTable[row];
    if (row == platform::kControlRow && !include_web_console) continue;
    HWND window = ::FindWindowA(server.ServerWindowClass, server.ServerWindowCaption);
    if (!window) continue;
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutA(window, kServerReloadMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kReloadTimeoutMs,
                              &answer))
      ++told;
    else
      win32::LogFailure("telling to reload", server.ServerWindowCaption, ::GetLastError());
  }
  return told;
}

}  // namespace serverconf
