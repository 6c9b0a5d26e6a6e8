// The language file "setup.lng": the texts of the application's windows and
// of the registered messages, as an XML document.
//
//   <APPLICATION>
//     <FORMS>
//       <FORM ID='TMainForm' CAPTION='...'>
//         <ITEM ID='NextButton' CLASS='tbutton' CAPTION='...' HINT='...'/>
//         <ITEM ID='KindCombo' CLASS='tcombobox' ITEMSTEXT='one\r\ntwo\r\n'/>
//         <ITEM ID='ComponentList' CLASS='tchecklistbox' ITEMSTEXT='one\r\ntwo\r\n'/>
//     <STRINGS>
//       <ITEM ID='cname' VALUE='...'/>          (texts of at most 255 characters)
//       <ITEM ID='cnotrunning'>...</ITEM>       (longer texts as the content)
//
// Element and attribute names are upper case, CLASS values lower case.
// Attribute values are cut to 255 characters before and after encoding and
// are read back as at most 255 characters; empty values are not written.
//
// This part knows nothing of the window system: the windows are handed in as
// LanguageWindow / LanguageControl descriptions, which the caller maps onto
// its real components. Forms are matched by class name and controls by
// component name, both case-sensitively; message keys through SetMessage, in
// lower case.
#pragma once

#include <string>
#include <vector>

#include "messages/setup_messages.h"
#include "xmldoc/xml_object.h"

namespace setup {

// What the language file translates of a control, by its CLASS value.
enum class LanguageKind {
  kNone,          // not translated
  kCaption,       // tlabel, tradiobutton, tmenuitem, tbutton, tcheckbox, tdynpanel, ttabsheet, tgroupbox
  kComboItems,    // tcombobox: every item line
  kListItems,     // tlistbox, tchecklistbox: every item line
  kHeaderList,    // tadvancedheaderlist: the section texts
  kListColumns,   // tcustomlistview and its kin: the column captions
};

// The kind of a component from its own class name ("TLabel", "TListView"),
// compared in lower case.
LanguageKind KindOfComponentClass(const std::string& class_name);
// The kind a CLASS value of the file names, compared exactly ("tlabel").
LanguageKind KindOfClassValue(const std::string& class_value);
// The CLASS value written for a component class; empty when not translated.
// The list-view family is written as "tcustomlistview".
std::string ClassValueOf(const std::string& class_name);

// One component of a window, as the language file sees it. The defaults
// suit components without the corresponding text.
class LanguageControl {
 public:
  virtual ~LanguageControl() = default;
  virtual std::string Name() const = 0;
  virtual std::string ClassName() const = 0;  // "TLabel", "TComboBox", ...
  virtual std::string Caption() const { return {}; }
  virtual void SetCaption(const std::string&) {}
  virtual std::string Hint() const { return {}; }
  virtual void SetHint(const std::string&) {}
  // Combo boxes and list boxes: all item lines.
  virtual std::vector<std::string> Items() const { return {}; }
  // Combo boxes: replaces the items, and the selection.
  virtual void SetItems(const std::vector<std::string>&) {}
  virtual void SetItemIndex(int) {}
  // List boxes: line i becomes the text of item i. The items themselves stay
  // (their number, check marks, enabled state and the selection): lines
  // beyond the last item are dropped, items without a line keep their text.
  virtual void SetItemTexts(const std::vector<std::string>&) {}
  // Header sections and list-view columns by index from 0; false when there
  // is no such section or column.
  virtual bool SectionText(int, std::string*) const { return false; }
  virtual void SetSectionText(int, const std::string&) {}
};

// One window of the application: its component name (windows without one are
// not written), its class name ("TMainForm"), caption and components in
// creation order.
class LanguageWindow {
 public:
  virtual ~LanguageWindow() = default;
  virtual std::string Name() const = 0;
  virtual std::string ClassName() const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string&) = 0;
  virtual std::vector<LanguageControl*> Controls() = 0;
};

// The document's content in plain form. Texts are in the ANSI code page.
struct LanguageItem {
  std::string id;          // component name
  std::string class_value; // CLASS as written in the file
  std::string text;        // CAPTION, or ITEMSTEXT for the list kinds
  std::string hint;
};

struct LanguageForm {
  std::string id;  // window class name
  std::string caption;
  std::vector<LanguageItem> items;
};

struct LanguageString {
  std::string key;
  std::string text;
};

struct LanguageModel {
  std::vector<LanguageForm> forms;
  bool has_strings = false;  // whether a STRINGS element is written / was read
  std::vector<LanguageString> strings;
};

// At most this many list-view columns are written.
inline constexpr int kMaxListColumns = 16;

// The current texts of `windows` (those with a name, in order; per window the
// controls of a translatable class with a non-empty text) and, when
// `messages` is given, its bindings in registration order. An error while
// walking the windows ends the walk; what was collected stays.
LanguageModel CollectLanguage(const std::vector<LanguageWindow*>& windows, const MessageRegistry* messages);

// Adds APPLICATION with FORMS (and STRINGS when the model has them) to the
// document node `document`, then `extra_text` verbatim as an unnamed element
// when it is not empty.
void BuildLanguageDocument(const LanguageModel& model, const std::string& extra_text,
                           xmldoc::TXMLObject& document);

// The forms and strings of a parsed document (decoded; attribute values at
// most 255 characters). A document without APPLICATION or FORMS gives no forms.
LanguageModel ReadLanguageDocument(const xmldoc::TXMLObject& document);

// Applies `model` to `windows`: each form to the first window whose class name
// equals its ID, each item to the first control of that window whose name
// equals its ID, when the item's CLASS names the kind of that control; and the
// strings through SetMessage on `messages` when it is given.
void ApplyLanguage(const LanguageModel& model, const std::vector<LanguageWindow*>& windows,
                   MessageRegistry* messages);

// Writes the language file for `windows` (and `messages` when given),
// replacing `file_name`. False for an empty name or when writing failed.
bool WriteLanguageFile(const std::string& file_name, const std::vector<LanguageWindow*>& windows,
                       const MessageRegistry* messages, const std::string& extra_text);

// Loads `file_name` and applies it. False, changing nothing, when the file is
// missing, empty or cannot be read or parsed; errors while applying are
// swallowed (the file may then be partly applied) and the answer is true.
bool ReadLanguageFile(const std::string& file_name, const std::vector<LanguageWindow*>& windows,
                      MessageRegistry* messages);

// Combo box item lines as one text: each line followed by "\r\n".
std::string JoinItemLines(const std::vector<std::string>& lines);
// Splits a combo box text at line breaks (CR LF, CR or LF); a final break
// ends the last line rather than starting an empty one.
std::vector<std::string> SplitItemLines(const std::string& text);
// Splits a header or column text at line feeds, each part trimmed of blanks
// and control characters, empty parts dropped.
std::vector<std::string> SplitSectionTexts(const std::string& text);

}  // namespace setup
