#include "platform/runtime/LineBreaks.h"

std::string NormaliseLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 16);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\r') {
      result += "\r\n";
      if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
    } else if (c == '\n' && at > 0) {
      result += "\r\n";  // a lone LF: one after a CR was taken with it
    } else {
      result += c;
    }
  }
  return result;
}
