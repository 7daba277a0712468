#include "delivery/EWebToolsUrl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/runtime/TextTrim.h"

namespace {

bool IsAlphaNumeric(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool IsNameChar(char c) {
  return IsAlphaNumeric(c) || c == '-' || c == '.';
}

bool AllNameChars(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsNameChar);
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 5 && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A trailing ":<digits>" of `text` as the port, removed from it.
bool TakeTrailingPort(std::string& text, unsigned& port) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || !AllDigits(std::string_view(text).substr(colon + 1)))
    return false;
  const unsigned value = static_cast<unsigned>(std::stoul(text.substr(colon + 1)));
  if (value > 65535) return false;
  port = value;
  text.erase(colon);
  return true;
}

}  // namespace

std::string UrlEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (IsAlphaNumeric(c) && static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
      out += escape;
    }
  }
  return out;
}

std::string UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

TUrlParts ParseUrl(std::string_view address) {
  TUrlParts parts;
  std::string rest(TrimBlanks(address));
  if (!rest.ends_with('/')) rest += '/';
  // A port at the very end, before the final "/".
  {
    std::string head = rest.substr(0, rest.size() - 1);
    const auto slash = head.rfind('/');
    const auto colon = head.rfind(':');
    if (colon != std::string::npos && (slash == std::string::npos || colon > slash) &&
        TakeTrailingPort(head, parts.Port)) {
      rest = head + "/";
    }
  }
  if (const auto mark = rest.find("://"); mark != std::string::npos) {
    const std::string_view scheme = std::string_view(rest).substr(0, mark);
    if (AllNameChars(scheme)) {
      parts.Scheme = std::string(scheme);
      rest.erase(0, mark + 3);
    }
  }
  // The authority: up to the first "/"; a login only inside it.
  const std::size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  if (const auto at = authority.rfind('@'); at != std::string::npos) {
    const std::string login = authority.substr(0, at);
    const auto colon = login.find(':');
    parts.User = UrlDecode(login.substr(0, colon));
    if (colon != std::string::npos) parts.Password = UrlDecode(login.substr(colon + 1));
    authority.erase(0, at + 1);
  }
  unsigned hostPort = 0;
  if (TakeTrailingPort(authority, hostPort) && parts.Port == 0) parts.Port = hostPort;
  if (AllNameChars(authority)) {
    parts.Host = authority;
    rest.erase(0, slash + 1);
  } else {
    rest.erase(0, slash);  // a host that fails its check stays in the path
    if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    rest = authority + (authority.empty() ? "" : "/") + rest;
  }
  parts.BasePath = rest;
  return parts;
}

std::string BuildUrl(std::string_view address, std::string_view user, std::string_view password,
                     unsigned port) {
  std::string url(address);
  if (port != 0) url += ":" + std::to_string(port);
  if (!user.empty() || !password.empty()) {
    const std::string login = UrlEncode(user) + ":" + UrlEncode(password) + "@";
    const auto mark = url.find("://");
    url.insert(mark == std::string::npos ? 0 : mark + 3, login);
  }
  return url;
}

bool IsHttps(const TUrlParts& parts) {
  std::string scheme = parts.Scheme;
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme == "https";
}

unsigned EffectivePort(const TUrlParts& parts) {
  if (parts.Port != 0) return parts.Port;
  return IsHttps(parts) ? 443 : 80;
}
