// The product's implementations of the small interfaces the installation
// works through: the ODBC data sources and the antivirus engine's setup
// interface, the command channel to the running servers, and the COM
// servers' self-registration.
#pragma once

#include "engine/install_product_files.h"
#include "engine/upgrade_commands.h"
#include "platform/com_registrar.h"

namespace engine {

class ProductComponentServices final : public ComponentServices {
 public:
  bool DSNExists(const std::string& name) override;
  // True when the source is registered afterwards.
  bool CreateAccessDSN(const std::string& name, const std::string& database_file) override;
  bool LoadAvSetupInterface(const std::string& directory) override;
  bool InstallAvEngine(const std::string& target_directory) override;
  void UnloadAvSetupInterface() override;
  bool UpdateAvEngineFiles() override;
};

class ProductServerCommands final : public ServerCommandSender {
 public:
  void ServerCommand(uint32_t server, uint32_t message, uint32_t first, uint32_t second) override;
};

class ProductComRegistrar final : public platform::ComRegistrar {
 public:
  bool RegisterComServer(const std::string& path) override;
};

}  // namespace engine
