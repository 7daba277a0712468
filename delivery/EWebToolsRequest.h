// The requests of the web delivery as texts: the query of a GET, the body of
// a URL-encoded form, the multipart body with its boundary, the upload body,
// the Basic authorisation header, and the parts of a request path. Built
// and tested as strings; the WinINet edge only sends them.
//
// Pure: no windows.h; never raises except for memory.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// "name=value" lines split at the first "=" (a line without one is all name).
struct TFormField {
  std::string Name;
  std::string Value;
};
TFormField SplitField(std::string_view line);

// A field name as it may stand unquoted in a form body or query: letters,
// digits and "_-.[]" stay, every other byte is percent-encoded.
std::string EncodeFieldName(std::string_view name);
// A name inside the double quotes of a Content-Disposition: double quotes,
// CR, LF and "%" percent-encoded, so no name can end the header early.
std::string EncodeQuotedName(std::string_view name);

// The query of a GET: each field appended as name=value (both URL-encoded),
// the first after "?" (or "&" when the path has a query), the others after "&".
std::string AppendQuery(std::string_view query, const std::vector<std::string>& fields);
// The body of a URL-encoded POST: name=value pairs (value URL-encoded) joined by "&".
std::string FormBody(const std::vector<std::string>& fields);

// 27 "-" and 12 upper-case hexadecimal digits from three random numbers
// below 65535; `random` gives one such number per call.
std::string MakeBoundary(const std::function<unsigned()>& random);
std::string RandomBoundary();

// A file part of a multipart body: the field name, the file name shown and
// the bytes; `exists` false sends an empty file name and no bytes.
struct TMultipartFile {
  std::string Name;
  std::string FileName;
  std::string Bytes;
  bool Exists = true;
};

// The multipart body for `boundary`: the fields, then the files.
std::string MultipartBody(std::string_view boundary, const std::vector<std::string>& fields,
                          const std::vector<TMultipartFile>& files);

// A boundary that occurs nowhere in `parts` (a new random one while it does),
// and the body built with it.
struct TMultipartMessage {
  std::string Boundary;
  std::string Body;
  std::string ContentType() const;
};
TMultipartMessage BuildMultipart(const std::vector<std::string>& fields,
                                 const std::vector<TMultipartFile>& files,
                                 const std::function<std::string()>& newBoundary = RandomBoundary);

// "Authorization: Basic " + Base64(user ":" password).
std::string BasicAuthorizationHeader(std::string_view user, std::string_view password);

// "Proxy-Authorization: Basic " + Base64(user ":" password).
std::string ProxyAuthorizationHeader(std::string_view user, std::string_view password);

// A request path split as the engine sends it: directory, page (after the
// last "/") and query (from the first "?"). With "://" the directory is what
// follows the host.
struct TRequestPath {
  std::string Scheme;  // with "://" only
  std::string Host;    // with "://" only (may carry ":port")
  std::string Directory;
  std::string Page;
  std::string Query;
  bool Absolute() const { return !Host.empty(); }
};
TRequestPath SplitRequestPath(std::string_view path);

// The new path of a redirect: the text after the first "url=" of a Refresh
// header (trimmed), else the whole value.
std::string RefreshTarget(std::string_view refresh);

// The FTP remote name: path, "/" unless it ends with one (nothing when it is
// empty), and the shown name without folder.
std::string FtpRemoteName(std::string_view path, std::string_view shownName);
// "name_<stamp>.ext" ("name_<stamp>" without an extension).
std::string StampedName(std::string_view remoteName, std::string_view stamp);
