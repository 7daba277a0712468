// A small XML writer: elements with an attribute text, children and an
// indentation, rendered with CR LF line ends. Attribute values are always
// escaped, so no value can break the document. Pure; no windows.h; never
// raises except std::bad_alloc.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TXMLItem;

// The children of an element, owned, in the order they were added.
class TXMLItems {
 public:
  std::size_t Count() const { return items_.size(); }
  TXMLItem& operator[](std::size_t index) const { return *items_[index]; }
  TXMLItem& Add(std::unique_ptr<TXMLItem> item);

 private:
  std::vector<std::unique_ptr<TXMLItem>> items_;
};

class TXMLItem {
 public:
  explicit TXMLItem(std::string name) : name_(std::move(name)) {}
  TXMLItem(const TXMLItem&) = delete;
  TXMLItem& operator=(const TXMLItem&) = delete;

  // Appends ` name="escaped value"` to the attribute text.
  void AddAttribute(std::string_view name, std::string_view value);
  // Creates, appends and returns a child element.
  TXMLItem& AddChild(std::string name);
  // The element and its children: its indentation, "<", name and
  // attributes; "/>" when it has neither content nor children, else ">",
  // the content, the children (each two spaces deeper, after a line break)
  // and the closing tag; every line ends with CR LF.
  std::string Text() const;

  const std::string& Name() const { return name_; }
  const std::string& Attributes() const { return attributes_; }
  const TXMLItems& Children() const { return children_; }
  TXMLItem* Parent() const { return parent_; }

 private:
  void Render(std::string& out, const std::string& indentation) const;
  std::string name_;
  std::string attributes_;
  std::string content_;  // never set by this library
  TXMLItems children_;
  TXMLItem* parent_ = nullptr;
};

// An attribute value as the document holds it: the double quote,
// ampersand, apostrophe, less-than and greater-than characters, tab, line
// feed, carriage return, the byte 127 and every byte from 128 up become
// "&#" + three decimal digits + ";" (the ampersand "&#038;"); the other
// bytes below 32 have no place in an XML document and become "?".
std::string EscapeXmlValue(std::string_view value);
