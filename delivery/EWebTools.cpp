// The request engine: a WinINet session and connection per object, requests
// built by the pure builders, redirects followed within bounds, and the
// response read for the form helpers.
#include "delivery/EWebTools.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "delivery/EWebToolsErrors.h"
#include "delivery/EWebToolsFiles.h"
#include "delivery/EWebToolsRequest.h"
#include "delivery/EWebToolsWinInet.h"
#include "platform/runtime/TextTrim.h"

namespace {

constexpr int kMaxRedirects = 10;
constexpr DWORD kPiece = 4096;
constexpr char kAgent[] = "ZuderaDod";

std::string HostText(const char* format, const std::string& host) {
  std::string text(format);
  text.replace(text.find("%s"), 2, host);
  return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool Contains(std::string_view text, std::string_view what) {
  if (what.empty()) return true;
  return std::search(text.begin(), text.end(), what.begin(), what.end(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         }) != text.end();
}

std::string SystemMessage(unsigned long code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  return std::string(TrimBlanks(text));
}

bool ServerReplyError(unsigned long code) {
  return code == ERROR_INTERNET_EXTENDED_ERROR || code == ERROR_INTERNET_INCORRECT_USER_NAME ||
         code == ERROR_INTERNET_INCORRECT_PASSWORD || code == ERROR_INTERNET_LOGIN_FAILURE ||
         code == ERROR_FTP_DROPPED;
}

HINTERNET AsHandle(void* handle) {
  return static_cast<HINTERNET>(handle);
}

}  // namespace

std::string InternetErrorText(unsigned long code) {
  // The extended text lives in the library this process loaded, per thread,
  // and stays there after the reply it belongs to: only errors that a server
  // reply explains take it, so a stale "226 Transfer complete." of an
  // earlier upload never explains a later failure.
  const HMODULE module = ServerReplyError(code) ? GetModuleHandleA("wininet.dll") : nullptr;
  if (module) {
    TWinInetLibrary view;
    view.InternetGetLastResponseInfoA =
        reinterpret_cast<decltype(view.InternetGetLastResponseInfoA)>(
            reinterpret_cast<void*>(GetProcAddress(module, "InternetGetLastResponseInfoA")));
    std::string extended;
    if (view.InternetGetLastResponseInfoA) extended = LastResponseInfo(view);
    if (!TrimBlanks(extended).empty()) return std::string(TrimBlanks(extended));
  }
  const std::string_view table = InternetErrorTableText(code);
  if (!table.empty()) return std::string(table);
  return SystemMessage(code);
}

struct THTTPConnectionBase::TRequestTarget {
  HINTERNET Connection = nullptr;
  bool Https = false;
  bool SendLogin = true;  // the login never travels to another host
  std::string Host;
  unsigned Port = 0;
};

THTTPConnectionBase::THTTPConnectionBase(std::string_view target, std::string_view proxy,
                                         unsigned timeoutMs)
    : library_(TWinInetLibrary::Load()), timeoutMs_(timeoutMs) {
  if (!library_) return;
  target_ = ParseUrl(target);
  if (const std::size_t query = target_.BasePath.find('?'); query != std::string::npos)
    target_.BasePath.erase(query);
  if (target_.BasePath.empty() || target_.BasePath.back() != '/') target_.BasePath += '/';
  https_ = IsHttps(target_);
  port_ = EffectivePort(target_);
  const std::string_view trimmedProxy = TrimBlanks(proxy);
  proxyInUse_ = !trimmedProxy.empty() && trimmedProxy.front() != ':';
  if (proxyInUse_) {
    proxy_ = ParseUrl(trimmedProxy);
    proxyPort_ = proxy_.Port ? proxy_.Port : 8080;
  }
}

THTTPConnectionBase::~THTTPConnectionBase() {
  CloseHandles();
}

bool THTTPConnectionBase::LibraryLoaded() const {
  return library_ != nullptr;
}

bool THTTPConnectionBase::IsOpen() const {
  return connection_ != nullptr;
}

std::string THTTPConnectionBase::ProxyServer() const {
  if (!proxyInUse_) return {};
  return proxy_.Host + ":" + std::to_string(proxyPort_);
}

void THTTPConnectionBase::NotifyState(int, int) {}

bool THTTPConnectionBase::OpenHandles() {
  const TWinInetLibrary& l = *library_;
  const std::string proxy = ProxyServer();
  HINTERNET session =
      proxyInUse_ ? l.InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), "<local>", 0)
                  : l.InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) return false;
  session_ = session;
  SetTimeouts(l, session, timeoutMs_);
  const char* user = target_.User.empty() ? nullptr : target_.User.c_str();
  const char* password = target_.Password.empty() ? nullptr : target_.Password.c_str();
  connection_ = l.InternetConnectA(session, target_.Host.c_str(), static_cast<INTERNET_PORT>(port_),
                                   user, password, INTERNET_SERVICE_HTTP,
                                   INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  return connection_ != nullptr;
}

