#include "setup/translate_unit.h"

#include <memory>
#include <vector>

#include "messages/setup_messages.h"
#include "setup/language_document.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "win32/log.h"

namespace setup {
namespace {

// A component of a form as the language file sees it: its texts when it is a
// control, the item list when it is a combo box or a check list. Components
// without a window (the registry components and the like) have a class the
// file does not translate, so only their names and class names are read.
class ComponentText : public LanguageControl {
 public:
  explicit ComponentText(ui::Component& component)
      : component_(component),
        control_(dynamic_cast<ui::Control*>(&component)),
        combo_(dynamic_cast<ui::TComboBox*>(&component)),
        check_list_(dynamic_cast<ui::TCheckListBox*>(&component)) {}

  std::string Name() const override { return component_.name(); }
  std::string ClassName() const override { return component_.class_name(); }
  std::string Caption() const override { return control_ != nullptr ? control_->Caption() : std::string(); }
  void SetCaption(const std::string& text) override {
    if (control_ != nullptr) control_->SetCaption(text);
  }
  std::string Hint() const override { return control_ != nullptr ? control_->Hint() : std::string(); }
  void SetHint(const std::string& text) override {
    if (control_ != nullptr) control_->SetHint(text);
  }
  std::vector<std::string> Items() const override {
    if (combo_ != nullptr) return combo_->Items();
    if (check_list_ != nullptr) return check_list_->Items();
    return {};
  }
  void SetItems(const std::vector<std::string>& lines) override {
    if (combo_ != nullptr) combo_->SetItems(lines);
  }
  void SetItemIndex(int index) override {
    if (combo_ != nullptr) combo_->SetItemIndex(index);
  }
  void SetItemTexts(const std::vector<std::string>& lines) override {
    // A line past the last item names no item; SetItemText ignores it.
    if (check_list_ == nullptr) return;
    for (size_t i = 0; i < lines.size(); ++i) check_list_->SetItemText(static_cast<int>(i), lines[i]);
  }

 private:
  ui::Component& component_;
  ui::Control* control_;
  ui::TComboBox* combo_;
  ui::TCheckListBox* check_list_;
};

class FormText : public LanguageWindow {
 public:
  explicit FormText(ui::Form& form) : form_(form) {
    for (const auto& component : form.components()) components_.push_back(std::make_unique<ComponentText>(*component));
  }
  std::string Name() const override { return form_.name(); }
  std::string ClassName() const override { return form_.class_name(); }
  std::string Caption() const override { return form_.Caption(); }
  void SetCaption(const std::string& text) override { form_.SetCaption(text); }
  std::vector<LanguageControl*> Controls() override {
    std::vector<LanguageControl*> result;
    for (const auto& c : components_) result.push_back(c.get());
    return result;
  }

 private:
  ui::Form& form_;
  std::vector<std::unique_ptr<ComponentText>> components_;
};

// The windows owned by the application, in creation order.
struct ApplicationText {
  explicit ApplicationText(ui::Application& app) {
    for (const auto& component : app.components())
      if (auto* form = dynamic_cast<ui::Form*>(component.get())) forms.push_back(std::make_unique<FormText>(*form));
  }
  std::vector<LanguageWindow*> Windows() const {
    std::vector<LanguageWindow*> result;
    for (const auto& f : forms) result.push_back(f.get());
    return result;
  }
  std::vector<std::unique_ptr<FormText>> forms;
};

}  // namespace

bool ExportLanguage(const std::string& file_name, ui::Application& app, bool include_messages,
                    const std::string& extra_text) {
  if (file_name.empty()) return false;
  ApplicationText windows(app);
  const bool written =
      WriteLanguageFile(file_name, windows.Windows(), include_messages ? &DefaultMessageRegistry() : nullptr,
                        extra_text);
  win32::LogLine(written ? "language file: wrote " + file_name : "language file: writing " + file_name + " failed");
  return written;
}

bool ImportLanguage(const std::string& file_name, ui::Application& app, bool include_messages) {
  if (file_name.empty()) return false;
  ApplicationText windows(app);
  const bool read =
      ReadLanguageFile(file_name, windows.Windows(), include_messages ? &DefaultMessageRegistry() : nullptr);
  win32::LogLine(read ? "language file: applied " + file_name
                      : "language file: " + file_name + " could not be read; the designed texts stay");
  return read;
}

}  // namespace setup
