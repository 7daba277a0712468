#include "report/EXMLBuilder.h"

#include <cstdio>

TXMLItem& TXMLItems::Add(std::unique_ptr<TXMLItem> item) {
  items_.push_back(std::move(item));
  return *items_.back();
}

void TXMLItem::AddAttribute(std::string_view name, std::string_view value) {
  attributes_ += ' ';
  attributes_ += name;
  attributes_ += "=\"";
  attributes_ += EscapeXmlValue(value);
  attributes_ += '"';
}

TXMLItem& TXMLItem::AddChild(std::string name) {
  TXMLItem& child = children_.Add(std::make_unique<TXMLItem>(std::move(name)));
  child.parent_ = this;
  return child;
}

std::string TXMLItem::Text() const {
  std::string out;
  Render(out, "");
  return out;
}

void TXMLItem::Render(std::string& out, const std::string& indentation) const {
  out += indentation;
  out += '<';
  out += name_;
  out += attributes_;
  if (content_.empty() && children_.Count() == 0) {
    out += "/>\r\n";
    return;
  }
  out += '>';
  out += content_;
  if (children_.Count() > 0) {
    out += "\r\n";
    const std::string deeper = indentation + "  ";
    for (std::size_t i = 0; i < children_.Count(); ++i) children_[i].Render(out, deeper);
    out += indentation;
  }
  out += "</";
  out += name_;
  out += ">\r\n";
}

std::string EscapeXmlValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 && byte != 9 && byte != 10 && byte != 13) {
      out += '?';
    } else if (byte < 32 || byte >= 127 || c == '"' || c == '&' || c == '\'' || c == '<' ||
               c == '>') {
      char reference[8];
      std::snprintf(reference, sizeof reference, "&#%.3u;", byte);
      out += reference;
    } else {
      out += c;
    }
  }
  return out;
}
