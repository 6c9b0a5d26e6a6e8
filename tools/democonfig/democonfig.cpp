#include "democonfig.h"

#include <filesystem>
#include <fstream>

#include "serverconf/account_records.h"
#include "serverconf/demo_configuration.h"
#include "serverconf/domain_table.h"
#include "serverconf/server_settings.h"

namespace democonfig {
namespace {

using namespace serverconf;
namespace f = settings_field;

struct DemoAccount {
  uint8_t type;            // 0 user; others are lists and groups of the server
  const char* aliases;
  const char* full_name;
  const char* password;
};

// The demo domain's accounts. The administrator's password is meant to be
// changed; the demo accounts expire 30 days after installation.
constexpr DemoAccount kAccounts[] = {
    {0, "admin;postmaster;abuse", "Administrator", "admin"},
    {0, "john;john.doe", "John Doe", "john"},
    {0, "jane;jane.roe", "Jane Roe", "jane"},
    {1, "staff", "All staff", ""},
    {7, "sales", "Sales team", ""},
};

std::vector<uint8_t> Settings() {
  ServerSettings settings = ServerSettings::Initial();
  settings.SetByte(f::kProductEdition, kEditionProfessional);
  settings.SetByte(f::kStorageMode, kStorageFiles);
  settings.SetByte(f::kDomainTableWide, 1);
  settings.SetDWord(f::kDomainCount, 1);
  settings.SetString(f::kConsoleFile, "advanced.xml");
  return settings.FileImage();
}

std::vector<uint8_t> Domains() {
  DomainTable table;
  table.Add(kDemoDomainName);
  return table.FileImage();
}

std::vector<uint8_t> DemoDomainRecord() {
  DomainRecord record;
  record.SetString(domain_field::kRoleAliases, "postmaster;admin;abuse");
  record.SetString(domain_field::kAdministratorAddress, std::string("admin@") + kDemoDomainName);
  return record.FileImage();
}

std::vector<uint8_t> Users() {
  std::vector<uint8_t> file;
  for (const DemoAccount& account : kAccounts) {
    UserRecord record;
    record.SetByte(user_field::kAccountType, account.type);
    record.SetString(user_field::kFullName, account.full_name);
    record.SetString(user_field::kAliases, account.aliases);
    const std::string primary = record.FirstAlias();
    record.SetString(user_field::kPrimaryAlias, primary);
    record.SetString(user_field::kPassword, account.password);
    record.SetString(user_field::kMailbox, std::string(kDemoDomainName) + "\\" + primary + "\\");
    const std::vector<uint8_t> image = record.FileImage();
    file.insert(file.end(), image.begin(), image.end());
  }
  return file;
}

}  // namespace

std::vector<DemoFile> DemoConfigurationFiles() {
  const std::string domain_dir = std::string(kDemoDomainName) + "\\";
  return {
      {"settings.cfg", Settings()},
      {"domains.cfg", Domains()},
      {domain_dir + "domain.cfg", DemoDomainRecord()},
      {domain_dir + "users.cfg", Users()},
  };
}

bool WriteDemoConfiguration(const std::string& folder, std::string& error) {
  namespace fs = std::filesystem;
  for (const DemoFile& file : DemoConfigurationFiles()) {
    fs::path path(folder);
    size_t start = 0;
    for (size_t sep; (sep = file.path.find('\\', start)) != std::string::npos; start = sep + 1)
      path /= file.path.substr(start, sep - start);
    path /= file.path.substr(start);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) {
      error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}

}  // namespace democonfig
