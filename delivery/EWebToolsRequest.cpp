#include "delivery/EWebToolsRequest.h"

#include <cctype>
#include <cstdio>
#include <random>

#include "delivery/EWebToolsUrl.h"
#include "platform/runtime/TextTrim.h"
#include "report/EBase64.h"

namespace {

void AppendEscape(std::string& out, char c) {
  char escape[4];
  std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
  out += escape;
}

bool IsFieldNameChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u < 0x80 && std::isalnum(u)) || c == '_' || c == '-' || c == '.' || c == '[' || c == ']';
}

void AppendPartHeader(std::string& body, std::string_view boundary) {
  body += "--";
  body += boundary;
  body += "\r\n";
}

}  // namespace

TFormField SplitField(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {std::string(line), {}};
  return {std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))};
}

std::string EncodeFieldName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (IsFieldNameChar(c))
      out += c;
    else
      AppendEscape(out, c);
  }
  return out;
}

std::string EncodeQuotedName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c == '"' || c == '\r' || c == '\n' || c == '%')
      AppendEscape(out, c);
    else
      out += c;
  }
  return out;
}

std::string AppendQuery(std::string_view query, const std::vector<std::string>& fields) {
  std::string out(query);
  for (const std::string& line : fields) {
    const TFormField field = SplitField(line);
    out += out.find('?') == std::string::npos ? '?' : '&';
    out += UrlEncode(field.Name) + "=" + UrlEncode(field.Value);
  }
  return out;
}

std::string FormBody(const std::vector<std::string>& fields) {
  std::string body;
  for (const std::string& line : fields) {
    const TFormField field = SplitField(line);
    if (!body.empty()) body += '&';
    body += EncodeFieldName(field.Name) + "=" + UrlEncode(field.Value);
  }
  return body;
}

std::string MakeBoundary(const std::function<unsigned()>& random) {
  std::string boundary(27, '-');
  for (int i = 0; i < 3; ++i) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", random() % 65535u);
    boundary += digits;
  }
  return boundary;
}

std::string RandomBoundary() {
  static std::mt19937 generator{std::random_device{}()};
  return MakeBoundary([] { return static_cast<unsigned>(generator()); });
}

std::string MultipartBody(std::string_view boundary, const std::vector<std::string>& fields,
                          const std::vector<TMultipartFile>& files) {
  std::string body;
  for (const std::string& line : fields) {
    const TFormField field = SplitField(line);
    AppendPartHeader(body, boundary);
    body += "Content-Disposition: form-data; name=\"" + EncodeQuotedName(field.Name) + "\";";
    body += "\r\n\r\n";
    body += field.Value;
    body += "\r\n";
  }
  for (const TMultipartFile& file : files) {
    AppendPartHeader(body, boundary);
    body += "Content-Disposition: form-data; name=\"" + EncodeQuotedName(file.Name) +
            "\"; filename=\"" + (file.Exists ? EncodeQuotedName(file.FileName) : "") + "\";";
    body += "\r\nContent-Type: application/octet-stream\r\n\r\n";
    if (file.Exists) body += file.Bytes;
    body += "\r\n";
  }
  body += "--";
  body += boundary;
  body += "--\r\n";
  return body;
}

std::string TMultipartMessage::ContentType() const {
  return "multipart/form-data; boundary=" + Boundary;
}

TMultipartMessage BuildMultipart(const std::vector<std::string>& fields,
                                 const std::vector<TMultipartFile>& files,
                                 const std::function<std::string()>& newBoundary) {
  auto heldSomewhere = [&](const std::string& boundary) {
    for (const std::string& line : fields)
      if (line.find(boundary) != std::string::npos) return true;
    for (const TMultipartFile& file : files)
      if (file.Bytes.find(boundary) != std::string::npos ||
          file.FileName.find(boundary) != std::string::npos ||
          file.Name.find(boundary) != std::string::npos)
        return true;
    return false;
  };
  // A boundary that a value or file holds would end its part early.
  std::string boundary = newBoundary();
  for (int attempt = 0; heldSomewhere(boundary); ++attempt) {
    boundary = newBoundary();
    if (attempt >= 16) boundary += std::to_string(attempt);
  }
  return {boundary, MultipartBody(boundary, fields, files)};
}

std::string BasicAuthorizationHeader(std::string_view user, std::string_view password) {
  return "Authorization: Basic " + Base64Encode(std::string(user) + ":" + std::string(password));
}

std::string ProxyAuthorizationHeader(std::string_view user, std::string_view password) {
  return "Proxy-Authorization: Basic " +
         Base64Encode(std::string(user) + ":" + std::string(password));
}

TRequestPath SplitRequestPath(std::string_view path) {
  TRequestPath parts;
  const std::size_t question = path.find('?');
  if (question != std::string_view::npos) {
    parts.Query = std::string(path.substr(question));
    path = path.substr(0, question);
  }
  const std::size_t scheme = path.find("://");
  if (scheme != std::string_view::npos) {
    parts.Scheme = std::string(path.substr(0, scheme));
    path = path.substr(scheme + 3);
    const std::size_t slash = path.find('/');
    parts.Host = std::string(path.substr(0, slash));
    path = slash == std::string_view::npos ? std::string_view("/") : path.substr(slash);
  }
  const std::size_t last = path.rfind('/');
  if (last == std::string_view::npos) {
    parts.Page = std::string(path);
  } else {
    parts.Directory = std::string(path.substr(0, last + 1));
    parts.Page = std::string(path.substr(last + 1));
  }
  return parts;
}

std::string RefreshTarget(std::string_view refresh) {
  const std::size_t url = refresh.find("url=");
  if (url == std::string_view::npos) return std::string(TrimBlanks(refresh));
  return std::string(TrimBlanks(refresh.substr(url + 4)));
}

std::string FtpRemoteName(std::string_view path, std::string_view shownName) {
  const std::size_t folder = shownName.find_last_of("/\\");
  const std::string_view name =
      folder == std::string_view::npos ? shownName : shownName.substr(folder + 1);
  std::string remote(path);
  if (!remote.empty() && remote.back() != '/') remote += '/';
  return remote + std::string(name);
}

std::string StampedName(std::string_view remoteName, std::string_view stamp) {
  const std::size_t folder = remoteName.rfind('/');
  const std::size_t nameBegin = folder == std::string_view::npos ? 0 : folder + 1;
  std::size_t dot = remoteName.rfind('.');
  if (dot == std::string_view::npos || dot <= nameBegin) dot = remoteName.size();
  return std::string(remoteName.substr(0, dot)) + "_" + std::string(stamp) +
         std::string(remoteName.substr(dot));
}
