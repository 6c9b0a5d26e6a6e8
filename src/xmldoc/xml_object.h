// TXMLObject: one element of an XML tree, built in memory and written out as
// text, or filled by parsing a document and queried by child name and
// attribute. Not a validating parser: ill-formed input never raises an error.
//
// Element texts and attribute values are held in the stored form of
// xml_value_codec.h; the encode/decode flags say whether an operation
// converts at its boundary. Names are never converted. An object with an
// empty name is a document node: an unnamed container whose children are the
// top-level elements of a document; a new object is one.
//
// An element owns its children: they are created by it (AddChild, ParseXML)
// and destroyed with it or by Clear. References and pointers to children stay
// valid while the parent lives and is not cleared; callers never destroy them.
// Destroying or serialising a tree works without recursion, whatever its depth.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xmldoc {

struct TXMLAttribute {
  std::string Name;
  std::string Value;  // stored form
};

class TXMLObject;
using TXMLAttributes = std::vector<TXMLAttribute>;
using TXMLChildren = std::vector<std::unique_ptr<TXMLObject>>;

// Names and attribute values are at most this long; longer ones are cut.
inline constexpr size_t kMaxXMLNameLength = 255;
// ParseXML creates elements at most this many levels below the object it
// fills; a document nested deeper is not read past that point.
inline constexpr int kMaxXMLNestingDepth = 256;

class TXMLObject {
 public:
  TXMLObject() = default;  // an empty document node
  ~TXMLObject();
  TXMLObject(const TXMLObject&) = delete;
  TXMLObject& operator=(const TXMLObject&) = delete;

  // Frees all children and empties the attributes, the text and the name.
  void Clear();

  // Appends an attribute, name and value cut to 255 characters (the value
  // after encoding when `encode` is set). An empty value adds nothing.
  void AddAttribute(std::string_view name, std::string_view value, bool encode);

  // Appends a child element named `name` (cut to 255 characters; an empty name
  // makes an unnamed container) and, when `text` is not empty, sets its text
  // as SetText does. Returns the child, still owned by this object.
  TXMLObject& AddChild(std::string_view name, std::string_view text, bool encode);
  TXMLObject& AddChild(std::string_view name) { return AddChild(name, {}, false); }

  // Replaces the text, encoding it first when `encode` is set.
  void SetText(std::string_view text, bool encode);

  // The subtree as text. A document node gives its text and its children; an
  // element "<Name a='v'...>" + text + children + "</Name>", or "<Name .../>"
  // without text and children. Texts and values are written as stored. With
  // `formatted`, every element is followed by "\r\n" (no indentation).
  std::string GetXML(bool formatted) const;

  // Parses `text` and appends the elements found to the children (existing
  // children stay); text between this object's child elements is added to its
  // text, which is then trimmed of characters with codes up to 32. Attribute
  // values are read as GetXMLTagAttribute reads them and stored encoded; an
  // attribute name holding "=" or a space is not read. Work and memory are
  // linear in the length of `text`. Returns
  // false when the document nests deeper than kMaxXMLNestingDepth: the element
  // that would exceed it and everything after it are not read, and what was
  // read before stays.
  bool ParseXML(std::string_view text);

  // Reads the whole file and parses it when it holds at least one byte.
  // False for a missing, unreadable or empty file, or one that ParseXML
  // stopped at the nesting limit. Throws XMLFileError when reading fails
  // after the file was opened.
  bool LoadFromFile(const std::string& file_name);

  // Writes GetXML(formatted) to the file, byte for byte, replacing it. False
  // when the file cannot be created; throws XMLFileError when writing fails.
  bool SaveToFile(const std::string& file_name, bool formatted) const;

  // The text, decoded when `decode` is set.
  std::string GetText(bool decode) const;

  // The value of the first attribute whose name equals `name` exactly,
  // decoded when `decode` is set; empty when there is none. At most 255
  // characters.
  std::string GetAttribute(std::string_view name, bool decode) const;

  // The first direct child whose name equals `name` byte for byte, or null.
  TXMLObject* FindChild(std::string_view name);
  const TXMLObject* FindChild(std::string_view name) const;

  const std::string& Name() const { return name_; }
  const std::string& Text() const { return text_; }  // stored form
  const TXMLAttributes& Attributes() const { return attributes_; }
  const TXMLChildren& Children() const { return children_; }

 private:
  friend class XMLParser;

  TXMLChildren children_;
  TXMLAttributes attributes_;
  std::string text_;
  std::string name_;
};

}  // namespace xmldoc
