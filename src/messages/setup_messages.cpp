#include "messages/setup_messages.h"

namespace setup {

const std::vector<MessageDefinition>& MessageTable() {
  static const std::vector<MessageDefinition> table = {
      {"cName", "Tarno Mail Server", &SetupMessages::cName},
      {"cDoYouExit", "Do you wish to cancel this installation?", &SetupMessages::cDoYouExit},
      {"cDoYouExitTitle", "Exit Setup", &SetupMessages::cDoYouExitTitle},
      {"UninstallDesc", "Uninstall Tarno Mail Server", &SetupMessages::UninstallDesc},
      {"cTarnoWebmail", "Tarno Mail Server Web Mail", &SetupMessages::cTarnoWebmail},
      {"cTarnoWebAdmin", "Tarno Mail Server Web Administration", &SetupMessages::cTarnoWebAdmin},
      {"cWebMailManualFile", "html\\mail\\help\\index.htm", &SetupMessages::cWebMailManualFile},
      {"cWebMailManual", "Cordane WebMail Documentation", &SetupMessages::cWebMailManual},
      {"TarnoSMTPLinkDesc", "Start Tarno SMTP Service", &SetupMessages::TarnoSMTPLinkDesc},
      {"TarnoPOP3LinkDesc", "Start Tarno POP3-IMAP4 Service", &SetupMessages::TarnoPOP3LinkDesc},
      {"TarnoControlLinkDesc", "Start Tarno Control Service", &SetupMessages::TarnoControlLinkDesc},
      {"TarnoIMLinkDesc", "Start Tarno Instant Messaging Service", &SetupMessages::TarnoIMLinkDesc},
      {"TarnoGWLinkDesc", "Start Tarno GroupWare Service", &SetupMessages::TarnoGWLinkDesc},
      {"cSetup", "%s Setup", &SetupMessages::cSetup},
      {"cInstallQ", "This will install %s. Do you wish to continue?", &SetupMessages::cInstallQ},
      {"cInstallLicenseQ", "By installing this software you agree with the software license agreement. Do you wish to continue?", &SetupMessages::cInstallLicenseQ},
      {"cUnInstallQ", "Are you sure to completely remove all files and components of this program?", &SetupMessages::cUnInstallQ},
      {"cComplete", "The setup of %s is complete.\r\n\r\nIn order to get started it is suggested to run the Configuration program and read the Help.", &SetupMessages::cComplete},
      {"cCompleteRemove", "Uninstall completed. Some elements could not be removed. You should manually remove items related to the application.", &SetupMessages::cCompleteRemove},
      {"cInternet", "Is this computer connected to the Internet now?", &SetupMessages::cInternet},
      {"cNotRunning", "The following service(s) could not be started:\r\n%s\r\nThere must be already running some other service(s) on the same TCP/IP port(s). Please, make sure no other SMTP or POP3 servers are running (including MS SMTP and Norton POP3).", &SetupMessages::cNotRunning},
      {"cSetupError", "Setup could not find the required files.", &SetupMessages::cSetupError},
      {"cSetupRequireWebMail", "Setup has detected an old version of Cordane Web Mail on your computer. It is required for you to upgrade Cordane Web Mail or it will not function properly.", &SetupMessages::cSetupRequireWebMail},
      {"cTutorialCaption", "Installation Wizard", &SetupMessages::cTutorialCaption},
      {"cInformation", "Information", &SetupMessages::cInformation},
      {"cError", "Error", &SetupMessages::cError},
      {"cErrorDir", "Directory could not be created: ", &SetupMessages::cErrorDir},
      {"cErrorFile", "File copy error: %s\r\n%s\r\nIt is suggested to reboot this computer and run the setup again.", &SetupMessages::cErrorFile},
      {"cErrorDataFile", "Extracting files error: data file error", &SetupMessages::cErrorDataFile},
      {"cServiceError", "Service error: ", &SetupMessages::cServiceError},
      {"cRegistryError", "Registry error: ", &SetupMessages::cRegistryError},
      {"cQuestion", "Question", &SetupMessages::cQuestion},
      {"cNewerVersion", "There is new %s %s version on the Internet. It is suggested to download and use the latest version instead. Do you want to download it now?", &SetupMessages::cNewerVersion},
      {"cInstallProgram", "Programs", &SetupMessages::cInstallProgram},
      {"cCommonPrograms", "Common Programs", &SetupMessages::cCommonPrograms},
      {"cExtractingFiles", "Extracting Files...", &SetupMessages::cExtractingFiles},
      {"cInstalling", "Installing Services...", &SetupMessages::cInstalling},
      {"cStarting", "Starting Services...", &SetupMessages::cStarting},
      {"cFinishing", "Finishing Installation...", &SetupMessages::cFinishing},
      {"cUnInstalling", "Removing Services...", &SetupMessages::cUnInstalling},
      {"cStopping", "Stopping Services...", &SetupMessages::cStopping},
      {"cChecking", "Checking For Running Services...", &SetupMessages::cChecking},
      {"cFinished", "Installation Complete", &SetupMessages::cFinished},
      {"cCopying", "Copying File:\r\n", &SetupMessages::cCopying},
      {"cInstallingAV", "Installing Antivirus Engine...", &SetupMessages::cInstallingAV},
      {"cCreatingIcons", "Creating Icons...", &SetupMessages::cCreatingIcons},
      {"cInstallingWeb", "Installing Web Mail...", &SetupMessages::cInstallingWeb},
      {"cHintPro", "Professional version is most advanced mail server\r\ndedicated to Corporates, ISPs and web developers.\r\nUtilizes ODBC, high speed memory mode, advanced\r\nfeatures and other sophisticated tools.", &SetupMessages::cHintPro},
      {"cHintStd", "Standard version is an affordable solution for medium\r\nsized businesses, educational and government. It is\r\nmost suitable for all standard installations with\r\nunlimited domains and users.", &SetupMessages::cHintStd},
      {"cHintLite", "Lite version is an entry level solution for SOHO\r\n(small office and home users), however it\r\nincludes all sophisticated features of the Standard\r\nversion and the only difference is a single domain\r\noperation and add-on user license policy.", &SetupMessages::cHintLite},
      {"cHintAdvanced", "All options will be visible. Expert's mode.", &SetupMessages::cHintAdvanced},
      {"cHintBasic", "Some options will be invisible. Beginner's mode.", &SetupMessages::cHintBasic},
      {"cYes", "&Yes", &SetupMessages::cYes},
      {"cNo", "&No", &SetupMessages::cNo},
      {"cBack", "< &Back", &SetupMessages::cBack},
      {"cNext", "&Next >", &SetupMessages::cNext},
      {"cCancel", "&Cancel", &SetupMessages::cCancel},
      {"cInstallC", "&Install >", &SetupMessages::cInstallC},
      {"cPSetup", "%s %s Setup", &SetupMessages::cPSetup},
      {"cFinish", "&Finish", &SetupMessages::cFinish},
      {"cSLA", "Software License Agreement", &SetupMessages::cSLA},
      {"cCredentials", "User/Company Details", &SetupMessages::cCredentials},
      {"cStartCopyingFiles", "Start The Installation Process", &SetupMessages::cStartCopyingFiles},
      {"cInstallingFiles", "Installing", &SetupMessages::cInstallingFiles},
      {"cUpdateSetup", "Upgrade Setup", &SetupMessages::cUpdateSetup},
      {"cSetupType", "Server Type && Console Mode", &SetupMessages::cSetupType},
      {"cComponentSetup", "Components To Install", &SetupMessages::cComponentSetup},
      {"cSetupFinished", "Setup Complete", &SetupMessages::cSetupFinished},
      {"DemoMsgSubject", "Demonstration message", &SetupMessages::DemoMsgSubject},
      {"DemoMsg", "Demonstration message", &SetupMessages::DemoMsg},
  };
  return table;
}

SetupMessages::SetupMessages() {
  for (const MessageDefinition& definition : MessageTable()) this->*definition.field = definition.default_text;
}

SetupMessages& Messages() {
  static SetupMessages messages;
  return messages;
}

std::string LowerCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

namespace {
constexpr size_t kMaxKeyLength = 255;
constexpr size_t kGrowth = 100;

std::string BindingKey(std::string_view key) {
  return LowerCaseAscii(key.substr(0, kMaxKeyLength));
}
}  // namespace

void MessageRegistry::Register(std::string_view key, std::string* text) {
  if (bindings_.size() == bindings_.capacity()) bindings_.reserve(bindings_.capacity() + kGrowth);
  bindings_.push_back({BindingKey(key), text});
}

bool MessageRegistry::Set(std::string_view key, const std::string& text) {
  std::string wanted = BindingKey(key);
  for (MessageBinding& binding : bindings_) {
    if (binding.key == wanted) {
      *binding.text = text;
      return true;
    }
  }
  return false;
}

MessageRegistry& DefaultMessageRegistry() {
  static MessageRegistry registry;
  return registry;
}

void RegisterMessage(std::string_view key, std::string* text, MessageRegistry& registry) {
  registry.Register(key, text);
}

bool SetMessage(std::string_view key, const std::string& text, MessageRegistry& registry) {
  return registry.Set(key, text);
}

void RegisterSetupMessages(SetupMessages& messages, MessageRegistry& registry) {
  for (const MessageDefinition& definition : MessageTable())
    registry.Register(definition.key, &(messages.*definition.field));
}

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string result;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's') {
        if (next != args.end()) result += *next++;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        result += '%';
        ++i;
        continue;
      }
    }
    result += format[i];
  }
  return result;
}

}  // namespace setup
