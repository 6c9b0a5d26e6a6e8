#include "setup/startup.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/path_text.h"
#include "engine/uninstall.h"
#include "engine/version_compare.h"
#include "messages/setup_messages.h"
#include "platform/product_keys.h"
#include "serverconf/config_conversion.h"
#include "serverconf/config_store.h"
#include "setup/command_line.h"
#include "setup/language_step.h"
#include "setup/main_form.h"
#include "setup/setup_mutex.h"
#include "setup/unattended_run.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/file_attributes.h"
#include "win32/log.h"
#include "win32/notice.h"
#include "xmldoc/xml_object.h"

namespace setup {
namespace {

using platform::kCompanyArea;
using platform::kProductSection;
using platform::kWebMailSection;
constexpr char kWindowsArea[] = "\\Software\\Microsoft\\Windows";
constexpr char kCurrentVersionSection[] = "CurrentVersion";
using engine::Cut;

using win32::EndProgram;
using win32::FileExists;

// Points the product-key component at another key for a moment and puts
// area and section back afterwards.
class RegistryDetour {
 public:
  RegistryDetour(TAdvancedRegistry& registry, const std::string& area, const std::string& section)
      : registry_(registry), area_(registry.RegistryArea()), section_(registry.RegistrySection()) {
    registry_.SetRegistryArea(area);
    registry_.SetRegistrySection(section);
  }
  ~RegistryDetour() {
    registry_.SetRegistryArea(area_);
    registry_.SetRegistrySection(section_);
  }

