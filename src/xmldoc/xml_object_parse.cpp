// TXMLObject::ParseXML: the lenient reader of the documents the setup loads
// (info.xml, the language file).
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "xmldoc/xml_object.h"
#include "xmldoc/xml_tag_scanner.h"

namespace xmldoc {
namespace {

// GetXMLTagAttribute for many names of one start tag in time linear in the
// tag's length. For a name without "=" or space, the first " " + name + "="
// before the tag's ">" is at the first space whose following run up to the
// next "=" (with no space in it) is exactly the name; one pass over the tag
// records the first such space for every run. Values are read once per name.
class StartTagValues {
 public:
  explicit StartTagValues(std::string_view tag) : tag_(tag) {}

  std::string Of(std::string_view name) {
    if (!indexed_) Index();
    auto it = first_.find(name);
    if (it == first_.end()) return {};
    if (!it->second.value) it->second.value = GetXMLTagAttributeValueAt(tag_, it->second.value_start);
    return *it->second.value;
  }

 private:
  struct Entry {
    size_t value_start;
    std::optional<std::string> value;
  };

  void Index() {
    indexed_ = true;
    const std::string_view head = tag_.substr(0, tag_.find('>'));
    size_t space = head.find(' ');
    while (space != std::string_view::npos) {
      size_t end = space + 1;
      while (end < head.size() && head[end] != '=' && head[end] != ' ') ++end;
      if (end < head.size() && head[end] == '=' && end > space + 1) {
        first_.try_emplace(head.substr(space + 1, end - space - 1), Entry{end + 1, std::nullopt});
      }
      space = head.find(' ', end);
    }
  }

  std::string_view tag_;
  bool indexed_ = false;
  std::unordered_map<std::string_view, Entry> first_;
};

}  // namespace

// One position is shared by all nesting levels; each level keeps where its
// pending text starts. Levels recurse, at most kMaxXMLNestingDepth deep.
class XMLParser {
 public:
  explicit XMLParser(std::string_view text) : text_(text) {}

  bool Parse(TXMLObject& object) {
    ParseLevel(object, 0);
    return !too_deep_;
  }

 private:
  static bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == ':' || c == '_';
  }

  static std::string_view ElementName(std::string_view tag) {
    size_t end = 1;
    while (end < tag.size() && IsNameChar(tag[end])) ++end;
    return tag.substr(1, end - 1);
  }

  static void TrimText(std::string& text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    text = text.substr(begin, end - begin);
  }

  // The start tag is walked between its "<" and ">". Quote characters of
  // either kind toggle one quote state; outside quotes a space starts the
  // next word and "=" ends a name, whose value is then read as
  // GetXMLTagAttribute reads it (so a duplicate name reads the first one's
  // value). A name that holds "=" or a space (the rest of a word after its
  // first name, or text spanning quotes) is garbage and is not read: looking
  // such names up would cost time quadratic in the tag's length.
  static void ReadAttributes(std::string_view tag, TXMLObject& element) {
    StartTagValues values(tag);
    bool quoted = false;
    bool word_is_name = true;  // no "=" or space since the word began
    size_t word = 1;
    for (size_t i = 1; i + 1 < tag.size(); ++i) {
      const char c = tag[i];
      if (c == '\'' || c == '"') {
        quoted = !quoted;
      } else if (quoted) {
        if (c == '=' || c == ' ') word_is_name = false;
      } else if (c == ' ') {
        word = i + 1;
        word_is_name = true;
      } else if (c == '=') {
        if (i > word && word_is_name) {
          const std::string_view name = tag.substr(word, i - word);
          element.AddAttribute(name, values.Of(name), true);
        }
        word_is_name = false;
      } else if (c == '>') {
        break;
      }
    }
  }

  void ParseLevel(TXMLObject& object, int depth) {
    size_t pending = pos_;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '<') {
        object.text_.append(text_.substr(pending, pos_ - pending));
        const size_t tag_end = text_.find('>', pos_);
        if (tag_end == std::string_view::npos) break;
        const std::string_view tag = text_.substr(pos_, tag_end - pos_ + 1);
        pos_ = tag_end;
        pending = tag_end + 1;
        if (tag.size() > 1 && tag[1] == '/') break;  // any closing tag ends the level

        const std::string_view name = ElementName(tag);
        if (!name.empty()) {  // declarations, comments and the like leave nothing
          if (depth >= kMaxXMLNestingDepth) {
            too_deep_ = true;
            break;
          }
          TXMLObject& child = object.AddChild(name);
          const bool self_closing = tag.rfind('/') == tag.size() - 2;
          ReadAttributes(tag, child);
          if (!self_closing) {
            ++pos_;
            ParseLevel(child, depth + 1);
            if (too_deep_) break;
            pending = pos_ + 1;
          }
        }
      }
      ++pos_;
    }
    if (!object.text_.empty()) TrimText(object.text_);
  }

  std::string_view text_;
  size_t pos_ = 0;
  bool too_deep_ = false;
};

bool TXMLObject::ParseXML(std::string_view text) { return XMLParser(text).Parse(*this); }

}  // namespace xmldoc
