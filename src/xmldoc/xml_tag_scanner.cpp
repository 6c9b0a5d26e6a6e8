#include "xmldoc/xml_tag_scanner.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "xmldoc/xml_file_io.h"
#include "xmldoc/xml_value_codec.h"

namespace xmldoc {
namespace {

bool EndsTagName(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '/' || c == '>';
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// Position is a 32-bit field; a document longer than that is cut off there.
int32_t ToPosition(size_t zero_based_index) {
  constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(std::min(zero_based_index + 1, kMax));
}

std::string UnquotedValue(std::string_view tag_text, size_t start) {
  size_t end = start;
  while (end < tag_text.size() && static_cast<unsigned char>(tag_text[end]) > 32 && tag_text[end] != '>') ++end;
  if (end > start && end < tag_text.size() && tag_text[end] == '>' && tag_text[end - 1] == '/') --end;
  return DecodeXMLValue(tag_text.substr(start, end - start));
}

}  // namespace

bool LoadXMLType(TXMLType& record, const std::string& file_name) {
  record = TXMLType{};
  if (file_name.empty()) return false;
  std::optional<std::string> content = ReadXMLFile(file_name);
  if (!content) return false;
  record.Data = std::move(*content);
  return true;
}

bool FindXMLTag(TXMLType& record, std::string_view tag_name, bool whole_element, bool decode,
                std::string& output) {
  output.clear();
  record.Position = 0;
  record.Tag = std::string(tag_name);
  if (tag_name.empty()) return false;

  const std::string_view data = record.Data;
  const std::string open = "<" + std::string(tag_name);
  size_t start = std::string_view::npos;
  for (size_t from = 0;;) {
    const size_t at = data.find(open, from);
    if (at == std::string_view::npos) return false;
    const size_t after = at + open.size();
    if (after < data.size() && EndsTagName(data[after])) {
      start = at;
      break;
    }
    from = at + 1;
  }

  const size_t start_end = data.find('>', start + open.size());
  if (start_end == std::string_view::npos) return false;
  record.Position = ToPosition(start_end);
  if (data[start_end - 1] == '/') {
    if (whole_element) output = std::string(data.substr(start, start_end - start + 1));
    return true;
  }

  const std::string close = "</" + std::string(tag_name) + ">";
  const size_t close_at = data.find(close, start_end + 1);
  if (close_at == std::string_view::npos) return false;
  const size_t close_end = close_at + close.size() - 1;
  record.Position = ToPosition(close_end);
  output = whole_element ? std::string(data.substr(start, close_end - start + 1))
                         : std::string(data.substr(start_end + 1, close_at - start_end - 1));
  if (decode && !output.empty()) output = DecodeXMLValue(output);
  return true;
}

std::string GetXMLTagAttribute(std::string_view tag_text, std::string_view attribute_name) {
  if (attribute_name.empty()) return {};
  const std::string_view head = tag_text.substr(0, tag_text.find('>'));
  const std::string needle = " " + std::string(attribute_name) + "=";
  const size_t at = head.find(needle);
  if (at == std::string_view::npos) return {};

  return GetXMLTagAttributeValueAt(tag_text, at + needle.size());
}

std::string GetXMLTagAttributeValueAt(std::string_view tag_text, size_t value_start) {
  size_t first_quote = std::string_view::npos;
  for (size_t i = value_start; i < tag_text.size(); ++i) {
    const char c = tag_text[i];
    if (IsQuote(c)) {
      if (first_quote != std::string_view::npos) {
        return DecodeXMLValue(tag_text.substr(first_quote + 1, i - first_quote - 1));
      }
      first_quote = i;
    } else if (c == ' ' && first_quote == std::string_view::npos) {
      break;
    }
  }
  if (first_quote != std::string_view::npos) return {};  // quote never closed
  return UnquotedValue(tag_text, value_start);
}

}  // namespace xmldoc
