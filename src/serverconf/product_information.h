// The product information document ("info.xml"), held for the life of the
// process once loaded.
#pragma once

#include <string>

namespace xmldoc {
class TXMLObject;
}

namespace serverconf {

// Loads the product information document from `file`, releasing the one
// held before. When the file is missing or cannot be parsed no document is
// held afterwards. Returns whether a document is held.
bool LoadProductInformation(const std::string& file);
// The product information document, or nullptr when none is held.
const xmldoc::TXMLObject* ProductInformation();

}  // namespace serverconf
