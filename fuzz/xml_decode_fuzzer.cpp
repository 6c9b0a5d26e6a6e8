// DecodeXMLValue on arbitrary stored texts; and, since encoding is the
// inverse on every ANSI text, Decode(Encode(x)) must give x back whenever the
// code page maps every byte (Windows-1252 in the native build does).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xmldoc/xml_value_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = xmldoc::DecodeXMLValue(text);
  if (decoded.size() > text.size()) __builtin_trap();  // decoding never grows a text
  if (xmldoc::DecodeXMLValue(xmldoc::EncodeXMLValue(text)) != text) __builtin_trap();
  return 0;
}
