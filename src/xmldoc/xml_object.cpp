#include "xmldoc/xml_object.h"

#include <algorithm>
#include <optional>

#include "xmldoc/xml_file_io.h"
#include "xmldoc/xml_value_codec.h"

namespace xmldoc {
namespace {

std::string_view Cut(std::string_view text) { return text.substr(0, kMaxXMLNameLength); }

}  // namespace

TXMLObject::~TXMLObject() { Clear(); }

// Descendants are detached level by level into one list and freed from
// there, so that no destructor recurses into its children.
void TXMLObject::Clear() {
  TXMLChildren pending = std::move(children_);
  children_.clear();
  while (!pending.empty()) {
    std::unique_ptr<TXMLObject> node = std::move(pending.back());
    pending.pop_back();
    for (std::unique_ptr<TXMLObject>& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
  attributes_.clear();
  text_.clear();
  name_.clear();
}

void TXMLObject::AddAttribute(std::string_view name, std::string_view value, bool encode) {
  value = Cut(value);
  if (value.empty()) return;
  std::string stored = encode ? EncodeXMLValue(value) : std::string(value);
  stored.resize(std::min(stored.size(), kMaxXMLNameLength));
  attributes_.push_back(TXMLAttribute{std::string(Cut(name)), std::move(stored)});
}

TXMLObject& TXMLObject::AddChild(std::string_view name, std::string_view text, bool encode) {
  children_.push_back(std::make_unique<TXMLObject>());
  TXMLObject& child = *children_.back();
  child.name_ = std::string(Cut(name));
  if (!text.empty()) child.SetText(text, encode);
  return child;
}

void TXMLObject::SetText(std::string_view text, bool encode) {
  text_ = encode ? EncodeXMLValue(text) : std::string(text);
}

// Walks the tree with an explicit stack; each frame remembers which child of
// its element comes next.
std::string TXMLObject::GetXML(bool formatted) const {
  struct Frame {
    const TXMLObject* node;
    size_t next_child;
  };
  std::string xml;
  std::vector<Frame> stack;

  auto open = [&](const TXMLObject& node) {
    if (node.name_.empty()) {
      xml += node.text_;
      stack.push_back({&node, 0});
      return;
    }
    xml += '<';
    xml += node.name_;
    for (const TXMLAttribute& attribute : node.attributes_) {
      xml += ' ';
      xml += attribute.Name;
      xml += "='";
      xml += attribute.Value;
      xml += '\'';
    }
    if (node.children_.empty() && node.text_.empty()) {
      xml += "/>";
      if (formatted) xml += "\r\n";
      return;
    }
    xml += '>';
    xml += node.text_;
    stack.push_back({&node, 0});
  };

  open(*this);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_child < top.node->children_.size()) {
      const TXMLObject& child = *top.node->children_[top.next_child++];
      open(child);  // may grow the stack: `top` is not used after this
      continue;
    }
    const TXMLObject& done = *top.node;
    stack.pop_back();
    if (done.name_.empty()) continue;
    xml += "</";
    xml += done.name_;
    xml += '>';
    if (formatted) xml += "\r\n";
  }
  return xml;
}

bool TXMLObject::LoadFromFile(const std::string& file_name) {
  const std::optional<std::string> content = ReadXMLFile(file_name);
  if (!content || content->empty()) return false;
  return ParseXML(*content);
}

bool TXMLObject::SaveToFile(const std::string& file_name, bool formatted) const {
  return WriteXMLFile(file_name, GetXML(formatted));
}

std::string TXMLObject::GetText(bool decode) const { return decode ? DecodeXMLValue(text_) : text_; }

std::string TXMLObject::GetAttribute(std::string_view name, bool decode) const {
  for (const TXMLAttribute& attribute : attributes_) {
    if (attribute.Name != name) continue;
    std::string value = decode ? DecodeXMLValue(attribute.Value) : attribute.Value;
    value.resize(std::min(value.size(), kMaxXMLNameLength));
    return value;
  }
  return {};
}

TXMLObject* TXMLObject::FindChild(std::string_view name) {
  for (std::unique_ptr<TXMLObject>& child : children_) {
    if (child->name_ == name) return child.get();
  }
  return nullptr;
}

const TXMLObject* TXMLObject::FindChild(std::string_view name) const {
  return const_cast<TXMLObject*>(this)->FindChild(name);
}

}  // namespace xmldoc