 private:
  TAdvancedRegistry& registry_;
  std::string area_, section_;
};

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int AskQuestion(HWND owner, const std::string& text, const std::string& caption) {
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
}

// --- the steps, in their order ------------------------------------------

// "info.xml" beside the program: a root element whose children are named
// after the entries. Only PRODUCTSXML, the product list's address, is used.
void ReadDistributionInfo(SetupState& state) {
  state.ProductsXmlUrl.clear();
  serverconf::LoadProductInformation(state.ProgramDir + "info.xml");
  const xmldoc::TXMLObject* document = serverconf::ProductInformation();
  if (document == nullptr) return;
  try {
    for (const auto& root : document->Children()) {
      if (const xmldoc::TXMLObject* entry = root->FindChild("PRODUCTSXML")) {
        state.ProductsXmlUrl = entry->GetText(true);
        return;
      }
    }
  } catch (const std::exception& e) {
    win32::LogLine(std::string("start-up: reading PRODUCTSXML from info.xml failed: ") + e.what());
  }
}

void SetEditionHints(TMainForm& form) {
  form.TarnoProRadio->SetHint(Messages().cHintPro);
  form.TarnoStdRadio->SetHint(Messages().cHintStd);
  form.TarnoLiteRadio->SetHint(Messages().cHintLite);
}

void IgnoreUnhandledErrors() {
  // From here on an error that escapes an event handler is dropped; it has
  // been logged where the application caught it.
  ui::Application::Instance().OnException = [](std::exception_ptr) {};
}

void PointAtProductKey(TAdvancedRegistry& product_key) {
  product_key.SetRegistryArea(kCompanyArea);
  product_key.SetRegistrySection(kProductSection);
}

void FormatWelcomeTitle(TMainForm& form) {
  std::string title = form.AboutLabel->Caption();
  if (title.find("%s") != std::string::npos) form.AboutLabel->SetCaption(FormatText(title, {kSetupVersion}));
}

void RequireSetupDataFile(HWND owner, const SetupState& s) {
  if (FileExists(s.ProgramDir + "setup.Dat")) return;
  win32::LogLine("start-up: " + s.ProgramDir + "setup.Dat is missing");
  win32::ShowNotice(owner, Messages().cSetupError, Messages().cError, MB_ICONERROR);
  EndProgram(kExitDamagedDistribution);
}

// An unattended run has been told to install by its switch.
void AskInstallQuestion(HWND owner, const SetupState& s) {
  if (s.SilentStart || win32::UnattendedRun()) return;
  std::string text = FormatText(Messages().cInstallQ, {Messages().cName + " " + kSetupVersion});
  if (AskQuestion(owner, text, FormatText(Messages().cSetup, {Messages().cName})) != IDYES)
    EndProgram(DeclinedExitCode());
}

void LoadLicenseText(TMainForm& form) {
  const std::string path = form.state.ProgramDir + "License.txt";
  if (!FileExists(path)) return;
  std::ifstream file(path, std::ios::binary);
  if (!file) return;  // an unreadable licence leaves the designed text
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  form.LicenseMemo->SetLines(TextLines(text));
}

void ReadExclusions(SetupState& s, TAdvancedRegistry& key) {
  s.NoInstallIM = key.ReadBool("NoInstallIM");
  s.NoInstallCalendar = key.ReadBool("NoInstallCalendar");
  s.NoInstallWebMail = key.ReadBool("NoInstallWebMail");
  s.NoInstallAV = key.ReadBool("NoInstallAV");
  s.NoInstallIAS = key.ReadBool("NoInstallIAS");
}

// An installation of a 3.x version, or one without a version, did not
// record its edition; it is told by the storage libraries it installed.
void RedetectEdition(SetupState& s, const std::string& folder) {
  std::string major = s.PreviousVersion.substr(0, s.PreviousVersion.find('.'));
  if (!s.PreviousVersion.empty() && major != "3") return;
  uint8_t edition = 0;
  if (FileExists(folder + "db.dll") || FileExists(folder + "adolibrary.dll")) edition = 1;
  serverconf::SetEdition(edition);
  s.EditionRedetected = true;
}

void DetectPreviousInstallation(SetupState& s, InstallationFound& found) {
  // The stored folder normally ends in a backslash; one that does not still
  // names the same folder.
  const std::string folder = engine::AdjustTrailingBackslash(s.PreviousInstallDir, true, false);
  serverconf::SetInstallPath(Cut(s.PreviousInstallDir));
  serverconf::SetConfigPath(folder + "config\\");

  serverconf::LoadServerConfig(false, false);
  serverconf::UnloadDatabaseLibrary();
  s.EditionSelectable = false;
  RedetectEdition(s, folder);

  found.edition = serverconf::Edition();
  found.kind_label = Messages().cUpdateSetup + (*found.edition == 1 ? " - Professional" : " - Standard");
  const std::string console = serverconf::ConsoleFile();
  if (console == "basic.xml") found.basic_console = true;
  if (console == "advanced.xml") found.basic_console = false;
  s.PreviousOlderThan827 = !s.PreviousVersion.empty() && !engine::VersionAtLeast(s.PreviousVersion, "8.2.7");
}

void ReadUserDetails(TAdvancedRegistry& key, InstallationFound& found) {
  found.user_name = key.ReadString("Name");
  found.user_email = key.ReadString("Email");
  found.user_company = key.ReadString("Company");
  found.user_country = key.ReadString("Country");
}

void DetectInstallation(SetupState& s, TAdvancedRegistry& product_key, InstallationFound& found) {
  try {
    ReadExclusions(s, product_key);
    s.PreviousInstallDir = product_key.ReadString("InstallDir");
    s.EditionSelectable = true;
    if (!s.PreviousInstallDir.empty()) DetectPreviousInstallation(s, found);
    ReadUserDetails(product_key, found);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("start-up: detection of the installation failed, treated as fresh: ") + e.what());
    s.PreviousInstallDir.clear();
    found = InstallationFound{};
  }
}

std::string DefaultProgramsFolder(TAdvancedRegistry& product_key) {
  std::string folder;
  {
    RegistryDetour detour(product_key, kWindowsArea, kCurrentVersionSection);
    folder = product_key.ReadString("ProgramFilesDir");
  }
  if (folder.empty()) folder = "C:\\Program Files\\";
  return engine::AdjustTrailingBackslash(folder, true, false);
}

void DetectOldWebMail(SetupState& s, TAdvancedRegistry& product_key) {
  try {
    RegistryDetour detour(product_key, kCompanyArea, kWebMailSection);
    const std::string version = Cut(product_key.ReadString("Version"));
    const std::string folder = Cut(product_key.ReadString("InstallDir"));
    if (!folder.empty() && win32::IsDirectory(folder.substr(0, folder.size() - 1)) &&
        !engine::VersionAtLeast(version, "4.2.2"))
      s.OldWebMailDetected = true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("start-up: old web mail detection failed: ") + e.what());
  }
}

