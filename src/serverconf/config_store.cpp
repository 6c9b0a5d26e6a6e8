#include "serverconf/config_store.h"

#include <windows.h>

#include <memory>

#include "xmldoc/xml_object.h"

#include "win32/log.h"

namespace serverconf {
namespace {

constexpr size_t kMaxPath = 255;
constexpr uint16_t kDefaultWebConsolePort = 32000;

struct LoadedSettings {
  uint8_t edition = 0;
  std::string console_file;
  bool bind_web_console = false;
  std::string first_bind_address;
  uint16_t web_console_port = kDefaultWebConsolePort;
};

LoadedSettings& Settings() {
  static LoadedSettings settings;
  return settings;
}

std::unique_ptr<xmldoc::TXMLObject>& ProductDocument() {
  static std::unique_ptr<xmldoc::TXMLObject> document;
  return document;
}

std::string DirectoryText(const std::string& dir) {
  std::string text = dir.substr(0, kMaxPath);
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text.substr(0, kMaxPath + 1);
}

}  // namespace

ServerPaths& Paths() {
  static ServerPaths paths;
  return paths;
}

void SetInstallPath(const std::string& dir) { Paths().install_dir = DirectoryText(dir); }

void SetConfigPath(const std::string& dir) { Paths().config_dir = DirectoryText(dir); }

void ResolveServerPaths(const std::string& install_dir_switch, const std::string& program_dir) {
  SetInstallPath(install_dir_switch.empty() ? program_dir : install_dir_switch);
  SetConfigPath(Paths().install_dir + "config\\");
}

bool LoadProductInformation(const std::string& file) {
  ProductDocument().reset();
  auto document = std::make_unique<xmldoc::TXMLObject>();
  try {
    if (!document->LoadFromFile(file)) return false;
  } catch (const std::exception& e) {
    win32::LogLine("product information: reading " + file + " failed: " + e.what());
    return false;
  }
  ProductDocument() = std::move(document);
  return true;
}

const xmldoc::TXMLObject* ProductInformation() { return ProductDocument().get(); }

bool LoadServerConfig(bool missing_is_success, bool /*skip_server_start*/) {
  Settings() = LoadedSettings{};
  std::string file = Paths().config_dir + "settings.cfg";
  if (::GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES)
    win32::LogLine("configuration store: " + file + " is present, but this build does not read the settings record");
  return missing_is_success;
}

void UnloadDatabaseLibrary() {}

uint8_t Edition() { return Settings().edition; }
void SetEdition(uint8_t edition) { Settings().edition = edition; }
std::string ConsoleFile() { return Settings().console_file; }

std::string WebConsoleHost() {
  const LoadedSettings& s = Settings();
  return s.bind_web_console && !s.first_bind_address.empty() ? s.first_bind_address : "localhost";
}

uint16_t WebConsolePort() { return Settings().web_console_port; }

}  // namespace serverconf