bool THTTPConnectionBase::CloseHandles() {
  if (!library_) return true;
  bool ok = true;
  if (connection_) ok = library_->InternetCloseHandle(AsHandle(connection_)) != FALSE;
  if (session_) ok = library_->InternetCloseHandle(AsHandle(session_)) != FALSE && ok;
  connection_ = nullptr;
  session_ = nullptr;
  return ok;
}

void THTTPConnectionBase::OpenConnection() {
  NotifyState(0, 0);
  CloseHandles();
  // An address without a host would let the library pick one.
  if (!library_ || target_.Host.empty() || (proxyInUse_ && proxy_.Host.empty()) || !OpenHandles()) {
    CloseHandles();
    throw EHTTPConnectionError(
        HostText("Cannot create an HTTP connection with the host: %s", target_.Host));
  }
  NotifyState(1, 0);
}

void THTTPConnectionBase::CloseConnection() {
  if (!IsOpen()) return;
  NotifyState(8, 0);
  const bool ok = CloseHandles();
  NotifyState(9, 0);
  if (!ok)
    throw EHTTPConnectionError(
        HostText("Cannot close the HTTP connection with the host: %s", target_.Host));
}

void THTTPConnectionBase::SetRequest(std::string_view page, THTTPMethod method) {
  currentPath_ = target_.BasePath + std::string(page);
  method_ = method;
  fields_.clear();
  files_.clear();
}

void THTTPConnectionBase::AddField(std::string_view name, std::string_view value) {
  fields_.push_back(std::string(name) + "=" + std::string(value));
}

void THTTPConnectionBase::AddFile(std::string_view name, std::string_view path) {
  files_.push_back(std::string(name) + "=" + std::string(path));
}

bool THTTPConnectionBase::Fail(unsigned long code) {
  return Fail(code, InternetErrorText(code));
}

bool THTTPConnectionBase::Fail(unsigned long code, std::string text) {
  response_.ErrorCode = code;
  response_.ErrorText = std::move(text);
  return false;
}

