// The language file import on arbitrary bytes: the file's content is parsed
// as ReadLanguageFile parses it, read into the plain model and applied to a
// set of windows with one control of every translatable kind and to the
// registry of the setup's messages. The applied texts are then collected and
// written back as a document, which must read again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "messages/setup_messages.h"
#include "setup/language_document.h"
#include "xmldoc/xml_object.h"

namespace {

using setup::LanguageControl;
using setup::LanguageWindow;

struct Control : LanguageControl {
  Control(std::string name, std::string class_name) : name(std::move(name)), class_name(std::move(class_name)) {}
  std::string Name() const override { return name; }
  std::string ClassName() const override { return class_name; }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string Hint() const override { return hint; }
  void SetHint(const std::string& text) override { hint = text; }
  std::vector<std::string> Items() const override { return items; }
  void SetItems(const std::vector<std::string>& lines) override { items = lines; }
  // The real combo box ignores an index past its items, as this one does.
  void SetItemIndex(int) override {}
  void SetItemTexts(const std::vector<std::string>& lines) override {
    for (size_t i = 0; i < lines.size() && i < items.size(); ++i) items[i] = lines[i];
  }
  bool SectionText(int index, std::string* text) const override {
    if (index < 0 || index >= static_cast<int>(sections.size())) return false;
    *text = sections[index];
    return true;
  }
  void SetSectionText(int index, const std::string& text) override {
    if (index >= 0 && index < static_cast<int>(sections.size())) sections[index] = text;
  }
  std::string name, class_name, caption, hint;
  std::vector<std::string> items{"one", "two", "three"};
  std::vector<std::string> sections{"A", "B"};
};

struct Window : LanguageWindow {
  Window(std::string name, std::string class_name) : name(std::move(name)), class_name(std::move(class_name)) {
    for (const char* cls : {"TLabel", "TButton", "TCheckBox", "TComboBox", "TListBox", "TCheckListBox",
                            "TAdvancedHeaderList", "TListView", "TEdit"}) {
      controls.push_back(std::make_unique<Control>(std::string("C") + cls, cls));
    }
  }
  std::string Name() const override { return name; }
  std::string ClassName() const override { return class_name; }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::vector<LanguageControl*> Controls() override {
    std::vector<LanguageControl*> result;
    for (auto& c : controls) result.push_back(c.get());
    return result;
  }
  std::string name, class_name, caption;
  std::vector<std::unique_ptr<Control>> controls;
};

void CheckModel(const setup::LanguageModel& model) {
  for (const setup::LanguageForm& form : model.forms) {
    if (form.caption.size() > xmldoc::kMaxXMLNameLength) __builtin_trap();
    for (const setup::LanguageItem& item : form.items) {
      if (item.text.size() > xmldoc::kMaxXMLNameLength || item.hint.size() > xmldoc::kMaxXMLNameLength)
        __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  xmldoc::TXMLObject document;
  if (!document.ParseXML(text)) return 0;

  const setup::LanguageModel model = setup::ReadLanguageDocument(document);
  CheckModel(model);

  Window main("MainForm", "TMainForm"), dialog("Dialog", "TDialog");
  const std::vector<LanguageWindow*> windows{&main, &dialog};
  setup::SetupMessages messages;
  setup::MessageRegistry registry;
  setup::RegisterSetupMessages(messages, registry);
  setup::ApplyLanguage(model, windows, &registry);

  // What was applied is written back and reads again.
  const setup::LanguageModel collected = setup::CollectLanguage(windows, &registry);
  xmldoc::TXMLObject written;
  setup::BuildLanguageDocument(collected, {}, written);
  xmldoc::TXMLObject again;
  if (!again.ParseXML(written.GetXML(true))) __builtin_trap();
  const setup::LanguageModel reread = setup::ReadLanguageDocument(again);
  CheckModel(reread);
  if (reread.forms.size() != collected.forms.size()) __builtin_trap();
  return 0;
}
