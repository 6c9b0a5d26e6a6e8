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

constexpr char kCompanyArea[] = "\\Software\\Cordane";
constexpr char kProductSection[] = "Tarno Mail Server";
constexpr char kWebMailSection[] = "Cordane Web Mail";
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

int AskQuestion(TMainForm& form, const std::string& text, const std::string& caption) {
  return ::MessageBoxA(form.handle(), text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
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

void PointAtProductKey(TMainForm& form) {
  form.PathRegistry->SetRegistryArea(kCompanyArea);
  form.PathRegistry->SetRegistrySection(kProductSection);
}

void SetWindowCaption(TMainForm& form) {
  form.state.WindowCaption = Cut(FormatText(Messages().cPSetup, {Messages().cName, kSetupVersion}));
  form.SetCaption(form.state.WindowCaption);
}

void FormatWelcomeTitle(TMainForm& form) {
  std::string title = form.AboutLabel->Caption();
  if (title.find("%s") != std::string::npos) form.AboutLabel->SetCaption(FormatText(title, {kSetupVersion}));
}

void RequireSetupDataFile(TMainForm& form) {
  if (FileExists(form.state.ProgramDir + "setup.Dat")) return;
  win32::LogLine("start-up: " + form.state.ProgramDir + "setup.Dat is missing");
  win32::ShowNotice(form.handle(), Messages().cSetupError, Messages().cError, MB_ICONERROR);
  EndProgram(kExitDamagedDistribution);
}

// An unattended run has been told to install by its switch.
void AskInstallQuestion(TMainForm& form) {
  if (form.state.SilentStart || win32::UnattendedRun()) return;
  std::string text = FormatText(Messages().cInstallQ, {Messages().cName + " " + kSetupVersion});
  if (AskQuestion(form, text, FormatText(Messages().cSetup, {Messages().cName})) != IDYES)
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

void ReadExclusions(TMainForm& form) {
  SetupState& s = form.state;
  TAdvancedRegistry& key = *form.PathRegistry;
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

void ShowPreviousInstallation(TMainForm& form) {
  SetupState& s = form.state;
  // The stored folder normally ends in a backslash; one that does not still
  // names the same folder.
  const std::string folder = engine::AdjustTrailingBackslash(s.PreviousInstallDir, true, false);
  serverconf::SetInstallPath(Cut(s.PreviousInstallDir));
  form.PathEdit->SetCaption(s.PreviousInstallDir);
  form.SetupKindLabel->SetCaption(Messages().cUpdateSetup);
  serverconf::SetConfigPath(folder + "config\\");

  serverconf::LoadServerConfig(false, false);
  serverconf::UnloadDatabaseLibrary();
  s.EditionSelectable = false;
  RedetectEdition(s, folder);

  const uint8_t edition = serverconf::Edition();
  form.SetupKindLabel->SetCaption(form.SetupKindLabel->Caption() + (edition == 1 ? " - Professional" : " - Standard"));
  form.SelectEdition(edition);
  const std::string console = serverconf::ConsoleFile();
  if (console == "basic.xml") form.BasicMode->SetChecked(true);
  if (console == "advanced.xml") form.AdvancedMode->SetChecked(true);
  for (ui::Control* radio : std::initializer_list<ui::Control*>{form.TarnoProRadio, form.TarnoStdRadio,
                                                                form.TarnoLiteRadio, form.AdvancedMode,
                                                                form.BasicMode})
    radio->SetEnabled(false);
  s.PreviousOlderThan827 = !s.PreviousVersion.empty() && !engine::VersionAtLeast(s.PreviousVersion, "8.2.7");
}

void ReadUserDetails(TMainForm& form) {
  TAdvancedRegistry& key = *form.PathRegistry;
  form.NameEdit->SetCaption(key.ReadString("Name"));
  form.EmailEdit->SetCaption(key.ReadString("Email"));
  form.CompanyEdit->SetCaption(key.ReadString("Company"));
  form.CountryEdit->SetCaption(key.ReadString("Country"));
}

void DetectInstallation(TMainForm& form) {
  SetupState& s = form.state;
  try {
    ReadExclusions(form);
    s.PreviousInstallDir = form.PathRegistry->ReadString("InstallDir");
    s.EditionSelectable = true;
    if (!s.PreviousInstallDir.empty()) ShowPreviousInstallation(form);
    ReadUserDetails(form);
  } catch (const std::exception& e) {
    win32::LogLine(std::string("start-up: detection of the installation failed, treated as fresh: ") + e.what());
    s.PreviousInstallDir.clear();
  }
}

void SetDefaultDestination(TMainForm& form) {
  std::string folder;
  {
    RegistryDetour detour(*form.PathRegistry, kWindowsArea, kCurrentVersionSection);
    folder = form.PathRegistry->ReadString("ProgramFilesDir");
  }
  if (folder.empty()) folder = "C:\\Program Files\\";
  form.PathEdit->SetCaption(engine::AdjustTrailingBackslash(folder, true, false) + form.PathEdit->Caption());
}

void DetectOldWebMail(TMainForm& form) {
  try {
    RegistryDetour detour(*form.PathRegistry, kCompanyArea, kWebMailSection);
    const std::string version = Cut(form.PathRegistry->ReadString("Version"));
    const std::string folder = Cut(form.PathRegistry->ReadString("InstallDir"));
    if (!folder.empty() && win32::IsDirectory(folder.substr(0, folder.size() - 1)) &&
        !engine::VersionAtLeast(version, "4.2.2"))
      form.state.OldWebMailDetected = true;
  } catch (const std::exception& e) {
    win32::LogLine(std::string("start-up: old web mail detection failed: ") + e.what());
  }
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

void OpenLogonPage(TMainForm& form, const char* path) {
  std::string url = "http://" + serverconf::WebConsoleHost() + ":" + std::to_string(serverconf::WebConsolePort()) +
                    "/" + path;
  win32::LogLine("start-up: opening " + url);
  ::ShellExecuteA(form.handle(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void RunCommandMode(TMainForm& form, const std::vector<std::string>& args) {
  serverconf::ResolveServerPaths(InstallDirSwitch(args), form.state.ProgramDir);
  serverconf::LoadServerConfig(false, false);
  switch (ClassifyStartMode(args)) {
    case StartMode::kUninstall:
      if (win32::UnattendedRun()) RunUnattendedUninstall(form);
      if (AskQuestion(form, Messages().cUnInstallQ, FormatText(Messages().cSetup, {Messages().cName})) == IDYES)
        engine::UninstallProduct(form);
      break;
    case StartMode::kWebMailLogon:
      OpenLogonPage(form, "mail/");
      break;
    case StartMode::kWebAdminLogon:
      OpenLogonPage(form, "accounts/");
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
                 (switches.unattended ? " (unattended)" : ""));
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

void RunStartUp(TMainForm& form) {
  SetupState& s = form.state;
  const std::vector<std::string> args = ProgramArguments();
  s.ProgramDir = ProgramFolder();

  RunLanguageStep(args, s.ProgramDir);
  EnsureOnlySetup(form.handle(), args);
  const std::optional<UnattendedAnswers> answers = ReadUnattendedAnswers(TakenRunSwitches());
  ReadDistributionInfo(s);
  SetEditionHints(form);
  s.ResetFlags();
  IgnoreUnhandledErrors();
  serverconf::ConvertRegistry(false);
  PointAtProductKey(form);
  s.SilentStart = args.size() >= 2 && LowerCaseAscii(args[1]) == "/silent";
  if (args.size() >= 2 && !s.SilentStart) RunCommandMode(form, args);

  SetWindowCaption(form);
  FormatWelcomeTitle(form);
  RequireSetupDataFile(form);
  AskInstallQuestion(form);
  s.PreviousVersion = Cut(form.PathRegistry->ReadString("Version"));
  LoadLicenseText(form);
  DetectInstallation(form);
  if (s.PreviousInstallDir.empty()) SetDefaultDestination(form);
  DetectOldWebMail(form);
  ShowFirstPage(form);
  LogDetection(s);
  if (answers) RunUnattendedInstallation(form, *answers);
}

}  // namespace setup
