#include "engine/install_adapters.h"

#include "platform/com_registration.h"
#include "platform/odbc_data_sources.h"
#include "platform/server_command.h"
#include "serverconf/av_setup_interface.h"

namespace engine {

bool ProductComponentServices::DSNExists(const std::string& name) { return platform::DSNExists(name); }

bool ProductComponentServices::CreateAccessDSN(const std::string& name, const std::string& database_file) {
  platform::CreateAccessDSN(name, database_file);
  return platform::DSNExists(name);
}

bool ProductComponentServices::LoadAvSetupInterface(const std::string& directory) {
  return serverconf::LoadAvSetupInterface(directory);
}

bool ProductComponentServices::InstallAvEngine(const std::string& target_directory) {
  return serverconf::InstallAvEngine(target_directory);
}

void ProductComponentServices::UnloadAvSetupInterface() { serverconf::UnloadAvSetupInterface(); }

bool ProductComponentServices::UpdateAvEngineFiles() { return serverconf::UpdateAvEngineFiles(); }

void ProductServerCommands::ServerCommand(uint32_t server, uint32_t message, uint32_t first, uint32_t second) {
  // A server that is not running drops the command; the channel logs it.
  platform::ServerCommand(server, message, first, second);
}

bool ProductComRegistrar::RegisterComServer(const std::string& path) { return platform::RegisterComServer(path); }

}  // namespace engine
