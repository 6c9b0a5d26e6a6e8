// FindXMLTag and GetXMLTagAttribute on arbitrary documents, the way the
// new-version check reads a downloaded product list. The first line of the
// input names the tag and the attribute ("tag attr\n"), the rest is the
// document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xmldoc/xml_tag_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t line_end = input.find('\n');
  const std::string_view names = input.substr(0, line_end == std::string_view::npos ? 0 : line_end);
  const size_t space = names.find(' ');
  const std::string_view tag = names.substr(0, space);
  const std::string_view attribute = space == std::string_view::npos ? "href" : names.substr(space + 1);

  xmldoc::TXMLType record;
  record.Data = std::string(line_end == std::string_view::npos ? input : input.substr(line_end + 1));
  std::string output;
  for (int flags = 0; flags < 4; ++flags) {
    const bool whole = flags & 1, decode = flags & 2;
    const bool found = xmldoc::FindXMLTag(record, tag, whole, decode, output);
    if (!found && !output.empty()) __builtin_trap();
    if (record.Position < 0 || static_cast<size_t>(record.Position) > record.Data.size()) __builtin_trap();
    if (found && whole) xmldoc::GetXMLTagAttribute(output, attribute);
  }
  xmldoc::GetXMLTagAttribute(record.Data, attribute);
  return 0;
}