bool THTTPConnectionBase::SendOnce(const TRequestTarget& target, const std::string& path,
                                   bool withProgress, std::string& redirect) {
  const TWinInetLibrary& l = *library_;
  const TRequestPath parts = SplitRequestPath(path);
  std::string query = parts.Query;
  std::string contentType;
  std::string body;
  if (method_ == hmGet) {
    query = AppendQuery(query, fields_);
  } else if (method_ == hmPostForm) {
    contentType = "Content-Type: application/x-www-form-urlencoded";
    body = FormBody(fields_);
  } else {
    std::vector<TMultipartFile> files;
    for (const std::string& line : files_) {
      const TFormField file = SplitField(line);
      const auto bytes = ReadWholeFile(file.Value);
      const std::size_t folder = file.Value.find_last_of("/\\");
      files.push_back({file.Name,
                       folder == std::string::npos ? file.Value : file.Value.substr(folder + 1),
                       bytes.value_or(""), bytes.has_value()});
    }
    const TMultipartMessage message = BuildMultipart(fields_, files);
    contentType = "Content-Type: " + message.ContentType();
    body = message.Body;
  }
  std::string object = parts.Directory + parts.Page + query;
  if (object.empty() || object.front() != '/') object.insert(object.begin(), '/');
  response_.Page = parts.Page;

  TInternetHandle request(
      &l, l.HttpOpenRequestA(target.Connection, method_ == hmGet ? "GET" : "POST", object.c_str(),
                             nullptr, nullptr, nullptr, RequestFlags(target.Https, false), 0));
  if (!request) return Fail(LastInternetError());
  if (target.Https) AllowUnknownCertificateAuthority(l, request.Get());
  SetTimeouts(l, request.Get(), timeoutMs_);
  auto addHeader = [&](const std::string& header) {
    return l.HttpAddRequestHeadersA(request.Get(), header.c_str(),
                                    static_cast<DWORD>(header.size()),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE) != FALSE;
  };
  if (!contentType.empty() && !addHeader(contentType)) return Fail(LastInternetError());
  if (target.SendLogin && (!target_.User.empty() || !target_.Password.empty()) &&
      !addHeader(BasicAuthorizationHeader(target_.User, target_.Password)))
    return Fail(LastInternetError());
  if (proxyInUse_) {
    SetTextOption(l, request.Get(), INTERNET_OPTION_PROXY_USERNAME, proxy_.User);
    SetTextOption(l, request.Get(), INTERNET_OPTION_PROXY_PASSWORD, proxy_.Password);
    // Wine's library answers a proxy's 407 without trying the login, so a
    // plain request carries it from the start.
    if (!target.Https && (!proxy_.User.empty() || !proxy_.Password.empty()) &&
        !addHeader(ProxyAuthorizationHeader(proxy_.User, proxy_.Password)))
      return Fail(LastInternetError());
  }

  const DWORD sendError = SendRequestBody(
      l, request.Get(), body, kPiece, target.Https && proxyInUse_, [&](std::uint64_t sent) {
        if (withProgress)
          NotifyState(6, static_cast<int>(std::lround(50.0 * static_cast<double>(sent) /
                                                      static_cast<double>(body.size()))));
      });
  if (sendError) return Fail(sendError);

  const std::string status = QueryInfoText(l, request.Get(), HTTP_QUERY_STATUS_CODE).value_or("");
  response_.StatusCode = std::atoi(status.c_str());
  response_.StatusText = QueryInfoText(l, request.Get(), HTTP_QUERY_STATUS_TEXT).value_or("");
  response_.Headers = QueryInfoText(l, request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF).value_or("");
  const DWORD length =
      std::max<DWORD>(1, QueryInfoNumber(l, request.Get(), HTTP_QUERY_CONTENT_LENGTH).value_or(1));
  std::string received;
  char buffer[kPiece];
  for (;;) {
    DWORD read = 0;
    if (!l.InternetReadFile(request.Get(), buffer, kPiece, &read)) return Fail(LastInternetError());
    if (read == 0) break;
    received.append(buffer, read);
    if (withProgress)
      NotifyState(
          6, static_cast<int>(std::lround(
                 50.0 + std::min(50.0, 50.0 * static_cast<double>(received.size()) / length))));
  }
  response_.RawBody = std::move(received);

  redirect.clear();
  if (response_.StatusCode == 200) {
    auto refresh = QueryInfoText(l, request.Get(), HTTP_QUERY_REFRESH);
    if (!refresh) refresh = QueryCustomHeader(l, request.Get(), "Refresh");
    if (refresh) {
      redirect = RefreshTarget(*refresh);
      response_.StatusCode = 302;
    }
  } else if (response_.StatusCode >= 301 && response_.StatusCode <= 303) {
    redirect = QueryInfoText(l, request.Get(), HTTP_QUERY_LOCATION).value_or("");
  }
  return true;
}

bool THTTPConnectionBase::ExecuteRequest(bool withProgress) {
  response_.Clear();
  if (!library_) return Fail(ERROR_MOD_NOT_FOUND, "Cannot find the \"wininet.dll\" library.");
  if (!connection_) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  TInternetHandle otherHost;  // the connection of a redirect to another host
  TRequestTarget target{AsHandle(connection_), https_, true, target_.Host, port_};
  std::string path = currentPath_;
  for (int redirects = 0;; ++redirects) {
    std::string redirect;
    if (!SendOnce(target, path, withProgress, redirect)) return false;
    const bool redirected = response_.StatusCode >= 301 && response_.StatusCode <= 303;
    if (!redirected) break;
    if (redirect.empty()) break;  // a redirect without a target is the final answer
    if (redirects == kMaxRedirects)
      return Fail(ERROR_HTTP_REDIRECT_FAILED, "More than " + std::to_string(kMaxRedirects) +
                                                  " redirects; the last to: " + redirect);
    method_ = hmGet;
    fields_.clear();
    files_.clear();
    const TRequestPath next = SplitRequestPath(redirect);
    if (next.Absolute()) {
      const TUrlParts parts = ParseUrl(next.Scheme + "://" + next.Host + "/");
      if (!EqualNoCase(next.Scheme, "http") && !EqualNoCase(next.Scheme, "https"))
        return Fail(ERROR_HTTP_REDIRECT_FAILED,
                    "The redirect leads to an address this engine "
                    "cannot request: " +
                        redirect);
      const bool https = IsHttps(parts);
      const unsigned port = EffectivePort(parts);
      if (parts.Host.empty())
        return Fail(ERROR_HTTP_REDIRECT_FAILED, "The redirect names no host: " + redirect);
      if (!EqualNoCase(parts.Host, target.Host) || port != target.Port || https != target.Https) {
        const bool home = EqualNoCase(parts.Host, target_.Host) && port == port_ && https == https_;
        if (home) {
          target = {AsHandle(connection_), https_, true, target_.Host, port_};
        } else {
          TInternetHandle connection(
              library_.get(),
              library_->InternetConnectA(
                  AsHandle(session_), parts.Host.c_str(), static_cast<INTERNET_PORT>(port), nullptr,
                  nullptr, INTERNET_SERVICE_HTTP,
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE, 0));
          if (!connection) return Fail(LastInternetError());
          otherHost = std::move(connection);
          target = {otherHost.Get(), https, false, parts.Host, port};
        }
      }
      path = next.Directory + next.Page + next.Query;
    } else {
      const std::string directory =
          next.Directory.empty() ? SplitRequestPath(path).Directory : next.Directory;
      path = directory + next.Page + next.Query;
    }
  }
  if (withProgress) NotifyState(7, 0);
  response_.Utf8 = PageIsUtf8(response_.Headers, response_.RawBody);
  response_.Body = FlattenBody(response_.RawBody);
  return true;
}

