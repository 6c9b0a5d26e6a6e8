#include "setup/wizard_form.h"

#include "ui/dialog_behaviour.h"

namespace setup {
namespace {

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 367;
constexpr int kTopStrip = 57;
constexpr int kBottomStrip = 45;
constexpr int kPageTop = kTopStrip + 2;
constexpr int kPageHeight = kClientHeight - kPageTop - kBottomStrip;

constexpr char kNextCaption[] = "Next >";

// Group numbers of the input check.
constexpr int kHostGroup = 0;
constexpr int kAdministratorGroup = 1;
constexpr int kDomainGroup = 2;

}  // namespace

TWizardForm::TWizardForm() : Form("WizardForm", "TWizardForm", kClientWidth, kClientHeight, Frame::kDialog) {
  key_preview = true;
  caption_ = "Wizard";
}

void TWizardForm::AfterCreate() {
  Form::AfterCreate();
  auto* top = Add<ui::TPanel>("TopPanel", this, ui::Bounds{0, 0, kClientWidth, kTopStrip});
  top->color = RGB(255, 255, 255);
  TopMenuLabel = Create<ui::TLabel>("TopMenuLabel", top, ui::Bounds{20, 20, 500, 20}, "");
  TopMenuLabel->bold = true;
  TopMenuLabel->CreateHandle();
  Add<ui::TBevel>("TopBevel", this, ui::Bounds{0, kTopStrip, kClientWidth, 2});

  auto make_panel = [this](const char* name, const char* title) {
    auto* panel = Create<ui::TPanel>(name, this, ui::Bounds{0, kPageTop, kClientWidth, kPageHeight});
    panel->SetHint(title);
    panel->SetVisible(false);
    panel->CreateHandle();
    return panel;
  };
  auto make_edit = [this](const char* name, ui::Control* panel, int top, int group) {
    auto* edit = Add<ui::TEdit>(name, panel, ui::Bounds{24, top, 280, 21});
    edit->tag = group;
    edit->OnChange = [this](ui::Control& sender) { NameEditChange(sender); };
    return edit;
  };

  NamePanel = make_panel("NamePanel", "Host Name");
  Add<ui::TLabel>("NameText", NamePanel, ui::Bounds{24, 20, 496, 32},
                  "Enter the hostname of the mail server computer. It must not be blank. ");
  Add<ui::TLabel>("NameCaption", NamePanel, ui::Bounds{24, 68, 280, 16}, "Hostname:");
  NameEdit = make_edit("NameEdit", NamePanel, 86, kHostGroup);
  Add<ui::TLabel>("NameExample", NamePanel, ui::Bounds{24, 113, 400, 16}, "For example: mail.mycompany.com");

  OtherPanel = make_panel("OtherPanel", "Primary Domain");
  Add<ui::TLabel>("OtherText", OtherPanel, ui::Bounds{24, 20, 496, 32}, "Enter the name of the primary domain.");
  Add<ui::TLabel>("OtherCaption", OtherPanel, ui::Bounds{24, 68, 280, 16}, "Domain:");
  OtherEdit = make_edit("OtherEdit", OtherPanel, 86, kDomainGroup);
  Add<ui::TLabel>("OtherExample", OtherPanel, ui::Bounds{24, 113, 400, 16}, "For example: mycompany.com");

  EmailPanel = make_panel("EmailPanel", "Administrator");
  Add<ui::TLabel>("EmailText", EmailPanel, ui::Bounds{24, 20, 496, 32},
                  "Enter the username and password of the primary domain administrator. ");
  Add<ui::TLabel>("EmailCaption", EmailPanel, ui::Bounds{24, 68, 280, 16}, "Username:");
  EmailEdit = make_edit("EmailEdit", EmailPanel, 86, kAdministratorGroup);
  Add<ui::TLabel>("EmailExample", EmailPanel, ui::Bounds{24, 113, 400, 16}, "For example: administrator");
  Add<ui::TLabel>("PassCaption", EmailPanel, ui::Bounds{24, 144, 280, 16}, "Password:");
  PassEdit = make_edit("PassEdit", EmailPanel, 162, kAdministratorGroup);
  ::SendMessageA(PassEdit->handle(), EM_SETPASSWORDCHAR, '*', 0);

  FinishPanel = make_panel("FinishPanel", "Wizard Complete");
  Add<ui::TLabel>("FinishText", FinishPanel, ui::Bounds{24, 20, 496, 80},
                  "You have successfully entered all of the information to setup your account.\r\n\r\n"
                  "To save these settings, click Finish.");

  // The buttons are the window's own children, so that Enter finds the
  // default button the way a dialog box does.
  Add<ui::TBevel>("BottomBevel", this, ui::Bounds{0, kClientHeight - kBottomStrip, kClientWidth, 2});
  const int button_top = kClientHeight - kBottomStrip + 11;
  PreviousButton = Add<ui::TButton>("PreviousButton", this, ui::Bounds{290, button_top, 75, 25}, "< Back");
  NextButton = Add<ui::TButton>("NextButton", this, ui::Bounds{365, button_top, 75, 25}, kNextCaption);
  CancelButton = Add<ui::TButton>("CancelButton", this, ui::Bounds{454, button_top, 75, 25}, "Cancel");
  PreviousButton->OnClick = [this](ui::Control&) { PreviousButtonClick(); };
  NextButton->OnClick = [this](ui::Control&) { NextButtonClick(); };
  CancelButton->OnClick = [this](ui::Control&) { modal_result = IDCANCEL; };
  default_button = NextButton;
  ::SendMessageA(NextButton->handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  ui::InstallDialogBehaviour(*this);
}

void TWizardForm::FormShow() {
  WizardPage = 0;
  NameEdit->SetCaption("");
  EmailEdit->SetCaption("");
  PassEdit->SetCaption("");
  // A window shown again starts with the buttons as designed.
  NextButton->SetCaption(kNextCaption);
  PreviousButton->SetVisible(true);
  ShowPage();
}

void TWizardForm::ShowPanel(ui::TPanel* panel) {
  // Only the page's own panel stays visible: a panel merely lying behind it
  // would still let Tab reach its fields.
  for (ui::TPanel* other : {NamePanel, OtherPanel, EmailPanel, FinishPanel})
    if (other != panel) other->SetVisible(false);
  // The panel's hint is its page's title, not a help text to pop up.
  ui::RemoveHintTooltip(*this, *panel);
  panel->SetVisible(true);
  panel->BringToFront();
  TopMenuLabel->SetCaption(panel->Hint());
}

void TWizardForm::Focus(ui::Control* control) { ui::FocusControl(*this, *control); }

void TWizardForm::ShowPage() {
  switch (WizardPage) {
    case 0:
      ShowPanel(NamePanel);
      InputCheck(kHostGroup);
      Focus(NameEdit);
      PreviousButton->SetEnabled(false);
      break;
    case 1:
      ShowPanel(OtherPanel);
      InputCheck(kDomainGroup);
      Focus(OtherEdit);
      PreviousButton->SetEnabled(true);
      break;
    case 2:
      ShowPanel(EmailPanel);
      InputCheck(kAdministratorGroup);
      Focus(EmailEdit);
      PreviousButton->SetEnabled(true);
      break;
    case 3:
      ShowPanel(FinishPanel);
      NextButton->SetCaption("&Finish");
      PreviousButton->SetVisible(false);
      Focus(NextButton);
      break;
    case 4:
      modal_result = IDOK;
      break;
    default:
      break;
  }
}

void TWizardForm::NextButtonClick() {
  // Enter presses the default button even while it is disabled; the input
  // check must hold all the same.
  if (WizardPage == 4 || !NextButton->Enabled()) return;
  ++WizardPage;
  ShowPage();
}

void TWizardForm::PreviousButtonClick() {
  if (WizardPage == 0 || WizardPage == 4) return;
  --WizardPage;
  ShowPage();
}

void TWizardForm::NameEditChange(ui::Control& sender) { InputCheck(sender.tag); }

void TWizardForm::InputCheck(int group) {
  switch (group) {
    case kHostGroup:
      NextButton->SetEnabled(!NameEdit->Caption().empty());
      break;
    case kAdministratorGroup:
      NextButton->SetEnabled(!EmailEdit->Caption().empty());
      break;
    case kDomainGroup:
      NextButton->SetEnabled(!OtherEdit->Caption().empty());
      break;
    default:
      break;
  }
}

bool TWizardForm::FormKeyPress(char key) {
  if (key != VK_ESCAPE) return false;
  modal_result = IDCANCEL;
  return true;
}

}  // namespace setup
