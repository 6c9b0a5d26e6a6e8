// The tag scanner: finds the first element with a given tag name in a whole
// document held as one string, without building a tree (the product list of
// the new-version check).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xmldoc {

struct TXMLType {
  std::string Data;      // the whole document text
  std::string Tag;       // the tag name last searched for
  int32_t Position = 0;  // 1-based index into Data; 0 is the start of the text
};

// Empties the record, then reads the whole file into Data. False for an
// empty file name or a file that cannot be opened for reading (the record
// stays empty); true otherwise, also for an empty file. Throws XMLFileError
// (xml_file_io.h) when reading fails after the open.
bool LoadXMLType(TXMLType& record, const std::string& file_name);

// Looks for the first start tag "<" + tag_name followed by a tab, line feed,
// carriage return, space, "/" or ">" (case-sensitive), from the start of
// Data. Each call starts afresh: `output` is emptied, Position set to 0 and
// Tag to tag_name.
//  - A start tag whose ">" follows a "/" is an empty element: true; `output`
//    is the start tag with `whole_element`, empty without; Position is the
//    index of its ">".
//  - Otherwise the element ends at the first "</" + tag_name + ">" after the
//    start tag (nested elements of the same name are not counted): true;
//    `output` is the text between the tags, or with `whole_element` the text
//    from the start tag's "<" to the closing tag's ">", passed through
//    DecodeXMLValue when `decode` is set and it is not empty; Position is the
//    index of the closing tag's ">".
// False, with `output` empty, when there is no such start tag (or the name is
// empty), when the start tag has no ">", or when a non-empty element has no
// closing tag; in the last case Position stays at the start tag's ">".
bool FindXMLTag(TXMLType& record, std::string_view tag_name, bool whole_element, bool decode,
                std::string& output);

// The decoded value of an attribute in the text of a start tag: the first
// " " + name + "=" before the tag's first ">", then the text between the next
// two quote characters of either kind, passed through DecodeXMLValue. Empty
// when the attribute is absent, the name is empty or the value's quote is not
// closed. A value written without quotes (met by a space before any quote, or
// by the end of the tag text) runs to the first blank or ">", without a "/"
// that directly precedes the ">".
std::string GetXMLTagAttribute(std::string_view tag_text, std::string_view attribute_name);

// The value part of GetXMLTagAttribute: the decoded value whose text starts
// at `value_start` (the character after "=") in `tag_text`.
std::string GetXMLTagAttributeValueAt(std::string_view tag_text, size_t value_start);

}  // namespace xmldoc
