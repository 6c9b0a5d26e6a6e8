#include "serverconf/product_information.h"

#include <exception>
#include <memory>

#include "win32/log.h"
#include "xmldoc/xml_object.h"

namespace serverconf {
namespace {

std::unique_ptr<xmldoc::TXMLObject>& Held() {
  static std::unique_ptr<xmldoc::TXMLObject> document;
  return document;
}

}  // namespace

bool LoadProductInformation(const std::string& file) {
  std::unique_ptr<xmldoc::TXMLObject>& held = Held();
  held.reset();
  auto document = std::make_unique<xmldoc::TXMLObject>();
  try {
    if (!document->LoadFromFile(file)) return false;
  } catch (const std::exception& e) {
    win32::LogLine("product information: reading " + file + " failed: " + e.what());
    return false;
  }
  held = std::move(document);
  return true;
}

const xmldoc::TXMLObject* ProductInformation() { return Held().get(); }

}  // namespace serverconf
