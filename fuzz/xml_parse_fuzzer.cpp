// ParseXML on arbitrary bytes, as LoadFromFile hands a file's content to it;
// the tree is then written out, parsed again and queried.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xmldoc/xml_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  xmldoc::TXMLObject doc;
  doc.ParseXML(text);
  for (bool formatted : {false, true}) {
    const std::string xml = doc.GetXML(formatted);
    xmldoc::TXMLObject again;
    again.ParseXML(xml);
    again.GetXML(formatted);
  }
  for (const auto& child : doc.Children()) {
    child->GetText(true);
    for (const xmldoc::TXMLAttribute& attribute : child->Attributes()) {
      if (attribute.Name.size() > xmldoc::kMaxXMLNameLength || attribute.Value.size() > xmldoc::kMaxXMLNameLength) {
        __builtin_trap();
      }
      child->GetAttribute(attribute.Name, true);
    }
    if (child->Name().size() > xmldoc::kMaxXMLNameLength) __builtin_trap();
    child->FindChild("ITEM");
  }
  return 0;
}