// What detection found, shown on the wizard's pages: the destination, the
// kind of setup with the installation's edition and console mode locked, the
// user details.
void ShowDetection(TMainForm& form, const InstallationFound& found) {
  if (form.state.PreviousInstallDir.empty()) {
    form.PathEdit->SetCaption(found.default_folder + form.PathEdit->Caption());
  } else {
    form.PathEdit->SetCaption(form.state.PreviousInstallDir);
    form.SetupKindLabel->SetCaption(found.kind_label);
    if (found.edition) form.SelectEdition(*found.edition);
    if (found.basic_console) (*found.basic_console ? form.BasicMode : form.AdvancedMode)->SetChecked(true);
    for (ui::Control* radio : std::initializer_list<ui::Control*>{form.TarnoProRadio, form.TarnoStdRadio,
                                                                  form.TarnoLiteRadio, form.AdvancedMode,
                                                                  form.BasicMode})
      radio->SetEnabled(false);
  }
  form.NameEdit->SetCaption(found.user_name);
  form.EmailEdit->SetCaption(found.user_email);
  form.CompanyEdit->SetCaption(found.user_company);
  form.CountryEdit->SetCaption(found.user_country);
}

void ShowFirstPage(TMainForm& form) {
  form.SetupPage();
  form.TarnoProRadioClick();
  form.AdvancedModeClick();
}

void LogDetection(const SetupState& s) {
  std::ostringstream line;
  line << "start-up: PreviousInstallDir=\"" << s.PreviousInstallDir << "\" ProductsXmlUrl=\"" << s.ProductsXmlUrl << "\" PreviousVersion=\"" << s.PreviousVersion
       << "\" EditionSelectable=" << s.EditionSelectable << " EditionRedetected=" << s.EditionRedetected
       << " Edition=" << int(serverconf::Edition()) << " PreviousOlderThan827=" << s.PreviousOlderThan827
       << " OldWebMailDetected=" << s.OldWebMailDetected << " NoInstallIM=" << s.NoInstallIM
       << " NoInstallCalendar=" << s.NoInstallCalendar << " NoInstallWebMail=" << s.NoInstallWebMail
       << " NoInstallAV=" << s.NoInstallAV << " NoInstallIAS=" << s.NoInstallIAS;
  win32::LogLine(line.str());
}

