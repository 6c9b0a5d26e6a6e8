#include "setup/language_document.h"

#include <exception>
#include <string_view>

#include "engine/path_text.h"
#include "xmldoc/xml_value_codec.h"

namespace setup {
namespace {

constexpr size_t kMaxValue = engine::kMaxText;

constexpr char kApplication[] = "APPLICATION";
constexpr char kForms[] = "FORMS";
constexpr char kForm[] = "FORM";
constexpr char kItem[] = "ITEM";
constexpr char kStrings[] = "STRINGS";
constexpr char kId[] = "ID";
constexpr char kCaption[] = "CAPTION";
constexpr char kClass[] = "CLASS";
constexpr char kItemsText[] = "ITEMSTEXT";
constexpr char kHint[] = "HINT";
constexpr char kValue[] = "VALUE";

using engine::Cut;

// An attribute through the 255-character buffer: cut, encoded, cut again
// (AddAttribute does the second cut); an empty value is not written.
void AddValue(xmldoc::TXMLObject& element, const char* name, const std::string& value) {
  element.AddAttribute(name, Cut(value), true);
}

std::string ReadValue(const xmldoc::TXMLObject& element, const char* name) {
  return Cut(element.GetAttribute(name, true));
}

// A long message as element content. A reader trims blanks and control
// characters from both ends of an element's text, so those at the ends are
// written as character references, which survive the trim and decode to the
// same bytes.
std::string ContentForm(const std::string& text) {
  const std::string stored = xmldoc::EncodeXMLValue(text);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  size_t first = 0, last = stored.size();
  while (first < last && blank(stored[first])) ++first;
  while (last > first && blank(stored[last - 1])) --last;
  auto references = [&](size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i) out += "&#" + std::to_string(static_cast<unsigned char>(stored[i])) + ";";
    return out;
  };
  return references(0, first) + stored.substr(first, last - first) + references(last, stored.size());
}

bool UsesItemsText(LanguageKind kind) {
  return kind == LanguageKind::kComboItems || kind == LanguageKind::kListItems ||
         kind == LanguageKind::kHeaderList || kind == LanguageKind::kListColumns;
}

// The text written for a control of `kind`.
std::string TextOf(const LanguageControl& control, LanguageKind kind) {
  std::string text;
  switch (kind) {
    case LanguageKind::kCaption:
      return control.Caption();
    case LanguageKind::kComboItems:
    case LanguageKind::kListItems:
      return JoinItemLines(control.Items());
    case LanguageKind::kHeaderList: {
      std::string section;
      for (int i = 0; control.SectionText(i, &section); ++i) text += section + "\r\n";
      return text;
    }
    case LanguageKind::kListColumns: {
      std::string column;
      for (int i = 0; i < kMaxListColumns && control.SectionText(i, &column); ++i) text += column + "\r\n";
      return text;
    }
    case LanguageKind::kNone:
      break;
  }
  return text;
}

void ApplyItem(const LanguageItem& item, LanguageControl& control) {
  const LanguageKind kind = KindOfClassValue(item.class_value);
  // The file's CLASS must name what the control is: a text meant for another
  // kind of control is not forced onto this one.
  if (kind == LanguageKind::kNone || KindOfComponentClass(control.ClassName()) != kind) return;
  switch (kind) {
    case LanguageKind::kCaption:
      control.SetCaption(item.text);
      break;
    case LanguageKind::kComboItems:
      control.SetItems(SplitItemLines(item.text));
      control.SetItemIndex(0);
      break;
    case LanguageKind::kListItems:
      // A list's items carry more than their texts (a check list's marks
      // stand for choices the program reads by index): a translation renames
      // them and never adds, removes or resets one.
      control.SetItemTexts(SplitItemLines(item.text));
      break;
    case LanguageKind::kHeaderList:
    case LanguageKind::kListColumns: {
      const std::vector<std::string> parts = SplitSectionTexts(item.text);
      for (size_t i = 0; i < parts.size(); ++i) control.SetSectionText(static_cast<int>(i), parts[i]);
      break;
    }
    case LanguageKind::kNone:
      return;
  }
  control.SetHint(item.hint);
}

}  // namespace

LanguageKind KindOfClassValue(const std::string& v) {
  if (v == "tlabel" || v == "tradiobutton" || v == "tmenuitem" || v == "tbutton" || v == "tcheckbox" ||
      v == "tdynpanel" || v == "ttabsheet" || v == "tgroupbox")
    return LanguageKind::kCaption;
  if (v == "tcombobox") return LanguageKind::kComboItems;
  if (v == "tlistbox" || v == "tchecklistbox") return LanguageKind::kListItems;
  if (v == "tadvancedheaderlist") return LanguageKind::kHeaderList;
  if (v == "tcustomlistview") return LanguageKind::kListColumns;
  return LanguageKind::kNone;
}

LanguageKind KindOfComponentClass(const std::string& class_name) {
  const std::string v = LowerCaseAscii(class_name);
  if (v == "tlistview" || v == "textlistviewmanagement" || v == "tdfsenhlistview" || v == "tdfsextlistview")
    return LanguageKind::kListColumns;
  return KindOfClassValue(v);
}

std::string ClassValueOf(const std::string& class_name) {
  switch (KindOfComponentClass(class_name)) {
    case LanguageKind::kNone:
      return {};
    case LanguageKind::kListColumns:
      return "tcustomlistview";
    default:
      return LowerCaseAscii(class_name);
  }
}

std::string JoinItemLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> SplitItemLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> SplitSectionTexts(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t first = start, last = end;
    while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
    if (last > first) parts.push_back(text.substr(first, last - first));
    start = end + 1;
  }
  return parts;
}