bool THTTPConnectionBase::ResponseMatches(std::string_view page, std::string_view wanted,
                                          std::string_view unwanted) const {
  if (!page.empty() && !EqualNoCase(page, response_.Page)) return false;
  if (!wanted.empty() && !Contains(response_.Body, wanted)) return false;
  if (!unwanted.empty()) return !Contains(response_.Body, unwanted);
  return true;
}

void THTTPConnectionBase::AddFieldReplacing(std::string_view name, std::string_view value) {
  const std::string line = std::string(name) + "=" + std::string(value);
  for (std::string& field : fields_) {
    if (SplitField(field).Name == name) {
      field = line;
      return;
    }
  }
  fields_.push_back(line);
}

void THTTPConnectionBase::AddInputField(std::string_view name) {
  if (const auto value = InputValue(response_.Body, name, response_.Utf8)) AddField(name, *value);
}

void THTTPConnectionBase::AddTextAreaField(std::string_view name) {
  if (const auto value = TextAreaValue(response_.Body, response_.RawBody, name, response_.Utf8))
    AddField(name, *value);
}

void THTTPConnectionBase::AddSelectedField(std::string_view name) {
  if (const auto value = SelectedOptionValue(response_.Body, name, response_.Utf8))
    AddField(name, *value);
  else
    AddInputField(name);
}

void THTTPConnectionBase::AddSelectedFieldIfSet(std::string_view name) {
  if (const auto value = SelectedOptionValue(response_.Body, name, response_.Utf8)) {
    if (!value->empty()) AddField(name, *value);
  } else {
    AddInputField(name);
  }
}

void THTTPConnectionBase::AddOptionField(std::string_view name, std::string_view text) {
  if (const auto value = OptionValueByText(response_.Body, name, text, response_.Utf8))
    AddField(name, *value);
}

void THTTPConnectionBase::AddCustomFields(const std::vector<std::string>& lines) {
  const std::size_t count = lines.size() > 4 ? lines.size() - 4 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const TFormField field = SplitField(lines[i]);
    AddFieldReplacing(field.Name, field.Value);
  }
}

bool THTTPConnectionBase::BumpSummaryCounter(std::string_view name) {
  const std::string title = InputValue(response_.Body, name, response_.Utf8).value_or("");
  const auto bumped = BumpedSummary(title);
  if (!bumped) return false;
  AddField(name, *bumped);
  return true;
}

THTTPConnection::THTTPConnection(std::string_view target, std::string_view proxy,
                                 ISendProgress* progress, unsigned timeoutMs)
    : THTTPConnectionBase(target, proxy, timeoutMs), progress_(progress) {}

THTTPConnection::~THTTPConnection() {
  try {
    CloseConnection();
  } catch (const EHTTPConnectionError&) {
    // A connection that cannot be closed is released by the base anyway.
  }
}

void THTTPConnection::NotifyState(int state, int value) {
  if (!progress_) return;
  static constexpr int kTexts[] = {114, 115, 113, 118, 119, 120, 116, 117, 121, 122};
  if (state < 0 || state > 9) return;
  progress_->ShowText(kTexts[state]);
  if (state == 0) {
    progress_->ResetBar();
    progress_->SetBar(5);
  } else if (state == 6) {
    progress_->SetBar(static_cast<int>(std::lround(value / 100.0 * 65 + 35)));
  } else if (state >= 7) {
    progress_->SetBar(100);
  }
}
