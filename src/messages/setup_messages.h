// The localisable texts of the setup and the key registry the language file
// uses to replace them.
//
// Every text shown outside the window resources is a field of SetupMessages,
// holding its English default until the language file replaces it. Readers
// take the field at the moment they show the text, so a replacement made at
// start-up reaches every later use.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct SetupMessages {
  SetupMessages();  // every field holds its default

  std::string cName, cDoYouExit, cDoYouExitTitle, UninstallDesc, cTarnoWebmail, cTarnoWebAdmin,
      cWebMailManualFile, cWebMailManual, TarnoSMTPLinkDesc, TarnoPOP3LinkDesc,
      TarnoControlLinkDesc, TarnoIMLinkDesc, TarnoGWLinkDesc, cSetup, cInstallQ,
      cInstallLicenseQ, cUnInstallQ, cComplete, cCompleteRemove, cInternet, cNotRunning,
      cSetupError, cSetupRequireWebMail, cTutorialCaption, cInformation, cError, cErrorDir,
      cErrorFile, cErrorDataFile, cServiceError, cRegistryError, cQuestion, cNewerVersion,
      cInstallProgram, cCommonPrograms, cExtractingFiles, cInstalling, cStarting, cFinishing,
      cUnInstalling, cStopping, cChecking, cFinished, cCopying, cInstallingAV, cCreatingIcons,
      cInstallingWeb, cHintPro, cHintStd, cHintLite, cHintAdvanced, cHintBasic, cYes, cNo,
      cBack, cNext, cCancel, cInstallC, cPSetup, cFinish, cSLA, cCredentials,
      cStartCopyingFiles, cInstallingFiles, cUpdateSetup, cSetupType, cComponentSetup,
      cSetupFinished, DemoMsgSubject, DemoMsg;
};

// One row of the message table: key as written, English default, field.
struct MessageDefinition {
  const char* key;
  const char* default_text;
  std::string SetupMessages::*field;
};

// The 70 messages in table order, which is also the order of registration
// and of export.
const std::vector<MessageDefinition>& MessageTable();

// The process-wide message texts.
SetupMessages& Messages();

// A key (lower case, at most 255 characters) bound to the text it controls.
struct MessageBinding {
  std::string key;
  std::string* text;
};

// Bindings in registration order. The storage grows by 100 entries when full.
class MessageRegistry {
 public:
  void Register(std::string_view key, std::string* text);
  // Assigns `text` to the first binding whose key equals `key` in lower case;
  // answers false, changing nothing, when no binding has that key.
  bool Set(std::string_view key, const std::string& text);
  const std::vector<MessageBinding>& bindings() const { return bindings_; }
  size_t capacity() const { return bindings_.capacity(); }
  void Clear() { bindings_ = {}; }

 private:
  std::vector<MessageBinding> bindings_;
};

// The one registry of the program.
MessageRegistry& DefaultMessageRegistry();

void RegisterMessage(std::string_view key, std::string* text,
                     MessageRegistry& registry = DefaultMessageRegistry());
bool SetMessage(std::string_view key, const std::string& text,
                MessageRegistry& registry = DefaultMessageRegistry());

// Registers every message of `messages` in table order.
void RegisterSetupMessages(SetupMessages& messages, MessageRegistry& registry);

// Lower case of the ASCII letters; other bytes of the ANSI text stay.
std::string LowerCaseAscii(std::string_view text);
std::string UpperCaseAscii(std::string_view text);

// Replaces each "%s" in `format` by the next argument (an argument that is
// not given reads as empty) and "%%" by "%".
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace setup
