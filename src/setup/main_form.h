// TMainForm: the wizard window. 455 by 363 client pixels: a white top band
// with the logo and the page title, the eight page panels, and the bottom
// band with Back, Next and Cancel. It owns SetupState and the three registry
// components for the life of the process.
#pragma once

#include <array>
#include <exception>
#include <string>

#include "engine/install_files.h"
#include "engine/uninstall.h"
#include "setup/advanced_registry.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace setup {

// The wizard's pages in their order; state.CurrentPage holds one of them.
// The first eight have a panel of their own; the last runs the post-install
// actions with the finish page still in view.
enum WizardPage : uint8_t {
  kWelcomePage = 0,
  kLicensePage,
  kCredentialsPage,
  kSetupTypePage,
  kComponentsPage,
  kInstallPage,
  kInstallingPage,
  kFinishedPage,
  kFinishActionsPage,
  kPageCount
};

class TMainForm : public ui::Form, public engine::InstallProgress, public engine::UninstallWindow {
 public:
  TMainForm();

  SetupState state;

  // Registry components as designed (root, area, section of the window resource).
  TAdvancedRegistry* AdvancedRegistry = nullptr;
  TAdvancedRegistry* AdvancedRegistryInstall = nullptr;
  TAdvancedRegistry* PathRegistry = nullptr;

  // Controls that start-up, the pages and the installation use.
  ui::TLabel* PageCaption = nullptr;
  ui::TImage* ImageLogo = nullptr;
  ui::TButton* BackButton = nullptr;
  ui::TButton* NextButton = nullptr;
  ui::TButton* CloseButton = nullptr;
  std::array<ui::TDynPanel*, kFinishActionsPage> Pages{};  // one panel per page before kFinishActionsPage
  ui::TLabel* AboutLabel = nullptr;
  ui::TCheckBox* CheckLatest = nullptr;
  ui::TMemo* LicenseMemo = nullptr;
  ui::TEdit* NameEdit = nullptr;
  ui::TEdit* EmailEdit = nullptr;
  ui::TEdit* CompanyEdit = nullptr;
  ui::TEdit* CountryEdit = nullptr;
  ui::TLabel* SetupKindLabel = nullptr;
  ui::TRadioButton* TarnoProRadio = nullptr;
  ui::TRadioButton* TarnoStdRadio = nullptr;
  ui::TRadioButton* TarnoLiteRadio = nullptr;
  ui::TMemo* HintPanel = nullptr;
  ui::TRadioButton* AdvancedMode = nullptr;
  ui::TRadioButton* BasicMode = nullptr;
  ui::TMemo* ConsoleMemo = nullptr;
  ui::TCheckListBox* ComponentList = nullptr;
  ui::TLabel* PathEdit = nullptr;
  ui::TButton* BrowseButton = nullptr;
  ui::TLabel* InstallPanelText = nullptr;
  ui::TProgressBar* ProgressBar = nullptr;
  ui::TCheckBox* RunConfig = nullptr;
  ui::TCheckBox* ShowTutorial = nullptr;
  ui::TCheckBox* ViewReleaseNotes = nullptr;
  ui::TCheckBox* RunTutorial = nullptr;

  // The destination folder: the caption of PathEdit.
  std::string DestinationDir() const { return PathEdit->Caption(); }

  // Shows the page in state.CurrentPage: fronts and enables its panel,
  // disables the others, sets the title and the buttons.
  void SetupPage();

  // Page navigation, bound to BackButton (Tag 0) and NextButton (Tag 1):
  // moves one page back (Tag 0) or on (any other Tag), sets the page up and
  // runs what entering that page does: the new-version check (licence page),
  // the component choice shown (components page) and read back (install
  // page), the installation (installing page, which then moves on to the
  // finished page) and the post-install actions (kFinishActionsPage). The
  // work is done by CurrentWizardActions().
  void BackButtonClick(ui::Control& sender);

  // The user details check: on the user details page Next is enabled
  // exactly when the name and the e-mail address are complete.
  void NameEditChange();

  // Edition hint and default console mode; console mode hint.
  void TarnoProRadioClick();
  void AdvancedModeClick();

  // The edition the radios select: 0 Standard, 1 Professional, 2 Lite.
  uint8_t SelectedEdition() const;
  void SelectEdition(uint8_t edition);

  // Progress of the installation on the installing page. SetProgressText
  // lets queued window messages run first, so that the window stays alive
  // during long steps. FatalError shows the "Error" box (in an unattended
  // run: logs it) and ends the process with `exit_code` (through the shell
  // actions, whose test double returns).
  void SetProgressText(const std::string& text) override;
  void StepProgress() override;
  void FatalError(const std::string& text, unsigned exit_code) override;
  // The three registry components as the rest of the setup takes them.
  SetupRegistries Registries();

  // What the uninstall sequence needs of the window.
  void ProcessMessages() override;
  void ShowInformation(const std::string& text) override;

  void FormShow() override;
  bool FormCloseQuery() override;
  bool FormKeyPress(char key) override;
  void CloseButtonClick();
  // Shows the folder browser with the destination; OK takes its folder as typed.
  void BrowseButtonClick();

 protected:
  void AfterCreate() override;

 private:
  void BuildBands();
  void BuildWelcomePage(ui::Control* page);
  void BuildLicensePage(ui::Control* page);
  void BuildCredentialsPage(ui::Control* page);
  void BuildSetupTypePage(ui::Control* page);
  void BuildComponentsPage(ui::Control* page);
  void BuildInstallPage(ui::Control* page);
  void BuildInstallingPage(ui::Control* page);
  void BuildFinishedPage(ui::Control* page);
  void OfferNewerVersion();
  void ShowComponentChoice();
  void ReadComponentChoice();
  void RunInstallation(ui::Control& sender);
};

}  // namespace setup
