// The plain uploads of the report files: one multipart POST over HTTP or
// HTTPS, or one FTP store per file. Each upload loads the library, opens its
// own session and releases everything at the end.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "delivery/EWebTools.h"
#include "delivery/EWebToolsFiles.h"
#include "delivery/EWebToolsRequest.h"
#include "delivery/EWebToolsWinInet.h"
#include "platform/runtime/TextTrim.h"

namespace {

constexpr char kAgent[] = "ZuderaDod";
constexpr DWORD kPiece = 1024;
constexpr long kStatusNotANumber = 2147483647;

TUploadResult Failure(unsigned long code) {
  return {static_cast<long>(code), InternetErrorText(code)};
}

TUploadResult Failure(unsigned long code, std::string text) {
  return {static_cast<long>(code), std::move(text)};
}

void Report(const TUploadProgress& progress, int step, std::uint64_t total, std::uint64_t done) {
  if (progress) progress(step, total, done);
}

// The session of an upload: through the proxy when one is named (bypassed
// for "<local>" names), else with the platform's preconfigured settings.
TInternetHandle OpenSession(const TWinInetLibrary& l, const TUploadTarget& target) {
  const std::string server = std::string(TrimBlanks(target.ProxyServer));
  HINTERNET session = nullptr;
  if (server.empty()) {
    session = l.InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  } else {
    const std::string proxy =
        server + ":" + std::to_string(target.ProxyPort ? target.ProxyPort : 8080);
    session = l.InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), "<local>", 0);
  }
  if (session) SetTimeouts(l, session, target.TimeoutMs);
  return TInternetHandle(&l, session);
}

unsigned PortOf(const TUploadTarget& target, unsigned standard) {
  return target.Port ? target.Port : standard;
}

const char* OrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

