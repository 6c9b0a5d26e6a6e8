#include "setup/main_form.h"

#include "engine/version_compare.h"
#include "messages/setup_messages.h"
#include "setup/browse_folder.h"
#include "setup/res/resource_ids.h"
#include "setup/run_end.h"
#include "setup/shell_actions.h"
#include "setup/startup.h"
#include "setup/unattended_run.h"
#include "setup/wizard_actions.h"
#include "setup/wizard_checks.h"
#include "ui/application.h"
#include "win32/end_program.h"
#include "win32/log.h"
#include "win32/notice.h"

namespace setup {
namespace {

constexpr int kClientWidth = 455;
constexpr int kClientHeight = 363;
constexpr int kTopBand = 57;
constexpr int kBottomBand = 33;
constexpr int kPageHeight = kClientHeight - kTopBand - 2 - kBottomBand;

// At most 255 characters, so that the language file carries it whole.
constexpr char kTextLabel[] =
    "Tarno Mail Server is a complete mail server for Windows: SMTP, POP3, IMAP, web mail, anti-spam, "
    "anti-virus, instant messaging and groupware.\r\n\r\n"
    "This wizard installs it, or upgrades the installed version and keeps its configuration and mail.";
static_assert(sizeof(kTextLabel) - 1 <= 255);
constexpr char kCredentialsLabel[] =
    "Please enter your name and e-mail address; both are required. The organization and country "
    "are optional.";

// Button states of the page set-up: kKeep leaves the state as it was.
enum Tri : int8_t { kKeep = -1, kOff = 0, kOn = 1 };

using MessageField = std::string SetupMessages::*;

struct PageDesign {
  MessageField title;  // nullptr: a title of its own (the welcome and installing pages)
  MessageField back;
  Tri back_visible, back_enabled;
  MessageField next;
  Tri next_visible, next_enabled;
  MessageField cancel;
};

// One row per page, in WizardPage order.
constexpr PageDesign kPageDesigns[kPageCount] = {
    {nullptr, &SetupMessages::cBack, kOff, kKeep, &SetupMessages::cNext, kKeep, kKeep, &SetupMessages::cCancel},
    {&SetupMessages::cSLA, &SetupMessages::cBack, kOn, kKeep, &SetupMessages::cYes, kKeep, kOn,
     &SetupMessages::cNo},
    {&SetupMessages::cCredentials, &SetupMessages::cBack, kKeep, kKeep, &SetupMessages::cNext, kKeep, kKeep,
     &SetupMessages::cCancel},
    {&SetupMessages::cSetupType, nullptr, kKeep, kKeep, &SetupMessages::cNext, kKeep, kOn, nullptr},
    {&SetupMessages::cComponentSetup, nullptr, kKeep, kKeep, &SetupMessages::cNext, kKeep, kKeep, nullptr},
    {&SetupMessages::cStartCopyingFiles, &SetupMessages::cBack, kOn, kOn, &SetupMessages::cInstallC, kOn, kOn,
     &SetupMessages::cCancel},
    {nullptr, nullptr, kKeep, kKeep, nullptr, kKeep, kKeep, nullptr},
    {&SetupMessages::cSetupFinished, &SetupMessages::cBack, kOff, kOff, &SetupMessages::cFinish, kOn, kOn,
     &SetupMessages::cCancel},
    {&SetupMessages::cTutorialCaption, &SetupMessages::cBack, kOn, kOn, &SetupMessages::cFinish, kOn, kOff,
     &SetupMessages::cCancel},
};

// The components page: the items after the first (the mail services, always
// installed), each with the exclusion flag that is set when it is unchecked.
constexpr const char* kMailServicesItem = "Mail Services (SMTP, POP3, IMAP, LDAP, HTTP, FTP)";
struct ComponentItem {
  const char* text;
  bool SetupState::*excluded;
};
constexpr ComponentItem kComponentItems[] = {
    {"WebMail", &SetupState::NoInstallWebMail},
    {"Anti-Spam", &SetupState::NoInstallIAS},
    {"Anti-Virus", &SetupState::NoInstallAV},
    {"Instant Messaging", &SetupState::NoInstallIM},
    {"GroupWare", &SetupState::NoInstallCalendar},
};

// The product tag of this suite in the product list of the new-version check.
constexpr char kProductTag[] = "TM";
constexpr char kProductName[] = "Tarno Mail Server";

void ApplyButton(ui::TButton* button, MessageField caption, Tri visible, Tri enabled) {
  if (caption != nullptr) button->SetCaption(Messages().*caption);
  if (visible != kKeep) button->SetVisible(visible == kOn);
  if (enabled != kKeep) button->SetEnabled(enabled == kOn);
}

}  // namespace

TMainForm::TMainForm() : Form("MainForm", "TMainForm", kClientWidth, kClientHeight, Frame::kSingle) {
  key_preview = true;
  for (const RegistryInstanceDesign& design : kMainFormRegistries) {
    TAdvancedRegistry* registry = Create<TAdvancedRegistry>(design.name);
    registry->ApplyDesign(design);
  }
  AdvancedRegistry = &Get<TAdvancedRegistry>("AdvancedRegistry");
  AdvancedRegistryInstall = &Get<TAdvancedRegistry>("AdvancedRegistryInstall");
  PathRegistry = &Get<TAdvancedRegistry>("PathRegistry");
}

void TMainForm::BuildBands() {
  auto* top = Add<ui::TPanel>("TopPanel", this, ui::Bounds{0, 0, kClientWidth, kTopBand});
  top->color = RGB(255, 255, 255);
  PageCaption = Create<ui::TLabel>("PageCaption", top, ui::Bounds{16, 20, 350, 20}, "");
  PageCaption->bold = true;
  PageCaption->CreateHandle();
  ImageLogo = Add<ui::TImage>("ImageLogo", top, ui::Bounds{kClientWidth - 59 - 8, 3, 59, 50}, TARNO_RES_LOGO);
  Add<ui::TBevel>("TopBevel", this, ui::Bounds{0, kTopBand, kClientWidth, 2});

  auto* back = Add<ui::TPanel>("BackPanel", this, ui::Bounds{0, kTopBand + 2, kClientWidth, kPageHeight});
  static constexpr const char* kPageNames[kFinishActionsPage] = {"WelcomePanel",     "LicensePanel",    "CredentialsPanel",
                                                "SetupTypePanel",   "SetupComponents", "InstallPanel",
                                                "InstallingPanel",  "FinishedPanel"};
  for (size_t i = 0; i < Pages.size(); ++i) {
    Pages[i] = Create<ui::TDynPanel>(kPageNames[i], back, ui::Bounds{0, 0, kClientWidth, kPageHeight}, "");
    Pages[i]->SetVisible(false);
    Pages[i]->CreateHandle();
  }

  auto* bottom =
      Add<ui::TPanel>("BottomPanel", this, ui::Bounds{0, kClientHeight - kBottomBand, kClientWidth, kBottomBand});
  Add<ui::TBevel>("BottomBevel", bottom, ui::Bounds{0, 0, kClientWidth, 2});
  BackButton = Add<ui::TButton>("BackButton", bottom, ui::Bounds{204, 6, 75, 23}, Messages().cBack);
  BackButton->tag = 0;
  NextButton = Add<ui::TButton>("NextButton", bottom, ui::Bounds{279, 6, 75, 23}, Messages().cNext);
  NextButton->tag = 1;
  CloseButton = Add<ui::TButton>("CloseButton", bottom, ui::Bounds{368, 6, 75, 23}, Messages().cCancel);
  CloseButton->OnClick = [this](ui::Control&) { CloseButtonClick(); };
  BackButton->OnClick = [this](ui::Control& sender) { BackButtonClick(sender); };
  NextButton->OnClick = [this](ui::Control& sender) { BackButtonClick(sender); };
}

void TMainForm::BuildWelcomePage(ui::Control* page) {
  AboutLabel = Create<ui::TLabel>("AboutLabel", page, ui::Bounds{16, 12, 420, 20},
                                  "Welcome to the Tarno Mail Server Setup Wizard");
  // The welcome title is shown in the top band (the welcome page's title).
  AboutLabel->SetVisible(false);
  AboutLabel->CreateHandle();
  Add<ui::TLabel>("TextLabel", page, ui::Bounds{16, 16, 420, 80}, kTextLabel);
  Add<ui::TLabel>("TipALabel", page, ui::Bounds{16, 110, 420, 30},
                  "It is strongly recommended that you exit all Windows programs before running this setup "
                  "program. ");
  Add<ui::TLabel>("TipBLabel", page, ui::Bounds{16, 150, 420, 30},
                  "Click Cancel to quit Setup and then close any programs you have running. Click Next to "
                  "continue with the Setup program.");
  CheckLatest = Add<ui::TCheckBox>("CheckLatest", page, ui::Bounds{16, 206, 300, 19},
                                   "Check for new version on the Internet", true);
}

void TMainForm::BuildLicensePage(ui::Control* page) {
  Add<ui::TLabel>("LicenseLabel", page, ui::Bounds{16, 8, 423, 28},
                  "Please read the following license agreement. Use the scroll bar to view the rest of this "
                  "agreement.");
  LicenseMemo = Add<ui::TMemo>("LicenseMemo", page, ui::Bounds{16, 40, 423, 176});
  Add<ui::TLabel>("LicenseAcceptLabel", page, ui::Bounds{16, 224, 423, 40},
                  "Do you accept all the terms of the preceding license agreement? If so, click on the Yes "
                  "button. If you select No, Setup will close.");
}

void TMainForm::BuildCredentialsPage(ui::Control* page) {
  Add<ui::TLabel>("CredentialsLabel", page, ui::Bounds{16, 12, 423, 32}, kCredentialsLabel);
  struct Row {
    const char* label_name;
    const char* label;
    const char* edit_name;
    ui::TEdit** edit;
  } rows[] = {{"NameLabel", "&Name:", "NameEdit", &NameEdit},
              {"EmailLabel", "&E-mail:", "EmailEdit", &EmailEdit},
              {"CompanyLabel", "&Organization:", "CompanyEdit", &CompanyEdit},
              {"CountryLabel", "&Country:", "CountryEdit", &CountryEdit}};
  int top = 62;
  for (const Row& row : rows) {
    Add<ui::TLabel>(row.label_name, page, ui::Bounds{40, top + 3, 96, 16}, row.label);
    *row.edit = Add<ui::TEdit>(row.edit_name, page, ui::Bounds{140, top, 260, 21});
    top += 34;
  }
  NameEdit->OnChange = [this](ui::Control&) { NameEditChange(); };
  EmailEdit->OnChange = [this](ui::Control&) { NameEditChange(); };
}

void TMainForm::NameEditChange() {
  // The check governs Next on the user details page only: start-up fills the
  // edits from the registry while the welcome page is shown, and an incomplete entry
  // there must not lock the wizard on its first page.
  if (state.CurrentPage == kCredentialsPage) NextButton->SetEnabled(UserDetailsComplete(NameEdit->Caption(), EmailEdit->Caption()));
}

void TMainForm::BuildSetupTypePage(ui::Control* page) {
  Add<ui::TLabel>("ServerTypeLabel", page, ui::Bounds{16, 8, 200, 16}, "Select the server type:");
  SetupKindLabel = Add<ui::TLabel>("SetupKindLabel", page, ui::Bounds{220, 8, 219, 16}, "");
  TarnoProRadio = Add<ui::TRadioButton>("TarnoProRadio", page, ui::Bounds{24, 28, 130, 19}, "Professional Suite", true);
  TarnoStdRadio = Add<ui::TRadioButton>("TarnoStdRadio", page, ui::Bounds{164, 28, 120, 19}, "Standard Suite", false);
  TarnoLiteRadio = Add<ui::TRadioButton>("TarnoLiteRadio", page, ui::Bounds{294, 28, 120, 19}, "Lite Suite", false);
  // Tall enough for the longest edition hint without scrolling.
  // The hints carry their own line breaks: the box under the radios is wide
  // enough for their longest line and tall enough for all of them.
  HintPanel = Add<ui::TMemo>("HintPanel", page, ui::Bounds{16, 52, 423, 98}, "", false);
  for (ui::TRadioButton* radio : {TarnoProRadio, TarnoStdRadio, TarnoLiteRadio})
    radio->OnClick = [this](ui::Control&) { TarnoProRadioClick(); };

  auto* mode = Add<ui::TGroupBox>("InterfaceModePanel", page, ui::Bounds{16, 156, 423, 100}, "");
  Add<ui::TLabel>("InterfaceModeL", mode, ui::Bounds{12, 18, 400, 16},
                  "Select the interface mode (Can be changed later):");
  AdvancedMode = Add<ui::TRadioButton>("AdvancedMode", mode, ui::Bounds{20, 42, 110, 19}, "Advanced", true);
  BasicMode = Add<ui::TRadioButton>("BasicMode", mode, ui::Bounds{20, 66, 110, 19}, "Basic", false);
  ConsoleMemo = Add<ui::TMemo>("ConsoleMemo", mode, ui::Bounds{144, 40, 267, 48}, "", false);
  for (ui::TRadioButton* radio : {AdvancedMode, BasicMode})
    radio->OnClick = [this](ui::Control&) { AdvancedModeClick(); };
}

void TMainForm::BuildComponentsPage(ui::Control* page) {
  Add<ui::TLabel>("SelectLabelsL", page, ui::Bounds{16, 8, 423, 16}, "Select components you want to have installed:");
  std::vector<std::string> items{kMailServicesItem};
  for (const ComponentItem& item : kComponentItems) items.push_back(item.text);
  ComponentList = Add<ui::TCheckListBox>("ComponentList", page, ui::Bounds{16, 30, 423, 140}, items);
}

void TMainForm::BuildInstallPage(ui::Control* page) {
  Add<ui::TLabel>("InstallLabel", page, ui::Bounds{16, 12, 423, 44},
                  "Click the Browse button to select the destination directory. Click the Install button to "
                  "start copying files and to finish the setup process.");
  auto* box = Add<ui::TGroupBox>("FolderBox", page, ui::Bounds{16, 70, 423, 62}, "Destination Directory");
  PathEdit = Add<ui::TLabel>("PathEdit", box, ui::Bounds{12, 28, 300, 16}, "Tarno\\", false);
  BrowseButton = Add<ui::TButton>("BrowseButton", box, ui::Bounds{328, 24, 83, 23}, "&Browse...");
  BrowseButton->OnClick = [this](ui::Control&) { BrowseButtonClick(); };
}

void TMainForm::BuildInstallingPage(ui::Control* page) {
  InstallPanelText = Add<ui::TLabel>("InstallPanelText", page, ui::Bounds{16, 40, 423, 60}, "", false);
  ProgressBar = Add<ui::TProgressBar>("ProgressBar", page, ui::Bounds{16, 110, 423, 18}, 12, 1);
}

void TMainForm::BuildFinishedPage(ui::Control* page) {
  Add<ui::TLabel>("SetupComplete", page, ui::Bounds{16, 12, 423, 30},
                  "Installation was successful. You may run the installed program now.");
  Add<ui::TLabel>("SelectActionL", page, ui::Bounds{16, 48, 423, 30},
                  "Select actions below you want to have performed when clicked the Next button.");
  RunConfig = Add<ui::TCheckBox>("RunConfig", page, ui::Bounds{24, 88, 300, 19}, "Open Server Administration", false);
  ShowTutorial = Add<ui::TCheckBox>("ShowTutorial", page, ui::Bounds{24, 112, 300, 19}, "View Quick Start Tutorial", true);
  ViewReleaseNotes = Add<ui::TCheckBox>("ViewReleaseNotes", page, ui::Bounds{24, 136, 300, 19}, "View Release Notes", false);
  RunTutorial = Add<ui::TCheckBox>("RunTutorial", page, ui::Bounds{24, 160, 300, 19}, "Run Installation Wizard", true);
}

void TMainForm::AfterCreate() {
  Form::AfterCreate();
  // The controls, in the order the language file walks them.
  BuildBands();
  BuildWelcomePage(Pages[kWelcomePage]);
  BuildLicensePage(Pages[kLicensePage]);
  BuildCredentialsPage(Pages[kCredentialsPage]);
  BuildSetupTypePage(Pages[kSetupTypePage]);
  BuildComponentsPage(Pages[kComponentsPage]);
  BuildInstallPage(Pages[kInstallPage]);
  BuildInstallingPage(Pages[kInstallingPage]);
  BuildFinishedPage(Pages[kFinishedPage]);
}

void TMainForm::FormShow() { RunStartUp(*this); }

void TMainForm::SetupPage() {
  const uint8_t page = state.CurrentPage;
  if (page >= kPageCount) return;
  for (size_t i = 0; i < Pages.size(); ++i) {
    bool current = i == page;
    bool neighbour = i + 1 == page || i == static_cast<size_t>(page) + 1;
    if (current) {
      Pages[i]->SetEnabled(true);
      Pages[i]->SetVisible(true);
      Pages[i]->BringToFront();
    } else {
      if (neighbour) Pages[i]->SetEnabled(false);
      // The finish page stays in view while its actions run.
      if (!(page == kFinishActionsPage && i == kFinishedPage)) Pages[i]->SetVisible(false);
    }
  }

  const PageDesign& design = kPageDesigns[page];
  if (page == kWelcomePage) {
    PageCaption->SetCaption(AboutLabel->Caption());
  } else if (page == kInstallingPage) {
    PageCaption->SetCaption(Messages().cName + " " + Messages().cInstallingFiles);
  } else {
    PageCaption->SetCaption(Messages().*design.title);
  }
  ApplyButton(BackButton, design.back, design.back_visible, design.back_enabled);
  ApplyButton(NextButton, design.next, design.next_visible, design.next_enabled);
  if (design.cancel != nullptr) CloseButton->SetCaption(Messages().*design.cancel);

  switch (page) {
    case kWelcomePage:
      if (::IsWindowVisible(handle())) NextButton->SetFocus();
      break;
    case kCredentialsPage:
      NextButton->SetEnabled(UserDetailsComplete(NameEdit->Caption(), EmailEdit->Caption()));
      if (NameEdit->Caption().empty()) {
        NameEdit->SetFocus();
        NameEdit->SelectAll();
      }
      break;
    case kFinishedPage:
      NextButton->SetFocus();
      if (state.ConfigPresentAtDestination) {
        ShowTutorial->SetChecked(false);
        RunTutorial->SetChecked(false);
        RunTutorial->SetEnabled(false);
      }
      break;
    case kFinishActionsPage:
      Pages[kFinishedPage]->SetEnabled(false);
      break;
    default:
      break;
  }
}

void TMainForm::BackButtonClick(ui::Control& sender) {
  // The page index is a byte; the buttons that would leave 0..8 are hidden
  // or disabled on the first and the last page.
  if (sender.tag == 0) {
    --state.CurrentPage;
  } else {
    ++state.CurrentPage;
  }
  SetupPage();
  switch (state.CurrentPage) {
    case kLicensePage:
      if (CheckLatest->Checked()) OfferNewerVersion();
      break;
    case kComponentsPage:
      ShowComponentChoice();
      break;
    case kInstallPage:
      ReadComponentChoice();
      break;
    case kInstallingPage:
      RunInstallation(sender);
      break;
    case kFinishActionsPage:
      CurrentWizardActions().RunPostInstallActions(*this);
      break;
    default:
      break;
  }
}

void TMainForm::OfferNewerVersion() {
  NewVersionInfo latest;
  try {
    latest = CurrentWizardActions().CheckNewVersion(state.ProductsXmlUrl, kProductTag);
  } catch (...) {
    // A failing check shows nothing; the wizard goes on as without it.
    win32::LogLine("new-version check failed: " + ui::DescribeException(std::current_exception()));
    return;
  }
  if (!latest.ok || latest.latest_version.empty() || engine::VersionAtLeast(kSetupVersion, latest.latest_version))
    return;
  const SetupMessages& m = Messages();
  std::string text = FormatText(m.cNewerVersion, {kProductName, latest.latest_version});
  int answer = ::MessageBoxA(handle(), text.c_str(), m.cQuestion.c_str(),
                             MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
  if (answer != IDYES) return;
  // The address comes from a document on the Internet: the shell opens only
  // a web address, never a program or a file that the list might name.
  if (IsWebAddress(latest.download_url)) {
    CurrentShellActions().Open(handle(), latest.download_url);
  } else {
    win32::LogLine("new-version check: the download address \"" + latest.download_url +
                   "\" is no web address; it is not opened");
  }
  win32::LogLine("new-version check: the program ends for the download of " + latest.latest_version);
  CurrentShellActions().EndProgram();
}

void TMainForm::ShowComponentChoice() {
  ComponentList->SetChecked(0, true);
  ComponentList->SetItemEnabled(0, false);
  ComponentList->SetItemIndex(0);
  for (size_t i = 0; i < std::size(kComponentItems); ++i)
    ComponentList->SetChecked(static_cast<int>(i) + 1, !(state.*kComponentItems[i].excluded));
}

void TMainForm::ReadComponentChoice() {
  for (size_t i = 0; i < std::size(kComponentItems); ++i)
    state.*kComponentItems[i].excluded = !ComponentList->Checked(static_cast<int>(i) + 1);
}

void TMainForm::RunInstallation(ui::Control& sender) {
  {
    ui::WaitCursor hourglass(*this);
    NextButton->SetEnabled(false);
    BackButton->SetEnabled(false);
    try {
      CurrentWizardActions().InstallProduct(*this);
    } catch (...) {
      // An installation that stopped on an error is no success: the finish
      // page must not say it is.
      EndWithInstallationError(handle(), std::current_exception());
      return;  // only a test's double of the program's end returns
    }
    NextButton->SetEnabled(true);
    BackButton->SetEnabled(true);
  }
  BackButtonClick(sender);
}

SetupRegistries TMainForm::Registries() { return {*AdvancedRegistry, *AdvancedRegistryInstall, *PathRegistry}; }

void TMainForm::TarnoProRadioClick() {
  // Choosing an edition picks its usual console mode. An upgrade shows the
  // installation's own edition and mode, locked; refreshing the hints must
  // not replace that mode by the edition's usual one.
  const bool choosing = state.EditionSelectable;
  if (TarnoProRadio->Checked()) {
    HintPanel->SetCaption(TarnoProRadio->Hint());
    if (choosing) AdvancedMode->SetChecked(true);
  } else if (TarnoStdRadio->Checked()) {
    HintPanel->SetCaption(TarnoStdRadio->Hint());
    if (choosing) BasicMode->SetChecked(true);
  } else if (TarnoLiteRadio->Checked()) {
    HintPanel->SetCaption(TarnoLiteRadio->Hint());
    if (choosing) BasicMode->SetChecked(true);
  }
}

void TMainForm::AdvancedModeClick() {
  ConsoleMemo->SetCaption(BasicMode->Checked() ? Messages().cHintBasic : Messages().cHintAdvanced);
}

uint8_t TMainForm::SelectedEdition() const {
  if (TarnoLiteRadio->Checked()) return 2;
  if (TarnoStdRadio->Checked()) return 0;
  return 1;
}

void TMainForm::SelectEdition(uint8_t edition) {
  switch (edition) {
    case 2: TarnoLiteRadio->SetChecked(true); break;
    case 1: TarnoProRadio->SetChecked(true); break;
    case 0: TarnoStdRadio->SetChecked(true); break;
    default: break;  // any other value leaves the design's choice
  }
}

void TMainForm::SetProgressText(const std::string& text) {
  ui::Application::Instance().ProcessMessages();
  InstallPanelText->SetCaption(text);
  ::UpdateWindow(InstallPanelText->handle());
}

void TMainForm::StepProgress() { ProgressBar->StepIt(); }

void TMainForm::FatalError(const std::string& text, unsigned exit_code) { EndWithFatalError(handle(), text, exit_code); }

void TMainForm::ProcessMessages() { ui::Application::Instance().ProcessMessages(); }

void TMainForm::ShowInformation(const std::string& text) {
  win32::ShowNotice(handle(), text, Messages().cInformation, MB_ICONINFORMATION);
}

void TMainForm::BrowseButtonClick() {
  auto* browser = dynamic_cast<TBrowseFolder*>(ui::Application::Instance().FindComponent("BrowseFolder"));
  if (browser == nullptr) return;
  std::string folder = DestinationDir();
  if (BrowseForDestination(*browser, folder)) PathEdit->SetCaption(folder);
}

void TMainForm::CloseButtonClick() {
  const SetupMessages& m = Messages();
  int answer = ::MessageBoxA(handle(), m.cDoYouExit.c_str(), m.cDoYouExitTitle.c_str(),
                             MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
  if (answer == IDYES) win32::EndProgram(DeclinedExitCode());
}

bool TMainForm::FormCloseQuery() {
  CloseButtonClick();
  return false;
}

bool TMainForm::FormKeyPress(char key) {
  if (key != VK_ESCAPE) return false;
  CloseButtonClick();
  return true;
}

}  // namespace setup