LanguageModel CollectLanguage(const std::vector<LanguageWindow*>& windows, const MessageRegistry* messages) {
  LanguageModel model;
  try {
    for (LanguageWindow* window : windows) {
      if (window->Name().empty()) continue;
      LanguageForm& form = model.forms.emplace_back();
      form.id = window->ClassName();
      form.caption = window->Caption();
      for (LanguageControl* control : window->Controls()) {
        const LanguageKind kind = KindOfComponentClass(control->ClassName());
        if (kind == LanguageKind::kNone) continue;
        std::string text = TextOf(*control, kind);
        if (text.empty()) continue;
        form.items.push_back({control->Name(), ClassValueOf(control->ClassName()), std::move(text), control->Hint()});
      }
    }
  } catch (const std::exception&) {
    // The walk ends here; what was collected is written.
  }
  if (messages != nullptr) {
    model.has_strings = true;
    for (const MessageBinding& binding : messages->bindings())
      model.strings.push_back({binding.key, binding.text != nullptr ? *binding.text : std::string()});
  }
  return model;
}

void BuildLanguageDocument(const LanguageModel& model, const std::string& extra_text,
                           xmldoc::TXMLObject& document) {
  xmldoc::TXMLObject& application = document.AddChild(kApplication);
  xmldoc::TXMLObject& forms = application.AddChild(kForms);
  for (const LanguageForm& form : model.forms) {
    xmldoc::TXMLObject& element = forms.AddChild(kForm);
    AddValue(element, kId, form.id);
    AddValue(element, kCaption, form.caption);
    for (const LanguageItem& item : form.items) {
      xmldoc::TXMLObject& child = element.AddChild(kItem);
      AddValue(child, kId, item.id);
      AddValue(child, kClass, item.class_value);
      AddValue(child, UsesItemsText(KindOfClassValue(item.class_value)) ? kItemsText : kCaption, item.text);
      AddValue(child, kHint, item.hint);
    }
  }
  if (model.has_strings) {
    xmldoc::TXMLObject& strings = application.AddChild(kStrings);
    for (const LanguageString& entry : model.strings) {
      xmldoc::TXMLObject& child = strings.AddChild(kItem);
      AddValue(child, kId, entry.key);
      // A text that would not survive the attribute's 255 characters, as
      // written or once encoded, goes whole into the element's content.
      if (entry.text.size() <= kMaxValue && xmldoc::EncodeXMLValue(entry.text).size() <= kMaxValue)
        AddValue(child, kValue, entry.text);
      else
        child.SetText(ContentForm(entry.text), false);
    }
  }
  if (!extra_text.empty()) application.AddChild("", extra_text, false);
}

LanguageModel ReadLanguageDocument(const xmldoc::TXMLObject& document) {
  LanguageModel model;
  const xmldoc::TXMLObject* application = document.FindChild(kApplication);
  if (application == nullptr) return model;
  if (const xmldoc::TXMLObject* forms = application->FindChild(kForms)) {
    for (const auto& element : forms->Children()) {
      LanguageForm& form = model.forms.emplace_back();
      form.id = ReadValue(*element, kId);
      form.caption = ReadValue(*element, kCaption);
      for (const auto& child : element->Children()) {
        LanguageItem& item = form.items.emplace_back();
        item.id = ReadValue(*child, kId);
        item.class_value = ReadValue(*child, kClass);
        item.text = ReadValue(*child, UsesItemsText(KindOfClassValue(item.class_value)) ? kItemsText : kCaption);
        item.hint = ReadValue(*child, kHint);
      }
    }
  }
  if (const xmldoc::TXMLObject* strings = application->FindChild(kStrings)) {
    model.has_strings = true;
    for (const auto& child : strings->Children()) {
      LanguageString& entry = model.strings.emplace_back();
      entry.key = ReadValue(*child, kId);
      entry.text = child->Text().empty() ? ReadValue(*child, kValue) : child->GetText(true);
    }
  }
  return model;
}

void ApplyLanguage(const LanguageModel& model, const std::vector<LanguageWindow*>& windows,
                   MessageRegistry* messages) {
  for (const LanguageForm& form : model.forms) {
    LanguageWindow* window = nullptr;
    for (LanguageWindow* candidate : windows) {
      if (candidate->ClassName() == form.id) {
        window = candidate;
        break;
      }
    }
    if (window == nullptr) continue;
    window->SetCaption(form.caption);
    const std::vector<LanguageControl*> controls = window->Controls();
    for (const LanguageItem& item : form.items) {
      for (LanguageControl* control : controls) {
        if (control->Name() == item.id) {
          ApplyItem(item, *control);
          break;
        }
      }
    }
  }
  if (messages != nullptr)
    for (const LanguageString& entry : model.strings) SetMessage(entry.key, entry.text, *messages);
}

bool WriteLanguageFile(const std::string& file_name, const std::vector<LanguageWindow*>& windows,
                       const MessageRegistry* messages, const std::string& extra_text) {
  if (file_name.empty()) return false;
  xmldoc::TXMLObject document;
  BuildLanguageDocument(CollectLanguage(windows, messages), extra_text, document);
  try {
    return document.SaveToFile(file_name, true);
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadLanguageFile(const std::string& file_name, const std::vector<LanguageWindow*>& windows,
                      MessageRegistry* messages) {
  if (file_name.empty()) return false;
  xmldoc::TXMLObject document;
  try {
    if (!document.LoadFromFile(file_name)) return false;
  } catch (const std::exception&) {
    return false;
  }
  try {
    ApplyLanguage(ReadLanguageDocument(document), windows, messages);
  } catch (const std::exception&) {
    // A file applied in part stays applied in part.
  }
  return true;
}

}  // namespace setup
