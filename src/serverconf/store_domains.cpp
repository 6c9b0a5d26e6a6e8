#include "serverconf/store_domains.h"

#include <windows.h>

#include <exception>
#include <vector>

#include "engine/file_helpers.h"
#include "serverconf/config_comment.h"
#include "serverconf/config_store.h"
#include "serverconf/database_library.h"
#include "win32/log.h"
#include "win32/win32_error.h"

namespace serverconf {
namespace {

namespace f = settings_field;
using engine::Cut;

struct DomainState {
  DomainTable domains;
  // Whether the table reflects domains.cfg (or was built here) and may be
  // written: false until a load has read it, and after a load that found a
  // domains.cfg it could not read, so that saving never replaces a table it
  // does not hold.
  bool held = false;
  bool subdomains_present = false;
  DomainLookupSwitches lookup;
};

DomainState& State() {
  static DomainState state;
  return state;
}

// In database mode the server reads a domain's table address from the
// database: it gets the address the table now holds.
bool StoreDatabaseAddress(size_t index) {
  const DomainTable& domains = State().domains;
  return !DatabaseMode() || db::SetDomainIP(domains.Name(index), DomainAddressText(domains.Address(index)));
}

}  // namespace

void LoadStoreDomains(const std::string& settings_file) {
  DomainState& state = State();
  const std::string path = Paths().config_dir + "domains.cfg";
  state.subdomains_present = win32::FileExists(Paths().config_dir + "subdomains.dat");
  std::optional<std::string> domains_file;
  if (win32::FileExists(path)) {
    domains_file = engine::ReadFileBytes(path);
    if (!domains_file) {
      state.domains.Clear();
      state.held = false;
      return;
    }
  }
  state.domains = LoadDomainTable(Settings(), domains_file, settings_file);
  state.held = true;
}

bool SaveStoreDomains(const std::string& dir) {
  DomainState& state = State();
  if (!state.held) return false;
  Settings().SetDWord(f::kDomainCount, static_cast<uint32_t>(state.domains.Count()));
  const std::vector<uint8_t> table = state.domains.FileImage();
  return engine::WriteTextFile(std::string(table.begin(), table.end()), dir + "domains.cfg");
}

const DomainTable& Domains() { return State().domains; }
DomainLookupSwitches& DomainLookup() { return State().lookup; }
bool SubdomainsFilePresent() { return State().subdomains_present; }

std::optional<std::string> DomainDirectory(size_t index) {
  if (index >= State().domains.Count()) return std::nullopt;
  const std::string name = State().domains.Name(index);
  if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos)
    return std::nullopt;
  return Paths().config_dir + name + "\\";
}

bool AddDomain(const std::string& name, size_t step) {
  DomainState& state = State();
  StoreLock lock(StoreLockPurpose::kAccountFiles);
  try {
    state.domains.Add(Cut(name), step);
    state.held = true;
    Settings().SetDWord(f::kDomainCount, static_cast<uint32_t>(state.domains.Count()));
    return true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: adding domain ") + name + " failed: " + e.what());
    return false;
  }
}

std::optional<size_t> FindDomain(const std::string& name) {
  DomainState& state = State();
  try {
    DomainLookupOptions options;
    options.idn = state.lookup.idn;
    options.ip_literal = state.lookup.address_literals;
    for (const std::string& item : SplitConfigLines(
             [&] {
               std::string list = Settings().String(f::kBindAddresses);
               for (char& c : list)
                 if (c == ';') c = '\n';
               return list;
             }()))
      if (!TrimConfigText(item).empty()) options.own_addresses.push_back(TrimConfigText(item));
    options.own_addresses.push_back("127.0.0.1");
    if (const std::optional<std::string> subdomains = engine::ReadFileBytes(Paths().config_dir + "subdomains.dat"))
      options.subdomain_lines = SplitConfigLines(*subdomains);
    options.binding_of = [](size_t index) { return ReadDomainBinding(index); };
    return state.domains.Find(Cut(name), options);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: looking up domain ") + name + " failed: " + e.what());
    return std::nullopt;
  }
}

bool RegisterDomain(const std::string& name) { return !DatabaseMode() || db::AddDomain(Cut(name)); }

bool MakeDomainPrimary(size_t index) {
  DomainState& state = State();
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
  const DomainState& state = State();
  try {
    if (index >= state.domains.Count()) return std::string();
    std::optional<std::string> line;
    const std::optional<std::string> dir = DomainDirectory(index);
    if (dir) {
      if (const std::optional<std::string> text = engine::ReadFileBytes(*dir + "bind.dat")) {
        const std::vector<std::string> lines = SplitConfigLines(*text);
        if (!lines.empty()) line = lines.front();
      }
    }
    return Cut(ComposeDomainBinding(state.domains.Address(index), line));
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: reading a domain binding failed: ") + e.what());
    return std::string();
  }
}

bool WriteDomainBinding(size_t index, const std::string& text) {
  DomainState& state = State();
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
      state.held = true;
      return StoreDatabaseAddress(index);
    }
    if (!engine::WriteTextFile(value + "\r\n", dir + "bind.dat")) return false;
    state.domains.SetAddress(index, kDomainAddressInFile);
    state.held = true;
    return StoreDatabaseAddress(index);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("configuration store: writing a domain binding failed: ") + e.what());
    return false;
  }
}

}  // namespace serverconf