void OpenLogonPage(HWND owner, const char* path) {
  std::string url = "http://" + serverconf::WebConsoleHost() + ":" + std::to_string(serverconf::WebConsolePort()) +
                    "/" + path;
  win32::LogLine("start-up: opening " + url);
  ::ShellExecuteA(owner, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

[[noreturn]] void RunCommandMode(HWND owner, engine::UninstallWindow& window, const SetupState& s,
                                 SetupRegistries& registries, const std::vector<std::string>& args) {
  const engine::UninstallKeys keys{registries.shell_folders, registries.uninstall_entry};
  serverconf::ResolveServerPaths(InstallDirSwitch(args), s.ProgramDir);
  serverconf::LoadServerConfig(false, false);
  switch (ClassifyStartMode(args)) {
    case StartMode::kUninstall:
      if (win32::UnattendedRun()) RunUnattendedUninstall(window, keys, s);
      if (AskQuestion(owner, Messages().cUnInstallQ, FormatText(Messages().cSetup, {Messages().cName})) == IDYES)
        engine::UninstallProduct(window, keys);
      break;
    case StartMode::kWebMailLogon:
      OpenLogonPage(owner, "mail/");
      break;
    case StartMode::kWebAdminLogon:
      OpenLogonPage(owner, "accounts/");
      break;
    default:
      // An unattended run that was given a command it does not know must
      // not look like one that did its work.
      if (win32::UnattendedRun()) {
        win32::LogLine("start-up: unknown command \"" + args[1] + "\" for an unattended run");
        EndProgram(kExitBadAnswers);
      }
      break;
  }
  EndProgram(kExitOk);
}

}  // namespace

namespace {

RunSwitches& TakenRunSwitches() {
  static RunSwitches switches = TakeRunSwitches(SplitCommandLine(::GetCommandLineA()));
  return switches;
}

}  // namespace

void ApplyRunSwitches() {
  const RunSwitches& switches = TakenRunSwitches();
  if (!switches.log_file.empty()) win32::SetLogFile(switches.log_file);
  win32::SetUnattendedRun(switches.unattended);
  win32::LogLine(std::string("setup ") + kSetupVersion + " started: " + ::GetCommandLineA() +
                 (switches.unattended ? " (unattended)" : "") + (switches.dry_run ? " (dry run)" : ""));
  // A dry run plans an unattended installation; anything else would be a
  // real run that the administrator believes changes nothing.
  const StartMode mode = ClassifyStartMode(switches.args);
  if (switches.dry_run &&
      (!switches.unattended || (mode != StartMode::kWizard && mode != StartMode::kSilentWizard))) {
    win32::ShowNotice(nullptr, "/DRYRUN plans an unattended installation: it needs /UNATTENDED and /ANSWERS=<file>.",
                      "Setup", MB_ICONERROR);
    win32::EndProgram(kExitBadAnswers);
  }
}

std::vector<std::string> ProgramArguments() { return TakenRunSwitches().args; }

namespace {

std::string ProgramPath() {
  std::string path(MAX_PATH, '\0');
  DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  while (n == path.size()) {
    path.resize(path.size() * 2);
    n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  }
  path.resize(n);
  return path;
}

}  // namespace

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ProgramFileName() {
  const std::string path = ProgramPath();
  return path.substr(path.find_last_of('\\') + 1);
}

namespace {

// The start-up steps of every mode but the window's own: the language, the
// distribution's information, the command modes (which end the program), the
// distribution check, the install question and the detection. `owner` owns
// the boxes (nullptr in an unattended run, which shows none).
InstallationFound RunSharedStartUp(SetupState& s, SetupRegistries& registries, HWND owner,
                                   engine::UninstallWindow& uninstall_window, std::optional<UnattendedAnswers>& answers) {
  const std::vector<std::string> args = ProgramArguments();
  s.ProgramDir = ProgramFolder();

  RunLanguageStep(args, s.ProgramDir);
  EnsureOnlySetup(owner, args);
  answers = ReadUnattendedAnswers(TakenRunSwitches());
  ReadDistributionInfo(s);
  s.ResetFlags();
  IgnoreUnhandledErrors();
  // A dry run changes nothing, not even the copy of an earlier version's keys.
  if (!TakenRunSwitches().dry_run) serverconf::ConvertRegistry(false);
  PointAtProductKey(registries.product_key);
  s.SilentStart = args.size() >= 2 && LowerCaseAscii(args[1]) == "/silent";
  if (args.size() >= 2 && !s.SilentStart) RunCommandMode(owner, uninstall_window, s, registries, args);

  s.WindowCaption = Cut(FormatText(Messages().cPSetup, {Messages().cName, kSetupVersion}));
  RequireSetupDataFile(owner, s);
  AskInstallQuestion(owner, s);
  s.PreviousVersion = Cut(registries.product_key.ReadString("Version"));
  InstallationFound found;
  DetectInstallation(s, registries.product_key, found);
  if (s.PreviousInstallDir.empty()) found.default_folder = DefaultProgramsFolder(registries.product_key);
  DetectOldWebMail(s, registries.product_key);
  LogDetection(s);
  return found;
}

}  // namespace

void RunStartUp(TMainForm& form) {
  std::optional<UnattendedAnswers> answers;
  SetupRegistries registries = form.Registries();
  const InstallationFound found = RunSharedStartUp(form.state, registries, form.handle(), form, answers);
  // The hints come from the messages, which the language file may have
  // replaced, and win over the hints it gave the radios themselves.
  SetEditionHints(form);
  form.SetCaption(form.state.WindowCaption);
  FormatWelcomeTitle(form);
  LoadLicenseText(form);
  ShowDetection(form, found);
  ShowFirstPage(form);
}

void RunUnattended() {
  SetupState state;
  TAdvancedRegistry shell_folders(kMainFormRegistries[0].name), uninstall_entry(kMainFormRegistries[1].name),
      product_key(kMainFormRegistries[2].name);
  shell_folders.ApplyDesign(kMainFormRegistries[0]);
  uninstall_entry.ApplyDesign(kMainFormRegistries[1]);
  product_key.ApplyDesign(kMainFormRegistries[2]);
  SetupRegistries registries{shell_folders, uninstall_entry, product_key};
  LoggedUninstallWindow uninstall_window;
  std::optional<UnattendedAnswers> answers;
  const InstallationFound found = RunSharedStartUp(state, registries, nullptr, uninstall_window, answers);
  // An unattended installation always has its answers: without them start-up
  // ended with kExitBadAnswers.
  RunUnattendedInstallation(state, registries, found, *answers, TakenRunSwitches().dry_run);
}

}  // namespace setup