TUploadResult PostMultipart(const TWinInetLibrary& l, const TUploadTarget& target,
                            const TMultipartMessage& message, const TUploadProgress& progress) {
  const std::uint64_t total = message.Body.size();
  Report(progress, 0, total, 0);
  TInternetHandle session = OpenSession(l, target);
  if (!session) return Failure(LastInternetError());
  TInternetHandle connection(
      &l, l.InternetConnectA(session.Get(), target.Host.c_str(),
                             static_cast<INTERNET_PORT>(PortOf(target, target.Https ? 443 : 80)),
                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Failure(LastInternetError());
  Report(progress, 1, total, 0);

  const std::string path =
      target.Path.empty() || target.Path.front() != '/' ? "/" + target.Path : target.Path;
  TInternetHandle request(
      &l, l.HttpOpenRequestA(connection.Get(), "POST", path.c_str(), nullptr, nullptr, nullptr,
                             RequestFlags(target.Https, true), 0));
  if (!request) return Failure(LastInternetError());
  if (target.Https) AllowUnknownCertificateAuthority(l, request.Get());
  SetTimeouts(l, request.Get(), target.TimeoutMs);
  const bool proxied = !TrimBlanks(target.ProxyServer).empty();
  std::string headers = "Content-Type: " + message.ContentType() + "\r\n";
  if (!target.User.empty() || !target.Password.empty())
    headers += BasicAuthorizationHeader(target.User, target.Password) + "\r\n";
  if (!target.ProxyUser.empty() || !target.ProxyPassword.empty()) {
    SetTextOption(l, request.Get(), INTERNET_OPTION_PROXY_USERNAME, target.ProxyUser);
    SetTextOption(l, request.Get(), INTERNET_OPTION_PROXY_PASSWORD, target.ProxyPassword);
    // As for the request engine: the login travels with a plain request.
    if (proxied && !target.Https)
      headers += ProxyAuthorizationHeader(target.ProxyUser, target.ProxyPassword) + "\r\n";
  }
  if (!l.HttpAddRequestHeadersA(request.Get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
    return Failure(LastInternetError());

  if (const DWORD error =
          SendRequestBody(l, request.Get(), message.Body, kPiece, target.Https && proxied,
                          [&](std::uint64_t done) { Report(progress, 2, total, done); }))
    return Failure(error);

  const auto status = QueryInfoText(l, request.Get(), HTTP_QUERY_STATUS_CODE);
  const std::string text = QueryInfoText(l, request.Get(), HTTP_QUERY_STATUS_TEXT).value_or("");
  char* end = nullptr;
  const long code = status ? std::strtol(status->c_str(), &end, 10) : 0;
  if (!status || status->empty() || *end != '\0') return {kStatusNotANumber, text};
  if (code >= 200 && code <= 299) return {};
  return {code, text};
}

// Whether the server has a file of that name already.
bool RemoteFileExists(const TWinInetLibrary& l, HINTERNET connection, const std::string& name) {
  if (!l.FtpFindFirstFileA) return true;  // cannot tell: treat every name as taken
  WIN32_FIND_DATAA found{};
  TInternetHandle search(
      &l, l.FtpFindFirstFileA(connection, name.c_str(), &found, INTERNET_FLAG_RELOAD, 0));
  return static_cast<bool>(search);
}

// The remote name for a file: its own, or stamped when that is taken.
std::string FreeRemoteName(const TWinInetLibrary& l, HINTERNET connection, const std::string& name,
                           const std::string& stamp) {
  if (!RemoteFileExists(l, connection, name)) return name;
  const std::string base = StampedName(name, stamp.empty() ? "copy" : stamp);
  std::string candidate = base;
  for (int copy = 2; copy < 100 && RemoteFileExists(l, connection, candidate); ++copy)
    candidate = StampedName(base, std::to_string(copy));
  return candidate;
}

// The server's reply to the end of a store: a refusal ("452 ...") counts as
// failure even when the library's close reports success.
bool StoreRefused(const TWinInetLibrary& l, std::string& reply) {
  reply = std::string(TrimBlanks(LastResponseInfo(l)));
  const std::size_t last = reply.find_last_of('\n');
  const std::string_view line = last == std::string::npos
                                    ? std::string_view(reply)
                                    : std::string_view(reply).substr(last + 1);
  return !line.empty() && (line.front() == '4' || line.front() == '5');
}

TUploadResult StoreFiles(const TWinInetLibrary& l, const TUploadTarget& target,
                         const std::vector<TDeliveryFile>& files, const TUploadProgress& progress) {
  std::uint64_t total = 0;
  for (const TDeliveryFile& file : files) total += FileSizeOf(file.Path).value_or(0);
  Report(progress, 0, total, 0);
  TInternetHandle session = OpenSession(l, target);
  if (!session) return Failure(LastInternetError());
  TInternetHandle connection(
      &l, l.InternetConnectA(session.Get(), target.Host.c_str(),
                             static_cast<INTERNET_PORT>(PortOf(target, INTERNET_DEFAULT_FTP_PORT)),
                             OrNull(target.User), OrNull(target.Password), INTERNET_SERVICE_FTP,
                             INTERNET_FLAG_PASSIVE, 0));
  if (!connection) return Failure(LastInternetError());
  Report(progress, 1, total, 0);

  for (const TDeliveryFile& file : files) {
    const auto bytes = ReadWholeFile(file.Path);
    if (!bytes) continue;
    const std::string name = FreeRemoteName(
        l, connection.Get(), FtpRemoteName(target.Path, file.ShownName), target.TimeStamp);
    TInternetHandle remote(&l, l.FtpOpenFileA(connection.Get(), name.c_str(), GENERIC_WRITE,
                                              FTP_TRANSFER_TYPE_BINARY, 0));
    if (!remote) return Failure(LastInternetError());
    if (const DWORD error = WriteInPieces(l, remote.Get(), *bytes, kPiece, [&](std::uint64_t done) {
          Report(progress, 2, total, done);
        }))
      return Failure(error);
    if (!remote.Close()) return Failure(LastInternetError());
    std::string reply;
    if (StoreRefused(l, reply)) return Failure(ERROR_INTERNET_EXTENDED_ERROR, reply);
  }
  return {};
}

bool NoHost(const TUploadTarget& target) {
  return TrimBlanks(target.Host).empty();
}

TUploadResult NoHostFailure() {
  return Failure(ERROR_INTERNET_INVALID_URL, "The upload address names no host.");
}

}  // namespace

TUploadResult UploadFilesHttp(const TUploadTarget& target, const std::vector<TDeliveryFile>& files,
                              const std::vector<std::string>& extraFields,
                              const TUploadProgress& progress) {
  const auto library = TWinInetLibrary::Load();
  if (!library) return {-1, {}};
  if (NoHost(target)) return NoHostFailure();
  std::vector<TMultipartFile> parts;
  for (std::size_t index = 0; index < files.size(); ++index) {
    auto bytes = ReadWholeFile(files[index].Path);
    if (!bytes) continue;  // a missing file keeps its index
    parts.push_back({"el_upload_file_" + std::to_string(index), files[index].ShownName,
                     std::move(*bytes), true});
  }
  return PostMultipart(*library, target, BuildMultipart(extraFields, parts), progress);
}

TUploadResult UploadFilesFtp(const TUploadTarget& target, const std::vector<TDeliveryFile>& files,
                             const TUploadProgress& progress) {
  if (files.empty()) return {};
  const auto library = TWinInetLibrary::Load();
  if (!library) return {-1, {}};
  if (NoHost(target)) return NoHostFailure();
  return StoreFiles(*library, target, files, progress);
}
